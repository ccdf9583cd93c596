#pragma once

#include <memory>
#include <string>

#include "link/FrameTrace.h"
#include "link/LinkController.h"
#include "link/NetworkLink.h"
#include "link/SerialLink.h"
#include "protocol/CommandQueue.h"

namespace tolmarin {

// The whole device link of one main view or one tool run: the command object, the two Qt
// transports, the frame trace and the controller, wired together on Qt's event loop.
class DeviceLink {
public:
    DeviceLink(SharedState& state, LinkModel& model, LinkView& view);
    ~DeviceLink();
    DeviceLink(const DeviceLink&) = delete;
    DeviceLink& operator=(const DeviceLink&) = delete;

    LinkController& Controller() { return *m_controller; }
    CommandQueue& Command() { return m_command; }
    SerialLink& Serial() { return m_serial; }
    NetworkLink& Network() { return m_network; }

    // Writes every frame and received chunk to path from now on (--trace FILE).
    bool StartTrace(const std::string& path);
    void StopTrace();

private:
    FrameTrace m_trace;
    CommandQueue m_command;
    SerialLink m_serial;
    NetworkLink m_network;
    std::unique_ptr<LinkController> m_controller;
};

}  // namespace tolmarin
