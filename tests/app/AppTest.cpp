// The editor application: command line, start-up, opening a file, and the whole editor
// against the simulated amplifier in-process.
#include <gtest/gtest.h>

#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QMenuBar>
#include <QMessageBox>
#include <QProcess>
#include <QPushButton>
#include <QSettings>
#include <QTest>
#include <QTimer>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fstream>

#include "Version.h"
#include "app/AboutBox.h"
#include "app/Application.h"
#include "app/CommandLine.h"
#include "app/Document.h"
#include "app/MainFrame.h"
#include "controls/Fader.h"
#include "controls/FaderGeometry.h"
#include "controls/PictureButton.h"
#include "controls/PictureRadio.h"
#include "editor/form/EditGuard.h"
#include "editor/form/MainForm.h"
#include "formdesc/FormIds.h"
#include "link/LinkController.h"
#include "model/BandRecord.h"
#include "model/ChannelSet.h"
#include "protocol/ProgramFile.h"
#include "sim/Amplifier.h"
#include "sim/server/SimServer.h"
#include "support/RecordingSink.h"
#include "support/TempDir.h"
#include "support/qt/EventLoop.h"

namespace tolmarin::testing {
namespace {

using namespace form;

TEST(CommandLine, AcceptsEveryOptionAndRefusesWhatItCannotCarryOut) {
    QString bad;
    auto o = ParseCommandLine({"set.Data12File", "--connect", "tcp:127.0.0.1:9000", "--trace",
                               "t.txt", "--lang", "zh", "--screenshot", "s.png"},
                              &bad);
    ASSERT_TRUE(o);
    EXPECT_EQ(o->file, "set.Data12File");
    EXPECT_EQ(o->connect, AppOptions::Connect::Tcp);
    EXPECT_EQ(o->host, "127.0.0.1");
    EXPECT_EQ(o->tcpPort, 9000);
    EXPECT_EQ(o->trace, "t.txt");
    EXPECT_EQ(o->language, Language::Chinese);
    EXPECT_EQ(o->screenshot, "s.png");

    o = ParseCommandLine({"--connect", "tcp:127.0.0.1"}, &bad);
    ASSERT_TRUE(o);
    EXPECT_EQ(o->tcpPort, 8899);
    o = ParseCommandLine({"--connect", "serial:/dev/ttyUSB0", "--lang", "en"}, &bad);
    ASSERT_TRUE(o);
    EXPECT_EQ(o->serialPort, "/dev/ttyUSB0");
    EXPECT_EQ(o->language, Language::English);
    EXPECT_TRUE(ParseCommandLine({"--simulator"}, &bad)->simulator);

    for (const QStringList& wrong : {QStringList{"--connect"},
                                     {"--connect", "udp:1.2.3.4"},
                                     {"--connect", "tcp:h:0"},
                                     {"--connect", "tcp:h:70000"},
                                     {"--lang", "fr"},
                                     {"--simulator", "--connect", "tcp:h"},
                                     {"a.Data12File", "b.Data12File"},
                                     {"--frobnicate"}}) {
        EXPECT_FALSE(ParseCommandLine(wrong, &bad)) << wrong.join(' ').toStdString();
        EXPECT_FALSE(bad.isEmpty());
    }
}

struct AppRig {
    explicit AppRig(const QStringList& args) {
        QString bad;
        options = *ParseCommandLine(args, &bad);
        app = std::make_unique<Application>(
            options,
            std::make_unique<QSettings>(QString::fromStdString(dir.PathOf("s.ini")),
                                        QSettings::IniFormat),
            QString::fromStdString(dir.Path().string()));
    }
    bool Start() {
        const bool ok = app->InitInstance();
        if (ok) {
            app->State().ui.sink = &sink;
        }
        return ok;
    }
    MainForm& View() { return app->View(); }

