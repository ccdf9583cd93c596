#include "editor/graph/GraphRenderer.h"

#include <QFont>
#include <QPainter>
#include <QPainterPath>
#include <QPolygon>

#include "editor/graph/GraphGeometry.h"
#include "editor/graph/GraphLayout.h"
#include "model/ChannelSet.h"
#include "response/Filter.h"

namespace tolmarin {

namespace {

const QColor kFrameColour(100, 100, 100);  // frame and axis labels
const QColor kEqBorder(0, 180, 0);
const QColor kGridBorder(255, 255, 255);
const QColor kGridLine(21, 100, 21);
const QColor kAreaColour(68, 86, 98);
const QColor kHandleText(255, 255, 255);
constexpr int kTextPixels = 12;
constexpr qreal kCurvePenWidth = 2.0;
// The curves of CH1 and CH2 are always drawn; the edited channel goes on top.
constexpr int kAlwaysDrawnChannels = 2;
// Wide enough for any axis label.
constexpr int kAxisLabelBox = 60;

QRect ToQRect(const Rect& r) {
    return QRect(r.left, r.top, r.Width(), r.Height());
}

QColor ChannelColour(const OutputChannel& ch) {
    const RgbColour c = ch.GetColour();
    return QColor(c.r, c.g, c.b);
}

QFont GraphFont() {
    QFont font(QStringLiteral("Arial"));
    font.setPixelSize(kTextPixels);
    return font;
}

// Outline of r drawn inside it, as a filled rectangle with a border of one pixel.
void FillOutlined(QPainter& p, const Rect& r, const QColor& fill, const QColor& border) {
    p.setPen(border);
    p.setBrush(fill);
    p.drawRect(QRect(r.left, r.top, r.Width() - 1, r.Height() - 1));
}

void DrawGrid(QPainter& p, const GraphLayout& layout) {
    const Rect& plot = layout.Plot();
    p.setPen(QPen(kGridLine, 1));
    for (int i = GraphLayout::kFirstDrawnGridLine; i < GraphLayout::kGridFrequencies; ++i) {
        const int x = layout.GridX()[i];
        p.drawLine(x, plot.top, x, plot.bottom - 1);
    }
    for (int r = 1; r <= GraphLayout::kGridRows; ++r) {
        const int y = layout.GridY(r);
        p.drawLine(plot.left, y, plot.right - 1, y);
    }
}

// The 241 curve points taken as one poly-Bezier: a start point, then 80 segments of two
// control points and an end point each. The curve is flattened before stroking: stroking
// the Bezier itself builds offset curves and costs a third of a redraw, for the same
// pixels.
void DrawCurve(QPainter& p, const OutputChannel& ch, PlotSize plot) {
    const auto pts = CurveOf(ch.Eq().SummedResponse(), plot);
    QPainterPath path(QPointF(pts[0].x, pts[0].y));
    for (int i = 1; i + 2 < kGridSize; i += 3) {
        path.cubicTo(QPointF(pts[i].x, pts[i].y), QPointF(pts[i + 1].x, pts[i + 1].y),
                     QPointF(pts[i + 2].x, pts[i + 2].y));
    }
    const QList<QPolygonF> lines = path.toSubpathPolygons();
    p.setRenderHint(QPainter::Antialiasing, true);
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(ChannelColour(ch), kCurvePenWidth, Qt::SolidLine, Qt::FlatCap, Qt::BevelJoin));
    for (const QPolygonF& line : lines) {
        p.drawPolyline(line);
    }
    p.setRenderHint(QPainter::Antialiasing, false);
}

// Straight segments between the grid points inside the overlay's range.
void DrawOverlays(QPainter& p, const std::vector<GraphOverlay>& overlays, PlotSize plot) {
    p.setRenderHint(QPainter::Antialiasing, true);
    p.setBrush(Qt::NoBrush);
    for (const GraphOverlay& overlay : overlays) {
        const auto pts = CurveOf(overlay.db, plot);
        QPolygonF line;
        for (int i = 0; i < kGridSize; ++i) {
            const double f = FreqTable[static_cast<std::size_t>(i)];
            if (f >= overlay.loHz && f <= overlay.hiHz) {
                line << QPointF(pts[static_cast<std::size_t>(i)].x,
                                pts[static_cast<std::size_t>(i)].y);
            }
        }
        p.setPen(QPen(overlay.colour, kCurvePenWidth, Qt::SolidLine, Qt::FlatCap, Qt::BevelJoin));
        p.drawPolyline(line);
    }
    p.setRenderHint(QPainter::Antialiasing, false);
}

void DrawCurves(QPainter& p, const GraphScene& scene, PlotSize plot) {
    if (scene.channels == nullptr) {
        return;
    }
    DrawOverlays(p, scene.behind, plot);
    const int count = std::min(kAlwaysDrawnChannels, scene.channels->ChannelCount());
    for (int c = 0; c < count; ++c) {
        DrawCurve(p, scene.channels->Channel(c), plot);
    }
    if (scene.mode == GraphMode::kEq && scene.current != nullptr) {
        DrawCurve(p, *scene.current, plot);
    }
    DrawOverlays(p, scene.overlays, plot);
}

void DrawFrameAndLabels(QPainter& p, const GraphLayout& layout, Language language) {
    FillOutlined(p, layout.Client(), Qt::black, kFrameColour);
    p.setPen(kFrameColour);
    const auto draw = [&](const GraphLayout::AxisLabel& label) {
        p.drawText(QRect(label.x, label.y, kAxisLabelBox, kAxisLabelBox),
                   Qt::AlignLeft | Qt::AlignTop, QString::fromUtf8(Tr(label.text, language)));
    };
    for (const auto& label : layout.DbLabels()) {
        draw(label);
    }
    for (const auto& label : layout.FreqLabels()) {
        draw(label);
    }
}

void DrawHandleLabels(QPainter& p, const GraphLayout& layout, const EqBank& bank, PlotSize plot,
                      Language language) {
    p.setPen(kHandleText);
    for (int i = bank.FilterCount() - 1; i >= 0; --i) {
        const Filter& f = bank.Band(i);
        const Rect handle = MarksOf(f, plot).main;
        Qt::Alignment align = Qt::AlignVCenter;
        switch (HandleLabelAlign(f, handle, layout.Plot())) {
            case HandleAlign::kLeft:
                align |= Qt::AlignLeft;
                break;
            case HandleAlign::kRight:
                align |= Qt::AlignRight;
                break;
            case HandleAlign::kCentre:
                align |= Qt::AlignHCenter;
                break;
        }
        p.drawText(ToQRect(handle), align, QString::fromStdString(HandleLabelText(f, i, language)));
    }
}

void DrawEqPage(QPainter& p, const GraphLayout& layout, const GraphScene& scene, PlotSize plot) {
    FillOutlined(p, layout.Plot(), Qt::black, kEqBorder);
    QColor lastFill = Qt::black;
    if (scene.shown != nullptr) {
        const auto poly = AreaOf(*scene.shown, plot);
        QPolygon area(static_cast<int>(poly.size()));
        for (int i = 0; i < static_cast<int>(poly.size()); ++i) {
            area.setPoint(i, poly[i].x, poly[i].y);
        }
        p.setPen(kAreaColour);
        p.setBrush(kAreaColour);
        p.drawPolygon(area);
        lastFill = kAreaColour;
    }
    DrawGrid(p, layout);
    DrawCurves(p, scene, plot);
    if (scene.current == nullptr) {
        return;
    }
    DrawHandleLabels(p, layout, scene.current->Eq(), plot, scene.language);
    if (scene.active != nullptr && scene.active->GetType() == filter::kPeaking) {
        p.setPen(ChannelColour(*scene.current));
        p.setBrush(lastFill);
        const FilterMarks marks = MarksOf(*scene.active, plot);
        for (const Rect& r : {marks.left, marks.right}) {
            p.drawRect(QRect(r.left, r.top, r.Width() - 1, r.Height() - 1));
        }
    }
    if (scene.shown != nullptr) {
        // Centred across, from the top: a crossover's rectangle starts above its handle, a
        // band's below it, so the text never covers the handle.
        p.setPen(kHandleText);
        p.drawText(ToQRect(MarksOf(*scene.shown, plot).label), Qt::AlignHCenter | Qt::AlignTop,
                   QString::fromStdString(scene.shown->LabelText()));
    }
}

}  // namespace

