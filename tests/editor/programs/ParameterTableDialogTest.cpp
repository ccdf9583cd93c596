#include <gtest/gtest.h>

#include <QApplication>
#include <QPushButton>
#include <QTest>

#include "ProgramsFixture.h"
#include "editor/programs/ParameterList.h"
#include "editor/programs/ParameterTableDialog.h"
#include "model/ChannelSet.h"
#include "model/ParameterTable.h"
#include "support/Fresh.h"

namespace tolmarin::testing {
namespace {

struct Table : ::testing::TestWithParam<int> {
    FreshState fresh;
    ChannelSet channels{*fresh};
};

// The dialog shows the model's rows as they are, in the language current at opening.
TEST_P(Table, ShowsTheModelsRowsHeadingsAndCaptionInTheLanguageOfTheOpening) {
    fresh->ui.language = GetParam() != 0 ? Language::English : Language::Chinese;
    channels.Channel(1).Band(2).SetEqKind(2);  // CH2's band 3 a low shelf
    const auto rows = BuildParameterTable(channels, fresh->ui);
    ParameterTableDialog dialog(channels, fresh->ui);
    fresh->ui.language = GetParam() != 0
                             ? Language::Chinese
                             : Language::English;  // a later switch changes nothing shown

    ParameterList& list = dialog.List();
    ASSERT_EQ(list.GetItemCount(), kParameterRows);
    for (int r = 0; r < kParameterRows; ++r) {
        EXPECT_EQ(list.GetItemText(r, 0).toStdString(), rows[r].label) << r;
        EXPECT_EQ(list.GetItemText(r, 1).toStdString(), rows[r].cells[0]) << r;
        EXPECT_EQ(list.GetItemText(r, 2).toStdString(), rows[r].cells[1]) << r;
    }
    EXPECT_EQ(list.GetItemText(21, 2), "12dB/Oct");
    EXPECT_EQ(list.GetItemText(22, 2), "");
    const bool english = GetParam() != 0;
    EXPECT_EQ(list.GetItemText(64, 0), english ? "Release" : "释放时间");
    EXPECT_EQ(list.Header().Titles(), (QStringList{english ? "PARAM" : "参数", "CH1", "CH2"}));
    EXPECT_EQ(list.Header().AlignCodes(), "111");
    EXPECT_EQ(list.columnWidth(0), 110);
    EXPECT_EQ(list.columnWidth(2), 90);
    EXPECT_EQ(dialog.windowTitle(), english ? "Data View" : "参数值显示");
    EXPECT_EQ(dialog.PrintButton().text(), english ? "Print" : "打印");
}

INSTANTIATE_TEST_SUITE_P(BothLanguages, Table, ::testing::Values(1, 0));

QColor PixelOfRow(ParameterList& list, int row) {
    const QRect cell = list.visualRect(list.model()->index(row, 1));
    return list.viewport()->grab().toImage().pixelColor(cell.left() + 3, cell.bottom() - 2);
}

// A selection drawn only while the list has the focus, or left on the old row, fails here.
TEST(TableList, TheClickedRowAloneIsFilledInTheSelectionColourAndKeepsItWithoutTheFocus) {
    FreshState fresh;
    ChannelSet channels{*fresh};
    ParameterTableDialog dialog(channels, fresh->ui);
    dialog.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
    ParameterList& list = dialog.List();
    const QColor white = list.palette().color(QPalette::Base);
    auto click = [&](int row) {
        QTest::mouseClick(list.viewport(), Qt::LeftButton, {},
                          list.visualRect(list.model()->index(row, 1)).center());
    };
    click(3);
    EXPECT_EQ(PixelOfRow(list, 3), QColor(ParameterList::kSelectedFill));
    EXPECT_EQ(PixelOfRow(list, 4), white);
    click(5);
    EXPECT_EQ(PixelOfRow(list, 3), white);
    dialog.PrintButton().setFocus();
    EXPECT_FALSE(list.hasFocus());
    EXPECT_EQ(PixelOfRow(list, 5), QColor(ParameterList::kSelectedFill));
    SavePicture(dialog, "data-view.png");
}

TEST(TableList, HeaderGradientDarkensThreePerPixelRowAlsoRightOfTheLastColumn) {
    FreshState fresh;
    ChannelSet channels{*fresh};
    ParameterTableDialog dialog(channels, fresh->ui);
    ParameterListHeader& header = dialog.List().Header();
    const QImage image = header.viewport()->grab().toImage();
    for (const int x : {5, 400}) {  // inside column 0, and the strip past column 2
        EXPECT_EQ(image.pixelColor(x, 0), QColor(180, 179, 179)) << x;
        EXPECT_EQ(image.pixelColor(x, 10), QColor(150, 149, 149)) << x;
    }
    EXPECT_EQ(ParameterListHeader::GradientColour(60), QColor(0, 0, 0));  // floors at 0
}

}  // namespace
}  // namespace tolmarin::testing
