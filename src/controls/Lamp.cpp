#include "controls/Lamp.h"

#include <QPainter>
#include <algorithm>
#include <utility>

namespace tolmarin {

namespace {
// Segments 0 to 5 green, 6 yellow, 7 red.
constexpr int kFirstYellow = 6;
constexpr int kRedSegment = 7;
}  // namespace

Lamp::Lamp(QWidget* parent) : QWidget(parent) {}

void Lamp::Init() {
    m_segmentHeight = height() / LampLevel::kSegments;
}

void Lamp::SetLevel(int value) {
    const bool wasNone = !std::exchange(m_hasReading, true);
    if (m_level.SetLevel(value) || wasNone) {
        update();
    }
}

void Lamp::SetNoReading() {
    m_level.SetLevel(0);
    m_hasReading = false;
    update();
}

void Lamp::paintEvent(QPaintEvent* /*event*/) {
    QPainter painter(this);
    const QColor grey = QColor::fromRgb(kOutline);
    painter.fillRect(rect(), grey);
    const int segment = m_segmentHeight > 0 ? m_segmentHeight : height() / LampLevel::kSegments;
    for (int i = 0; i < LampLevel::kSegments; ++i) {
        QRgb colour = kDark;
        if (m_level.IsLit(i)) {
            colour = i == kRedSegment ? kRed : (i >= kFirstYellow ? kYellow : kGreen);
        }
        // One pixel of outline shows left, right and above each segment.
        const int top = height() - (i + 1) * segment + 1;
        painter.fillRect(QRect(1, top, width() - 2, segment - 1), QColor::fromRgb(colour));
    }
    if (!m_hasReading) {
        // "--" stood on end, as narrow as the lamp: two light dashes across its middle.
        const int mid = height() / 2;
        const QRect dash(2, 0, std::max(1, width() - 4), 2);
        painter.fillRect(dash.translated(0, mid - 4), QColor::fromRgb(kOutline));
        painter.fillRect(dash.translated(0, mid + 2), QColor::fromRgb(kOutline));
    }
}

}  // namespace tolmarin
