#pragma once

#include <algorithm>
#include <cstdint>
#include <initializer_list>
#include <ostream>
#include <vector>

#include "protocol/ByteOrder.h"
#include "protocol/CommandQueue.h"
#include "protocol/Protocol.h"

namespace tolmarin {

// Failures show the event's fields rather than its bytes.
inline void PrintTo(const ReplyEvent& e, std::ostream* os) {
    *os << "{kind " << static_cast<int>(e.kind) << ", program " << e.program << ", direction "
        << static_cast<int>(e.direction) << ", command " << int{e.command} << ", item "
        << int{e.item} << '}';
}

}  // namespace tolmarin

namespace tolmarin::testing {

using Bytes = std::vector<std::uint8_t>;

// A reply as the amplifier sends it, written out independently of the simulator: the
// checksum covers offsets 4 to 11 + L (not the H) unless includeH asks for the PC's rule.
inline Bytes MakeReplyFrame(std::uint8_t code, std::uint8_t program, std::uint8_t item,
                            const Bytes& payload, bool includeH = false, std::uint8_t section = 0) {
    // Built at full size: g++ 12 at -O2 misreads an insert into the 12-byte header vector
    // as an overflow.
    Bytes f(kFrameHeaderSize + payload.size());
    const std::uint8_t header[] = {FRAME_Z,     FRAME_Z, FRAME_Z, FRAME_H, code, program,
                                   AMP_ADDRESS, section, 0,       item,    0,    0};
    std::copy(std::begin(header), std::end(header), f.begin());
    WriteLe16(f, 10, static_cast<std::uint16_t>(payload.size()));
    std::copy(payload.begin(), payload.end(), f.begin() + kFrameHeaderSize);
    std::uint8_t x = 0;
    for (std::size_t i = includeH ? 3 : 4; i < f.size(); ++i) {
        x ^= f[i];
    }
    f.push_back(x);
    f.push_back(FRAME_END);
    return f;
}

inline Bytes Pattern(std::size_t n, unsigned seed) {
    Bytes b(n);
    unsigned v = seed * 2654435761u + 12345u;
    for (auto& x : b) {
        v = v * 1103515245u + 12345u;
        x = static_cast<std::uint8_t>(v >> 16);
    }
    return b;
}

inline Bytes Cat(std::initializer_list<Bytes> parts) {
    Bytes out;
    for (const auto& p : parts) {
        out.insert(out.end(), p.begin(), p.end());
    }
    return out;
}

// What the owner was told, in the order it was told.
class RecordingOwner : public CommandOwner {
public:
    void Notify(const ReplyEvent& event) override { notes.push_back(event); }
    std::vector<ReplyEvent> notes;
};

// A link that records what was written.
class FakeTransport : public ByteTransport {
public:
    bool Write(std::span<const std::uint8_t> bytes) override {
        writes.emplace_back(bytes.begin(), bytes.end());
        return accept;
    }
    void Purge() override { ++purges; }
    std::vector<Bytes> writes;
    int purges = 0;
    bool accept = true;
};

}  // namespace tolmarin::testing
