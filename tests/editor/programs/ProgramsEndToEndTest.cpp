#include <QHostAddress>
#include <QPushButton>
#include <QTest>
#include <algorithm>
#include <filesystem>

#include "ProgramsFixture.h"
#include "controls/NameEdit.h"
#include "controls/PictureRadio.h"
#include "controls/TransparentLabel.h"
#include "editor/programs/ParameterList.h"
#include "editor/programs/ProgramsDialog.h"
#include "link/ChannelSetModel.h"
#include "link/DeviceSession.h"
#include "sim/Amplifier.h"
#include "sim/server/SimServer.h"
#include "support/qt/EventLoop.h"

namespace tolmarin::testing {
namespace {

// The form's part in a read of all programs: it writes the file once the last arrives.
class FormView : public RecordingLinkView {
public:
    void WriteAllProgramsFile(const std::string& path) override {
        files->WriteAllProgramsFile(path);
    }
    ProgramFiles* files = nullptr;
};

// The Programs dialog on the real link against the simulated amplifier over loopback TCP.
struct ProgramsEndToEnd : ::testing::Test {
    explicit ProgramsEndToEnd(const sim::Faults& faults = {}) : server(amp, faults) {}
    void SetUp() override {
        view.files = &files;
        ASSERT_TRUE(server.ListenTcp(QHostAddress::LocalHost, 0));
        LinkController& c = link.Controller();
        QObject::connect(&c, &LinkController::linkUpFinished, [this] { ++ups; });
        c.OpenNetworkLinkTo("127.0.0.1", server.TcpPort());
        ASSERT_TRUE(SpinUntil([this] { return ups == 1; }, 10000));
    }
    std::unique_ptr<ProgramsDialog> Open() {
        auto dialog = std::make_unique<ProgramsDialog>(s, files, &link.Controller(), true);
        dialog->show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(dialog.get()));
        return dialog;
    }
    static void ClickRow(ProgramsDialog& dialog, int row) {
        ParameterList& list = dialog.List();
        QTest::mouseClick(list.viewport(), Qt::LeftButton, {},
                          list.visualRect(list.model()->index(row, 0)).center());
    }

    sim::Amplifier amp{410};
    sim::SimServer server;
    FreshState fresh;
    SharedState& s = *fresh;
    ChannelSet channels{s};
    ChannelSetModel model{channels};
    FormView view;
    DeviceSession link{s, model, view};
    FakeChooser chooser;
    TempDir dir{"programs-e2e"};
    ProgramFiles files{s, channels, view, chooser, &link.Controller(), dir.PathOf("MusicFile")};
    int ups = 0;
};

TEST_F(ProgramsEndToEnd, StoreIntoSlot7RecallSlot3AndKeepAllTwentyOnThePc) {
    channels.Channel(0).SetDelay(123);
    auto store = Open();
    store->SetConfirm([](const QString&) { return true; });  // the amplifier's slot 7 has a name
    ClickRow(*store, 6);
    QTest::mouseClick(&store->DeviceChoice(ProgramsDialog::kStoreToDevice), Qt::LeftButton);
    store->NameField().selectAll();  // the row's name is replaced, as an operator types over it
    QTest::keyClicks(&store->NameField(), "Hall2");
    const std::size_t before = view.done.size();
    QTest::mouseClick(&store->DeviceOk(), Qt::LeftButton);
    ASSERT_TRUE(SpinUntil([&] { return view.done.size() > before; }, 10000));
    EXPECT_EQ(LoadFixedText(amp.Name(7), 15), "Hall2");
    EXPECT_TRUE(std::ranges::equal(amp.Data(7), s.image.Data(0)));

    auto recall = Open();
    ClickRow(*recall, 2);
    const int shown = view.statesShown;  // the form shows the recalled program
    QTest::mouseClick(&recall->DeviceOk(), Qt::LeftButton);
    ASSERT_TRUE(SpinUntil([&] { return view.statesShown > shown; }, 10000));
    for (int ch = 0; ch < 2; ++ch) {  // the band records, which loading leaves as they come
        const auto ours = s.image.ChannelBlock(0, ch).subspan(block::kBands);
        const auto theirs = amp.Data(3).subspan(ch * kChannelBlockSize + block::kBands,
                                                kChannelBlockSize - block::kBands);
        EXPECT_TRUE(std::ranges::equal(ours, theirs)) << ch;
    }

    auto keep = Open();
    QTest::mouseClick(&keep->PcChoice(ProgramsDialog::kSaveAllToPc), Qt::LeftButton);
    chooser.answer = dir.PathOf("venue");
    QTest::mouseClick(&keep->PcOk(), Qt::LeftButton);
    EXPECT_EQ(keep->result(), QDialog::Accepted);
    const std::string path = dir.PathOf("venue.ALLData12File");
    ASSERT_TRUE(SpinUntil([&] { return std::filesystem::exists(path); }, 10000));
    std::vector<std::uint8_t> expected;
    for (int n = 1; n <= kStoredPrograms; ++n) {
        expected.insert(expected.end(), amp.ProgramRecord(n).begin(), amp.ProgramRecord(n).end());
    }
    EXPECT_EQ(FileBytes(path), expected);
    EXPECT_TRUE(fresh.sink.messages.empty()) << fresh.sink.messages.front();
}

// An amplifier that acknowledges writes to slot 7 without applying them.
struct UnappliedSlot7 : ProgramsEndToEnd {
    static sim::Faults Ignoring7() {
        sim::Faults f;
        f.ignoreProgram = 7;
        return f;
    }
    UnappliedSlot7() : ProgramsEndToEnd(Ignoring7()) {}
};

// After a store that did not verify, the list shows the name the amplifier holds, not the
// one typed for it.
TEST_F(UnappliedSlot7, AfterAMismatchTheListShowsWhatTheAmplifierHolds) {
    const QString held = QString::fromStdString(LoadFixedText(amp.Name(7), 15));
    ASSERT_NE(held, "Hall2");
    auto store = Open();
    store->SetConfirm([](const QString&) { return true; });
    ClickRow(*store, 6);
    QTest::mouseClick(&store->DeviceChoice(ProgramsDialog::kStoreToDevice), Qt::LeftButton);
    store->NameField().selectAll();
    QTest::keyClicks(&store->NameField(), "Hall2");
    bool verified = true;
    bool ended = false;
    QObject::connect(&link.Controller(), &LinkController::writesVerified, [&](bool v) {
        verified = v;
        ended = true;
    });
    QTest::mouseClick(&store->DeviceOk(), Qt::LeftButton);
    ASSERT_TRUE(SpinUntil([&] { return ended; }, 10000));
    EXPECT_FALSE(verified);
    ASSERT_FALSE(fresh.sink.messages.empty());
    EXPECT_NE(fresh.sink.messages.back().find("program 7 differs"), std::string::npos)
        << fresh.sink.messages.back();
    auto again = Open();
    EXPECT_EQ(again->List().GetItemText(6, 1), held);
}

}  // namespace
}  // namespace tolmarin::testing
