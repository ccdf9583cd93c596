#include "CliOffline.h"

#include "CliArgs.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <memory>

#include "model/ChannelSet.h"
#include "model/ParameterTable.h"
#include "protocol/DeviceImage.h"
#include "protocol/ProgramFile.h"
#include "response/FilterMath.h"

namespace tolmarin::cli {

namespace {

// The name as the file holds it: up to 15 bytes, ending at the first 0, trailing blanks off.
std::string NameAt(const std::string& bytes, std::size_t offset) {
    std::string name = bytes.substr(offset, kProgramNameSize - 1);
    name = name.substr(0, name.find('\0'));
    while (!name.empty() && name.back() == ' ') {
        name.pop_back();
    }
    return Escaped(name);
}

// The editor right after start-up with the file opened: image initialised, system bytes
// at their start-up values, the program loaded into the live record and the channel set
// loaded from it (with the mode and sensitivity adjustments).
struct OpenedProgram {
    std::unique_ptr<SharedState> state = std::make_unique<SharedState>();
    std::unique_ptr<ChannelSet> channels;
};

int OpenProgram(const std::string& path, int program, const UiState& ui, OpenedProgram& opened,
                std::ostream& err) {
    std::string bytes;
    if (const FileStatus st = ReadFileBytes(path, bytes); st != FileStatus::Ok) {
        return ReportReadFailure(st, path, ui, err);
    }
    const ProgramFileKind kind = KindOfFileSize(static_cast<long long>(bytes.size()));
    if (kind == ProgramFileKind::Unknown) {
        err << ui.Text(TextId::CliNotAProgramFile) << ' ' << Shown(path) << '\n';
        return kExitFile;
    }
    SharedState& s = *opened.state;
    InitDeviceImage(s);
    InitSystemBytes(s.image);
    s.ui.language = ui.language;
    opened.channels = std::make_unique<ChannelSet>(s);
    const std::size_t offset = kind == ProgramFileKind::Single
                                   ? 0
                                   : static_cast<std::size_t>(program - 1) * kProgramRecordSize;
    std::copy_n(bytes.begin() + static_cast<std::ptrdiff_t>(offset), kProgramRecordSize,
                s.image.ProgramRecord(0).begin());
    opened.channels->LoadAllFromImage();
    return kExitDone;
}

std::string CsvField(const std::string& text) {
    if (text.find_first_of(",\"\n") == std::string::npos) {
        return text;
    }
    std::string quoted = "\"";
    for (char c : text) {
        quoted += c;
        if (c == '"') {
            quoted += '"';
        }
    }
    return quoted + "\"";
}

// Pads to a width counted in terminal columns, so Chinese labels line up too.
std::string Pad(const std::string& text, std::size_t width) {
    const std::size_t used = DisplayWidth(text);
    return used >= width ? text + " " : text + std::string(width - used, ' ');
}

}  // namespace

std::size_t DisplayWidth(std::string_view text) {
    std::size_t width = 0;
    for (std::size_t i = 0; i < text.size();) {
        const auto c = static_cast<unsigned char>(text[i]);
        const int length = c < 0x80 ? 1 : (c >> 5) == 0x6 ? 2 : (c >> 4) == 0xE ? 3 : 4;
        char32_t cp = length == 1   ? c
                      : length == 2 ? (c & 0x1F)
                      : length == 3 ? (c & 0x0F)
                                    : (c & 0x07);
        for (int k = 1; k < length && i + static_cast<std::size_t>(k) < text.size(); ++k) {
            cp = (cp << 6) |
                 (static_cast<unsigned char>(text[i + static_cast<std::size_t>(k)]) & 0x3F);
        }
        i += static_cast<std::size_t>(length);
        // East Asian wide and fullwidth characters take two columns.
        const bool wide = (cp >= 0x1100 && cp <= 0x115F) ||
                          (cp >= 0x2E80 && cp <= 0xA4CF && cp != 0x303F) ||
                          (cp >= 0xAC00 && cp <= 0xD7A3) || (cp >= 0xF900 && cp <= 0xFAFF) ||
                          (cp >= 0xFE30 && cp <= 0xFE4F) || (cp >= 0xFF00 && cp <= 0xFF60) ||
                          (cp >= 0xFFE0 && cp <= 0xFFE6) || (cp >= 0x20000 && cp <= 0x3FFFD);
        width += wide ? 2 : 1;
    }
    return width;
}

int RunTable(const std::string& path, int program, Format format, const UiState& ui,
             std::ostream& out, std::ostream& err) {
    OpenedProgram opened;
    if (const int rc = OpenProgram(path, program, ui, opened, err); rc != kExitDone) {
        return rc;
    }
    const auto headings = ParameterTableHeadings(opened.state->ui);
    const auto rows = BuildParameterTable(*opened.channels, opened.state->ui);
    if (format == Format::Csv) {
        out << CsvField(headings[0]) << ',' << headings[1] << ',' << headings[2] << '\n';
        for (const auto& r : rows) {
            out << CsvField(r.label) << ',' << CsvField(r.cells[0]) << ',' << CsvField(r.cells[1])
                << '\n';
        }
        return kExitDone;
    }
    constexpr std::size_t kGap = 2;
    std::size_t labelWidth = DisplayWidth(headings[0]);
    std::size_t cellWidth = DisplayWidth(headings[1]);
    for (const auto& r : rows) {
        labelWidth = std::max(labelWidth, DisplayWidth(r.label));
        cellWidth = std::max(cellWidth, DisplayWidth(r.cells[0]));
    }
    labelWidth += kGap;
    cellWidth += kGap;
    out << Pad(headings[0], labelWidth) << Pad(headings[1], cellWidth) << headings[2] << '\n';
    for (const auto& r : rows) {
        std::string line = Pad(r.label, labelWidth) + Pad(r.cells[0], cellWidth) + r.cells[1];
        while (!line.empty() && line.back() == ' ') {
            line.pop_back();
        }
        out << line << '\n';
    }
    return kExitDone;
}

int RunResponse(const std::string& path, int program, int channel, Format format, const UiState& ui,
                std::ostream& out, std::ostream& err) {
    OpenedProgram opened;
    if (const int rc = OpenProgram(path, program, ui, opened, err); rc != kExitDone) {
        return rc;
    }
    const GridResponse db = opened.channels->Channel(channel).Eq().SummedResponse();
    if (format == Format::Csv) {
        out << "freq_hz,db\n";
    }
    for (int i = 0; i < kGridSize; ++i) {
        // Three decimals, and never "-0.000" for a flat point.
        double v = std::round(db[i] * 1000.0) / 1000.0;
        if (v == 0.0) {
            v = 0.0;
        }
        char line[64];
        std::snprintf(line, sizeof line, format == Format::Csv ? "%g,%.3f\n" : "%-8g %9.3f\n",
                      FreqTable[i], v);
        out << line;
    }
    return kExitDone;
}

std::string DescribeWriteFailure(const FileWriteResult& why, const std::string& path,
                                 TextId failure, const UiState& ui) {
    if (why.fault == FileFault::Exists) {
        return Fill(ui.Text(TextId::CliFileExists), {path});
    }
    const std::string reason = WriteFailureReason(why, ui);
    return std::string(ui.Text(failure)) + ' ' + path + (reason.empty() ? "" : ": " + reason);
}

int ReportReadFailure(FileStatus status, const std::string& path, const UiState& ui,
                      std::ostream& err) {
    const TextId text = status == FileStatus::NotAFile    ? TextId::ReadMusicFileError
                        : status == FileStatus::WrongSize ? TextId::CliNotAProgramFile
                                                          : TextId::CliCannotOpenFile;
    err << ui.Text(text) << ' ' << Shown(path) << '\n';
    return kExitFile;
}

int RunInfo(const std::string& path, const UiState& ui, std::ostream& out, std::ostream& err) {
    std::string bytes;
    if (const FileStatus st = ReadFileBytes(path, bytes); st != FileStatus::Ok) {
        return ReportReadFailure(st, path, ui, err);
    }
    switch (KindOfFileSize(static_cast<long long>(bytes.size()))) {
        case ProgramFileKind::Single:
            out << "kind: single program\n"
                << "size: " << bytes.size() << '\n'
                << "name: " << NameAt(bytes, 0) << '\n';
            return kExitDone;
        case ProgramFileKind::AllPrograms:
            out << "kind: all programs\n"
                << "size: " << bytes.size() << '\n';
            for (int n = 1; n <= kStoredPrograms; ++n) {
                out << "program " << n << ": "
                    << NameAt(bytes, static_cast<std::size_t>(n - 1) * kProgramRecordSize) << '\n';
            }
            return kExitDone;
        case ProgramFileKind::Unknown:
            break;
    }
    err << ui.Text(TextId::CliNotAProgramFile) << ' ' << Shown(path) << '\n';
    return kExitFile;
}

}  // namespace tolmarin::cli
