#include "protocol/ProgramFile.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <system_error>
#include <vector>

namespace tolmarin {

namespace {

namespace fs = std::filesystem;

FileStatus WriteAtomically(const std::string& path, const std::vector<std::uint8_t>& bytes) {
    const fs::path target(path);
    fs::path temp = target;
    temp += ".part";
    {
        std::ofstream out(temp, std::ios::binary | std::ios::trunc);
        if (!out) {
            return FileStatus::OpenFailed;
        }
        out.write(reinterpret_cast<const char*>(bytes.data()),
                  static_cast<std::streamsize>(bytes.size()));
        out.flush();
        if (!out) {
            out.close();
            std::error_code ignored;
            fs::remove(temp, ignored);
            return FileStatus::WriteFailed;
        }
    }
    std::error_code ec;
    fs::rename(temp, target, ec);
    if (ec) {
        std::error_code ignored;
        fs::remove(temp, ignored);
        return FileStatus::WriteFailed;
    }
    return FileStatus::Ok;
}

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

FileStatus WriteSingleProgramFile(const DeviceImage& image, const std::string& path) {
    const auto rec = image.ProgramRecord(0);
    return WriteAtomically(path, std::vector<std::uint8_t>(rec.begin(), rec.end()));
}

FileStatus WriteAllProgramsFile(const DeviceImage& image, const std::string& path) {
    std::vector<std::uint8_t> bytes;
    bytes.reserve(kAllProgramsFileSize);
    for (int n = 1; n <= kStoredPrograms; ++n) {
        const auto rec = image.ProgramRecord(n);
        bytes.insert(bytes.end(), rec.begin(), rec.end());
    }
    return WriteAtomically(path, bytes);
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
    bytes.clear();
    std::uintmax_t size = 0;
    if (const FileStatus st = RegularFileSize(path, size); st != FileStatus::Ok) {
        return st;
    }
    if (size > static_cast<std::uintmax_t>(kAllProgramsFileSize)) {
        return FileStatus::WrongSize;
    }
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        return FileStatus::OpenFailed;
    }
    // At most one byte beyond the largest program file, whatever the file does meanwhile.
    bytes.assign(static_cast<std::size_t>(kAllProgramsFileSize) + 1, '\0');
    in.read(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    bytes.resize(static_cast<std::size_t>(in.gcount()));
    return FileStatus::Ok;
}

}  // namespace tolmarin
