#pragma once

#include <cstdint>
#include <cstdio>
#include <functional>
#include <span>
#include <string>

#include "link/LinkConfig.h"

namespace tolmarin {

// Support trace of the wire: one line per frame sent and per chunk received, with the
// milliseconds since the trace started, the link and the bytes in hex:
//     1234 usb TX 5A 5A 5A 48 A2 ...
// Transports hold a pointer to it; a null pointer or a closed trace costs one test.
class FrameTrace {
public:
    using Clock = std::function<long long()>;  // milliseconds, any origin

    FrameTrace();
    explicit FrameTrace(Clock clock);
    ~FrameTrace();
    FrameTrace(const FrameTrace&) = delete;
    FrameTrace& operator=(const FrameTrace&) = delete;

    // Starts writing to path (truncating it); false when it cannot be created.
    bool Open(const std::string& path);
    void Close();
    bool IsOpen() const { return m_file != nullptr; }

    void Sent(LinkKind link, std::span<const std::uint8_t> bytes) {
        if (m_file != nullptr) {
            Write(link, "TX", bytes);
        }
    }
    void Received(LinkKind link, std::span<const std::uint8_t> bytes) {
        if (m_file != nullptr) {
            Write(link, "RX", bytes);
        }
    }
    // A free-text line (link opened, closed, reconnecting), for reading the trace later.
    void Note(LinkKind link, const std::string& text);

private:
    void Write(LinkKind link, const char* direction, std::span<const std::uint8_t> bytes);
    long long Elapsed() const;

    Clock m_clock;
    long long m_origin = 0;
    std::FILE* m_file = nullptr;
    std::string m_line;
};

}  // namespace tolmarin
