#include "model/ParameterTable.h"

#include "model/Parameters.h"
#include "text/NumberText.h"

namespace tolmarin {

namespace {

// Band k's labels are band 1's with its digit replaced.
std::string BandLabel(const UiState& ui, TextId id, int band) {
    std::string label = ui.Text(id);
    const auto at = label.find('1');
    if (at != std::string::npos) {
        label.replace(at, 1, IntText(band));
    }
    return label;
}

}  // namespace

std::array<std::string, 3> ParameterTableHeadings(const UiState& ui) {
    return {ui.Text(TextId::TableParamHeading), "CH1", "CH2"};
}

std::vector<ParameterRow> BuildParameterTable(const ChannelSet& channels, const UiState& ui) {
    std::vector<ParameterRow> rows;
    rows.reserve(kParameterRows);
    auto addRows = [&](Param p, int band) {
        for (const TableRow& r : ParamOf(p).rows) {
            if (!r.Present()) {
                continue;
            }
            ParameterRow row;
            row.label = band < 0 ? ui.Text(r.label) : BandLabel(ui, r.label, band + 1);
            for (int c = 0; c < 2; ++c) {
                row.cells[static_cast<std::size_t>(c)] = r.text(channels.Channel(c), band);
            }
            rows.push_back(std::move(row));
        }
    };
    bool first = true;
    auto group = [&](std::initializer_list<Param> params, int band = -1) {
        if (!first) {
            rows.emplace_back();  // an empty row between groups
        }
        first = false;
        for (Param p : params) {
            addRows(p, band);
        }
    };
    group({Param::Mute, Param::Delay, Param::InputA, Param::InputB, Param::Volume});
    for (int k = 0; k < kEqBandCount; ++k) {
        group({Param::BandType, Param::BandGain, Param::BandFreq, Param::BandWidth}, k);
    }
    group({Param::HpFamily, Param::HpFreq, Param::HpSlope});
    group({Param::LpFamily, Param::LpFreq, Param::LpSlope});
    group({Param::LimiterThreshold, Param::LimiterAttack, Param::LimiterRelease});
    return rows;
}

}  // namespace tolmarin
