#include "protocol/ProgramCheck.h"

#include "protocol/ByteOrder.h"
#include "protocol/DeviceImage.h"
#include "text/NumberText.h"

namespace tolmarin {

namespace {

// Ranges of the step encodings.
constexpr int kMaxGainStep = 400;
constexpr int kMaxBandwidthStep = 59;
constexpr int kMaxDelayStep = 1467;
constexpr int kMaxThresholdStep = 400;
constexpr int kMaxAttackStep = 106;
constexpr int kMaxRelease = 5;
constexpr int kMaxVolumeStep = 600;
constexpr int kMaxInputGain = 600;  // 0 dB; the sensitivities trim below it
constexpr int kAllInputs = 0x0F;    // bit mask of the four amplifier inputs
// The grid's lowest entry, 19.7 Hz, held in whole Hz.
constexpr int kMinFreq = 19;
// Start-up content the editor keeps until something replaces it: live band slots read
// 1000 / 600 / 0 / 0 / 0, stored programs and crossovers never read are all zero.
constexpr int kUnsetBandFreq = 1000;
constexpr int kUnsetBandGain = 600;
constexpr int kMaxFreq = 20000;
constexpr int kShelfLimit = 2000;  // a low shelf stays at or below, a high shelf at or above
constexpr int kMaxFamily = 2;
constexpr int kMaxCrossoverSlope = 6;
constexpr int kMaxShelfSlope = 1;
constexpr int kMaxBandType = 2;  // peaking, low shelf, high shelf
constexpr int kChannelNameBytes = 8;
constexpr int kProgramNameChars = 15;  // byte 15 is the terminator, not judged
constexpr int kFirstPrintable = 0x20;
constexpr int kLastPrintable = 0x7F;  // as the amplifier's name replies are cleaned

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
    void Text(int channel, TextId field, std::span<const std::uint8_t> text) {
        bool ended = false;
        for (std::size_t i = 0; i < text.size() && !fault; ++i) {
            const int c = text[i];
            ended = ended || c == 0;
            const bool ok = ended ? c == 0 : (c >= kFirstPrintable && c <= kLastPrintable);
            if (!ok) {
                fault = ProgramFault{channel,
                                     -1,
                                     field,
                                     static_cast<int>(i) + 1,
                                     c,
                                     ended ? 0 : kFirstPrintable,
                                     ended ? 0 : kLastPrintable};
            }
        }
    }
};

void CheckChannel(Checker& k, int ch, std::span<const std::uint8_t> b) {
    k.Text(ch, TextId::FieldChannelName, b.subspan(block::kName, kChannelNameBytes));
    k.Range(ch, -1, TextId::FieldOutputOn, b[block::kOutputOn], 0, 1);
    k.Range(ch, -1, TextId::FieldPolarity, b[block::kPolarity], 0, 1);
    k.Range(ch, -1, TextId::FieldInputGain, ReadLeI16(b, block::kInputGain), 0, kMaxInputGain);
    k.Range(ch, -1, TextId::FieldDelay, ReadLeI16(b, block::kDelay), 0, kMaxDelayStep);
    k.Range(ch, -1, TextId::FieldInputRoute, b[block::kInputRoute], 0, kAllInputs);
    auto crossoverFreq = [&](TextId field, int at) {
        const int f = ReadLeI16(b, static_cast<std::size_t>(at));
        if (f != 0) {  // 0: never set
            k.Range(ch, -1, field, f, kMinFreq, kMaxFreq);
        }
    };
    crossoverFreq(TextId::FieldHighPassFreq, block::kHighPassFreq);
    k.Range(ch, -1, TextId::FieldHighPassFamily, b[block::kHighPassFamily], 0, kMaxFamily);
    k.Range(ch, -1, TextId::FieldHighPassSlope, b[block::kHighPassSlope], 0, kMaxCrossoverSlope);
    crossoverFreq(TextId::FieldLowPassFreq, block::kLowPassFreq);
    k.Range(ch, -1, TextId::FieldLowPassFamily, b[block::kLowPassFamily], 0, kMaxFamily);
    k.Range(ch, -1, TextId::FieldLowPassSlope, b[block::kLowPassSlope], 0, kMaxCrossoverSlope);
    k.Range(ch, -1, TextId::FieldThreshold, ReadLeI16(b, block::kLimitThreshold), 0,
            kMaxThresholdStep);
    k.Range(ch, -1, TextId::FieldAttack, b[block::kLimitAttack], 0, kMaxAttackStep);
    k.Range(ch, -1, TextId::FieldRelease, b[block::kLimitRelease], 0, kMaxRelease);
    k.Range(ch, -1, TextId::FieldVolume, ReadLeI16(b, block::kVolume), 0, kMaxVolumeStep);
    for (int band = 0; band < 8; ++band) {
        const std::size_t at = block::kBands + static_cast<std::size_t>(band) * 8;
        const int freq = ReadLeI16(b, at);
        const int gain = ReadLeI16(b, at + 2);
        const bool rest = ReadLeI16(b, at + 4) == 0 && b[at + 6] == 0 && b[at + 7] == 0;
        if (rest &&
            ((freq == 0 && gain == 0) || (freq == kUnsetBandFreq && gain == kUnsetBandGain))) {
            continue;  // a slot never set
        }
        const int type = b[at + 7];
        k.Range(ch, band, TextId::FieldBandType, type, 0, kMaxBandType);
        const int low = type == 2 ? kShelfLimit : kMinFreq;
        const int high = type == 1 ? kShelfLimit : kMaxFreq;
        k.Range(ch, band, TextId::FieldBandFreq, freq, low, high);
        k.Range(ch, band, TextId::FieldBandGain, gain, 0, kMaxGainStep);
        k.Range(ch, band, TextId::FieldBandWidth, ReadLeI16(b, at + 4), 0, kMaxBandwidthStep);
        // A peaking band keeps the slope of the shelf it was before; the amplifier ignores it.
        k.Range(ch, band, TextId::FieldBandSlope, b[at + 6], 0, kMaxShelfSlope);
    }
}

}  // namespace

std::optional<ProgramFault> CheckProgram(std::span<const std::uint8_t, kProgramRecordSize> record) {
    Checker k;
    k.Text(-1, TextId::FieldProgramName, record.first(kProgramNameChars));
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
