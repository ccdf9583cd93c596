#pragma once

#include <array>
#include <memory>
#include <vector>

#include "model/BandRecord.h"
#include "response/Filter.h"
#include "response/FilterMath.h"

namespace tolmarin {

struct SharedState;

// Default centre frequencies of the eight equaliser bands.
inline constexpr std::array<int, 8> kDefaultBandFreq{40, 80, 160, 317, 632, 1261, 2515, 5018};

// The filters of one output channel, in order: the equaliser bands, then the high-pass and
// the low-pass crossover filter. The bank owns its filters; they are created once and only changed
// in place afterwards.
class EqBank {
public:
    // Its filters mark changes as mode says.
    explicit EqBank(SharedState& state, const SendMode& mode = kNeverSending);
    EqBank(const EqBank&) = delete;
    EqBank& operator=(const EqBank&) = delete;
    ~EqBank();

    // Appends bandCount peaking bands (numbers 5 upward), a high-pass at 20 Hz and a
    // low-pass at lowPassFreq, both with crossoverNumber.
    void CreateFilters(int bandCount, int crossoverNumber, int lowPassFreq);

    // Position i of the bank; std::out_of_range outside it.
    Filter& Band(int i);
    const Filter& Band(int i) const;
    int FilterCount() const { return static_cast<int>(m_filters.size()); }
    // The filter before last and the last one; their types are kept at 3 and 4.
    Filter& HighPass();
    const Filter& HighPass() const;
    Filter& LowPass();
    const Filter& LowPass() const;

    // The channel's response in dB at every grid frequency: the sum over all its filters.
    GridResponse SummedResponse() const;

    // Every filter takes the values of the filter at the same position; pending untouched.
    // Positions missing on either side are skipped.
    void CopyValuesFrom(const EqBank& other);

    BandRecord BuildBandRecord(int position) const;
    // Moves the record's frequency one step towards the band's (octaves below 10 kHz, 2 kHz
    // steps above), renewing the band's pending flag until the step lands on it; the other
    // fields are written as BuildBandRecord writes them.
    void StepBandRecord(BandRecord& target, int position);
    // Sets the band from a record as an edit does: it is marked pending while changes are
    // sent.
    void EditBand(const BandRecord& record, int position);
    // Sets the band from a record without marking it pending.
    void LoadBand(const BandRecord& record, int position);

private:
    SharedState* m_state;
    const SendMode* m_mode;
    std::vector<std::unique_ptr<Filter>> m_filters;
};

}  // namespace tolmarin
