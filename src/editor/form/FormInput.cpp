#include "editor/form/FormInput.h"

#include <QApplication>
#include <QEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QTimer>
#include <QWidget>

#include "controls/NumberField.h"
#include "editor/history/EditHistory.h"

namespace tolmarin {

namespace {

// Controls a press-and-release gesture edits with: one step for the whole of it.
bool IsGestureControl(QObject* watched) {
    return watched->inherits("tolmarin::ResponseGraph") || watched->inherits("tolmarin::Fader") ||
           watched->inherits("tolmarin::NumberSpin");
}

// A key with Ctrl, Alt or Meta that a line edit does not keep for its own editing.
bool IsDocumentShortcut(const QKeyEvent& key) {
    if ((key.modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier)) == 0) {
        return false;
    }
    switch (key.key()) {
        case Qt::Key_Control:
        case Qt::Key_Alt:
        case Qt::Key_Meta:
        case Qt::Key_Shift:
        case Qt::Key_Left:
        case Qt::Key_Right:
        case Qt::Key_Home:
        case Qt::Key_End:
        case Qt::Key_Backspace:
        case Qt::Key_Delete:
            return false;
        default:
            break;
    }
    for (const QKeySequence::StandardKey own :
         {QKeySequence::Copy, QKeySequence::Cut, QKeySequence::Paste, QKeySequence::SelectAll}) {
        if (key.matches(own)) {
            return false;
        }
    }
    return true;
}

}  // namespace

FormInput::FormInput(QWidget* form, EditHistory& history)
    : QObject(form), m_form(form), m_history(history) {}

// Enter gives the focus to the form, so a field being typed in commits its value; the key
// then goes on to the control. Escape is the field's own: it drops the typing.
bool FormInput::eventFilter(QObject* watched, QEvent* event) {
    switch (event->type()) {
        case QEvent::MouseButtonPress:
            m_history.OtherInput();
            if (IsGestureControl(watched)) {
                m_history.BeginGesture();
            }
            break;
        case QEvent::MouseButtonRelease:
            // After the control has handled the release; a notice it posts then (a fader's
            // last value) still joins the gesture's step.
            if (IsGestureControl(watched) && m_history.InGesture()) {
                QTimer::singleShot(0, &m_history, [h = &m_history] { h->EndGesture(); });
            }
            break;
        case QEvent::Wheel:
            m_history.WheelTurned(watched);
            break;
        case QEvent::KeyPress:
            m_history.OtherInput();
            break;
        case QEvent::ShortcutOverride:
            if (auto* edit = qobject_cast<QLineEdit*>(watched)) {
                auto* key = static_cast<QKeyEvent*>(event);
                // A shortcut acts on the document: typed text goes in first, as leaving the
                // field would put it (the field's own editing keys excepted).
                if (IsDocumentShortcut(*key)) {
                    CommitTypedText();
                }
                // A field keeps Ctrl+Z and Ctrl+Y only while it holds typing it can take back.
                const bool undo = key->matches(QKeySequence::Undo);
                const bool redo = key->matches(QKeySequence::Redo) ||
                                  key->keyCombination() == QKeyCombination(Qt::CTRL, Qt::Key_Y);
                if ((undo && !edit->isUndoAvailable()) || (redo && !edit->isRedoAvailable())) {
                    event->ignore();
                    return true;
                }
            }
            break;
        default:
            break;
    }
    if (event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            m_form->setFocus(Qt::OtherFocusReason);
        }
    }
    return QObject::eventFilter(watched, event);
}

void FormInput::CommitTypedText() {
    if (auto* field = qobject_cast<NumberField*>(QApplication::focusWidget());
        field != nullptr && m_form->isAncestorOf(field)) {
        field->CommitTyping();
    }
}

}  // namespace tolmarin
