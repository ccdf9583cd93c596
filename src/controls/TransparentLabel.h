#pragma once

#include <QColor>
#include <QLabel>

namespace tolmarin {

// A label drawn over its parent's background in a text colour of its own.
class TransparentLabel : public QLabel {
    Q_OBJECT

public:
    explicit TransparentLabel(QWidget* parent = nullptr);
    explicit TransparentLabel(const QString& text, QWidget* parent = nullptr);

    void SetControlId(int id) { m_controlId = id; }
    int ControlId() const { return m_controlId; }
    void SetTextColor(const QColor& colour);
    QColor TextColor() const { return m_textColour; }

private:
    int m_controlId = 0;
    QColor m_textColour = Qt::black;
};

}  // namespace tolmarin
