#pragma once

namespace tolmarin {

// Whether an edit is marked to go out to the amplifier: on only while the records and the
// amplifier's live program agree. The channel set owns it; its records and their filters
// read it when they mark a change.
struct SendMode {
    bool on = false;
};

// For a filter outside any channel set (a picture, a scratch curve): nothing ever goes out.
inline constexpr SendMode kNeverSending{};

}  // namespace tolmarin
