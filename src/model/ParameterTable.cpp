#include "model/ParameterTable.h"

#include "response/FilterMath.h"
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
    std::vector<ParameterRow> rows(kParameterRows);
    auto label = [&](int row, TextId id) { rows[row].label = ui.Text(id); };
    label(0, TextId::RowMute);
    label(1, TextId::RowDelay);
    label(2, TextId::RowChA);
    label(3, TextId::RowChB);
    label(4, TextId::RowVol);
    const TextId bandLabels[5] = {TextId::RowEqType, TextId::RowEqGain, TextId::RowEqFreq,
                                  TextId::RowEqBw, TextId::RowEqQ};
    for (int k = 1; k <= 8; ++k) {
        for (int i = 0; i < 5; ++i) {
            rows[6 + 6 * (k - 1) + i].label = BandLabel(ui, bandLabels[i], k);
        }
    }
    label(54, TextId::RowHpfType);
    label(55, TextId::RowHpfFreq);
    label(56, TextId::RowHpfOct);
    label(58, TextId::RowLpfType);
    label(59, TextId::RowLpfFreq);
    label(60, TextId::RowLpfOct);
    label(62, TextId::RowThreshold);
    label(63, TextId::RowAttack);
    label(64, TextId::RowRelease);

    for (int c = 0; c < 2; ++c) {
        const OutputChannel& ch = channels.Channel(c);
        auto cell = [&](int row, std::string text) { rows[row].cells[c] = std::move(text); };
        cell(0, ch.OutputOnText());
        cell(1, ch.DelayText());
        cell(2, ch.InputText(1));
        cell(3, ch.InputText(2));
        cell(4, ch.VolumeText());
        for (int k = 1; k <= 8; ++k) {
            const Filter& band = ch.Band(k - 1);
            const int row = 6 + 6 * (k - 1);
            cell(row, band.TypeText());
            cell(row + 1, band.GainText());
            cell(row + 2, band.FreqText());
            if (band.GetType() == filter::kPeaking) {
                cell(row + 3, band.BandwidthText());
                cell(row + 4, band.QText());
            } else {
                cell(row + 3, band.ShelfSlopeText());
                cell(row + 4, "");
            }
        }
        cell(54, ch.HighPass().FamilyText());
        cell(55, ch.HighPass().FreqText());
        cell(56, ch.HighPass().CrossoverSlopeText());
        cell(58, ch.LowPass().FamilyText());
        cell(59, ch.LowPass().FreqText());
        cell(60, ch.LowPass().CrossoverSlopeText());
        cell(62, ch.ThresholdText());
        cell(63, ch.AttackText());
        cell(64, ch.ReleaseText());
    }
    return rows;
}

}  // namespace tolmarin
