#include <gtest/gtest.h>

#include <cmath>

#include <QApplication>
#include <QMouseEvent>
#include <QSignalSpy>
#include <QTest>
#include <QWheelEvent>

#include "editor/graph/ResponseGraph.h"
#include "model/ChannelSet.h"
#include "response/Filter.h"
#include "support/Fresh.h"

namespace tolmarin {
namespace {

constexpr int kHighPassPos = 8;
constexpr int kLowPassPos = 9;

// The graph at 645 x 270 (a 600 x 240 plot) on a fresh channel set, editing CH1, with a
// form listening.
struct GraphTest : ::testing::Test {
    testing::FreshState fresh;
    ChannelSet set{*fresh};
    QObject view;
    ResponseGraph graph;
    QSignalSpy notices{&graph, &ResponseGraph::filterChanged};

    GraphTest() {
        graph.resize(645, 270);
        graph.AttachChannels(&set);
        graph.SetPlotArea();
        graph.SetParentView(&view);
        graph.SelectChannel(0);
    }

    Filter& FilterAt(int pos) { return set.Channel(0).Eq().Band(pos); }
    FilterMarks Marks(const Filter& f) const { return graph.Interaction().Marks(f); }
    static QPoint Centre(const Rect& r) { return {r.Center().x, r.Center().y}; }
    static int X(int hz) { return FreqToX(hz, 600) + 35; }
    static constexpr QPoint kEmpty{600, 30};  // no handle up there

