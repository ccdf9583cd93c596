// The file writer's system calls: POSIX, or Windows for the cross build.
#include "protocol/FilePlatform.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#endif

#include <algorithm>
#include <filesystem>
#include <random>
#include <system_error>

namespace tolmarin {

namespace {

namespace fs = std::filesystem;

constexpr int kNameAttempts = 16;

// ".NAME.1f3a...e9.tmp": hidden beside the target, and not to be guessed in advance.
std::string TemporaryName(const std::string& name) {
    static std::random_device source;
    static const char* const kHex = "0123456789abcdef";
    std::string out = "." + name + ".";
    for (int i = 0; i < 4; ++i) {
        auto word = static_cast<std::uint32_t>(source());
        for (int k = 0; k < 8; ++k, word >>= 4) {
            out += kHex[word & 0xF];
        }
    }
    return out + ".tmp";
}

#ifdef _WIN32

FileWriteResult Failure(DWORD error) {
    FileWriteResult r;
    switch (error) {
        case ERROR_FILE_EXISTS:
        case ERROR_ALREADY_EXISTS:
            r.fault = FileFault::Exists;
            break;
        case ERROR_PATH_NOT_FOUND:
        case ERROR_FILE_NOT_FOUND:
        case ERROR_DIRECTORY:
            r.fault = FileFault::NoFolder;
            break;
        case ERROR_ACCESS_DENIED:
            r.fault = FileFault::NoPermission;
            break;
        case ERROR_WRITE_PROTECT:
            r.fault = FileFault::ReadOnly;
            break;
        case ERROR_DISK_FULL:
        case ERROR_HANDLE_DISK_FULL:
            r.fault = FileFault::NoSpace;
            break;
        default:
            r.fault = FileFault::Other;
            break;
    }
    r.systemText = std::system_category().message(static_cast<int>(error));
    return r;
}

FileWriteResult WriteInFolder(const fs::path& folder, const std::string& name,
                              std::span<const std::uint8_t> bytes, Overwrite overwrite) {
    const std::wstring target = (folder / fs::path(name)).wstring();
    std::wstring temp;
    HANDLE file = INVALID_HANDLE_VALUE;
    for (int attempt = 0; attempt < kNameAttempts && file == INVALID_HANDLE_VALUE; ++attempt) {
        temp = (folder / fs::path(TemporaryName(name))).wstring();
        // CREATE_NEW fails on anything already there, a link included.
        file = CreateFileW(temp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file == INVALID_HANDLE_VALUE && GetLastError() != ERROR_FILE_EXISTS) {
            return Failure(GetLastError());
        }
    }
    if (file == INVALID_HANDLE_VALUE) {
        return Failure(ERROR_FILE_EXISTS);
    }
    std::size_t done = 0;
    DWORD error = 0;
    while (done < bytes.size() && error == 0) {
        DWORD wrote = 0;
        const auto chunk = static_cast<DWORD>(std::min<std::size_t>(bytes.size() - done, 1 << 20));
        if (!WriteFile(file, bytes.data() + done, chunk, &wrote, nullptr)) {
            error = GetLastError();
        }
        done += wrote;
    }
    if (error == 0 && !FlushFileBuffers(file)) {
        error = GetLastError();
    }
    CloseHandle(file);
    if (error == 0) {
        const DWORD flags = MOVEFILE_WRITE_THROUGH |
                            (overwrite == Overwrite::Replace ? MOVEFILE_REPLACE_EXISTING : 0);
        if (!MoveFileExW(temp.c_str(), target.c_str(), flags)) {
            error = GetLastError();
        }
    }
    if (error != 0) {
        DeleteFileW(temp.c_str());
        return Failure(error);
    }
    return {};
}

#else

FileWriteResult Failure(int error) {
    FileWriteResult r;
    switch (error) {
        case EEXIST:
            r.fault = FileFault::Exists;
            break;
        case ENOENT:
        case ENOTDIR:
            r.fault = FileFault::NoFolder;
            break;
        case EACCES:
        case EPERM:
            r.fault = FileFault::NoPermission;
            break;
        case EROFS:
            r.fault = FileFault::ReadOnly;
            break;
        case ENOSPC:
        case EDQUOT:
            r.fault = FileFault::NoSpace;
            break;
        default:
            r.fault = FileFault::Other;
            break;
    }
    r.systemText = std::system_category().message(error);
    return r;
}

// Moves the temporary onto the target without ever replacing a file there: one rename that
// refuses, where the file system has it; else a hard link, which never replaces either.
int MoveWithoutReplacing(int folder, const char* temp, const char* target) {
#ifdef RENAME_NOREPLACE
    if (renameat2(folder, temp, folder, target, RENAME_NOREPLACE) == 0) {
        return 0;
    }
    if (errno != EINVAL && errno != ENOSYS && errno != ENOTSUP) {
        return errno;
    }
#endif
    if (linkat(folder, temp, folder, target, 0) == 0) {
        unlinkat(folder, temp, 0);
        return 0;
    }
    if (errno == EEXIST || (errno != EPERM && errno != ENOTSUP && errno != EOPNOTSUPP)) {
        return errno;
    }
    // A file system with neither (FAT): look, then rename; the window is as small as it gets.
    struct stat st {};
    if (fstatat(folder, target, &st, AT_SYMLINK_NOFOLLOW) == 0) {
        return EEXIST;
    }
    return renameat(folder, temp, folder, target) == 0 ? 0 : errno;
}

int WriteAll(int fd, std::span<const std::uint8_t> bytes) {
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            return errno;
        }
        done += static_cast<std::size_t>(n);
    }
    return 0;
}

