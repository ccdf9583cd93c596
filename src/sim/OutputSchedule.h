#pragma once

#include <cstdint>
#include <deque>
#include <optional>
#include <vector>

namespace tolmarin::sim {

// 57600 baud, 8N1: ten bit times per byte.
inline constexpr double kSerialBytesPerMs = 57600.0 / 10.0 / 1000.0;  // 5.76

// When each byte of each reply may go out. On a real serial line a request takes time to
// arrive and a reply takes time to leave; a pseudo-terminal ignores the baud rate, so the
// schedule imposes it (bytesPerMs > 0). Over TCP (bytesPerMs = 0) replies leave at once,
// after the configured delay. Pieces of a chunked reply are written separately, chunkGapMs
// apart. Times are in milliseconds on any monotonic clock the caller keeps.
class OutputSchedule {
public:
    struct Timing {
        double bytesPerMs = 0;  // 0: no line rate
        int delayMs = 0;
        int chunkBytes = 0;  // 0: whole replies
        int chunkGapMs = 2;
    };

    explicit OutputSchedule(Timing timing) : m_timing(timing) {}

    // n request bytes arrived at nowMs; on a paced line they occupy it for n / rate.
    void Received(double nowMs, int n);
    // A reply (possibly empty) to write once its request is in, then close when asked.
    void Queue(double nowMs, std::vector<std::uint8_t> reply, bool closeAfter);

    // What is due by nowMs, never more than one piece per call.
    struct Due {
        std::vector<std::uint8_t> bytes;
        bool close = false;  // write the bytes, then end the connection
    };
    Due Take(double nowMs);

    // When Take will next have something; none when nothing waits.
    std::optional<double> NextMs() const;
    bool Empty() const { return m_pieces.empty(); }

private:
    struct Piece {
        std::vector<std::uint8_t> bytes;
        double startMs = 0;  // first byte may leave (paced: begins on the line)
        std::size_t sent = 0;
        bool closeAfter = false;
    };
    std::size_t DueCount(const Piece& p, double nowMs) const;

    Timing m_timing;
    std::deque<Piece> m_pieces;
    double m_rxFreeMs = 0;  // the line towards the amplifier is busy until then
    double m_txFreeMs = 0;  // the line towards the PC is busy until then
};

}  // namespace tolmarin::sim
