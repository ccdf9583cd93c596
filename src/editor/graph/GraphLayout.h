#pragma once

#include <array>
#include <string>

#include "editor/graph/Pixels.h"
#include "response/FilterMath.h"
#include "text/Texts.h"

namespace tolmarin {

class Filter;

// Where everything of the graph goes, in graph (control) pixels, from the control's
// client rectangle alone. No drawing here: the renderer and the tests share it.
class GraphLayout {
public:
    // Margins of the plot inside the client rectangle.
    static constexpr int kLeftMargin = kPlotOffsetX;
    static constexpr int kTopMargin = kPlotOffsetY;
    static constexpr int kRightMargin = 10;
    static constexpr int kBottomMargin = 20;
    // Vertical grid frequencies: 20-90 Hz, 100-1000 Hz, 2-10 kHz.
    static constexpr int kGridFrequencies = 27;
    // Horizontal lines every 5 dB over the 60 dB of the plot.
    static constexpr int kGridRows = 12;
    static constexpr int kDbLabels = 7;
    static constexpr int kFreqLabels = 10;

    struct AxisLabel {
        TextId text;
        int x = 0;
        int y = 0;  // top of the text
    };

    explicit GraphLayout(const Rect& client);

    const Rect& Client() const { return m_client; }
    // Never narrower or lower than zero, whatever the client.
    const Rect& Plot() const { return m_plot; }
    int PlotWidth() const { return m_plot.Width(); }
    int PlotHeight() const { return m_plot.Height(); }

    // x of each grid frequency; lines are drawn for entries 1 to 26 only (none at the
    // plot's 20 Hz edge).
    const std::array<int, kGridFrequencies>& GridX() const { return m_gridX; }
    static constexpr int kFirstDrawnGridLine = 1;
    // y of horizontal line r, 1 to 12 (12 lies on the bottom edge).
    int GridY(int r) const;

    std::array<AxisLabel, kDbLabels> DbLabels() const;
    std::array<AxisLabel, kFreqLabels> FreqLabels() const;

private:
    Rect m_client;
    Rect m_plot;
    std::array<int, kGridFrequencies> m_gridX{};
};

// How a handle's label sits in its handle rectangle.
enum class HandleAlign { kLeft, kCentre, kRight };

// Left at the plot's right edge or at 20 kHz, right at 20 Hz, centred otherwise, so the
// label stays inside the plot at both ends. handle is the filter's main handle.
HandleAlign HandleLabelAlign(const Filter& f, const Rect& handle, const Rect& plot);
// "H" for the high-pass, "L" for the low-pass, else the band's number from 1.
std::string HandleLabelText(const Filter& f, int position, Language language);

}  // namespace tolmarin