    TempDir dir{"app"};
    AppOptions options;
    RecordingSink sink;
    std::unique_ptr<Application> app;
};

TEST(AppStartUp, FixedWindowWithoutMenuShowsCh1AndTheStartUpSystemBytes) {
    AppRig r({});
    ASSERT_TRUE(r.Start());
    MainFrame& frame = r.app->Frame();
    EXPECT_EQ(frame.windowTitle(), QStringLiteral("Tolmarin RX2"));
    EXPECT_EQ(frame.size(), QSize(985, 735));
    EXPECT_EQ(frame.minimumSize(), frame.maximumSize());
    EXPECT_EQ(frame.menuWidget(), nullptr);
    const auto& sys = r.app->State().image.systemBytes;
    EXPECT_EQ(sys[0], 0);
    EXPECT_EQ(sys[2], 0);
    EXPECT_EQ(sys[3], 0);
    EXPECT_EQ(sys[7], 1);
    EXPECT_EQ(r.View().CurrentChannel(), 0);
    EXPECT_FALSE(r.View().Controller().Linked());
}

TEST(AppStartUp, OpensTheProgramFileNamedAndRefusesAnotherOverTheShownWindowSayingWhy) {
    TempDir files{"appfiles"};
    SharedState other;
    InitDeviceImage(other);
    ChannelSet saved(other);
    saved.Channel(0).Band(3).SetGainStep(260);
    saved.Channel(0).Band(3).SetFreq(700, false);
    saved.WriteAllToImage();
    const std::string path = files.PathOf("live.Data12File");
    ASSERT_EQ(WriteSingleProgramFile(other.image, path), FileStatus::Ok);

    AppRig r({QString::fromStdString(path)});
    ASSERT_TRUE(r.Start());
    EXPECT_EQ(r.app->Doc().Channels().Channel(0).Band(3).GetGainStep(), 260);
    EXPECT_EQ(r.View().Get<QWidget>(kBandFreq + 3)->property("text").toString(),
              QStringLiteral("700"));

    const std::string wrong = files.PathOf("live.data12file");
    std::filesystem::copy_file(path, wrong);
    AppRig refused({QString::fromStdString(wrong)});
    QString shown;
    bool windowShown = false;
    QTimer closer;  // answers the message box the refusal shows
    QObject::connect(&closer, &QTimer::timeout, [&] {
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
            shown = box->text();
            windowShown = refused.app->Frame().isVisible();
            box->accept();
        }
    });
    closer.start(20);
    ASSERT_TRUE(refused.app->InitInstance());
    closer.stop();
    EXPECT_EQ(shown, QStringLiteral("Read MusicFile  Error!\nThe name live.data12file does not "
                                    "contain .Data12File."));
    EXPECT_TRUE(windowShown);  // the refusal is read over the editor, not an empty screen
    EXPECT_EQ(refused.app->Doc().Channels().Channel(0).Band(3).GetGainStep(), 200);
}

// Drags a fader's thumb by dy pixels with the mouse, as an operator does.
void DragFader(Fader* fader, int dy) {
    const FaderGeometry& g = fader->Geometry();
    const QPoint from(g.leftMargin + g.thumbWidth / 2, g.CentreOf(fader->GetPos()));
    QTest::mousePress(fader, Qt::LeftButton, {}, from);
    for (int step = 1; step <= 4; ++step) {
        QMouseEvent move(QEvent::MouseMove, QPointF(from + QPoint(0, dy * step / 4)),
                         fader->mapToGlobal(QPointF(from + QPoint(0, dy * step / 4))), Qt::NoButton,
                         Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(fader, &move);
        QTest::qWait(60);
    }
    QTest::mouseRelease(fader, Qt::LeftButton, {}, from + QPoint(0, dy));
}

TEST(AppEndToEnd, LinksToTheSimulatorAndAFaderMoveReachesItsLiveProgramOnBothLinkedChannels) {
    AppRig r({"--simulator"});
    ASSERT_TRUE(r.Start());
    sim::Amplifier& amp = *r.app->Amplifier();
    amp.SystemBytes()[0] = 1;  // parallel
    amp.SystemBytes()[7] = 0;  // power off
    bool up = false;
    QObject::connect(&r.View().Controller(), &LinkController::linkUpFinished, [&] { up = true; });
    // Linked once the live program is in and the busy pop-up has let go of the form.
    ASSERT_TRUE(SpinUntil([&] { return up && r.View().isEnabled(); }, 10000));
    EXPECT_EQ(r.View().Get<QComboBox>(kAmpMode)->currentText(), QStringLiteral("PARALLEL"));
    EXPECT_FALSE(r.View().Get<PictureButton>(kPower)->IsOn());

    ChannelSet& channels = r.app->Doc().Channels();
    const int k = 2;
    const auto reached = [&](int ch) {
        const BandRecord want = channels.Channel(ch).Eq().BuildBandRecord(k);
        return ReadBandRecord(amp.ChannelBlock(0, ch), BandOffset(k)) == want;
    };
    DragFader(r.View().Get<Fader>(kBandFader + k), -30);
    ASSERT_TRUE(SpinUntil([&] { return channels.Channel(0).Band(k).GetGainStep() > 200; }, 2000));
    const int gain = channels.Channel(0).Band(k).GetGainStep();
    EXPECT_TRUE(SpinUntil([&] { return reached(0); }, 5000));

    QTest::mouseClick(r.View().Get<PictureRadio>(kLinkCheck), Qt::LeftButton);
    ASSERT_TRUE(channels.Ch1Ch2Linked());
    DragFader(r.View().Get<Fader>(kBandFader + k), -20);
    ASSERT_TRUE(SpinUntil([&] { return channels.Channel(0).Band(k).GetGainStep() > gain; }, 2000));
    EXPECT_TRUE(SpinUntil([&] { return reached(0) && reached(1); }, 5000));
    EXPECT_EQ(channels.Channel(1).Band(k).GetGainStep(), channels.Channel(0).Band(k).GetGainStep());
}

// Catches an About box that F1 or a click on the product name does not open, a hit box that
// spreads over the rest of the top bar, and texts that do not follow the language.
// TOLMARIN_SCREENSHOT_DIR=DIR also saves the box as about-en.png and about-zh.png.
TEST(AboutBox, OpensFromF1AndTheProductNameInTheLanguageOfTheMoment) {
    AppRig r({});
    ASSERT_TRUE(r.Start());
    MainFrame& frame = r.app->Frame();
    frame.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&frame));

