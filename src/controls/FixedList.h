#pragma once

#include <QComboBox>

namespace tolmarin {

// A drop-down list of fixed entries: nothing can be typed into it, and typed letters do not
// jump to an entry (a stray key must not change what the amplifier receives). The arrow
// keys, the wheel and the mouse choose as usual.
class FixedList : public QComboBox {
    Q_OBJECT

public:
    explicit FixedList(QWidget* parent = nullptr);

protected:
    void keyPressEvent(QKeyEvent* event) override;
};

}  // namespace tolmarin
