// The room EQ on the form: a fit applied as one edit goes out through the paced pending
// scan, band by band, and the measurement with its predicted result follows the live graph.
#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QGuiApplication>
#include <QLabel>
#include <QPushButton>
#include <QScrollArea>
#include <QTest>
#include <QTimer>

#include <cmath>
#include <filesystem>

#include <fstream>
#include <map>
#include <utility>

#include "LinkedForm.h"
#include "controls/NumberSpin.h"
#include "controls/PictureButton.h"
#include "controls/PictureRadio.h"
#include "editor/form/LinkDialogs.h"
#include "editor/graph/ResponseGraph.h"
#include "editor/roomeq/RoomEqDialog.h"
#include "editor/roomeq/RoomEqOverlays.h"
#include "formdesc/FormIds.h"
#include "roomeq/Exchange.h"
#include "roomeq/Model.h"

namespace tolmarin::testing {
namespace {

using namespace form;
using Bands = std::array<BandRecord, kEqBandCount>;

constexpr std::uint8_t kWriteCommand = 0xA1;
constexpr std::uint8_t kSubBlockSection = 4;
constexpr int kFirstBandSubBlock = 5;
constexpr std::size_t kPayloadAt = 12;

Bands KnownBands() {
    Bands b{};
    for (int k = 0; k < kEqBandCount; ++k) {
        b[static_cast<std::size_t>(k)] = {static_cast<std::int16_t>(kDefaultBandFreq[k]), 200, 5, 0,
                                          0};
    }
    return b;
}

// Bands 1, 4 and 6 changed (gain; frequency within an octave, gain and width; shelf type).
Bands Fitted() {
    Bands b = KnownBands();
    b[1].gainStep = 230;
    b[4] = {800, 170, 10, 0, 0};
    b[6] = {4000, 215, 5, 1, 2};
    return b;
}

// The band records written to the amplifier since the last call: (channel, band) -> record.
std::map<std::pair<int, int>, BandRecord> TakeBandWrites(LinkedForm& r) {
    std::map<std::pair<int, int>, BandRecord> out;
    for (const Bytes& f : r.serial.writes) {
        if (f.size() > kPayloadAt + 8 && f[4] == kWriteCommand && f[7] == kSubBlockSection &&
            f[9] >= kFirstBandSubBlock && f[9] < kFirstBandSubBlock + kEqBandCount) {
            const auto key = std::pair{int{f[8]}, f[9] - kFirstBandSubBlock};
            EXPECT_EQ(out.count(key), 0U)
                << "band " << key.second << " of CH" << key.first + 1 << " sent twice";
            out[key] = ReadBandRecord(f, kPayloadAt);
        }
    }
    r.serial.writes.clear();
    return out;
}

struct RoomEqForm : LinkedForm {
    RoomEqForm() {
        EXPECT_TRUE(LinkUp());
        // The operator would wait for the done pop-up to go; the test does not.
        view->DoneWindow().hide();
        view->BusyWindow().ShowBusy(BusyState::Hidden);
        // Both channels hold known bands, in the records and in the live program.
        for (int ch = 0; ch < 2; ++ch) {
            for (int k = 0; k < kEqBandCount; ++k) {
                channels.Channel(ch).Eq().LoadBand(KnownBands()[static_cast<std::size_t>(k)], k);
            }
        }
        channels.WriteAllToImage();
        view->ShowState(0);
        Step(10);
        serial.writes.clear();
    }
};

TEST(FormRoomEq, AppliedFitSendsOneRecordPerChangedBandOnlyOnItsOwnChannelWhenUnlinked) {
    RoomEqForm r;
    EXPECT_EQ(r.view->ApplyBands(0, Fitted()), 3);
    EXPECT_EQ(r.view->ApplyBands(0, Fitted()), 0);  // the same again changes nothing
    r.Step(20);
    const auto sent = TakeBandWrites(r);
    ASSERT_EQ(sent.size(), 3U);
    for (int k : {1, 4, 6}) {
        EXPECT_EQ(sent.at({0, k}), Fitted()[static_cast<std::size_t>(k)]) << "band " << k;
    }
    // The form shows the result.
    EXPECT_EQ(r.Get<NumberSpin>(kBandFreqSpin + 4)->GetPos(), 800);
    EXPECT_EQ(r.Get<NumberSpin>(kBandGainSpin + 1)->GetPos(), 230);
    EXPECT_EQ(r.List(kBandType + 6)->currentIndex(), 4);  // high shelf, steep
}

TEST(FormRoomEq, AppliedFitIsMirroredToTheLinkedChannelBandForBand) {
    RoomEqForm r;
    r.Click(r.Get<PictureRadio>(kLinkCheck));
    ASSERT_TRUE(r.channels.Ch1Ch2Linked());
    r.Step(10);
    r.serial.writes.clear();

    EXPECT_EQ(r.view->ApplyBands(0, Fitted()), 3);
    r.Step(30);
    const auto sent = TakeBandWrites(r);
    ASSERT_EQ(sent.size(), 6U);
    for (int ch : {0, 1}) {
        for (int k : {1, 4, 6}) {
            EXPECT_EQ(sent.at({ch, k}), Fitted()[static_cast<std::size_t>(k)])
                << "CH" << ch + 1 << " band " << k;
        }
    }
}

// The curves are worked out when drawn: they follow band edits and the channel shown, and
// each switch and the clear act on them.
TEST(FormRoomEq, MeasurementCurvesFollowTheBandsAndTheShownChannelUntilCleared) {
    FormRig r;
    RoomEqOverlays& curves = r.view->RoomEqCurves();
    GridResponse measured{};
    measured.fill(80.0);
    curves.SetMeasurement(0, measured, 100.0, 10000.0, 20.0, 20000.0);
    const auto predictedAt = [&](std::size_t i) { return curves.For(r.view->Current())[1].db[i]; };
    std::size_t at1k = 0;
    while (FreqTable[at1k] < 1000.0) {
        ++at1k;
    }
    EXPECT_NEAR(curves.For(r.view->Current())[0].db[at1k], 0.0, 1e-9);  // around 0 dB
    EXPECT_NEAR(predictedAt(at1k), 0.0, 1e-9);

    Bands boosted = KnownBands();
    boosted[5] = {1000, 260, 10, 0, 0};  // +6 dB at 1 kHz
    r.view->ApplyBands(0, boosted);
    EXPECT_NEAR(predictedAt(at1k), 6.0, 0.05);

    const auto drawsMeasurement = [&] {
        const QImage image = r.Get<ResponseGraph>(kGraph)->RenderToImage();
        for (int y = 0; y < image.height(); ++y) {
            for (int x = 0; x < image.width(); ++x) {
                if (image.pixelColor(x, y) == RoomEqOverlays::kMeasurementColour) {
                    return true;
                }
            }
        }
        return false;
    };
    EXPECT_TRUE(drawsMeasurement());
    r.view->ShowChannel(1);
    EXPECT_TRUE(curves.For(r.view->Current()).empty());
    EXPECT_FALSE(drawsMeasurement());
    r.view->ShowChannel(0);
    curves.SetShown(RoomEqOverlays::Curve::Measurement, false);
    ASSERT_EQ(curves.For(r.view->Current()).size(), 1U);
    EXPECT_EQ(curves.For(r.view->Current())[0].colour, RoomEqOverlays::kPredictedColour);
    EXPECT_FALSE(drawsMeasurement());
    curves.Clear(0);
    EXPECT_TRUE(curves.For(r.view->Current()).empty());
}

// The strip's button opens the dialog in the language of the moment.
TEST(FormRoomEq, StripButtonOpensTheDialogInTheCurrentLanguage) {
    FormRig r;
    r.view->ToggleLanguage();
    QString title;
    QTimer::singleShot(0, [&title] {
        if (auto* d = qobject_cast<RoomEqDialog*>(QApplication::activeModalWidget())) {
            title = d->windowTitle();
            d->reject();
        }
    });
    r.Click(r.Get<PictureButton>(kRoomEq));
    EXPECT_EQ(title, QStringLiteral("房间均衡"));
}

// Import in the dialog: what Apply then sets is the settings text snapped to the grids, and
// the report says what was left out.
TEST(FormRoomEq, ImportedSettingsTextIsWhatApplySetsAndItsNotesAreShown) {
    FormRig r;
    const std::string path = r.dir.PathOf("apo.txt");
    std::ofstream(path) << "Preamp: -3.0 dB\nFilter 1: ON PK Fc 1000 Hz Gain -3.0 dB Q 1.414\n";
    RoomEqDialog dialog(FiltersOf(r.view->Current()), 0, Language::English, nullptr);
    ASSERT_TRUE(dialog.ImportFrom(QString::fromStdString(path)));
    ASSERT_TRUE(dialog.Bands().has_value());
    EXPECT_EQ((*dialog.Bands())[0], (BandRecord{1000, 170, 19, 0, 0}));
    bool noted = false;
    for (const QLabel* label : dialog.findChildren<QLabel*>()) {
        noted = noted || label->text().contains(QStringLiteral("Preamp"));
    }
    EXPECT_TRUE(noted);
}

QPushButton* ButtonNamed(QWidget& w, const char* text) {
    for (QPushButton* b : w.findChildren<QPushButton*>()) {
        if (b->text() == QString::fromUtf8(text)) {
            return b;
        }
    }
    return nullptr;
}

// A REW-style measurement with a deep narrow dip, written as the tests' own data.
std::string WriteRoom(FormRig& r) {
    const std::string path = r.dir.PathOf("room.txt");
    std::ofstream m(path);
    m << "* Measurement data\n";
    for (double f = 15.0; f < 22000.0; f *= std::exp2(1.0 / 24.0)) {
        const double a = std::log2(f / 160.0) / 0.3;
        const double b = std::log2(f / 1500.0) / 0.2;
        m << f << ", " << 80.0 + 8.0 / (1.0 + a * a) - 9.0 / (1.0 + b * b) << ", 0\n";
    }
    return path;
}

// Which channels Apply changes is said before it, in both languages.
TEST(FormRoomEqDialog, DialogNamesTheChannelsApplyChanges) {
    FormRig r;
    const struct {
        Language language;
        int channel;
        bool linked;
        const char* says;
    } cases[] = {
        {Language::English, 0, false, "Apply changes CH1"},
        {Language::English, 1, true, "Apply changes CH1 and CH2, linked"},
        {Language::Chinese, 0, true, "应用将改变 CH1 和 CH2 (已联动)"},
        {Language::Chinese, 1, false, "应用将改变 CH2"},
    };
    for (const auto& c : cases) {
        RoomEqDialog dialog(FiltersOf(r.view->Current()), c.channel, c.language, nullptr);
        dialog.SetLinked(c.linked);
        bool shown = false;
        for (const QLabel* label : dialog.findChildren<QLabel*>()) {
            shown = shown || label->text() == QString::fromUtf8(c.says);
        }
        EXPECT_TRUE(shown) << c.says;
    }
}

// Before Apply the fit's bands are in the report and Copy copies them, not the bands the
// channel holds now; the report scrolls.
TEST(FormRoomEqDialog, FittedBandsAreShownAndCopiedBeforeApply) {
    FormRig r;
    RoomEqDialog dialog(FiltersOf(r.view->Current()), 0, Language::English, nullptr);
    dialog.SetMeasurementPath(QString::fromStdString(WriteRoom(r)));
    dialog.show();
    QTest::mouseClick(ButtonNamed(dialog, "Fit"), Qt::LeftButton);
    ASSERT_TRUE(dialog.Bands().has_value()) << dialog.Report().toStdString();
    const std::string fitted = roomeq::ExportText(*dialog.Bands(), "CH1");
    EXPECT_NE(fitted, roomeq::ExportText(FiltersOf(r.view->Current()).bands, "CH1"));
    EXPECT_TRUE(dialog.Report().contains(QString::fromStdString(fitted).trimmed()))
        << dialog.Report().toStdString();
    QTest::mouseClick(ButtonNamed(dialog, "Copy settings"), Qt::LeftButton);
    EXPECT_EQ(QGuiApplication::clipboard()->text().toStdString(), fitted);
    auto* area = dialog.findChild<QScrollArea*>();
    ASSERT_NE(area, nullptr);
    EXPECT_TRUE(area->widget()->findChildren<QLabel*>().empty() ||
                area->widget()->inherits("QLabel"));
    EXPECT_GT(area->widget()->sizeHint().height(), area->viewport()->height())
        << "a report longer than its box must scroll";
}

TEST(FormRoomEqDialog, ExportAddsTxtToANameWithoutASuffix) {
    FormRig r;
    RoomEqDialog dialog(FiltersOf(r.view->Current()), 0, Language::English, nullptr);
    ASSERT_TRUE(dialog.ExportTo(QString::fromStdString(r.dir.PathOf("front"))));
    EXPECT_TRUE(std::filesystem::exists(r.dir.PathOf("front.txt")));
    ASSERT_TRUE(dialog.ExportTo(QString::fromStdString(r.dir.PathOf("rear.cfg"))));
    EXPECT_TRUE(std::filesystem::exists(r.dir.PathOf("rear.cfg")));
}

// Imported bands that together boost beyond the dialog's largest boost are applied only
// after a question; "No" keeps the dialog open and applies nothing.
TEST(FormRoomEqDialog, ApplyAsksBeforeBandsThatBoostBeyondTheLimit) {
    FormRig r;
    const std::string path = r.dir.PathOf("boost.txt");
    std::ofstream(path) << "Filter 1: ON PK Fc 1000 Hz Gain 5 dB Q 1\n"
                           "Filter 2: ON PK Fc 1100 Hz Gain 5 dB Q 1\n";
    for (const bool answer : {false, true}) {
        RoomEqDialog dialog(FiltersOf(r.view->Current()), 0, Language::English, nullptr);
        ASSERT_TRUE(dialog.ImportFrom(QString::fromStdString(path)));
        dialog.show();
        QString asked;
        dialog.SetAsker([&](const QString& question) {
            asked = question;
            return answer;
        });
        QTest::mouseClick(ButtonNamed(dialog, "Apply"), Qt::LeftButton);
        EXPECT_TRUE(asked.contains(QStringLiteral("above the largest boost of 6.0 dB")))
            << asked.toStdString();
        EXPECT_EQ(dialog.result() == QDialog::Accepted, answer);
    }
    // Within the limit nothing is asked.
    std::ofstream(path) << "Filter 1: ON PK Fc 1000 Hz Gain 3 dB Q 1\n";
    RoomEqDialog dialog(FiltersOf(r.view->Current()), 0, Language::English, nullptr);
    ASSERT_TRUE(dialog.ImportFrom(QString::fromStdString(path)));
    dialog.SetAsker([](const QString&) {
        ADD_FAILURE() << "asked within the limit";
        return false;
    });
    dialog.show();
    QTest::mouseClick(ButtonNamed(dialog, "Apply"), Qt::LeftButton);
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
}

}  // namespace
}  // namespace tolmarin::testing
