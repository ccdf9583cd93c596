// What the form shows and allows in each state: power off asked first, every value the model
// holds shown as it is, the done pop-up holding the form, nothing stale once unlinked.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDialog>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <memory>

#include "LinkedForm.h"
#include "controls/Lamp.h"
#include "controls/NumberField.h"
#include "controls/NumberSpin.h"
#include "controls/PictureButton.h"
#include "controls/TransparentLabel.h"
#include "editor/form/LinkDialogs.h"
#include "formdesc/FormDescription.h"
#include "formdesc/FormIds.h"
#include "model/Parameters.h"
#include "model/ProgramCheck.h"
#include "protocol/ByteOrder.h"
#include "protocol/DeviceImage.h"
#include "support/qt/EventLoop.h"

namespace tolmarin::testing {
namespace {

using namespace form;

constexpr std::uint8_t kItemWrite = CMD_WRITE;

int PowerWrites(const ScriptedLink& link) {
    int n = 0;
    for (const Bytes& f : link.writes) {
        n += f.size() > 8 && f[4] == kItemWrite && f[7] == SECTION_ITEM && f[9] == ITEM_POWER ? 1
                                                                                              : 0;
    }
    return n;
}

// One click on power switched a room off; switching on again needs no question.
TEST(FormPower, PowerOffIsAskedFirstAndPowerOnIsNot) {
    struct Case {
        const char* what;
        std::uint8_t powerBefore;
        int answer;  // the button chosen, if asked
        bool asked;
        std::uint8_t powerAfter;
    };
    const Case cases[] = {
        {"off, cancelled", 1, 1, true, 1},
        {"off, confirmed", 1, 0, true, 0},
        {"on", 0, 1, false, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        LinkedForm r;
        ASSERT_TRUE(r.LinkUp());
        ASSERT_TRUE(SpinUntil([&r] { return r.view->isEnabled(); }, 3000));
        r.fresh->image.systemBytes[sysbyte::kPower] = c.powerBefore;
        r.view->ShowState(0);
        int asked = 0;
        r.view->SetAsker([&](const MainForm::Question& q) {
            ++asked;
            EXPECT_EQ(q.buttons.size(), 2U);
            EXPECT_EQ(q.escapeButton, 1) << "Escape keeps the power on";
            return c.answer;
        });
        r.serial.writes.clear();
        r.Click(r.Get<PictureButton>(kPower));
        r.Step(5);
        EXPECT_EQ(asked, c.asked ? 1 : 0);
        EXPECT_EQ(r.fresh->image.systemBytes[sysbyte::kPower], c.powerAfter);
        EXPECT_EQ(r.Get<PictureButton>(kPower)->IsOn(), c.powerAfter != 0);
        EXPECT_EQ(PowerWrites(r.serial), c.powerAfter != c.powerBefore ? 1 : 0);
    }
}

// The box the question is asked with: its buttons in the interface language, Enter and
// Escape on "Keep on".
TEST(FormPower, ThePowerOffQuestionBoxNamesItsButtonsInBothLanguages) {
    for (const Language language : {Language::English, Language::Chinese}) {
        FormRig r;
        if (r.fresh->ui.language != language) {
            r.view->ToggleLanguage();
        }
        const auto q = r.view->PowerOffQuestion();
        std::unique_ptr<QDialog> box(r.view->MakeQuestionBox(q));
        const auto buttons = box->findChildren<QPushButton*>();
        QStringList texts;
        for (QPushButton* b : buttons) {
            texts << b->text();
        }
        const QStringList expected =
            language == Language::English
                ? QStringList{QStringLiteral("Switch off"), QStringLiteral("Keep on")}
                : QStringList{QStringLiteral("关闭电源"), QStringLiteral("保持开启")};
        EXPECT_EQ(texts, expected);
        ASSERT_EQ(buttons.size(), 2);
        EXPECT_TRUE(buttons.at(1)->isDefault());
        EXPECT_EQ(q.escapeButton, 1);
        QString text;
        for (QLabel* l : box->findChildren<QLabel*>()) {
            text += l->text();
        }
        EXPECT_TRUE(text.contains(language == Language::English ? QStringLiteral("silent")
                                                                : QStringLiteral("电源")));
    }
}

// Each numeric parameter at both ends of its table range, as a file or the amplifier can
// hold it: the program check takes it, the field shows it, and no message comes. A high-pass
// of 19 Hz passed the check but its spin said "Set Pos Error!" and showed 20.
TEST(FormRanges, EveryNumericParameterAtEitherEndOfItsRangeIsShownAsHeldWithoutAMessage) {
    for (const ParamDef& def : AllParams()) {
        if (def.edit != EditKind::Number || def.scope == ParamScope::System) {
            continue;
        }
        for (const int value : {def.low, def.high}) {
            SCOPED_TRACE(std::string(def.name) + " " + std::to_string(value));
            FormRig r;
            auto& image = r.fresh->image;
            r.channels.WriteAllToImage();  // a valid program to start from
            auto block = image.ChannelBlock(0, 0);
            // A low-pass below a high-pass is a file's own affair; keep the pair ordered.
            WriteLeI16(block, block::kHighPassFreq, static_cast<std::int16_t>(kLowestFreqHz));
            WriteLeI16(block, block::kLowPassFreq, static_cast<std::int16_t>(kHighestFreqHz));
            const int band = 2;
            const auto at = static_cast<std::size_t>(ParamOffset(def, band));
            if (def.width == 2) {
                WriteLeI16(block, at, static_cast<std::int16_t>(value));
            } else {
                block[at] = static_cast<std::uint8_t>(value);
            }
            EXPECT_FALSE(CheckProgram(image.ProgramRecord(0)).has_value());
            r.channels.LoadAllFromImage();
            r.view->ShowState(0);
            EXPECT_TRUE(r.fresh.sink.messages.empty())
                << (r.fresh.sink.messages.empty() ? "" : r.fresh.sink.messages.front());
            const int held = ReadValueOf(def, r.channels.Channel(0), band);
            bool checked = false;
            for (const ControlDef& c : FormControls()) {
                const bool mine = c.kind == ControlKind::NumField && c.param == def.name &&
                                  (def.scope != ParamScope::Band || c.index == band);
                if (mine) {
                    EXPECT_EQ(r.Get<NumberSpin>(c.spinId)->GetPos(), held)
                        << c.objectName << ": the field shows what the model holds";
                    checked = true;
                }
            }
            EXPECT_TRUE(checked);
        }
    }
}

TEST(FormRanges, ALowFrequencyOf19HzIsTypedHeldAndShownAs19) {
    FormRig r;
    r.Type(kHpFreq, "19");
    EXPECT_EQ(r.channels.Channel(0).HighPass().GetFreq(), 19);
    EXPECT_EQ(r.Get<NumberField>(kHpFreq)->text(), QStringLiteral("19"));
    r.Type(kBandFreq + 1, "19");
    EXPECT_EQ(r.channels.Channel(0).Band(1).GetFreq(), 19);
    EXPECT_TRUE(r.fresh.sink.messages.empty());
}

// The done pop-up said "... Successful!" over a form already taking input again.
TEST(FormBatch, TheDonePopupKeepsTheFormDisabledUntilItCloses) {
    LinkedForm r;
    ASSERT_TRUE(r.LinkUp());
    auto& done = r.view->DoneWindow();
    ASSERT_TRUE(SpinUntil([&] { return done.isVisible(); }, 2000));
    int looks = 0;
    while (done.isVisible() && looks < 200) {
        EXPECT_FALSE(r.view->isEnabled()) << "look " << looks;
        QTest::qWait(20);
        ++looks;
    }
    EXPECT_GT(looks, 10) << "the pop-up shows for its second";
    EXPECT_TRUE(SpinUntil([&] { return r.view->isEnabled(); }, 1000));
    EXPECT_FALSE(r.view->BusyWindow().isVisible());
}

// Unlinked, the last readings stayed as if they were live and the bar part-filled.
TEST(FormUnlinked, TemperaturesAndLevelsRead2DashesAndTheBarIsEmptyOnceTheLinkGoes) {
    struct Case {
        const char* what;
        bool lostMidBatch;
    };
    for (const Case c : {Case{"closed", false}, Case{"lost in a batch", true}}) {
        SCOPED_TRACE(c.what);
        LinkedForm r;
        r.status = {100, 100, 0, 0, 60, 70, 0, 0};
        ASSERT_TRUE(r.LinkUp());
        r.Step(10);
        auto* t1 = r.Get<TransparentLabel>(kTemperature);
        ASSERT_NE(t1, nullptr);
        ASSERT_EQ(t1->text(), QStringLiteral("50"));
        auto* progress = r.Get<QProgressBar>(kProgress);
        if (c.lostMidBatch) {
            r.controller->SendLiveProgram();  // a batch of five writes
            r.Step(3);
            r.serial.responder = [](const Bytes&) { return std::vector<Bytes>{}; };
            for (int i = 0; i < 400 && r.controller->Linked(); ++i) {
                r.Step(1);
            }
            ASSERT_FALSE(r.controller->Linked());
            r.fresh.sink.messages.clear();
        } else {
            r.controller->CloseLink();
        }
        for (int i = 0; i < 2; ++i) {
            EXPECT_EQ(r.Get<TransparentLabel>(kTemperature + i)->text(), QStringLiteral("--"));
            auto* lamp = r.Get<Lamp>(kLamp + i);
            EXPECT_EQ(lamp->Level().LitCount(), 0);
            EXPECT_FALSE(lamp->HasReading());
        }
        EXPECT_LE(progress->value(), progress->minimum()) << "the bar is empty";

        // Linked again, the first readings show even when equal to the last ones.
        r.serial.responder = [&r](const Bytes& f) { return AmplifierReply(f, r.status); };
        ASSERT_TRUE(r.LinkUp());
        r.Step(10);
        EXPECT_EQ(t1->text(), QStringLiteral("50"));
        EXPECT_TRUE(r.Get<Lamp>(kLamp)->HasReading());
    }
}

}  // namespace
}  // namespace tolmarin::testing
