#include "controls/PictureRadio.h"

#include <QPainter>
#include <QStyle>
#include <QStyleOptionButton>

#include "controls/BitmapSource.h"

namespace tolmarin {

PictureRadio::PictureRadio(Style style, QWidget* parent) : PictureRadio(QString(), style, parent) {}

PictureRadio::PictureRadio(const QString& text, Style style, QWidget* parent)
    : QAbstractButton(parent), m_style(style) {
    setText(text);
    setCheckable(true);
    setAutoExclusive(style == Style::Radio);
}

void PictureRadio::SetTextColor(const QColor& colour) {
    m_textColour = colour;
    update();
}

namespace {
QStyleOptionButton OptionFor(const PictureRadio& button) {
    QStyleOptionButton option;
    option.initFrom(&button);
    option.text = button.text();
    option.state |= button.isChecked() ? QStyle::State_On : QStyle::State_Off;
    if (button.isDown()) {
        option.state |= QStyle::State_Sunken;
    }
    // The disabled group keeps its own colour: a disabled box must not read as a live one.
    const QColor disabled = DisabledTextColour(button.TextColor());
    for (const QPalette::ColorRole role : {QPalette::WindowText, QPalette::ButtonText}) {
        option.palette.setColor(QPalette::Active, role, button.TextColor());
        option.palette.setColor(QPalette::Inactive, role, button.TextColor());
        option.palette.setColor(QPalette::Disabled, role, disabled);
    }
    return option;
}
}  // namespace

QSize PictureRadio::sizeHint() const {
    const QStyleOptionButton option = OptionFor(*this);
    const QSize text = fontMetrics().size(Qt::TextShowMnemonic, this->text());
    return style()->sizeFromContents(
        m_style == Style::Radio ? QStyle::CT_RadioButton : QStyle::CT_CheckBox, &option, text,
        this);
}

void PictureRadio::paintEvent(QPaintEvent* /*event*/) {
    // Nothing fills the background: the parent's picture shows through.
    QPainter painter(this);
    const QStyleOptionButton option = OptionFor(*this);
    style()->drawControl(m_style == Style::Radio ? QStyle::CE_RadioButton : QStyle::CE_CheckBox,
                         &option, &painter, this);
}

}  // namespace tolmarin
