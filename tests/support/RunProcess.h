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
