#include "controls/NumberField.h"

#include <QFocusEvent>
#include <QKeyEvent>
#include <QWheelEvent>
#include <algorithm>
#include <cstdlib>

namespace tolmarin {

namespace {
// One wheel notch.
constexpr int kWheelNotch = 120;

bool IsDigitOrSign(QChar c) {
    return (c >= u'0' && c <= u'9') || c == u'-';
}

bool IsSeparator(QChar c) {
    return c == u'.' || c == u',';
}
}  // namespace

NumberField::NumberField(QWidget* parent) : QLineEdit(parent) {
    // Composed (double-byte) input never reaches a numeric field.
    setAttribute(Qt::WA_InputMethodEnabled, false);
    connect(this, &QLineEdit::textEdited, this, [this] { m_dirty = true; });
}

void NumberField::SetKind(int kind) {
    m_rules.kind = kind;
    UpdateText();
}

void NumberField::SetRange(int minimum, int maximum) {
    m_rules.minimum = minimum;
    m_rules.maximum = maximum;
    m_value = minimum;
}

void NumberField::SetValue(int value) {
    if (value < m_rules.minimum || value > m_rules.maximum) {
        return;
    }
    m_value = value;
    UpdateText();
}

int NumberField::GetValue() {
    if (m_dirty) {
        if (const auto parsed = ParseEntry(m_rules, text().toStdString())) {
            m_value = *parsed;
        }
        m_dirty = false;
    }
    return m_value;
}

void NumberField::UpdateText() {
    if (const auto shown = EntryText(m_rules, m_value)) {
        setText(QString::fromStdString(*shown));
    }
}

void NumberField::CommitTyping() {
    if (m_dirty) {
        Commit();
    }
}

void NumberField::focusOutEvent(QFocusEvent* event) {
    Commit();
    QLineEdit::focusOutEvent(event);
}

void NumberField::Commit() {
    const EntryCommit commit = CommitEntry(m_rules, m_value, text().toStdString(), m_dirty);
    m_value = commit.value;
    if (commit.refused && m_dirty) {
        m_dirty = false;
        UpdateText();
    }
    if (commit.committed) {
        if (m_rules.kind == entry::kDelayMetres || m_rules.kind == entry::kDelayFeet) {
            m_dirty = false;
        }
        UpdateText();
        emit commandSent(m_controlId);
    }
}

void NumberField::keyPressEvent(QKeyEvent* event) {
    switch (event->key()) {
        case Qt::Key_Return:
        case Qt::Key_Enter:
            // Enter keeps the focus and shows the start of the text; it commits nothing.
            setCursorPosition(0);
            deselect();
            event->accept();
            return;
        case Qt::Key_Escape:
            // Escape drops what was typed and leaves the field without committing.
            RevertTyping();
            event->accept();
            if (parentWidget() != nullptr && parentWidget()->focusPolicy() != Qt::NoFocus) {
                parentWidget()->setFocus(Qt::OtherFocusReason);
            } else {
                clearFocus();
            }
            return;
        case Qt::Key_Up:
        case Qt::Key_Down:
            emit arrowStep(event->key() == Qt::Key_Up ? 1 : -1, event->isAutoRepeat());
            event->accept();
            return;
        default:
            break;
    }
    // Shortcuts (copy, paste, undo) and keys without a character (Delete, Home, arrows)
    // keep their usual meaning; of the characters only the number's own pass.
    const QString typed = event->text();
    const bool shortcut = event->modifiers() & (Qt::ControlModifier | Qt::MetaModifier);
    if (!shortcut && !typed.isEmpty() && typed.at(0).isPrint() && !Accepts(typed)) {
        event->accept();
        return;
    }
    QLineEdit::keyPressEvent(event);
}

bool NumberField::Accepts(const QString& typed) const {
    // The text that stays around the typed characters.
    QString kept = text();
    if (hasSelectedText()) {
        kept.remove(selectionStart(), selectedText().size());
    }
    bool separator = std::any_of(kept.begin(), kept.end(), IsSeparator);
    const bool comma = CommaIsDecimalPoint(m_rules.kind);
    for (const QChar c : typed) {
        if (IsDigitOrSign(c)) {
            continue;
        }
        // A whole-number field never takes a comma; a number has one decimal point.
        if (!IsSeparator(c) || (c == u',' && !comma) || separator) {
            return false;
        }
        separator = true;
    }
    return true;
}

void NumberField::RevertTyping() {
    m_dirty = false;
    UpdateText();
}

void NumberField::wheelEvent(QWheelEvent* event) {
    m_wheelAccumulator =
        std::clamp(m_wheelAccumulator + event->angleDelta().y(), -kWheelNotch, kWheelNotch);
    if (std::abs(m_wheelAccumulator) == kWheelNotch) {
        const int direction = m_wheelAccumulator > 0 ? 1 : -1;
        // A frequency moves to the neighbouring grid point, as its arrows move it.
        const int next = m_rules.kind == entry::kFrequency ? StepAlongGrid(m_value, direction)
                                                           : m_value + direction;
        SetValue(std::clamp(next, m_rules.minimum, m_rules.maximum));
        m_wheelAccumulator = 0;
    }
    emit commandSent(m_controlId);
    QLineEdit::wheelEvent(event);
}

}  // namespace tolmarin
