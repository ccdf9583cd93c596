// No edit lost silently: the strip's count of unsent edits, closing the window while edits
// are on their way, the message of a lost link, and the link-up's question about edits
// the PC made while unlinked. The serial link goes to the simulated amplifier, paced by
// hand; its replies arrive when the test lets them.
#include <gtest/gtest.h>

#include <QDialog>
#include <QDir>
#include <QFile>
#include <QPushButton>
#include <QTimer>
#include <algorithm>
#include <cstdlib>

#include "FormRig.h"
#include "controls/PictureButton.h"
#include "controls/TransparentLabel.h"
#include "editor/form/LinkDialogs.h"
#include "formdesc/FormIds.h"
#include "link/ChannelSetModel.h"
#include "link/LinkController.h"
#include "model/EditLedger.h"
#include "protocol/ByteOrder.h"
#include "protocol/CommandQueue.h"
#include "protocol/ProgramFile.h"
#include "sim/Amplifier.h"
#include "support/qt/EventLoop.h"
#include "support/qt/ManualScheduler.h"
#include "support/qt/SessionRig.h"
#include "support/qt/SimulatedLink.h"

namespace tolmarin::testing {
namespace {

using namespace form;

constexpr int kBand3 = 2;
constexpr int kSixDb = 260;  // gain step of +6.0 dB

int Band3Gain(std::span<const std::uint8_t> block) {
    return ReadParam(block, ParamOf(Param::BandGain), kBand3);
}

// The form as the view of a link controller on a serial link to the simulated amplifier.
struct SimForm : FormRig {
    SimForm() { view->UseController(controller, &command); }
    ~SimForm() {
        controller->CloseLink();
        view->UseController(nullptr, nullptr);
    }
    // Ticks; the amplifier's replies arrive every `every` ticks, or never with 0.
    void Step(int n = 1, int every = 1) {
        for (int i = 1; i <= n; ++i) {
            sched->Tick();
            if (every > 0 && ++ticks % every == 0) {
                serial.Flush();
            }
        }
    }
    bool LinkUp() {
        bool up = false;
        QObject::connect(controller, &LinkController::linkUpFinished, [&up] { up = true; });
        controller->OpenSerialLinkTo("ttyFAKE0");
        for (int i = 0; i < 200 && !up; ++i) {
            Step();
        }
        return up;
    }
    // The amplifier's live CH1 block.
    std::span<const std::uint8_t> AmpCh1() { return amp.Data(0).subspan(0, kChannelBlockSize); }

