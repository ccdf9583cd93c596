#include "model/ChannelSet.h"

#include <stdexcept>
#include <string>

#include "model/Colour.h"
#include "model/Parameters.h"
#include "protocol/ByteOrder.h"
#include "protocol/DeviceImage.h"
#include "protocol/FrameBuilder.h"
#include "text/NumberText.h"

namespace tolmarin {

namespace {

constexpr int kBandCount = 8;
constexpr int kCrossoverNumber = 2;
constexpr int kLowPassDefault = 20000;
constexpr int kModeBridged = 2;

// Input gain for each input sensitivity: 0.775 V, 1 V, 1.4 V.
constexpr std::int16_t kSensitivityGain[] = {600, 578, 549};

}  // namespace

OutputChannel& FourChannels::Add(std::unique_ptr<OutputChannel> record) {
    m_records.push_back(std::move(record));
    return *m_records.back();
}

OutputChannel& FourChannels::At(int i) {
    return *m_records.at(static_cast<std::size_t>(i));
}

const OutputChannel& FourChannels::At(int i) const {
    return *m_records.at(static_cast<std::size_t>(i));
}

ChannelSet::ChannelSet(SharedState& state) : m_state(&state) {
    for (int c = 0; c < kChannelCount; ++c) {
        OutputChannel& r = m_channels.Add(std::make_unique<OutputChannel>(state, *this));
        r.SetColour(kChannelColours[c]);
        r.SetColourArgb(kChannelColoursArgb[c]);
        r.SetName("CH" + IntText(c + 1));
        r.Eq().CreateFilters(kBandCount, kCrossoverNumber, kLowPassDefault);
        r.SetIndex(static_cast<std::uint8_t>(c));
    }
}

void ChannelSet::LoadAllFromImage() {
    DeviceImage& image = m_state->image;
    auto routing = [&image](int ch) -> std::uint8_t& {
        return image.ChannelBlock(0, ch)[block::kInputRoute];
    };
    auto polarity = [&image](int ch) -> std::uint8_t& {
        return image.ChannelBlock(0, ch)[block::kPolarity];
    };

    switch (image.systemBytes[sysbyte::kModeCh12]) {
        case 0:
            routing(0) = 1;
            routing(1) = 2;
            break;
        case 1:
            routing(0) = 1;
            routing(1) = 1;
            break;
        default:
            break;
    }
    switch (image.systemBytes[sysbyte::kModeCh34]) {
        case 0:
            routing(2) = 1;
            routing(3) = 2;
            break;
        case 1:
            routing(2) = 1;
            routing(3) = 1;
            break;
        case 2:
            routing(2) = 1;
            polarity(3) = polarity(2) == 0 ? 1 : 0;
            break;
        default:
            break;
    }
    for (int c = 0; c < kChannelCount; ++c) {
        const int sensitivity = image.systemBytes[sysbyte::kSensitivity1 + c];
        if (sensitivity >= 0 && sensitivity <= 2) {
            WriteLeI16(image.ChannelBlock(0, c), block::kInputGain, kSensitivityGain[sensitivity]);
        }
    }
    for (int c = 0; c < kChannelCount; ++c) {
        Channel(c).LoadFromBlock(image.ChannelBlock(0, c));
    }
}

void ChannelSet::WriteAllToImage() {
    for (int c = 0; c < ChannelCount(); ++c) {
        Channel(c).WriteAll();
    }
}

std::unique_ptr<SendData> ChannelSet::NextPendingFrame() {
    for (int c = 0; c < ChannelCount(); ++c) {
        OutputChannel& r = Channel(c);
        if (r.TakePendingName()) {
            return r.EmitName();
        }
        if (r.TakePendingMain()) {
            return r.EmitMain(true);
        }
        if (r.ConsumeCrossoverPending()) {
            return r.EmitCrossover(true);
        }
        if (r.TakePendingVolume()) {
            return r.EmitVolume(true);
        }
        if (r.TakePendingLimiter()) {
            return r.EmitLimiter(true);
        }
        for (int k = 0; k < kBandCount; ++k) {
            Filter& band = r.Band(k);
            if (band.IsPending()) {
                band.AdvanceSentFreq(false);
                return r.EmitBand(k, band.GetNumber());
            }
        }
    }
    return BuildPoll(*m_state);
}

void ChannelSet::ClearAllPending(bool value) {
    for (int c = 0; c < ChannelCount(); ++c) {
        Channel(c).ClearPending(value);
    }
}

void ChannelSet::DropAllPending() {
    for (int c = 0; c < ChannelCount(); ++c) {
        Channel(c).DropPending();
    }
}

template <typename Fn>
void ChannelSet::ForEachPartner(int ch, Fn fn) {
    for (int k = 0; k < ChannelCount(); ++k) {
        if (k != ch && m_linkGroup[k] == m_linkGroup[ch]) {
            fn(Channel(k), k);
        }
    }
}

void ChannelSet::Edit(const ParamDef& d, int ch, int index, int value) {
    EditValueOf(d, Channel(ch), index, value);
    if (!d.linked) {
        return;
    }
    switch (d.filter) {
        case FilterPart::Band:
            MirrorFilter(ch, index);
            break;
        case FilterPart::HighPass:
            MirrorFilter(ch, kBandCount);
            break;
        case FilterPart::LowPass:
            MirrorFilter(ch, kBandCount + 1);
            break;
        case FilterPart::None:
            break;  // the record's setter has had its partners follow
    }
}

void ChannelSet::FollowEdit(const OutputChannel& source, const ParamDef& d) {
    const int ch = source.GetIndex();
    // A record not yet its set's (one being added) has no partners.
    if (!d.linked || ch >= ChannelCount() || &Channel(ch) != &source) {
        return;
    }
    const auto& sys = m_state->image.systemBytes;
    ForEachPartner(ch, [&](OutputChannel& p, int k) {
        if (d.tableHeld) {
            p.FollowValue(source, d);
            return;
        }
        switch (d.id) {
            case Param::Polarity:
            case Param::Delay: {
                // A bridged pair plays its second channel inverted: the partner's pair decides.
                const int mode = sys[k < 2 ? sysbyte::kModeCh12 : sysbyte::kModeCh34];
                p.FollowMain(source, mode == kModeBridged);
                break;
            }
            case Param::LimiterThreshold:
            case Param::LimiterAttack:
            case Param::LimiterRelease:
                p.FollowLimiter(source);
                break;
            case Param::Volume:
                p.FollowVolume(source);
                break;
            default:
                break;
        }
    });
}

void ChannelSet::MirrorFilter(int ch, int position) {
    const OutputChannel& source = Channel(ch);
    ForEachPartner(ch, [&](OutputChannel& p, int) {
        if (position < kBandCount) {
            p.Band(position).CopyEqFrom(source.Band(position));
        } else if (position == kBandCount) {
            p.HighPass().CopyCrossoverFrom(source.HighPass());
        } else {
            p.LowPass().CopyCrossoverFrom(source.LowPass());
        }
    });
}

void ChannelSet::LinkCh1Ch2(bool linkOpen, const FrameSink& send) {
    OutputChannel& ch2 = Channel(1);
    ch2.CopyLinkedFrom(Channel(0));
    if (linkOpen) {
        ch2.WriteAll();
        auto frame = BuildChannelBlock(*m_state, 0, 1);
        if (send) {
            send(std::move(frame));
        }
    }
    SetCh1Ch2Linked(true);
}

void ChannelSet::UnlinkCh1Ch2() {
    SetCh1Ch2Linked(false);
}

bool ChannelSet::Ch1Ch2Linked() const {
    return m_linkGroup[0] == m_linkGroup[1];
}

void ChannelSet::SetCh1Ch2Linked(bool linked) {
    m_linkGroup[1] = linked ? m_linkGroup[0] : 1;
}

bool ChannelSet::IsLinked(int ch) const {
    for (int k = 0; k < kChannelCount; ++k) {
        if (k != ch && m_linkGroup[k] == LinkGroup(ch)) {
            return true;
        }
    }
    return false;
}

}  // namespace tolmarin