void GraphRenderer::Paint(QPainter& painter, const QRect& client, const GraphScene& scene) {
    const GraphLayout layout({client.left(), client.top(), client.left() + client.width(),
                              client.top() + client.height()});
    const PlotSize plot = PlotSize::Of(GraphLayout(scene.client).Plot());
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.setFont(GraphFont());
    DrawFrameAndLabels(painter, layout, scene.language);
    if (scene.mode == GraphMode::kGrid || scene.mode == GraphMode::kEq) {
        painter.setClipRect(ToQRect(layout.Plot()));
        if (scene.mode == GraphMode::kGrid) {
            FillOutlined(painter, layout.Plot(), Qt::black, kGridBorder);
            DrawGrid(painter, layout);
            DrawCurves(painter, scene, plot);
        } else {
            DrawEqPage(painter, layout, scene, plot);
        }
    }
    painter.restore();
}

QImage GraphRenderer::RenderToImage(const GraphScene& scene, qreal scale) {
    const QSize size(qRound(scene.client.Width() * scale), qRound(scene.client.Height() * scale));
    QImage image(size.expandedTo(QSize(1, 1)), QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::black);
    QPainter painter(&image);
    painter.scale(scale, scale);
    Paint(painter, QRect(0, 0, scene.client.Width(), scene.client.Height()), scene);
    return image;
}

}  // namespace tolmarin
