// Draws the response graph as the form shows it, with an equaliser on both channels, and
// writes the pictures into the folder given (default docs/images), optionally enlarged by
// a scale factor (second argument) for print.
#include <QApplication>
#include <QDir>
#include <QMouseEvent>
#include <cstdio>

#include "RoomTuning.h"
#include "editor/graph/ResponseGraph.h"
#include "model/ChannelSet.h"
#include "protocol/DeviceImage.h"

namespace {

using tolmarin::tuning::kGraphHeight;
using tolmarin::tuning::kGraphWidth;
using tolmarin::tuning::TuneRoom;

void Hover(tolmarin::ResponseGraph& graph, const tolmarin::Rect& handle) {
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
    tolmarin::ChannelSet set(state);
    TuneRoom(set);

    const double scale = argc > 2 ? QString::fromLocal8Bit(argv[2]).toDouble() : 1.0;
    if (scale <= 0.0) {
        std::fprintf(stderr, "the scale must be a positive number\n");
        return 1;
    }
    QObject form;
    tolmarin::ResponseGraph graph;
    graph.resize(kGraphWidth, kGraphHeight);
    graph.AttachChannels(&set);
    graph.SetPlotArea();
    graph.SetParentView(&form);
    bool ok = Save(graph.RenderToImage(scale), dir, "graph-grid-page.png");

    // CH1 edited, the pointer on band 4 (its area, label and bandwidth handles).
    graph.SelectChannel(0);
    Hover(graph, graph.Interaction().Marks(set.Channel(0).Band(3)).main);
    ok = Save(graph.RenderToImage(scale), dir, "graph-eq-page.png") && ok;

    // CH2 edited, its high-pass chosen in the crossover fields.
    graph.SelectChannel(1);
    graph.ShowHighPass();
    ok = Save(graph.RenderToImage(scale), dir, "graph-crossover.png") && ok;
    return ok ? 0 : 1;
}
