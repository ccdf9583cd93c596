#pragma once

#include <filesystem>
#include <string>

namespace tolmarin::testing {

// A fresh directory of this process's own under the system's temporary folder, removed
// with the object. Unique per process, so test runs of several checkouts never collide.
class TempDir {
public:
    explicit TempDir(const std::string& tag);
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::filesystem::path& Path() const { return m_path; }
    std::string PathOf(const std::string& name) const { return (m_path / name).string(); }

private:
    std::filesystem::path m_path;
};

}  // namespace tolmarin::testing
