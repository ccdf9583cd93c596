#include <gtest/gtest.h>

#include <QApplication>
#include <QEnterEvent>
#include <QSignalSpy>
#include <QTest>

#include "ControlsTestSupport.h"
#include "controls/FontLabel.h"
#include "controls/LampLevel.h"
#include "controls/PictureButton.h"
#include "controls/PictureRadio.h"

namespace tolmarin {
namespace {

TEST(LampLevel, SegmentsLightFromTheBottomByTheReadingTable) {
    const struct {
        int value, lit;
    } cases[] = {{-5, 0}, {30, 0}, {31, 1}, {34, 1}, {35, 2}, {37, 2}, {38, 3}, {40, 3},  {41, 4},
                 {44, 4}, {45, 5}, {47, 5}, {48, 6}, {50, 6}, {51, 7}, {52, 8}, {127, 8}, {200, 8}};
    for (const auto& c : cases) {
        LampLevel lamp;
        lamp.SetLevel(c.value);
        EXPECT_EQ(lamp.LitCount(), c.lit) << c.value;
        for (int i = 0; i < LampLevel::kSegments; ++i) {
            EXPECT_EQ(lamp.IsLit(i), i < c.lit) << c.value << " segment " << i;
        }
    }
}

TEST(LampLevel, RedrawsOnlyWhenASegmentChangesAndAWrappedLowReadingKeepsTheLamp) {
    LampLevel lamp;
    EXPECT_TRUE(lamp.SetLevel(45));
    EXPECT_TRUE(lamp.SetLevel(30));
    EXPECT_EQ(lamp.LitCount(), 0);
    EXPECT_FALSE(lamp.SetLevel(30));
    EXPECT_TRUE(lamp.SetLevel(50));
    EXPECT_FALSE(lamp.SetLevel(49));   // still six segments
    EXPECT_FALSE(lamp.SetLevel(130));  // low seven bits are 2
    EXPECT_EQ(lamp.LitCount(), 6);
}

class PictureButtonTest : public ::testing::Test {
protected:
    void SetUp() override {
        testing::InstallPlainPictures();
        window.resize(200, 100);
        button->setParent(&window);
        button->move(20, 30);
        testing::ShowActive(window);
    }
    void TearDown() override { SetBitmapLoader(nullptr); }

    void Hover(bool inside) {
        if (inside) {
            QEnterEvent enter(QPointF(2, 2), QPointF(22, 32), button->mapToGlobal(QPointF(2, 2)));
            QApplication::sendEvent(button, &enter);
        } else {
            QEvent leave(QEvent::Leave);
            QApplication::sendEvent(button, &leave);
        }
    }

    QWidget window;
    PictureButton* button = new PictureButton;
};

TEST_F(PictureButtonTest, WithOnePicturePerLookHoverAndPressKeepTheLook) {
    button->SetBitmaps(166, 166, 166, 167, 167, 167);
    button->SetOn(true);
    EXPECT_EQ(button->CurrentBitmap(), 166);
    Hover(true);
    EXPECT_EQ(button->CurrentBitmap(), 166);
    QTest::mousePress(button, Qt::LeftButton, Qt::NoModifier, QPoint(2, 2));
    EXPECT_EQ(button->CurrentBitmap(), 166);
    QTest::mouseRelease(button, Qt::LeftButton, Qt::NoModifier, QPoint(2, 2));
    button->SetOn(false);
    EXPECT_EQ(button->CurrentBitmap(), 167);
    EXPECT_EQ(button->pos(), QPoint(20, 30));  // sized by its picture, kept in place
    EXPECT_EQ(button->size(), testing::PictureSize(167));
}

TEST_F(PictureButtonTest, HoverAndPressChooseTheirOwnPicturesAndAClickIsAClick) {
    button->SetBitmaps(1, 2, 3, 4, 5, 6);
    QSignalSpy clicks(button, &QAbstractButton::clicked);
    EXPECT_EQ(button->CurrentBitmap(), 4);
    Hover(true);
    EXPECT_EQ(button->CurrentBitmap(), 5);
    QTest::mousePress(button, Qt::LeftButton, Qt::NoModifier, QPoint(2, 2));
    EXPECT_EQ(button->CurrentBitmap(), 6);
    button->SetOn(true);
    EXPECT_EQ(button->CurrentBitmap(), 3);
    QTest::mouseRelease(button, Qt::LeftButton, Qt::NoModifier, QPoint(2, 2));
    EXPECT_EQ(button->CurrentBitmap(), 2);
    Hover(false);
    EXPECT_EQ(button->CurrentBitmap(), 1);
    EXPECT_EQ(clicks.count(), 1);
}

// A disabled control that ignores input must not look as it does when it takes it.
TEST_F(PictureButtonTest, ADisabledButtonAndCheckBoxAreDrawnDifferently) {
    button->SetBitmaps(166, 166, 166, 167, 167, 167);
    const QImage enabled = button->grab().toImage();
    button->setEnabled(false);
    const QImage disabled = button->grab().toImage();
    EXPECT_NE(enabled, disabled);
    const QRgb centre = disabled.pixel(disabled.rect().center());
    EXPECT_EQ(qRed(centre), qGreen(centre)) << "drawn grey";

    auto* check = new PictureRadio("Link CH1 && CH2", PictureRadio::Style::Check, &window);
    check->setGeometry(0, 60, 150, 20);
    check->show();
    const QImage live = check->grab().toImage();
    check->setEnabled(false);
    EXPECT_NE(check->grab().toImage(), live);
}

TEST(PictureRadio, RadiosOfOneParentAreExclusiveAndACheckBoxToggles) {
    QWidget parent;
    auto* usb = new PictureRadio("USB", PictureRadio::Style::Radio, &parent);
    auto* net = new PictureRadio("Network", PictureRadio::Style::Radio, &parent);
    auto* link = new PictureRadio("Link CH1 && CH2", PictureRadio::Style::Check, &parent);
    usb->setGeometry(0, 0, 100, 20);
    net->setGeometry(0, 20, 100, 20);
    link->setGeometry(0, 40, 150, 20);
    parent.resize(200, 80);
    testing::ShowActive(parent);
    QTest::mouseClick(usb, Qt::LeftButton);
    QTest::mouseClick(net, Qt::LeftButton);
    EXPECT_FALSE(usb->isChecked());
    EXPECT_TRUE(net->isChecked());
    QTest::mouseClick(link, Qt::LeftButton);
    QTest::mouseClick(link, Qt::LeftButton);
    EXPECT_FALSE(link->isChecked());
}

TEST(FontLabel, AlignmentBitsAreTestedCentreThenRightThenLeft) {
    FontLabel label;
    EXPECT_EQ(label.Alignment(), Qt::AlignHCenter);
    label.SetFontStyle("Arial", 20, Qt::black, FontLabel::kRight | FontLabel::kLeft);
    EXPECT_EQ(label.Alignment(), Qt::AlignRight);
    label.SetFontStyle("Arial", 20, Qt::black, FontLabel::kLeft);
    EXPECT_EQ(label.Alignment(), Qt::AlignLeft);
    label.SetFontStyle("Arial", 20, Qt::black, FontLabel::kCentred | FontLabel::kRight);
    EXPECT_EQ(label.Alignment(), Qt::AlignHCenter);
}

}  // namespace
}  // namespace tolmarin
