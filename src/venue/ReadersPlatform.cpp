// The system calls of the tool's readers.
#include "venue/ReadersPlatform.h"

#include <filesystem>
#include <system_error>

#ifdef _WIN32
#include <winsock2.h>
#include <ws2tcpip.h>
#else
#include <arpa/inet.h>
#include <sys/stat.h>
#endif

namespace tolmarin::venue {

std::string FolderIdentity(const std::string& folder) {
#ifdef _WIN32
    std::error_code ec;
    const std::filesystem::path real = std::filesystem::canonical(folder, ec);
    return ec ? std::string() : real.string();
#else
    struct stat st {};
    if (::stat(folder.c_str(), &st) != 0) {
        return {};
    }
    return std::to_string(st.st_dev) + ':' + std::to_string(st.st_ino);
#endif
}

std::string CanonicalAddress(const std::string& host) {
    unsigned char raw[16];
    char text[INET6_ADDRSTRLEN];
    for (const int family : {AF_INET, AF_INET6}) {
        if (inet_pton(family, host.c_str(), raw) == 1 &&
            inet_ntop(family, raw, text, sizeof text) != nullptr) {
            return text;
        }
    }
    return host;
}

}  // namespace tolmarin::venue
