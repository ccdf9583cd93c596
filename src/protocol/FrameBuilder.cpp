#include "protocol/FrameBuilder.h"

#include <algorithm>
#include <stdexcept>

#include "protocol/ByteOrder.h"

namespace tolmarin {

namespace {

void CheckChannel(int ch) {
    if (ch < 0 || ch >= kChannelCount) {
        throw std::out_of_range("channel out of range");
    }
}

void CheckProgram(int n) {
    if (n < 0 || n >= kProgramCount) {
        throw std::out_of_range("program number out of range");
    }
}

// Header bytes 4 to 8 (and 10, 11); byte 9 only when given.
void WriteHeader(FrameScratch& scratch, std::uint8_t cmd, int n, std::uint8_t section, int ch,
                 int payloadLength) {
    auto& h = scratch.header;
    h[4] = cmd;
    h[5] = static_cast<std::uint8_t>(n);
    h[6] = AMP_ADDRESS;
    h[7] = section;
    h[8] = static_cast<std::uint8_t>(ch);
    WriteLe16(h, 10, static_cast<std::uint16_t>(payloadLength));
}

void ClearPayload(FrameScratch& scratch, int length) {
    std::fill(scratch.payload.begin(), scratch.payload.begin() + length, 0);
}

std::unique_ptr<SendData> Finish(SharedState& s) {
    auto item = std::make_unique<SendData>();
    const int length = ReadLe16(s.frames.header, 10) + kFrameOverhead;
    std::vector<std::uint8_t> frame(static_cast<std::size_t>(length));
    CloseFrame(s.frames, frame);
    item->SetFrame(std::move(frame));
    return item;
}

}  // namespace

void CloseFrame(const FrameScratch& scratch, std::span<std::uint8_t> buffer) {
    const std::size_t payloadLength = ReadLe16(scratch.header, 10);
    if (buffer.empty() || buffer.size() != payloadLength + kFrameOverhead ||
        payloadLength > scratch.payload.size()) {
        throw std::invalid_argument("CloseFrame: buffer does not fit the header's length");
    }
    std::copy(scratch.header.begin(), scratch.header.end(), buffer.begin());
    std::copy_n(scratch.payload.begin(), payloadLength, buffer.begin() + kFrameHeaderSize);
    const std::size_t length = buffer.size();
    buffer[length - 2] = SentChecksum(buffer.first(length - 2));
    buffer[length - 1] = FRAME_END;
}

std::uint8_t SentChecksum(std::span<const std::uint8_t> frame) {
    std::uint8_t x = 0;
    for (std::size_t i = 3; i < frame.size(); ++i) {
        x ^= frame[i];
    }
    return x;
}

std::unique_ptr<SendData> BuildChannelSubBlock(SharedState& s, int ch, int d) {
    CheckChannel(ch);
    if (d < 0 || d >= kSubBlocksPerChannel) {
        throw std::out_of_range("sub-block out of range");
    }
    WriteHeader(s.frames, CMD_WRITE, 0, SECTION_SUBBLOCK, ch, kSubBlockSize);
    s.frames.header[9] = static_cast<std::uint8_t>(d);
    auto b = s.image.ChannelBlock(0, ch);
    std::copy_n(b.begin() + d * kSubBlockSize, kSubBlockSize, s.frames.payload.begin());
    return Finish(s);
}

std::unique_ptr<SendData> BuildPoll(SharedState& s) {
    WriteHeader(s.frames, CMD_POLL, 0, SECTION_NONE, 0, kSubBlockSize);
    s.frames.header[9] = 0;
    return Finish(s);
}

std::unique_ptr<SendData> BuildChannelBlock(SharedState& s, int n, int ch) {
    CheckProgram(n);
    CheckChannel(ch);
    WriteHeader(s.frames, CMD_WRITE_CHANNEL, n, SECTION_NONE, ch, kChannelBlockSize);
    s.frames.header[9] = 0;
    auto b = s.image.ChannelBlock(0, ch);
    std::copy(b.begin(), b.end(), s.frames.payload.begin());
    return Finish(s);
}

std::unique_ptr<SendData> BuildRecall(SharedState& s, int n) {
    CheckProgram(n);
    WriteHeader(s.frames, CMD_RECALL, n, SECTION_NONE, 0, kSubBlockSize);
    ClearPayload(s.frames, kSubBlockSize);
    return Finish(s);
}

std::unique_ptr<SendData> BuildProgramWrite(SharedState& s, int n) {
    CheckProgram(n);
    WriteHeader(s.frames, CMD_WRITE_PROGRAM, n, SECTION_PROGRAM, 0, kProgramDataSize);
    s.frames.header[9] = 0;
    auto data = s.image.Data(n);
    std::copy(data.begin(), data.end(), s.frames.payload.begin());
    return Finish(s);
}

std::unique_ptr<SendData> BuildProgramRead(SharedState& s, int n) {
    CheckProgram(n);
    WriteHeader(s.frames, CMD_READ_PROGRAM, n, SECTION_NONE, 0, kSubBlockSize);
    s.frames.header[9] = 0;
    ClearPayload(s.frames, kSubBlockSize);
    return Finish(s);
}

std::unique_ptr<SendData> BuildItemRead(SharedState& s, int item, int n) {
    CheckProgram(n);
    WriteHeader(s.frames, CMD_READ_ITEM, n, SECTION_ITEM, 0, kSubBlockSize);
    s.frames.header[9] = static_cast<std::uint8_t>(item);
    ClearPayload(s.frames, kSubBlockSize);
    return Finish(s);
}

std::unique_ptr<SendData> BuildItemWrite(SharedState& s, int item, int n) {
    CheckProgram(n);
    const auto& sys = s.image.systemBytes;
    auto& p = s.frames.payload;
    switch (item) {
        case ITEM_MODES:
            WriteHeader(s.frames, CMD_WRITE, 0, SECTION_ITEM, 0, kSubBlockSize);
            ClearPayload(s.frames, kSubBlockSize);
            p[0] = sys[0];
            p[1] = sys[1];
            break;
        case ITEM_SENSITIVITY:
            WriteHeader(s.frames, CMD_WRITE, 0, SECTION_ITEM, 0, kSubBlockSize);
            ClearPayload(s.frames, kSubBlockSize);
            std::copy_n(sys.begin() + 2, 4, p.begin());
            break;
        case ITEM_NAME: {
            WriteHeader(s.frames, CMD_WRITE, n, SECTION_ITEM, 0, 2 * kSubBlockSize);
            auto name = s.image.Name(n);
            std::copy_n(name.begin(), 15, p.begin());
            p[15] = 0;
            break;
        }
        case ITEM_POWER:
            WriteHeader(s.frames, CMD_WRITE, 0, SECTION_ITEM, 0, kSubBlockSize);
            ClearPayload(s.frames, kSubBlockSize);
            p[0] = sys[sysbyte::kPower];
            break;
        default:
            throw std::invalid_argument("BuildItemWrite: no such item");
    }
    s.frames.header[9] = static_cast<std::uint8_t>(item);
    return Finish(s);
}

}  // namespace tolmarin
