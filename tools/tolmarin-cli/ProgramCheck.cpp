#include "ProgramCheck.h"

#include "CliArgs.h"
#include "protocol/ByteOrder.h"
#include "protocol/Protocol.h"

#include <vector>

namespace tolmarin::cli {

namespace {

// Offsets inside a channel block, and inside one of its band records.
constexpr int kOutputOn = 8, kPolarity = 9, kDelay = 12, kRoute = 14;
constexpr int kHighPass = 16, kLowPass = 20;  // frequency, family, slope
constexpr int kThreshold = 24, kAttack = 26, kRelease = 27, kVolume = 34;
constexpr int kFirstBand = 40, kBandRecordSize = 8, kShownBands = 8;

constexpr int kMaxDelayStep = 1467, kMaxLevelStep = 400, kMaxAttackStep = 106, kMaxReleaseIndex = 5,
              kMaxVolumeStep = 600, kMaxBandwidthStep = 59;
constexpr int kMinFreq = 19, kMaxFreq = 20000,  // the grid starts at 19.7 Hz
    kMaxFamily = 2, kMaxCrossoverSlope = 3, kMaxShelfSlope = 1, kMaxBandType = 2,
              kMaxRouteMask = 15;

}  // namespace

std::optional<std::string> FirstBadField(std::span<const std::uint8_t> record, const UiState& ui) {
    // Field names are the parameter table's short English names, in both languages.
    const auto bad = [&](const std::string& field, int value, int lo, int hi) {
        return Fill(ui.Text(TextId::CliFieldOutOfRange),
                    {field, std::to_string(value), std::to_string(lo), std::to_string(hi)});
    };
    for (int i = 0; i < kProgramNameSize - 1; ++i) {
        const int c = record[static_cast<std::size_t>(i)];
        if (c != 0 && (c < 0x20 || c > 0x7E)) {
            return bad("name byte " + std::to_string(i + 1), c, 0x20, 0x7E);
        }
    }
    for (int ch = 0; ch < kChannelCount; ++ch) {
        const auto b = record.subspan(
            static_cast<std::size_t>(kProgramNameSize + ch * kChannelBlockSize), kChannelBlockSize);
        const std::string c = "CH" + std::to_string(ch + 1) + " ";
        struct Field {
            std::string name;
            int value;
            int lo;
            int hi;
        };
        std::vector<Field> fields{
            {"output on", b[kOutputOn], 0, 1},
            {"polarity", b[kPolarity], 0, 1},
            {"delay", ReadLeI16(b, kDelay), 0, kMaxDelayStep},
            {"input routing", b[kRoute], 1, kMaxRouteMask},
            {"HPF freq", ReadLeI16(b, kHighPass), kMinFreq, kMaxFreq},
            {"HPF type", b[kHighPass + 2], 0, kMaxFamily},
            {"HPF slope", b[kHighPass + 3], 0, kMaxCrossoverSlope},
            {"LPF freq", ReadLeI16(b, kLowPass), kMinFreq, kMaxFreq},
            {"LPF type", b[kLowPass + 2], 0, kMaxFamily},
            {"LPF slope", b[kLowPass + 3], 0, kMaxCrossoverSlope},
            {"threshold", ReadLeI16(b, kThreshold), 0, kMaxLevelStep},
            {"attack", b[kAttack], 0, kMaxAttackStep},
            {"release", b[kRelease], 0, kMaxReleaseIndex},
            {"volume", ReadLeI16(b, kVolume), 0, kMaxVolumeStep},
        };
        for (int k = 0; k < kShownBands; ++k) {
            const std::size_t at = static_cast<std::size_t>(kFirstBand + k * kBandRecordSize);
            const std::string eq = "EQ" + std::to_string(k + 1) + " ";
            fields.push_back({eq + "freq", ReadLeI16(b, at), kMinFreq, kMaxFreq});
            fields.push_back({eq + "gain", ReadLeI16(b, at + 2), 0, kMaxLevelStep});
            fields.push_back({eq + "bandwidth", ReadLeI16(b, at + 4), 0, kMaxBandwidthStep});
            fields.push_back({eq + "slope", b[at + 6], 0, kMaxShelfSlope});
            fields.push_back({eq + "type", b[at + 7], 0, kMaxBandType});
        }
        for (const Field& f : fields) {
            if (f.value < f.lo || f.value > f.hi) {
                return bad(c + f.name, f.value, f.lo, f.hi);
            }
        }
    }
    return std::nullopt;
}

}  // namespace tolmarin::cli
