#include "protocol/ProgramFile.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <system_error>
#include <vector>

namespace tolmarin {

namespace {

namespace fs = std::filesystem;

// The size of a regular file, judged before it is opened: a folder, a device or a pipe
// would block, fail half-way or never end.
FileStatus RegularFileSize(const std::string& path, std::uintmax_t& size) {
    std::error_code ec;
    const fs::file_status st = fs::status(path, ec);
    if (ec || !fs::exists(st)) {
        return FileStatus::OpenFailed;
    }
    if (!fs::is_regular_file(st)) {
        return FileStatus::NotAFile;
    }
    size = fs::file_size(path, ec);
    return ec ? FileStatus::OpenFailed : FileStatus::Ok;
}

FileStatus ReadExactly(const std::string& path, std::size_t size, std::vector<std::uint8_t>& out) {
    std::uintmax_t actual = 0;
    if (const FileStatus st = RegularFileSize(path, actual); st != FileStatus::Ok) {
        return st;
    }
    if (actual != size) {
        return FileStatus::WrongSize;
    }
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        return FileStatus::OpenFailed;
    }
    out.assign(size, 0);
    in.read(reinterpret_cast<char*>(out.data()), static_cast<std::streamsize>(size));
    // A file that shrank or grew between the size check and the read is refused as well.
    if (in.gcount() != static_cast<std::streamsize>(size) || in.peek() != EOF) {
        return FileStatus::WrongSize;
    }
    return FileStatus::Ok;
}

}  // namespace

ProgramFileKind KindOfFileSize(long long size) {
    if (size == kSingleProgramFileSize) {
        return ProgramFileKind::Single;
    }
    if (size == kAllProgramsFileSize) {
        return ProgramFileKind::AllPrograms;
    }
    return ProgramFileKind::Unknown;
}

std::string WithExtension(const std::string& path, const char* extension) {
    return NamesExtension(path, extension) ? path : path + extension;
}

bool NamesExtension(const std::string& text, const char* extension) {
    return text.find(extension) != std::string::npos;
}

FileStatus WriteBytesFile(std::span<const std::uint8_t> bytes, const std::string& path,
                          Overwrite overwrite, FileWriteResult* why) {
    const FileWriteResult r = WriteFileSafely(path, bytes, overwrite);
    if (why != nullptr) {
        *why = r;
    }
    if (r.Ok()) {
        return FileStatus::Ok;
    }
    return r.fault == FileFault::Exists ? FileStatus::Exists : FileStatus::WriteFailed;
}

std::string WriteFailureReason(const FileWriteResult& why, const UiState& ui) {
    switch (why.fault) {
        case FileFault::NoFolder:
            return ui.Text(TextId::WriteFaultNoFolder);
        case FileFault::NoPermission:
            return ui.Text(TextId::WriteFaultNoPermission);
        case FileFault::ReadOnly:
            return ui.Text(TextId::WriteFaultReadOnly);
        case FileFault::NoSpace:
            return ui.Text(TextId::WriteFaultNoSpace);
        case FileFault::None:
        case FileFault::Exists:
        case FileFault::Other:
            break;
    }
    return why.systemText;
}

FileStatus WriteSingleProgramFile(const DeviceImage& image, const std::string& path,
                                  Overwrite overwrite, FileWriteResult* why) {
    return WriteBytesFile(image.ProgramRecord(0), path, overwrite, why);
}

FileStatus WriteAllProgramsFile(const DeviceImage& image, const std::string& path,
                                Overwrite overwrite, FileWriteResult* why) {
    std::vector<std::uint8_t> bytes;
    bytes.reserve(kAllProgramsFileSize);
    for (int n = 1; n <= kStoredPrograms; ++n) {
        const auto rec = image.ProgramRecord(n);
        bytes.insert(bytes.end(), rec.begin(), rec.end());
    }
    return WriteBytesFile(bytes, path, overwrite, why);
}

FileStatus ReadSingleProgramFile(DeviceImage& image, const std::string& path) {
    std::vector<std::uint8_t> bytes;
    const FileStatus st = ReadExactly(path, kSingleProgramFileSize, bytes);
    if (st == FileStatus::Ok) {
        std::copy(bytes.begin(), bytes.end(), image.ProgramRecord(0).begin());
    }
    return st;
}

FileStatus ReadAllProgramsFile(DeviceImage& image, const std::string& path) {
    std::vector<std::uint8_t> bytes;
    const FileStatus st = ReadExactly(path, kAllProgramsFileSize, bytes);
    if (st == FileStatus::Ok) {
        for (int n = 1; n <= kStoredPrograms; ++n) {
            const auto from = bytes.begin() + (n - 1) * kProgramRecordSize;
            std::copy(from, from + kProgramRecordSize, image.ProgramRecord(n).begin());
        }
    }
    return st;
}

FileStatus ReadFileBytes(const std::string& path, std::string& bytes) {
    return ReadFileBytes(path, bytes, static_cast<std::uintmax_t>(kAllProgramsFileSize));
}

FileStatus ReadFileBytes(const std::string& path, std::string& bytes, std::uintmax_t maxBytes) {
    bytes.clear();
    std::uintmax_t size = 0;
    if (const FileStatus st = RegularFileSize(path, size); st != FileStatus::Ok) {
        return st;
    }
    if (size > maxBytes) {
        return FileStatus::WrongSize;
    }
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        return FileStatus::OpenFailed;
    }
    // Read in chunks sized from the file, not from the limit (a large limit must not cost its
    // size in memory for a small file), and at most one byte beyond the limit, whatever the
    // file does meanwhile.
    const std::size_t cap = static_cast<std::size_t>(maxBytes) + 1;
    constexpr std::size_t kChunk = 1 << 16;
    std::size_t have = 0;
    std::size_t want = std::min(cap, static_cast<std::size_t>(size) + 1);
    while (have < cap) {
        bytes.resize(std::max(want, have + 1));
        in.read(bytes.data() + have, static_cast<std::streamsize>(bytes.size() - have));
        have += static_cast<std::size_t>(in.gcount());
        if (!in) {
            break;
        }
        want = std::min(cap, have + kChunk);
    }
    bytes.resize(have);
    return FileStatus::Ok;
}

}  // namespace tolmarin
