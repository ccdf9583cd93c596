#include "controls/CFontStatic.h"

#include <QFont>
#include <QFontMetrics>
#include <QPainter>

#include "controls/ControlsUi.h"

namespace tolmarin {

namespace {
QFont LabelFont(int height, int weight) {
    QFont font(QStringLiteral("Arial"));
    font.setStyleHint(QFont::SansSerif);
    font.setPixelSize(height);
    font.setWeight(static_cast<QFont::Weight>(weight));
    return font;
}
}  // namespace

CFontStatic::CFontStatic(QWidget* parent) : QWidget(parent) {}

void CFontStatic::SetFontStyle(const QString& /*face*/, int height, const QColor& colour,
                               unsigned style) {
    m_height = height;
    m_textColour = colour;
    if (style & kCentred) {
        m_alignment = Qt::AlignHCenter;
    } else if (style & kRight) {
        m_alignment = Qt::AlignRight;
    } else if (style & kLeft) {
        m_alignment = Qt::AlignLeft;
    }
    update();
}

void CFontStatic::SetBackgroundColor(const QColor& colour) {
    m_background = colour;
    m_fillBackground = true;
    update();
}

void CFontStatic::SetTextColor(const QColor& colour) {
    m_textColour = colour;
    update();
}

void CFontStatic::SetText(const QString& text) {
    m_text = text;
    repaint();
}

QSize CFontStatic::sizeHint() const {
    if (m_height <= 0) {
        return {100, kDefaultHeight};
    }
    const QFontMetrics metrics(LabelFont(m_height, m_weight));
    return {metrics.horizontalAdvance(m_text) + 4, metrics.height() + 4};
}

void CFontStatic::paintEvent(QPaintEvent* /*event*/) {
    QPainter painter(this);
    if (m_fillBackground) {
        painter.fillRect(rect(), m_background);
    }
    painter.setPen(m_textColour);
    const int flags = m_alignment | Qt::AlignVCenter | Qt::TextSingleLine | Qt::TextDontClip;
    if (m_height <= 0) {
        // No font of that size exists: say so rather than show nothing.
        painter.drawText(rect(), flags,
                         QString::fromUtf8(ControlsUiState().Text(TextId::FontNotCreated)));
        return;
    }
    painter.setFont(LabelFont(m_height, m_weight));
    painter.drawText(rect(), flags, m_text);
}

}  // namespace tolmarin
