#include "controls/NumberSpin.h"

#include <QMouseEvent>
#include <QPainter>
#include <QStyle>
#include <QStyleOption>
#include <algorithm>

#include "controls/ControlsUi.h"
#include "controls/NumberField.h"
#include "model/ValueEntry.h"

namespace tolmarin {

namespace {
constexpr int kWidth = 16;
constexpr int kHeight = 20;
}  // namespace

NumberSpin::NumberSpin(QWidget* parent) : QWidget(parent), m_repeatTimer(new QTimer(this)) {
    // Like the arrows beside a field, the spin never takes the focus from it.
    setFocusPolicy(Qt::NoFocus);
    m_notifyTimer.setInterval(kNotifyPeriodMs);
    connect(&m_notifyTimer, &QTimer::timeout, this, &NumberSpin::NotifyTick);
    m_repeatTimer->setObjectName(QStringLiteral("arrowRepeat"));
    m_repeatTimer->setSingleShot(false);
    connect(m_repeatTimer, &QTimer::timeout, this, &NumberSpin::Repeat);
}

void NumberSpin::SetBuddy(NumberField* buddy) {
    if (m_buddy != nullptr) {
        disconnect(m_buddy, &NumberField::arrowStep, this, &NumberSpin::KeyStep);
    }
    m_buddy = buddy;
    if (m_buddy != nullptr) {
        connect(m_buddy, &NumberField::arrowStep, this, &NumberSpin::KeyStep);
        m_buddyKind = m_buddy->Kind();
    }
}

void NumberSpin::SetRange(int minimum, int maximum) {
    m_minimum = minimum;
    m_maximum = maximum;
    if (m_buddy != nullptr) {
        m_buddy->SetRange(minimum, maximum);
        m_buddyKind = m_buddy->Kind();
    }
    m_position = minimum;
}

int NumberSpin::GetPos() {
    if (m_buddy != nullptr) {
        m_position = m_buddy->GetValue();
    }
    return m_position;
}

void NumberSpin::SetPos(int value) {
    if (value < m_minimum || value > m_maximum) {
        ControlsUiState().Report(TextId::SetPosError, MessageKind::Warning);
        return;
    }
    m_position = value;
    if (m_buddy != nullptr) {
        m_buddy->SetValue(value);
    }
}

bool NumberSpin::IsBuddyDirty() const {
    return m_buddy != nullptr && m_buddy->IsDirty();
}

void NumberSpin::Step(int delta) {
    GetPos();  // the field's value, typed text included, is where the step starts
    // Frequencies step along the response grid, delta grid points at a time.
    const int target =
        m_buddyKind == entry::kFrequency ? StepAlongGrid(m_position, delta) : m_position + delta;
    const int p = std::clamp(target, m_minimum, m_maximum);
    if (p != m_position) {
        m_position = p;
        m_changed = true;
    }
    if (m_buddy != nullptr) {
        m_buddy->SetValue(m_position);
    }
    if (!m_held) {
        emit commandSent(m_controlId);
    }
}

int NumberSpin::Span() const {
    return m_buddyKind == entry::kFrequency ? kFrequencyGridSteps : m_maximum - m_minimum;
}

void NumberSpin::KeyStep(int direction, bool repeated) {
    m_keyRepeats = repeated ? m_keyRepeats + 1 : 0;
    Step(direction * (repeated ? HeldArrowStep(m_keyRepeats - 1, Span()) : 1));
}

NumberSpin::Arrow NumberSpin::ArrowAt(QPoint point) const {
    if (!rect().contains(point)) {
        return Arrow::None;
    }
    return point.y() < height() / 2 ? Arrow::Up : Arrow::Down;
}

void NumberSpin::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) {
        QWidget::mousePressEvent(event);
        return;
    }
    m_held = true;
    m_notifyTimer.start();
    m_pointer = event->position().toPoint();
    m_pressedArrow = ArrowAt(m_pointer);
    if (m_pressedArrow != Arrow::None) {
        m_repeats = 0;
        Step(m_pressedArrow == Arrow::Up ? 1 : -1);
        m_repeatTimer->start(kRepeatDelayMs);
    }
    update();
}

void NumberSpin::mouseMoveEvent(QMouseEvent* event) {
    m_pointer = event->position().toPoint();
    QWidget::mouseMoveEvent(event);
}

void NumberSpin::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) {
        QWidget::mouseReleaseEvent(event);
        return;
    }
    m_held = false;
    m_notifyTimer.stop();
    m_repeatTimer->stop();
    m_pressedArrow = Arrow::None;
    if (m_changed) {
        m_changed = false;
        emit commandSent(m_controlId);
    }
    update();
}

void NumberSpin::Repeat() {
    m_repeatTimer->setInterval(kRepeatIntervalMs);
    // The arrow repeats only while the pointer stays on it.
    if (m_pressedArrow != Arrow::None && ArrowAt(m_pointer) == m_pressedArrow) {
        // A held arrow speeds up the longer it is held.
        const int steps = HeldArrowStep(m_repeats++, Span());
        Step(m_pressedArrow == Arrow::Up ? steps : -steps);
    }
}

void NumberSpin::NotifyTick() {
    if (m_changed) {
        m_changed = false;
        emit commandSent(m_controlId);
    }
}

QSize NumberSpin::sizeHint() const {
    return {kWidth, kHeight};
}

void NumberSpin::paintEvent(QPaintEvent* /*event*/) {
    QPainter painter(this);
    const int half = height() / 2;
    const QRect halves[] = {QRect(0, 0, width(), half), QRect(0, half, width(), height() - half)};
    for (int k = 0; k < 2; ++k) {
        const Arrow arrow = k == 0 ? Arrow::Up : Arrow::Down;
        QStyleOption option;
        option.initFrom(this);
        option.rect = halves[k];
        if (m_pressedArrow == arrow) {
            option.state |= QStyle::State_Sunken;
        } else {
            option.state |= QStyle::State_Raised;
        }
        style()->drawPrimitive(QStyle::PE_PanelButtonBevel, &option, &painter, this);
        option.rect = halves[k].adjusted(3, 2, -3, -2);
        style()->drawPrimitive(k == 0 ? QStyle::PE_IndicatorArrowUp : QStyle::PE_IndicatorArrowDown,
                               &option, &painter, this);
    }
}

}  // namespace tolmarin
