#pragma once

#include <QImage>
#include <QRect>

#include "editor/graph/GraphInteraction.h"
#include "response/Geometry.h"
#include "text/Texts.h"

class QPainter;

namespace tolmarin {

class Filter;
class ChannelSet;
class OutputChannel;

// Everything one picture of the graph is drawn from. Drawing refreshes the channels'
// cached curve points from their filters, so the pointers are not const.
struct GraphScene {
    ChannelSet* channels = nullptr;
    GraphMode mode = GraphMode::kGrid;
    OutputChannel* current = nullptr;
    Filter* shown = nullptr;   // area and label text
    Filter* active = nullptr;  // bandwidth handles when a peaking band
    Rect client;               // the rectangle the channels were laid out in
    Language language = Language::English;
};

// The one drawing of the graph, for the screen, image files and the print preview.
class GraphRenderer {
public:
    // Draws into client, which must be the rectangle the channels were laid out for.
    static void Paint(QPainter& painter, const QRect& client, GraphScene& scene);
    // The scene at its laid-out size times scale; vector drawing, so it stays sharp.
    static QImage RenderToImage(GraphScene& scene, qreal scale = 1.0);
};

}  // namespace tolmarin
