#include "art/Painting.h"

#include <QFont>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>
#include <QStringList>
#include <mutex>

namespace tolmarin::art {

namespace {
const QString kLatinFace = QStringLiteral("Arial");
const QString kCjkFace = QStringLiteral("WenQuanYi Micro Hei");
constexpr int kDotsPerMetre96Dpi = 3780;
}  // namespace

void EnsureFontSubstitutions() {
    static std::once_flag once;
    std::call_once(once, [] {
        // The program asks for the Windows faces by name; their metric-compatible twins
        // keep every text the width it was laid out for, and the CJK face follows them.
        QFont::insertSubstitutions(QStringLiteral("Arial"),
                                   {QStringLiteral("Liberation Sans"), kCjkFace});
        QFont::insertSubstitutions(QStringLiteral("Times New Roman"),
                                   {QStringLiteral("Liberation Serif"), kCjkFace});
    });
}

QFont ArtFont(int pixelSize, Weight weight) {
    EnsureFontSubstitutions();
    QFont font;
    font.setFamilies({kLatinFace, kCjkFace});
    font.setPixelSize(pixelSize);
    font.setWeight(weight == Weight::Bold ? QFont::Bold : QFont::Normal);
    font.setHintingPreference(QFont::PreferFullHinting);
    font.setStyleStrategy(QFont::PreferAntialias);
    return font;
}

QImage NewCanvas(int width, int height, const QColor& fill) {
    QImage image(width, height, QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(1.0);
    image.setDotsPerMeterX(kDotsPerMetre96Dpi);
    image.setDotsPerMeterY(kDotsPerMetre96Dpi);
    image.fill(fill);
    return image;
}

void PaintFace(QPainter& p, const QRectF& r, const QColor& top, const QColor& bottom,
               const QColor& edge, qreal radius) {
    p.save();
    p.setRenderHint(QPainter::Antialiasing, true);
    const QRectF outer = r.adjusted(0.5, 0.5, -0.5, -0.5);
    QLinearGradient shade(outer.topLeft(), outer.bottomLeft());
    shade.setColorAt(0.0, top);
    shade.setColorAt(1.0, bottom);
    p.setPen(QPen(edge, 1.0));
    p.setBrush(shade);
    p.drawRoundedRect(outer, radius, radius);
    // A thin highlight inside the top edge gives the face its raised look.
    QColor shine = top.lighter(118);
    shine.setAlpha(150);
    p.setPen(QPen(shine, 1.0));
    p.drawLine(QPointF(outer.left() + radius, outer.top() + 1.0),
               QPointF(outer.right() - radius, outer.top() + 1.0));
    p.restore();
}

void PaintLed(QPainter& p, const QPointF& centre, qreal radius, const QColor& colour, bool lit) {
    p.save();
    p.setRenderHint(QPainter::Antialiasing, true);
    if (lit) {
        QRadialGradient glow(centre, radius * 2.2);
        QColor halo = colour;
        halo.setAlpha(110);
        glow.setColorAt(0.0, halo);
        glow.setColorAt(1.0, QColor(colour.red(), colour.green(), colour.blue(), 0));
        p.setPen(Qt::NoPen);
        p.setBrush(glow);
        p.drawEllipse(centre, radius * 2.2, radius * 2.2);
    }
    QRadialGradient body(centre - QPointF(radius * 0.35, radius * 0.35), radius * 1.3);
    body.setColorAt(0.0, lit ? colour.lighter(160) : colour.lighter(125));
    body.setColorAt(1.0, lit ? colour : colour.darker(140));
    p.setPen(QPen(lit ? colour.darker(160) : colour.darker(190), 1.0));
    p.setBrush(body);
    p.drawEllipse(centre, radius, radius);
    p.restore();
}

void PaintText(QPainter& p, const QRectF& box, const QString& text, const QFont& font,
               const QColor& colour, Qt::Alignment align) {
    p.save();
    p.setFont(font);
    p.setPen(colour);
    p.drawText(box, static_cast<int>(align | Qt::TextSingleLine), text);
    p.restore();
}

}  // namespace tolmarin::art