    struct Seen {
        QString caption, text, ok;
    };
    std::vector<Seen> seen;
    QTimer closer;  // answers the About box with its OK button
    QObject::connect(&closer, &QTimer::timeout, [&seen, &r] {
        auto* box = qobject_cast<AboutBox*>(QApplication::activeModalWidget());
        if (box == nullptr) {
            return;
        }
        seen.push_back({box->windowTitle(), box->Text().text(), box->Ok().text()});
        if (const char* dir = std::getenv("TOLMARIN_SCREENSHOT_DIR")) {
            const bool en = r.app->State().ui.language == Language::English;
            box->grab().save(QStringLiteral("%1/about-%2.png")
                                 .arg(QString::fromLocal8Bit(dir), en ? "en" : "zh"));
        }
        QTest::mouseClick(&box->Ok(), Qt::LeftButton);
    });
    closer.start(20);

    QTest::keyClick(&frame, Qt::Key_F1);
    ASSERT_EQ(seen.size(), 1U);
    EXPECT_EQ(seen[0].caption, QStringLiteral("About Tolmarin"));
    EXPECT_EQ(seen[0].text, QStringLiteral("Tolmarin version %1").arg(kVersionShort));
    EXPECT_EQ(seen[0].ok, QStringLiteral("OK"));

    r.View().ToggleLanguage();
    const QRectF name = AboutHook::NameBox(Language::Chinese);
    ASSERT_FALSE(name.isEmpty());
    QTest::mouseClick(&r.View(), Qt::LeftButton, {}, name.center().toPoint());
    ASSERT_EQ(seen.size(), 2U);
    EXPECT_EQ(seen[1].caption, QStringLiteral("关于 Tolmarin"));
    EXPECT_EQ(seen[1].text, QStringLiteral("Tolmarin %1 版").arg(kVersionShort));
    EXPECT_EQ(seen[1].ok, QStringLiteral("确定"));

    // The bar beside the name, and right-clicks on it, open nothing.
    QTest::mouseClick(&r.View(), Qt::LeftButton, {},
                      QPoint(static_cast<int>(name.left()) - 20, static_cast<int>(name.top()) + 4));
    QTest::mouseClick(&r.View(), Qt::RightButton, {}, name.center().toPoint());
    QTest::qWait(60);
    closer.stop();
    EXPECT_EQ(seen.size(), 2U);
}

// The editor shares the command-line tool's address parser; an IPv6 address must reach the
// link without its brackets.
TEST(AppEndToEnd, LinksToAnIpv6LoopbackAddressInBracketsAsTheSimulatorPrintsIt) {
    sim::Amplifier amp;
    sim::SimServer server(amp, sim::Faults{});
    if (!server.ListenTcp(QHostAddress::LocalHostIPv6, 0)) {
        GTEST_SKIP() << "no IPv6 loopback on this machine";
    }
    AppRig r({"--connect", QStringLiteral("tcp:[::1]:%1").arg(server.TcpPort())});
    ASSERT_EQ(r.options.connect, AppOptions::Connect::Tcp);
    ASSERT_TRUE(r.Start());
    bool up = false;
    QObject::connect(&r.View().Controller(), &LinkController::linkUpFinished, [&] { up = true; });
    EXPECT_TRUE(SpinUntil([&] { return up; }, 10000));
    EXPECT_GT(server.FramesReceived(), 0);
}

}  // namespace
}  // namespace tolmarin::testing

