#include "controls/LampLevel.h"

#include <algorithm>

namespace tolmarin {

namespace {
// Readings below this light nothing.
constexpr int kFirstLit = 31;
// The lowest reading of n + 1 lit segments, n = 0 to 7.
constexpr int kThresholds[LampLevel::kSegments] = {31, 35, 38, 41, 45, 48, 51, 52};
constexpr int kReadingBits = 0x7F;
}  // namespace

int LampLevel::SegmentsFor(int value) {
    int lit = 0;
    while (lit < kSegments && value >= kThresholds[lit]) {
        ++lit;
    }
    return lit;
}

bool LampLevel::SetLevel(int value) {
    int lit = 0;
    if (value >= kFirstLit) {
        const int reading = value & kReadingBits;
        if (reading < kFirstLit) {
            return false;  // a wrapped reading leaves the lamp as it was
        }
        lit = SegmentsFor(reading);
    }
    for (int i = 0; i < kSegments; ++i) {
        m_lit[static_cast<unsigned>(i)] = i < lit;
    }
    const bool changed = m_lit != m_drawn;
    m_drawn = m_lit;
    return changed;
}

int LampLevel::LitCount() const {
    return static_cast<int>(std::count(m_lit.begin(), m_lit.end(), true));
}

}  // namespace tolmarin
