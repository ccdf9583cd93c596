#pragma once

#include <QLineEdit>

namespace tolmarin {

// Edit field for a program name: only English letters, digits and backspace can be typed
// (anything else is swallowed without a beep), and pasted text obeys the same rule.
class NameEdit : public QLineEdit {
    Q_OBJECT

public:
    static constexpr int kLettersAndDigits = 0;

    explicit NameEdit(QWidget* parent = nullptr);

    void SetControlId(int id) { m_controlId = id; }
    int ControlId() const { return m_controlId; }
    void SetMode(int mode) { m_mode = mode; }

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    int m_controlId = 0;
    int m_mode = kLettersAndDigits;
};

}  // namespace tolmarin
