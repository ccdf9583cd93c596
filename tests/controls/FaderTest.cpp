#include <gtest/gtest.h>

#include <QApplication>
#include <QSignalSpy>
#include <QTest>
#include <QWheelEvent>
#include <algorithm>
#include <set>

#include "ControlsTestSupport.h"
#include "controls/Fader.h"
#include "controls/FaderGeometry.h"

namespace tolmarin {
namespace {

// The form's faders: volume (channel 35 x 90, thumb 24 x 11, 0..60) and band gain
// (channel 45 x 115, thumb 19 x 9, 0..400).
FaderGeometry VolumeGeometry() {
    FaderGeometry g;
    g.channelWidth = 35;
    g.channelHeight = 90;
    g.thumbWidth = 24;
    g.thumbHeight = 11;
    g.leftMargin = 17;
    g.maximum = 60;
    return g;
}

TEST(FaderGeometry, ThumbTravelsInsideTheChannelAndADragReachesEveryPosition) {
    FaderGeometry gain = VolumeGeometry();
    gain.channelWidth = 45;
    gain.channelHeight = 115;
    gain.thumbWidth = 19;
    gain.thumbHeight = 9;
    gain.leftMargin = 25;
    gain.maximum = 400;
    FaderGeometry horizontal = VolumeGeometry();
    horizontal.vertical = false;
    horizontal.channelWidth = 120;
    horizontal.channelHeight = 20;
    horizontal.leftMargin = 3;
    horizontal.rightMargin = 5;
    for (const FaderGeometry& g : {VolumeGeometry(), gain, horizontal}) {
        EXPECT_EQ(g.CentreOf(g.minimum), g.FirstCentre());
        for (int p = g.minimum; p <= g.maximum; ++p) {
            const int c = g.CentreOf(p);
            // Along the travel the thumb never leaves the channel.
            const int start = g.vertical ? g.ThumbY(p) : g.ThumbX(p);
            ASSERT_GE(start, 0);
            ASSERT_LE(start + g.ThumbLength(), g.vertical ? g.channelHeight : g.channelWidth);
            ASSERT_EQ(g.ClampCentre(c), c);
        }
        // A drag reaches both ends and, where the travel has a pixel per step, every
        // position; moving down never lowers the position.
        std::set<int> reached;
        for (int c = g.FirstCentre(); c <= g.LastCentre(); ++c) {
            ASSERT_GE(g.PositionAt(c), g.PositionAt(c - 1 < g.FirstCentre() ? c : c - 1));
            reached.insert(std::min(g.PositionAt(c), g.maximum));
        }
        EXPECT_EQ(*reached.begin(), g.minimum);
        EXPECT_EQ(*reached.rbegin(), g.maximum);
        if (g.Travel() >= g.maximum - g.minimum) {
            EXPECT_EQ(static_cast<int>(reached.size()), g.maximum - g.minimum + 1);
        }
    }
    const FaderGeometry v = VolumeGeometry();
    EXPECT_EQ(v.Travel(), 79);
    EXPECT_EQ(v.CentreOf(60), 5 + 79);
    EXPECT_EQ(v.PositionAt(5 + 79), 60);
}

class FaderTest : public ::testing::Test {
protected:
    void SetUp() override {
        testing::InstallPlainPictures();
        window.resize(100, 150);
        fader->setParent(&window);
        fader->move(10, 10);
        fader->SetControlId(1204);
        ASSERT_TRUE(fader->SetBitmapChannel(142));
        ASSERT_TRUE(fader->SetBitmapThumb(143, 144, true));
        fader->SetMargin(17, 0, 0, 0);
        fader->SetVertical(true);
        fader->SetRange(0, 60);
        testing::ShowActive(window);
    }
    void TearDown() override { SetBitmapLoader(nullptr); }

