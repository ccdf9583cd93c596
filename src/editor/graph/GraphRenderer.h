#pragma once

#include <QColor>
#include <QImage>
#include <QRect>

#include <vector>

#include "editor/graph/GraphInteraction.h"
#include "editor/graph/Pixels.h"
#include "response/FilterMath.h"
#include "text/Texts.h"

class QPainter;

namespace tolmarin {

class Filter;
class ChannelSet;
class OutputChannel;

// A curve laid over the channels' (a room measurement, what it becomes with the EQ): dB at
// the grid frequencies, drawn in its own colour between loHz and hiHz.
struct GraphOverlay {
    GridResponse db{};
    QColor colour;
    double loHz = 0.0;
    double hiHz = 1e9;
};

// Everything one picture of the graph is drawn from; drawing only reads it.
struct GraphScene {
    const ChannelSet* channels = nullptr;  // CH1 and CH2 curves; none while null
    GraphMode mode = GraphMode::kGrid;
    const OutputChannel* current = nullptr;
    const Filter* shown = nullptr;   // area and label text
    const Filter* active = nullptr;  // bandwidth handles when a peaking band
    // The rectangle the graph was laid out in: its plot places the curves, areas and
    // handles, which is also where the pointer finds them.
    Rect client;
    Language language = Language::English;
    std::vector<GraphOverlay> overlays;  // drawn over the channel curves, in order
    std::vector<GraphOverlay> behind;    // drawn under them (the setting compared with)
};

// The one drawing of the graph, for the screen, image files and the print preview.
class GraphRenderer {
public:
    // Draws into client, which must be the rectangle the channels were laid out for.
    static void Paint(QPainter& painter, const QRect& client, const GraphScene& scene);
    // The scene at its laid-out size times scale; vector drawing, so it stays sharp.
    static QImage RenderToImage(const GraphScene& scene, qreal scale = 1.0);
};

}  // namespace tolmarin
