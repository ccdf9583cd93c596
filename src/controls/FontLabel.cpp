#include "controls/FontLabel.h"

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
// Below this the text would no longer be legible; it is then drawn as it is.
constexpr int kSmallestFittedHeight = 8;
}  // namespace

FontLabel::FontLabel(QWidget* parent) : QWidget(parent) {}

void FontLabel::SetFontStyle(const QString& /*face*/, int height, const QColor& colour,
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

void FontLabel::SetBackgroundColor(const QColor& colour) {
    m_background = colour;
    m_fillBackground = true;
    update();
}

void FontLabel::SetTextColor(const QColor& colour) {
    m_textColour = colour;
    update();
}

void FontLabel::SetText(const QString& text) {
    m_text = text;
    repaint();
}

QSize FontLabel::sizeHint() const {
    if (m_height <= 0) {
        return {100, kDefaultHeight};
    }
    const QFontMetrics metrics(LabelFont(m_height, m_weight));
    return {metrics.horizontalAdvance(m_text) + 4, metrics.height() + 4};
}

int FontLabel::ShownHeight() const {
    int height = m_height;
    while (height > kSmallestFittedHeight) {
        const QFontMetrics metrics(LabelFont(height, m_weight));
        if (metrics.horizontalAdvance(m_text) <= width() && metrics.height() <= this->height()) {
            break;
        }
        --height;
    }
    return height;
}

void FontLabel::paintEvent(QPaintEvent* /*event*/) {
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
    // A text too large for its box is drawn smaller rather than cut (a translation may be
    // longer than the box was made for).
    painter.setFont(LabelFont(ShownHeight(), m_weight));
    painter.drawText(rect(), flags, m_text);
}

}  // namespace tolmarin
