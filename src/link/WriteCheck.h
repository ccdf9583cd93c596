#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "protocol/DeviceImage.h"
#include "protocol/Protocol.h"

namespace tolmarin {

// What became of one program of a batch of writes. The protocol cannot tell which request
// an acknowledgement answers, so only a read-back that matches counts as Verified.
enum class SlotOutcome {
    NotSent,       // nothing of it acknowledged
    SentUnknown,   // a write of it went out and was not acknowledged: it may have been applied
    NameOnly,      // its name write acknowledged, some of its data not sent
    Acknowledged,  // every write acknowledged; not read back (yet, or at all)
    Verified,      // read back and equal, byte for byte, to what was sent
    Differs,       // read back and different, or the read-back went unanswered
};

// One program of a batch of writes: a copy of what was sent (every reply overwrites the
// device image, so the image is no witness) and the tags of its queued writes.
struct SlotWrite {
    int program = 0;  // 0 the live program, 1 to 20 a stored one
    // Name bytes 0 to 14 as a name read returns them; empty when no name was written.
    std::vector<std::uint8_t> name;
    // Each channel block as sent; empty for a block not written.
    std::array<std::vector<std::uint8_t>, kChannelCount> blocks;
    std::vector<std::uint64_t> nameTags;
    std::vector<std::uint64_t> dataTags;
    SlotOutcome outcome = SlotOutcome::NotSent;
    std::string differs;  // Differs: what, e.g. "name, CH2 block"

    // Takes the payload of a write frame (name item, channel block or program write).
    void RecordFrame(std::span<const std::uint8_t> frame);
};

// The name byte a name read returns for byte b as written.
std::uint8_t NameByteAsRead(std::uint8_t b);

// Compares what was sent for slot.program with the image after its read-back: empty when
// equal, otherwise the parts that differ ("name, CH1 block").
std::string CompareWithImage(const SlotWrite& slot, const DeviceImage& image, const UiState& ui);

// Per program, grouped: "program 1-7 verified; program 8 name acknowledged but data not;
// program 9-20 not sent".
std::string DescribeSlots(const std::vector<SlotWrite>& written, const UiState& ui);

// True when every slot is Verified.
bool AllVerified(const std::vector<SlotWrite>& written);

}  // namespace tolmarin
