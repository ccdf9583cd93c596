#include "sim/RequestParser.h"

#include <algorithm>

#include "sim/Amplifier.h"
#include "protocol/ByteOrder.h"
#include "protocol/Protocol.h"

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
    buffer_.insert(buffer_.end(), bytes.begin(), bytes.end());
    std::vector<std::vector<std::uint8_t>> frames;
    for (;;) {
        const std::size_t start = FindStart(buffer_, 0);
        if (start == buffer_.size()) {
            // Keep a tail that may be the beginning of a start marker.
            const std::size_t keep = std::min<std::size_t>(3, buffer_.size());
            buffer_.erase(buffer_.begin(), buffer_.end() - static_cast<std::ptrdiff_t>(keep));
            break;
        }
        buffer_.erase(buffer_.begin(), buffer_.begin() + static_cast<std::ptrdiff_t>(start));
        if (buffer_.size() < static_cast<std::size_t>(kFrameHeaderSize)) {
            break;
        }
        const std::size_t length = ReadLe16(buffer_, 10);
        if (length > static_cast<std::size_t>(kMaxPayload)) {
            ++dropped_;
            buffer_.erase(buffer_.begin(), buffer_.begin() + 4);
            continue;
        }
        const std::size_t total = length + kFrameOverhead;
        if (buffer_.size() < total) {
            break;
        }
        const std::span<const std::uint8_t> frame(buffer_.data(), total);
        if (frame[total - 1] == FRAME_END && frame[total - 2] == RequestChecksum(frame)) {
            frames.emplace_back(frame.begin(), frame.end());
            buffer_.erase(buffer_.begin(), buffer_.begin() + static_cast<std::ptrdiff_t>(total));
        } else {
            ++dropped_;
            buffer_.erase(buffer_.begin(), buffer_.begin() + 4);
        }
    }
    return frames;
}

}  // namespace tolmarin::sim
