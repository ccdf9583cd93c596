#include "CliOffline.h"

#include <cmath>
#include <cstdio>
#include <memory>

#include "model/KTV_Data.h"
#include "model/ParameterTable.h"
#include "protocol/DataDefine.h"
#include "protocol/ProgramFile.h"
#include "response/FilterMath.h"

namespace tolmarin::cli {

namespace {

std::string NameAt(const std::string& bytes, std::size_t offset) {
    const auto* p = reinterpret_cast<const std::uint8_t*>(bytes.data()) + offset;
    return LoadFixedText(std::span<const std::uint8_t>(p, kProgramNameSize), 15);
}

// The editor right after start-up with the file opened: image initialised, system bytes
// at their start-up values, the program loaded into the live record and the channel set
// loaded from it (with the mode and sensitivity adjustments).
struct OpenedProgram {
    std::unique_ptr<SharedState> state = std::make_unique<SharedState>();
    std::unique_ptr<CKTV_Data> channels;
};

int OpenProgram(const std::string& path, int program, const UiState& ui, OpenedProgram& opened,
                std::ostream& err) {
    std::string bytes;
    if (const FileStatus st = ReadFileBytes(path, bytes); st != FileStatus::Ok) {
        return ReportReadFailure(st, path, ui, err);
    }
    const ProgramFileKind kind = KindOfFileSize(static_cast<long long>(bytes.size()));
    if (kind == ProgramFileKind::Unknown) {
        err << ui.Text(TextId::CliNotAProgramFile) << ' ' << path << '\n';
        return kExitFile;
    }
    SharedState& s = *opened.state;
    InitDeviceImage(s);
    InitSystemBytes(s.image);
    s.ui.english = ui.english;
    opened.channels = std::make_unique<CKTV_Data>(s);
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

// Pads to a width counted in characters, so Chinese labels line up too.
std::string Pad(const std::string& text, std::size_t width) {
    std::size_t chars = 0;
    for (unsigned char c : text) {
        chars += (c & 0xC0) != 0x80 ? 1 : 0;
    }
    return chars >= width ? text + " " : text + std::string(width - chars, ' ');
}

}  // namespace

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
    out << Pad(headings[0], 12) << Pad(headings[1], 12) << headings[2] << '\n';
    for (const auto& r : rows) {
        std::string line = Pad(r.label, 12) + Pad(r.cells[0], 12) + r.cells[1];
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

int ReportReadFailure(FileStatus status, const std::string& path, const UiState& ui,
                      std::ostream& err) {
    const TextId text = status == FileStatus::NotAFile    ? TextId::ReadMusicFileError
                        : status == FileStatus::WrongSize ? TextId::CliNotAProgramFile
                                                          : TextId::CliCannotOpenFile;
    err << ui.Text(text) << ' ' << path << '\n';
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
    err << ui.Text(TextId::CliNotAProgramFile) << ' ' << path << '\n';
    return kExitFile;
}

}  // namespace tolmarin::cli
