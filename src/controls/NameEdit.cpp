#include "controls/NameEdit.h"

#include <QKeyEvent>
#include <QRegularExpression>
#include <QRegularExpressionValidator>
#include <algorithm>

namespace tolmarin {

namespace {
bool IsLetterOrDigit(QChar c) {
    return (c >= u'0' && c <= u'9') || (c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z');
}
}  // namespace

NameEdit::NameEdit(QWidget* parent) : QLineEdit(parent) {
    setAttribute(Qt::WA_InputMethodEnabled, false);
    // Pasted text obeys the rule of typed text: a name the amplifier can store.
    setValidator(new QRegularExpressionValidator(QRegularExpression("[0-9A-Za-z]*"), this));
}

void NameEdit::keyPressEvent(QKeyEvent* event) {
    const QString typed = event->text();
    const bool shortcut = event->modifiers() & (Qt::ControlModifier | Qt::MetaModifier);
    if (m_mode == kLettersAndDigits && !shortcut && !typed.isEmpty() && typed.at(0).isPrint() &&
        !std::all_of(typed.begin(), typed.end(), IsLetterOrDigit)) {
        event->accept();
        return;
    }
    QLineEdit::keyPressEvent(event);
}

}  // namespace tolmarin
