#pragma once

#include <QColor>
#include <QWidget>

#include "controls/LampLevel.h"

namespace tolmarin {

// Eight-segment level lamp: green segments from the bottom, then yellow, then red.
class Lamp : public QWidget {
    Q_OBJECT

public:
    static constexpr QRgb kOutline = 0xB2B2B2;  // (178, 178, 178)
    static constexpr QRgb kGreen = 0x28B428;    // (40, 180, 40)
    static constexpr QRgb kYellow = 0xFFFF00;
    static constexpr QRgb kRed = 0xDA251E;   // (218, 37, 30)
    static constexpr QRgb kDark = 0x323232;  // (50, 50, 50)

    explicit Lamp(QWidget* parent = nullptr);

    void SetControlId(int id) { m_controlId = id; }
    int ControlId() const { return m_controlId; }

    // Measures the control: a segment is an eighth of its height.
    void Init();
    // Repaints only when a segment changed. A level is a reading again.
    void SetLevel(int value);
    // No reading (no link): every segment dark and a light "--" across them, so that an old
    // level is never taken for a live one.
    void SetNoReading();
    bool HasReading() const { return m_hasReading; }
    const LampLevel& Level() const { return m_level; }
    int SegmentHeight() const { return m_segmentHeight; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    int m_controlId = 0;
    LampLevel m_level;
    int m_segmentHeight = 0;
    bool m_hasReading = true;
};

}  // namespace tolmarin