    QPoint Thumb() const {
        const FaderGeometry& g = fader->Geometry();
        return {g.leftMargin + g.thumbWidth / 2, g.CentreOf(fader->GetPos())};
    }
    void Wheel(int delta) {
        const QPointF at(10, 10);
        QWheelEvent event(at, fader->mapToGlobal(at), QPoint(), QPoint(0, delta), Qt::NoButton,
                          Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(fader, &event);
    }

    QWidget window;
    Fader* fader = new Fader;
    QSignalSpy changing{fader, &Fader::faderChanging};
    QSignalSpy changed{fader, &Fader::faderChanged};
};

TEST_F(FaderTest, PositionsSetFromCodeAreClampedAndNeverNotify) {
    EXPECT_EQ(fader->size(), QSize(35, 90));
    fader->SetPos(-5);
    EXPECT_EQ(fader->GetPos(), 0);
    fader->SetPos(75);
    EXPECT_EQ(fader->GetPos(), 60);
    fader->SetPosReversed(60);
    EXPECT_EQ(fader->GetPos(), 0);
    EXPECT_EQ(fader->GetPosReversed(), 60);
    QCoreApplication::processEvents();
    EXPECT_EQ(changing.count() + changed.count(), 0);
}

TEST_F(FaderTest, AClickBesideTheThumbIsOneStepReportedOnceAsChanging) {
    fader->SetPos(30);
    const QPoint below = Thumb() + QPoint(0, 30);
    QTest::mousePress(fader, Qt::LeftButton, Qt::NoModifier, below);
    EXPECT_EQ(fader->GetPos(), 31);
    EXPECT_FALSE(fader->IsDragging());
    // A quick release, before the timer reported, still reports the step.
    QTest::mouseRelease(fader, Qt::LeftButton, Qt::NoModifier, below);
    EXPECT_EQ(changing.count(), 0);  // posted: after the current handler
    QCoreApplication::processEvents();
    ASSERT_EQ(changing.count(), 1);
    EXPECT_EQ(changing.at(0), (QList<QVariant>{1204, 31}));
    EXPECT_EQ(changed.count(), 0);

    // Held longer, the timer reports it and the release adds nothing.
    const QPoint above = Thumb() - QPoint(0, 30);
    QTest::mousePress(fader, Qt::LeftButton, Qt::NoModifier, above);
    ASSERT_TRUE(changing.wait(5000));
    QTest::mouseRelease(fader, Qt::LeftButton, Qt::NoModifier, above);
    QCoreApplication::processEvents();
    EXPECT_EQ(changing.count(), 2);
    EXPECT_EQ(changing.at(1), (QList<QVariant>{1204, 30}));
    EXPECT_EQ(changed.count(), 0);
}

TEST_F(FaderTest, DraggingPastTheEndHoldsTheMaximumAndReleaseReportsOnce) {
    fader->SetPos(10);
    const QPoint grab = Thumb() + QPoint(0, 2);  // caught off-centre
    QTest::mousePress(fader, Qt::LeftButton, Qt::NoModifier, grab);
    EXPECT_TRUE(fader->IsDragging());
    EXPECT_EQ(fader->GetPos(), 10);  // the thumb does not jump to the pointer
    QTest::mouseMove(fader, QPoint(grab.x(), 300));
    EXPECT_EQ(fader->GetPos(), 60);
    EXPECT_TRUE(fader->IsDragging());
    QTest::mouseRelease(fader, Qt::LeftButton, Qt::NoModifier, QPoint(grab.x(), 300));
    QCoreApplication::processEvents();
    ASSERT_EQ(changed.count(), 1);
    EXPECT_EQ(changed.at(0), (QList<QVariant>{1204, 60}));
}

TEST_F(FaderTest, NavigationKeysReportEvenWithoutAChange) {
    fader->SetPos(30);
    fader->setFocus();
    const struct {
        Qt::Key key;
        int position;
    } cases[] = {{Qt::Key_Left, 30},   {Qt::Key_Right, 30},    {Qt::Key_Up, 29},
                 {Qt::Key_Down, 30},   {Qt::Key_PageDown, 50}, {Qt::Key_PageDown, 60},
                 {Qt::Key_PageUp, 40}, {Qt::Key_Home, 0},      {Qt::Key_End, 60}};
    for (const auto& c : cases) {
        QTest::keyClick(fader, c.key);
        EXPECT_EQ(fader->GetPos(), c.position) << c.key;
    }
    QCoreApplication::processEvents();
    ASSERT_EQ(changed.count(), 9);
    EXPECT_EQ(changed.at(0), (QList<QVariant>{1204, 30}));
    EXPECT_EQ(changing.count(), 0);
}

TEST_F(FaderTest, HalfWheelNotchesStepEverySecondMessageAndVerticalReportsEach) {
    fader->SetPos(30);
    Wheel(60);
    Wheel(60);
    EXPECT_EQ(fader->GetPos(), 29);  // wheel up moves the thumb up
    Wheel(-120);
    EXPECT_EQ(fader->GetPos(), 30);
    QCoreApplication::processEvents();
    EXPECT_EQ(changed.count(), 3);

    fader->SetVertical(false);
    Wheel(60);
    QCoreApplication::processEvents();
    EXPECT_EQ(changed.count(), 3);  // a horizontal fader reports only its steps
    Wheel(60);
    EXPECT_EQ(fader->GetPos(), 31);
    QCoreApplication::processEvents();
    EXPECT_EQ(changed.count(), 4);
}

TEST_F(FaderTest, PicturesThatCannotBeLoadedOrDoNotFitAreRefused) {
    SetBitmapLoader(
        [](int id) { return id == 999 ? QPixmap() : QPixmap(testing::PictureSize(id)); });
    EXPECT_FALSE(fader->SetBitmapChannel(999));
    EXPECT_FALSE(fader->SetBitmapThumb(148, 143));  // pressed thumb of another size
    EXPECT_FALSE(fader->SetBitmapThumb(1));         // 40 x 20 does not fit 35 x 90
    EXPECT_TRUE(fader->SetBitmapThumb(148, 147));
}

}  // namespace
}  // namespace tolmarin
