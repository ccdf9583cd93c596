#pragma once

#include <array>
#include <vector>

#include "protocol/Protocol.h"

namespace tolmarin::venue {

// Replies per stored program (index 1 to 20) that brought its data intact.
using ProgramArrivals = std::array<int, kStoredPrograms + 1>;

// A run of stored programs, first to last inclusive.
struct ProgramSpan {
    int first = 0;
    int last = 0;
    bool operator==(const ProgramSpan&) const = default;
};

// The stored programs whose data has not arrived since before, as spans in order: what a
// read of all programs cut off part way still lacks.
std::vector<ProgramSpan> ProgramsNotReceived(const ProgramArrivals& before,
                                             const ProgramArrivals& now);

}  // namespace tolmarin::venue
