#pragma once

#include <cstdint>

namespace tolmarin {

// Which way a finished batch went: read from the amplifier (up) or written to it (down).
enum class TransferDirection { Up, Down };

// What the reply parser announces to its owner.
enum class ReplyEventKind {
    LiveLoaded,      // a recall reply filled the live program
    ProgramsLoaded,  // stored program 20 arrived, the last of a read of all programs
    SystemLoaded,    // the power item arrived, the last system item of a link-up
    Status,          // a status reply filled the queue's status bytes
    TransferDone,    // the last item of a batch was completed
    // A read at the head was completed by a reply without its data (an acknowledgement, or
    // data of another item or program), so its copy in the image is stale.
    ReadUnanswered,
};

// One announcement with what goes with its kind; the other fields stay zero.
struct ReplyEvent {
    ReplyEventKind kind = ReplyEventKind::Status;
    // LiveLoaded, SystemLoaded: the reply's program number; ProgramsLoaded: 20;
    // ReadUnanswered: the program the request asked for.
    int program = 0;
    TransferDirection direction = TransferDirection::Up;  // TransferDone
    std::uint8_t command = 0;                             // ReadUnanswered: the request's code
    std::uint8_t item = 0;                                // ReadUnanswered: its item code

    bool operator==(const ReplyEvent&) const = default;

    static constexpr ReplyEvent Live(int program) {
        return {ReplyEventKind::LiveLoaded, program, TransferDirection::Up, 0, 0};
    }
    static constexpr ReplyEvent AllPrograms(int lastProgram) {
        return {ReplyEventKind::ProgramsLoaded, lastProgram, TransferDirection::Up, 0, 0};
    }
    static constexpr ReplyEvent System(int program) {
        return {ReplyEventKind::SystemLoaded, program, TransferDirection::Up, 0, 0};
    }
    static constexpr ReplyEvent StatusArrived() { return {}; }
    static constexpr ReplyEvent Done(TransferDirection direction) {
        return {ReplyEventKind::TransferDone, 0, direction, 0, 0};
    }
    static constexpr ReplyEvent Unanswered(int program, std::uint8_t command, std::uint8_t item) {
        return {ReplyEventKind::ReadUnanswered, program, TransferDirection::Up, command, item};
    }
};

}  // namespace tolmarin
