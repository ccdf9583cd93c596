#pragma once

#include <QColor>
#include <QString>
#include <QWidget>

namespace tolmarin {

// A one-line label in a font of its own, optionally on a filled background. The font shrinks
// when the text would not fit the label whole.
class FontLabel : public QWidget {
    Q_OBJECT

public:
    // Alignment bits of SetFontStyle, tested in this order.
    static constexpr unsigned kCentred = 0x20;
    static constexpr unsigned kRight = 0x80;
    static constexpr unsigned kLeft = 0x40;
    static constexpr int kDefaultHeight = 18;
    static constexpr int kDefaultWeight = 400;

    explicit FontLabel(QWidget* parent = nullptr);

    void SetControlId(int id) { m_controlId = id; }
    int ControlId() const { return m_controlId; }

    // The face does not change the drawing; height in pixels.
    void SetFontStyle(const QString& face, int height, const QColor& colour, unsigned style);
    void SetBackgroundColor(const QColor& colour);
    void SetTextColor(const QColor& colour);
    void SetText(const QString& text);
    QString Text() const { return m_text; }
    Qt::Alignment Alignment() const { return m_alignment; }
    // The font height the text is drawn in: the one set, or smaller so that it fits the box.
    int ShownHeight() const;

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    int m_controlId = 0;
    QString m_text;
    int m_height = kDefaultHeight;
    int m_weight = kDefaultWeight;
    Qt::Alignment m_alignment = Qt::AlignHCenter;
    QColor m_textColour = Qt::black;
    QColor m_background;
    bool m_fillBackground = false;
};

}  // namespace tolmarin
