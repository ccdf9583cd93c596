#include "link/WriteCheck.h"

#include <algorithm>

namespace tolmarin {

namespace {

constexpr int kNameBytesRead = 15;  // a name read never returns byte 15
constexpr int kAtChannel = 8;
constexpr int kAtItem = 9;
constexpr int kAtLength = 10;

std::string BlockText(const UiState& ui, int ch) {
    std::string text = ui.Text(TextId::SlotBlock);
    const auto at = text.find("%1");
    if (at != std::string::npos) {
        text.replace(at, 2, std::to_string(ch + 1));
    }
    return text;
}

TextId OutcomeText(SlotOutcome outcome) {
    switch (outcome) {
        case SlotOutcome::NotSent:
            return TextId::SlotNotSent;
        case SlotOutcome::SentUnknown:
            return TextId::SlotSentUnknown;
        case SlotOutcome::NameOnly:
            return TextId::SlotNameOnly;
        case SlotOutcome::Acknowledged:
            return TextId::SlotAcknowledged;
        case SlotOutcome::Verified:
            return TextId::SlotVerified;
        case SlotOutcome::Differs:
            return TextId::SlotDiffers;
    }
    return TextId::SlotNotSent;
}

}  // namespace

std::uint8_t NameByteAsRead(std::uint8_t b) {
    return (b < 0x20 || b > 0x7F) ? static_cast<std::uint8_t>(' ') : b;
}

void SlotWrite::RecordFrame(std::span<const std::uint8_t> frame) {
    if (frame.size() < static_cast<std::size_t>(kFrameHeaderSize)) {
        return;
    }
    const std::size_t length = frame[kAtLength] | (frame[kAtLength + 1] << 8);
    if (frame.size() < kFrameHeaderSize + length) {
        return;
    }
    const auto payload = frame.subspan(kFrameHeaderSize, length);
    const std::uint8_t code = frame[4];
    if (code == CMD_WRITE && frame[kAtItem] == ITEM_NAME) {
        name.clear();
        for (int i = 0; i < kNameBytesRead && i < std::ssize(payload); ++i) {
            name.push_back(NameByteAsRead(payload[static_cast<std::size_t>(i)]));
        }
    } else if (code == CMD_WRITE_CHANNEL) {
        const int ch = frame[kAtChannel];
        if (ch >= 0 && ch < kChannelCount) {
            blocks[static_cast<std::size_t>(ch)].assign(payload.begin(), payload.end());
        }
    } else if (code == CMD_WRITE_PROGRAM) {
        for (int ch = 0; ch < kChannelCount; ++ch) {
            const auto part = payload.subspan(
                std::min(payload.size(), static_cast<std::size_t>(ch * kChannelBlockSize)));
            auto& block = blocks[static_cast<std::size_t>(ch)];
            block.assign(part.begin(), part.begin() + std::min<std::ptrdiff_t>(kChannelBlockSize,
                                                                               std::ssize(part)));
        }
    }
}

std::string CompareWithImage(const SlotWrite& slot, const DeviceImage& image, const UiState& ui) {
    std::string differs;
    const auto add = [&](const std::string& part) {
        differs += differs.empty() ? "" : ", ";
        differs += part;
    };
    if (!slot.name.empty()) {
        const auto held = image.Name(slot.program);
        if (!std::equal(slot.name.begin(), slot.name.end(), held.begin())) {
            add(ui.Text(TextId::SlotName));
        }
    }
    for (int ch = 0; ch < kChannelCount; ++ch) {
        const auto& sent = slot.blocks[static_cast<std::size_t>(ch)];
        if (sent.empty()) {
            continue;
        }
        const auto held = image.ChannelBlock(slot.program, ch);
        if (sent.size() != held.size() || !std::equal(sent.begin(), sent.end(), held.begin())) {
            add(BlockText(ui, ch));
        }
    }
    return differs;
}

std::string DescribeSlots(const std::vector<SlotWrite>& written, const UiState& ui) {
    std::string text;
    std::size_t i = 0;
    while (i < written.size()) {
        const SlotWrite& first = written[i];
        std::size_t j = i + 1;
        // Runs of consecutive stored programs with one outcome read as a range; a
        // difference is told per program, since each says what differs.
        while (j < written.size() && first.outcome != SlotOutcome::Differs &&
               written[j].outcome == first.outcome && first.program != 0 &&
               written[j].program == written[j - 1].program + 1) {
            ++j;
        }
        text += text.empty() ? "" : "; ";
        if (first.program == 0) {
            text += ui.Text(TextId::MissingLive);
        } else {
            text += ui.Text(TextId::SlotProgram);
            text += ' ' + std::to_string(first.program);
            if (j - i > 1) {
                text += '-' + std::to_string(written[j - 1].program);
            }
        }
        text += ' ';
        text += ui.Text(OutcomeText(first.outcome));
        if (first.outcome == SlotOutcome::Differs && !first.differs.empty()) {
            text += " (" + first.differs + ')';
        }
        i = j;
    }
    return text;
}

bool AllVerified(const std::vector<SlotWrite>& written) {
    return !written.empty() && std::all_of(written.begin(), written.end(), [](const SlotWrite& s) {
        return s.outcome == SlotOutcome::Verified;
    });
}

}  // namespace tolmarin
