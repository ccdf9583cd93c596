#include "link/DeviceSession.h"

#include "link/NetworkLink.h"
#include "link/SerialLink.h"

namespace tolmarin {

DeviceSession::DeviceSession(SharedState& state, LinkModel& model, LinkView& view,
                             SessionParts parts)
    : m_command(state), m_serial(std::move(parts.serial)), m_network(std::move(parts.network)) {
    if (!m_serial) {
        m_serial = std::make_unique<SerialLink>(state.ui);
    }
    if (!m_network) {
        auto tcp = std::make_unique<NetworkLink>();
        m_tcp = tcp.get();
        m_network = std::move(tcp);
    }
    m_controller = std::make_unique<LinkController>(state, m_command, model, view, *m_serial,
                                                    *m_network, std::move(parts.scheduler));
}

DeviceSession::~DeviceSession() {
    // The controller first, while the transports it points to still exist; then the
    // transports close whatever is still open.
    m_controller.reset();
    m_serial->Close();
    m_network->Close();
}

bool DeviceSession::StartTrace(const std::string& path) {
    if (!m_trace.Open(path)) {
        return false;
    }
    m_serial->SetTrace(&m_trace);
    m_network->SetTrace(&m_trace);
    return true;
}

void DeviceSession::StopTrace() {
    m_serial->SetTrace(nullptr);
    m_network->SetTrace(nullptr);
    m_trace.Close();
}

}  // namespace tolmarin
