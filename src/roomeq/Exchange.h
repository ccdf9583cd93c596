#pragma once

#include <array>
#include <string>
#include <string_view>
#include <vector>

#include "roomeq/Measurement.h"
#include "roomeq/Model.h"

namespace tolmarin::roomeq {

// The filter settings text REW, Equalizer APO, AutoEQ and PipeWire's parametric equaliser
// share: "Preamp: -3.0 dB", then "Filter 1: ON PK Fc 1000 Hz Gain -3.0 dB Q 1.414", with
// "LSC 6 dB" / "HSC 12 dB" for the two shelf slopes.

// The eight bands as such text, headed by a "# title" comment when a title is given. A
// peaking band's Fc is the whole hertz it holds, Q the table value of its bandwidth step; a
// shelf's Fc and Q are those of the shelf the amplifier plays (LSC/HSC with Q); the Preamp
// line minus the largest boost of the bands' response, so a PC chain does not clip.
std::string ExportText(const std::array<BandRecord, kBands>& bands, const std::string& title);

// Something the import wants the operator to know.
struct ImportNote {
    TextId id = TextId::RoomEqMoved;
    std::vector<std::string> values;
};

struct ImportOutcome {
    bool ok = false;
    // The channel's bands with the imported ones in order from band 1; bands beyond the
    // imported ones keep their settings with gain 0 dB.
    std::array<BandRecord, kBands> bands{};
    int imported = 0;
    std::vector<ImportNote> notes;
    // RMS difference in dB over 20 Hz to 20 kHz between the imported bands and the text's
    // filters they stand for, and the largest boost of the channel's eight bands together.
    double rmsDb = 0.0;
    double largestBoostDb = 0.0;
    ParseFailure failure;  // when not ok; nothing is to be changed then
};

// Reads the text onto a channel whose bands are `current`, snapping every value to the
// amplifier's grids: nearest grid frequency, nearest Q of the table, 0.1 dB. A shelf gets
// the held frequency and slope whose shelf best matches the text's. Lines before the first
// "Filter N:" line are a header. A filter the amplifier cannot hold is left out and named;
// of more than eight, those that change the sound least are left out. An unreadable value
// refuses the whole text (ok false, bands as `current`).
ImportOutcome ImportText(std::string_view text, const std::array<BandRecord, kBands>& current);

std::string DescribeNote(const ImportNote& note, const UiState& ui);

}  // namespace tolmarin::roomeq
