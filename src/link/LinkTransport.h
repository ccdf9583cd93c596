#pragma once

#include <cstdint>
#include <functional>
#include <span>
#include <string>

#include "link/FrameTrace.h"
#include "link/LinkConfig.h"

namespace tolmarin {

// Where a link goes: a serial port (a listed name such as ttyUSB0, or any device path such
// as /dev/pts/3) or a TCP host and port.
struct LinkTarget {
    std::string port;
    std::string host;
    int tcpPort = kTcpPort;
};

// Why opening a transport failed or an open one broke, so that the operator is told.
enum class LinkFailure {
    None,
    Refused,           // nothing listens at the address and port
    NoAnswer,          // the connect ran out of time
    NotFound,          // no such serial port, or the host name is unknown
    PermissionDenied,  // the port belongs to a group the user is not in
    InUse,             // another program holds the port
    ClosedByPeer,      // the amplifier's side closed the connection
    BadChecksum,       // the amplifier answered, but its reply arrived corrupt
    Other,
};

// One transport of the device link as the link controller drives it: open, close, send a
// frame, purge, and hand received bytes to whoever listens, on the thread that owns it.
class LinkTransport {
public:
    using Receiver = std::function<void(std::span<const std::uint8_t>)>;
    using OpenDone = std::function<void(bool ok)>;

    virtual ~LinkTransport() = default;

    virtual LinkKind Kind() const = 0;
    // Opens the transport and runs done once with the outcome. The serial link knows at once
    // and calls done before returning; the network link calls it from the event loop when
    // the connect succeeds, fails or runs out of time. Opening an open transport closes it
    // first.
    virtual void Open(const LinkTarget& target, OpenDone done) = 0;
    // Closes, abandoning a connect in progress (its done is then never called). True when
    // the transport was open or opening.
    virtual bool Close() = 0;
    virtual bool IsOpen() const = 0;
    // Why the last open failed or the open transport broke; None when neither happened.
    virtual LinkFailure LastFailure() const { return LinkFailure::Other; }
    // Drops whatever the driver still holds in either direction.
    virtual void Purge() {}

    // Sends one frame. Errors are not reported: a lost exchange shows up as a missing reply.
    void Send(std::span<const std::uint8_t> bytes) {
        if (m_trace != nullptr) {
            m_trace->Sent(Kind(), bytes);
        }
        Write(bytes);
    }

    void SetReceiver(Receiver receiver) { m_receiver = std::move(receiver); }
    void SetTrace(FrameTrace* trace) { m_trace = trace; }
    FrameTrace* Trace() const { return m_trace; }

protected:
    virtual void Write(std::span<const std::uint8_t> bytes) = 0;

    // Concrete transports call this with every chunk they read.
    void Deliver(std::span<const std::uint8_t> bytes) {
        if (m_trace != nullptr) {
            m_trace->Received(Kind(), bytes);
        }
        if (m_receiver) {
            m_receiver(bytes);
        }
    }

private:
    Receiver m_receiver;
    FrameTrace* m_trace = nullptr;
};

}  // namespace tolmarin
