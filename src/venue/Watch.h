#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>

namespace tolmarin {
class LinkScheduler;
}

namespace tolmarin::venue {

// A watched amplifier that stays away is tried again this often.
constexpr int kWatchRetryMs = 30 * 1000;

// Local time to the second, as a watch stamps its samples and an offline spell's start.
std::string LocalTimestamp();

// What a watch knows of one amplifier: whether it answers, since when it has not, its last
// status figures and how often its link was opened again.
struct WatchState {
    bool offline = false;
    std::string offlineSince;     // local time, set while offline
    std::array<int, 2> levels{};  // of the last status reply
    std::array<int, 2> temperatures{};
    std::uint64_t reopens = 0;                // links opened again after a give-up
    std::uint64_t replies = 0;                // status replies since the watch began
    std::optional<std::int64_t> lastReplyMs;  // since the epoch, none before the first reply
};

// One amplifier's watch: a link given up on is opened again at once when it had been up
// (the amplifier may have only restarted), then every kWatchRetryMs until it answers. The
// owner opens the link in reopen; the wait is cancelled on Stop and with the watch.
class AmplifierWatch {
public:
    AmplifierWatch(LinkScheduler& clock, std::function<void()> reopen);
    ~AmplifierWatch();
    AmplifierWatch(const AmplifierWatch&) = delete;
    AmplifierWatch& operator=(const AmplifierWatch&) = delete;

    // The link went away or did not answer; wasUp: it had been linked up. Returns true when
    // this began an offline spell (stamped now), false when it was already offline.
    bool WentAway(bool wasUp, const std::string& now);
    // The link is up again; returns true when it had been offline.
    bool CameBack();
    void Reply(std::array<int, 2> levels, std::array<int, 2> temperatures, std::int64_t nowMs);
    // No more tries.
    void Stop();

    const WatchState& State() const { return m_state; }
    bool Waiting() const { return m_retry != 0; }

private:
    LinkScheduler& m_clock;
    std::function<void()> m_reopen;
    WatchState m_state;
    int m_retry = 0;  // the wait before the next try, 0 when none
    bool m_stopped = false;
};

}  // namespace tolmarin::venue
