#pragma once

#include <string>
#include <vector>

namespace tolmarin::testing {

struct ProcessResult {
    int exitCode = -1;
    std::string out;
    std::string err;
};

// Runs a program to completion with the given arguments (no shell), capturing both streams.
ProcessResult RunProcess(const std::string& program, const std::vector<std::string>& args);

}  // namespace tolmarin::testing

namespace tolmarin::testing {

// A program started in the background with its standard output readable line by line;
// killed when the object goes.
class BackgroundProcess {
public:
    BackgroundProcess(const std::string& program, const std::vector<std::string>& args);
    ~BackgroundProcess();
    BackgroundProcess(const BackgroundProcess&) = delete;
    BackgroundProcess& operator=(const BackgroundProcess&) = delete;

    // The next line of its standard output, or empty after timeoutMs without one.
    std::string ReadLine(int timeoutMs);

private:
    int m_pid = -1;
    int m_out = -1;
    std::string m_buffer;
};

}  // namespace tolmarin::testing
