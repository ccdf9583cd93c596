#include "model/Setting.h"

#include <algorithm>

#include "model/BandRecord.h"
#include "model/ChannelSet.h"
#include "model/OutputChannel.h"
#include "model/Parameters.h"
#include "protocol/ByteOrder.h"
#include "protocol/DeviceImage.h"

namespace tolmarin {

namespace {

constexpr int kNameBytes = 8;

std::span<const std::uint8_t, kSubBlockSize> SubBlockOf(const ChannelValues& v, int subBlock) {
    return std::span<const std::uint8_t, kChannelBlockSize>(v.block)
        .subspan(static_cast<std::size_t>(subBlock) * kSubBlockSize)
        .first<kSubBlockSize>();
}

bool BypassOf(const ChannelValues& v, int subBlock) {
    return subBlock >= kFirstBandSubBlock && ((v.bypass >> (subBlock - kFirstBandSubBlock)) & 1);
}

}  // namespace

ChannelValues CaptureChannel(const OutputChannel& ch) {
    ChannelValues v;
    auto& b = v.block;
    const std::string& name = ch.GetName();
    std::copy_n(name.begin(), std::min<std::size_t>(name.size(), kNameBytes), b.begin());
    b[block::kOutputOn] = ch.GetOutputOn();
    b[block::kPolarity] = ch.GetPolarity();
    WriteLeI16(b, block::kInputGain, ch.GetInputGain());
    WriteLeI16(b, block::kDelay, ch.GetDelay());
    b[block::kInputRoute] = ch.GetInputRoute();
    const Filter& hp = ch.HighPass();
    const Filter& lp = ch.LowPass();
    WriteLeI16(b, block::kHighPassFreq, static_cast<std::int16_t>(hp.GetFreq()));
    b[block::kHighPassFamily] = static_cast<std::uint8_t>(hp.GetFamily());
    b[block::kHighPassSlope] = static_cast<std::uint8_t>(hp.GetSlope());
    WriteLeI16(b, block::kLowPassFreq, static_cast<std::int16_t>(lp.GetFreq()));
    b[block::kLowPassFamily] = static_cast<std::uint8_t>(lp.GetFamily());
    b[block::kLowPassSlope] = static_cast<std::uint8_t>(lp.GetSlope());
    WriteLeI16(b, block::kLimitThreshold, ch.GetLimitThreshold());
    b[block::kLimitAttack] = ch.GetLimitAttack();
    b[block::kLimitRelease] = ch.GetLimitRelease();
    b[block::kVolumeAux] = ch.GetVolumeAux();
    WriteLeI16(b, block::kVolume, ch.GetVolume());
    ch.WriteTableValues(b);
    for (int k = 0; k < kEqBandCount; ++k) {
        const Filter& f = ch.Band(k);
        BandRecord r;
        r.freq = static_cast<std::int16_t>(f.GetFreq());
        r.gainStep = static_cast<std::int16_t>(f.GetOwnGainStep());  // bypassed too
        r.bandwidthStep = static_cast<std::int16_t>(f.GetBandwidthStep());
        r.slope = static_cast<std::uint8_t>(f.GetSlope());
        r.type = static_cast<std::uint8_t>(f.GetType());
        WriteBandRecord(b, BandOffset(k), r);
        if (f.GetBypass() != 0) {
            v.bypass = static_cast<std::uint8_t>(v.bypass | (1U << k));
        }
    }
    return v;
}

Setting CaptureSetting(const ChannelSet& channels, const SharedState& state) {
    Setting s;
    for (int c = 0; c < kChannelCount; ++c) {
        s.channels[static_cast<std::size_t>(c)] = CaptureChannel(channels.Channel(c));
    }
    const auto& sys = state.image.systemBytes;
    s.system.mode = sys[sysbyte::kModeCh12];
    s.system.sensitivity = {sys[sysbyte::kSensitivity1], sys[sysbyte::kSensitivity1 + 1]};
    s.system.linked = channels.Ch1Ch2Linked();
    return s;
}

SettingDelta Diff(const Setting& from, const Setting& to, int channelLimit) {
    SettingDelta d;
    d.before = from.system;
    d.after = to.system;
    for (int c = 0; c < channelLimit; ++c) {
        const ChannelValues& a = from.channels[static_cast<std::size_t>(c)];
        const ChannelValues& b = to.channels[static_cast<std::size_t>(c)];
        if (a == b) {
            continue;
        }
        for (int s = 0; s < kValueSubBlocks; ++s) {
            const auto before = SubBlockOf(a, s);
            const auto after = SubBlockOf(b, s);
            if (std::ranges::equal(before, after) && BypassOf(a, s) == BypassOf(b, s)) {
                continue;
            }
            SubBlockPatch p;
            p.channel = static_cast<std::uint8_t>(c);
            p.subBlock = static_cast<std::uint8_t>(s);
            p.bypassBefore = BypassOf(a, s);
            p.bypassAfter = BypassOf(b, s);
            std::ranges::copy(before, p.before.begin());
            std::ranges::copy(after, p.after.begin());
            d.patches.push_back(p);
        }
    }
    return d;
}

void ApplyDelta(ChannelSet& channels, SharedState& state, const SettingDelta& delta, bool after,
                bool mark) {
    const bool sending = channels.Sending();
    if (!mark) {
        channels.SetSending(false);
    }
    // Restored values are each channel's own: CH2 must not follow CH1 meanwhile.
    channels.SetCh1Ch2Linked(false);
    std::array<std::uint8_t, kChannelBlockSize> values{};
    for (const SubBlockPatch& p : delta.patches) {
        OutputChannel& ch = channels.Channel(p.channel);
        const auto& bytes = after ? p.after : p.before;
        std::ranges::copy(bytes, values.begin() + p.subBlock * kSubBlockSize);
        ch.RestoreSubBlock(values, p.subBlock);
        if (p.subBlock >= kFirstBandSubBlock) {
            ch.Band(p.subBlock - kFirstBandSubBlock)
                .SetBypass((after ? p.bypassAfter : p.bypassBefore) ? 1 : 0);
        }
    }
    const SystemValues& sys = after ? delta.after : delta.before;
    auto& bytes = state.image.systemBytes;
    bytes[sysbyte::kModeCh12] = sys.mode;
    bytes[sysbyte::kSensitivity1] = sys.sensitivity[0];
    bytes[sysbyte::kSensitivity1 + 1] = sys.sensitivity[1];
    channels.SetCh1Ch2Linked(sys.linked);
    channels.SetSending(sending);
}

}  // namespace tolmarin
