#include "controls/FixedList.h"

#include <QKeyEvent>

namespace tolmarin {

FixedList::FixedList(QWidget* parent) : QComboBox(parent) {
    setEditable(false);
    setAttribute(Qt::WA_InputMethodEnabled, false);
}

void FixedList::keyPressEvent(QKeyEvent* event) {
    const QString typed = event->text();
    const bool shortcut = event->modifiers() & (Qt::ControlModifier | Qt::MetaModifier);
    if (!shortcut && !typed.isEmpty() && typed.at(0).isPrint()) {
        event->accept();
        return;
    }
    QComboBox::keyPressEvent(event);
}

}  // namespace tolmarin
