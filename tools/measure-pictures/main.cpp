// Draws the measuring dialog during position 2 of 3 and after the third, with the average,
// then the room EQ dialog and the response graph with the fit of that average, in English
// and Chinese, into the folder given (default docs/images). The devices are those of a
// PulseAudio server of the tool's own; the room is simulated.
#include <QApplication>
#include <QDir>
#include <QPushButton>
#include <QSpinBox>
#include <QTemporaryDir>
#include <cstdio>

#include "PulseServer.h"
#include "SimulatedRoomPath.h"
#include "editor/graph/ResponseGraph.h"
#include "editor/roomeq/MeasureDialog.h"
#include "editor/roomeq/RoomEqDialog.h"
#include "editor/roomeq/RoomEqOverlays.h"
#include "model/ChannelSet.h"
#include "protocol/DeviceImage.h"
#include "roomeq/Fit.h"

namespace {

using namespace tolmarin;

bool Save(const QImage& image, const QDir& dir, const QString& name) {
    const QString path = dir.filePath(name);
    if (!image.save(path)) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
        return false;
    }
    std::printf("%s\n", qPrintable(path));
    return true;
}

// The same room from three microphone positions: its modes move a little between them.
std::vector<live::SimulatedRoomPath::Peak> RoomAt(int position) {
    const double shift = 1.0 + 0.08 * position;
    return {{58.0 * shift, 9.0, 4.0},
            {170.0 / shift, -7.0, 3.0},
            {1200.0, 3.0 + position, 1.2},
            {9000.0, -4.0, 0.7}};
}

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    testing::PulseServer server;
    if (!server.Problem().isEmpty()) {
        std::fprintf(stderr, "%s\n", qPrintable(server.Problem()));
        return 1;
    }
    QApplication app(argc, argv);
    const QDir dir(argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("docs/images"));
    if (!QDir().mkpath(dir.path())) {
        std::fprintf(stderr, "cannot create %s\n", qPrintable(dir.path()));
        return 1;
    }
    QTemporaryDir saved;
    bool ok = true;
    for (const auto& [language, tag] : {std::pair{Language::English, QStringLiteral("en")},
                                        std::pair{Language::Chinese, QStringLiteral("zh")}}) {
        live::SimulatedRoomPath* path = nullptr;
        MeasureDialog measuring(language, live::ListAudioDevices(),
                                [&](const QAudioDevice&, const QAudioDevice&) {
                                    auto p = std::make_unique<live::SimulatedRoomPath>();
                                    p->SetAutoFinish(false);
                                    p->SetRoom(RoomAt(1));
                                    path = p.get();
                                    return std::unique_ptr<live::AudioPath>(std::move(p));
                                });
        measuring.SetSaveFolder(saved.path());
        measuring.findChild<QSpinBox*>(QStringLiteral("livePositions"))->setValue(3);
        measuring.show();
        // Position 1 measured, position 2 playing.
        measuring.MeasurePosition();
        path->Finish();
        path->SetRoom(RoomAt(2));
        measuring.MeasurePosition();
        measuring.adjustSize();
        ok = Save(measuring.grab().toImage(), dir, "measure-live-position2-" + tag + ".png") && ok;
        path->Finish();
        path->SetRoom(RoomAt(3));
        measuring.MeasurePosition();
        path->Finish();
        ok = Save(measuring.grab().toImage(), dir, "measure-live-averaged-" + tag + ".png") && ok;
        if (!measuring.Use()) {
            std::fprintf(stderr, "%s\n", qPrintable(measuring.Report()));
            return 1;
        }

        // The average fitted as a measurement file is, and the fit on the response graph.
        SharedState state;
        InitDeviceImage(state);
        InitSystemBytes(state.image);
        ChannelSet set(state);
        OutputChannel& ch1 = set.Channel(0);
        RoomEqOverlays curves;
        RoomEqDialog eq(FiltersOf(ch1), 0, language, &curves);
        eq.SetMeasurementPath(measuring.SavedPath());
        if (!eq.RunFit() || !eq.Measured()) {
            std::fprintf(stderr, "%s\n", qPrintable(eq.Report()));
            return 1;
        }
        eq.adjustSize();
        ok = Save(eq.grab().toImage(), dir, "measure-fit-dialog-" + tag + ".png") && ok;
        for (int k = 0; k < roomeq::kBands; ++k) {
            ch1.Eq().LoadBand((*eq.Bands())[static_cast<std::size_t>(k)], k);
        }
        // The graph has no words: one picture of it.
        if (language == Language::English) {
            QObject form;
            ResponseGraph graph;
            graph.resize(760, 300);
            graph.AttachChannels(&set);
            graph.SetPlotArea();
            graph.SetParentView(&form);
            graph.SelectChannel(0);
            const auto [lo, hi] = roomeq::DefaultRange(FiltersOf(ch1));
            curves.SetMeasurement(0, *eq.Measured(), lo, hi, roomeq::kMeasureLowHz,
                                  roomeq::kMeasureHighHz);
            graph.SetOverlays(curves.For(ch1));
            ok = Save(graph.RenderToImage(), dir, QStringLiteral("measure-fit-graph.png")) && ok;
        }
    }
    return ok ? 0 : 1;
}
