#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>

namespace tolmarin::venue {

// The last thing known of one watched amplifier, as the metrics and the status page show it.
// Plain values only: the watch fills a copy, the server reads its own copy, so a scrape never
// waits for a poll.
struct AmplifierSample {
    std::string name;
    std::string address;
    std::optional<std::string> group;  // when the fleet file gives one
    bool up = false;                   // the link answers
    // Meaningful only while up: an offline amplifier's last figures are never shown as current.
    std::array<int, 2> temperatures{};  // °C, sensors 1 and 2
    std::array<int, 2> levels{};        // raw level bytes of CH1 and CH2, as the lamps show them
    std::uint64_t reconnects = 0;
    // Milliseconds since the Unix epoch of the last status reply; none before the first.
    std::optional<std::int64_t> lastReplyMs;
    // When this sample was taken (milliseconds since the epoch) and the local offset then.
    std::int64_t takenMs = 0;
    int utcOffsetSeconds = 0;
};

// The temperatures of a status reply: its bytes 4 and 5 less 10, not limited to the range the
// form's display shows, so a sensor fault reads as the odd value it is.
inline std::array<int, 2> TemperaturesOfStatus(std::uint8_t byte4, std::uint8_t byte5) {
    return {int(byte4) - 10, int(byte5) - 10};
}

}  // namespace tolmarin::venue
