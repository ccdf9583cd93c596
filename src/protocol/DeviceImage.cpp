#include "protocol/DeviceImage.h"

#include <algorithm>
#include <stdexcept>

#include "protocol/ByteOrder.h"

namespace tolmarin {

namespace {

int CheckedProgram(int n) {
    if (n < 0 || n >= kProgramCount) {
        throw std::out_of_range("program number out of range");
    }
    return n;
}

int CheckedChannel(int ch) {
    if (ch < 0 || ch >= kChannelCount) {
        throw std::out_of_range("channel out of range");
    }
    return ch;
}

}  // namespace

std::span<std::uint8_t, kProgramRecordSize> DeviceImage::ProgramRecord(int n) {
    return records_[CheckedProgram(n)];
}

std::span<const std::uint8_t, kProgramRecordSize> DeviceImage::ProgramRecord(int n) const {
    return records_[CheckedProgram(n)];
}

std::span<std::uint8_t, kProgramNameSize> DeviceImage::Name(int n) {
    return ProgramRecord(n).first<kProgramNameSize>();
}

std::span<const std::uint8_t, kProgramNameSize> DeviceImage::Name(int n) const {
    return ProgramRecord(n).first<kProgramNameSize>();
}

std::span<std::uint8_t, kProgramDataSize> DeviceImage::Data(int n) {
    return ProgramRecord(n).subspan<kProgramNameSize, kProgramDataSize>();
}

std::span<const std::uint8_t, kProgramDataSize> DeviceImage::Data(int n) const {
    return ProgramRecord(n).subspan<kProgramNameSize, kProgramDataSize>();
}

std::span<std::uint8_t, kChannelBlockSize> DeviceImage::ChannelBlock(int n, int ch) {
    return std::span<std::uint8_t, kChannelBlockSize>(Data(n).subspan(
        static_cast<std::size_t>(CheckedChannel(ch)) * kChannelBlockSize, kChannelBlockSize));
}

std::span<const std::uint8_t, kChannelBlockSize> DeviceImage::ChannelBlock(int n, int ch) const {
    return std::span<const std::uint8_t, kChannelBlockSize>(Data(n).subspan(
        static_cast<std::size_t>(CheckedChannel(ch)) * kChannelBlockSize, kChannelBlockSize));
}

void InitDeviceImage(SharedState& state) {
    DeviceImage& image = state.image;
    for (int ch = 0; ch < kChannelCount; ++ch) {
        auto b = image.ChannelBlock(0, ch);
        b[15] = 0;
        std::fill(b.begin() + 28, b.begin() + 32, 0);
        b[33] = 0;
        std::fill(b.begin() + 36, b.begin() + 40, 0);
        for (int slot = 0; slot < block::kBandSlots; ++slot) {
            const int at = block::kBands + slot * block::kBandRecordSize;
            WriteLe16(b, at, 1000);
            WriteLe16(b, at + 2, 600);
            WriteLe16(b, at + 4, 0);
            b[at + 6] = 0;
            b[at + 7] = 0;
        }
    }
    for (int n = 1; n <= kStoredPrograms; ++n) {
        auto name = image.Name(n);
        std::fill(name.begin(), name.begin() + 15, ' ');
        name[15] = 0;
    }
}

void InitSystemBytes(DeviceImage& image) {
    std::fill(image.systemBytes.begin(), image.systemBytes.begin() + 6, 0);
    image.systemBytes[sysbyte::kPower] = 1;
}

bool WriteFixedText(const UiState& ui, std::span<std::uint8_t> slot, std::string_view text) {
    if (text.size() >= slot.size()) {
        ui.Report(TextId::CharLenError, MessageKind::Warning);
        return false;
    }
    std::fill(slot.begin(), slot.end(), 0);
    std::copy(text.begin(), text.end(), slot.begin());
    return true;
}

bool StoreProgramName(const UiState& ui, std::span<std::uint8_t, kProgramNameSize> slot,
                      std::string_view text) {
    if (text.size() >= slot.size()) {
        ui.Report(TextId::CharLenError, MessageKind::Warning);
        return false;
    }
    std::fill(slot.begin(), slot.begin() + 15, ' ');
    std::copy(text.begin(), text.end(), slot.begin());
    slot[15] = 0;
    return true;
}

std::string LoadFixedText(std::span<const std::uint8_t> slot, int count) {
    const std::size_t limit = std::min<std::size_t>(slot.size(), count < 0 ? 0 : count);
    std::string text;
    for (std::size_t i = 0; i < limit && slot[i] != 0; ++i) {
        text.push_back(static_cast<char>(slot[i]));
    }
    auto is_space = [](char c) {
        return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f';
    };
    const auto first = std::find_if_not(text.begin(), text.end(), is_space);
    const auto last = std::find_if_not(text.rbegin(), text.rend(), is_space).base();
    return first < last ? std::string(first, last) : std::string();
}

}  // namespace tolmarin
