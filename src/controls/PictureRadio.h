#pragma once

#include <QAbstractButton>
#include <QColor>

namespace tolmarin {

// A radio button or check box drawn over its parent's background, in a text colour of
// its own.
class PictureRadio : public QAbstractButton {
    Q_OBJECT

public:
    enum class Style { Radio, Check };

    explicit PictureRadio(Style style = Style::Radio, QWidget* parent = nullptr);
    explicit PictureRadio(const QString& text, Style style = Style::Radio,
                          QWidget* parent = nullptr);

    void SetControlId(int id) { m_controlId = id; }
    int ControlId() const { return m_controlId; }
    void SetTextColor(const QColor& colour);
    QColor TextColor() const { return m_textColour; }

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    int m_controlId = 0;
    Style m_style;
    QColor m_textColour = Qt::black;
};

}  // namespace tolmarin
