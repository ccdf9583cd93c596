#pragma once

#include <optional>
#include <unordered_map>

#include "editor/graph/GraphGeometry.h"
#include "editor/graph/Pixels.h"

namespace tolmarin {

class Filter;
class EqBank;
class ChannelSet;
class OutputChannel;

// What the graph shows: the grid page with CH1 and CH2 until a channel is selected, the
// interactive EQ page afterwards. Any other value draws nothing.
enum class GraphMode : int { kGrid = 0, kEq = 2 };

// The graph's pointer handling and drag state, without any drawing or toolkit: pointer
// positions are in graph coordinates, results say whether to redraw. The control forwards
// its input here and paints from what this holds. Filters are numbered by their position
// in the bank: 0-7 the EQ bands, then the high-pass and the low-pass.
class GraphInteraction {
public:
    static constexpr int kHighPassPosition = 8;
    static constexpr int kLowPassPosition = 9;
    // Whole bandwidth steps one wheel notch moves.
    static constexpr int kWheelBandwidthSteps = 1;

    struct Outcome {
        bool redraw = false;
        // A notice that must go out at once, ahead of the timer: another filter changed
        // while the notice of this one was still due.
        std::optional<int> noticeNow;
        // The wheel was used (it turned a peaking band's bandwidth or stopped at a limit).
        bool consumed = false;
        // A band's handle was dragged: its gain step, for the fader that shows it (the
        // active position).
        std::optional<int> gainStep;
        // The filter this input changed (its position), for what must follow it at once.
        std::optional<int> changed;
    };

    // What the pointer does to one filter: hovering over and dragging its handles.
    struct PointerState {
        Point grabOffset;  // pointer - main handle centre when a main drag began
        bool hoverMain = false;
        bool hoverLeft = false;
        bool hoverRight = false;
        bool draggingMain = false;
        bool draggingLeft = false;
        bool draggingRight = false;
    };

    void Attach(ChannelSet* channelSet);
    // The plot every filter is drawn and hit-tested in.
    void SetPlot(const Rect& plot) { m_plot = PlotSize::Of(plot); }
    PlotSize Plot() const { return m_plot; }
    FilterMarks Marks(const Filter& f) const { return MarksOf(f, m_plot); }
    void SelectChannel(int index);
    void SetSelected(int selected) { m_selected = selected; }

    ChannelSet* Channels() const { return m_channelSet; }
    OutputChannel* CurrentChannel() const { return m_current; }
    int CurrentIndex() const;
    EqBank* CurrentBank() const { return m_bank; }
    Filter* ActiveFilter() const { return m_active; }
    int ActiveIndex() const { return m_activeIndex; }
    int Selected() const { return m_selected; }
    // The filter whose area and label are shown: the selected one, else the active one.
    Filter* ShownFilter() const;
    GraphMode Mode() const { return m_mode; }
    bool Hover() const { return m_hover; }
    bool Changed() const { return m_changed; }
    bool NoticeDue() const { return m_notify; }

    // Pointer input; all but Press and Release are ignored outside the EQ page.
    Outcome Move(Point p);
    Outcome Press(Point p);
    Outcome Release();
    // notches > 0 widens the band under the pointer, < 0 narrows it: up means a larger
    // bandwidth value, as on the bandwidth field's spin.
    Outcome Wheel(Point p, int notches);

    // The timer tick: the position to notify, once per change, when a listener is set.
    std::optional<int> TakeNotice(bool listenerSet);

    // The first filter of the current bank whose main handle holds p, with its position.
    Filter* FilterAt(Point p, int* position = nullptr) const;

private:
    void MoveBand(Point p, Outcome& out);
    void MoveCrossover(Point p, Outcome& out);
    void Scan(Point p, Outcome& out);
    void PointStep(Filter& band, Point p, Outcome& out);
    void DragStep(bool changed, Outcome& out);
    void BandwidthStep(int x, Outcome& out);
    bool AnyDrag() const;
    PointerState& PointerOf(const Filter* f) { return m_pointers[f]; }

    ChannelSet* m_channelSet = nullptr;
    OutputChannel* m_current = nullptr;
    EqBank* m_bank = nullptr;
    Filter* m_active = nullptr;
    bool m_hover = false;
    bool m_changed = false;
    bool m_notify = false;
    int m_activeIndex = 0;
    int m_noticeIndex = 0;  // the filter the due notice is about
    int m_selected = -1;
    GraphMode m_mode = GraphMode::kGrid;
    PlotSize m_plot;
    // Kept per filter, so a filter the pointer comes back to carries on as it was left.
    std::unordered_map<const Filter*, PointerState> m_pointers;
};

}  // namespace tolmarin
