#include "controls/PictureButton.h"

#include <QEnterEvent>
#include <QPainter>

#include "controls/BitmapSource.h"

namespace tolmarin {

PictureButton::PictureButton(QWidget* parent) : QAbstractButton(parent) {
    setCursor(Qt::PointingHandCursor);
    setMouseTracking(true);
    // A press changes only which picture is chosen; the picture covers the button.
    setAttribute(Qt::WA_NoSystemBackground);
}

void PictureButton::SetBitmaps(int onNormal, int onHover, int onPressed, int offNormal,
                               int offHover, int offPressed) {
    m_bitmaps = {onNormal, onHover, onPressed, offNormal, offHover, offPressed};
    Refresh();
}

void PictureButton::SetOn(bool on) {
    m_on = on;
    Refresh();
}

void PictureButton::SetUseHandCursor(bool use) {
    m_useHandCursor = use;
    if (use) {
        setCursor(Qt::PointingHandCursor);
    } else {
        unsetCursor();
    }
}

int PictureButton::CurrentBitmap() const {
    int image = kOffNormal;
    if (m_hovering) {
        image = isDown() ? kOffPressed : kOffHover;
    }
    if (m_on) {
        image -= kOffNormal;
    }
    return m_bitmaps[static_cast<unsigned>(image)];
}

void PictureButton::Refresh() {
    const int id = CurrentBitmap();
    if (id != 0) {
        const QPixmap picture = LoadBitmap(id);
        if (!picture.isNull() && picture.size() != size()) {
            resize(picture.size());  // the position stays
        }
    }
    update();
}

QSize PictureButton::sizeHint() const {
    const int id = CurrentBitmap();
    const QPixmap picture = id != 0 ? LoadBitmap(id) : QPixmap();
    return picture.isNull() ? QSize(16, 16) : picture.size();
}

void PictureButton::paintEvent(QPaintEvent* /*event*/) {
    const int id = CurrentBitmap();
    if (id == 0) {
        return;
    }
    const QPixmap picture = LoadBitmap(id);
    if (picture.isNull()) {
        return;
    }
    QPainter painter(this);
    painter.drawPixmap(rect(), isEnabled() ? picture : DisabledLook(picture));
    if (!isEnabled() && !m_lampArea.isEmpty()) {
        painter.setClipRegion(m_lampArea);
        painter.drawPixmap(rect(), picture);
    }
}

void PictureButton::enterEvent(QEnterEvent* event) {
    m_hovering = true;
    Refresh();
    QAbstractButton::enterEvent(event);
}

void PictureButton::leaveEvent(QEvent* event) {
    m_hovering = false;
    Refresh();
    QAbstractButton::leaveEvent(event);
}

}  // namespace tolmarin
