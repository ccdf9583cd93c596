// Button pictures: the top bar's page, link and power buttons, the channel panel's
// channel, output and polarity buttons, the band bypass buttons, the strip's buttons and the
// degree sign.

#include <QPainter>
#include <QPainterPath>
#include <QString>
#include <array>

#include "art/Painting.h"
#include "art/Pieces.h"

namespace tolmarin::art {

namespace {

using namespace palette;

constexpr qreal kRadius = 4.0;
constexpr int kPageCount = 4;
constexpr int kBandCount = 8;

// The channels' own colours, so that a channel button matches its curve in the graph.
const std::array<QColor, 2> kChannelColours{QColor(102, 0, 102), QColor(0, 255, 0)};

struct Look {
    QColor top, bottom, edge, text;
};

const Look kDarkLook{kDarkFaceTop, kDarkFaceBottom, kDarkFaceEdge, kTopBarText};
const Look kDarkHoverLook{kDarkFaceTop.lighter(125), kDarkFaceBottom.lighter(125), kDarkFaceEdge,
                          Qt::white};
const Look kAccentLook{kAccent.lighter(112), kAccent.darker(150), kAccent.darker(230), Qt::white};
const Look kLightLook{kFaceTop, kFaceBottom, kFaceEdge, kFaceText};
const Look kRedLook{kRed.lighter(125), kRed.darker(130), kRed.darker(200), Qt::white};
const Look kAmberLook{kAmber.lighter(120), kAmber.darker(118), kAmber.darker(190),
                      QColor(40, 30, 10)};

QImage Button(QSize size, const Look& look, const QString& text, int textPx,
              const QRectF& textBox = QRectF()) {
    QImage image = NewCanvas(size.width(), size.height());
    QPainter p(&image);
    PaintFace(p, QRectF(QPointF(0, 0), QSizeF(size)), look.top, look.bottom, look.edge, kRadius);
    const QRectF box = textBox.isNull() ? QRectF(QPointF(0, 0), QSizeF(size)) : textBox;
    PaintText(p, box, text, ArtFont(textPx, Weight::Bold), look.text);
    return image;
}

// A button with a status lamp at its left and the text beside it.
QImage LampButton(QSize size, const Look& look, const QString& text, int textPx, const QColor& lamp,
                  bool lit) {
    const qreal lampX = size.height() * 0.5 + 1.0;
    const QRectF textBox(lampX + 4.0, 0, size.width() - lampX - 6.0, size.height());
    QImage image = Button(size, look, text, textPx, textBox);
    QPainter p(&image);
    PaintLed(p, QPointF(lampX, size.height() * 0.5), size.height() >= 30 ? 4.0 : 3.5, lamp, lit);
    return image;
}

}  // namespace

QImage PaintPageButton(int page, bool english, bool hover) {
    // The language button offers the other language, in that language's own words.
    static const std::array<TextId, kPageCount> kCaptions{TextId::ArtLanguage, TextId::ArtProgram,
                                                          TextId::ArtDataView, TextId::ArtSystem};
    const int i = page < 0 || page >= kPageCount ? 0 : page;
    const QString text = ArtText(kCaptions[i], english);
    return Button(kTopButtonSize, hover ? kAccentLook : kDarkLook, text, 13);
}

QImage PaintLinkButton(bool english, bool on, bool hover) {
    const QString text = ArtText(TextId::ArtLink, english);
    const Look& look = hover ? kDarkHoverLook : kDarkLook;
    return LampButton(kTopButtonSize, look, text, 13, on ? kGreen : kLedOff, on);
}

QImage PaintLinkConnectingButton(bool english, bool hover) {
    const QString text = ArtText(TextId::ArtLink, english);
    const Look& look = hover ? kDarkHoverLook : kDarkLook;
    return LampButton(kTopButtonSize, look, text, 13, kAmber, true);
}

QImage PaintPowerButton(bool on) {
    QImage image = NewCanvas(kPowerButtonSize.width(), kPowerButtonSize.height());
    QPainter p(&image);
    const QRectF face(QPointF(0, 0), QSizeF(kPowerButtonSize));
    PaintFace(p, face, kFaceTop, kFaceBottom, kDarkFaceEdge, kRadius);
    p.setRenderHint(QPainter::Antialiasing, true);
    const QPointF c = face.center();
    constexpr qreal kRing = 7.5;
    const QColor symbol = on ? kRed : QColor(18, 18, 20);
    if (on) {
        QColor glow = kRed;
        glow.setAlpha(60);
        p.setPen(QPen(glow, 5.0, Qt::SolidLine, Qt::RoundCap));
        p.drawArc(QRectF(c.x() - kRing, c.y() - kRing + 1, 2 * kRing, 2 * kRing), 125 * 16,
                  290 * 16);
    }
    p.setPen(QPen(symbol, 2.2, Qt::SolidLine, Qt::RoundCap));
    // The ring opens at the top, where the stroke stands.
    p.drawArc(QRectF(c.x() - kRing, c.y() - kRing + 1, 2 * kRing, 2 * kRing), 125 * 16, -250 * 16);
    p.drawLine(QPointF(c.x(), c.y() - kRing - 1), QPointF(c.x(), c.y() + 1));
    return image;
}

QImage PaintChannelButton(int channel, bool english, bool on) {
    const int ch = channel == 1 ? 1 : 0;
    const QString text = ArtText(TextId::ArtChannel, english) + QString::number(ch + 1);
    const QSize size = kChannelButtonSize;
    const Look& look = on ? kDarkLook : kLightLook;
    const QRectF textBox(12, 0, size.width() - 14, size.height());
    QImage image =
        Button(size, on ? Look{kDarkFaceTop, kDarkFaceBottom, kDarkFaceEdge, Qt::white} : look,
               text, 13, textBox);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing, true);
    // The channel's colour as a tab at the left: bright when shown, faded otherwise.
    QColor tab = kChannelColours[ch];
    if (!on) {
        tab.setAlpha(110);
    }
    p.setPen(QPen(on ? QColor(240, 240, 244) : kFaceEdge, 1.0));
    p.setBrush(tab);
    p.drawRoundedRect(QRectF(5.5, 5.5, 6, size.height() - 11), 1.5, 1.5);
    return image;
}

