#include "controls/TransparentLabel.h"

namespace tolmarin {

TransparentLabel::TransparentLabel(QWidget* parent) : TransparentLabel(QString(), parent) {}

TransparentLabel::TransparentLabel(const QString& text, QWidget* parent) : QLabel(text, parent) {
    // Never fills its background, so the parent's picture shows around the text.
    setAutoFillBackground(false);
    SetTextColor(m_textColour);
}

void TransparentLabel::SetTextColor(const QColor& colour) {
    m_textColour = colour;
    QPalette p = palette();
    p.setColor(QPalette::WindowText, colour);
    setPalette(p);
}

}  // namespace tolmarin
