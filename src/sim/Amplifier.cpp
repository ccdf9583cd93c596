#include "sim/Amplifier.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <stdexcept>

#include "protocol/ByteOrder.h"

namespace tolmarin::sim {

namespace {

constexpr char kStateMagic[8] = {'T', 'R', 'V', '4', '1', '0', 'S', '1'};

// Request header offsets.
constexpr int kCode = 4;
constexpr int kProgram = 5;
constexpr int kSection = 7;
constexpr int kChannel = 8;
constexpr int kIndex = 9;  // sub-block or item code
constexpr int kLength = 10;

constexpr int kAmbientTenths = 250;  // 25 °C around an idle amplifier
constexpr int kFullLevel = 52;       // the top segment of a level lamp
constexpr int kVolumeFull = 600;     // 0 dB

// Factory channel block: what the amplifier holds before anyone edits it.
void FactoryBlock(std::span<std::uint8_t> b, int ch) {
    std::fill(b.begin(), b.end(), 0);
    const char name[3] = {'C', 'H', static_cast<char>('1' + ch)};
    std::memcpy(b.data(), name, sizeof name);
    b[8] = 1;                                                  // output on
    b[9] = 0;                                                  // polarity normal
    WriteLe16(b, 10, 600);                                     // input gain 0 dB
    WriteLe16(b, 12, 0);                                       // no delay
    b[14] = static_cast<std::uint8_t>((ch % 2 == 0) ? 1 : 2);  // stereo routing
    WriteLe16(b, 16, 20);                                      // high-pass flat at 20 Hz
    WriteLe16(b, 20, 20000);                                   // low-pass flat at 20 kHz
    WriteLe16(b, 24, 200);                                     // limiter threshold 0 dBu
    b[26] = 106;                                               // attack 100 ms
    b[27] = 0;                                                 // release x2
    WriteLe16(b, 34, 480);                                     // volume -12 dB
    constexpr int kBandFreq[8] = {40, 80, 160, 317, 632, 1261, 2515, 5018};
    for (int slot = 0; slot < 15; ++slot) {
        const int at = 40 + slot * 8;
        if (slot < 8) {
            WriteLe16(b, at, static_cast<std::uint16_t>(kBandFreq[slot]));
            WriteLe16(b, at + 2, 200);  // 0 dB
            WriteLe16(b, at + 4, 5);    // 0.3 octave
        } else {
            WriteLe16(b, at, 1000);
            WriteLe16(b, at + 2, 600);
        }
    }
}

}  // namespace

std::uint8_t ReplyChecksum(std::span<const std::uint8_t> frame) {
    std::uint8_t x = 0;
    for (std::size_t i = 4; i + 2 < frame.size(); ++i) {
        x ^= frame[i];
    }
    return x;
}

std::uint8_t RequestChecksum(std::span<const std::uint8_t> frame) {
    std::uint8_t x = 0;
    for (std::size_t i = 3; i + 2 < frame.size(); ++i) {
        x ^= frame[i];
    }
    return x;
}

std::vector<std::uint8_t> MakeReply(std::uint8_t code, std::uint8_t program, std::uint8_t section,
                                    std::uint8_t channel, std::uint8_t item,
                                    std::span<const std::uint8_t> payload) {
    std::vector<std::uint8_t> f(payload.size() + kFrameOverhead, 0);
    const std::uint8_t header[10] = {FRAME_Z, FRAME_Z,     FRAME_Z, FRAME_H, code,
                                     program, AMP_ADDRESS, section, channel, item};
    std::copy(std::begin(header), std::end(header), f.begin());
    WriteLe16(f, kLength, static_cast<std::uint16_t>(payload.size()));
    std::copy(payload.begin(), payload.end(), f.begin() + kFrameHeaderSize);
    f[f.size() - 2] = ReplyChecksum(f);
    f[f.size() - 1] = FRAME_END;
    return f;
}

Amplifier::Amplifier(std::uint32_t seed) : m_rng(seed) {
    FactoryReset();
}

void Amplifier::FactoryReset() {
    for (int n = 0; n < kProgramCount; ++n) {
        auto rec = ProgramRecord(n);
        auto name = rec.first<kProgramNameSize>();
        std::fill(name.begin(), name.begin() + 15, ' ');
        name[15] = 0;
        char text[16] = {};
        std::snprintf(text, sizeof text, "Program %02d", n == 0 ? 1 : n);
        std::memcpy(name.data(), text, std::strlen(text));
        for (int ch = 0; ch < kChannelCount; ++ch) {
            FactoryBlock(ChannelBlock(n, ch), ch);
        }
    }
    m_system = {0, 0, 0, 0, 0, 0, 0, 1};
    m_tempTenths.fill(300);
    m_status.fill(0);
    Changed();
}

std::span<std::uint8_t, Amplifier::kRecordSize> Amplifier::ProgramRecord(int n) {
    if (n < 0 || n >= kProgramCount) {
        throw std::out_of_range("program number out of range");
    }
    return m_records[static_cast<std::size_t>(n)];
}

std::span<std::uint8_t, kProgramNameSize> Amplifier::Name(int n) {
    return ProgramRecord(n).first<kProgramNameSize>();
}

std::span<std::uint8_t, kProgramDataSize> Amplifier::Data(int n) {
    return ProgramRecord(n).subspan<kProgramNameSize, kProgramDataSize>();
}

std::span<std::uint8_t, kChannelBlockSize> Amplifier::ChannelBlock(int n, int ch) {
    if (ch < 0 || ch >= kChannelCount) {
        throw std::out_of_range("channel out of range");
    }
    return std::span<std::uint8_t, kChannelBlockSize>(
        Data(n).subspan(static_cast<std::size_t>(ch) * kChannelBlockSize, kChannelBlockSize));
}

std::vector<std::uint8_t> Amplifier::Handle(std::span<const std::uint8_t> request) {
    if (request.size() < static_cast<std::size_t>(kFrameOverhead) ||
        ReadLe16(request, kLength) + static_cast<std::size_t>(kFrameOverhead) != request.size()) {
        return Refuse(request);
    }
    const int n = request[kProgram];
    switch (request[kCode]) {
        case CMD_READ_ITEM:
            return ReadItem(request);
        case CMD_RECALL: {
            if (n > kStoredPrograms) {
                return Refuse(request);
            }
            if (n != 0) {
                auto from = ProgramRecord(n);
                std::copy(from.begin(), from.end(), ProgramRecord(0).begin());
                Changed();
            }
            return MakeReply(CMD_RECALL, static_cast<std::uint8_t>(n), 0, 0, 0, Data(0));
        }
        case CMD_READ_PROGRAM:
            if (n < 1 || n > kStoredPrograms) {
                return Refuse(request);
            }
            return MakeReply(CMD_READ_PROGRAM, static_cast<std::uint8_t>(n), 0, 0, 0, Data(n));
        case CMD_WRITE:
        case CMD_WRITE_CHANNEL:
        case CMD_WRITE_PROGRAM:
            return Write(request);
        case CMD_POLL:
            return Poll();
        default:
            return Refuse(request);
    }
}

std::vector<std::uint8_t> Amplifier::Ack(std::span<const std::uint8_t> request) {
    return MakeReply(ACK_AA, request[kProgram], request[kSection], request[kChannel],
                     request[kIndex], {});
}

std::vector<std::uint8_t> Amplifier::Refuse(std::span<const std::uint8_t> request) {
    if (request.size() < static_cast<std::size_t>(kFrameHeaderSize)) {
        return MakeReply(kRefusedReply, 0, 0, 0, 0, {});
    }
    return MakeReply(kRefusedReply, request[kProgram], request[kSection], request[kChannel],
                     request[kIndex], {});
}

std::vector<std::uint8_t> Amplifier::ReadItem(std::span<const std::uint8_t> request) {
    const int n = request[kProgram];
    const std::uint8_t item = request[kIndex];
    std::span<const std::uint8_t> bytes;
    switch (item) {
        case ITEM_MODES:
            bytes = std::span(m_system).subspan(0, 2);
            break;
        case ITEM_SENSITIVITY:
            bytes = std::span(m_system).subspan(2, 4);
            break;
        case ITEM_NAME:
            if (n > kStoredPrograms) {
                return Refuse(request);
            }
            bytes = Name(n);
            break;
        case ITEM_POWER:
            bytes = std::span(m_system).subspan(7, 1);
            break;
        default:
            return Refuse(request);
    }
    return MakeReply(CMD_READ_ITEM, static_cast<std::uint8_t>(n), SECTION_ITEM, 0, item, bytes);
}

std::vector<std::uint8_t> Amplifier::Write(std::span<const std::uint8_t> request) {
    const int n = request[kProgram];
    const int ch = request[kChannel];
    const int index = request[kIndex];
    const std::size_t length = ReadLe16(request, kLength);
    const auto payload = request.subspan(kFrameHeaderSize, length);
    const auto put = [&](std::span<std::uint8_t> area, std::size_t count) {
        std::copy_n(payload.begin(), count, area.begin());
        Changed();
    };

    if (request[kCode] == CMD_WRITE_CHANNEL) {
        if (n > kStoredPrograms || ch >= kChannelCount || length != kChannelBlockSize) {
            return Refuse(request);
        }
        put(ChannelBlock(n, ch), kChannelBlockSize);
        return Ack(request);
    }
    if (request[kCode] == CMD_WRITE_PROGRAM) {
        if (n > kStoredPrograms || length != kProgramDataSize) {
            return Refuse(request);
        }
        put(Data(n), kProgramDataSize);
        return Ack(request);
    }
    // 0xA1: one live sub-block or one system item.
    if (request[kSection] == SECTION_SUBBLOCK) {
        if (ch >= kChannelCount || index >= kSubBlocksPerChannel || length != kSubBlockSize) {
            return Refuse(request);
        }
        put(ChannelBlock(0, ch).subspan(static_cast<std::size_t>(index) * kSubBlockSize),
            kSubBlockSize);
        return Ack(request);
    }
    if (request[kSection] == SECTION_ITEM) {
        switch (index) {
            case ITEM_MODES:
                if (length < 2) {
                    return Refuse(request);
                }
                put(std::span(m_system).subspan(0), 2);
                return Ack(request);
            case ITEM_SENSITIVITY:
                if (length < 4) {
                    return Refuse(request);
                }
                put(std::span(m_system).subspan(2), 4);
                return Ack(request);
            case ITEM_NAME:
                if (n > kStoredPrograms || length != 2 * kSubBlockSize) {
                    return Refuse(request);
                }
                put(Name(n), 15);
                Name(n)[15] = 0;  // names are 15 characters and a terminator
                return Ack(request);
            case ITEM_POWER:
                if (length < 1) {
                    return Refuse(request);
                }
                put(std::span(m_system).subspan(7), 1);
                return Ack(request);
            default:
                return Refuse(request);
        }
    }
    return Refuse(request);
}

// Levels follow each output's volume (one step per dB below full scale) with the restless
// movement of music; a muted output or a switched-off amplifier shows nothing. The output
// stages warm towards a temperature set by their level and cool back when idle.
std::vector<std::uint8_t> Amplifier::Poll() {
    const bool powered = m_system[7] != 0;
    std::uniform_int_distribution<int> music(-8, 0);
    std::uniform_int_distribution<int> drift(-2, 2);
    std::array<int, kChannelCount> level{};
    for (int ch = 0; ch < kChannelCount; ++ch) {
        auto b = ChannelBlock(0, ch);
        const int volume = std::clamp<int>(ReadLeI16(b, 34), 0, kVolumeFull);
        const bool sounding = powered && b[8] != 0;
        const int dbBelowFull = (kVolumeFull - volume) / 10;
        level[ch] =
            sounding ? std::clamp(kFullLevel - dbBelowFull + music(m_rng), 0, kFullLevel) : 0;
        const int target = kAmbientTenths + (powered ? 100 + level[ch] * 4 : 0);
        int& t = m_tempTenths[ch];
        if (!m_temperaturesHeld) {
            t += (target - t) / 16 + drift(m_rng);
            t = std::clamp(t, 150, 850);
        }
    }
    m_status = {static_cast<std::uint8_t>(level[0]),
                static_cast<std::uint8_t>(level[1]),
                static_cast<std::uint8_t>(level[2]),
                static_cast<std::uint8_t>(level[3]),
                static_cast<std::uint8_t>(m_tempTenths[0] / 10 + 10),
                static_cast<std::uint8_t>(m_tempTenths[1] / 10 + 10),
                0,
                0};
    return MakeReply(CMD_POLL, 0, 0, 0, 0, m_status);
}

void Amplifier::HoldTemperatures(int ch1Celsius, int ch2Celsius) {
    constexpr int kLowest = -10;  // the status byte holds degrees plus 10
    constexpr int kHighest = 245;
    for (int c : {ch1Celsius, ch2Celsius}) {
        if (c < kLowest || c > kHighest) {
            throw std::out_of_range("temperature beyond what the status byte carries");
        }
    }
    m_tempTenths[0] = ch1Celsius * 10;
    m_tempTenths[1] = ch2Celsius * 10;
    m_temperaturesHeld = true;
}

std::vector<std::uint8_t> Amplifier::SaveState() const {
    std::vector<std::uint8_t> out(std::begin(kStateMagic), std::end(kStateMagic));
    for (const auto& r : m_records) {
        out.insert(out.end(), r.begin(), r.end());
    }
    out.insert(out.end(), m_system.begin(), m_system.end());
    return out;
}

bool Amplifier::LoadState(std::span<const std::uint8_t> bytes) {
    if (bytes.size() != static_cast<std::size_t>(kStateSize) ||
        !std::equal(std::begin(kStateMagic), std::end(kStateMagic), bytes.begin())) {
        return false;
    }
    auto at = bytes.begin() + 8;
    for (auto& r : m_records) {
        std::copy_n(at, kRecordSize, r.begin());
        at += kRecordSize;
    }
    std::copy_n(at, kSystemByteCount, m_system.begin());
    Changed();
    return true;
}

}  // namespace tolmarin::sim
