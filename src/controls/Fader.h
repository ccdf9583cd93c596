#pragma once

#include <QPixmap>
#include <QTimer>
#include <QWidget>
#include <cstdint>

#include "controls/FaderGeometry.h"

namespace tolmarin {

// A fader drawn from pictures: a channel (track) and a thumb, the thumb with a pressed
// variant. Moved by mouse, keys and wheel; it tells the form with two posted
// notifications, which arrive after the current handler returns. Setting the position
// from code never notifies.
class Fader : public QWidget {
    Q_OBJECT

public:
    // Transparent colour meaning "the colour of the picture's pixel (x, y)".
    static constexpr std::uint32_t kColourFromPixel = 0xFF000000u;
    // While the button is held, position changes are reported at this period.
    static constexpr int kChangingPeriodMs = 50;
    static constexpr int kDefaultPage = 20;

    explicit Fader(QWidget* parent = nullptr);

    void SetControlId(int id) { m_controlId = id; }
    int ControlId() const { return m_controlId; }

    // Pictures by resource number (0 removes). colour is 0xRRGGBB or kColourFromPixel;
    // false when a picture cannot be loaded. The channel sizes the control.
    bool SetBitmapChannel(int id, int pressedId = 0, bool transparent = false,
                          std::uint32_t colour = kColourFromPixel, int x = 0, int y = 0);
    // The pressed thumb must have the thumb's size; the thumb must fit the channel.
    bool SetBitmapThumb(int id, int pressedId = 0, bool transparent = false,
                        std::uint32_t colour = kColourFromPixel, int x = 0, int y = 0);
    void SetMargin(int left, int top, int right, int bottom);
    void SetVertical(bool vertical);
    // Puts the position at the minimum (unclamped, not repainted).
    void SetRange(int minimum, int maximum, bool redraw = false);
    int GetRangeMin() const { return m_geometry.minimum; }
    int GetRangeMax() const { return m_geometry.maximum; }
    void SetPageSize(int page) { m_page = page; }
    // Clamped to the range. Never notifies.
    void SetPos(int position);
    int GetPos() const { return m_position; }
    // maximum - value, not clamped: the form reads its faders upside down.
    void SetPosReversed(int value);
    int GetPosReversed() const { return m_geometry.maximum - m_position; }

    const FaderGeometry& Geometry() const { return m_geometry; }
    bool IsDragging() const { return m_dragging; }

    QSize sizeHint() const override;

signals:
    // Posted from the 50 ms timer while the button is held and the position moved.
    void faderChanging(int controlId, int pos);
    // Posted on release after a drag, after each navigation key and after wheel messages.
    void faderChanged(int controlId, int pos);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    int Along(QPointF point) const;
    void PostChanging();
    void PostChanged();
    void OnTimer();

    int m_controlId = 0;
    FaderGeometry m_geometry;
    int m_position = 0;
    int m_page = kDefaultPage;
    int m_grabOffset = 0;
    bool m_changed = false;
    bool m_dragging = false;
    int m_wheelAccumulator = 0;
    QPixmap m_channel;
    bool m_channelTransparent = false;
    QPixmap m_thumb;
    QPixmap m_pressedThumb;
    QTimer m_timer;
};

}  // namespace tolmarin
