#pragma once

#include <string>

#include "protocol/DeviceImage.h"
#include "protocol/FilePlatform.h"

namespace tolmarin {

// Program files on the PC are the device image's bytes and nothing else:
// ".Data12File" is the live program record (656 bytes), ".ALLData12File" the stored
// programs 1 to 20 in slot order (13120 bytes).
inline constexpr const char* kSingleProgramExtension = ".Data12File";
inline constexpr const char* kAllProgramsExtension = ".ALLData12File";
inline constexpr int kSingleProgramFileSize = kProgramRecordSize;
inline constexpr int kAllProgramsFileSize = kStoredPrograms * kProgramRecordSize;
inline constexpr const char* kMusicFolder = "MusicFile";

enum class ProgramFileKind { Single, AllPrograms, Unknown };

enum class FileStatus {
    Ok,
    OpenFailed,   // could not be opened or created
    NotAFile,     // a folder, a device, a pipe: not a regular file; nothing was opened
    WrongSize,    // not exactly the size of its kind; nothing was read
    WriteFailed,  // the write or the rename failed; an earlier file is left as it was
    Exists,       // the target exists and was not to be replaced; it is left as it was
};

// The file's kind by its size alone.
ProgramFileKind KindOfFileSize(long long size);

// Appends the extension unless the path already contains it (case-sensitive), as the
// save dialogs do.
std::string WithExtension(const std::string& path, const char* extension);

// True when the text contains the extension (case-sensitive): what the load dialogs accept.
bool NamesExtension(const std::string& text, const char* extension);

// Writes the live program record through WriteFileSafely, so a failed write never leaves a
// half-written file. Overwrite::Keep leaves an existing file and gives Exists; why, when
// given, receives the system's reason for a failure.
FileStatus WriteSingleProgramFile(const DeviceImage& image, const std::string& path,
                                  Overwrite overwrite = Overwrite::Replace,
                                  FileWriteResult* why = nullptr);
// Writes stored programs 1 to 20, the same way.
FileStatus WriteAllProgramsFile(const DeviceImage& image, const std::string& path,
                                Overwrite overwrite = Overwrite::Replace,
                                FileWriteResult* why = nullptr);
// Any bytes, the same way (tools writing a record they hold themselves).
FileStatus WriteBytesFile(std::span<const std::uint8_t> bytes, const std::string& path,
                          Overwrite overwrite = Overwrite::Replace, FileWriteResult* why = nullptr);

// The system's reason for a failed write, in the interface language: "disk full",
// "permission denied", "read-only file system", "the folder does not exist", or the
// system's own words; empty when there is none.
std::string WriteFailureReason(const FileWriteResult& why, const UiState& ui);

// Reads a single-program file into the live record. Anything but a regular file is refused
// before it is opened, and a file that is not exactly 656 bytes before anything is read;
// either way the image is unchanged.
FileStatus ReadSingleProgramFile(DeviceImage& image, const std::string& path);
// Reads an all-programs file into stored programs 1 to 20; the live program is untouched.
FileStatus ReadAllProgramsFile(DeviceImage& image, const std::string& path);

// Raw file bytes, for tools that inspect a file without loading it (empty on failure).
// Refuses what is not a regular file (NotAFile) and, without reading it, a file larger than
// an all-programs file (WrongSize): no stream is read without bound.
FileStatus ReadFileBytes(const std::string& path, std::string& bytes);
// The same with a limit of its own, for files that are not program files.
FileStatus ReadFileBytes(const std::string& path, std::string& bytes, std::uintmax_t maxBytes);

}  // namespace tolmarin
