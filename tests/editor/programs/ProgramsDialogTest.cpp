#include <QPushButton>
#include <QScrollBar>
#include <QTest>
#include <algorithm>
#include <filesystem>

#include "ProgramsFixture.h"
#include "controls/NameEdit.h"
#include "controls/PictureRadio.h"
#include "controls/TransparentLabel.h"
#include "editor/programs/ParameterList.h"
#include "editor/programs/ProgramsDialog.h"
#include "link/LinkRig.h"
#include "protocol/FrameBuilder.h"

namespace tolmarin::testing {
namespace {

Bytes FrameOf(std::unique_ptr<SendData> item) {
    return {item->Frame().begin(), item->Frame().end()};
}

void ClickRow(ParameterList& list, int row) {
    QTest::mouseClick(list.viewport(), Qt::LeftButton, {},
                      list.visualRect(list.model()->index(row, 0)).center());
}

// The dialog on a link controller whose transports answer like an amplifier.
struct Dialog : ::testing::Test {
    LinkRig rig;
    SharedState& s = *rig.fresh;
    ChannelSet channels{s};
    RecordingLinkView form;
    FakeChooser chooser;
    TempDir dir{"dialog"};
    ProgramFiles files{s, channels, form, chooser, rig.controller, dir.PathOf("MusicFile")};
    std::vector<QString> questions;

