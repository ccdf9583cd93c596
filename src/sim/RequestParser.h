#pragma once

#include <cstdint>
#include <span>
#include <vector>

namespace tolmarin::sim {

// The amplifier's side of the line: finds the PC's request frames in a byte stream.
// A request starts with three Z and an H (a longer run of Z is tolerated), carries its
// payload length at offsets 10 and 11, and its checksum covers offsets 3 to 11 + L, the
// H included. Frames that fail the checks are dropped and the search resumes just after
// their H, so a good frame hidden behind garbage is still found. Independent of the PC's
// reply parser on purpose.
class RequestParser {
public:
    // The longest payload any request carries (a whole program).
    static constexpr int kMaxPayload = 640;

    // Appends bytes and returns every complete, valid request now found, in order.
    std::vector<std::vector<std::uint8_t>> Feed(std::span<const std::uint8_t> bytes);

    int Dropped() const { return m_dropped; }
    std::size_t Buffered() const { return m_buffer.size(); }

private:
    std::vector<std::uint8_t> m_buffer;
    int m_dropped = 0;
};

}  // namespace tolmarin::sim
