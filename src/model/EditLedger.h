#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "model/Parameters.h"
#include "protocol/Protocol.h"

namespace tolmarin {

class ChannelSet;

// One operator's value that the amplifier does not hold yet: channel 0 to 3, band 0 to 7
// for an equaliser value, -1 otherwise.
struct UnsentEdit {
    int channel = 0;
    int band = -1;
    Param param = Param::Count;
    bool operator==(const UnsentEdit&) const = default;
};

// The live program's four channel blocks.
using ChannelBlocks = std::array<std::uint8_t, kProgramDataSize>;

// What the amplifier is known to hold of the live program's channel blocks: taken from the
// records when they were last in step with it (link-up, a file loaded), then moved on by
// every edit frame the amplifier acknowledged. The records' values that differ from it are
// the edits not yet arrived, whether marked, queued, in flight or made while unlinked.
class EditLedger {
public:
    void SetHeld(const ChannelBlocks& held) { m_held = held; }
    const ChannelBlocks& Held() const { return m_held; }
    // A write of the live program the amplifier acknowledged (a sub-block, a channel block
    // or all four); other frames change nothing. True when the frame was such a write.
    bool Acknowledge(std::span<const std::uint8_t> frame);
    // The operator's values in current (the records' blocks) that differ from what is held,
    // CH1 to CH4, channel values before bands, in the parameter table's order. Values the
    // editor derives (input gain, routing) are not the operator's and are left out.
    std::vector<UnsentEdit> Differences(const ChannelBlocks& current) const;

private:
    ChannelBlocks m_held{};
};

// The operator's values that differ between two sets of blocks, as EditLedger::Differences.
std::vector<UnsentEdit> DifferencesBetween(const ChannelBlocks& held, const ChannelBlocks& current);

// True for a frame that writes part of the live program's channel blocks.
bool IsLiveEditFrame(std::span<const std::uint8_t> frame);

// The records as blocks of the live program, without disturbing it.
ChannelBlocks RecordBlocks(ChannelSet& channels);

// "CH1 band 3 gain, CH2 volume" in the interface language.
std::string DescribeEdits(const std::vector<UnsentEdit>& edits, const UiState& ui);

}  // namespace tolmarin
