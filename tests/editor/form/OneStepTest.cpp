// One gesture of the operator is one step of the history, whatever the order and timing of
// the notices the controls post: a linked drag, a fader press to release, wheel notches in a
// row; the history's keys commit typed text first; ticking the link redraws both curves.
#include <gtest/gtest.h>

#include <QWheelEvent>

#include "FormRig.h"
#include "controls/Fader.h"
#include "controls/NumberField.h"
#include "controls/PictureButton.h"
#include "controls/PictureRadio.h"
#include "editor/graph/ResponseGraph.h"
#include "editor/history/EditHistory.h"
#include "formdesc/FormIds.h"
#include "model/Parameters.h"
#include "support/qt/EventLoop.h"

namespace tolmarin::testing {
namespace {

using namespace form;

// A form whose history reads a clock the test moves.
struct StepRig : FormRig {
    StepRig() {
        view->History().SetClock([this] { return now; });
    }
    EditHistory& History() { return view->History(); }
    int Steps() { return History().Stack().count(); }
    void Link() {
        Click(Get<PictureRadio>(kLinkCheck));
        ASSERT_TRUE(channels.Ch1Ch2Linked());
    }
    // Presses a band's handle on the graph, moves it up in steps and releases it; waitMs
    // before the release (0: the release comes before the graph's change notice).
    void DragBand(int k, int dy, int waitMs) {
        auto* graph = Get<ResponseGraph>(kGraph);
        const Point c = graph->Interaction().Marks(channels.Channel(0).Band(k)).main.Center();
        const QPoint handle(c.x, c.y);
        QMouseEvent hover(QEvent::MouseMove, handle, graph->mapToGlobal(handle), Qt::NoButton,
                          Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(graph, &hover);
        QTest::mousePress(graph, Qt::LeftButton, {}, handle);
        for (int d = 5; d <= dy; d += 5) {
            QTest::mouseMove(graph, handle + QPoint(0, -d));
        }
        if (waitMs > 0) {
            QTest::qWait(waitMs);
        }
        QTest::mouseRelease(graph, Qt::LeftButton, {}, handle + QPoint(0, -dy));
    }
    void ShowChannel(int n) { Click(Get<PictureButton>(kChannelButton + n)); }
    void Wheel(QWidget* w, int notches) {
        const QPointF at = QRectF(w->rect()).center();
        QWheelEvent e(at, w->mapToGlobal(at), QPoint(), QPoint(0, notches * 120), Qt::NoButton,
                      Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(w, &e);
        QCoreApplication::processEvents();
    }
    qint64 now = 1'000'000;
};

// A linked drag released before its notice left CH1 dragged as one step and CH2 mirrored as a
// second, so one Ctrl+Z split the pair.
TEST(OneStep, ALinkedGraphDragIsOneStepForBothChannelsWhateverTheReleaseTiming) {
    for (const int waitMs : {0, 3 * ResponseGraph::kNoticePeriodMs}) {
        SCOPED_TRACE(waitMs);
        StepRig r;
        r.Link();
        const int before = r.Steps();
        const int gainBefore = r.channels.Channel(1).Band(3).GetGainStep();
        r.DragBand(3, 40, waitMs);
        QTest::qWait(3 * ResponseGraph::kNoticePeriodMs);  // every notice delivered
        const int dragged = r.channels.Channel(0).Band(3).GetGainStep();
        ASSERT_NE(dragged, gainBefore);
        EXPECT_EQ(r.channels.Channel(1).Band(3).GetGainStep(), dragged);
        EXPECT_EQ(r.Steps(), before + 1) << "the drag is one step";
        QTest::keyClick(r.view.get(), Qt::Key_Z, Qt::ControlModifier);
        EXPECT_EQ(r.channels.Channel(0).Band(3).GetGainStep(), gainBefore);
        EXPECT_EQ(r.channels.Channel(1).Band(3).GetGainStep(), gainBefore)
            << "one undo takes back both channels";
    }
}

// Ctrl+Z pressed between a linked drag's move and its notice must not find CH2 behind.
TEST(OneStep, AnUndoBeforeTheGraphsNoticeNeverFindsTheLinkedPartnerBehind) {
    StepRig r;
    r.Link();
    auto* graph = r.Get<ResponseGraph>(kGraph);
    const int gainBefore = r.channels.Channel(0).Band(2).GetGainStep();
    const Filter& band = r.channels.Channel(0).Band(2);
    const Point c = graph->Interaction().Marks(band).main.Center();
    const QPoint at(c.x, c.y);
    // A wheel over a peaking band turns its bandwidth at once, its notice comes later.
    const int widthBefore = band.GetBandwidthStep();
    QWheelEvent e(at, graph->mapToGlobal(at), QPoint(), QPoint(0, 120), Qt::NoButton,
                  Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(graph, &e);
    ASSERT_NE(band.GetBandwidthStep(), widthBefore);
    EXPECT_EQ(r.channels.Channel(1).Band(2).GetBandwidthStep(), band.GetBandwidthStep())
        << "the partner follows at once";
    r.History().Undo();
    EXPECT_EQ(band.GetBandwidthStep(), widthBefore);
    EXPECT_EQ(r.channels.Channel(1).Band(2).GetBandwidthStep(), widthBefore);
    EXPECT_EQ(band.GetGainStep(), gainBefore);
}

// The fader reports its last move on release, after the form had closed the gesture: a
// release within 50 ms of the last move was a second step.
TEST(OneStep, AFaderPressToReleaseIsOneStepEvenReleasedRightAfterItsLastMove) {
    StepRig r;
    auto* fader = r.Get<Fader>(kBandFader + 1);
    const int before = r.Steps();
    const QPoint thumb(fader->Geometry().ThumbX(fader->GetPos()) + 4,
                       fader->Geometry().ThumbY(fader->GetPos()) + 4);
    QTest::mousePress(fader, Qt::LeftButton, {}, thumb);
    QTest::mouseMove(fader, thumb + QPoint(0, -10));
    QTest::qWait(3 * Fader::kChangingPeriodMs);  // one report while held
    QTest::mouseMove(fader, thumb + QPoint(0, -30));
    QTest::mouseRelease(fader, Qt::LeftButton, {}, thumb + QPoint(0, -30));  // at once
    QTest::qWait(3 * Fader::kChangingPeriodMs);
    const int gain = r.channels.Channel(0).Band(1).GetGainStep();
    ASSERT_GT(gain, kFlatGainStep);
    EXPECT_EQ(fader->GetPosReversed(), gain) << "the last move arrived";
    EXPECT_EQ(r.Steps(), before + 1);
    r.History().Undo();
    EXPECT_EQ(r.channels.Channel(0).Band(1).GetGainStep(), kFlatGainStep);
}

// Wheel notches on one control close together are one step; a pause, another control or
// another edit between starts a new one.
TEST(OneStep, WheelNotchesOnOneControlWithinHalfASecondAreOneStep) {
    struct Case {
        const char* what;
        qint64 gapMs;
        bool otherEditBetween;
        int steps;
    };
    const Case cases[] = {
        {"close together", 300, false, 1},
        {"a pause before each", EditHistory::kWheelMergeMs + 100, false, 3},
        {"another edit between", 100, true, 3},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        StepRig r;
        auto* fader = r.Get<Fader>(kBandFader + 4);
        r.Wheel(fader, 1);
        r.now += c.gapMs;
        if (c.otherEditBetween) {
            r.Type(kBandGain + 6, "2");
            r.now += c.gapMs;
        }
        r.Wheel(fader, 1);
        r.now += c.gapMs;
        r.Wheel(fader, 1);
        EXPECT_EQ(r.Steps(), c.steps);
        EXPECT_EQ(r.channels.Channel(0).Band(4).GetGainStep(), kFlatGainStep + 3);
    }
}

TEST(OneStep, WheelNotchesOnTwoControlsAreTwoSteps) {
    StepRig r;
    r.Wheel(r.Get<Fader>(kBandFader + 4), 1);
    r.now += 100;
    r.Wheel(r.Get<Fader>(kBandFader + 5), 1);
    EXPECT_EQ(r.Steps(), 2);
}

// Ctrl+B while a field held typed text dropped the text: the switch made B from the old
// value and the typing was lost.
TEST(OneStep, HistoryKeysAndButtonsCommitTypedTextFirst) {
    StepRig r;
    auto* field = r.Get<NumberField>(kBandGain + 2);
    field->setFocus();
    field->selectAll();
    QTest::keyClicks(field, QStringLiteral("5"));
    QTest::keyClick(field, Qt::Key_B, Qt::ControlModifier);
    EXPECT_TRUE(r.History().BActive());
    EXPECT_EQ(r.Steps(), 2) << "the typing, then the switch";
    QTest::keyClick(r.view.get(), Qt::Key_B, Qt::ControlModifier);  // back to A
    EXPECT_EQ(r.channels.Channel(0).Band(2).GetGainStep(), 250) << "A holds what was typed";

    // The strip's Undo button takes the focus from nobody: it commits the typing too.
    field->setFocus();
    field->selectAll();
    QTest::keyClicks(field, QStringLiteral("-3"));
    r.Click(r.view->Control(IdOf(Control::Undo)));
    EXPECT_EQ(r.channels.Channel(0).Band(2).GetGainStep(), 250)
        << "the typed -3 was a step of its own, and undo took it back";
    EXPECT_EQ(field->text(), QStringLiteral("5.0"));
    r.History().Redo();
    EXPECT_EQ(r.channels.Channel(0).Band(2).GetGainStep(), 170) << "nothing typed is lost";
}

// Counts the paints a widget gets.
struct PaintCounter : QObject {
    int paints = 0;
    bool eventFilter(QObject*, QEvent* e) override {
        paints += e->type() == QEvent::Paint ? 1 : 0;
        return false;
    }
};

// After ticking the link CH2 takes CH1's filters; the graph was not repainted, so CH2's curve
// kept its old shape on screen until the channel was switched.
TEST(OneStep, TickingTheLinkRepaintsTheGraphWithBothChannelsCurves) {
    StepRig r;
    r.Type(kBandGain + 0, "6");
    r.ShowChannel(1);
    r.Type(kBandGain + 0, "-6");
    r.ShowChannel(0);
    QTest::qWait(50);
    auto* graph = r.Get<ResponseGraph>(kGraph);
    PaintCounter counter;
    graph->installEventFilter(&counter);
    r.Link();
    QTest::qWait(50);
    EXPECT_EQ(r.channels.Channel(1).Band(0).GetGainStep(), 260);
    EXPECT_GT(counter.paints, 0) << "the graph is drawn again with CH2's new curve";
    graph->removeEventFilter(&counter);
}

}  // namespace
}  // namespace tolmarin::testing