    // The link-up reads the amplifier's names into the image.
    void Link() { rig.LinkedUsb(); }
    std::unique_ptr<ProgramsDialog> Open(bool linked) {
        auto dialog = std::make_unique<ProgramsDialog>(s, files, rig.controller, linked);
        dialog->SetConfirm([this](const QString& q) {
            questions.push_back(q);
            return confirm;
        });
        dialog->show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(dialog.get()));
        return dialog;
    }
    // What the amplifier was sent once the batch in flight is done.
    std::vector<Bytes> SentUntilDone() {
        rig.StepUntil([this] { return !rig.view.done.empty(); });
        return rig.serial.writes;
    }
    void StoreAs(ProgramsDialog& dialog, int row, const QString& name) {
        ClickRow(dialog.List(), row);
        QTest::mouseClick(&dialog.DeviceChoice(ProgramsDialog::kStoreToDevice), Qt::LeftButton);
        dialog.NameField().clear();
        QTest::keyClicks(&dialog.NameField(), name);
        QTest::mouseClick(&dialog.DeviceOk(), Qt::LeftButton);
    }
    bool confirm = true;
};

TEST_F(Dialog, OpensOnProgramOneWithRecallChosenAndTheSlotNamesListed) {
    StoreProgramName(s.ui, s.image.Name(4), "  Bar ");
    s.ui.language = Language::Chinese;
    auto dialog = Open(false);
    ParameterList& list = dialog->List();
    ASSERT_EQ(list.GetItemCount(), 20);
    EXPECT_EQ(list.GetItemText(19, 0), "20");
    EXPECT_EQ(list.GetItemText(0, 1), "");  // a fresh name is blanks and a zero
    EXPECT_EQ(list.GetItemText(3, 1), "Bar");
    EXPECT_EQ(dialog->NumberLabel().text(), "1");
    EXPECT_TRUE(dialog->NameField().isReadOnly());
    EXPECT_TRUE(dialog->PcChoice(ProgramsDialog::kRecallAllFromPc).isChecked());
    EXPECT_TRUE(dialog->DeviceChoice(ProgramsDialog::kRecallFromDevice).isChecked());
    EXPECT_EQ(dialog->DeviceOk().text(), "加载");
    EXPECT_EQ(dialog->windowTitle(), "程序");
    EXPECT_EQ(list.Header().Titles(), (QStringList{"程序", "名称"}));
    EXPECT_EQ(dialog->pos(), QPoint(200, 20));
    SavePicture(*dialog, "programs-zh.png");
}

TEST_F(Dialog, ColumnsFitTheListAndARefusedKeyNeverScrollsIt) {
    auto dialog = Open(false);
    ParameterList& list = dialog->List();
    int columns = 0;
    for (int c = 0; c < list.columnCount(); ++c) {
        columns += list.columnWidth(c);
    }
    EXPECT_LE(columns, list.viewport()->width());
    EXPECT_GE(list.columnWidth(1), list.fontMetrics().horizontalAdvance(QStringLiteral("Name")));
    QTest::mouseClick(&dialog->DeviceChoice(ProgramsDialog::kStoreToDevice), Qt::LeftButton);
    QTest::keyClicks(&dialog->NameField(), QStringLiteral("Hall. ?"));
    EXPECT_EQ(list.horizontalScrollBar()->value(), 0);
    EXPECT_EQ(list.horizontalScrollBar()->maximum(), 0);
}

TEST_F(Dialog, StoringHall2IntoSlot7WritesItsNameAndSendsTheProgramThere) {
    Link();
    StoreProgramName(s.ui, s.image.Name(7), "");
    auto dialog = Open(true);
    ClickRow(dialog->List(), 6);
    QTest::mouseClick(&dialog->DeviceChoice(ProgramsDialog::kStoreToDevice), Qt::LeftButton);
    QTest::keyClicks(&dialog->NameField(), "Hall2");
    SavePicture(*dialog, "programs-en.png");
    QTest::mouseClick(&dialog->DeviceOk(), Qt::LeftButton);
    EXPECT_EQ(dialog->NumberLabel().text(), "7");
    EXPECT_EQ(dialog->DeviceOk().text(), "Save");
    EXPECT_EQ(dialog->result(), QDialog::Accepted);
    EXPECT_FALSE(dialog->isVisible());

    const auto name = s.image.Name(7);
    EXPECT_EQ(std::string(name.begin(), name.end()), std::string("Hall2          ") + '\0');
    EXPECT_EQ(dialog->List().GetItemText(6, 1), "Hall2");
    EXPECT_EQ(rig.model.stores, 1);  // the records went into the live program first
    EXPECT_TRUE(questions.empty());  // nothing stood in slot 7
    std::vector<Bytes> expected{FrameOf(BuildItemWrite(s, ITEM_NAME, 7))};
    for (int ch = 0; ch < kChannelCount; ++ch) {
        expected.push_back(FrameOf(BuildChannelBlock(s, 7, ch)));
    }
    const auto sent = SentUntilDone();
    EXPECT_NE(std::ranges::search(sent, expected).begin(), sent.end());
}

TEST_F(Dialog, StoringOverANamedProgramAsksFirstAndANoChangesNothing) {
    Link();
    StoreProgramName(s.ui, s.image.Name(2), "Old");
    confirm = false;
    auto dialog = Open(true);
    StoreAs(*dialog, 1, "New");
    ASSERT_EQ(questions.size(), 1u);
    EXPECT_TRUE(questions[0].contains("Old"));
    EXPECT_TRUE(dialog->isVisible());
    EXPECT_EQ(LoadFixedText(s.image.Name(2), 15), "Old");
    EXPECT_EQ(rig.command.QueueCount(), 1);  // the poll that was waiting, nothing more
    confirm = true;
    QTest::mouseClick(&dialog->DeviceOk(), Qt::LeftButton);
    EXPECT_EQ(LoadFixedText(s.image.Name(2), 15), "New");
    EXPECT_EQ(dialog->result(), QDialog::Accepted);
}

TEST_F(Dialog, DeviceRequestsAreRefusedWithoutALinkOrWithoutAName) {
    auto unlinked = Open(false);
    QTest::mouseClick(&unlinked->DeviceOk(), Qt::LeftButton);
    EXPECT_TRUE(unlinked->isVisible());
    Link();
    auto dialog = Open(true);
    StoreAs(*dialog, 0, "");
    QTest::keyClicks(&dialog->NameField(), "   ");  // blanks pasted or typed count as empty
    QTest::mouseClick(&dialog->DeviceOk(), Qt::LeftButton);
    EXPECT_TRUE(dialog->isVisible());
    EXPECT_EQ(
        rig.fresh.sink.messages,
        (std::vector<std::string>{"Please open the Link!", "Please enter a name for the program.",
                                  "Please enter a name for the program."}));
    EXPECT_EQ(rig.command.QueueCount(), 1);
}

TEST_F(Dialog, RecallAtOnceWorksOnProgramOneWhateverTheName) {
    Link();
    auto dialog = Open(true);
    QTest::mouseClick(&dialog->DeviceOk(), Qt::LeftButton);
    EXPECT_EQ(dialog->result(), QDialog::Accepted);
    const auto sent = SentUntilDone();
    EXPECT_NE(std::ranges::find(sent, FrameOf(BuildRecall(s, 1))), sent.end());
}

TEST_F(Dialog, NameFieldTakesTwelveCharactersAtMost) {
    auto dialog = Open(false);
    QTest::mouseClick(&dialog->DeviceChoice(ProgramsDialog::kStoreToDevice), Qt::LeftButton);
    QTest::keyClicks(&dialog->NameField(), "ABCDEFGHIJKLMNOP");
    EXPECT_EQ(dialog->NameField().text(), "ABCDEFGHIJKL");
}

TEST_F(Dialog, PcOkStaysOpenWhenTheChooserIsCancelledAndClosesOnceAFileIsWritten) {
    auto dialog = Open(false);
    QTest::mouseClick(&dialog->PcChoice(ProgramsDialog::kSaveOneToPc), Qt::LeftButton);
    QTest::mouseClick(&dialog->PcOk(), Qt::LeftButton);
    EXPECT_TRUE(dialog->isVisible());
    EXPECT_TRUE(dialog->PcChoice(ProgramsDialog::kSaveOneToPc).isChecked());
    chooser.answer = dir.PathOf("room");
    QTest::mouseClick(&dialog->PcOk(), Qt::LeftButton);
    EXPECT_EQ(dialog->result(), QDialog::Accepted);
    EXPECT_EQ(std::filesystem::file_size(dir.PathOf("room.Data12File")), 656u);
}

}  // namespace
}  // namespace tolmarin::testing
