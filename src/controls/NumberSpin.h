#pragma once

#include <QPointer>
#include <QTimer>
#include <QWidget>

namespace tolmarin {

class NumberField;

// The up-down arrows beside a NumberField. The spin owns the field's position, gives it its
// range, steps frequency fields along the response grid, and tells the form of arrow
// steps: at once for a key step, at most every 400 ms while an arrow is held, and once
// more at release. An arrow held down (on the spin, or an arrow key repeating in the field)
// takes ever larger steps, so that any range is crossed in a few seconds.
class NumberSpin : public QWidget {
    Q_OBJECT

public:
    // Period at which the form hears of a held arrow.
    static constexpr int kNotifyPeriodMs = 400;
    // The arrows' own auto-repeat while held.
    static constexpr int kRepeatDelayMs = 300;
    static constexpr int kRepeatIntervalMs = 50;

    explicit NumberSpin(QWidget* parent = nullptr);

    void SetControlId(int id) { m_controlId = id; }
    int ControlId() const { return m_controlId; }

    // Not owned. The field's arrow keys step this spin.
    void SetBuddy(NumberField* buddy);
    NumberField* GetBuddy() const { return m_buddy; }
    // Also gives the buddy the range (and its minimum as value).
    void SetRange(int minimum, int maximum);
    int Minimum() const { return m_minimum; }
    int Maximum() const { return m_maximum; }
    // The buddy's value, typed text included.
    int GetPos();
    // Outside the range: the "Set Pos Error!" message and nothing else. Never notifies.
    void SetPos(int value);
    bool IsBuddyDirty() const;

    // One arrow step of delta steps (grid points for a frequency), up when positive, as a
    // click or an arrow key makes it.
    void Step(int delta);
    // An arrow key in the buddy field: direction +1 or -1; repeated when the key is held
    // and the platform repeats it.
    void KeyStep(int direction, bool repeated);

    QSize sizeHint() const override;

signals:
    void commandSent(int controlId);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    enum class Arrow { None, Up, Down };
    Arrow ArrowAt(QPoint point) const;
    void Repeat();
    void NotifyTick();
    // Steps in the whole range (grid points for a frequency field).
    int Span() const;

    int m_controlId = 0;
    QPointer<NumberField> m_buddy;
    int m_position = 0;
    int m_minimum = 0;
    int m_maximum = 0;
    bool m_held = false;
    bool m_changed = false;
    int m_buddyKind = 0;
    Arrow m_pressedArrow = Arrow::None;
    int m_repeats = 0;     // repetitions of the held arrow so far
    int m_keyRepeats = 0;  // repetitions of a held arrow key so far
    QPoint m_pointer;      // where the pressed button is now
    QTimer m_notifyTimer;
    QTimer* m_repeatTimer;  // a child, so tests can stand in for the platform's repeat
};

}  // namespace tolmarin
