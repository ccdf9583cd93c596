#include "model/OutputChannel.h"

#include <algorithm>
#include <utility>

#include "model/ChannelSet.h"
#include "model/Parameters.h"
#include "model/ValueText.h"
#include "protocol/ByteOrder.h"
#include "protocol/DeviceImage.h"
#include "protocol/FrameBuilder.h"

namespace tolmarin {

namespace {

constexpr int kMaxVolume = ParamOf(Param::Volume).high;

std::int16_t LimitVolume(long long v) {
    return static_cast<std::int16_t>(std::clamp<long long>(v, 0, kMaxVolume));
}

}  // namespace

OutputChannel::OutputChannel(SharedState& state, ChannelSet& set)
    : m_state(&state), m_set(&set), m_eq(state, set.Mode()) {}

OutputChannel::~OutputChannel() = default;

bool OutputChannel::Mark() const {
    return m_set->Mode().on;
}

void OutputChannel::Changed(Param id) {
    m_set->FollowEdit(*this, ParamOf(id));
}

// --- What a linked partner takes over (the channel set decides who and how) --------------

void OutputChannel::FollowMain(const OutputChannel& source, bool invertPolarity) {
    m_polarity = invertPolarity ? (source.m_polarity == 0 ? 1 : 0) : source.m_polarity;
    m_delay = source.m_delay;
    m_pendingMain = Mark();
}

void OutputChannel::FollowLimiter(const OutputChannel& source) {
    m_limitThreshold = source.m_limitThreshold;
    m_limitAttack = source.m_limitAttack;
    m_limitRelease = source.m_limitRelease;
    m_pendingLimiter = Mark();
}

void OutputChannel::FollowVolume(const OutputChannel& source) {
    m_volumeAux = source.m_volumeAux;
    m_volume = source.m_volume;
    m_pendingVolume = Mark();
}

void OutputChannel::FollowValue(const OutputChannel& source, const ParamDef& def) {
    WriteParam(m_tableValues, def, source.Value(def));
    *PendingOf(def.subBlock) = Mark();
}

// --- Setters -------------------------------------------------------------------------------

void OutputChannel::SetName(const std::string& name) {
    m_name = name;
    m_pendingName = Mark();
}

void OutputChannel::SetOutputOn(std::uint8_t on) {
    m_outputOn = on;
    m_pendingMain = Mark();
}

void OutputChannel::SetPolarity(std::uint8_t polarity) {
    m_polarity = polarity;
    Changed(Param::Polarity);
    m_pendingMain = Mark();
}

void OutputChannel::SetDelay(std::int16_t delay) {
    m_delay = delay;
    Changed(Param::Delay);
    m_pendingMain = Mark();
}

void OutputChannel::SetInputGain(std::int16_t gain) {
    m_inputGain = gain;
    m_pendingMain = Mark();
}

void OutputChannel::SetInputRoute(std::uint8_t route) {
    m_inputRoute = route;
    m_pendingMain = Mark();
}

void OutputChannel::SetLimitThreshold(std::int16_t threshold) {
    m_limitThreshold = threshold;
    Changed(Param::LimiterThreshold);
    m_pendingLimiter = Mark();
}

void OutputChannel::SetLimitAttack(std::uint8_t attack) {
    m_limitAttack = attack;
    Changed(Param::LimiterAttack);
    m_pendingLimiter = Mark();
}

void OutputChannel::SetLimitRelease(std::uint8_t release) {
    m_limitRelease = release;
    Changed(Param::LimiterRelease);
    m_pendingLimiter = Mark();
}

void OutputChannel::SetVolumeDb(int db) {
    m_volume = LimitVolume(static_cast<long long>(db) * 10);
    Changed(Param::Volume);
    m_pendingVolume = Mark();
}

// --- Values held by the table alone ------------------------------------------------------

namespace {
constexpr int kAllSubBlocks = -1;

bool TableHeld(const ParamDef& d, int subBlock) {
    return d.tableHeld && (subBlock == kAllSubBlocks || d.subBlock == subBlock);
}
}  // namespace

int OutputChannel::Value(const ParamDef& def) const {
    return ReadParam(m_tableValues, def);
}

bool* OutputChannel::PendingOf(int subBlock) {
    switch (subBlock) {
        case subblock::kMain:
            return &m_pendingMain;
        case subblock::kLimiter:
            return &m_pendingLimiter;
        case subblock::kVolume:
            return &m_pendingVolume;
        default:
            return nullptr;  // a table row in another sub-block is refused at compile time
    }
}

void OutputChannel::SetValue(const ParamDef& def, int value) {
    WriteParam(m_tableValues, def, std::clamp(value, def.low, def.high));
    m_set->FollowEdit(*this, def);
    *PendingOf(def.subBlock) = Mark();
}

void OutputChannel::WriteTableValues(std::span<std::uint8_t, kChannelBlockSize> b,
                                     int subBlock) const {
    for (const ParamDef& d : AllParams()) {
        if (TableHeld(d, subBlock)) {
            WriteParam(b, d, Value(d));
        }
    }
}

void OutputChannel::WriteTableValues(std::span<std::uint8_t, kChannelBlockSize> b) const {
    WriteTableValues(b, kAllSubBlocks);
}

void OutputChannel::LoadTableValues(std::span<const std::uint8_t, kChannelBlockSize> b,
                                    int subBlock) {
    for (const ParamDef& d : AllParams()) {
        if (TableHeld(d, subBlock)) {
            WriteParam(m_tableValues, d, ReadParam(b, d));
        }
    }
}

// --- Block transfer ------------------------------------------------------------------------

std::span<std::uint8_t, kChannelBlockSize> OutputChannel::LiveBlock() {
    return m_state->image.ChannelBlock(0, m_index);
}

std::unique_ptr<SendData> OutputChannel::Frame(int subBlock) {
    return BuildChannelSubBlock(*m_state, m_index, subBlock);
}

void OutputChannel::WriteMain() {
    auto b = LiveBlock();
    b[block::kOutputOn] = m_outputOn;
    b[block::kPolarity] = m_polarity;
    WriteLeI16(b, block::kInputGain, m_inputGain);
    WriteLeI16(b, block::kDelay, m_delay);
    b[block::kInputRoute] = m_inputRoute;
    WriteTableValues(b, subblock::kMain);
}

void OutputChannel::WriteCrossover(bool sentFreq) {
    auto b = LiveBlock();
    const Filter& hp = HighPass();
    const Filter& lp = LowPass();
    auto freq = [sentFreq](const Filter& f) {
        return static_cast<std::int16_t>(sentFreq ? f.GetSentFreq() : f.GetFreq());
    };
    WriteLeI16(b, block::kHighPassFreq, freq(hp));
    b[block::kHighPassFamily] = static_cast<std::uint8_t>(hp.GetFamily());
    b[block::kHighPassSlope] = static_cast<std::uint8_t>(hp.GetSlope());
    WriteLeI16(b, block::kLowPassFreq, freq(lp));
    b[block::kLowPassFamily] = static_cast<std::uint8_t>(lp.GetFamily());
    b[block::kLowPassSlope] = static_cast<std::uint8_t>(lp.GetSlope());
}

void OutputChannel::WriteLimiter() {
    auto b = LiveBlock();
    WriteLeI16(b, block::kLimitThreshold, m_limitThreshold);
    b[block::kLimitAttack] = m_limitAttack;
    b[block::kLimitRelease] = m_limitRelease;
    WriteTableValues(b, subblock::kLimiter);
}

void OutputChannel::WriteVolume() {
    auto b = LiveBlock();
    b[block::kVolumeAux] = m_volumeAux;
    WriteLeI16(b, block::kVolume, m_volume);
    WriteTableValues(b, subblock::kVolume);
}

std::unique_ptr<SendData> OutputChannel::EmitName() {
    WriteFixedText(m_state->ui, LiveBlock().subspan(block::kName, 8), m_name);
    return Frame(subblock::kName);
}

std::unique_ptr<SendData> OutputChannel::EmitMain(bool send) {
    WriteMain();
    return send ? Frame(subblock::kMain) : nullptr;
}

std::unique_ptr<SendData> OutputChannel::EmitCrossover(bool send) {
    // The amplifier gets the sent frequency, which may still be climbing towards the
    // filter's frequency one octave per frame.
    WriteCrossover(true);
    return send ? Frame(subblock::kCrossover) : nullptr;
}

std::unique_ptr<SendData> OutputChannel::EmitLimiter(bool send) {
    WriteLimiter();
    return send ? Frame(subblock::kLimiter) : nullptr;
}

std::unique_ptr<SendData> OutputChannel::EmitVolume(bool send) {
    WriteVolume();
    return send ? Frame(subblock::kVolume) : nullptr;
}

std::unique_ptr<SendData> OutputChannel::EmitBand(int k, int subBlock) {
    auto b = LiveBlock();
    const std::size_t at = BandOffset(k);
    if (m_set->IsLinked(m_index)) {
        BandRecord record = ReadBandRecord(b, at);
        m_eq.StepBandRecord(record, k);
        WriteBandRecord(b, at, record);
    } else {
        WriteBandRecord(b, at, m_eq.BuildBandRecord(k));
    }
    return Frame(subBlock);
}

void OutputChannel::WriteAll() {
    auto b = LiveBlock();
    for (int k = 0; k < 8; ++k) {
        WriteBandRecord(b, BandOffset(k), m_eq.BuildBandRecord(k));
    }
    WriteFixedText(m_state->ui, b.subspan(block::kName, 8), m_name);
    WriteMain();
    // Out of step with the amplifier nothing is sent, so the sent frequency would hold an
    // offline edit back from files and mode changes: the block then takes the record's.
    WriteCrossover(Mark());
    WriteLimiter();
    WriteVolume();
}

void OutputChannel::LoadFromBlock(std::span<const std::uint8_t, kChannelBlockSize> b) {
    for (int k = 0; k < 8; ++k) {
        m_eq.LoadBand(ReadBandRecord(b, BandOffset(k)), k);
    }
    m_name = LoadFixedText(b.subspan(block::kName, 8), 8);

    auto loadCrossover = [&b](Filter& f, int at) {
        f.SetFreq(ReadLeI16(b, at), false);
        f.SetFamily(b[at + 2], false);
        f.SetSlope(b[at + 3], false);
        f.AdvanceSentFreq(false);
    };
    loadCrossover(HighPass(), block::kHighPassFreq);
    loadCrossover(LowPass(), block::kLowPassFreq);

    m_volumeAux = b[block::kVolumeAux];
    m_volume = LimitVolume(ReadLeI16(b, block::kVolume));

    m_outputOn = b[block::kOutputOn];
    m_polarity = b[block::kPolarity];
    m_delay = ReadLeI16(b, block::kDelay);
    m_inputGain = ReadLeI16(b, block::kInputGain);
    m_inputRoute = b[block::kInputRoute];

    m_limitThreshold = ReadLeI16(b, block::kLimitThreshold);
    m_limitAttack = b[block::kLimitAttack];
    m_limitRelease = b[block::kLimitRelease];
    LoadTableValues(b, kAllSubBlocks);
}

void OutputChannel::RestoreSubBlock(std::span<const std::uint8_t, kChannelBlockSize> b,
                                    int subBlock) {
    using namespace subblock;
    switch (subBlock) {
        case kName: {
            const auto name = b.first<8>();
            m_name.assign(name.begin(), std::ranges::find(name, std::uint8_t{0}));
            m_pendingName = Mark();
            break;
        }
        case kMain:
            m_outputOn = b[block::kOutputOn];
            m_polarity = b[block::kPolarity];
            m_inputGain = ReadLeI16(b, block::kInputGain);
            m_delay = ReadLeI16(b, block::kDelay);
            m_inputRoute = b[block::kInputRoute];
            LoadTableValues(b, subBlock);
            m_pendingMain = Mark();
            break;
        case kCrossover:
            // Restored unsent (a whole block follows), the sent frequency is the value at once.
            for (const auto& [f, at] : {std::pair{&HighPass(), block::kHighPassFreq},
                                        std::pair{&LowPass(), block::kLowPassFreq}}) {
                f->SetFamily(b[static_cast<std::size_t>(at) + 2], true);
                f->SetSlope(b[static_cast<std::size_t>(at) + 3], true);
                f->SetFreq(ReadLeI16(b, static_cast<std::size_t>(at)), Mark() != 0);
            }
            break;
        case kLimiter:
            m_limitThreshold = ReadLeI16(b, block::kLimitThreshold);
            m_limitAttack = b[block::kLimitAttack];
            m_limitRelease = b[block::kLimitRelease];
            LoadTableValues(b, subBlock);
            m_pendingLimiter = Mark();
            break;
        case kVolume:
            m_volumeAux = b[block::kVolumeAux];
            m_volume = LimitVolume(ReadLeI16(b, block::kVolume));
            LoadTableValues(b, subBlock);
            m_pendingVolume = Mark();
            break;
        default: {
            const int k = subBlock - kFirstBand;
            const BandRecord r = ReadBandRecord(b, BandOffset(k));
            Filter& f = Band(k);
            f.SetGainStep(r.gainStep);
            f.SetBandwidthStep(r.bandwidthStep);
            f.SetSlope(r.slope, true);
            f.SetType(r.type);
            f.SetFreq(r.freq, true);
            break;
        }
    }
}

// --- Pending state -------------------------------------------------------------------------

bool OutputChannel::ConsumeCrossoverPending() {
    bool any = false;
    for (Filter* f : {&HighPass(), &LowPass()}) {
        if (f->IsPending()) {
            f->AdvanceSentFreq(false);
            any = true;
        }
    }
    return any;
}

void OutputChannel::ClearPending(bool value) {
    m_pendingVolume = value;
    m_pendingMain = value;
    m_pendingLimiter = value;
    for (int i = 0; i < FilterCount(); ++i) {
        Band(i).AdvanceSentFreq(value);
    }
}

void OutputChannel::DropPending() {
    m_pendingName = false;
    m_pendingVolume = false;
    m_pendingMain = false;
    m_pendingLimiter = false;
    for (int i = 0; i < FilterCount(); ++i) {
        Band(i).DropPending();
    }
}

bool OutputChannel::TakePendingName() {
    return std::exchange(m_pendingName, false);
}

bool OutputChannel::TakePendingMain() {
    return std::exchange(m_pendingMain, false);
}

bool OutputChannel::TakePendingVolume() {
    return std::exchange(m_pendingVolume, false);
}

bool OutputChannel::TakePendingLimiter() {
    return std::exchange(m_pendingLimiter, false);
}

void OutputChannel::CopyLinkedFrom(const OutputChannel& source) {
    m_eq.CopyValuesFrom(source.m_eq);
    m_polarity = source.m_polarity;
    m_delay = source.m_delay;
    m_inputRoute = source.m_inputRoute;

    // The CH1/CH2 mode decides the routing of all four channel numbers.
    const int mode = m_state->image.systemBytes[sysbyte::kModeCh12];
    if (mode >= 0 && mode <= 2) {
        const bool second = (m_index % 2) == 1;
        m_inputRoute = (second && mode == 0) ? 2 : 1;
    }

    m_volumeAux = source.m_volumeAux;
    m_volume = source.m_volume;
    m_limitThreshold = source.m_limitThreshold;
    m_limitAttack = source.m_limitAttack;
    m_limitRelease = source.m_limitRelease;
    for (const ParamDef& d : AllParams()) {
        if (d.tableHeld && d.linked) {
            WriteParam(m_tableValues, d, source.Value(d));
        }
    }
}

// --- Texts ---------------------------------------------------------------------------------

std::string OutputChannel::VolumeText() const {
    return tolmarin::VolumeText(m_volume);
}

std::string OutputChannel::OutputOnText() const {
    return tolmarin::OutputOnText(m_outputOn, m_state->ui.language);
}

std::string OutputChannel::PolarityText() const {
    return tolmarin::PolarityText(m_polarity, m_state->ui.language);
}

std::string OutputChannel::DelayText() const {
    return tolmarin::DelayText(m_delay);
}

std::string OutputChannel::InputText(int n) const {
    return tolmarin::InputText(m_inputRoute, n);
}

std::string OutputChannel::ThresholdText() const {
    return tolmarin::ThresholdText(m_limitThreshold);
}

std::string OutputChannel::AttackText() const {
    return tolmarin::AttackText(m_limitAttack);
}

std::string OutputChannel::ReleaseText() const {
    return tolmarin::ReleaseText(m_limitRelease);
}

}  // namespace tolmarin