    // A pointer move with no button down.
    void Hover(QPoint p) {
        QMouseEvent e(QEvent::MouseMove, p, graph.mapToGlobal(p), Qt::NoButton, Qt::NoButton,
                      Qt::NoModifier);
        QApplication::sendEvent(&graph, &e);
    }
    void Press(QPoint p) { QTest::mousePress(&graph, Qt::LeftButton, {}, p); }
    void MoveHeld(QPoint p) { QTest::mouseMove(&graph, p); }
    void Release(QPoint p) { QTest::mouseRelease(&graph, Qt::LeftButton, {}, p); }
    // A pointer arriving at from across empty plot, as a hand moves it.
    void Drag(QPoint from, QPoint to) {
        Hover(kEmpty);
        Hover(from);
        Press(from);
        MoveHeld(to);
        Release(to);
    }
    void Wheel(QPoint p, int delta) {
        QWheelEvent e(p, graph.mapToGlobal(p), {}, {0, delta}, Qt::NoButton, Qt::NoModifier,
                      Qt::NoScrollPhase, false);
        QApplication::sendEvent(&graph, &e);
    }
    // One tick of the notice timer, then the queued notices are delivered.
    void Tick() {
        graph.OnNoticeTimer();
        QCoreApplication::processEvents();
    }
};

TEST_F(GraphTest, GridPageIgnoresThePointerUntilAChannelIsSelected) {
    ResponseGraph grid;
    grid.resize(645, 270);
    grid.AttachChannels(&set);
    grid.SetParentView(&view);
    QSignalSpy spy(&grid, &ResponseGraph::filterChanged);
    const QPoint handle = Centre(Marks(FilterAt(0)).main);
    QMouseEvent move(QEvent::MouseMove, handle, grid.mapToGlobal(handle), Qt::NoButton,
                     Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(&grid, &move);
    QTest::mousePress(&grid, Qt::LeftButton, {}, handle);
    QTest::mouseMove(&grid, handle + QPoint(100, -50));
    QTest::mouseRelease(&grid, Qt::LeftButton, {}, handle + QPoint(100, -50));
    grid.OnNoticeTimer();
    QCoreApplication::processEvents();

    EXPECT_EQ(grid.Mode(), GraphMode::kGrid);
    EXPECT_EQ(grid.Interaction().CurrentIndex(), -1);
    EXPECT_EQ(FilterAt(0).GetFreq(), kDefaultBandFreq[0]);
    EXPECT_EQ(grid.Interaction().ActiveFilter(), nullptr);
    EXPECT_FALSE(grid.testAttribute(Qt::WA_SetCursor));
    EXPECT_EQ(spy.count(), 0);
}

TEST_F(GraphTest, HoverPicksTheFilterShowsTheMoveCursorAndTooltipAndLeavingKeepsItShown) {
    graph.SelectChannel(1);
    EXPECT_EQ(graph.Interaction().CurrentIndex(), 1);
    Filter& band = set.Channel(1).Band(3);
    const QPoint handle = Centre(Marks(band).main);
    Hover(handle);
    EXPECT_EQ(graph.Interaction().ActiveFilter(), &band);
    EXPECT_EQ(graph.Interaction().ActiveIndex(), 3);
    EXPECT_EQ(graph.cursor().shape(), Qt::SizeAllCursor);

    EXPECT_EQ(graph.toolTip().toStdString(), band.LabelText());

    Hover(kEmpty);
    EXPECT_EQ(graph.cursor().shape(), Qt::ArrowCursor);
    EXPECT_EQ(graph.Interaction().ShownFilter(), &band);
    EXPECT_TRUE(graph.toolTip().isEmpty());

    Tick();
    EXPECT_EQ(notices.count(), 0);  // hovering changes nothing
}

TEST_F(GraphTest, BandDragKeepsTheGrabOffsetAndEndsOnRelease) {
    Filter& band = FilterAt(4);
    const QPoint grab = Centre(Marks(band).main) + QPoint(3, 2);
    Hover(grab);
    Press(grab);
    MoveHeld({X(3000) + 3, 90 - 24 + 2});  // +6 dB at 4 pixels a dB
    EXPECT_EQ(band.GetFreq(), XToFreq(X(3000) - 35, 600));
    EXPECT_EQ(band.GetGainStep(), 200 + 65);  // the half-dB offset of the mapping stays
    EXPECT_EQ(Centre(Marks(band).main).x(), X(band.GetFreq()));
    Release({X(3000) + 3, 68});
    const int freq = band.GetFreq();
    MoveHeld({X(300), 150});
    Hover({X(300), 150});
    EXPECT_EQ(band.GetFreq(), freq);

    // A channel switch in the middle of a drag ends it: coming back, hovering drags nothing.
    const QPoint again = Centre(Marks(band).main);
    Hover(again);
    Press(again);
    graph.SelectChannel(1);
    graph.SelectChannel(0);
    Hover(kEmpty);
    Hover(again);
    Hover(again + QPoint(-60, 20));
    EXPECT_EQ(band.GetFreq(), freq);
}

TEST_F(GraphTest, ShelfDragFollowsThePointerOutsideItsHandleAndStopsAt2kHz) {
    Filter& low = FilterAt(2);
    low.SetEqKind(1);
    Drag(Centre(Marks(low).main), {X(12000), 90});
    EXPECT_EQ(low.GetFreq(), 2000);

    Filter& high = FilterAt(7);
    high.SetEqKind(3);
    Drag(Centre(Marks(high).main), {X(60), 200});
    EXPECT_EQ(high.GetFreq(), 2000);
    EXPECT_LT(high.GetGainStep(), 200);
}

TEST_F(GraphTest, BandwidthHandlesStopAtThreeOctavesAndAtOneTwentieth) {
    Filter& band = FilterAt(4);
    Hover(Centre(Marks(band).main));
    Drag(Centre(Marks(band).right), {X(20000), 100});
    EXPECT_EQ(band.GetBandwidthStep(), 59);  // 3.00 octaves
    Hover(Centre(Marks(band).main));
    Drag(Centre(Marks(band).left), {X(band.GetFreq()) + 25, 100});
    EXPECT_EQ(band.GetBandwidthStep(), 0);  // 0.05 octave
    Tick();
    EXPECT_EQ(notices.count(), 1);

    // A shelf draws no side handles, so the places they would be do nothing.
    Filter& shelf = FilterAt(1);
    shelf.SetEqKind(2);
    const int step = shelf.GetBandwidthStep();
    Hover(Centre(Marks(shelf).main));
    Hover(Centre(Marks(shelf).right));
    EXPECT_EQ(graph.cursor().shape(), Qt::ArrowCursor);
    Press(Centre(Marks(shelf).right));
    MoveHeld({X(20000), 100});
    Release({X(20000), 100});
    EXPECT_EQ(shelf.GetBandwidthStep(), step);
}

TEST_F(GraphTest, CrossoverDragsNeverPassEachOtherAndTheLeftEdgeSwitchesTheHighPassOff) {
    Filter& hp = FilterAt(kHighPassPos);
    Filter& lp = FilterAt(kLowPassPos);
    hp.SetFreq(200, true);
    lp.SetFreq(2000, true);
    Drag(Centre(Marks(hp).main), {X(8000), 0});  // the pointer's y does not matter
    EXPECT_EQ(hp.GetFreq(), 2000);

    hp.SetFreq(500, true);
    Drag(Centre(Marks(lp).main), {X(100), 260});
    EXPECT_EQ(lp.GetFreq(), 500);

    Drag(Centre(Marks(hp).main), {20, 240});
    EXPECT_EQ(hp.GetFreq(), 20);
    for (double db : hp.Response()) {
        ASSERT_EQ(db, 0.0);
    }
    Tick();  // one notice per drag: each came before the tick of the one before
    ASSERT_EQ(notices.count(), 3);
    EXPECT_EQ(notices.at(0).at(0).toInt(), kHighPassPos);
    EXPECT_EQ(notices.at(1).at(0).toInt(), kLowPassPos);
    EXPECT_EQ(notices.at(2).at(0).toInt(), kHighPassPos);
}

TEST_F(GraphTest, DragsFarOutsideTheControlStayInRangeAndNeverShowAMessage) {
    Filter& band = FilterAt(0);
    Drag(Centre(Marks(band).main), {-5000, -5000});
    EXPECT_EQ(band.GetFreq(), 20);
    EXPECT_EQ(band.GetGainStep(), 400);
    Drag(Centre(Marks(band).main), {90000, 90000});
    EXPECT_EQ(band.GetFreq(), 20000);
    EXPECT_EQ(band.GetGainStep(), 0);
    Drag(Centre(Marks(FilterAt(kLowPassPos)).main), {-90000, 0});
    EXPECT_EQ(FilterAt(kLowPassPos).GetFreq(), FilterAt(kHighPassPos).GetFreq());
    EXPECT_TRUE(fresh.sink.messages.empty());
}

TEST_F(GraphTest, StepsWithinOneTickGiveOneNoticeAfterTheHandlerReturns) {
    Filter& band = FilterAt(5);
    const QPoint start = Centre(Marks(band).main);
    Hover(start);
    Press(start);
    MoveHeld(start + QPoint(20, 0));
    MoveHeld(start + QPoint(40, 8));
    MoveHeld(start + QPoint(60, 16));
    EXPECT_TRUE(graph.Interaction().NoticeDue());
    graph.OnNoticeTimer();
    EXPECT_EQ(notices.count(), 0);  // posted, not sent
    QCoreApplication::processEvents();
    ASSERT_EQ(notices.count(), 1);
    EXPECT_EQ(notices.at(0).at(0).toInt(), 5);
    Tick();
    EXPECT_EQ(notices.count(), 1);

    // A step that lands on the same frequency and gain changes nothing and tells nobody.
    MoveHeld(start + QPoint(60, 16));
    Release(start + QPoint(60, 16));
    Tick();
    EXPECT_EQ(notices.count(), 1);
}

TEST_F(GraphTest, NoticesNeedAListenerAndComeFromTheRunningTimer) {
    graph.SetParentView(nullptr);
    Drag(Centre(Marks(FilterAt(6)).main), {X(4000), 40});
    Tick();
    EXPECT_EQ(notices.count(), 0);

    graph.SetParentView(&view);
    Drag(Centre(Marks(FilterAt(6)).main), {X(6000), 60});
    ASSERT_TRUE(notices.wait(2000));
    EXPECT_EQ(notices.at(0).at(0).toInt(), 6);
}

TEST_F(GraphTest, ASecondFilterChangedBeforeTheTickDoesNotSwallowTheFirstNotice) {
    Drag(Centre(Marks(FilterAt(0)).main), {X(50), 60});
    Wheel(Centre(Marks(FilterAt(3)).main), 120);
    Tick();
    ASSERT_EQ(notices.count(), 2);
    EXPECT_EQ(notices.at(0).at(0).toInt(), 0);
    EXPECT_EQ(notices.at(1).at(0).toInt(), 3);
}

TEST_F(GraphTest, WheelOverAPeakingBandStepsItsBandwidthAndNotifiesLikeADrag) {
    Filter& band = FilterAt(2);
    const int step = band.GetBandwidthStep();
    const QPoint handle = Centre(Marks(band).main);
    Wheel(handle, 120);
    EXPECT_EQ(band.GetBandwidthStep(), step + 1);
    Wheel(handle, -60);  // half a notch (a touchpad) waits for the other half
    EXPECT_EQ(band.GetBandwidthStep(), step + 1);
    Wheel(handle, -60);
    Wheel(handle, -120);
    EXPECT_EQ(band.GetBandwidthStep(), step - 1);
    Tick();
    ASSERT_EQ(notices.count(), 1);
    EXPECT_EQ(notices.at(0).at(0).toInt(), 2);

    band.SetBandwidthStep(59);
    Wheel(handle, 120);  // at the limit: nothing to tell
    EXPECT_EQ(band.GetBandwidthStep(), 59);
    Filter& hp = FilterAt(kHighPassPos);
    Wheel(Centre(Marks(hp).main), 120);  // only peaking bands have a bandwidth
    Tick();
    EXPECT_EQ(notices.count(), 1);
}

TEST_F(GraphTest, RenderToImageDrawsTheLaidOutSizeAtAnyScale) {
    EXPECT_EQ(graph.RenderToImage().size(), QSize(645, 270));
    EXPECT_EQ(graph.RenderToImage(2.0).size(), QSize(1290, 540));
}

TEST_F(GraphTest, OverlayCurvesAreDrawnInTheirColourOnlyWithinTheirRange) {
    const QColor colour(255, 170, 40);
    GraphOverlay flat{{}, colour, 100.0, 1000.0};
    flat.db.fill(10.0);
    graph.SetOverlays({flat});
    const QImage image = graph.RenderToImage();
    // +10 dB is y = 10 + 240 / 60 * 10 = 50; a column is x = 35 + log10(f / 20) * 200.
    const auto drawnAt = [&](double hz) {
        const int x = 35 + static_cast<int>(std::log10(hz / 20.0) * 200.0);
        for (int y = 47; y <= 53; ++y) {
            if (image.pixelColor(x, y) == colour) {
                return true;
            }
        }
        return false;
    };
    EXPECT_TRUE(drawnAt(300.0));
    EXPECT_FALSE(drawnAt(60.0));
    EXPECT_FALSE(drawnAt(3000.0));
    graph.SetOverlays({});
    EXPECT_FALSE(graph.RenderToImage().pixelColor(35 + static_cast<int>(std::log10(15.0) * 200.0),
                                                  50) == colour);
}

}  // namespace
}  // namespace tolmarin
