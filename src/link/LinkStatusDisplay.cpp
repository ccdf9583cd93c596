// The link controller's status display: the lamp, the progress bar as the control holds it,
// and the level and temperature readouts of each status reply.

#include "link/LinkController.h"

#include <algorithm>

namespace tolmarin {

void LinkController::StartBatchDisplay() {
    SetProgressRange(0, m_progressPos);
    SetProgressPos(0);
    m_view.ShowBusy(BusyState::Shown);
}

void LinkController::SetProgressRange(int low, int high) {
    m_barLow = low;
    m_barHigh = high;
    m_view.SetProgressRange(low, high);
}

void LinkController::SetProgressPos(int pos) {
    // The bar holds a position inside its range; the next advance counts from there.
    m_barPos = std::clamp(pos, m_barLow, std::max(m_barLow, m_barHigh));
    m_view.SetProgressPos(m_barPos);
}

void LinkController::SetLamp(LinkLamp lamp) {
    if (lamp != m_lamp) {
        m_lamp = lamp;
        m_view.SetLinkLamp(lamp);
    }
}

void LinkController::OnStatus() {
    const auto& status = m_command.Status();
    m_view.ShowLevels(status[0], status[1]);
    for (int i = 0; i < 2; ++i) {
        const int value = status[static_cast<std::size_t>(4 + i)];
        int& stored = m_temperature[static_cast<std::size_t>(i)];
        if (value != stored) {
            stored = std::clamp(value, 0, 100);
            m_view.ShowTemperature(i, stored - 10);
        }
    }
}

}  // namespace tolmarin
