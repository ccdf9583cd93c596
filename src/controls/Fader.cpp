#include "controls/Fader.h"

#include <QBitmap>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QWheelEvent>
#include <algorithm>
#include <cstdlib>

#include "controls/BitmapSource.h"

namespace tolmarin {

namespace {
constexpr int kWheelNotch = 120;

// The picture by number, with the pixels of its transparent colour masked out.
QPixmap LoadPicture(int id, bool transparent, std::uint32_t colour, int x, int y) {
    QPixmap picture = LoadBitmap(id);
    if (picture.isNull() || !transparent) {
        return picture;
    }
    const QImage image = picture.toImage();
    QColor key = QColor::fromRgb(static_cast<QRgb>(colour));
    if (colour == Fader::kColourFromPixel && image.valid(x, y)) {
        key = image.pixelColor(x, y);
    }
    picture.setMask(picture.createMaskFromColor(key, Qt::MaskInColor));
    return picture;
}
}  // namespace

Fader::Fader(QWidget* parent) : QWidget(parent) {
    setFocusPolicy(Qt::StrongFocus);
    m_timer.setInterval(kChangingPeriodMs);
    connect(&m_timer, &QTimer::timeout, this, &Fader::OnTimer);
}

bool Fader::SetBitmapChannel(int id, int pressedId, bool transparent, std::uint32_t colour, int x,
                             int y) {
    if (id == 0) {
        m_channel = QPixmap();
        m_channelTransparent = false;
        update();
        return true;
    }
    QPixmap channel = LoadPicture(id, transparent, colour, x, y);
    // A pressed channel is accepted for completeness but never drawn.
    if (channel.isNull() || (pressedId != 0 && LoadBitmap(pressedId).isNull())) {
        return false;
    }
    m_channel = channel;
    m_channelTransparent = transparent;
    resize(m_channel.size());
    m_geometry.channelWidth = m_channel.width();
    m_geometry.channelHeight = m_channel.height();
    update();
    return true;
}

bool Fader::SetBitmapThumb(int id, int pressedId, bool transparent, std::uint32_t colour, int x,
                           int y) {
    if (id == 0) {
        m_thumb = QPixmap();
        m_pressedThumb = QPixmap();
        update();
        return true;
    }
    QPixmap thumb = LoadPicture(id, transparent, colour, x, y);
    QPixmap pressed;
    if (pressedId != 0) {
        pressed = LoadPicture(pressedId, transparent, colour, x, y);
        if (pressed.isNull() || pressed.size() != thumb.size()) {
            return false;
        }
    }
    if (thumb.isNull()) {
        return false;
    }
    if (m_channel.isNull()) {
        m_geometry.channelWidth = width();
        m_geometry.channelHeight = height();
    }
    if (thumb.width() > m_geometry.channelWidth || thumb.height() > m_geometry.channelHeight) {
        return false;
    }
    m_thumb = thumb;
    m_pressedThumb = pressed;
    m_geometry.thumbWidth = thumb.width();
    m_geometry.thumbHeight = thumb.height();
    update();
    return true;
}

void Fader::SetMargin(int left, int top, int right, int bottom) {
    m_geometry.leftMargin = left;
    m_geometry.topMargin = top;
    m_geometry.rightMargin = right;
    m_geometry.bottomMargin = bottom;
    update();
}

void Fader::SetVertical(bool vertical) {
    m_geometry.vertical = vertical;
    update();
}

void Fader::SetRange(int minimum, int maximum, bool redraw) {
    m_geometry.minimum = minimum;
    m_geometry.maximum = maximum;
    if (redraw) {
        update();
    }
    m_position = minimum;
}

void Fader::SetPos(int position) {
    m_position = std::max(std::min(position, m_geometry.maximum), m_geometry.minimum);
    update();
}

void Fader::SetPosReversed(int value) {
    m_position = m_geometry.maximum - value;
    update();
}

QSize Fader::sizeHint() const {
    if (!m_channel.isNull()) {
        return m_channel.size();
    }
    return m_thumb.isNull() ? QSize(20, 100) : m_thumb.size();
}

int Fader::Along(QPointF point) const {
    return static_cast<int>(m_geometry.vertical ? point.y() : point.x());
}

void Fader::PostChanging() {
    const int id = m_controlId;
    const int pos = m_position;
    QMetaObject::invokeMethod(
        this, [this, id, pos] { emit faderChanging(id, pos); }, Qt::QueuedConnection);
}

void Fader::PostChanged() {
    const int id = m_controlId;
    const int pos = m_position;
    QMetaObject::invokeMethod(
        this, [this, id, pos] { emit faderChanged(id, pos); }, Qt::QueuedConnection);
}

void Fader::OnTimer() {
    if (m_changed) {
        PostChanging();
        m_changed = false;
    }
}

void Fader::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) {
        QWidget::mousePressEvent(event);
        return;
    }
    setFocus(Qt::MouseFocusReason);
    m_dragging = true;
    const int along = Along(event->position());
    const int centre = m_geometry.CentreOf(m_position);
    const int d = along - centre;
    // Caught on the thumb, the thumb keeps its place under the pointer.
    m_grabOffset = std::abs(d) <= m_geometry.ThumbLength() / 2 ? d : 0;
    const int c = m_geometry.ClampCentre(along - m_grabOffset);
    if (c != centre) {
        // A press beside the thumb is one step toward the pointer, not a jump or a drag.
        const int target = m_geometry.PositionAt(c);
        SetPos(m_position > target ? m_position - 1 : m_position + 1);
        m_dragging = false;
        m_changed = true;
    }
    m_timer.start();
    update();
}

