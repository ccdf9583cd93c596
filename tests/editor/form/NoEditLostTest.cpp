// No edit lost silently: the strip's count of unsent edits, closing the window while edits
// are on their way, the message of a lost link, and the link-up's question about edits
// the PC made while unlinked. The serial link goes to the simulated amplifier, paced by
// hand; its replies arrive when the test lets them.
#include <gtest/gtest.h>

#include <QDir>
#include <QMessageBox>
#include <cstdlib>

#include "FormRig.h"
#include "controls/PictureButton.h"
#include "controls/TransparentLabel.h"
#include "editor/form/LinkDialogs.h"
#include "form/FormIds.h"
#include "link/ChannelSetModel.h"
#include "link/LinkController.h"
#include "model/EditLedger.h"
#include "protocol/ByteOrder.h"
#include "protocol/CommandQueue.h"
#include "sim/Amplifier.h"
#include "support/qt/EventLoop.h"
#include "support/qt/ManualScheduler.h"
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
    SimForm() {
        amp.FactoryReset();
        auto s = std::make_unique<ManualScheduler>();
        sched = s.get();
        controller = std::make_unique<LinkController>(*fresh, command, model, *view, serial,
                                                      network, std::move(s));
        view->UseController(controller.get(), &command);
    }
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
        QObject::connect(controller.get(), &LinkController::linkUpFinished, [&up] { up = true; });
        controller->OpenSerialLinkTo("ttyFAKE0");
        for (int i = 0; i < 200 && !up; ++i) {
            Step();
        }
        return up;
    }
    // The amplifier's live CH1 block.
    std::span<const std::uint8_t> AmpCh1() { return amp.Data(0).subspan(0, kChannelBlockSize); }

    sim::Amplifier amp;
    CommandQueue command{*fresh};
    ChannelSetModel model{channels};
    SimulatedLink serial{LinkKind::Usb, amp};
    SimulatedLink network{LinkKind::Network, amp};
    ManualScheduler* sched = nullptr;
    std::unique_ptr<LinkController> controller;
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
    answers.script = {static_cast<int>(MainForm::CloseAnswer::Stay),
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

// Pictures for the README when TOLMARIN_PICTURES names a folder.
void Picture(const QImage& image, const char* name) {
    if (const char* dir = std::getenv("TOLMARIN_PICTURES")) {
        EXPECT_TRUE(image.save(QDir(QString::fromLocal8Bit(dir)).filePath(QLatin1String(name))));
    }
}

TEST(FormNoEditLost, TheStripCountsEditsWaitingInBothLanguagesOnlyWhileLinked) {
    SimForm r;
    Answers answers;
    r.view->SetAsker(answers.Asker());
    auto* count = r.Get<TransparentLabel>(kPendingCount);
    ASSERT_NE(count, nullptr);
    r.Type(kBandGain + kBand3, "6");
    r.view->ShowPendingCount();
    EXPECT_TRUE(count->text().isEmpty()) << "unlinked edits counted as waiting";

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

    std::unique_ptr<QMessageBox> box(r.view->MakeQuestionBox(
        r.view->CloseQuestion(DescribeEdits(r.controller->UnsentEdits(), r.fresh->ui))));
    box->show();
    Picture(box->grab().toImage(), "close-question-en.png");
}

}  // namespace
}  // namespace tolmarin::testing
