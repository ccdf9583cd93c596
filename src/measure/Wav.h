#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "measure/Problem.h"
#include "measure/Sweep.h"

namespace tolmarin::measure {

// Larger WAV files are not recordings of one sweep (2^21 samples at 96 kHz, 8 channels of
// 32 bits, with room to spare).
inline constexpr std::uint64_t kMaxWavBytes = 256u * 1024u * 1024u;

enum class WavEncoding { Pcm16, Pcm24, Float32 };

// Sound read from a WAV file: interleaved frames, full scale +-1.
struct Audio {
    int rate = 0;
    int channels = 0;
    WavEncoding encoding = WavEncoding::Float32;
    std::vector<double> samples;  // frames * channels
    std::string comment;          // the file's comment, where a sweep keeps its parameters
    std::size_t Frames() const { return channels > 0 ? samples.size() / channels : 0; }
};

struct WavOutcome {
    std::optional<Audio> audio;
    Problem problem;  // when there is no audio
};

// A WAV file of 16- or 24-bit PCM or 32-bit float. Anything else is refused, saying what.
WavOutcome ReadWav(const std::string& path);
// The same from bytes in memory (the fuzzer's way in).
WavOutcome ReadWavBytes(std::span<const std::uint8_t> bytes);

// The file's bytes: mono WAV in the encoding, with the comment.
std::string WavBytes(std::span<const double> mono, int rate, WavEncoding encoding,
                     const std::string& comment);

// The sweep as a 32-bit float WAV file's bytes, its parameters in the comment.
std::string SweepWavBytes(const Sweep& sweep);

// One channel (0 for the first) of the audio; a channel it does not have is refused.
struct Signal {
    int rate = 0;
    std::vector<double> samples;
};
struct SignalOutcome {
    std::optional<Signal> signal;
    Problem problem;
};
SignalOutcome ChannelOf(const Audio& audio, int channel);

// The sweep a sweep WAV file holds: its samples, and its parameters from the comment. A
// file without them is not one of our sweeps and is refused.
struct SweepOutcome {
    std::optional<Sweep> sweep;
    Problem problem;
};
SweepOutcome SweepOfAudio(const Audio& audio);

}  // namespace tolmarin::measure
