#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "model/OutputChannel.h"
#include "protocol/Protocol.h"

namespace tolmarin {

class ChannelSet;
class OutputChannel;
struct SharedState;

// Everything the operator can take back or compare, held compactly: each channel's values in
// its block's byte layout, as set (a bypassed band's own gain, a crossover frequency as set,
// not as last sent), with each band's bypass beside it, and the CH1/CH2 system state.
struct ChannelValues {
    std::array<std::uint8_t, kChannelBlockSize> block{};
    std::uint8_t bypass = 0;  // bit k: band k bypassed
    friend bool operator==(const ChannelValues&, const ChannelValues&) = default;
};

// The amplifier mode of CH1/CH2, the sensitivities of inputs 1 and 2, the CH1/CH2 link.
struct SystemValues {
    std::uint8_t mode = 0;
    std::array<std::uint8_t, 2> sensitivity{};
    bool linked = false;
    friend bool operator==(const SystemValues&, const SystemValues&) = default;
};

struct Setting {
    std::array<ChannelValues, kChannelCount> channels{};
    SystemValues system;
    friend bool operator==(const Setting&, const Setting&) = default;
};

inline constexpr int kValueSubBlocks = subblock::kValueCount;
inline constexpr int kFirstBandSubBlock = subblock::kFirstBand;

// One sub-block of one channel as it was and as it became.
struct SubBlockPatch {
    std::uint8_t channel = 0;
    std::uint8_t subBlock = 0;
    bool bypassBefore = false;  // bands only
    bool bypassAfter = false;
    std::array<std::uint8_t, kSubBlockSize> before{};
    std::array<std::uint8_t, kSubBlockSize> after{};
};

// What changed between two settings, sub-block by sub-block.
struct SettingDelta {
    std::vector<SubBlockPatch> patches;
    SystemValues before;
    SystemValues after;
    bool Empty() const { return patches.empty() && before == after; }
    bool SystemChanged() const { return before != after; }
};

ChannelValues CaptureChannel(const OutputChannel& channel);
Setting CaptureSetting(const ChannelSet& channels, const SharedState& state);
// Only the channels below channelLimit are compared (A/B covers CH1 and CH2).
SettingDelta Diff(const Setting& from, const Setting& to, int channelLimit = kChannelCount);

// Sets the model to one side of delta. Each restored sub-block is marked pending as an edit
// marks it (with the change-sending flag) when mark is set; nothing follows on a linked
// channel while it is restored; the link and the system bytes are set last.
void ApplyDelta(ChannelSet& channels, SharedState& state, const SettingDelta& delta, bool after,
                bool mark);

}  // namespace tolmarin
