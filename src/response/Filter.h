#pragma once

#include <string>

#include "model/Codec.h"
#include "model/SendMode.h"
#include "response/FilterMath.h"

namespace tolmarin {

struct SharedState;

// One filter of an output channel: a peaking band, a shelf, or the high-pass or low-pass
// crossover filter. It keeps its parameters, its response at the grid frequencies (always
// current: every change recomputes it before returning) and the pending flag the change
// emission sends from. How it is drawn and dragged is the response graph's business.
//
// The filter holds references to the process's shared state (messages and language-dependent
// texts follow state.ui) and to its owner's send mode, which a change copies into the pending
// flag. Both must outlive the filter.
class Filter {
public:
    explicit Filter(SharedState& state, const SendMode& mode = kNeverSending);

    // --- Parameters ---------------------------------------------------------------------
    // EQ band: frequency = hz (a shelf kept on its side of 2000 Hz). Crossover filter: see
    // the sent-frequency notes at AdvanceSentFreq. Marks pending when fromEdit.
    void SetFreq(int hz, bool fromEdit);
    // The band gain codec's step; its flat step (0.0 dB) forces bypass. Marks pending.
    void SetGainStep(int step);
    // bandwidth = step * 0.05 + 0.05 octaves. Marks pending.
    void SetBandwidthStep(int step);
    // Ignored when unchanged or when the gain is 0.0 (such a band stays bypassed).
    void SetBypass(bool on);
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
    bool GetBypass() const { return m_bypass; }
    double GetGain() const;                            // the gain step in dB, also while bypassed
    int GetOwnGainStep() const { return m_gainStep; }  // also while bypassed
    double GetBandwidth() const { return m_bandwidth; }
    int GetSentFreq() const { return m_sentFreq; }
    int GetNumber() const { return m_number; }
    bool GetEqBand() const { return m_eqBand; }
    bool GetPending() const { return m_pending; }
    bool IsPending() const { return m_pending; }

    // Called each time the emission sends this filter. An EQ band just takes doneValue as
    // its pending flag. A crossover filter moves its sent frequency one octave towards its
    // frequency (doubling while at least twice below it, halving while at least twice
    // above it, else straight to it) and stays pending until they are equal.
    void AdvanceSentFreq(bool doneValue);
    // Nothing of this filter is on its way: not pending, and a crossover filter's sent
    // frequency is its frequency (a ramp under way is abandoned, not finished later).
    void DropPending();

    // 1 for peaking bands and shelves, 0 for crossover filters: selects how the filter is
    // sent and drawn.
    void SetEqBand(bool on) { m_eqBand = on; }
    void SetNumber(int number) { m_number = number; }

    // All parameters (frequency also as sent frequency); pending untouched.
    void CopyFrom(const Filter& other);
    // Frequency (also as sent frequency), family, slope. Marks pending.
    void CopyCrossoverFrom(const Filter& other);
    // Frequency, type, slope, gain, bypass, bandwidth. Marks pending.
    void CopyEqFrom(const Filter& other);

    // Recomputes the response.
    void Recalculate();

    const GridResponse& Response() const { return m_response; }

    // --- Drags, in the filter's own units ----------------------------------------------
    struct PointDrag {
        bool changed = false;  // the frequency or the gain step changed, or always was set
        int gainStep = 0;      // the gain step the drag landed on
    };
    // Peaking band or shelf dragged to hz and db: the frequency kept on a shelf's side of
    // 2000 Hz, the gain limited to +-20 dB and taken to its step. Marks pending when changed
    // (or always). A crossover filter is not touched and reports no change.
    PointDrag DragTo(int hz, double db, bool always);
    // Peaking band: the bandwidth that puts the band's lower (or upper) edge at edgeHz,
    // limited to 0.05 to 3.00 octaves and taken to its step. Marks pending.
    enum class BandEdge { kLower, kUpper };
    void DragEdgeTo(int edgeHz, BandEdge edge);

    // --- Texts --------------------------------------------------------------------------
    std::string FreqText() const;            // "1000Hz"
    std::string GainText() const;            // "-3.5dB", "0.0dB" when bypassed
    std::string BandwidthText() const;       // "0.30Oct"
    std::string QText() const;               // "4.800"
    std::string FamilyText() const;          // language-dependent
    std::string ShelfSlopeText() const;      // "6dB/Oct", "12dB/Oct"
    std::string CrossoverSlopeText() const;  // "12dB/Oct" ... "48dB/Oct"; slopes 4-6 empty
    std::string TypeText() const;            // language-dependent; crossover filters empty
    // The label the graph shows: "1000Hz 4.800Q 3.0dB", "2000Hz -6.0dB", "80HZ ".
    std::string LabelText() const;

private:
    void MarkPending();
    void ApplyShelfLimits();
    FilterParams Params() const;

    SharedState* m_state;
    const SendMode* m_mode;

    GridResponse m_response{};
    int m_type = filter::kPeaking;
    int m_freq = 1000;
    int m_sentFreq = 20;
    int m_gainStep = codec::kBandGain.Flat();
    bool m_bypass = true;
    double m_bandwidth = 0.3;
    int m_family = filter::kLinkwitzRiley;
    int m_slope = 0;
    int m_number = 0;
    bool m_eqBand = true;
    bool m_pending = false;
};

}  // namespace tolmarin
