#include "support/qt/SimulatedLink.h"

#include <algorithm>
#include <utility>

namespace tolmarin::testing {

SimulatedLink::SimulatedLink(LinkKind kind, sim::Amplifier& amp, const sim::Faults& faults)
    : m_kind(kind), m_amp(amp), m_faults(faults) {}

SimulatedLink::~SimulatedLink() = default;

void SimulatedLink::Open(const LinkTarget&, OpenDone done) {
    Close();
    ++opens;
    if (m_kind == LinkKind::Network) {
        m_pendingOpen = std::move(done);  // a connect ends on a later turn of the loop
        return;
    }
    FinishOpen(std::move(done));
}

void SimulatedLink::FinishOpen(OpenDone done) {
    m_open = openResult && !away;
    if (m_open && (m_kind == LinkKind::Network || m_session == nullptr)) {
        m_session = std::make_unique<sim::Session>(m_amp, m_faults, m_counter);
    }
    done(m_open);
}

bool SimulatedLink::Close() {
    const bool was = m_open || m_pendingOpen;
    m_open = false;
    m_pendingOpen = nullptr;
    m_inbox.clear();
    return was;
}

void SimulatedLink::Write(std::span<const std::uint8_t> bytes) {
    if (!m_open || away) {
        return;
    }
    const int before = m_session->FramesReceived();
    for (sim::Outgoing& o : m_session->Receive(bytes)) {
        if (!o.bytes.empty()) {
            m_inbox.push_back(std::move(o.bytes));
        }
        // A closed connection carries nothing more; the session ignores what follows.
    }
    m_frames += m_session->FramesReceived() - before;
}

int SimulatedLink::Flush() {
    if (m_pendingOpen) {
        FinishOpen(std::exchange(m_pendingOpen, nullptr));
    }
    int delivered = 0;
    while (!m_inbox.empty() && m_open) {
        std::vector<std::uint8_t> chunk = std::move(m_inbox.front());
        m_inbox.erase(m_inbox.begin());
        Deliver(chunk);
        ++delivered;
    }
    return delivered;
}

}  // namespace tolmarin::testing