FileWriteResult WriteInFolder(const fs::path& folderPath, const std::string& name,
                              std::span<const std::uint8_t> bytes, Overwrite overwrite) {
    const int folder = open(folderPath.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folder < 0) {
        return Failure(errno);
    }
    std::string temp;
    int fd = -1;
    for (int attempt = 0; attempt < kNameAttempts && fd < 0; ++attempt) {
        temp = TemporaryName(name);
        // O_EXCL: a name already taken, a symbolic link included, is never opened.
        fd = openat(folder, temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC,
                    0666);
        if (fd < 0 && errno != EEXIST) {
            const FileWriteResult r = Failure(errno);
            close(folder);
            return r;
        }
    }
    int error = fd < 0 ? EEXIST : 0;
    if (fd >= 0) {
        error = WriteAll(fd, bytes);
        if (error == 0 && fsync(fd) != 0) {
            error = errno;
        }
        if (close(fd) != 0 && error == 0) {
            error = errno;
        }
        if (error == 0) {
            if (overwrite == Overwrite::Replace) {
                error = renameat(folder, temp.c_str(), folder, name.c_str()) == 0 ? 0 : errno;
            } else {
                error = MoveWithoutReplacing(folder, temp.c_str(), name.c_str());
            }
        }
        if (error != 0) {
            unlinkat(folder, temp.c_str(), 0);
        }
    }
    // The new name is on the disk only once the folder is.
    if (error == 0 && fsync(folder) != 0 && errno != EINVAL) {
        error = errno;
    }
    close(folder);
    return error == 0 ? FileWriteResult{} : Failure(error);
}

#endif

}  // namespace

std::FILE* OpenLogFile(const std::string& path) {
#ifdef _WIN32
    return std::fopen(path.c_str(), "w");
#else
    // Not blocking, and not truncating before the check: a named pipe would wait for a
    // reader, and a device or a pipe is no log file.
    const int fd =
        open(path.c_str(), O_WRONLY | O_CREAT | O_NOFOLLOW | O_CLOEXEC | O_NONBLOCK, 0666);
    if (fd < 0) {
        return nullptr;
    }
    struct stat st {};
    if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || ftruncate(fd, 0) != 0 ||
        fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) & ~O_NONBLOCK) != 0) {
        close(fd);
        errno = EINVAL;
        return nullptr;
    }
    std::FILE* file = fdopen(fd, "w");
    if (file == nullptr) {
        close(fd);
    }
    return file;
#endif
}

FileWriteResult WriteFileSafely(const std::string& path, std::span<const std::uint8_t> bytes,
                                Overwrite overwrite) {
    const fs::path target(path);
    const std::string name = target.filename().string();
    if (name.empty() || name == "." || name == "..") {
        FileWriteResult r;
        r.fault = FileFault::Other;
        r.systemText = std::make_error_code(std::errc::is_a_directory).message();
        return r;
    }
    const fs::path folder = target.has_parent_path() ? target.parent_path() : fs::path(".");
    return WriteInFolder(folder, name, bytes, overwrite);
}

}  // namespace tolmarin
