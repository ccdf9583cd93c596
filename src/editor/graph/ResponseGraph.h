#pragma once

#include <QImage>
#include <QTimer>
#include <QWidget>
#include <functional>

#include "editor/graph/GraphInteraction.h"
#include "editor/graph/GraphRenderer.h"
#include "editor/graph/Pixels.h"

class QPaintEvent;
class QMouseEvent;
class QWheelEvent;

namespace tolmarin {

class ChannelSet;
class OutputChannel;

// The response graph of the main form: the channels' responses on a 20 Hz - 20 kHz by
// +20 dB - -40 dB plot, with handles that drag the selected channel's filters. A drag
// changes the filter directly; the form learns which filter changed from filterChanged,
// at most once per notice period and always after the drag's own handler has returned, and
// the gain a band's drag lands on at once from gainDragged, for the band's fader.
//
// Set-up order (as the form does it): give the control its size, AttachChannels (which
// lays out the plot), SetPlotArea, SetParentView, then SelectChannel whenever the edited
// channel changes. Until the first SelectChannel the control shows the grid page and
// ignores the pointer.
class ResponseGraph : public QWidget {
    Q_OBJECT

public:
    // Period of the change notice timer.
    static constexpr int kNoticePeriodMs = 50;

    explicit ResponseGraph(QWidget* parent = nullptr);
    ~ResponseGraph() override;

    // The form that listens to filterChanged; no notice is sent while it is null.
    void SetParentView(QObject* view);
    QObject* ParentView() const { return m_parentView; }
    // Keeps the channel set (not owned) and lays out the plot.
    void AttachChannels(ChannelSet* channelSet);
    // Takes the plot from the control's present size (curves, areas and handles are drawn
    // and found in it) and starts the notice timer. The plot is not re-laid out on resize.
    void SetPlotArea();
    // Edits channel index from now on (EQ page); clears the active filter.
    void SelectChannel(int index);
    // Redraws with the filter at position (0-7 bands, 8 high-pass, 9 low-pass) shown as
    // the filled area with its label.
    void ShowFilter(int position);
    void ShowHighPass() { ShowFilter(GraphInteraction::kHighPassPosition); }
    void ShowLowPass() { ShowFilter(GraphInteraction::kLowPassPosition); }
    // Redraws with the filter the pointer last picked shown, if any.
    void ShowActiveFilter();

    void SetControlId(int id) { m_controlId = id; }
    int ControlId() const { return m_controlId; }

    GraphMode Mode() const { return m_state.Mode(); }
    const GraphInteraction& Interaction() const { return m_state; }

    // The graph as it is on screen, for pictures and the print preview; scale multiplies
    // the laid-out size (the drawing is vector, so a larger scale stays sharp).
    QImage RenderToImage(qreal scale = 1.0) const;

    // Curves drawn over the channels' until replaced (an empty list removes them).
    void SetOverlays(std::vector<GraphOverlay> overlays);
    const std::vector<GraphOverlay>& Overlays() const { return m_overlays; }
    // Curves worked out from the shown channel each time the graph is drawn, after the ones
    // above: they follow every edit and every change of channel without being told. Null
    // removes the source.
    using OverlaySource = std::function<std::vector<GraphOverlay>(const OutputChannel& shown)>;
    void SetOverlaySource(OverlaySource source);
    // Curves drawn under the channels' (another setting to compare with), until replaced.
    void SetCurvesBehind(std::vector<GraphOverlay> curves);
    const std::vector<GraphOverlay>& CurvesBehind() const { return m_behind; }

    // The notice timer's handler: posts filterChanged when a drag changed a filter since
    // the last tick and a parent view is set.
    void OnNoticeTimer();

signals:
    // Posted (queued): position 0-7 bands, 8 high-pass, 9 low-pass.
    void filterChanged(int position);
    // Sent during a band's drag, each time the pointer moves it: band position 0-7 and the
    // gain step it now has.
    void gainDragged(int position, int gainStep);
    // Sent (not posted) each time the pointer or the wheel changed a filter, before the
    // handler returns: what must never lag behind the filter (a linked partner) follows
    // here, so that no step, undo or frame can catch the pair split.
    void filterEdited(int position);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;

private:
    void Apply(const GraphInteraction::Outcome& outcome);
    void UpdateCursor();
    void Post(int position);
    // The handle under the pointer names its filter in the tooltip.
    void UpdateToolTip(Point p);
    GraphScene Scene() const;

    QObject* m_parentView = nullptr;
    GraphInteraction m_state;
    QTimer m_noticeTimer;
    Rect m_client;  // taken by SetPlotArea
    int m_controlId = 0;
    int m_wheelRemainder = 0;  // angle not yet turned into a bandwidth step
    std::vector<GraphOverlay> m_overlays;
    OverlaySource m_overlaySource;
    std::vector<GraphOverlay> m_behind;
};

}  // namespace tolmarin
