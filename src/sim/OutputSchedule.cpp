#include "sim/OutputSchedule.h"

#include <algorithm>
#include <cmath>

namespace tolmarin::sim {

void OutputSchedule::Received(double nowMs, int n) {
    if (m_timing.bytesPerMs <= 0 || n <= 0) {
        return;
    }
    m_rxFreeMs = std::max(m_rxFreeMs, nowMs) + n / m_timing.bytesPerMs;
}

void OutputSchedule::Queue(double nowMs, std::vector<std::uint8_t> reply, bool closeAfter) {
    const bool paced = m_timing.bytesPerMs > 0;
    double ready = std::max(nowMs, paced ? m_rxFreeMs : nowMs) + m_timing.delayMs;
    const std::size_t step = m_timing.chunkBytes > 0 ? static_cast<std::size_t>(m_timing.chunkBytes)
                                                     : std::max<std::size_t>(reply.size(), 1);
    std::size_t at = 0;
    do {
        const std::size_t n = std::min(step, reply.size() - at);
        Piece p;
        p.bytes.assign(reply.begin() + static_cast<std::ptrdiff_t>(at),
                       reply.begin() + static_cast<std::ptrdiff_t>(at + n));
        p.startMs = paced ? std::max(ready, m_txFreeMs) : ready;
        if (paced) {
            m_txFreeMs = p.startMs + n / m_timing.bytesPerMs;
        }
        at += n;
        p.closeAfter = closeAfter && at >= reply.size();
        m_pieces.push_back(std::move(p));
        ready = (paced ? m_txFreeMs : ready) + m_timing.chunkGapMs;
    } while (at < reply.size());
}

std::size_t OutputSchedule::DueCount(const Piece& p, double nowMs) const {
    if (nowMs < p.startMs) {
        return 0;
    }
    if (m_timing.bytesPerMs <= 0) {
        return p.bytes.size();
    }
    // A byte is handed over once it has fully crossed the line.
    const double crossed = std::floor((nowMs - p.startMs) * m_timing.bytesPerMs + 1e-9);
    return std::min(p.bytes.size(), static_cast<std::size_t>(crossed));
}

OutputSchedule::Due OutputSchedule::Take(double nowMs) {
    Due due;
    if (m_pieces.empty()) {
        return due;
    }
    Piece& p = m_pieces.front();
    const std::size_t upTo = DueCount(p, nowMs);
    if (upTo > p.sent) {
        due.bytes.assign(p.bytes.begin() + static_cast<std::ptrdiff_t>(p.sent),
                         p.bytes.begin() + static_cast<std::ptrdiff_t>(upTo));
        p.sent = upTo;
    }
    if (p.sent == p.bytes.size() && nowMs >= p.startMs) {
        due.close = p.closeAfter;
        m_pieces.pop_front();
    }
    return due;
}

std::optional<double> OutputSchedule::NextMs() const {
    if (m_pieces.empty()) {
        return std::nullopt;
    }
    const Piece& p = m_pieces.front();
    if (m_timing.bytesPerMs <= 0 || p.bytes.empty()) {
        return p.startMs;
    }
    return p.startMs + static_cast<double>(p.sent + 1) / m_timing.bytesPerMs;
}

}  // namespace tolmarin::sim
