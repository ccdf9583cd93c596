// Draws the response graph as the form shows it, with an equaliser on both channels, and
// writes the pictures into the folder given (default docs/images).
#include <QApplication>
#include <QDir>
#include <QMouseEvent>
#include <cstdio>

#include "editor/graph/CFStatic.h"
#include "model/KTV_Data.h"
#include "protocol/DataDefine.h"

namespace {

using tolmarin::CFilter;
using tolmarin::CKTV_OutData;

// The graph's size on the main form.
constexpr int kGraphWidth = 935;
constexpr int kGraphHeight = 220;

constexpr int GainStep(double db) {
    return static_cast<int>(db * 10 + 200.5);
}
constexpr int BandwidthStep(double octaves) {
    return static_cast<int>(octaves / 0.05 - 0.5);
}

void Band(CKTV_OutData& ch, int k, int kind, int hz, double db, double octaves) {
    CFilter& f = ch.Band(k);
    f.SetEqKind(kind);
    f.SetFreq(hz, true);
    f.SetGainStep(GainStep(db));
    f.SetBandwidthStep(BandwidthStep(octaves));
}

void Crossover(CFilter& f, int hz, int family, int slope) {
    f.SetFreq(hz, true);
    f.SetFamily(family, true);
    f.SetSlope(slope, true);
}

void TuneRoom(tolmarin::CKTV_Data& set) {
    CKTV_OutData& ch1 = set.Channel(0);
    Band(ch1, 0, 2, 90, 4.0, 0.3);
    Band(ch1, 1, 0, 180, -3.0, 1.0);
    Band(ch1, 3, 0, 1000, -6.0, 0.5);
    Band(ch1, 5, 0, 3150, 5.0, 1.5);
    Band(ch1, 7, 3, 9000, -4.0, 0.3);
    Crossover(ch1.HighPass(), 45, tolmarin::filter::kLinkwitzRiley, 2);
    Crossover(ch1.LowPass(), 16000, tolmarin::filter::kButterworth, 0);

    CKTV_OutData& ch2 = set.Channel(1);
    Band(ch2, 2, 0, 250, 6.0, 0.8);
    Band(ch2, 4, 0, 700, -2.5, 2.0);
    Band(ch2, 6, 0, 4500, -8.0, 0.25);
    Crossover(ch2.HighPass(), 120, tolmarin::filter::kBessel, 1);
    Crossover(ch2.LowPass(), 11000, tolmarin::filter::kLinkwitzRiley, 3);
}

void Hover(tolmarin::CFStatic& graph, const tolmarin::Rect& handle) {
    const QPointF p(handle.Center().x, handle.Center().y);
    QMouseEvent move(QEvent::MouseMove, p, graph.mapToGlobal(p), Qt::NoButton, Qt::NoButton,
                     Qt::NoModifier);
    QApplication::sendEvent(&graph, &move);
}

bool Save(const QImage& image, const QDir& dir, const char* name) {
    const QString path = dir.filePath(QString::fromLatin1(name));
    if (!image.save(path)) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
        return false;
    }
    std::printf("%s\n", qPrintable(path));
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication app(argc, argv);
    const QDir dir(argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("docs/images"));
    if (!QDir().mkpath(dir.path())) {
        std::fprintf(stderr, "cannot create %s\n", qPrintable(dir.path()));
        return 1;
    }

    tolmarin::SharedState state;
    tolmarin::InitDeviceImage(state);
    tolmarin::InitSystemBytes(state.image);
    tolmarin::CKTV_Data set(state);
    TuneRoom(set);

    QObject form;
    tolmarin::CFStatic graph;
    graph.resize(kGraphWidth, kGraphHeight);
    graph.AttachChannels(&set);
    graph.SetPlotArea();
    graph.SetParentView(&form);
    bool ok = Save(graph.RenderToImage(), dir, "graph-grid-page.png");

    // CH1 edited, the pointer on band 4 (its area, label and bandwidth handles).
    graph.SelectChannel(0);
    Hover(graph, set.Channel(0).Band(3).MainHandle());
    ok = Save(graph.RenderToImage(), dir, "graph-eq-page.png") && ok;

    // CH2 edited, its high-pass chosen in the crossover fields.
    graph.SelectChannel(1);
    graph.Redraw(8);
    ok = Save(graph.RenderToImage(), dir, "graph-crossover.png") && ok;
    return ok ? 0 : 1;
}
