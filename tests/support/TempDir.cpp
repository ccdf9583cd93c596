#include "support/TempDir.h"

#include <unistd.h>

#include <atomic>
#include <system_error>

namespace tolmarin::testing {

TempDir::TempDir(const std::string& tag) {
    static std::atomic<int> counter{0};
    std::string safe = tag;
    for (char& c : safe) {
        if (c == '/' || c == ' ') {
            c = '_';
        }
    }
    m_path =
        std::filesystem::temp_directory_path() /
        ("tolmarin-" + safe + "-" + std::to_string(getpid()) + "-" + std::to_string(counter++));
    std::filesystem::remove_all(m_path);
    std::filesystem::create_directories(m_path);
}

TempDir::~TempDir() {
    std::error_code ignored;
    std::filesystem::remove_all(m_path, ignored);
}

}  // namespace tolmarin::testing
