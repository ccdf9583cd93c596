#pragma once

// What the venue engine says of each amplifier of a run: typed facts, no text. The tool turns
// them into its lines, table and exit code; a venue window into rows; a monitor into JSON.

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "link/WriteCheck.h"
#include "protocol/ProgramFile.h"
#include "venue/ProgramAccount.h"

namespace tolmarin::venue {

// What a run does on every amplifier of it.
enum class Operation { Pull, Push, Store, Recall, Status };

// How one amplifier's run ended (or, while it runs, stands).
enum class RunResult {
    Running,      // not finished yet
    Ok,           // done: written, stored, recalled, read, or a status received
    Failed,       // see error
    NotVerified,  // written and acknowledged, but the read-back differed or did not come
    Interrupted,  // stopped between frames by an interrupt (see AmplifierOutcome::signal)
    Offline,      // watched and not answering now; tried again (see offlineSince)
};

// Why, as a stable identifier; names are kept as they are for scripts and logs.
enum class RunError {
    None,
    Refused,           // the caller's checks before linking refused this amplifier
    TraceUnopenable,   // the trace file (path) cannot be opened
    PortFailed,        // the serial port cannot be opened
    ConnectRefused,    // TCP: the amplifier refused the connection
    ConnectNoAnswer,   // TCP: no answer within connectTimeoutMs
    ConnectFailed,     // TCP: another failure (see linkFault in the link's own message)
    NoReply,           // the amplifier stopped answering
    BadChecksum,       // what came back was corrupt
    GaveUp,            // TCP: the reconnections were used up
    ReconnectFailed,   // TCP: a reconnection failed
    LinkUpIncomplete,  // the link-up's reads did not all arrive (the link said what)
    BatchIncomplete,   // the requested batch ended without what it asked for (the link said)
    WriteFailed,       // pull: the file was not written (see write)
    NotVerified,       // push, store: the link said which programs did not verify
    TimedOut,          // the run's time-out ended it
    Interrupted,       // an interrupt ended it
    Stopped,           // the caller stopped it (say, its standard output broke)
};

// Where a run cut off part way stood.
struct CutOff {
    bool duringLinkUp = false;         // before the requested operation began
    std::vector<SlotWrite> programs;   // verified writes: each program's slot outcome
    int acknowledged = 0;              // replies acknowledged since the operation began
    std::vector<ProgramSpan> missing;  // pull of all programs: what has not arrived
};

// One amplifier's outcome; index is its place in the run's list.
struct AmplifierOutcome {
    std::size_t index = 0;
    RunResult result = RunResult::Running;
    RunError error = RunError::None;
    bool connectionLost = false;  // the amplifier dropped the connection before the failure
    std::optional<CutOff> cut;    // where an operation ended part way stood, when it did
    std::string path;             // the file concerned (trace, pull's OUT), if any
    FileStatus writeStatus = FileStatus::Ok;
    FileWriteResult write;     // WriteFailed: why
    int connectTimeoutMs = 0;  // ConnectNoAnswer
    std::string systemError;   // ConnectFailed: the system's own words for it
    int signal = 0;            // Interrupted: the signal's number
    int slot = 0;              // recall: the slot made live
    std::string programName;   // recall: that program's name, as the amplifier holds it
    // Figures: the last status reply's eight bytes, and the levels and temperatures
    // (degrees Celsius) the link made of them.
    bool hasStatus = false;
    std::array<std::uint8_t, 8> status{};
    std::array<int, 2> levels{};
    std::array<int, 2> temperatures{};
    std::string offlineSince;    // Offline: local time the spell began
    std::int64_t elapsedMs = 0;  // from the start to the end of this amplifier's run
};

}  // namespace tolmarin::venue
