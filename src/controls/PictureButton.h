#pragma once

#include <QAbstractButton>
#include <QRegion>
#include <array>

namespace tolmarin {

// A push button that is only a picture: an off look and an on look, each with a normal,
// hover and pressed image (by resource number). The picture carries the label; the
// button takes the picture's size.
class PictureButton : public QAbstractButton {
    Q_OBJECT

public:
    explicit PictureButton(QWidget* parent = nullptr);

    void SetControlId(int id) { m_controlId = id; }
    int ControlId() const { return m_controlId; }

    void SetBitmaps(int onNormal, int onHover, int onPressed, int offNormal, int offHover,
                    int offPressed);
    void SetOn(bool on);
    bool IsOn() const { return m_on; }
    void SetUseHandCursor(bool use);
    // Where the pictures carry a status lamp: drawn as it is even while the button is
    // disabled, so that the state it reports stays readable while the form waits.
    void SetLampArea(const QRegion& area) { m_lampArea = area; }
    bool IsHovering() const { return m_hovering; }
    // The resource number drawn now (0: nothing is drawn).
    int CurrentBitmap() const;

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;

private:
    void Refresh();

    enum Image { kOnNormal, kOnHover, kOnPressed, kOffNormal, kOffHover, kOffPressed };
    int m_controlId = 0;
    std::array<int, 6> m_bitmaps{};
    bool m_on = false;
    bool m_hovering = false;
    bool m_useHandCursor = true;
    QRegion m_lampArea;
};

}  // namespace tolmarin
