#include "editor/graph/ResponseGraph.h"

#include <QEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QWheelEvent>

#include "editor/graph/GraphLayout.h"
#include "editor/graph/GraphRenderer.h"
#include "response/Filter.h"

namespace tolmarin {

namespace {

// One notch of an ordinary mouse wheel; touchpads deliver it in smaller pieces.
constexpr int kWheelNotch = QWheelEvent::DefaultDeltasPerStep;

Point ToPoint(const QPointF& p) {
    return {p.toPoint().x(), p.toPoint().y()};
}

}  // namespace

ResponseGraph::ResponseGraph(QWidget* parent) : QWidget(parent) {
    setMouseTracking(true);
    setFocusPolicy(Qt::ClickFocus);
    setAttribute(Qt::WA_OpaquePaintEvent);
    m_noticeTimer.setInterval(kNoticePeriodMs);
    connect(&m_noticeTimer, &QTimer::timeout, this, &ResponseGraph::OnNoticeTimer);
}

ResponseGraph::~ResponseGraph() = default;

void ResponseGraph::SetParentView(QObject* view) {
    m_parentView = view;
}

void ResponseGraph::AttachChannels(ChannelSet* channelSet) {
    m_state.Attach(channelSet);
    SetPlotArea();
}

void ResponseGraph::SetPlotArea() {
    m_client = {0, 0, width(), height()};
    m_state.SetPlot(GraphLayout(m_client).Plot());
    m_noticeTimer.start();
}

void ResponseGraph::SelectChannel(int index) {
    m_state.SelectChannel(index);
    UpdateCursor();
    ShowActiveFilter();
}

void ResponseGraph::ShowFilter(int position) {
    m_state.SetSelected(position);
    update();
}

void ResponseGraph::ShowActiveFilter() {
    m_state.SetSelected(-1);
    update();
}

GraphScene ResponseGraph::Scene() const {
    GraphScene scene;
    scene.channels = m_state.Channels();
    scene.mode = m_state.Mode();
    scene.current = m_state.CurrentChannel();
    scene.shown = m_state.ShownFilter();
    scene.active = m_state.ActiveFilter();
    scene.client = m_client;
    scene.overlays = m_overlays;
    if (m_overlaySource && scene.current != nullptr) {
        for (GraphOverlay& o : m_overlaySource(*scene.current)) {
            scene.overlays.push_back(std::move(o));
        }
    }
    scene.behind = m_behind;
    return scene;
}

void ResponseGraph::SetCurvesBehind(std::vector<GraphOverlay> curves) {
    m_behind = std::move(curves);
    update();
}

void ResponseGraph::SetOverlays(std::vector<GraphOverlay> overlays) {
    m_overlays = std::move(overlays);
    update();
}

void ResponseGraph::SetOverlaySource(OverlaySource source) {
    m_overlaySource = std::move(source);
    update();
}

QImage ResponseGraph::RenderToImage(qreal scale) const {
    return GraphRenderer::RenderToImage(Scene(), scale);
}

void ResponseGraph::OnNoticeTimer() {
    if (const auto position = m_state.TakeNotice(m_parentView != nullptr)) {
        Post(*position);
    }
}

void ResponseGraph::Post(int position) {
    // Queued, so the form handles it after the handler that caused it has returned.
    QMetaObject::invokeMethod(
        this, [this, position] { emit filterChanged(position); }, Qt::QueuedConnection);
}

void ResponseGraph::paintEvent(QPaintEvent* /*event*/) {
    QPainter painter(this);
    GraphScene scene = Scene();
    if (m_client.IsEmpty()) {
        // Not laid out yet: the frame and grid at the present size, without curves.
        scene.channels = nullptr;
        GraphRenderer::Paint(painter, rect(), scene);
        return;
    }
    const QRect laidOut(0, 0, m_client.Width(), m_client.Height());
    if (!laidOut.contains(rect())) {
        painter.fillRect(rect(), Qt::black);  // the plot keeps its size; the rest stays dark
    }
    GraphRenderer::Paint(painter, laidOut, scene);
}

void ResponseGraph::mousePressEvent(QMouseEvent* event) {
    setFocus(Qt::MouseFocusReason);  // the press grabs the mouse until the release
    Apply(m_state.Press(ToPoint(event->position())));
    event->accept();
}

void ResponseGraph::mouseMoveEvent(QMouseEvent* event) {
    const Point p = ToPoint(event->position());
    Apply(m_state.Move(p));
    UpdateToolTip(p);
    event->accept();
}

void ResponseGraph::UpdateToolTip(Point p) {
    const Filter* f = m_state.Mode() == GraphMode::kEq ? m_state.FilterAt(p) : nullptr;
    const QString text = f != nullptr ? QString::fromStdString(f->LabelText()) : QString();
    if (text != toolTip()) {
        setToolTip(text);
    }
}

void ResponseGraph::mouseReleaseEvent(QMouseEvent* event) {
    Apply(m_state.Release());
    event->accept();
}

void ResponseGraph::wheelEvent(QWheelEvent* event) {
    m_wheelRemainder += event->angleDelta().y();
    const int notches = m_wheelRemainder / kWheelNotch;
    m_wheelRemainder -= notches * kWheelNotch;
    const auto outcome = m_state.Wheel(ToPoint(event->position()), notches);
    Apply(outcome);
    if (outcome.consumed || m_state.FilterAt(ToPoint(event->position())) != nullptr) {
        event->accept();
    } else {
        m_wheelRemainder = 0;
        event->ignore();
    }
}

void ResponseGraph::Apply(const GraphInteraction::Outcome& outcome) {
    if (outcome.changed) {
        emit filterEdited(*outcome.changed);
    }
    if (outcome.noticeNow && m_parentView != nullptr) {
        Post(*outcome.noticeNow);
    }
    if (outcome.gainStep) {
        emit gainDragged(m_state.ActiveIndex(), *outcome.gainStep);
    }
    if (outcome.redraw) {
        ShowActiveFilter();
    }
    UpdateCursor();
}

void ResponseGraph::UpdateCursor() {
    if (m_state.Hover()) {
        setCursor(Qt::SizeAllCursor);
    } else {
        unsetCursor();
    }
}

}  // namespace tolmarin
