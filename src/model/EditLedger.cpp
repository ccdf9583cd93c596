#include "model/EditLedger.h"

#include <algorithm>

#include "model/ChannelSet.h"
#include "protocol/ByteOrder.h"
#include "protocol/DeviceImage.h"
#include "text/NumberText.h"

namespace tolmarin {

namespace {

// Frame bytes after the 0x5A 0x5A 0x5A 0x48 start.
constexpr std::size_t kCommandAt = 4;
constexpr std::size_t kProgramAt = 5;
constexpr std::size_t kSectionAt = 7;
constexpr std::size_t kChannelAt = 8;
constexpr std::size_t kSubBlockAt = 9;
constexpr std::size_t kPayloadAt = kFrameHeaderSize;

struct LiveWrite {
    std::size_t offset = 0;  // into the four channel blocks
    std::size_t length = 0;
};

// Where a frame writes into the live program's channel blocks; length 0 when it does not.
LiveWrite WhereWritten(std::span<const std::uint8_t> f) {
    if (f.size() <= kPayloadAt || f[kProgramAt] != 0) {
        return {};
    }
    const std::size_t channel = f[kChannelAt];
    LiveWrite w;
    if (f[kCommandAt] == CMD_WRITE && f[kSectionAt] == SECTION_SUBBLOCK &&
        channel < kChannelCount && f[kSubBlockAt] < kSubBlocksPerChannel) {
        w = {channel * kChannelBlockSize + f[kSubBlockAt] * std::size_t{kSubBlockSize},
             kSubBlockSize};
    } else if (f[kCommandAt] == CMD_WRITE_CHANNEL && channel < kChannelCount) {
        w = {channel * kChannelBlockSize, kChannelBlockSize};
    } else if (f[kCommandAt] == CMD_WRITE_PROGRAM) {
        w = {0, kProgramDataSize};
    }
    return f.size() >= kPayloadAt + w.length ? w : LiveWrite{};
}

TextId NameOf(Param p) {
    switch (p) {
        case Param::Name:
            return TextId::EditName;
        case Param::Mute:
            return TextId::EditMute;
        case Param::Polarity:
            return TextId::EditPolarity;
        case Param::Delay:
            return TextId::EditDelay;
        case Param::HpFreq:
            return TextId::EditHpFreq;
        case Param::HpFamily:
            return TextId::EditHpFamily;
        case Param::HpSlope:
            return TextId::EditHpSlope;
        case Param::LpFreq:
            return TextId::EditLpFreq;
        case Param::LpFamily:
            return TextId::EditLpFamily;
        case Param::LpSlope:
            return TextId::EditLpSlope;
        case Param::LimiterThreshold:
            return TextId::EditThreshold;
        case Param::LimiterAttack:
            return TextId::EditAttack;
        case Param::LimiterRelease:
            return TextId::EditRelease;
        case Param::Volume:
            return TextId::EditVolume;
        case Param::BandType:
            return TextId::EditBandType;
        case Param::BandFreq:
            return TextId::EditBandFreq;
        case Param::BandGain:
            return TextId::EditBandGain;
        case Param::BandWidth:
            return TextId::EditBandWidth;
        case Param::BandSlope:
            return TextId::EditBandSlope;
        default:
            return TextId::Count;
    }
}

// An operator's value with bytes of its own in the channel block.
bool Tracked(const ParamDef& d) {
    return d.scope != ParamScope::System && d.offset != kNoByte && NameOf(d.id) != TextId::Count;
}

std::string Replace(std::string text, const std::string& value) {
    const std::size_t at = text.find("%1");
    if (at != std::string::npos) {
        text.replace(at, 2, value);
    }
    return text;
}

}  // namespace

bool IsLiveEditFrame(std::span<const std::uint8_t> frame) {
    return WhereWritten(frame).length != 0;
}

bool EditLedger::Acknowledge(std::span<const std::uint8_t> frame) {
    const LiveWrite w = WhereWritten(frame);
    if (w.length == 0) {
        return false;
    }
    std::copy_n(frame.begin() + static_cast<std::ptrdiff_t>(kPayloadAt), w.length,
                m_held.begin() + static_cast<std::ptrdiff_t>(w.offset));
    return true;
}

std::vector<UnsentEdit> EditLedger::Differences(const ChannelBlocks& current) const {
    return DifferencesBetween(m_held, current);
}

std::vector<UnsentEdit> DifferencesBetween(const ChannelBlocks& held,
                                           const ChannelBlocks& current) {
    std::vector<UnsentEdit> edits;
    for (int ch = 0; ch < kChannelCount; ++ch) {
        const std::size_t base = static_cast<std::size_t>(ch) * kChannelBlockSize;
        const auto differs = [&](const ParamDef& d, int band) {
            const std::size_t at = base + static_cast<std::size_t>(ParamOffset(d, band));
            return !std::equal(current.begin() + at, current.begin() + at + d.width,
                               held.begin() + at);
        };
        for (const ParamDef& d : AllParams()) {
            if (Tracked(d) && d.scope == ParamScope::Channel && differs(d, 0)) {
                edits.push_back({ch, -1, d.id});
            }
        }
        for (int band = 0; band < kEqBandCount; ++band) {
            for (const ParamDef& d : AllParams()) {
                if (Tracked(d) && d.scope == ParamScope::Band && differs(d, band)) {
                    edits.push_back({ch, band, d.id});
                }
            }
        }
    }
    return edits;
}

ChannelBlocks RecordBlocks(ChannelSet& channels) {
    // The records write themselves only into the live program: let them, take the result and
    // put the live program back as it was.
    SharedState& state = channels.State();
    // A name the amplifier sent longer than the records take is refused with a message when
    // it is stored; looking is not storing, so nothing is said.
    MessageSink* const sink = state.ui.sink;
    state.ui.sink = nullptr;
    const auto live = state.image.Data(0);
    ChannelBlocks saved{};
    std::copy(live.begin(), live.end(), saved.begin());
    channels.WriteAllToImage();
    ChannelBlocks blocks{};
    std::copy(live.begin(), live.end(), blocks.begin());
    std::copy(saved.begin(), saved.end(), live.begin());
    state.ui.sink = sink;
    return blocks;
}

std::string DescribeEdits(const std::vector<UnsentEdit>& edits, const UiState& ui) {
    std::string text;
    for (const UnsentEdit& e : edits) {
        text += text.empty() ? "" : ", ";
        text += "CH" + IntText(e.channel + 1) + ' ';
        text += Replace(ui.Text(NameOf(e.param)), IntText(e.band + 1));
    }
    return text;
}

}  // namespace tolmarin
