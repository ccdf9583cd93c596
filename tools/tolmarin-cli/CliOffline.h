#pragma once

#include <ostream>
#include <string>
#include <string_view>

#include "protocol/ProgramFile.h"
#include "text/Texts.h"

namespace tolmarin::cli {

// Exit codes scripts rely on.
inline constexpr int kExitDone = 0;
inline constexpr int kExitUsage = 1;
inline constexpr int kExitFile = 2;
inline constexpr int kExitLink = 3;
// Several amplifiers: some succeeded, some did not (all failed gives the failure's own code).
inline constexpr int kExitSomeFailed = 4;
// Written and acknowledged, but the read-back did not show what was sent (or did not come).
inline constexpr int kExitUnverified = 5;

// Says why a program file could not be read (a folder or device gets the read message, a
// file of the wrong size "not a program file") and returns the file exit code.
int ReportReadFailure(FileStatus status, const std::string& path, const UiState& ui,
                      std::ostream& err);

// Why an output file was not written: "OUT exists; give --force to replace it", or the
// failure's message (SaveMusicFileError, ...) with the path and the system's reason
// ("disk full", "permission denied", "read-only file system", or its own words).
std::string DescribeWriteFailure(const FileWriteResult& why, const std::string& path,
                                 TextId failure, const UiState& ui);

// `info FILE`: kind, size and the program name(s) of a program file.
int RunInfo(const std::string& path, const UiState& ui, std::ostream& out, std::ostream& err);

enum class Format { Text, Csv };

// Columns a terminal gives the UTF-8 text: two for East Asian wide characters, one else.
std::size_t DisplayWidth(std::string_view text);

// `table FILE`: the 65 rows of the parameter table for the program in the file, as the
// editor shows them after opening that file at start-up. program picks a slot of an
// all-programs file (1 to 20) and is ignored for a single-program file.
int RunTable(const std::string& path, int program, Format format, const UiState& ui,
             std::ostream& out, std::ostream& err);

// `response FILE`: the summed response of one channel (0 to 3) at the 241 grid frequencies.
int RunResponse(const std::string& path, int program, int channel, Format format, const UiState& ui,
                std::ostream& out, std::ostream& err);

}  // namespace tolmarin::cli
