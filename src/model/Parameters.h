#pragma once

#include <array>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "model/BandRecord.h"
#include "model/Codec.h"
#include "model/OutputChannel.h"
#include "model/ValueEntry.h"
#include "protocol/DeviceImage.h"
#include "protocol/Protocol.h"
#include "response/FilterMath.h"
#include "text/SelectionLists.h"
#include "text/Texts.h"

namespace tolmarin {

// Every value the operator can set on an output channel or on the amplifier as a whole.
// The enumerators follow the order of the parameter table below: channel values in block
// order, then one band's values in the order the program check judges them, then the
// system items.
enum class Param : int {
    Name,
    Mute,
    Polarity,
    InputGain,
    Delay,
    InputRoute,
    InputA,
    InputB,
    HpFreq,
    HpFamily,
    HpSlope,
    LpFreq,
    LpFamily,
    LpSlope,
    LimiterThreshold,
    LimiterAttack,
    LimiterRelease,
    Volume,
    BandType,
    BandFreq,
    BandGain,
    BandWidth,
    BandSlope,
    BandBypass,
    SystemMode,
    SystemSensitivity,
    SystemPower,
    Count
};
inline constexpr int kParamCount = static_cast<int>(Param::Count);

// Where a parameter lives: once per channel block, once per equaliser band of the block
// (eight times), or among the system bytes.
enum class ParamScope { Channel, Band, System };

// How the operator edits it.
enum class EditKind {
    None,    // set by something else (a system item, the mode), never typed
    Text,    // a name
    Number,  // a numeric field with its spin, perhaps a fader too
    List,    // a drop-down list: the position is the value
    Switch,  // a two-state button
};

// What a numeric field needs beyond the value: its unit and the index range it offers.
// The index range may differ from the steps the amplifier takes (the volume field counts
// whole dB, the frequency fields start at 20 Hz).
struct NumberEntry {
    int unit = entry::kFrequency;
    double step = 0.0;
    double offset = 0.0;
    int low = 0;
    int high = 0;
};

// A cell of the parameter table: the parameter's text for a channel (and band).
using CellText = std::string (*)(const OutputChannel& channel, int band);
// The value as the operator's control shows it (the volume in whole dB, a band's type as
// its position in the type list), and the operator's edit of it. index is the band.
using ReadValue = int (*)(const OutputChannel& channel, int index);
using EditValue = void (*)(OutputChannel& channel, int index, int value);

// The filter a parameter shapes, if any: the response graph redraws it and a linked
// channel copies it whole.
enum class FilterPart { None, Band, HighPass, LowPass };

struct TableRow {
    TextId label = TextId::Count;  // Count: no row
    CellText text = nullptr;
    constexpr bool Present() const { return label != TextId::Count; }
};

// Not held in a byte of its own.
inline constexpr int kNoByte = -1;

// One parameter described once: its identity and name (the form binds by name), where it
// lives, the steps the amplifier takes, how it is edited, the texts that name it in a
// fault and in the parameter table, and whether a linked channel follows it.
struct ParamDef {
    Param id = Param::Count;
    std::string_view name;
    ParamScope scope = ParamScope::Channel;
    // Channel block byte (a band's: in band 1's record), or system byte; kNoByte.
    int offset = kNoByte;
    int width = 1;  // bytes; a 16-bit value is little-endian
    int bit = -1;   // one bit of the byte, or -1 for the whole value
    // Sub-block its change travels in (a band's: band 1's); -1 for a system item.
    int subBlock = -1;
    std::uint8_t item = 0;  // system item code that sends it
    int low = 0;            // the steps the amplifier takes
    int high = 0;
    EditKind edit = EditKind::None;
    const Codec* codec = nullptr;                // its steps as the operator reads them
    NumberEntry number;                          // EditKind::Number
    SelectionList list = SelectionList::Family;  // EditKind::List
    TextId field = TextId::Count;                // names it in a program fault
    TextId stepName = TextId::Count;             // names it in an undo step; Count: none
    std::array<TableRow, 2> rows{};              // its parameter-table rows
    bool linked = false;                         // a linked channel takes it over
    bool tableHeld = false;  // no member of its own: the channel holds it by this row
    FilterPart filter = FilterPart::None;
    ReadValue read = nullptr;  // channel and band parameters the form edits
    EditValue write = nullptr;
};

// Equaliser bands of a channel.
inline constexpr int kEqBandCount = 8;

// --- Names the rest of the editor uses for the codecs' facts --------------------------------
// The grid's lowest entry, 19.7 Hz, held in whole Hz. A drag reaches it, so typing, the
// spins and the program check take it too: one range for every way in.
inline constexpr int kLowestFreqHz = codec::kFrequency.low;
inline constexpr int kHighestFreqHz = codec::kFrequency.high;
inline constexpr int kShelfSplitHz = codec::kShelfSplitHz;
inline constexpr int kFlatGainStep = codec::kBandGain.Flat();  // 0.0 dB
inline constexpr int kVolumeStepsPerDb = codec::kVolume.textStep;

namespace delaystep {
inline constexpr int kCoarse = codec::kCoarseDelayStep;
inline constexpr double kFineMs = codec::kFineDelayMs;
inline constexpr double kFirstCoarseMs = codec::kFirstCoarseDelayMs;
inline constexpr int kLongest = codec::kDelay.high;
inline constexpr double kLongestMs = codec::kDelay.Display(codec::kDelay.high);
}  // namespace delaystep

namespace attackstep {
inline constexpr int kFine = codec::kFineAttackSteps;
inline constexpr int kLongest = codec::kAttack.high;
}  // namespace attackstep

// --- The table ---------------------------------------------------------------------------

namespace detail {

constexpr ParamDef Placed(Param id, std::string_view name, int offset, int width, int low, int high,
                          TextId field) {
    ParamDef d;
    d.id = id;
    d.name = name;
    d.offset = offset;
    d.width = width;
    d.subBlock = offset >= 0 ? offset / kSubBlockSize : -1;
    d.low = low;
    d.high = high;
    d.field = field;
    return d;
}

// The step range is the codec's.
constexpr ParamDef Coded(Param id, std::string_view name, int offset, int width, const Codec& c,
                         TextId field) {
    ParamDef d = Placed(id, name, offset, width, c.low, c.high, field);
    d.codec = &c;
    return d;
}

constexpr ParamDef Number(ParamDef d, NumberEntry entry) {
    d.edit = EditKind::Number;
    d.number = entry;
    return d;
}

constexpr ParamDef List(ParamDef d, SelectionList list) {
    d.edit = EditKind::List;
    d.list = list;
    return d;
}

constexpr ParamDef Edit(ParamDef d, EditKind kind) {
    d.edit = kind;
    return d;
}

constexpr ParamDef Row(ParamDef d, TextId label, CellText text, TextId second = TextId::Count,
                       CellText secondText = nullptr) {
    d.rows = {TableRow{label, text}, TableRow{second, secondText}};
    return d;
}

constexpr ParamDef Linked(ParamDef d, FilterPart filter = FilterPart::None) {
    d.linked = true;
    d.filter = filter;
    return d;
}

constexpr ParamDef Access(ParamDef d, ReadValue read, EditValue write) {
    d.read = read;
    d.write = write;
    return d;
}

constexpr ParamDef InBand(ParamDef d) {
    d.scope = ParamScope::Band;
    if (d.offset != kNoByte) {
        d.offset += block::kBands;
        d.subBlock = d.offset / kSubBlockSize;
    }
    return d;
}

constexpr ParamDef System(ParamDef d, std::uint8_t item) {
    d.scope = ParamScope::System;
    d.subBlock = -1;
    d.item = item;
    return d;
}

constexpr ParamDef Named(ParamDef d, TextId stepName) {
    d.stepName = stepName;
    return d;
}

// A channel value with no member of its own; it travels in the main, limiter or volume
// sub-block.
constexpr ParamDef Held(ParamDef d) {
    d.tableHeld = true;
    return d;
}

constexpr ParamDef Bit(ParamDef d, int bit) {
    d.bit = bit;
    return d;
}

constexpr NumberEntry kFreqEntry{entry::kFrequency, 0.0, 0.0, codec::kFrequency.low,
                                 codec::kFrequency.high};
// The gain field shows index * step - offset dB.
constexpr NumberEntry kGainEntry{entry::kGain, codec::kBandGain.scale, -codec::kBandGain.zero,
                                 codec::kBandGain.low, codec::kBandGain.high};
// The volume field counts whole dB: one index per text of the stored count.
constexpr NumberEntry kVolumeEntry{entry::kVolume, codec::kVolume.scale* codec::kVolume.textStep,
                                   -codec::kVolume.zero, 0,
                                   codec::kVolume.high / codec::kVolume.textStep};
constexpr int kFullInputGain = 600;  // 0 dB; the sensitivities trim below it
constexpr int kAllInputs = 0x0F;     // the four amplifier inputs
constexpr int kChannelNameBytes = 8;
constexpr int kFirstPrintable = 0x20;
constexpr int kLastPrintable = 0x7F;  // as the amplifier's name replies are cleaned
constexpr int kLastSensitivity = 2;
constexpr int kLastMode = 2;

constexpr int kBandFreq = bandfield::kFreq, kBandGain = bandfield::kGain,
              kBandWidth = bandfield::kBandwidth, kBandSlope = bandfield::kSlope,
              kBandType = bandfield::kType;

template <typename T>
constexpr T Narrow(int v) {
    return static_cast<T>(v);
}

using C = const OutputChannel&;
using M = OutputChannel&;
using U8 = std::uint8_t;
using I16 = std::int16_t;

using enum Param;
inline constexpr std::array<ParamDef, kParamCount> kParams = {
    Edit(Named(Placed(Name, "name", block::kName, kChannelNameBytes, kFirstPrintable,
                      kLastPrintable, TextId::FieldChannelName),
               TextId::HistoryName),
         EditKind::Text),
    Access(
        Row(Edit(Named(Coded(Mute, "mute", block::kOutputOn, 1, codec::kOutputOn,
                             TextId::FieldOutputOn),
                       TextId::HistoryMute),
                 EditKind::Switch),
            TextId::RowMute, [](C c, int) { return c.OutputOnText(); }),
        [](C c, int) -> int { return c.GetOutputOn(); },
        [](M c, int, int v) { c.SetOutputOn(Narrow<U8>(v)); }),
    Access(
        Linked(Edit(Named(Coded(Polarity, "polarity", block::kPolarity, 1, codec::kPolarity,
                                TextId::FieldPolarity),
                          TextId::HistoryPolarity),
                    EditKind::Switch)),
        [](C c, int) -> int { return c.GetPolarity(); },
        [](M c, int, int v) { c.SetPolarity(Narrow<U8>(v)); }),
    Placed(InputGain, "input.gain", block::kInputGain, 2, 0, kFullInputGain,
           TextId::FieldInputGain),
    Access(
        Row(Linked(Number(
                Named(Coded(Delay, "delay", block::kDelay, 2, codec::kDelay, TextId::FieldDelay),
                      TextId::HistoryDelay),
                {entry::kDelayMs, 0.0, 0.0, codec::kDelay.low, codec::kDelay.high})),
            TextId::RowDelay, [](C c, int) { return c.DelayText(); }),
        [](C c, int) -> int { return c.GetDelay(); },
        [](M c, int, int v) { c.SetDelay(Narrow<I16>(v)); }),
    Placed(InputRoute, "input.route", block::kInputRoute, 1, 0, kAllInputs,
           TextId::FieldInputRoute),
    Row(Bit(Coded(InputA, "input.a", block::kInputRoute, 1, codec::kInput, TextId::FieldInputRoute),
            0),
        TextId::RowChA, [](C c, int) { return c.InputText(1); }),
    Row(Bit(Coded(InputB, "input.b", block::kInputRoute, 1, codec::kInput, TextId::FieldInputRoute),
            1),
        TextId::RowChB, [](C c, int) { return c.InputText(2); }),
    Access(
        Row(Linked(Number(Named(Coded(HpFreq, "hp.freq", block::kHighPassFreq, 2, codec::kFrequency,
                                      TextId::FieldHighPassFreq),
                                TextId::HistoryHpFreq),
                          kFreqEntry),
                   FilterPart::HighPass),
            TextId::RowHpfFreq, [](C c, int) { return c.HighPass().FreqText(); }),
        [](C c, int) { return c.HighPass().GetFreq(); },
        [](M c, int, int v) { c.HighPass().SetFreq(v, true); }),
    Access(
        Row(Linked(List(Named(Coded(HpFamily, "hp.family", block::kHighPassFamily, 1,
                                    codec::kFamily, TextId::FieldHighPassFamily),
                              TextId::HistoryHpFamily),
                        SelectionList::Family),
                   FilterPart::HighPass),
            TextId::RowHpfType, [](C c, int) { return c.HighPass().FamilyText(); }),
        [](C c, int) { return c.HighPass().GetFamily(); },
        [](M c, int, int v) { c.HighPass().SetFamily(v, true); }),
    Access(
        Row(Linked(List(Named(Coded(HpSlope, "hp.slope", block::kHighPassSlope, 1,
                                    codec::kCrossoverSlope, TextId::FieldHighPassSlope),
                              TextId::HistoryHpSlope),
                        SelectionList::CrossoverSlope),
                   FilterPart::HighPass),
            TextId::RowHpfOct, [](C c, int) { return c.HighPass().CrossoverSlopeText(); }),
        [](C c, int) { return c.HighPass().GetSlope(); },
        [](M c, int, int v) { c.HighPass().SetSlope(v, true); }),
    Access(
        Row(Linked(Number(Named(Coded(LpFreq, "lp.freq", block::kLowPassFreq, 2, codec::kFrequency,
                                      TextId::FieldLowPassFreq),
                                TextId::HistoryLpFreq),
                          kFreqEntry),
                   FilterPart::LowPass),
            TextId::RowLpfFreq, [](C c, int) { return c.LowPass().FreqText(); }),
        [](C c, int) { return c.LowPass().GetFreq(); },
        [](M c, int, int v) { c.LowPass().SetFreq(v, true); }),
    Access(
        Row(Linked(List(Named(Coded(LpFamily, "lp.family", block::kLowPassFamily, 1, codec::kFamily,
                                    TextId::FieldLowPassFamily),
                              TextId::HistoryLpFamily),
                        SelectionList::Family),
                   FilterPart::LowPass),
            TextId::RowLpfType, [](C c, int) { return c.LowPass().FamilyText(); }),
        [](C c, int) { return c.LowPass().GetFamily(); },
        [](M c, int, int v) { c.LowPass().SetFamily(v, true); }),
    Access(
        Row(Linked(List(Named(Coded(LpSlope, "lp.slope", block::kLowPassSlope, 1,
                                    codec::kCrossoverSlope, TextId::FieldLowPassSlope),
                              TextId::HistoryLpSlope),
                        SelectionList::CrossoverSlope),
                   FilterPart::LowPass),
            TextId::RowLpfOct, [](C c, int) { return c.LowPass().CrossoverSlopeText(); }),
        [](C c, int) { return c.LowPass().GetSlope(); },
        [](M c, int, int v) { c.LowPass().SetSlope(v, true); }),
    Access(
        Row(Linked(Number(Named(Coded(LimiterThreshold, "limiter.threshold", block::kLimitThreshold,
                                      2, codec::kThreshold, TextId::FieldThreshold),
                                TextId::HistoryThreshold),
                          {entry::kLevel, codec::kThreshold.scale, 0.0, codec::kThreshold.low,
                           codec::kThreshold.high})),
            TextId::RowThreshold, [](C c, int) { return c.ThresholdText(); }),
        [](C c, int) -> int { return c.GetLimitThreshold(); },
        [](M c, int, int v) { c.SetLimitThreshold(Narrow<I16>(v)); }),
    Access(
        Row(Linked(Number(Named(Coded(LimiterAttack, "limiter.attack", block::kLimitAttack, 1,
                                      codec::kAttack, TextId::FieldAttack),
                                TextId::HistoryAttack),
                          {entry::kAttack, 0.0, 0.0, codec::kAttack.low, codec::kAttack.high})),
            TextId::RowAttack, [](C c, int) { return c.AttackText(); }),
        [](C c, int) -> int { return c.GetLimitAttack(); },
        [](M c, int, int v) { c.SetLimitAttack(Narrow<U8>(v)); }),
    Access(
        Row(Linked(List(Named(Coded(LimiterRelease, "limiter.release", block::kLimitRelease, 1,
                                    codec::kRelease, TextId::FieldRelease),
                              TextId::HistoryRelease),
                        SelectionList::Release)),
            TextId::RowRelease, [](C c, int) { return c.ReleaseText(); }),
        [](C c, int) -> int { return c.GetLimitRelease(); },
        [](M c, int, int v) { c.SetLimitRelease(Narrow<U8>(v)); }),
    Access(
        Row(Linked(Number(Named(Coded(Volume, "volume", block::kVolume, 2, codec::kVolume,
                                      TextId::FieldVolume),
                                TextId::HistoryVolume),
                          kVolumeEntry)),
            TextId::RowVol, [](C c, int) { return c.VolumeText(); }),
        [](C c, int) { return c.GetVolumeDb(); }, [](M c, int, int v) { c.SetVolumeDb(v); }),
    // The form's type list joins the type byte and the shelf slope (see Filter::SetEqKind).
    Access(
        Row(Linked(List(InBand(Named(Coded(BandType, "band.type", kBandType, 1, codec::kBandType,
                                           TextId::FieldBandType),
                                     TextId::HistoryBandType)),
                        SelectionList::BandType),
                   FilterPart::Band),
            TextId::RowEqType, [](C c, int k) { return c.Band(k).TypeText(); }),
        [](C c, int k) { return c.Band(k).GetEqKind(); },
        [](M c, int k, int v) { c.Band(k).SetEqKind(v); }),
    Access(
        Row(Linked(Number(InBand(Named(Coded(BandFreq, "band.freq", kBandFreq, 2, codec::kFrequency,
                                             TextId::FieldBandFreq),
                                       TextId::HistoryBandFreq)),
                          kFreqEntry),
                   FilterPart::Band),
            TextId::RowEqFreq, [](C c, int k) { return c.Band(k).FreqText(); }),
        [](C c, int k) { return c.Band(k).GetFreq(); },
        [](M c, int k, int v) { c.Band(k).SetFreq(v, true); }),
    Access(
        Row(Linked(Number(InBand(Named(Coded(BandGain, "band.gain", kBandGain, 2, codec::kBandGain,
                                             TextId::FieldBandGain),
                                       TextId::HistoryBandGain)),
                          kGainEntry),
                   FilterPart::Band),
            TextId::RowEqGain, [](C c, int k) { return c.Band(k).GainText(); }),
        [](C c, int k) { return c.Band(k).GetGainStep(); },
        [](M c, int k, int v) { c.Band(k).SetGainStep(v); }),
    // A shelf shows its slope where a peaking band shows its bandwidth and Q.
    Access(
        Row(
            Linked(Number(InBand(Named(Coded(BandWidth, "band.width", kBandWidth, 2,
                                             codec::kBandwidth, TextId::FieldBandWidth),
                                       TextId::HistoryBandWidth)),
                          {entry::kBandQ, codec::kBandwidth.scale, 0.0, codec::kBandwidth.low,
                           codec::kBandwidth.high}),
                   FilterPart::Band),
            TextId::RowEqBw,
            [](C c, int k) {
                const Filter& f = c.Band(k);
                return f.GetType() == filter::kPeaking ? f.BandwidthText() : f.ShelfSlopeText();
            },
            TextId::RowEqQ,
            [](C c, int k) {
                const Filter& f = c.Band(k);
                return f.GetType() == filter::kPeaking ? f.QText() : std::string();
            }),
        [](C c, int k) { return c.Band(k).GetBandwidthStep(); },
        [](M c, int k, int v) { c.Band(k).SetBandwidthStep(v); }),
    // A peaking band keeps the slope of the shelf it was before; the amplifier ignores it.
    Linked(InBand(Named(Coded(BandSlope, "band.slope", kBandSlope, 1, codec::kShelfSlope,
                              TextId::FieldBandSlope),
                        TextId::HistoryBandSlope)),
           FilterPart::Band),
    // A bypassed band is sent flat; the flag itself is the editor's.
    Access(
        Linked(Edit(InBand(Named(Placed(BandBypass, "band.bypass", kNoByte, 1, 0, 1, TextId::Count),
                                 TextId::HistoryBandBypass)),
                    EditKind::Switch),
               FilterPart::Band),
        [](C c, int k) { return c.Band(k).GetBypass() ? 1 : 0; },
        [](M c, int k, int v) { c.Band(k).SetBypass(v != 0); }),
    List(System(
             Placed(SystemMode, "system.mode", sysbyte::kModeCh12, 1, 0, kLastMode, TextId::Count),
             ITEM_MODES),
         SelectionList::AmpMode),
    List(System(Placed(SystemSensitivity, "system.sensitivity", sysbyte::kSensitivity1, 1, 0,
                       kLastSensitivity, TextId::Count),
                ITEM_SENSITIVITY),
         SelectionList::Sensitivity),
    Edit(System(Placed(SystemPower, "system.power", sysbyte::kPower, 1, 0, 1, TextId::Count),
                ITEM_POWER),
         EditKind::Switch),
};

constexpr bool InEnumOrder() {
    for (int i = 0; i < kParamCount; ++i) {
        if (static_cast<int>(kParams[i].id) != i) {
            return false;
        }
    }
    return true;
}
static_assert(InEnumOrder(), "the table lists the parameters in the order of their enum");

constexpr bool HeldRowsFit() {
    for (const ParamDef& d : kParams) {
        if (d.tableHeld && (d.scope != ParamScope::Channel ||
                            (d.subBlock != subblock::kMain && d.subBlock != subblock::kLimiter &&
                             d.subBlock != subblock::kVolume))) {
            return false;
        }
    }
    return true;
}
static_assert(HeldRowsFit(),
              "a table-held value is a channel's, in the main, limiter or volume "
              "sub-block");

}  // namespace detail

inline constexpr const ParamDef& ParamOf(Param p) {
    return detail::kParams[static_cast<std::size_t>(p)];
}

inline constexpr std::span<const ParamDef> AllParams() {
    return detail::kParams;
}

// The value as the operator's control shows it, and the operator's edit of it, whether the
// channel holds it in a member or by its table row.
inline int ReadValueOf(const ParamDef& d, const OutputChannel& c, int band) {
    return d.read != nullptr ? d.read(c, band) : c.Value(d);
}
inline void EditValueOf(const ParamDef& d, OutputChannel& c, int band, int value) {
    if (d.write != nullptr) {
        d.write(c, band, value);
    } else {
        c.SetValue(d, value);
    }
}

// The parameter of a name such as "band.gain"; nothing for an unknown name.
const ParamDef* ParamByName(std::string_view name);

// The frequencies a band's field offers for its kind in the type list (0 peaking, 1 and 2
// low shelves, 3 and 4 high shelves).
struct StepRange {
    int low = 0;
    int high = 0;
};
StepRange BandFreqEntryRange(int eqKind);
// The frequencies the amplifier takes for a band of a type byte (0 peaking, 1 low shelf,
// 2 high shelf).
StepRange BandFreqRange(int type);

// A parameter's value in a channel block (band: in band `band`'s record); the whole value,
// or its bit. Channel and band parameters that are stored only.
int ReadParam(std::span<const std::uint8_t> block, const ParamDef& def, int band = 0);
// Puts value there; no other byte (no other bit of a bit's byte) changes.
void WriteParam(std::span<std::uint8_t> block, const ParamDef& def, int value, int band = 0);
// The byte offset of the parameter in the block (band: band `band`'s).
int ParamOffset(const ParamDef& def, int band = 0);

}  // namespace tolmarin
