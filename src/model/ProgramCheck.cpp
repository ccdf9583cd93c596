#include "model/ProgramCheck.h"

#include "model/Parameters.h"
#include "text/NumberText.h"

namespace tolmarin {

namespace {

// Start-up content the editor keeps until something replaces it: live band slots read
// 1000 / 600 / 0 / 0 / 0, stored programs and crossovers never read are all zero.
constexpr int kUnsetBandFreq = 1000;
constexpr int kUnsetBandGain = 600;
constexpr int kProgramNameChars = 15;  // byte 15 is the terminator, not judged

class Checker {
public:
    std::optional<ProgramFault> fault;

    // value must lie in low..high.
    void Range(int channel, int band, TextId field, int value, int low, int high) {
        if (!fault && (value < low || value > high)) {
            fault = ProgramFault{channel, band, field, -1, value, low, high};
        }
    }
    // Printable characters, then only 0 bytes to the end of the slot.
    void Text(int channel, TextId field, std::span<const std::uint8_t> text, int first, int last) {
        bool ended = false;
        for (std::size_t i = 0; i < text.size() && !fault; ++i) {
            const int c = text[i];
            ended = ended || c == 0;
            const bool ok = ended ? c == 0 : (c >= first && c <= last);
            if (!ok) {
                fault = ProgramFault{
                    channel,         -1, field, static_cast<int>(i) + 1, c, ended ? 0 : first,
                    ended ? 0 : last};
            }
        }
    }
};

const ParamDef& NameParam() {
    return ParamOf(Param::Name);
}

// The values judged once per channel: those stored in a byte or word of their own.
bool JudgedOnce(const ParamDef& d) {
    return d.scope == ParamScope::Channel && d.offset != kNoByte && d.bit < 0 &&
           d.edit != EditKind::Text;
}

bool IsCrossoverFreq(const ParamDef& d) {
    return d.id == Param::HpFreq || d.id == Param::LpFreq;
}

bool SlotNeverSet(std::span<const std::uint8_t> b, int band) {
    const int freq = ReadParam(b, ParamOf(Param::BandFreq), band);
    const int gain = ReadParam(b, ParamOf(Param::BandGain), band);
    const bool rest = ReadParam(b, ParamOf(Param::BandWidth), band) == 0 &&
                      ReadParam(b, ParamOf(Param::BandSlope), band) == 0 &&
                      ReadParam(b, ParamOf(Param::BandType), band) == 0;
    return rest && ((freq == 0 && gain == 0) || (freq == kUnsetBandFreq && gain == kUnsetBandGain));
}

void CheckChannel(Checker& k, int ch, std::span<const std::uint8_t> b) {
    const ParamDef& name = NameParam();
    k.Text(ch, name.field,
           b.subspan(static_cast<std::size_t>(name.offset), static_cast<std::size_t>(name.width)),
           name.low, name.high);
    for (const ParamDef& d : AllParams()) {
        if (!JudgedOnce(d)) {
            continue;
        }
        const int value = ReadParam(b, d);
        if (IsCrossoverFreq(d) && value == 0) {
            continue;  // never set
        }
        k.Range(ch, -1, d.field, value, d.low, d.high);
    }
    for (int band = 0; band < kEqBandCount; ++band) {
        if (SlotNeverSet(b, band)) {
            continue;
        }
        const int type = ReadParam(b, ParamOf(Param::BandType), band);
        for (const ParamDef& d : AllParams()) {
            if (d.scope != ParamScope::Band || d.offset == kNoByte) {
                continue;
            }
            StepRange range{d.low, d.high};
            if (d.id == Param::BandFreq) {
                range = BandFreqRange(type);
            }
            k.Range(ch, band, d.field, ReadParam(b, d, band), range.low, range.high);
        }
    }
}

}  // namespace

std::optional<ProgramFault> CheckProgram(std::span<const std::uint8_t, kProgramRecordSize> record) {
    Checker k;
    k.Text(-1, TextId::FieldProgramName, record.first(kProgramNameChars), NameParam().low,
           NameParam().high);
    for (int ch = 0; ch < kChannelCount && !k.fault; ++ch) {
        CheckChannel(
            k, ch,
            record.subspan(kProgramNameSize + static_cast<std::size_t>(ch) * kChannelBlockSize,
                           kChannelBlockSize));
    }
    return k.fault;
}

std::string DescribeFault(const ProgramFault& f, Language language) {
    std::string text;
    if (f.channel >= 0) {
        text += "CH" + IntText(f.channel + 1) + ' ';
    }
    if (f.band >= 0) {
        text += std::string(Tr(TextId::FieldBand, language)) + ' ' + IntText(f.band + 1) + ' ';
    }
    text += Tr(f.field, language);
    if (f.index >= 0) {
        text += ' ' + IntText(f.index);
    }
    return text + ' ' + IntText(f.value) + " (" + IntText(f.low) + ".." + IntText(f.high) + ')';
}

}  // namespace tolmarin