    // Reset before the links to it are made.
    struct FactoryAmplifier : sim::Amplifier {
        FactoryAmplifier() { FactoryReset(); }
    } amp;
    ChannelSetModel model{channels};
    SessionRig<SimulatedLink> rig{*fresh, model, *view,
                                  std::make_unique<SimulatedLink>(LinkKind::Usb, amp),
                                  std::make_unique<SimulatedLink>(LinkKind::Network, amp)};
    CommandQueue& command = rig.session->Command();
    SimulatedLink& serial = rig.serial;
    ManualScheduler* sched = rig.sched;
    LinkController* controller = rig.controller;
    int ticks = 0;
};

// The form's questions, answered from a script and remembered.
struct Answers {
    std::vector<QString> asked;
    std::vector<int> script;
    MainForm::Asker Asker() {
        return [this](const MainForm::Question& q) {
            asked.push_back(q.text);
            const int a = script.empty() ? q.escapeButton : script.front();
            if (!script.empty()) {
                script.erase(script.begin());
            }
            return a;
        };
    }
};

// Ticks the link by hand with the event loop running, the amplifier answering only every
// `every` ticks (a slow link), until done() holds or ticks run out.
// Links up and waits until the done pop-up has gone and the form takes input again.
bool LinkUpAndSettle(SimForm& r) {
    const auto settled = [&] {
        return r.view->isEnabled() && !r.view->DoneWindow().isVisible() &&
               !r.view->BusyWindow().isVisible();
    };
    if (!r.LinkUp() || !SpinUntil(settled, 5000)) {
        return false;
    }
    // The pop-ups took the activation; typed values commit as the focus leaves a field.
    QApplication::setActiveWindow(r.view.get());
    return QTest::qWaitForWindowActive(r.view.get());
}

template <typename Pred>
bool TickUntil(SimForm& r, Pred done, int every = 1, int ticks = 400) {
    for (int i = 1; i <= ticks && !done(); ++i) {
        r.Step(1, every);
        QTest::qWait(2);
    }
    return done();
}

TEST(FormNoEditLost, ClosingOnASlowLinkSendsTheQueuedEditsBeforeTheWindowGoes) {
    SimForm r;
    ASSERT_TRUE(LinkUpAndSettle(r));
    Answers answers;
    r.view->SetAsker(answers.Asker());
    // Four band gains and the volume, faster than a slow amplifier answers.
    for (int k = 0; k < 4; ++k) {
        r.Type(kBandGain + k, "6");
    }
    r.Type(kVolume, "-3");
    ASSERT_EQ(r.controller->UnsentEdits().size(), 5U);

    r.view->close();
    EXPECT_TRUE(r.view->isVisible()) << "closed with five edits unsent";
    EXPECT_TRUE(r.view->BusyWindow().isVisible());
    // One reply every ten ticks (half a second) still fits in the close wait.
    EXPECT_TRUE(TickUntil(
        r, [&] { return !r.view->isVisible(); }, 10));
    EXPECT_TRUE(answers.asked.empty());
    EXPECT_TRUE(r.controller->UnsentEdits().empty());
    // The amplifier holds every one of them.
    for (int k = 0; k < 4; ++k) {
        EXPECT_EQ(ReadParam(r.AmpCh1(), ParamOf(Param::BandGain), k), kSixDb) << k;
    }
    EXPECT_EQ(ReadParam(r.AmpCh1(), ParamOf(Param::Volume)),
              ReadParam(RecordBlocks(r.channels), ParamOf(Param::Volume)));
}

TEST(FormNoEditLost, ClosingOnADeadLinkAsksAndStaysOrDiscardsAsAnswered) {
    SimForm r;
    ASSERT_TRUE(LinkUpAndSettle(r));
    Answers answers;
    answers.script = {static_cast<int>(MainForm::CloseAnswer::Cancel),
                      static_cast<int>(MainForm::CloseAnswer::Discard)};
    r.view->SetAsker(answers.Asker());
    r.view->SetCloseWait(300);
    r.Type(kBandGain + kBand3, "6");
    r.Step(3, 0);  // the amplifier has gone quiet

    r.view->close();
    ASSERT_TRUE(SpinUntil([&] { return !answers.asked.empty(); }, 5000));
    EXPECT_TRUE(answers.asked[0].contains(QStringLiteral("CH1 band 3 gain")))
        << answers.asked[0].toStdString();
    EXPECT_TRUE(r.view->isVisible()) << "Stay closed the window";
    EXPECT_FALSE(r.view->BusyWindow().isVisible());

    r.view->close();
    ASSERT_TRUE(SpinUntil([&] { return answers.asked.size() == 2; }, 5000));
    EXPECT_FALSE(r.view->isVisible()) << "Discard kept the window";
}

TEST(FormNoEditLost, ALostLinkNamesTheEditsThatDidNotArrive) {
    SimForm r;
    ASSERT_TRUE(LinkUpAndSettle(r));
    r.Type(kBandGain + kBand3, "6");
    r.Type(kVolume, "-3");
    r.fresh.sink.messages.clear();
    r.Step(kSerialGiveUpTicks + 10, 0);
    ASSERT_FALSE(r.controller->Linked());
    ASSERT_EQ(r.fresh.sink.messages.size(), 1U);
    const std::string& m = r.fresh.sink.messages[0];
    EXPECT_NE(m.find("These edits did not reach the amplifier: CH1 volume, CH1 band 3 gain."),
              std::string::npos)
        << m;
}

TEST(FormNoEditLost, LinkUpWithOfflineEditsTakesTheAmplifiersByDefault) {
    SimForm r;
    Answers answers;  // no script: Escape, the default
    r.view->SetAsker([&](const MainForm::Question& q) {
        // Asked before anything of the amplifier's reached the records.
        EXPECT_EQ(r.channels.Channel(0).Band(kBand3).GetGainStep(), kSixDb);
        return answers.Asker()(q);
    });
    r.Type(kBandGain + kBand3, "6");
    ASSERT_TRUE(r.LinkUp());
    ASSERT_TRUE(SpinUntil([&] { return !answers.asked.empty(); }, 5000));
    EXPECT_TRUE(answers.asked[0].contains(QStringLiteral("CH1 band 3 gain")));
    EXPECT_NE(r.channels.Channel(0).Band(kBand3).GetGainStep(), kSixDb);
    EXPECT_TRUE(r.controller->LiveKnown());
    EXPECT_TRUE(r.controller->UnsentEdits().empty());
    r.Step(20);
    EXPECT_NE(Band3Gain(r.AmpCh1()), kSixDb) << "the PC's settings were sent";
}

TEST(FormNoEditLost, LinkUpWithOfflineEditsSendsThePcsSettingsWhenAsked) {
    SimForm r;
    Answers answers;
    answers.script = {static_cast<int>(MainForm::LinkUpAnswer::SendPc)};
    r.view->SetAsker(answers.Asker());
    r.Type(kBandGain + kBand3, "6");
    ASSERT_TRUE(r.LinkUp());
    ASSERT_TRUE(SpinUntil([&] { return !answers.asked.empty(); }, 5000));
    ASSERT_NE(Band3Gain(r.AmpCh1()), kSixDb);
    r.Step(40);
    EXPECT_EQ(Band3Gain(r.AmpCh1()), kSixDb);
    EXPECT_EQ(r.channels.Channel(0).Band(kBand3).GetGainStep(), kSixDb);
    EXPECT_TRUE(r.controller->UnsentEdits().empty());
}

int HpFreq(std::span<const std::uint8_t> block) {
    return ReadParam(block, ParamOf(Param::HpFreq));
}

// A crossover change goes out an octave a frame. The amplifier starts at 20 Hz, the
// operator types 1280 Hz, the amplifier is unplugged once it holds 160 Hz and the link is
// lost with the ramp under way; the amplifier then comes back and the link opens again.
void CutRampThenRelink(SimForm& r, Answers& answers, int& typed) {
    WriteLeI16(r.amp.Data(0), static_cast<std::size_t>(ParamOf(Param::HpFreq).offset), 20);
    ASSERT_TRUE(LinkUpAndSettle(r));
    ASSERT_EQ(HpFreq(r.AmpCh1()), 20);
    r.Type(kHpFreq, "1280");
    typed = r.channels.Channel(0).HighPass().GetFreq();
    ASSERT_GE(typed, 1000);
    ASSERT_TRUE(TickUntil(r, [&] { return HpFreq(r.AmpCh1()) == 160; }));
    r.serial.away = true;
    r.Step(kSerialGiveUpTicks + 10, 0);
    ASSERT_FALSE(r.controller->Linked());
    ASSERT_EQ(HpFreq(r.AmpCh1()), 160);
    r.serial.away = false;
    int heldWhenAsked = 0;
    r.view->SetAsker([&](const MainForm::Question& q) {
        heldWhenAsked = HpFreq(r.AmpCh1());
        return answers.Asker()(q);
    });
    ASSERT_TRUE(r.LinkUp());
    ASSERT_TRUE(SpinUntil([&] { return !answers.asked.empty(); }, 5000));
    EXPECT_EQ(heldWhenAsked, 160) << "the old ramp went on before the operator answered";
    EXPECT_TRUE(answers.asked[0].contains(QStringLiteral("CH1 high-pass frequency")))
        << answers.asked[0].toStdString();
}

TEST(FormNoEditLost, TakingTheAmplifiersAfterACutRampSendsNothingOfTheOldRamp) {
    SimForm r;
    Answers answers;
    answers.script = {static_cast<int>(MainForm::LinkUpAnswer::TakeAmplifier)};
    int typed = 0;
    CutRampThenRelink(r, answers, typed);
    for (int i = 0; i < 40; ++i) {
        r.Step();
        ASSERT_EQ(HpFreq(r.AmpCh1()), 160) << "a frame of the old ramp reached the amplifier";
    }
    EXPECT_EQ(r.channels.Channel(0).HighPass().GetFreq(), 160);
    EXPECT_TRUE(r.controller->UnsentEdits().empty());
}

TEST(FormNoEditLost, SendingThePcsAfterACutRampSendsThePcsValueVerified) {
    SimForm r;
    Answers answers;
    answers.script = {static_cast<int>(MainForm::LinkUpAnswer::SendPc)};
    int typed = 0;
    CutRampThenRelink(r, answers, typed);
    r.fresh.sink.messages.clear();
    r.Step(60);
    EXPECT_EQ(HpFreq(r.AmpCh1()), typed) << "the PC's value was not what went out";
    EXPECT_EQ(r.channels.Channel(0).HighPass().GetFreq(), typed);
    EXPECT_TRUE(r.controller->UnsentEdits().empty());
    // A read-back that differs is reported; a verified one says nothing here.
    EXPECT_TRUE(r.fresh.sink.messages.empty()) << r.fresh.sink.messages[0];
}

// Closing with an edit the amplifier never had (no link was ever opened): every answer of
// the question, and what the window does after it.
TEST(FormNoEditLost, ClosingUnlinkedWithAnEditAsksAndKeepsTheWindowUnlessSavedOrDiscarded) {
    struct Case {
        EditGuard::CloseAnswer answer;
        bool saveSucceeds;
        bool closed;
    } const cases[] = {
        {EditGuard::CloseAnswer::Cancel, false, false},
        {EditGuard::CloseAnswer::Save, false, false},  // cancelled or failed save
        {EditGuard::CloseAnswer::Save, true, true},
        {EditGuard::CloseAnswer::Discard, false, true},
    };
    for (const Case& c : cases) {
        SimForm r;
        r.view->show();
        std::vector<MainForm::Question> asked;
        int saves = 0;
        r.view->Guard().SetSaver([&] {
            ++saves;
            return c.saveSucceeds;
        });
        r.view->SetAsker([&](const MainForm::Question& q) {
            asked.push_back(q);
            const auto at =
                std::find(q.buttons.begin(), q.buttons.end(),
                          c.answer == EditGuard::CloseAnswer::Save      ? TextId::CloseSave
                          : c.answer == EditGuard::CloseAnswer::Discard ? TextId::CloseDiscard
                                                                        : TextId::CloseCancel);
            return static_cast<int>(at - q.buttons.begin());
        });
        r.Type(kBandGain + kBand3, "5");
        r.view->close();
        ASSERT_EQ(asked.size(), 1U) << "closed with an unsent edit and no question";
        EXPECT_TRUE(asked[0].text.contains(QStringLiteral("CH1 band 3 gain")))
            << asked[0].text.toStdString();
        EXPECT_EQ(asked[0].buttons,
                  (std::vector{TextId::CloseSave, TextId::CloseDiscard, TextId::CloseCancel}));
        EXPECT_EQ(saves, c.answer == EditGuard::CloseAnswer::Save ? 1 : 0);
        EXPECT_EQ(!r.view->isVisible(), c.closed) << static_cast<int>(c.answer);
    }
}

TEST(FormNoEditLost, AfterASaveClosingDoesNotAskUntilTheNextEdit) {
    SimForm r;
    r.view->show();
    int asked = 0;
    r.view->SetAsker([&](const MainForm::Question&) {
        ++asked;
        return 2;  // Cancel
    });
    r.Type(kBandGain + kBand3, "5");
    r.view->Guard().NoteSaved();
    r.view->ShowPendingCount();
    EXPECT_TRUE(r.Get<TransparentLabel>(kPendingCount)->text().isEmpty());
    r.Type(kBandGain + kBand3, "6");
    r.view->close();
    EXPECT_EQ(asked, 1);
    EXPECT_TRUE(r.view->isVisible());
    r.Type(kBandGain + kBand3, "5");  // back to what the file holds
    r.view->close();
    EXPECT_EQ(asked, 1);
    EXPECT_FALSE(r.view->isVisible());
}

// The real question on screen while the dead link retries and then gives up: one click on
// "Cancel" answers, the link's message follows it, and the next close asks again.
TEST(FormNoEditLost, EveryButtonAnswersTheFirstClickWhileTheLinkRetriesAndGivesUp) {
    SimForm r;
    ASSERT_TRUE(LinkUpAndSettle(r));
    std::vector<std::string> shown;
    // As the form's own message boxes: modal, read for a second, then closed.
    struct Recorder : MessageSink {
        std::vector<std::string>* shown;
        void ShowMessage(std::string_view text, MessageKind) override {
            shown->emplace_back(text);
            QDialog box;
            box.setFixedSize(200, 80);
            QTimer::singleShot(1000, &box, &QDialog::accept);
            box.exec();
        }
    } recorder;
    recorder.shown = &shown;
    r.fresh->ui.sink = &recorder;
    r.view->SetCloseWait(200);
    r.Type(kBandGain + kBand3, "6");
    r.Step(3, 0);  // the amplifier has gone quiet
    const auto question = [&]() -> QDialog* {
        for (QWidget* w : QApplication::topLevelWidgets()) {
            auto* d = qobject_cast<QDialog*>(w);
            if (d != nullptr && d->isVisible()) {
                for (QPushButton* b : d->findChildren<QPushButton*>()) {
                    if (b->text() == QStringLiteral("Cancel")) {
                        return d;
                    }
                }
            }
        }
        return nullptr;
    };
    const auto click = [&](QDialog* d, const QString& text) {
        for (QPushButton* b : d->findChildren<QPushButton*>()) {
            if (b->text() == text) {
                QTest::mouseClick(b, Qt::LeftButton);
                return true;
            }
        }
        return false;
    };
    // Driven from timers: a question asked from a nested event loop still gets its clicks.
    bool clicked = false;
    bool gone = false;
    int step = 0;
    QTimer driver;
    QObject::connect(&driver, &QTimer::timeout, [&] {
        QDialog* d = question();
        if (step == 0 && d != nullptr) {
            step = 1;
            // Retries run and the link gives up while the question is on screen.
            QTimer::singleShot(0, [&] {
                r.Step(kSerialGiveUpTicks + 10, 0);
                step = 2;
            });
        } else if (step == 2 && d != nullptr && !clicked) {
            clicked = click(d, QStringLiteral("Cancel"));
            step = 3;
        } else if (step == 3) {
            gone = d == nullptr;
            step = 4;
        }
    });
    driver.start(20);
    r.view->close();
    ASSERT_TRUE(SpinUntil([&] { return step == 4; }, 8000)) << "step " << step;
    driver.stop();
    EXPECT_TRUE(clicked);
    EXPECT_TRUE(gone) << "the first click on Cancel was not answered";
    EXPECT_FALSE(r.controller->Linked());
    EXPECT_TRUE(r.view->isVisible());
    ASSERT_TRUE(SpinUntil([&] { return !shown.empty(); }, 2000)) << "the link closed silently";
    EXPECT_NE(shown[0].find("CH1 band 3 gain"), std::string::npos) << shown[0];
    // Unlinked now, the edit is still the PC's alone: closing asks again.
    std::vector<MainForm::Question> asked;
    r.view->SetAsker([&](const MainForm::Question& q) {
        asked.push_back(q);
        return q.escapeButton;
    });
    r.view->close();
    ASSERT_EQ(asked.size(), 1U) << "the next close quit silently";
    EXPECT_EQ(asked[0].buttons,
              (std::vector{TextId::CloseSave, TextId::CloseDiscard, TextId::CloseCancel}));
    EXPECT_TRUE(r.view->isVisible());
    r.fresh->ui.sink = &r.fresh.sink;
}

TEST(FormNoEditLost, TheRecoveryCopyFollowsTheUnsavedEditsAndGoesWithADiscard) {
    SimForm r;
    r.view->show();
    const QString path = EditGuard::RecoveryPath();
    QFile::remove(path);
    r.view->ShowPendingCount();
    EXPECT_FALSE(QFile::exists(path)) << "a copy with nothing unsaved";
    r.Type(kBandGain + kBand3, "5");
    r.view->ShowPendingCount();
    ASSERT_TRUE(QFile::exists(path));
    DeviceImage copy;
    ASSERT_EQ(ReadSingleProgramFile(copy, path.toStdString()), FileStatus::Ok);
    EXPECT_EQ(Band3Gain(copy.Data(0).subspan(0, kChannelBlockSize)), 250);
    r.controller->EditsSettled();  // as a file opened: the records are the reference
    r.view->ShowPendingCount();
    EXPECT_FALSE(QFile::exists(path)) << "a copy kept with nothing unsaved";
    r.Type(kBandGain + kBand3, "4");
    r.view->ShowPendingCount();
    ASSERT_TRUE(QFile::exists(path));
    r.view->SetAsker([](const MainForm::Question& q) {
        return static_cast<int>(
            std::find(q.buttons.begin(), q.buttons.end(), TextId::CloseDiscard) -
            q.buttons.begin());
    });
    r.view->close();
    EXPECT_FALSE(r.view->isVisible());
    EXPECT_FALSE(QFile::exists(path)) << "a copy left after a discard";
}

// Pictures for the README when TOLMARIN_PICTURES names a folder.
void Picture(const QImage& image, const char* name) {
    if (const char* dir = std::getenv("TOLMARIN_PICTURES")) {
        EXPECT_TRUE(image.save(QDir(QString::fromLocal8Bit(dir)).filePath(QLatin1String(name))));
    }
}

TEST(FormNoEditLost, TheStripCountsUnacknowledgedEditsInBothLanguagesLinkedOrNot) {
    SimForm r;
    Answers answers;
    r.view->SetAsker(answers.Asker());
    auto* count = r.Get<TransparentLabel>(kPendingCount);
    ASSERT_NE(count, nullptr);
    r.Type(kBandGain + kBand3, "6");
    r.view->ShowPendingCount();
    EXPECT_EQ(count->text(), QStringLiteral("Edits waiting to be sent: 1"))
        << "an unlinked edit not counted";

    ASSERT_TRUE(LinkUpAndSettle(r));
    ASSERT_TRUE(SpinUntil([&] { return !answers.asked.empty(); }, 2000));
    r.Type(kBandGain + 4, "6");
    r.Type(kVolume, "-3");
    r.view->ShowPendingCount();
    EXPECT_EQ(count->text(), QStringLiteral("Edits waiting to be sent: 2"));
    const QRect strip(0, 620, r.view->width(), r.view->height() - 620);
    Picture(r.view->grab(strip).toImage(), "form-pending-en.png");
    r.Click(r.Get<PictureButton>(kLanguage));
    EXPECT_EQ(count->text(), QStringLiteral("等待发送的修改: 2"));
    Picture(r.view->grab(strip).toImage(), "form-pending-zh.png");
    r.Click(r.Get<PictureButton>(kLanguage));

    std::unique_ptr<QDialog> box(r.view->MakeQuestionBox(
        r.view->CloseQuestion(DescribeEdits(r.controller->UnsentEdits(), r.fresh->ui))));
    box->show();
    Picture(box->grab().toImage(), "close-question-en.png");
    r.Click(r.Get<PictureButton>(kLanguage));
    std::unique_ptr<QDialog> zh(r.view->MakeQuestionBox(
        r.view->CloseQuestion(DescribeEdits(r.controller->UnsentEdits(), r.fresh->ui))));
    EXPECT_EQ(zh->findChildren<QPushButton*>().size(), 4);
    zh->show();
    Picture(zh->grab().toImage(), "close-question-zh.png");
}

}  // namespace
}  // namespace tolmarin::testing
