#pragma once

#include <cstdint>
#include <cstdio>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "sim/Amplifier.h"
#include "sim/RequestParser.h"

namespace tolmarin::sim {

// Misbehaviour on demand, so the PC's time-outs, retransmissions and reconnections can be
// tested. Zero everywhere is a well-behaved amplifier.
struct Faults {
    bool noReply = false;      // requests are read and traced, never carried out or answered
    int delayMs = 0;           // every reply waits this long after its request has arrived
    int chunkBytes = 0;        // replies are written in pieces of this many bytes
    int chunkGapMs = 2;        // pause between those pieces
    int badChecksumEvery = 0;  // every Nth reply has its checksum byte inverted
    int unknownEvery = 0;      // every Nth reply carries unknownCode instead of its own code
    std::uint8_t unknownCode = 0xA7;
    int closeAfterFrames = 0;  // a connection is closed after answering its Nth request
    bool refuseReads = false;  // item, program and live reads get 0xAB and no data
    // Writes acknowledged (0xAA) but not applied: all of them, those to one program
    // (0 the live one), or those of one item; -1 for none.
    bool ignoreWrites = false;
    int ignoreProgram = -1;
    int ignoreItem = -1;
    int writeDelayMs = 0;  // replies to writes only wait this long, on top of delayMs
};

// Counts shared by all connections of one simulator, so "every Nth reply" runs on across
// reconnections.
struct ReplyCounter {
    long replies = 0;
};

// Every frame in hex, one line each, marked received or sent; written through at once so a
// test or an operator can follow it live.
class Trace {
public:
    explicit Trace(std::FILE* out) : m_out(out) {}
    void Received(std::span<const std::uint8_t> frame) { Line("received", frame); }
    void Sent(std::span<const std::uint8_t> frame) { Line("sent", frame); }
    void Note(std::string_view text);

private:
    void Line(const char* mark, std::span<const std::uint8_t> frame);
    std::FILE* m_out;
};

std::string Hex(std::span<const std::uint8_t> bytes);

// A reply ready to be written, and whether the connection ends after it.
struct Outgoing {
    std::vector<std::uint8_t> bytes;  // may be empty when only the close is due
    bool closeAfter = false;
    int extraDelayMs = 0;  // on top of the link's own delay
};

// One connection to the amplifier: its request parser and the faults applied to its
// replies. Bytes in, replies out; no clock and no I/O.
class Session {
public:
    Session(Amplifier& amp, const Faults& faults, ReplyCounter& counter, Trace* trace = nullptr);

    std::vector<Outgoing> Receive(std::span<const std::uint8_t> bytes);

    int FramesReceived() const { return m_framesReceived; }
    bool Finished() const { return m_finished; }
    const RequestParser& Parser() const { return m_parser; }
    // After this the session answers nothing more (an unplugged serial line).
    void GoSilent() { m_silent = true; }

private:
    Amplifier& m_amp;
    Faults m_faults;
    ReplyCounter& m_counter;
    Trace* m_trace;
    RequestParser m_parser;
    int m_framesReceived = 0;
    bool m_finished = false;
    bool m_silent = false;
};

}  // namespace tolmarin::sim
