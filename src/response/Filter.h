#pragma once

#include <array>
#include <string>

#include "response/FilterMath.h"
#include "response/Geometry.h"

namespace tolmarin {

struct SharedState;

// What a filter needs of the fader that shows its gain: moving the thumb on the fader's
// reversed scale (top = largest step). The editor's fader implements it.
class GainFader {
public:
    virtual ~GainFader() = default;
    virtual void SetPosReversed(int pos) = 0;
};

// Points of a filter's filled response area: the 0 dB start, one per grid frequency, the
// 0 dB end.
inline constexpr int kPolygonPoints = kGridSize + 2;

// One filter of an output channel: a peaking band, a shelf, or the high-pass or low-pass
// crossover filter. It keeps its parameters, its response at the grid frequencies (always
// current: every change recomputes it before returning), the geometry the response graph
// draws and hit-tests, and the pending flag the change emission sends from.
//
// The filter holds a reference to the process's shared state: a change copies
// state.app.sendChanges into the pending flag, and messages and language-dependent texts
// follow state.ui. The state must outlive the filter.
class Filter {
public:
    explicit Filter(SharedState& state);

    // --- Parameters ---------------------------------------------------------------------
    // EQ band: frequency = hz (a shelf kept on its side of 2000 Hz). Crossover filter: see
    // the sent-frequency notes at AdvanceSentFreq. Marks pending when fromEdit.
    void SetFreq(int hz, bool fromEdit);
    // gain = step * 0.1 - 20 dB; a gain of exactly 0.0 forces bypass. Marks pending.
    void SetGainStep(int step);
    // bandwidth = step * 0.05 + 0.05 octaves. Marks pending.
    void SetBandwidthStep(int step);
    // Ignored when unchanged or when the gain is 0.0 (such a band stays bypassed).
    void SetBypass(int on);
    // EQ kind 0 PEQ, 1 low shelf gentle, 2 low shelf steep, 3 high shelf gentle, 4 high
    // shelf steep. Any other kind is ignored.
    void SetEqKind(int kind);
    int GetEqKind() const;  // 0 for anything but a shelf
    // Shelves are moved to their side of 2000 Hz; the low-pass also gets sent frequency
    // 20000. Marks pending.
    void SetType(int type);
    void SetFamily(int family, bool mark);
    void SetSlope(int slope, bool mark);

    int GetFreq() const;           // stored frequency, within the shelf limits
    int GetGainStep() const;       // 200 when bypassed
    int GetBandwidthStep() const;  // 0 to 59 for bandwidths in range
    int GetType() const { return m_type; }
    int GetFamily() const { return m_family; }
    int GetSlope() const { return m_slope; }
    int GetBypass() const { return m_bypass; }
    double GetGain() const { return m_gain; }
    double GetBandwidth() const { return m_bandwidth; }
    int GetSentFreq() const { return m_sentFreq; }
    int GetNumber() const { return m_number; }
    int GetEqBand() const { return m_eqBand; }
    int GetPending() const { return m_pending; }
    bool IsPending() const { return m_pending != 0; }

    // Called each time the emission sends this filter. An EQ band just takes doneValue as
    // its pending flag. A crossover filter moves its sent frequency one octave towards its
    // frequency (doubling while at least twice below it, halving while at least twice
    // above it, else straight to it) and stays pending until they are equal.
    void AdvanceSentFreq(int doneValue);

    // Only the gain fader is kept (the filter never uses the other two). Not owned.
    void AttachFaders(GainFader* freqFader, GainFader* gainFader, GainFader* bandwidthFader);
    GainFader* GetGainFader() const { return m_gainFader; }
    // 1 for peaking bands and shelves, 0 for crossover filters: selects geometry and sending.
    void SetEqBand(int on) { m_eqBand = on; }
    void SetNumber(int number) { m_number = number; }

