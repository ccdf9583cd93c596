#pragma once

#include <cstdint>
#include <memory>
#include <span>

#include "protocol/DeviceImage.h"
#include "protocol/SendData.h"

namespace tolmarin {

// The common tail of every builder: header scratch, L payload bytes from the payload
// scratch, the XOR of offsets 3 to length - 3, and 0xAA. The buffer must be exactly
// L + 14 bytes, L being header bytes 10 and 11; anything else throws std::invalid_argument.
void CloseFrame(const FrameScratch& scratch, std::span<std::uint8_t> buffer);

// Checksum of a frame as the PC sends it: XOR from the H (offset 3) through the payload.
std::uint8_t SentChecksum(std::span<const std::uint8_t> frame);

// The frame builders. Each one writes the header bytes it names into its scratch, s.frames
// (the others keep what the previous build left), closes the frame and hands it to the
// caller. ch 0 to 3, n 0 to 20, d 0 to 19.
std::unique_ptr<SendData> BuildChannelSubBlock(SharedState& s, int ch, int d);
// Payload not written: the first 8 scratch bytes as the previous build left them.
std::unique_ptr<SendData> BuildPoll(SharedState& s);
std::unique_ptr<SendData> BuildChannelBlock(SharedState& s, int n, int ch);
// Header byte 9 not written.
std::unique_ptr<SendData> BuildRecall(SharedState& s, int n);
std::unique_ptr<SendData> BuildProgramWrite(SharedState& s, int n);
std::unique_ptr<SendData> BuildProgramRead(SharedState& s, int n);
std::unique_ptr<SendData> BuildItemRead(SharedState& s, int item, int n);
// item is ITEM_MODES, ITEM_SENSITIVITY, ITEM_NAME or ITEM_POWER; others throw
// std::invalid_argument.
std::unique_ptr<SendData> BuildItemWrite(SharedState& s, int item, int n);

}  // namespace tolmarin
