#include "controls/CTransparentStatic.h"

namespace tolmarin {

CTransparentStatic::CTransparentStatic(QWidget* parent) : CTransparentStatic(QString(), parent) {}

CTransparentStatic::CTransparentStatic(const QString& text, QWidget* parent)
    : QLabel(text, parent) {
    // Never fills its background, so the parent's picture shows around the text.
    setAutoFillBackground(false);
    SetTextColor(m_textColour);
}

void CTransparentStatic::SetTextColor(const QColor& colour) {
    m_textColour = colour;
    QPalette p = palette();
    p.setColor(QPalette::WindowText, colour);
    setPalette(p);
}

}  // namespace tolmarin