    // All parameters (frequency also as sent frequency); pending untouched.
    void CopyFrom(const Filter& other);
    // Frequency (also as sent frequency), family, slope. Marks pending.
    void CopyCrossoverFrom(const Filter& other);
    // Frequency, type, slope, gain, bypass, bandwidth. Marks pending.
    void CopyEqFrom(const Filter& other);

    // Recomputes the response and the polygon's y coordinates.
    void Recalculate();

    // --- Graph geometry (graph coordinates: plot + (35, 10)) ---------------------------
    // Takes the plot size, lays out handles and polygon, recomputes.
    void SetGraphRect(const Rect& plot);
    int GraphWidth() const { return m_graphWidth; }
    int GraphHeight() const { return m_graphHeight; }

    const GridResponse& Response() const { return m_response; }
    const std::array<Point, kPolygonPoints>& Polygon() const { return m_polygon; }
    const Rect& MainHandle() const { return m_mainHandle; }
    const Rect& LeftHandle() const { return m_leftHandle; }
    const Rect& RightHandle() const { return m_rightHandle; }
    const Rect& LabelRect() const { return m_labelRect; }
    const std::string& Label() const { return m_label; }

    // Hit-testing and drag state; the response graph reads and writes it.
    struct PointerState {
        Point grabOffset;  // pointer - main handle centre when a main drag began
        int hoverMain = 0;
        int hoverLeft = 0;
        int hoverRight = 0;
        int draggingMain = 0;
        int draggingLeft = 0;
        int draggingRight = 0;
    };
    PointerState& Pointer() { return m_pointer; }
    const PointerState& Pointer() const { return m_pointer; }

    // --- Drags (pointer in graph coordinates) ------------------------------------------
    // Peaking band or shelf: frequency and gain from the pointer less the grab offset.
    // Returns whether the frequency or gain step changed (always at the top edge). A
    // crossover filter returns 0 and is not touched.
    int DragPoint(Point pointer);
    // Peaking band: the bandwidth from the dragged side handle's x (left or right by the
    // dragging flags), 0.05 to 3.00 octaves. Marks pending.
    void DragBandwidth(int x);
    // Crossover filter: the frequency from the pointer's x, never past otherFreq (the
    // other crossover filter's frequency). The high-pass at the left edge is 20 Hz, off.
    int DragCrossover(Point pointer, int otherFreq);

    // --- Texts --------------------------------------------------------------------------
    std::string FreqText() const;            // "1000Hz"
    std::string GainText() const;            // "-3.5dB", "0.0dB" when bypassed
    std::string BandwidthText() const;       // "0.30Oct"
    std::string QText() const;               // "4.800"
    std::string FamilyText() const;          // language-dependent
    std::string ShelfSlopeText() const;      // "6dB/Oct", "12dB/Oct"
    std::string CrossoverSlopeText() const;  // "12dB/Oct" ... "48dB/Oct"; slopes 4-6 empty
    std::string TypeText() const;            // language-dependent; crossover filters empty
    // The graph label, also kept in Label().
    std::string LabelText();

private:
    void MarkPending();
    void ApplyShelfLimits();
    void UpdateGeometry();  // by the EQ band flag
    void UpdateBandGeometry();
    void UpdateBandwidthHandles();
    void UpdateCrossoverGeometry();
    FilterParams Params() const;

    SharedState* m_state;

    GridResponse m_response{};
    PointerState m_pointer;
    Rect m_mainHandle;
    Rect m_leftHandle;
    Rect m_rightHandle;
    GainFader* m_gainFader = nullptr;
    int m_type = filter::kPeaking;
    int m_freq = 1000;
    int m_sentFreq = 20;
    double m_gain = 0.0;
    int m_bypass = 1;
    double m_bandwidth = 0.3;
    int m_family = filter::kLinkwitzRiley;
    int m_slope = 0;
    int m_number = 0;
    int m_graphWidth = 0;
    int m_graphHeight = 0;
    int m_eqBand = 1;
    int m_pending = 0;
    std::array<Point, kPolygonPoints> m_polygon{};
    Rect m_labelRect;
    std::string m_label;
};

}  // namespace tolmarin
