#pragma once

#include <QLineEdit>

#include "model/ValueEntry.h"

namespace tolmarin {

// Single-line field for one numeric parameter. It holds the parameter's step index; its
// kind (entry::k...) decides how the index is shown and how typed text is read back.
// Typed text is committed when the field loses the focus; text without a number keeps the
// value. Digits, "-" and one decimal point ("." or, where the field has decimals, ",") can
// be typed; Escape drops the typing and leaves the field; each wheel notch steps the index,
// or a frequency to the neighbouring point of the response grid.
class NumberField : public QLineEdit {
    Q_OBJECT

public:
    explicit NumberField(QWidget* parent = nullptr);

    void SetControlId(int id) { m_controlId = id; }
    int ControlId() const { return m_controlId; }

    void SetKind(int kind);  // then rebuilds the text
    int Kind() const { return m_rules.kind; }
    void SetStep(double step) { m_rules.step = step; }
    void SetOffset(double offset) { m_rules.offset = offset; }
    // Stores the range and puts the value at the minimum, leaving the text as it is.
    void SetRange(int minimum, int maximum);
    int Minimum() const { return m_rules.minimum; }
    int Maximum() const { return m_rules.maximum; }

    // A value outside the range is ignored. Never notifies.
    void SetValue(int value);
    // Reads typed text first (quietly: text out of range keeps the value).
    int GetValue();
    bool IsDirty() const { return m_dirty; }
    // Commits typed text as leaving the field does (a shortcut acts on the document, so
    // what was typed goes in first); nothing when nothing was typed.
    void CommitTyping();
    virtual void UpdateText();

signals:
    // A committed entry (on focus loss) and every wheel message: the form reads the value.
    void commandSent(int controlId);
    // An arrow key in the field (direction +1 up, -1 down; repeated while the key is held):
    // the spin that drives the field makes the step.
    void arrowStep(int direction, bool repeated);

protected:
    void focusOutEvent(QFocusEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;

private:
    // Whether typed characters may join the text (replacing the selection).
    bool Accepts(const QString& typed) const;
    void RevertTyping();
    void Commit();

    int m_controlId = 0;
    int m_value = 0;
    EntryRules m_rules;
    bool m_dirty = false;
    int m_wheelAccumulator = 0;
};

}  // namespace tolmarin