namespace tolmarin::testing {
namespace {

// The child half of the crash test: an editor with one unsaved edit, left running until the
// parent kills it. Skipped unless the parent started it.
TEST(AppRecovery, ChildEditsAndWaitsToBeKilled) {
    if (qEnvironmentVariableIsEmpty("TOLMARIN_RECOVERY_CHILD")) {
        GTEST_SKIP() << "run by AfterAKillTheNextStartOffersTheCopyAndTakingItSendsNothing";
    }
    AppRig r({});
    ASSERT_TRUE(r.Start());
    DragFader(r.View().Get<Fader>(kBandFader + 2), -30);
    ASSERT_TRUE(SpinUntil([] { return QFile::exists(EditGuard::RecoveryPath()); }, 5000));
    QTest::qWait(800);  // the copy follows the edit's end within a refresh
    std::printf("ready %d\n", r.app->Doc().Channels().Channel(0).Band(2).GetGainStep());
    std::fflush(stdout);
    SpinUntil([] { return false; }, 30000);  // bounded: the parent kills it long before
}

TEST(AppRecovery, AfterAKillTheNextStartOffersTheCopyAndTakingItSendsNothing) {
    TempDir data("appdata");
    const QByteArray dataHome = QFile::encodeName(QString::fromStdString(data.Path().string()));
    QProcess child;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("TOLMARIN_RECOVERY_CHILD"), QStringLiteral("1"));
    env.insert(QStringLiteral("TOLMARIN_TEST_DATA_HOME"), QString::fromUtf8(dataHome));
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    child.setProcessEnvironment(env);
    child.start(QCoreApplication::applicationFilePath(),
                {QStringLiteral("--gtest_filter=AppRecovery.ChildEditsAndWaitsToBeKilled")});
    ASSERT_TRUE(child.waitForStarted(5000));
    QByteArray out;
    const auto readyLine = [&] {
        const qsizetype at = out.indexOf("ready ");
        return at >= 0 && out.indexOf('\n', at) > at;
    };
    for (int i = 0; i < 300 && !readyLine(); ++i) {
        child.waitForReadyRead(100);
        out += child.readAllStandardOutput();
    }
    const qsizetype at = out.indexOf("ready ");
    ASSERT_TRUE(readyLine()) << out.toStdString();
    const int typed = out.mid(at + 6).trimmed().split('\n').front().toInt();
    ::kill(static_cast<pid_t>(child.processId()), SIGKILL);
    ASSERT_TRUE(child.waitForFinished(5000));
    EXPECT_EQ(child.exitStatus(), QProcess::CrashExit);

    // This process looks in the same folder from now on (the same application name).
    const QByteArray before = qgetenv("XDG_DATA_HOME");
    qputenv("XDG_DATA_HOME", dataHome);
    ASSERT_TRUE(QFile::exists(EditGuard::RecoveryPath()))
        << EditGuard::RecoveryPath().toStdString() << " " << out.toStdString();
    {
        DeviceImage kept;
        ASSERT_EQ(ReadSingleProgramFile(kept, EditGuard::RecoveryPath().toStdString()),
                  FileStatus::Ok);
        ASSERT_EQ(ReadBandRecord(kept.ChannelBlock(0, 0), BandOffset(2)).gainStep, typed);
    }
    {
        AppRig r({"--simulator"});
        std::vector<QString> offered;
        r.app->SetRecoveryAsker([&](const EditGuard::Question& q) {
            offered.push_back(q.text);
            return 0;  // open the copy
        });
        std::vector<QString> linkUpAsked;
        bool up = false;
        ASSERT_TRUE(r.Start());
        r.View().SetAsker([&](const MainForm::Question& q) {
            linkUpAsked.push_back(q.text);
            return static_cast<int>(MainForm::LinkUpAnswer::TakeAmplifier);
        });
        ASSERT_EQ(offered.size(), 1U);
        ChannelSet& channels = r.app->Doc().Channels();
        EXPECT_EQ(channels.Channel(0).Band(2).GetGainStep(), typed) << "the copy was not opened";
        sim::Amplifier& amp = *r.app->Amplifier();
        const BandRecord ampBefore = ReadBandRecord(amp.ChannelBlock(0, 0), BandOffset(2));
        QObject::connect(&r.View().Controller(), &LinkController::linkUpFinished,
                         [&] { up = true; });
        ASSERT_TRUE(
            SpinUntil([&] { return up && !linkUpAsked.empty() && r.View().isEnabled(); }, 10000));
        EXPECT_TRUE(linkUpAsked[0].contains(QStringLiteral("CH1 band 3 gain")))
            << linkUpAsked[0].toStdString();
        QTest::qWait(500);
        EXPECT_EQ(ReadBandRecord(amp.ChannelBlock(0, 0), BandOffset(2)), ampBefore)
            << "the recovered settings were sent";
        EXPECT_NE(ReadBandRecord(amp.ChannelBlock(0, 0), BandOffset(2)).gainStep, typed);
    }
    qputenv("XDG_DATA_HOME", before);
}

}  // namespace
}  // namespace tolmarin::testing
