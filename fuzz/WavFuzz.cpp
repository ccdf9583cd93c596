// Fuzzes the WAV reader: the input is a recording, a sweep or an impulse response file. What
// it reads must be finite, of a sensible rate and channel count, with whole frames; a
// refusal must say why. A sweep is taken from it only when its comment and length agree.

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <span>

#include "measure/Wav.h"

namespace {

using namespace tolmarin;
using namespace tolmarin::measure;

void Check(bool ok) {
    if (!ok) {
        std::abort();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const WavOutcome r = ReadWavBytes(std::span<const std::uint8_t>(data, size));
    if (!r.audio) {
        Check(!Describe(r.problem, UiState{}).empty());
        return 0;
    }
    const Audio& a = *r.audio;
    Check(a.rate > 0 && a.channels > 0 && !a.samples.empty());
    Check(a.samples.size() % static_cast<std::size_t>(a.channels) == 0);
    Check(a.samples.size() <= 4 * size);
    for (const double v : a.samples) {
        Check(std::isfinite(v));
    }
    const SignalOutcome last = ChannelOf(a, a.channels - 1);
    Check(last.signal && last.signal->samples.size() == a.Frames());
    Check(!ChannelOf(a, a.channels).signal);
    const SweepOutcome s = SweepOfAudio(a);
    if (s.sweep) {
        Check(!CheckSweep(s.sweep->params));
        Check(s.sweep->samples.size() ==
              static_cast<std::size_t>(s.sweep->lead + s.sweep->params.samples + s.sweep->tail));
    }
    return 0;
}
