#pragma once

#include <array>

namespace tolmarin {

// The eight segments of a level lamp, lit from the bottom by a status level reading.
class LampLevel {
public:
    static constexpr int kSegments = 8;

    // Sets the segments for a reading; true when any segment differs from the last
    // drawn state, which then becomes the current one.
    bool SetLevel(int value);
    bool IsLit(int segment) const { return m_lit[static_cast<unsigned>(segment)]; }
    int LitCount() const;

    // Number of segments lit for a reading of 0 to 127.
    static int SegmentsFor(int value);

private:
    std::array<bool, kSegments> m_lit{};
    std::array<bool, kSegments> m_drawn{};
};

}  // namespace tolmarin
