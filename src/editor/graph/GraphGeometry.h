#pragma once

#include <array>

#include "editor/graph/Pixels.h"
#include "response/Filter.h"
#include "response/FilterMath.h"

namespace tolmarin {

// The plot's size in pixels. Larger plots than the bound are not drawn; it keeps every
// coordinate sum in range.
struct PlotSize {
    static constexpr int kMax = 1000000;
    int width = 0;
    int height = 0;
    // A negative size means no plot.
    static PlotSize Of(const Rect& plot);
};

// Where the graph draws and hit-tests one filter, in graph coordinates (plot + (35, 10)).
struct FilterMarks {
    Rect main;  // the handle dragged for frequency and gain (crossover: frequency)
    Rect left;  // bandwidth handles; only a peaking band shows and answers to them
    Rect right;
    Rect label;  // the label text's box
};

// An EQ band (by its EQ band flag) sits on its frequency and gain, a crossover filter on
// its frequency at a fixed height; handles and label stay inside the plot's edges.
FilterMarks MarksOf(const Filter& f, PlotSize plot);

// A filter's filled response area: the 0 dB start, one point per grid frequency, the 0 dB
// end.
inline constexpr int kAreaPoints = kGridSize + 2;
std::array<Point, kAreaPoints> AreaOf(const Filter& f, PlotSize plot);

// A channel's summed response as the points of its curve.
std::array<PointF, kGridSize> CurveOf(const GridResponse& response, PlotSize plot);

// --- Drags: a pointer in graph coordinates, less the grab offset (pointer - main handle
// centre when the drag began), turned into the filter's values ------------------------------

// Peaking band or shelf: frequency and gain from the pointer. The top edge always counts as
// a change; a crossover filter is not touched.
Filter::PointDrag DragBand(Filter& f, Point pointer, Point grabOffset, PlotSize plot);
// Peaking band: the bandwidth from the x of the dragged side handle.
void DragBandEdge(Filter& f, int x, Filter::BandEdge edge, PlotSize plot);
// Crossover filter: the frequency from the pointer's x, never past otherFreq (the other
// crossover filter's frequency). The high-pass at the left edge is 20 Hz, off. Returns
// whether the frequency was set.
bool DragCrossover(Filter& f, Point pointer, Point grabOffset, int otherFreq, PlotSize plot);

}  // namespace tolmarin
