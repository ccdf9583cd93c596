#pragma once

#include <cstdint>
#include <cstdio>
#include <span>
#include <string>

namespace tolmarin {

// Why a file could not be written, as the system said it.
enum class FileFault {
    None,
    Exists,        // the target exists and was not to be replaced
    NoFolder,      // the folder does not exist (or a part of the path is not a folder)
    NoPermission,  // permission denied
    ReadOnly,      // a read-only file system
    NoSpace,       // disk full, or a quota reached
    Other,         // anything else: the system's own text says what
};

struct FileWriteResult {
    FileFault fault = FileFault::None;
    std::string systemText;  // the system's description of the failure, when there was one
    bool Ok() const { return fault == FileFault::None; }
};

// Whether an existing file at the target is replaced.
enum class Overwrite { Replace, Keep };

// The one way a file is written. The bytes go to a temporary file created exclusively in
// the target's folder under an unpredictable name (so nothing planted there, a symbolic
// link least of all, is ever followed or written through), are synced to the disk, and the
// temporary is then moved onto the target in one step. With Overwrite::Keep that step
// refuses to replace a file found at the target, even one created after any check the
// caller made. The folder is synced too, so the name survives a power cut once this
// returns Ok. Any failure removes the temporary and leaves an earlier file as it was.
FileWriteResult WriteFileSafely(const std::string& path, std::span<const std::uint8_t> bytes,
                                Overwrite overwrite);

// A file written as it goes (a trace), for writing: created or emptied, but never opened
// through a symbolic link at path. Null when it cannot be opened.
std::FILE* OpenLogFile(const std::string& path);

}  // namespace tolmarin
