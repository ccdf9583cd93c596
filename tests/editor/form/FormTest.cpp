// The main form driven through its real controls: start-up, handlers, mirroring, modes and
// language.
#include <gtest/gtest.h>

#include <QDir>
#include <QImage>

#include "FormRig.h"
#include "controls/Fader.h"
#include "controls/NumberSpin.h"
#include "controls/PictureButton.h"
#include "controls/PictureRadio.h"
#include "editor/form/FormLayout.h"
#include "editor/graph/ResponseGraph.h"
#include "formdesc/FormIds.h"
#include "model/Parameters.h"
#include "protocol/DeviceImage.h"

namespace tolmarin::testing {
namespace {

using namespace form;

bool On(FormRig& r, int id) {
    return r.Get<PictureButton>(id)->IsOn();
}
int Pos(FormRig& r, int spinId) {
    return r.Get<NumberSpin>(spinId)->GetPos();
}
QString Text(FormRig& r, int fieldId) {
    return r.Get<NumberField>(fieldId)->text();
}

TEST(FormStartUp, ShowsCh1WithTheRecordDefaultsAndEveryBandBypassed) {
    FormRig r;
    EXPECT_EQ(r.view->CurrentChannel(), 0);
    EXPECT_TRUE(On(r, kChannelButton));
    EXPECT_FALSE(On(r, kChannelButton + 1));
    EXPECT_EQ(Pos(r, kDelaySpin), 0);
    EXPECT_EQ(Pos(r, kHpSpin), 20);
    EXPECT_EQ(Pos(r, kLpSpin), 20000);
    EXPECT_EQ(Pos(r, kThresholdSpin), 200);
    EXPECT_EQ(Pos(r, kAttackSpin), 106);
    EXPECT_EQ(r.List(kRelease)->currentText(), QStringLiteral("Atk × 2"));
    EXPECT_EQ(Pos(r, kVolumeSpin), 0);
    for (int k = 0; k < kBandCount; ++k) {
        EXPECT_TRUE(On(r, kBandBypass + k)) << "band " << k;
        EXPECT_EQ(Text(r, kBandGain + k), QStringLiteral("0.0")) << "band " << k;
        EXPECT_EQ(r.Get<Fader>(kBandFader + k)->GetPosReversed(), 200);
    }
    EXPECT_TRUE(On(r, kPower));
    EXPECT_EQ(r.List(kAmpMode)->currentIndex(), kModeStereo);
    EXPECT_TRUE(QDir(r.view->MusicFolder()).exists());
}

TEST(FormBands, ShelfTypeNarrowsTheFrequencyRangeAndPeakingWidensItAgain) {
    FormRig r;
    const int k = 2;
    r.Choose(kBandType + k, 1);  // low shelf
    EXPECT_EQ(r.channels.Channel(0).Band(k).GetEqKind(), 1);
    EXPECT_FALSE(r.Get<NumberField>(kBandQ + k)->isEnabled());
    r.Type(kBandFreq + k, "5000");  // above a low shelf's range: limited to 2000
    EXPECT_EQ(Pos(r, kBandFreqSpin + k), 2000);
    EXPECT_EQ(r.channels.Channel(0).Band(k).GetFreq(), 2000);

    r.Choose(kBandType + k, 0);  // peaking
    EXPECT_TRUE(r.Get<NumberField>(kBandQ + k)->isEnabled());
    r.Type(kBandFreq + k, "5000");
    EXPECT_EQ(r.channels.Channel(0).Band(k).GetFreq(), 5000);

    r.Choose(kBandType + k, 3);  // high shelf from 5000 keeps 5000; below 2000 is refused
    r.Type(kBandFreq + k, "100");
    EXPECT_EQ(Pos(r, kBandFreqSpin + k), 2000);
}

// The graph only announces a drag; the form moves the band's fader while the button is
// still held, before the change notice arrives.
TEST(FormBands, DraggingABandOnTheGraphMovesItsOwnFaderAtOnce) {
    FormRig r;
    const int k = 3;
    auto* graph = r.Get<ResponseGraph>(kGraph);
    const Filter& band = r.channels.Channel(0).Band(k);
    const Point c = graph->Interaction().Marks(band).main.Center();
    const QPoint handle(c.x, c.y);
    QMouseEvent hover(QEvent::MouseMove, handle, graph->mapToGlobal(handle), Qt::NoButton,
                      Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(graph, &hover);
    QTest::mousePress(graph, Qt::LeftButton, {}, handle);
    QTest::mouseMove(graph, handle + QPoint(0, -40));
    EXPECT_GT(band.GetGainStep(), 200);
    EXPECT_EQ(r.Get<Fader>(kBandFader + k)->GetPosReversed(), band.GetGainStep());
    EXPECT_EQ(r.Get<Fader>(kBandFader + k - 1)->GetPosReversed(), 200);
    QTest::mouseRelease(graph, Qt::LeftButton, {}, handle + QPoint(0, -40));
}

TEST(FormCrossover, HighPassTypedAboveTheLowPassSnapsDownToIt) {
    FormRig r;
    r.Type(kLpFreq, "400");
    ASSERT_EQ(r.channels.Channel(0).LowPass().GetFreq(), 400);
    EXPECT_TRUE(r.view->hasFocus()) << "Enter gives the focus to the form";
    r.Type(kHpFreq, "500");
    EXPECT_EQ(Pos(r, kHpSpin), 400);
    EXPECT_EQ(Text(r, kHpFreq), QStringLiteral("400"));
    EXPECT_EQ(r.channels.Channel(0).HighPass().GetFreq(), 400);
    r.Type(kLpFreq, "100");  // and the low-pass snaps up to the high-pass
    EXPECT_EQ(r.channels.Channel(0).LowPass().GetFreq(), 400);
}

TEST(FormBands, GainOfZeroDbBypassesTheBandAndAnyOtherGainReleasesIt) {
    FormRig r;
    const int k = 4;
    r.Type(kBandGain + k, "3");
    EXPECT_EQ(r.channels.Channel(0).Band(k).GetGainStep(), 230);
    EXPECT_FALSE(On(r, kBandBypass + k));
    EXPECT_EQ(r.Get<Fader>(kBandFader + k)->GetPosReversed(), 230);

    r.Type(kBandGain + k, "0");
    EXPECT_NE(r.channels.Channel(0).Band(k).GetBypass(), 0);
    EXPECT_TRUE(On(r, kBandBypass + k));
    EXPECT_EQ(Text(r, kBandGain + k), QStringLiteral("0.0"));

    // A flat band refuses to leave bypass: the button stays checked.
    r.Click(r.Get<PictureButton>(kBandBypass + k));
    EXPECT_TRUE(On(r, kBandBypass + k));
}

TEST(FormLinkedChannels, BandEditsFollowOnCh2ButMuteStaysOnItsOwnChannel) {
    FormRig r;
    r.channels.SetSending(true);
    r.Click(r.Get<PictureRadio>(kLinkCheck));
    ASSERT_TRUE(r.channels.Ch1Ch2Linked());
    r.channels.ClearAllPending(false);

    r.Type(kBandGain + 1, "-6");
    EXPECT_EQ(r.channels.Channel(1).Band(1).GetGainStep(), 140);
    EXPECT_TRUE(r.channels.Channel(0).Band(1).IsPending());
    EXPECT_TRUE(r.channels.Channel(1).Band(1).IsPending());

    const auto ch2Mute = r.channels.Channel(1).GetOutputOn();
    r.Click(r.Get<PictureButton>(kMute));
    EXPECT_EQ(r.channels.Channel(1).GetOutputOn(), ch2Mute);

    r.Click(r.Get<PictureRadio>(kLinkCheck));  // unchecked: unlinked, values kept
    EXPECT_FALSE(r.channels.Ch1Ch2Linked());
    EXPECT_EQ(r.channels.Channel(1).Band(1).GetGainStep(), 140);
}

TEST(FormModes, BridgeShowsCh1AndLocksCh2AndStereoUnlocksWithoutRelinking) {
    FormRig r;
    r.Click(r.Get<PictureRadio>(kLinkCheck));
    r.Click(r.Get<PictureButton>(kChannelButton + 1));
    ASSERT_EQ(r.view->CurrentChannel(), 1);

    r.Choose(kAmpMode, kModeBridge);
    EXPECT_EQ(r.fresh->image.systemBytes[sysbyte::kModeCh12], kModeBridge);
    EXPECT_EQ(r.view->CurrentChannel(), 0);
    EXPECT_FALSE(r.channels.Ch1Ch2Linked());
    auto* check = r.Get<PictureRadio>(kLinkCheck);
    EXPECT_FALSE(check->isChecked());
    EXPECT_FALSE(check->isEnabled());
    for (int id : {kChannelButton + 1, kMute + 1, kPolarity + 1, kSensitivity + 1}) {
        EXPECT_FALSE(r.view->Control(id)->isEnabled()) << id;
    }

    r.Choose(kAmpMode, kModeStereo);
    for (int id : {kLinkCheck, kChannelButton + 1, kMute + 1, kPolarity + 1, kSensitivity + 1}) {
        EXPECT_TRUE(r.view->Control(id)->isEnabled()) << id;
    }
    EXPECT_FALSE(check->isChecked());
    EXPECT_FALSE(r.channels.Ch1Ch2Linked());
}

TEST(FormLanguage, SwitchingTwiceGivesBackEveryTextPictureAndSelection) {
    FormRig r;
    r.Choose(kBandType + 5, 4);
    r.Choose(kHpFamily, 2);
    r.Choose(kAmpMode, kModeParallel);
    // The strip's count of unsaved edits shows now, not at its next refresh between pictures.
    r.view->ShowPendingCount();
    const QImage before = r.view->grab().toImage();
    const QString family = r.List(kHpFamily)->currentText();

    r.Click(r.Get<PictureButton>(kLanguage));
    EXPECT_EQ(r.fresh->ui.language, Language::Chinese);
    EXPECT_EQ(r.List(kHpFamily)->currentText(), QStringLiteral("巴特沃斯"));
    EXPECT_EQ(r.List(kBandType + 5)->currentText(), QStringLiteral("高架/12dB"));
    EXPECT_EQ(r.List(kAmpMode)->currentText(), QStringLiteral("并接"));
    EXPECT_NE(r.view->grab().toImage(), before);

    r.Click(r.Get<PictureButton>(kLanguage));
    EXPECT_EQ(r.List(kHpFamily)->currentText(), family);
    EXPECT_EQ(r.view->grab().toImage(), before);
}

TEST(FormDescription, EveryWidgetStandsWhereTheDescriptionPlacesItInBothLanguages) {
    FormRig r;
    for (int pass = 0; pass < 2; ++pass) {
        for (const ControlDef& c : FormControls()) {
            QRect where = r.view->Control(c.id)->geometry();
            if (c.kind == ControlKind::NumField) {
                where = where.united(r.view->Control(c.spinId)->geometry());
            }
            EXPECT_EQ(where, ToQRect(PlacedRect(c))) << c.objectName << " pass " << pass;
        }
        r.Click(r.Get<PictureButton>(kLanguage));
    }
}

TEST(FormSystem, SensitivityAndPowerChangeTheSystemBytesAndTheInputGain) {
    FormRig r;
    r.Choose(kSensitivity + 1, 1);
    EXPECT_EQ(r.fresh->image.systemBytes[sysbyte::kSensitivity1 + 1], 1);
    EXPECT_EQ(r.channels.Channel(1).GetInputGain(), 578);
    r.view->SetAsker([](const MainForm::Question&) { return 0; });  // "Switch off"
    r.Click(r.Get<PictureButton>(kPower));
    EXPECT_EQ(r.fresh->image.systemBytes[sysbyte::kPower], 0);
    EXPECT_FALSE(On(r, kPower));
}

}  // namespace
}  // namespace tolmarin::testing

namespace tolmarin::testing {
namespace {

// Catches a control of the description bound to a name the parameter table lacks (it would
// silently edit nothing) and a field whose range is not its parameter's.
TEST(FormBinding, EveryDescribedParameterExistsAndFieldsTakeItsRange) {
    FormRig r;
    for (const ControlDef& c : FormControls()) {
        if (c.param.empty()) {
            continue;
        }
        const ParamDef* p = ParamByName(c.param);
        ASSERT_NE(p, nullptr) << c.objectName;
        if (c.kind == ControlKind::NumField && p->id != Param::BandFreq) {
            auto* spin = r.Get<NumberSpin>(c.spinId);
            EXPECT_EQ(spin->Minimum(), p->number.low) << c.objectName;
            EXPECT_EQ(spin->Maximum(), p->number.high) << c.objectName;
        }
    }
}

// Catches a parameter's second control left behind: the delay in metres and feet and the
// volume fader must show what was typed in the other control.
TEST(FormBinding, ControlsOfOneParameterFollowEachOther) {
    FormRig r;
    r.Type(kDelayMs, "10");
    EXPECT_EQ(r.channels.Channel(0).GetDelay(), 477);
    EXPECT_EQ(Pos(r, kDelaySpin + 1), 477);
    EXPECT_EQ(Pos(r, kDelaySpin + 2), 477);

    r.Type(kVolume, "-12");
    EXPECT_EQ(r.channels.Channel(0).GetVolumeDb(), 48);
    EXPECT_EQ(r.Get<Fader>(kVolumeFader)->GetPosReversed(), 48);
}

}  // namespace
}  // namespace tolmarin::testing
