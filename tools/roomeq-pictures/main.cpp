// Draws the response graph with a synthetic room measurement of CH1 and its predicted
// result, before and after the room EQ fit, into the folder given (default docs/images).
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <cmath>
#include <cstdio>

#include "editor/graph/ResponseGraph.h"
#include "editor/roomeq/RoomEqDialog.h"
#include "model/ChannelSet.h"
#include "protocol/DeviceImage.h"
#include "roomeq/Fit.h"
#include "roomeq/Measurement.h"

namespace {

using namespace tolmarin;

constexpr int kGraphWidth = 760;
constexpr int kGraphHeight = 300;
const QColor kMeasurementColour(255, 170, 40);
const QColor kPredictedColour(90, 200, 255);

// A small room: a strong mode at 63 Hz, a dip at 180 Hz, a hump at 1.2 kHz and a falling
// top, measured every 1/48 octave with a little ripple.
roomeq::Measurement Room() {
    roomeq::Measurement m;
    int n = 0;
    for (double f = 15.0; f < 22000.0; f *= std::exp2(1.0 / 48.0), ++n) {
        const auto bump = [&](double hz, double db, double width) {
            const double x = std::log2(f / hz) / width;
            return db / (1.0 + x * x);
        };
        m.hz.push_back(f);
        m.db.push_back(82.0 + bump(63.0, 9.0, 0.25) + bump(180.0, -6.0, 0.4) +
                       bump(1200.0, 4.0, 0.8) - 4.0 * std::max(0.0, std::log2(f / 4000.0)) +
                       0.4 * std::sin(n * 0.7));
    }
    return m;
}

roomeq::ChannelFilters FiltersOf(const OutputChannel& ch) {
    roomeq::ChannelFilters c;
    const EqBank& eq = ch.Eq();
    for (int k = 0; k < roomeq::kBands; ++k) {
        c.bands[static_cast<std::size_t>(k)] = eq.BuildBandRecord(k);
    }
    for (auto [f, into] : {std::pair{&eq.HighPass(), &c.highPass}, {&eq.LowPass(), &c.lowPass}}) {
        into->type = f->GetType();
        into->frequency = f->GetFreq();
        into->family = f->GetFamily();
        into->slope = f->GetSlope();
    }
    return c;
}

// The measurement around 0 dB and the measurement plus the channel's response.
std::vector<GraphOverlay> Overlays(const GridResponse& measured, const OutputChannel& ch, double lo,
                                   double hi) {
    const double level = roomeq::MeanOver(measured, lo, hi);
    const GridResponse response = roomeq::ChannelResponse(FiltersOf(ch));
    GraphOverlay m{measured, kMeasurementColour, roomeq::kMeasureLowHz, roomeq::kMeasureHighHz};
    GraphOverlay p = m;
    p.colour = kPredictedColour;
    for (int i = 0; i < kGridSize; ++i) {
        m.db[static_cast<std::size_t>(i)] -= level;
        p.db[static_cast<std::size_t>(i)] =
            m.db[static_cast<std::size_t>(i)] + response[static_cast<std::size_t>(i)];
    }
    return {m, p};
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
    SharedState state;
    InitDeviceImage(state);
    InitSystemBytes(state.image);
    ChannelSet set(state);
    OutputChannel& ch1 = set.Channel(0);
    for (int k = 0; k < roomeq::kBands; ++k) {
        BandRecord flat = ch1.Eq().BuildBandRecord(k);
        flat.gainStep = roomeq::kGainStepZero;
        ch1.Eq().LoadBand(flat, k);
    }

    QObject form;
    ResponseGraph graph;
    graph.resize(kGraphWidth, kGraphHeight);
    graph.AttachChannels(&set);
    graph.SetPlotArea();
    graph.SetParentView(&form);
    graph.SelectChannel(0);

    const GridResponse measured = roomeq::OnGrid(Room(), roomeq::Smoothing::Twelfth);
    const auto [lo, hi] = roomeq::DefaultRange(FiltersOf(ch1));
    graph.SetOverlays(Overlays(measured, ch1, lo, hi));
    bool ok = Save(graph.RenderToImage(), dir, "roomeq-before.png");

    const roomeq::FitResult fit =
        roomeq::FitBands(measured, GridResponse{}, FiltersOf(ch1), roomeq::FitOptions{});
    std::printf("RMS deviation %.2f dB before, %.2f dB after\n", fit.rmsBefore, fit.rmsAfter);
    for (int k = 0; k < roomeq::kBands; ++k) {
        ch1.Eq().LoadBand(fit.bands[static_cast<std::size_t>(k)], k);
    }
    graph.SetOverlays(Overlays(measured, ch1, lo, hi));
    ok = Save(graph.RenderToImage(), dir, "roomeq-after.png") && ok;

    // The fit dialog in both languages, after a fit of the same room written as REW does.
    QTemporaryDir temp;
    const QString path = temp.filePath(QStringLiteral("room.txt"));
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        return 1;
    }
    const roomeq::Measurement room = Room();
    file.write("* Measurement data measured by REW\n* Freq(Hz), SPL(dB), Phase(degrees)\n");
    for (std::size_t i = 0; i < room.hz.size(); ++i) {
        file.write(QString::asprintf("%.3f, %.3f, 0.0\n", room.hz[i], room.db[i]).toLatin1());
    }
    file.close();
    for (auto [language, name] : {std::pair{Language::English, "roomeq-dialog-en.png"},
                                  std::pair{Language::Chinese, "roomeq-dialog-zh.png"}}) {
        RoomEqDialog dialog(FiltersOf(set.Channel(1)), language);
        dialog.SetMeasurementPath(path);
        dialog.RunFit();
        dialog.adjustSize();
        ok = Save(dialog.grab().toImage(), dir, name) && ok;
    }
    return ok ? 0 : 1;
}
