// The measuring dialog as the operator drives it: from files without a sound card, live
// position by position over a simulated room, and from the room EQ dialog to a fit.
#include <gtest/gtest.h>

#include <QAudioDevice>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QSpinBox>
#include <QTest>

#include "SimulatedRoomPath.h"
#include "editor/roomeq/MeasureDialog.h"
#include "editor/roomeq/RoomEqDialog.h"
#include "measure/Wav.h"
#include "roomeq/Measurement.h"
#include "roomeq/Model.h"
#include "support/TempDir.h"

namespace tolmarin::testing {
namespace {

using live::SimulatedRoomPath;

QString T(TextId id) {
    return QString::fromUtf8(UiState{}.Text(id));
}

live::AudioDevices OneOfEach() {
    return {{QAudioDevice()}, {QAudioDevice()}};
}

// A dialog whose live path is a simulated room; path is the latest one made.
struct Rig {
    explicit Rig(live::AudioDevices devices = OneOfEach())
        : dialog(Language::English, std::move(devices),
                 [this](const QAudioDevice&, const QAudioDevice&) {
                     auto p = std::make_unique<SimulatedRoomPath>();
                     p->SetRoom({{120.0, 8.0, 3.0}});
                     p->SetAutoFinish(autoFinish);
                     path = p.get();
                     return std::unique_ptr<live::AudioPath>(std::move(p));
                 }) {
        dialog.SetSaveFolder(QString::fromStdString(dir.PathOf("saved")));
        dialog.SetAsker([this](const QString& q) {
            asked = q;
            return answer;
        });
        dialog.findChild<QSpinBox*>(QStringLiteral("livePositions"))->setValue(3);
    }
    void Click(const char* name) {
        auto* b = dialog.findChild<QPushButton*>(QString::fromLatin1(name));
        ASSERT_NE(b, nullptr) << name;
        QTest::mouseClick(b, Qt::LeftButton);
    }
    QString Status() const { return dialog.LiveStatus(); }

