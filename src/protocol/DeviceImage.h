#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "protocol/FrameScratch.h"
#include "protocol/Protocol.h"
#include "text/Texts.h"

namespace tolmarin {

// Byte offsets inside a channel block; the block is a run of twenty 8-byte sub-blocks.
namespace block {
inline constexpr int kName = 0;  // 8 bytes, sub-block 0
inline constexpr int kOutputOn = 8;
inline constexpr int kPolarity = 9;
inline constexpr int kInputGain = 10;  // int16
inline constexpr int kDelay = 12;      // int16
inline constexpr int kInputRoute = 14;
inline constexpr int kHighPassFreq = 16;  // int16, as last sent
inline constexpr int kHighPassFamily = 18;
inline constexpr int kHighPassSlope = 19;
inline constexpr int kLowPassFreq = 20;  // int16, as last sent
inline constexpr int kLowPassFamily = 22;
inline constexpr int kLowPassSlope = 23;
inline constexpr int kLimitThreshold = 24;  // int16
inline constexpr int kLimitAttack = 26;
inline constexpr int kLimitRelease = 27;
inline constexpr int kVolumeAux = 32;
inline constexpr int kVolume = 34;     // int16
inline constexpr int kBands = 40;      // bands 1 to 8, 8 bytes each (sub-blocks 5 to 12)
inline constexpr int kBandSlots = 15;  // band-record slots from byte 40 to the end of the block
inline constexpr int kBandRecordSize = 8;
}  // namespace block

// The PC's byte mirror of the amplifier memory: the live program (number 0), the twenty
// stored programs (1 to 20) and the system bytes.
class DeviceImage {
public:
    using Record = std::array<std::uint8_t, kProgramRecordSize>;

    // Program n, 0 live or 1 to 20 stored. Out-of-range numbers throw std::out_of_range.
    std::span<std::uint8_t, kProgramRecordSize> ProgramRecord(int n);
    std::span<const std::uint8_t, kProgramRecordSize> ProgramRecord(int n) const;
    std::span<std::uint8_t, kProgramNameSize> Name(int n);
    std::span<const std::uint8_t, kProgramNameSize> Name(int n) const;
    std::span<std::uint8_t, kProgramDataSize> Data(int n);
    std::span<const std::uint8_t, kProgramDataSize> Data(int n) const;
    std::span<std::uint8_t, kChannelBlockSize> ChannelBlock(int n, int ch);
    std::span<const std::uint8_t, kChannelBlockSize> ChannelBlock(int n, int ch) const;

    std::array<std::uint8_t, kSystemByteCount> systemBytes{};

private:
    std::array<Record, kProgramCount> records_{};  // index = program number
};

// System byte indices.
namespace sysbyte {
inline constexpr int kModeCh12 = 0;
inline constexpr int kModeCh34 = 1;
inline constexpr int kSensitivity1 = 2;  // inputs 1 to 4 at 2 to 5
inline constexpr int kPower = 7;
}  // namespace sysbyte

// What the running program keeps once per process. The product holds one of these for
// its whole life; each test creates its own, fresh.
struct SharedState {
    DeviceImage image;
    FrameScratch frames;
    UiState ui;
};

// Zero-filled image and state as at program start, then the start-up initialisation:
// the live band slots, the stored names.
void InitDeviceImage(SharedState& state);

// The start-up's system bytes after InitDeviceImage: modes and sensitivities 0, power 1.
void InitSystemBytes(DeviceImage& image);

// Copies text into a slot of size bytes when it is shorter than size, filling with 0.
// Longer text leaves the slot unchanged and reports "char Len error!". Returns success.
bool WriteFixedText(const UiState& ui, std::span<std::uint8_t> slot, std::string_view text);

// A 16-byte program name: text, spaces up to byte 14, byte 15 = 0. Longer than 15 is refused.
bool StoreProgramName(const UiState& ui, std::span<std::uint8_t, kProgramNameSize> slot,
                      std::string_view text);

// The first count bytes, cut at the first 0 byte, with surrounding white space removed.
std::string LoadFixedText(std::span<const std::uint8_t> slot, int count);

}  // namespace tolmarin
