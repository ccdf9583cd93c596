#pragma once

#include <cstdint>

// What the TRV410 amplifier expects on the wire and how long the PC waits for it.
// Every protocol constant lives here, so that link, model, simulator and tools agree.

namespace tolmarin {

// Command and reply codes (header byte 4).
inline constexpr std::uint8_t CMD_WRITE = 0xA1;      // sub-block (section 4) or item (section 6)
inline constexpr std::uint8_t CMD_READ_ITEM = 0xA2;  // read one system item
inline constexpr std::uint8_t CMD_RECALL = 0xA3;     // make program n live, send it back
inline constexpr std::uint8_t CMD_WRITE_CHANNEL =
    0xA4;                                               // one 160-byte channel block into program n
inline constexpr std::uint8_t CMD_READ_PROGRAM = 0xA5;  // 640 data bytes of stored program n
inline constexpr std::uint8_t CMD_WRITE_PROGRAM = 0xA6;  // 640 data bytes into program n
inline constexpr std::uint8_t CMD_POLL = 0xA9;           // status poll
inline constexpr std::uint8_t ACK_AA = 0xAA;             // acknowledgement, no payload
inline constexpr std::uint8_t ACK_AB = 0xAB;             // handled exactly like ACK_AA

// System item codes (header byte 9 in section 6).
inline constexpr std::uint8_t ITEM_MODES = 3;        // system bytes 0 and 1
inline constexpr std::uint8_t ITEM_SENSITIVITY = 4;  // system bytes 2 to 5
inline constexpr std::uint8_t ITEM_NAME = 6;         // 16-byte program name
inline constexpr std::uint8_t ITEM_POWER = 7;        // system byte 7

// Header byte 7.
inline constexpr std::uint8_t SECTION_NONE = 0;
inline constexpr std::uint8_t SECTION_SUBBLOCK = 4;
inline constexpr std::uint8_t SECTION_ITEM = 6;
inline constexpr std::uint8_t SECTION_PROGRAM = 0xA6;

// Frame layout.
inline constexpr std::uint8_t FRAME_Z = 0x5A;
inline constexpr std::uint8_t FRAME_H = 0x48;
inline constexpr std::uint8_t FRAME_END = 0xAA;
inline constexpr int kFrameHeaderSize = 12;
inline constexpr int kFrameOverhead = 14;  // header, checksum and trailer
inline constexpr std::uint8_t AMP_ADDRESS = 1;

// Memory geometry.
inline constexpr int kStoredPrograms = 20;
inline constexpr int kProgramCount = 21;  // live program 0 and stored slots 1 to 20
inline constexpr int kChannelCount = 4;
inline constexpr int kProgramNameSize = 16;
inline constexpr int kChannelBlockSize = 160;
inline constexpr int kSubBlockSize = 8;
inline constexpr int kSubBlocksPerChannel = 20;
inline constexpr int kProgramDataSize = kChannelCount * kChannelBlockSize;      // 640
inline constexpr int kProgramRecordSize = kProgramNameSize + kProgramDataSize;  // 656
inline constexpr int kSystemByteCount = 8;
inline constexpr int kStatusByteCount = 8;
inline constexpr int kPayloadScratchSize = 800;
inline constexpr int kReceiveBufferSize = 800;

// Links.
inline constexpr int kTcpPort = 8899;
inline constexpr int kSerialBaud = 57600;
inline constexpr int kSerialDataBits = 8;
inline constexpr int kSerialStopBits = 1;
inline constexpr bool kSerialParity = false;
inline constexpr bool kSerialFlowControl = false;
inline constexpr int kSerialWriteTimeoutMs = 150;
inline constexpr int kSerialReadTimeoutMs = 80;

// Pacing and time-outs, in ticks of the 50 ms pacing timer unless stated.
inline constexpr int kPacingIntervalMs = 50;
inline constexpr int kSerialRetransmitTick = 50;     // 2.5 s: reset the receiver, send once more
inline constexpr int kSerialGiveUpTicks = 100;       // beyond this (about 5 s) the USB link closes
inline constexpr int kNetworkTimeoutTicks = 30;      // beyond this (about 1.55 s) reconnect
inline constexpr int kNetworkMaxReconnects = 3;      // per opening of the network link
inline constexpr int kReconnectCloseWaitMs = 500;    // after closing the socket
inline constexpr int kReconnectSettleWaitMs = 1000;  // after connecting again
inline constexpr int kSocketBlockingLimitMs = 1000;
inline constexpr int kConnectTimeoutMs = 2500;  // bound on every TCP connect attempt

}  // namespace tolmarin
