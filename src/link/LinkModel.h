#pragma once

#include <memory>

#include "model/EditLedger.h"
#include "protocol/SendData.h"

namespace tolmarin {

// What the link controller needs of the channel set: the next frame to send (a pending
// parameter group, or a status poll when nothing is pending), clearing the pending marks
// when a link closes, and moving the records into and out of the live program.
class LinkModel {
public:
    virtual ~LinkModel() = default;

    virtual std::unique_ptr<SendData> NextPendingFrame() = 0;
    virtual void ClearAllPending(bool value) = 0;
    // Every mark gone, a crossover ramp under way too: what the marks stood for is void.
    virtual void DropAllPending() {}
    virtual void LoadAllFromImage() = 0;
    virtual void WriteAllToImage() = 0;
    virtual void SetInputGain(int channel, int gain) = 0;
    // Edits are marked to go out while on: the link turns it on once the records and the
    // amplifier agree, and off when they may not.
    virtual void SetSending(bool on) = 0;
    // The live program taken from the amplifier has CH2 on its own.
    virtual void UnlinkCh1Ch2() = 0;
    // The records as the live program's channel blocks, the live program left as it is.
    // Without records (a headless user), nothing is ever unsent.
    virtual ChannelBlocks RecordBlocks() { return {}; }
};

}  // namespace tolmarin
