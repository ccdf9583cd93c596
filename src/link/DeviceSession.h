#pragma once

#include <functional>
#include <memory>
#include <span>
#include <string>

#include "link/FrameTrace.h"
#include "link/LinkController.h"
#include "link/LinkScheduler.h"
#include "link/LinkTransport.h"
#include "protocol/CommandQueue.h"

namespace tolmarin {

class NetworkLink;
class SerialLink;

// What a session is built from. Every part left empty is the running program's own: the
// serial port, the TCP socket, Qt's event loop. Tests put in scripted or simulated links
// and a clock they drive; nothing else differs between the editor, the tool and a test.
struct SessionParts {
    std::unique_ptr<LinkTransport> serial;
    std::unique_ptr<LinkTransport> network;
    std::unique_ptr<LinkScheduler> scheduler;
};

// One amplifier's link as a whole: the command queue, the two transports, the frame trace
// and the controller, wired together on Qt's event loop. The one place these are put
// together, for the editor's main view, each amplifier of the tool and every test rig.
class DeviceSession {
public:
    DeviceSession(SharedState& state, LinkModel& model, LinkView& view, SessionParts parts = {});
    ~DeviceSession();
    DeviceSession(const DeviceSession&) = delete;
    DeviceSession& operator=(const DeviceSession&) = delete;

    LinkController& Controller() { return *m_controller; }
    CommandQueue& Command() { return m_command; }
    LinkTransport& Serial() { return *m_serial; }
    LinkTransport& Network() { return *m_network; }
    // The program's own TCP link when no network transport was put in, else null: only it
    // can say why a connect failed.
    NetworkLink* Tcp() const { return m_tcp; }

    // Writes every frame and received chunk to path from now on (--trace FILE).
    bool StartTrace(const std::string& path);
    void StopTrace();

private:
    FrameTrace m_trace;
    CommandQueue m_command;
    std::unique_ptr<LinkTransport> m_serial;
    std::unique_ptr<LinkTransport> m_network;
    NetworkLink* m_tcp = nullptr;
    std::unique_ptr<LinkController> m_controller;
};

}  // namespace tolmarin