    TempDir dir{"measure-dialog"};
    bool autoFinish = true;
    bool answer = false;
    QString asked;
    SimulatedRoomPath* path = nullptr;
    MeasureDialog dialog;
};

std::string WriteFile(const TempDir& dir, const std::string& name, const std::string& bytes) {
    const std::string path = dir.PathOf(name);
    QFile f(QString::fromStdString(path));
    EXPECT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes.data(), static_cast<qint64>(bytes.size()));
    return path;
}

// A short sweep file and one recording of it, delayed and at half the level.
void GiveFiles(Rig& r) {
    measure::SweepParams params;
    params.samples = 1 << 16;
    const measure::Sweep sweep = measure::MakeSweep(params);
    std::vector<double> recording(3000, 0.0);
    for (const double v : sweep.samples) {
        recording.push_back(0.5 * v);
    }
    r.dialog.SetSweepFile(
        QString::fromStdString(WriteFile(r.dir, "sweep.wav", measure::SweepWavBytes(sweep))));
    r.dialog.AddRecording(QString::fromStdString(
        WriteFile(r.dir, "pos1.wav",
                  measure::WavBytes(recording, params.rate, measure::WavEncoding::Float32, ""))));
}

TEST(MeasureDialogFiles, WithoutADeviceLiveSaysWhyAndTheFilesStillMeasureToAReadableText) {
    Rig r(live::AudioDevices{});
    EXPECT_FALSE(r.dialog.LiveOffered());
    EXPECT_EQ(r.Status(), T(TextId::LiveNoOutputDevice));
    EXPECT_FALSE(r.dialog.findChild<QPushButton*>(QStringLiteral("measurePosition"))->isEnabled());

    GiveFiles(r);
    r.Click("measureFiles");
    ASSERT_TRUE(r.dialog.Result()) << r.dialog.Report().toStdString();
    EXPECT_TRUE(r.dialog.Report().contains(QStringLiteral("pos1.wav")));
    r.Click("useMeasurement");
    EXPECT_EQ(r.dialog.result(), QDialog::Accepted);
    QFile saved(r.dialog.SavedPath());
    ASSERT_TRUE(saved.open(QIODevice::ReadOnly)) << r.dialog.Report().toStdString();
    const QByteArray text = saved.readAll();
    const roomeq::ParseOutcome read =
        roomeq::ParseMeasurement(std::string_view(text.constData(), text.size()));
    ASSERT_TRUE(read.measurement) << "the saved measurement is not one the fit reads";
    EXPECT_TRUE(roomeq::Covers(*read.measurement, 40.0, 16000.0));
}

TEST(MeasureDialogFiles, TheSavedTextStatesTheSmoothingItWasMeasuredWith) {
    Rig r;
    GiveFiles(r);
    auto* smoothing = r.dialog.findChild<QComboBox*>(QStringLiteral("measureSmoothing"));
    smoothing->setCurrentIndex(2);  // 1/6
    r.Click("measureFiles");
    ASSERT_TRUE(r.dialog.Result()) << r.dialog.Report().toStdString();
    smoothing->setCurrentIndex(0);  // chosen after the measurement
    r.Click("useMeasurement");
    QFile saved(r.dialog.SavedPath());
    ASSERT_TRUE(saved.open(QIODevice::ReadOnly));
    EXPECT_TRUE(saved.readAll().contains("* Smoothing: 1/6 octave"));
}

TEST(MeasureDialogLive, PositionsFollowTheClicksAndTheAverageComesLast) {
    Rig r;
    ASSERT_TRUE(r.dialog.LiveOffered());
    r.autoFinish = false;
    EXPECT_EQ(r.Status(), QStringLiteral("Position 1 of 3: place the microphone, then click "
                                         "Measure position 1"));
    r.Click("measurePosition");
    ASSERT_NE(r.path, nullptr);
    EXPECT_TRUE(r.Status().startsWith(QStringLiteral("Position 1 of 3: the sweep is playing")));
    // While measuring, the settings hold and only Stop can be clicked.
    EXPECT_FALSE(r.dialog.findChild<QDoubleSpinBox*>(QStringLiteral("liveLevel"))->isEnabled());
    EXPECT_TRUE(r.dialog.findChild<QPushButton*>(QStringLiteral("stopLive"))->isEnabled());
    r.path->Finish();
    EXPECT_TRUE(r.Status().startsWith(QStringLiteral("Position 2 of 3: place")));
    EXPECT_FALSE(r.dialog.findChild<QSpinBox*>(QStringLiteral("livePositions"))->isEnabled());
    EXPECT_FALSE(r.dialog.Result()) << "an average before the last position";
    for (int k = 2; k <= 3; ++k) {
        r.Click("measurePosition");
        r.path->Finish();
    }
    EXPECT_EQ(r.Status(), QStringLiteral("All 3 positions measured and averaged"));
    ASSERT_TRUE(r.dialog.Result());
    EXPECT_EQ(r.path->starts, 3);
    EXPECT_TRUE(r.dialog.findChild<QPushButton*>(QStringLiteral("useMeasurement"))->isEnabled());
}

TEST(MeasureDialogLive, StopSilencesAtOnceAndThePositionIsMeasuredAgain) {
    Rig r;
    r.autoFinish = false;
    r.Click("measurePosition");
    r.Click("stopLive");
    EXPECT_FALSE(r.path->Running());
    EXPECT_EQ(r.dialog.Report(), QStringLiteral("Stopped: position 1 was not measured"));
    EXPECT_TRUE(r.Status().startsWith(QStringLiteral("Position 1 of 3: place")));
    // Closing the dialog mid-sweep silences it too.
    r.Click("measurePosition");
    ASSERT_TRUE(r.path->Running());
    r.dialog.reject();
    EXPECT_FALSE(r.path->Running());
}

TEST(MeasureDialogLive, ALoudLevelIsAskedFirstAndNoMeansNothingPlays) {
    struct Case {
        double level;
        bool answer;
        bool asked;
        bool plays;
    };
    for (const Case c : {Case{-20.0, false, false, true}, Case{-6.0, false, false, true},
                         Case{-3.0, false, true, false}, Case{-3.0, true, true, true}}) {
        Rig r;
        r.answer = c.answer;
        r.dialog.findChild<QDoubleSpinBox*>(QStringLiteral("liveLevel"))->setValue(c.level);
        r.Click("measurePosition");
        EXPECT_EQ(!r.asked.isEmpty(), c.asked) << c.level;
        EXPECT_EQ(r.path != nullptr && r.path->starts == 1, c.plays) << c.level;
    }
}

TEST(RoomEqMeasureEntry, TheMeasuredRoomIsFittedAsAMeasurementFile) {
    TempDir dir("measure-entry");
    roomeq::ChannelFilters channel;
    RoomEqDialog eq(channel, 0, Language::English);
    SimulatedRoomPath* path = nullptr;
    eq.SetMeasureMaker([&](QWidget* parent) {
        auto* d = new MeasureDialog(
            Language::English, OneOfEach(),
            [&](const QAudioDevice&, const QAudioDevice&) {
                auto p = std::make_unique<SimulatedRoomPath>();
                p->SetRoom({{90.0, 9.0, 4.0}});
                path = p.get();
                return std::unique_ptr<live::AudioPath>(std::move(p));
            },
            parent);
        d->SetSaveFolder(QString::fromStdString(dir.PathOf("m")));
        return d;
    });
    QTest::mouseClick(eq.findChild<QPushButton*>(QStringLiteral("measureRoom")), Qt::LeftButton);
    auto* measuring = eq.findChild<MeasureDialog*>();
    ASSERT_NE(measuring, nullptr);
    measuring->findChild<QSpinBox*>(QStringLiteral("livePositions"))->setValue(2);
    auto* next = measuring->findChild<QPushButton*>(QStringLiteral("measurePosition"));
    for (int k = 1; k <= 2; ++k) {
        QTest::mouseClick(next, Qt::LeftButton);
        QTRY_COMPARE(measuring->Session()->Measured().size(), static_cast<std::size_t>(k));
    }
    const QString saved = [&] {
        QTest::mouseClick(measuring->findChild<QPushButton*>(QStringLiteral("useMeasurement")),
                          Qt::LeftButton);
        return measuring->SavedPath();
    }();
    EXPECT_EQ(eq.MeasurementPath(), saved);
    ASSERT_TRUE(eq.Result()) << eq.Report().toStdString();
    EXPECT_LT(eq.Result()->rmsAfter, eq.Result()->rmsBefore);
}

}  // namespace
}  // namespace tolmarin::testing
