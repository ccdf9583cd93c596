#pragma once

#include <cstddef>
#include <optional>
#include <string>

#include "model/ProgramCheck.h"
#include "protocol/ProgramFile.h"

namespace tolmarin::venue {

// Why a file cannot be pushed, before any amplifier is linked.
enum class PushRefusal {
    None,
    UnknownExtension,  // neither a single-program nor an all-programs file name
    Unreadable,        // see read
    KindMismatch,      // its size is not that of the kind its name says (wanted, found)
    ProgramRejected,   // a program fails the program check (program, fault)
};

// The file to push, read and checked once for every amplifier of the command: the bytes to
// send and their kind, or why it is refused. Speaks in facts; the tool words them.
struct PushPlan {
    PushRefusal refusal = PushRefusal::None;
    FileStatus read = FileStatus::Ok;
    ProgramFileKind wanted = ProgramFileKind::Unknown;
    ProgramFileKind kind = ProgramFileKind::Unknown;
    std::size_t size = 0;
    int program = 0;  // ProgramRejected: 1 to 20 in an all-programs file, 0 in a single one
    std::optional<ProgramFault> fault;
    std::string bytes;
};

// Reads path; its kind must match its extension, and unless force every program must pass
// the program check.
PushPlan PreparePush(const std::string& path, bool force);

}  // namespace tolmarin::venue
