// The main form's background: top bar, graph bezel, section frames with their titles, and
// every field label, laid out by FormLayout around the controls.

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

#include "art/FormLayout.h"
#include "art/Painting.h"
#include "art/Pieces.h"

namespace tolmarin::art {

namespace {

using namespace palette;

constexpr qreal kFrameRadius = 5.0;

void PaintBase(QPainter& p, const BackgroundLayout& l) {
    QLinearGradient base(0, 0, 0, kFormSize.height());
    base.setColorAt(0.0, kBaseTop);
    base.setColorAt(1.0, kBaseBottom);
    p.fillRect(QRectF(QPointF(0, 0), QSizeF(kFormSize)), base);

    QLinearGradient bar(l.topBar.topLeft(), l.topBar.bottomLeft());
    bar.setColorAt(0.0, kTopBarTop);
    bar.setColorAt(1.0, kTopBarBottom);
    p.fillRect(l.topBar, bar);
    p.fillRect(QRectF(l.topBar.left(), l.topBar.bottom() - 2, l.topBar.width(), 2), kAccent);
}

void PaintGraphFrame(QPainter& p, const BackgroundLayout& l) {
    p.save();
    p.setRenderHint(QPainter::Antialiasing, true);
    const QRectF outer = l.graphFrame.adjusted(0.5, 0.5, -0.5, -0.5);
    QLinearGradient shade(outer.topLeft(), outer.bottomLeft());
    shade.setColorAt(0.0, kScreenFrame.lighter(135));
    shade.setColorAt(1.0, kScreenFrame);
    p.setPen(QPen(kPanelEdge.darker(160), 1.0));
    p.setBrush(shade);
    p.drawRoundedRect(outer, kFrameRadius, kFrameRadius);
    // A recessed lip around the graph itself.
    p.setRenderHint(QPainter::Antialiasing, false);
    if (const form::ControlDef* graph = form::FindControl(form::kGraph); graph != nullptr) {
        const QRect g = ControlRect(*graph).toAlignedRect().adjusted(-2, -2, 1, 1);
        p.setPen(QColor(10, 11, 13));
        p.setBrush(Qt::NoBrush);
        p.drawRect(g);
        p.setPen(QColor(120, 126, 138));
        p.drawLine(g.left() - 1, g.bottom() + 1, g.right() + 1, g.bottom() + 1);
        p.drawLine(g.right() + 1, g.top() - 1, g.right() + 1, g.bottom() + 1);
    }
    p.restore();
}

void PaintSection(QPainter& p, const FormSection& s) {
    p.save();
    p.setRenderHint(QPainter::Antialiasing, true);
    const QRectF outer = s.frame.adjusted(0.5, 0.5, -0.5, -0.5);
    // Soft drop shadow, then the body in the dialogs' panel colour.
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0, 0, 0, 28));
    p.drawRoundedRect(outer.translated(1, 1.5), kFrameRadius, kFrameRadius);
    p.setPen(QPen(kPanelEdge, 1.0));
    p.setBrush(kPanel);
    p.drawRoundedRect(outer, kFrameRadius, kFrameRadius);

    // Title strip, clipped to the frame's rounded top.
    QPainterPath body;
    body.addRoundedRect(outer.adjusted(0.5, 0.5, -0.5, -0.5), kFrameRadius - 0.5,
                        kFrameRadius - 0.5);
    p.setClipPath(body);
    const QRectF strip(outer.left(), outer.top(), outer.width(), s.titleHeight);
    QLinearGradient shade(strip.topLeft(), strip.bottomLeft());
    shade.setColorAt(0.0, kTitleTop);
    shade.setColorAt(1.0, kTitleBottom);
    p.fillRect(strip, shade);
    p.fillRect(QRectF(strip.left(), strip.top(), 4, strip.height()), kAccent);
    p.setClipping(false);
    p.setRenderHint(QPainter::Antialiasing, false);
    // Etched light line under the strip.
    p.setPen(kPanelLight);
    const int below = static_cast<int>(strip.bottom());
    p.drawLine(static_cast<int>(strip.left()) + 1, below, static_cast<int>(strip.right()) - 1,
               below);
    p.restore();
}

QColor ColourFor(TextRole role) {
    switch (role) {
        case TextRole::Brand:
            return kTopBarText;
        case TextRole::TopBarLabel:
            return kTopBarDim;
        case TextRole::SectionTitle:
        case TextRole::ColumnTitle:
            return kTitleText;
        case TextRole::Scale:
        case TextRole::FieldLabel:
            break;
    }
    return kLabel;
}

}  // namespace

QImage PaintBackground(bool english) {
    const BackgroundLayout l = LayoutBackground(english);
    QImage image = NewCanvas(kFormSize.width(), kFormSize.height(), kBaseTop);
    QPainter p(&image);
    p.setRenderHint(QPainter::TextAntialiasing, true);
    PaintBase(p, l);
    PaintGraphFrame(p, l);
    for (const FormSection& s : l.sections) {
        PaintSection(p, s);
    }
    p.setRenderHint(QPainter::Antialiasing, false);
    for (qreal x : l.bandDividers) {
        const int ix = static_cast<int>(x);
        const int top = static_cast<int>(l.bandArea.top());
        const int bottom = static_cast<int>(l.bandArea.bottom());
        p.setPen(kPanelEdge.lighter(115));
        p.drawLine(ix, top, ix, bottom);
        p.setPen(kPanelLight);
        p.drawLine(ix + 1, top, ix + 1, bottom);
    }
    for (const FormText& t : l.texts) {
        PaintText(p, t.box, t.text, FontFor(t.role), ColourFor(t.role));
    }
    return image;
}

}  // namespace tolmarin::art
