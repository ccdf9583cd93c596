#include "editor/graph/GraphLayout.h"

#include <algorithm>

#include "response/Filter.h"
#include "response/FilterMath.h"

namespace tolmarin {

namespace {

constexpr std::array<int, GraphLayout::kGridFrequencies> kGridHz{
    20,  30,  40,  50,   60,   70,   80,   90,   100,  200,  300,  400,  500,  600,
    700, 800, 900, 1000, 2000, 3000, 4000, 5000, 6000, 7000, 8000, 9000, 10000};

// Frequency labels: where each sits left of its frequency's x, so it reads centred.
struct FreqLabelPlace {
    TextId text;
    int hz;
    int shiftLeft;
};
constexpr std::array<FreqLabelPlace, GraphLayout::kFreqLabels> kFreqLabelPlaces{{
    {TextId::GraphFreq20, 20, 0},  // placed at a fixed x instead
    {TextId::GraphFreq50, 50, 8},
    {TextId::GraphFreq100, 100, 10},
    {TextId::GraphFreq200, 200, 10},
    {TextId::GraphFreq500, 500, 10},
    {TextId::GraphFreq1K, 1000, 8},
    {TextId::GraphFreq2K, 2000, 8},
    {TextId::GraphFreq5K, 5000, 8},
    {TextId::GraphFreq10K, 10000, 10},
    {TextId::GraphFreq20K, 20000, 15},
}};
// The 20 Hz label stands clear of the dB labels rather than under its own grid edge.
constexpr int kFreq20LabelX = 30;
constexpr int kDbLabelX = 6;

}  // namespace

GraphLayout::GraphLayout(const Rect& client) : m_client(client) {
    m_plot = {client.left + kLeftMargin, client.top + kTopMargin, client.right - kRightMargin,
              client.bottom - kBottomMargin};
    m_plot.right = std::max(m_plot.right, m_plot.left);
    m_plot.bottom = std::max(m_plot.bottom, m_plot.top);
    for (int i = 0; i < kGridFrequencies; ++i) {
        m_gridX[i] = FreqToX(kGridHz[i], PlotWidth()) + m_plot.left;
    }
}

int GraphLayout::GridY(int r) const {
    return m_plot.top + static_cast<int>(PlotHeight() / static_cast<double>(kGridRows) * r);
}

std::array<GraphLayout::AxisLabel, GraphLayout::kDbLabels> GraphLayout::DbLabels() const {
    const int u = PlotHeight() / kGridRows;  // 5 dB
    const int x = m_client.left + kDbLabelX;
    return {{
        {TextId::GraphDbPlus20, x, m_client.top + 5},
        {TextId::GraphDbPlus10, x, m_client.top + 2 * u + 3},
        {TextId::GraphDb0, x, m_client.top + 4 * u + 3},
        {TextId::GraphDbMinus10, x, m_client.top + 6 * u + 5},
        {TextId::GraphDbMinus20, x, m_client.top + 8 * u + 9},
        {TextId::GraphDbMinus30, x, m_client.top + 10 * u + 9},
        {TextId::GraphDbMinus40, x, m_client.top + PlotHeight()},
    }};
}

std::array<GraphLayout::AxisLabel, GraphLayout::kFreqLabels> GraphLayout::FreqLabels() const {
    std::array<AxisLabel, kFreqLabels> labels{};
    for (int i = 0; i < kFreqLabels; ++i) {
        const auto& place = kFreqLabelPlaces[i];
        const int x = i == 0 ? m_client.left + kFreq20LabelX
                             : FreqToX(place.hz, PlotWidth()) + m_plot.left - place.shiftLeft;
        labels[i] = {place.text, x, m_plot.bottom};
    }
    return labels;
}

HandleAlign HandleLabelAlign(const Filter& f, const Rect& handle, const Rect& plot) {
    if (handle.right == plot.right) {
        return HandleAlign::kLeft;
    }
    if (f.GetFreq() <= 20) {
        return HandleAlign::kRight;
    }
    if (f.GetFreq() >= 20000) {
        return HandleAlign::kLeft;
    }
    return HandleAlign::kCentre;
}

std::string HandleLabelText(const Filter& f, int position, Language language) {
    if (f.GetType() == filter::kHighPass) {
        return Tr(TextId::GraphHighPassHandle, language);
    }
    if (f.GetType() == filter::kLowPass) {
        return Tr(TextId::GraphLowPassHandle, language);
    }
    return std::to_string(position + 1);  // integers carry no locale
}

}  // namespace tolmarin
