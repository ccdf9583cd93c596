#include "sim/OutputSchedule.h"

#include <algorithm>
#include <cmath>

namespace tolmarin::sim {

void OutputSchedule::Received(double nowMs, int n) {
    if (timing_.bytesPerMs <= 0 || n <= 0) {
        return;
    }
    rxFreeMs_ = std::max(rxFreeMs_, nowMs) + n / timing_.bytesPerMs;
}

void OutputSchedule::Queue(double nowMs, std::vector<std::uint8_t> reply, bool closeAfter) {
    const bool paced = timing_.bytesPerMs > 0;
    double ready = std::max(nowMs, paced ? rxFreeMs_ : nowMs) + timing_.delayMs;
    const std::size_t step = timing_.chunkBytes > 0 ? static_cast<std::size_t>(timing_.chunkBytes)
                                                    : std::max<std::size_t>(reply.size(), 1);
    std::size_t at = 0;
    do {
        const std::size_t n = std::min(step, reply.size() - at);
        Piece p;
        p.bytes.assign(reply.begin() + static_cast<std::ptrdiff_t>(at),
                       reply.begin() + static_cast<std::ptrdiff_t>(at + n));
        p.startMs = paced ? std::max(ready, txFreeMs_) : ready;
        if (paced) {
            txFreeMs_ = p.startMs + n / timing_.bytesPerMs;
        }
        at += n;
        p.closeAfter = closeAfter && at >= reply.size();
        pieces_.push_back(std::move(p));
        ready = (paced ? txFreeMs_ : ready) + timing_.chunkGapMs;
    } while (at < reply.size());
}

std::size_t OutputSchedule::DueCount(const Piece& p, double nowMs) const {
    if (nowMs < p.startMs) {
        return 0;
    }
    if (timing_.bytesPerMs <= 0) {
        return p.bytes.size();
    }
    // A byte is handed over once it has fully crossed the line.
    const double crossed = std::floor((nowMs - p.startMs) * timing_.bytesPerMs + 1e-9);
    return std::min(p.bytes.size(), static_cast<std::size_t>(crossed));
}

OutputSchedule::Due OutputSchedule::Take(double nowMs) {
    Due due;
    if (pieces_.empty()) {
        return due;
    }
    Piece& p = pieces_.front();
    const std::size_t upTo = DueCount(p, nowMs);
    if (upTo > p.sent) {
        due.bytes.assign(p.bytes.begin() + static_cast<std::ptrdiff_t>(p.sent),
                         p.bytes.begin() + static_cast<std::ptrdiff_t>(upTo));
        p.sent = upTo;
    }
    if (p.sent == p.bytes.size() && nowMs >= p.startMs) {
        due.close = p.closeAfter;
        pieces_.pop_front();
    }
    return due;
}

std::optional<double> OutputSchedule::NextMs() const {
    if (pieces_.empty()) {
        return std::nullopt;
    }
    const Piece& p = pieces_.front();
    if (timing_.bytesPerMs <= 0 || p.bytes.empty()) {
        return p.startMs;
    }
    return p.startMs + static_cast<double>(p.sent + 1) / timing_.bytesPerMs;
}

}  // namespace tolmarin::sim
