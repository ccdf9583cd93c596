// Draws the response graph with a synthetic room measurement of CH1 and its predicted
// result, before and after the room EQ fit, the fit dialog, the form's live graph before and
// after the fit is applied and the form's bottom strip, into the folder given (default
// docs/images).
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QSettings>
#include <QTemporaryDir>
#include <cmath>
#include <cstdio>

#include "art/Artwork.h"
#include "controls/BitmapSource.h"
#include "controls/ControlsUi.h"
#include "editor/form/MainForm.h"
#include "editor/graph/ResponseGraph.h"
#include "editor/roomeq/RoomEqDialog.h"
#include "editor/roomeq/RoomEqOverlays.h"
#include "formdesc/FormIds.h"
#include "model/ChannelSet.h"
#include "protocol/DeviceImage.h"
#include "roomeq/Fit.h"
#include "roomeq/Measurement.h"

namespace {

using namespace tolmarin;

constexpr int kGraphWidth = 760;
constexpr int kGraphHeight = 300;

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

// The measurement around 0 dB and the measurement plus the channel's response, as the form
// lays them over its graph.
std::vector<GraphOverlay> Overlays(const GridResponse& measured, const OutputChannel& ch, double lo,
                                   double hi) {
    RoomEqOverlays curves;
    curves.SetMeasurement(ch.GetIndex(), measured, lo, hi, roomeq::kMeasureLowHz,
                          roomeq::kMeasureHighHz);
    return curves.For(ch);
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

// The editor's own form: its live graph with CH1's measurement and predicted result before
// and after the fit is applied, and the strip below the equaliser in both languages.
bool FormPictures(const QDir& dir, const QString& measurementPath) {
    SetBitmapLoader([](int id) { return art::Bitmap(id); });
    SharedState state;
    InitDeviceImage(state);
    InitSystemBytes(state.image);
    SetControlsUiState(&state.ui);
    ChannelSet set(state);
    QTemporaryDir work;
    QSettings settings(work.filePath(QStringLiteral("settings.ini")), QSettings::IniFormat);
    // CH1 as an installer might have left it by ear: a cut at 63 Hz, a lifted top.
    set.Channel(0).Eq().LoadBand({63, 170, 5, 0, 0}, 0);
    set.Channel(0).Eq().LoadBand({8000, 230, 5, 0, 2}, 7);
    MainForm form(state, set, settings, work.path());
    form.show();
    QWidget* graph = form.Control(form::kGraph);

    RoomEqDialog dialog(FiltersOf(form.Current()), 0, Language::English, &form.RoomEqCurves(),
                        &form);
    dialog.SetMeasurementPath(measurementPath);
    bool ok = dialog.RunFit() && dialog.Bands().has_value();
    ok = ok && Save(graph->grab().toImage(), dir, "roomeq-form-before.png");
    ok = ok && form.ApplyBands(0, *dialog.Bands()) > 0;
    ok = ok && Save(graph->grab().toImage(), dir, "roomeq-form-after.png");

    const QRect strip(0, 620, form.width(), form.height() - 620);
    ok = ok && Save(form.grab(strip).toImage(), dir, "form-strip-en.png");
    form.ToggleLanguage();
    ok = ok && Save(form.grab(strip).toImage(), dir, "form-strip-zh.png");
    SetControlsUiState(nullptr);
    return ok;
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

    // The fit dialog in both languages, after a fit of the same room written as REW does and
    // before Apply: the channels it changes, the fitted bands and the predicted curve.
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
        RoomEqOverlays curves;
        RoomEqDialog dialog(FiltersOf(set.Channel(1)), 1, language, &curves);
        dialog.SetLinked(true);  // as CH1 and CH2 usually are in a room
        dialog.SetMeasurementPath(path);
        dialog.RunFit();
        dialog.adjustSize();
        ok = Save(dialog.grab().toImage(), dir, name) && ok;
    }
    return FormPictures(dir, path) && ok ? 0 : 1;
}
