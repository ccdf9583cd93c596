#include "CliOffline.h"

#include "protocol/DataDefine.h"
#include "protocol/ProgramFile.h"

namespace tolmarin::cli {

namespace {

std::string NameAt(const std::string& bytes, std::size_t offset) {
    const auto* p = reinterpret_cast<const std::uint8_t*>(bytes.data()) + offset;
    return LoadFixedText(std::span<const std::uint8_t>(p, kProgramNameSize), 15);
}

}  // namespace

int RunInfo(const std::string& path, const UiState& ui, std::ostream& out, std::ostream& err) {
    std::string bytes;
    if (ReadFileBytes(path, bytes) != FileStatus::Ok) {
        err << ui.Text(TextId::CliCannotOpenFile) << ' ' << path << '\n';
        return kExitFile;
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