void Fader::mouseMoveEvent(QMouseEvent* event) {
    if (!m_dragging) {
        QWidget::mouseMoveEvent(event);
        return;
    }
    const int c = m_geometry.ClampCentre(Along(event->position()) - m_grabOffset);
    const bool atTop = m_geometry.vertical && c == m_geometry.FirstCentre();
    if (c != m_geometry.CentreOf(m_position) || atTop) {
        SetPos(m_geometry.PositionAt(c));
        m_changed = true;
    }
}

void Fader::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) {
        QWidget::mouseReleaseEvent(event);
        return;
    }
    if (m_dragging) {
        PostChanged();
    } else if (m_changed) {
        // A click released before the timer reported its step: report it now, so that a
        // quick click is never lost.
        PostChanging();
    }
    m_dragging = false;
    m_changed = false;
    m_timer.stop();
    update();
}

void Fader::keyPressEvent(QKeyEvent* event) {
    const bool vertical = m_geometry.vertical;
    switch (event->key()) {
        case Qt::Key_PageUp:
            SetPos(m_position - m_page);
            break;
        case Qt::Key_PageDown:
            SetPos(m_position + m_page);
            break;
        case Qt::Key_End:
            SetPos(m_geometry.maximum);
            break;
        case Qt::Key_Home:
            SetPos(m_geometry.minimum);
            break;
        case Qt::Key_Left:
        case Qt::Key_Right:
            break;
        case Qt::Key_Up:
            SetPos(vertical ? m_position - 1 : m_position + 1);
            break;
        case Qt::Key_Down:
            SetPos(vertical ? m_position + 1 : m_position - 1);
            break;
        default:
            QWidget::keyPressEvent(event);
            return;
    }
    event->accept();
    PostChanged();
}

void Fader::wheelEvent(QWheelEvent* event) {
    m_wheelAccumulator =
        std::clamp(m_wheelAccumulator + event->angleDelta().y(), -kWheelNotch, kWheelNotch);
    const bool vertical = m_geometry.vertical;
    if (m_wheelAccumulator == -kWheelNotch || m_wheelAccumulator == kWheelNotch) {
        const bool up = m_wheelAccumulator == kWheelNotch;
        // Wheel up moves a vertical thumb up (toward the minimum), a horizontal one right.
        SetPos(m_position + ((up != vertical) ? 1 : -1));
        m_wheelAccumulator = 0;
        PostChanged();
    } else if (vertical) {
        PostChanged();
    }
    event->accept();
}

void Fader::focusInEvent(QFocusEvent* event) {
    update();
    QWidget::focusInEvent(event);
}

void Fader::focusOutEvent(QFocusEvent* event) {
    update();
    QWidget::focusOutEvent(event);
}

void Fader::paintEvent(QPaintEvent* /*event*/) {
    QPainter painter(this);
    // A transparent channel shows the parent's background through; Qt composes it.
    if (!m_channelTransparent) {
        painter.fillRect(rect(), palette().window());
    }
    const bool enabled = isEnabled();
    if (!m_channel.isNull()) {
        painter.drawPixmap(0, 0, enabled ? m_channel : DisabledLook(m_channel));
    }
    if (!m_thumb.isNull()) {
        const QPixmap& thumb = m_dragging && !m_pressedThumb.isNull() ? m_pressedThumb : m_thumb;
        painter.drawPixmap(m_geometry.ThumbX(m_position), m_geometry.ThumbY(m_position),
                           enabled ? thumb : DisabledLook(thumb));
    }
}

}  // namespace tolmarin