QImage PaintOutputButton(bool english, bool outputOn) {
    const QString text = ArtText(TextId::ArtMute, english);
    // Muted is the state to notice: the whole face turns red.
    return outputOn
               ? LampButton(kSwitchButtonSize, kLightLook, text, 11, kLedOff, false)
               : LampButton(kSwitchButtonSize, kRedLook, text, 11, QColor(255, 214, 210), true);
}

QImage PaintPolarityButton(bool english, bool inverted) {
    const QString text = ArtText(TextId::ArtPolarity, english);
    return inverted
               ? LampButton(kSwitchButtonSize, kAmberLook, text, 11, QColor(255, 246, 200), true)
               : LampButton(kSwitchButtonSize, kLightLook, text, 11, kLedOff, false);
}

QImage PaintBypassButton(int band, bool on) {
    const int k = band < 0 || band >= kBandCount ? 0 : band;
    const QSize size = kBypassButtonSize;
    const QRectF numberBox(0, 16, size.width(), size.height() - 20);
    QImage image =
        Button(size, on ? kAmberLook : kLightLook, QString::number(k + 1), 13, numberBox);
    QPainter p(&image);
    PaintLed(p, QPointF(size.width() * 0.5, 10.0), 3.5, on ? QColor(255, 246, 200) : kLedOff, on);
    return image;
}

QImage PaintStripButton(TextId label, bool english, bool hover) {
    return Button(kStripButtonSize, hover ? kAccentLook : kDarkLook, ArtText(label, english), 13);
}

QImage PaintDegreeSign() {
    QImage image = NewCanvas(kDegreeSize.width(), kDegreeSize.height());
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing, true);
    p.setRenderHint(QPainter::TextAntialiasing, true);
    // Near-black like the temperature beside it; the ring is drawn, not a glyph, so that it
    // stays round and crisp at this size.
    const QColor ink(20, 20, 22);
    p.setPen(QPen(ink, 1.1));
    p.setBrush(Qt::NoBrush);
    // Sitting on the bottom row, the sign shares the baseline of the digits beside it.
    constexpr qreal kBaseline = 13.0;
    p.drawEllipse(QPointF(2.2, kBaseline - 7.6), 1.6, 1.6);
    p.setFont(ArtFont(12));
    p.drawText(QPointF(4.0, kBaseline), QStringLiteral("C"));
    return image;
}

}  // namespace tolmarin::art
