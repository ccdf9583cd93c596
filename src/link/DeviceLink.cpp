#include "link/DeviceLink.h"

namespace tolmarin {

DeviceLink::DeviceLink(SharedState& state, LinkModel& model, LinkView& view)
    : m_command(state), m_serial(state.ui) {
    m_controller =
        std::make_unique<LinkController>(state, m_command, model, view, m_serial, m_network);
}

DeviceLink::~DeviceLink() {
    // The controller first, while the transports it points to still exist; then the
    // transports close whatever is still open.
    m_controller.reset();
    m_serial.Close();
    m_network.Close();
}

bool DeviceLink::StartTrace(const std::string& path) {
    if (!m_trace.Open(path)) {
        return false;
    }
    m_serial.SetTrace(&m_trace);
    m_network.SetTrace(&m_trace);
    return true;
}

void DeviceLink::StopTrace() {
    m_serial.SetTrace(nullptr);
    m_network.SetTrace(nullptr);
    m_trace.Close();
}

}  // namespace tolmarin
