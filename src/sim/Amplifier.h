#pragma once

#include <array>
#include <cstdint>
#include <random>
#include <span>
#include <string>
#include <vector>

#include "protocol/Protocol.h"

namespace tolmarin::sim {

// A reply frame as the amplifier sends it: header, payload, the XOR of offsets 4 to
// 11 + L (the H is not included, unlike the PC's own frames), 0xAA.
std::vector<std::uint8_t> MakeReply(std::uint8_t code, std::uint8_t program, std::uint8_t section,
                                    std::uint8_t channel, std::uint8_t item,
                                    std::span<const std::uint8_t> payload);
// XOR of offsets 4 to length - 3: what a reply's checksum byte must hold.
std::uint8_t ReplyChecksum(std::span<const std::uint8_t> frame);
// XOR of offsets 3 to length - 3: what a request's checksum byte must hold.
std::uint8_t RequestChecksum(std::span<const std::uint8_t> frame);

// Code of the reply to a request the amplifier cannot carry out (no such program, item,
// channel or length). The PC takes it as an acknowledgement, so a bad request never
// hangs the link; the memory is left as it was.
inline constexpr std::uint8_t kRefusedReply = ACK_AB;

// The simulated TRV410: the live program, twenty stored programs and the system bytes,
// with the same byte layout the PC mirrors, and the answer to every request.
class Amplifier {
public:
    static constexpr int kRecordSize = kProgramRecordSize;
    using Record = std::array<std::uint8_t, kRecordSize>;

    explicit Amplifier(std::uint32_t seed = 410);

    // Memory as it leaves the factory: named programs, flat filters, outputs on.
    void FactoryReset();

    // Answers one complete request frame (L + 14 bytes whose checksum has been checked)
    // with exactly one reply frame.
    std::vector<std::uint8_t> Handle(std::span<const std::uint8_t> request);

    // Program n: 0 live, 1 to 20 stored. Out-of-range numbers throw std::out_of_range.
    std::span<std::uint8_t, kRecordSize> ProgramRecord(int n);
    std::span<std::uint8_t, kProgramNameSize> Name(int n);
    std::span<std::uint8_t, kProgramDataSize> Data(int n);
    std::span<std::uint8_t, kChannelBlockSize> ChannelBlock(int n, int ch);
    std::array<std::uint8_t, kSystemByteCount>& SystemBytes() { return m_system; }

    // Holds the two reported output stage temperatures (CH1, CH2) at these degrees Celsius
    // instead of letting them follow the levels, so a test can put a room in any state.
    // Each must lie in what the status byte carries: -10 to 245.
    void HoldTemperatures(int ch1Celsius, int ch2Celsius);

    // The eight bytes the last poll answered.
    const std::array<std::uint8_t, kStatusByteCount>& LastStatus() const { return m_status; }

    // Changes with every write that reached the memory, so savers know when to save.
    std::uint64_t Generation() const { return m_generation; }

    // The memory as a state file holds it: a magic line, records 0 to 20, system bytes.
    std::vector<std::uint8_t> SaveState() const;
    // False (memory unchanged) when the bytes are not a state of this simulator.
    bool LoadState(std::span<const std::uint8_t> bytes);
    static constexpr int kStateSize = 8 + kProgramCount * kRecordSize + kSystemByteCount;

private:
    std::vector<std::uint8_t> Ack(std::span<const std::uint8_t> request);
    std::vector<std::uint8_t> Refuse(std::span<const std::uint8_t> request);
    std::vector<std::uint8_t> ReadItem(std::span<const std::uint8_t> request);
    std::vector<std::uint8_t> Write(std::span<const std::uint8_t> request);
    std::vector<std::uint8_t> Poll();
    void Changed() { ++m_generation; }

    std::array<Record, kProgramCount> m_records{};  // index = program number
    std::array<std::uint8_t, kSystemByteCount> m_system{};
    std::array<std::uint8_t, kStatusByteCount> m_status{};
    std::array<int, kChannelCount> m_tempTenths{};  // output stage temperatures, 0.1 °C
    bool m_temperaturesHeld = false;
    std::mt19937 m_rng;
    std::uint64_t m_generation = 0;
};

}  // namespace tolmarin::sim
