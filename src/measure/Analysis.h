#pragma once

#include <optional>
#include <span>
#include <vector>

#include "measure/Calibration.h"
#include "measure/Problem.h"
#include "measure/Sweep.h"
#include "measure/Wav.h"
#include "response/FilterMath.h"
#include "roomeq/Measurement.h"

namespace tolmarin::measure {

inline constexpr double kDefaultWindowMs = 500.0;
inline constexpr double kShortestWindowMs = 10.0;
inline constexpr double kLongestWindowMs = 5000.0;
inline constexpr double kLowSnrDb = 30.0;  // a recording's SNR below this is warned of

// Fractional-octave smoothing of the result.
enum class Smoothing { None, Third, Sixth, Twelfth, TwentyFourth };
// 3, 6, 12 or 24 for the smoothings, 0 for none.
int OctaveFraction(Smoothing smoothing);

struct AnalysisOptions {
    double windowMs = kDefaultWindowMs;  // of the impulse after its peak
    Smoothing smoothing = Smoothing::None;
    const Calibration* calibration = nullptr;
};

// One microphone position measured.
struct Position {
    roomeq::Measurement response;  // the fine log grid, before smoothing and calibration
    std::optional<double> snrDb;   // from the silence before the sweep; none for an impulse
    double delayMs = 0.0;          // where the impulse was found in the recording
    std::vector<Problem> notes;    // a low SNR, for one
};

struct PositionOutcome {
    std::optional<Position> position;
    Problem problem;  // why it was refused
};

// Measures a recording made while the sweep played: the impulse found by deconvolution
// wherever the recording started, harmonic distortion (before the impulse) windowed out,
// the impulse windowed, its magnitude on the fine grid. Refused: another sample rate,
// clipping (three samples in a row within 0.1 dB of full scale), no sweep in it.
// The analyser keeps the sweep's spectrum between recordings of the same length.
class Analyser {
public:
    explicit Analyser(Sweep sweep);
    ~Analyser();
    Analyser(const Analyser&) = delete;
    Analyser& operator=(const Analyser&) = delete;

    PositionOutcome Recording(const Signal& recording, const AnalysisOptions& options);
    const Sweep& sweep() const;

private:
    struct Cache;
    Sweep m_sweep;
    Cache* m_cache;
};

// An impulse response recorded elsewhere, measured in place of a recording.
PositionOutcome ImpulseResponse(const Signal& impulse, const AnalysisOptions& options);

// The positions averaged as power, smoothed and calibrated: the measurement to fit.
struct Result {
    roomeq::Measurement fine;    // the fine log grid, for display and export
    GridResponse grid{};         // at the response grid
    std::vector<Problem> notes;  // a calibration held at its ends, for one
};
Result Combine(std::span<const Position> positions, const AnalysisOptions& options);

}  // namespace tolmarin::measure
