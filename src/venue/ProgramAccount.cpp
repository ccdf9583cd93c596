#include "venue/ProgramAccount.h"

namespace tolmarin::venue {

std::vector<ProgramSpan> ProgramsNotReceived(const ProgramArrivals& before,
                                             const ProgramArrivals& now) {
    const auto missing = [&](int n) {
        const auto i = static_cast<std::size_t>(n);
        return now[i] <= before[i];
    };
    std::vector<ProgramSpan> spans;
    for (int n = 1; n <= kStoredPrograms; ++n) {
        if (!missing(n)) {
            continue;
        }
        if (!spans.empty() && spans.back().last == n - 1) {
            spans.back().last = n;
        } else {
            spans.push_back({n, n});
        }
    }
    return spans;
}

}  // namespace tolmarin::venue
