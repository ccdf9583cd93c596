#include "sim/RequestParser.h"

#include <algorithm>

#include "protocol/ByteOrder.h"
#include "protocol/Protocol.h"
#include "sim/Amplifier.h"

namespace tolmarin::sim {

namespace {

// Index of the first Z of a "Z Z Z H" at or after from, or buffer.size() when none.
std::size_t FindStart(const std::vector<std::uint8_t>& b, std::size_t from) {
    for (std::size_t i = from; i + 3 < b.size(); ++i) {
        if (b[i] == FRAME_Z && b[i + 1] == FRAME_Z && b[i + 2] == FRAME_Z && b[i + 3] == FRAME_H) {
            return i;
        }
    }
    return b.size();
}

}  // namespace

std::vector<std::vector<std::uint8_t>> RequestParser::Feed(std::span<const std::uint8_t> bytes) {
    m_buffer.insert(m_buffer.end(), bytes.begin(), bytes.end());
    std::vector<std::vector<std::uint8_t>> frames;
    for (;;) {
        const std::size_t start = FindStart(m_buffer, 0);
        if (start == m_buffer.size()) {
            // Keep a tail that may be the beginning of a start marker.
            const std::size_t keep = std::min<std::size_t>(3, m_buffer.size());
            m_buffer.erase(m_buffer.begin(), m_buffer.end() - static_cast<std::ptrdiff_t>(keep));
            break;
        }
        m_buffer.erase(m_buffer.begin(), m_buffer.begin() + static_cast<std::ptrdiff_t>(start));
        if (m_buffer.size() < static_cast<std::size_t>(kFrameHeaderSize)) {
            break;
        }
        const std::size_t length = ReadLe16(m_buffer, 10);
        if (length > static_cast<std::size_t>(kMaxPayload)) {
            ++m_dropped;
            m_buffer.erase(m_buffer.begin(), m_buffer.begin() + 4);
            continue;
        }
        const std::size_t total = length + kFrameOverhead;
        if (m_buffer.size() < total) {
            break;
        }
        const std::span<const std::uint8_t> frame(m_buffer.data(), total);
        if (frame[total - 1] == FRAME_END && frame[total - 2] == RequestChecksum(frame)) {
            frames.emplace_back(frame.begin(), frame.end());
            m_buffer.erase(m_buffer.begin(), m_buffer.begin() + static_cast<std::ptrdiff_t>(total));
        } else {
            ++m_dropped;
            m_buffer.erase(m_buffer.begin(), m_buffer.begin() + 4);
        }
    }
    return frames;
}

}  // namespace tolmarin::sim
