#include "roomeq/Fit.h"

#include <nlopt.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <vector>

namespace tolmarin::roomeq {

namespace {

constexpr double kMinBandwidth = 0.05;  // octaves, bandwidth step 0
constexpr double kMaxBandwidth = 3.0;   // step 59
constexpr double kBandwidthPerStep = 0.05;
constexpr double kDbPerStep = 0.1;
constexpr double kLn2 = 0.6931471805599453;
// Where a shelf's initial corner sits inside the range, in octaves from its end.
constexpr double kShelfStartOctaves = 1.0;
constexpr int kSingleBandEvals = 400;
constexpr int kJointEvalsPerVariable = 150;
constexpr int kMaxGridPasses = 60;
// Weight of the combined response's excess over the limits in the continuous objective:
// 0.1 dB beyond everywhere costs as much as 0.3 dB of RMS deviation.
constexpr double kExcessWeight = 10.0;
constexpr double kLimitTolerance = 1e-9;
constexpr int kMaxRepairSteps = 8 * 400;

double QOfBandwidth(double octaves) {
    return 1.0 / (2.0 * std::sinh(kLn2 / 2.0 * octaves));
}

// One band being fitted: which band of the channel, what it is and where it may go.
struct Slot {
    int band = 0;
    int type = filter::kPeaking;
    int slope = 1;
    double loLog2 = 0.0;  // frequency bounds, log2 Hz
    double hiLog2 = 0.0;
    std::vector<int> gridIndices;  // the grid entries it may take, ascending
    // Continuous state.
    double log2Hz = 0.0;
    double gain = 0.0;
    double bandwidth = 1.0;
    // Grid state.
    int gridPos = 0;  // into gridIndices
    int gainStep = kGainStepZero;
    int bandwidthStep = 19;

    int Variables() const { return type == filter::kPeaking ? 3 : 2; }
};

struct Problem {
    std::vector<double> c1;  // cos w, cos 2w of every point of the range
    std::vector<double> c2;
    std::vector<double> fixed;  // measured + fixed filters - target
    // The whole grid, for the bands' combined response: cos w, cos 2w and the bands the fit
    // does not move. The combined response must stay within lowest and highest.
    std::vector<double> fullC1;
    std::vector<double> fullC2;
    std::vector<double> heldBands;
    double lowest = -1e9;
    double highest = 1e9;
    std::vector<Slot> slots;
    double gainLo = 0.0;
    double gainHi = 0.0;
    // Scratch of the objective.
    std::vector<double> base;
    std::vector<double> sum;
    std::vector<double> baseFull;
    std::vector<double> sumFull;
    std::vector<int> active;

    std::size_t Points() const { return fixed.size(); }
};

Biquad Design(int type, int slope, double hz, double gain, double bandwidth) {
    if (type == filter::kPeaking) {
        return PeakingBiquad(hz, gain, QOfBandwidth(bandwidth));
    }
    FilterParams p;
    p.type = type;
    p.frequency = hz;
    p.gain = gain;
    p.bypass = false;
    p.slope = slope;
    const SectionSet s = DesignSections(p);
    return s.count > 0 ? s.section[0] : Biquad{};
}

Biquad DesignOnGrid(const Slot& s) {
    const int index = s.gridIndices[static_cast<std::size_t>(s.gridPos)];
    const double gain = (s.gainStep - kGainStepZero) * kDbPerStep;
    if (s.type == filter::kPeaking) {
        return PeakingBiquad(FreqTable[static_cast<std::size_t>(index)], gain,
                             BandQ(s.bandwidthStep));
    }
    return Design(s.type, s.slope, *HzOfGridIndex(index), gain, 0.0);
}

void AddSection(const Problem& p, const Biquad& b, std::vector<double>& into) {
    for (std::size_t i = 0; i < p.Points(); ++i) {
        into[i] += SectionDb(b, p.c1[i], p.c2[i]);
    }
}

void AddSectionFull(const Problem& p, const Biquad& b, std::vector<double>& into) {
    for (std::size_t i = 0; i < into.size(); ++i) {
        into[i] += SectionDb(b, p.fullC1[i], p.fullC2[i]);
    }
}

// Mean squared excess of the combined bands over the limits.
double Excess(const Problem& p, const std::vector<double>& full) {
    double acc = 0.0;
    for (double v : full) {
        const double e = v > p.highest ? v - p.highest : (v < p.lowest ? p.lowest - v : 0.0);
        acc += e * e;
    }
    return full.empty() ? 0.0 : acc / static_cast<double>(full.size());
}

bool WithinLimits(const Problem& p, const std::vector<double>& full) {
    return std::all_of(full.begin(), full.end(), [&](double v) {
        return v <= p.highest + kLimitTolerance && v >= p.lowest - kLimitTolerance;
    });
}

// Variance around the mean: the squared RMS with the level floating.
double Variance(const std::vector<double>& r) {
    double mean = 0.0;
    for (double v : r) {
        mean += v;
    }
    mean /= static_cast<double>(r.size());
    double acc = 0.0;
    for (double v : r) {
        acc += (v - mean) * (v - mean);
    }
    return acc / static_cast<double>(r.size());
}

// Unit-cube variables of a slot to its parameters: even steps in log frequency, dB and
// log bandwidth, so one trust radius suits them all.
void FromUnit(const Problem& p, Slot& s, const double* u) {
    s.log2Hz = s.loLog2 + u[0] * (s.hiLog2 - s.loLog2);
    s.gain = p.gainLo + u[1] * (p.gainHi - p.gainLo);
    if (s.type == filter::kPeaking) {
        s.bandwidth = std::exp(std::log(kMinBandwidth) +
                               u[2] * (std::log(kMaxBandwidth) - std::log(kMinBandwidth)));
    }
}

void ToUnit(const Problem& p, const Slot& s, double* u) {
    const auto unit = [](double v, double lo, double hi) {
        return hi > lo ? std::clamp((v - lo) / (hi - lo), 0.0, 1.0) : 0.0;
    };
    u[0] = unit(s.log2Hz, s.loLog2, s.hiLog2);
    u[1] = unit(s.gain, p.gainLo, p.gainHi);
    if (s.type == filter::kPeaking) {
        u[2] = unit(std::log(s.bandwidth), std::log(kMinBandwidth), std::log(kMaxBandwidth));
    }
}

Biquad DesignContinuous(const Slot& s) {
    return Design(s.type, s.slope, std::exp2(s.log2Hz), s.gain, s.bandwidth);
}

double Objective(unsigned /*n*/, const double* x, double* /*grad*/, void* data) {
    Problem& p = *static_cast<Problem*>(data);
    p.sum = p.base;
    p.sumFull = p.baseFull;
    const double* u = x;
    for (int k : p.active) {
        Slot& s = p.slots[static_cast<std::size_t>(k)];
        FromUnit(p, s, u);
        u += s.Variables();
        const Biquad b = DesignContinuous(s);
        AddSection(p, b, p.sum);
        AddSectionFull(p, b, p.sumFull);
    }
    return Variance(p.sum) + kExcessWeight * Excess(p, p.sumFull);
}

// Optimises the active slots with the others held in base.
void Optimise(Problem& p, const std::vector<int>& active, int maxEvals) {
    p.active = active;
    p.base = p.fixed;
    p.baseFull = p.heldBands;
    for (std::size_t k = 0; k < p.slots.size(); ++k) {
        if (std::find(active.begin(), active.end(), static_cast<int>(k)) == active.end() &&
            p.slots[k].log2Hz > 0.0) {
            const Biquad b = DesignContinuous(p.slots[k]);
            AddSection(p, b, p.base);
            AddSectionFull(p, b, p.baseFull);
        }
    }
    std::vector<double> x;
    for (int k : active) {
        const Slot& s = p.slots[static_cast<std::size_t>(k)];
        const std::size_t at = x.size();
        x.resize(at + static_cast<std::size_t>(s.Variables()));
        ToUnit(p, s, x.data() + at);
    }
    const auto n = static_cast<unsigned>(x.size());
    std::unique_ptr<nlopt_opt_s, decltype(&nlopt_destroy)> opt(nlopt_create(NLOPT_LN_BOBYQA, n),
                                                               &nlopt_destroy);
    nlopt_set_lower_bounds1(opt.get(), 0.0);
    nlopt_set_upper_bounds1(opt.get(), 1.0);
    nlopt_set_min_objective(opt.get(), &Objective, &p);
    nlopt_set_xtol_abs1(opt.get(), 1e-5);
    nlopt_set_ftol_rel(opt.get(), 1e-9);
    nlopt_set_maxeval(opt.get(), maxEvals);
    nlopt_set_initial_step1(opt.get(), 0.05);
    double best = 0.0;
    nlopt_optimize(opt.get(), x.data(), &best);
    // The slots hold the last point tried; set them to the best one returned.
    const double* u = x.data();
    for (int k : active) {
        Slot& s = p.slots[static_cast<std::size_t>(k)];
        FromUnit(p, s, u);
        u += s.Variables();
    }
}

// Residual of the placed slots and the fixed part, mean removed.
std::vector<double> Residual(const Problem& p, std::size_t placed) {
    std::vector<double> r = p.fixed;
    for (std::size_t k = 0; k < placed; ++k) {
        AddSection(p, DesignContinuous(p.slots[k]), r);
    }
    double mean = 0.0;
    for (double v : r) {
        mean += v;
    }
    mean /= static_cast<double>(r.size());
    for (double& v : r) {
        v -= mean;
    }
    return r;
}

// A peaking band's start: against the largest deviation left, as wide as the deviation
// stays above half of it.
void StartPeak(const Problem& p, Slot& s, const std::vector<double>& r,
               const std::vector<double>& log2Hz) {
    std::size_t peak = 0;
    double worst = -1.0;
    for (std::size_t i = 0; i < r.size(); ++i) {
        if (log2Hz[i] >= s.loLog2 && log2Hz[i] <= s.hiLog2 && std::abs(r[i]) > worst) {
            worst = std::abs(r[i]);
            peak = i;
        }
    }
    std::size_t left = peak;
    std::size_t right = peak;
    const auto sameSide = [&](std::size_t i) {
        return r[i] * r[peak] > 0.0 && std::abs(r[i]) > 0.5 * std::abs(r[peak]);
    };
    while (left > 0 && sameSide(left - 1)) {
        --left;
    }
    while (right + 1 < r.size() && sameSide(right + 1)) {
        ++right;
    }
    s.log2Hz = log2Hz[peak];
    s.gain = std::clamp(-r[peak], p.gainLo, p.gainHi);
    s.bandwidth = std::clamp(log2Hz[right] - log2Hz[left] + 0.1, 0.1, kMaxBandwidth);
}

void StartShelf(const Problem& p, Slot& s, const std::vector<double>& r,
                const std::vector<double>& log2Hz) {
    const bool low = s.type == filter::kLowShelf;
    const double edge =
        low ? log2Hz.front() + kShelfStartOctaves : log2Hz.back() - kShelfStartOctaves;
    double sum = 0.0;
    int n = 0;
    for (std::size_t i = 0; i < r.size(); ++i) {
        if (low ? log2Hz[i] <= edge : log2Hz[i] >= edge) {
            sum += r[i];
            ++n;
        }
    }
    s.log2Hz = std::clamp(edge, s.loLog2, s.hiLog2);
    s.gain = std::clamp(n > 0 ? -sum / n : 0.0, p.gainLo, p.gainHi);
}

// Nearest allowed grid entry to a continuous frequency, in log terms.
int NearestGridPos(const Slot& s) {
    int best = 0;
    double bestDistance = 1e9;
    for (std::size_t k = 0; k < s.gridIndices.size(); ++k) {
        const double d =
            std::abs(std::log2(FreqTable[static_cast<std::size_t>(s.gridIndices[k])]) - s.log2Hz);
        if (d < bestDistance) {
            bestDistance = d;
            best = static_cast<int>(k);
        }
    }
    return best;
}

// Coordinate search on the grids from the snapped continuous optimum: every single-step
// move of every band (frequency entry, gain step, bandwidth step, shelf slope) is tried,
// and the best that lowers the deviation is taken, until none does.
void SearchGrids(Problem& p, int gainStepLo, int gainStepHi) {
    const std::size_t nSlots = p.slots.size();
    const std::size_t nFull = p.heldBands.size();
    std::vector<std::vector<double>> own(nSlots, std::vector<double>(p.Points(), 0.0));
    std::vector<std::vector<double>> ownFull(nSlots, std::vector<double>(nFull, 0.0));
    const auto combined = [&] {
        std::vector<double> full = p.heldBands;
        for (std::size_t k = 0; k < nSlots; ++k) {
            for (std::size_t i = 0; i < nFull; ++i) {
                full[i] += ownFull[k][i];
            }
        }
        return full;
    };
    for (std::size_t k = 0; k < nSlots; ++k) {
        AddSectionFull(p, DesignOnGrid(p.slots[k]), ownFull[k]);
    }
    // Snapped, the bands may stack beyond the limits: the band that adds most to the worst
    // point steps towards 0 dB until none does.
    for (int step = 0; step < kMaxRepairSteps; ++step) {
        const std::vector<double> full = combined();
        std::size_t worst = 0;
        double worstExcess = 0.0;
        for (std::size_t i = 0; i < nFull; ++i) {
            const double e = std::max(full[i] - p.highest, p.lowest - full[i]);
            if (e > worstExcess) {
                worstExcess = e;
                worst = i;
            }
        }
        if (worstExcess <= kLimitTolerance) {
            break;
        }
        const double sign = full[worst] > p.highest ? 1.0 : -1.0;
        std::size_t culprit = 0;
        double most = -1e300;
        for (std::size_t k = 0; k < nSlots; ++k) {
            if (sign * ownFull[k][worst] > most && p.slots[k].gainStep != kGainStepZero) {
                most = sign * ownFull[k][worst];
                culprit = k;
            }
        }
        if (most <= 0.0) {
            break;  // the held bands alone: nothing the fit moves adds to it
        }
        Slot& s = p.slots[culprit];
        s.gainStep += s.gainStep > kGainStepZero ? -1 : 1;
        std::fill(ownFull[culprit].begin(), ownFull[culprit].end(), 0.0);
        AddSectionFull(p, DesignOnGrid(s), ownFull[culprit]);
    }
    std::vector<double> total = p.fixed;
    std::vector<double> totalFull = combined();
    for (std::size_t k = 0; k < nSlots; ++k) {
        AddSection(p, DesignOnGrid(p.slots[k]), own[k]);
        for (std::size_t i = 0; i < p.Points(); ++i) {
            total[i] += own[k][i];
        }
    }
    double current = Variance(total);
    std::vector<double> rest(p.Points());
    std::vector<double> trial(p.Points());
    std::vector<double> restFull(nFull);
    std::vector<double> trialFull(nFull);
    static constexpr int kFreqMoves[] = {-4, -2, -1, 1, 2, 4};
    static constexpr int kGainMoves[] = {-10, -3, -1, 1, 3, 10};
    static constexpr int kWidthMoves[] = {-4, -2, -1, 1, 2, 4};
    for (int pass = 0; pass < kMaxGridPasses; ++pass) {
        bool improved = false;
        for (std::size_t k = 0; k < nSlots; ++k) {
            Slot& s = p.slots[k];
            for (std::size_t i = 0; i < p.Points(); ++i) {
                rest[i] = total[i] - own[k][i];
            }
            for (std::size_t i = 0; i < nFull; ++i) {
                restFull[i] = totalFull[i] - ownFull[k][i];
            }
            Slot best = s;
            double bestValue = current;
            const auto tryMove = [&](const Slot& candidate) {
                const Biquad b = DesignOnGrid(candidate);
                trialFull = restFull;
                AddSectionFull(p, b, trialFull);
                if (!WithinLimits(p, trialFull)) {
                    return;  // the bands together would go beyond the largest boost or cut
                }
                std::fill(trial.begin(), trial.end(), 0.0);
                AddSection(p, b, trial);
                for (std::size_t i = 0; i < p.Points(); ++i) {
                    trial[i] += rest[i];
                }
                const double v = Variance(trial);
                if (v < bestValue - 1e-12) {
                    bestValue = v;
                    best = candidate;
                }
            };
            const int positions = static_cast<int>(s.gridIndices.size());
            for (int d : kFreqMoves) {
                Slot c = s;
                c.gridPos = s.gridPos + d;
                if (c.gridPos >= 0 && c.gridPos < positions) {
                    tryMove(c);
                }
            }
            for (int d : kGainMoves) {
                Slot c = s;
                c.gainStep = s.gainStep + d;
                if (c.gainStep >= gainStepLo && c.gainStep <= gainStepHi) {
                    tryMove(c);
                }
            }
            if (s.type == filter::kPeaking) {
                for (int d : kWidthMoves) {
                    Slot c = s;
                    c.bandwidthStep = s.bandwidthStep + d;
                    if (c.bandwidthStep >= 0 && c.bandwidthStep < kBandwidthSteps) {
                        tryMove(c);
                    }
                }
                // Frequency and width together: a band sliding along a slope.
                for (int df : {-1, 1}) {
                    for (int dw : {-1, 1}) {
                        Slot c = s;
                        c.gridPos = s.gridPos + df;
                        c.bandwidthStep = s.bandwidthStep + dw;
                        if (c.gridPos >= 0 && c.gridPos < positions && c.bandwidthStep >= 0 &&
                            c.bandwidthStep < kBandwidthSteps) {
                            tryMove(c);
                        }
                    }
                }
            } else {
                Slot c = s;
                c.slope = 1 - s.slope;
                tryMove(c);
            }
            if (bestValue < current) {
                s = best;
                std::fill(own[k].begin(), own[k].end(), 0.0);
                AddSection(p, DesignOnGrid(s), own[k]);
                for (std::size_t i = 0; i < p.Points(); ++i) {
                    total[i] = rest[i] + own[k][i];
                }
                std::fill(ownFull[k].begin(), ownFull[k].end(), 0.0);
                AddSectionFull(p, DesignOnGrid(s), ownFull[k]);
                for (std::size_t i = 0; i < nFull; ++i) {
                    totalFull[i] = restFull[i] + ownFull[k][i];
                }
                current = bestValue;
                improved = true;
            }
        }
        if (!improved) {
            break;
        }
    }
}

}  // namespace

std::pair<double, double> DefaultRange(const ChannelFilters& channel) {
    double lo = kDefaultFitLowHz;
    double hi = kDefaultFitHighHz;
    // Only a crossover inside the range narrows it (a record may hold any number there).
    const double hp = channel.highPass.frequency;
    const double lp = channel.lowPass.frequency;
    if (hp > lo && hp < hi) {
        lo = hp;
    }
    if (lp > lo && lp < hi) {
        hi = lp;
    }
    return {lo, hi};
}

double RmsDeviation(const GridResponse& measured, const GridResponse& response,
                    const GridResponse& target, double loHz, double hiHz) {
    std::vector<double> r;
    for (int i = 0; i < kGridSize; ++i) {
        const auto k = static_cast<std::size_t>(i);
        if (FreqTable[k] >= loHz && FreqTable[k] <= hiHz) {
            r.push_back(measured[k] + response[k] - target[k]);
        }
    }
    return r.empty() ? 0.0 : std::sqrt(Variance(r));
}

FitResult FitBands(const GridResponse& measured, const GridResponse& target,
                   const ChannelFilters& channel, const FitOptions& options) {
    FitResult result;
    result.bands = channel.bands;
    const double lo = options.loHz;
    const double hi = options.hiHz;
    result.rmsBefore = RmsDeviation(measured, ChannelResponse(channel), target, lo, hi);

    // What the fit cannot move: the crossovers and the bands left out.
    ChannelFilters held = channel;
    std::vector<int> used;
    for (int k = 0; k < kBands; ++k) {
        if (options.use[static_cast<std::size_t>(k)]) {
            used.push_back(k);
            held.bands[static_cast<std::size_t>(k)].gainStep = kGainStepZero;
        }
    }
    if (used.empty()) {
        result.rmsAfter = result.rmsContinuous = result.rmsBefore;
        return result;
    }
    const GridResponse heldResponse = ChannelResponse(held);
    Problem p;
    p.gainLo = -std::abs(options.maxCutDb);
    p.gainHi = std::abs(options.maxBoostDb);
    // The limits hold for all eight bands together; bands left out of the fit that already
    // go beyond them widen them only as far as they go.
    const GridResponse heldBands = BandsResponse(held.bands);
    p.heldBands.assign(heldBands.begin(), heldBands.end());
    p.highest = std::max(p.gainHi, *std::max_element(heldBands.begin(), heldBands.end()));
    p.lowest = std::min(p.gainLo, *std::min_element(heldBands.begin(), heldBands.end()));
    for (int i = 0; i < kGridSize; ++i) {
        const double w = GridAngle(i);
        p.fullC1.push_back(std::cos(w));
        p.fullC2.push_back(std::cos(2.0 * w));
    }
    std::vector<double> log2Hz;
    for (int i = 0; i < kGridSize; ++i) {
        const auto k = static_cast<std::size_t>(i);
        if (FreqTable[k] >= lo && FreqTable[k] <= hi) {
            const double w = GridAngle(i);
            p.c1.push_back(std::cos(w));
            p.c2.push_back(std::cos(2.0 * w));
            p.fixed.push_back(measured[k] + heldResponse[k] - target[k]);
            log2Hz.push_back(std::log2(FreqTable[k]));
        }
    }
    if (p.fixed.empty()) {
        result.rmsAfter = result.rmsContinuous = result.rmsBefore;
        return result;
    }

    // Slots: shelves first (so the peaks start from what they leave), then the peaks.
    const auto makeSlot = [&](int band, int type) {
        Slot s;
        s.band = band;
        s.type = type;
        const BandRecord& old = channel.bands[static_cast<std::size_t>(band)];
        s.bandwidthStep = std::clamp<int>(old.bandwidthStep, 0, kBandwidthSteps - 1);
        double fLo = lo;
        double fHi = hi;
        if (type == filter::kLowShelf) {
            fLo = std::max<double>(kLowestHz, lo / 2.0);
            fHi = std::min<double>(kShelfLimitHz, hi);
        } else if (type == filter::kHighShelf) {
            fLo = std::max<double>(kShelfLimitHz, lo);
            fHi = std::min<double>(kHighestHz, hi * 2.0);
        }
        for (int i = 0; i < kGridSize; ++i) {
            const auto hz = HzOfGridIndex(i);
            if (hz && *hz >= fLo && *hz <= fHi) {
                s.gridIndices.push_back(i);
            }
        }
        if (s.gridIndices.empty()) {
            // A range too narrow for any entry: the nearest one to it.
            s.gridIndices.push_back(
                GridIndexOfHz(static_cast<int>(std::lround(std::sqrt(lo * hi)))));
        }
        s.loLog2 = std::log2(FreqTable[static_cast<std::size_t>(s.gridIndices.front())]);
        s.hiLog2 = std::log2(FreqTable[static_cast<std::size_t>(s.gridIndices.back())]);
        return s;
    };
    std::vector<int> peakBands = used;
    if (options.shelves && used.size() >= 2) {
        p.slots.push_back(makeSlot(used.front(), filter::kLowShelf));
        p.slots.push_back(makeSlot(used.back(), filter::kHighShelf));
        peakBands = std::vector<int>(used.begin() + 1, used.end() - 1);
    }
    for (int band : peakBands) {
        p.slots.push_back(makeSlot(band, filter::kPeaking));
    }

    // Greedy start: each band in turn against what the ones before it leave, fitted alone.
    for (std::size_t k = 0; k < p.slots.size(); ++k) {
        const std::vector<double> r = Residual(p, k);
        Slot& s = p.slots[k];
        if (s.type == filter::kPeaking) {
            StartPeak(p, s, r, log2Hz);
        } else {
            StartShelf(p, s, r, log2Hz);
        }
        // Only the new band moves; the ones placed before it are held, and those not yet
        // placed (log2Hz still 0) are left out.
        Optimise(p, {static_cast<int>(k)}, kSingleBandEvals);
    }
    std::vector<int> all(p.slots.size());
    for (std::size_t k = 0; k < all.size(); ++k) {
        all[k] = static_cast<int>(k);
    }
    int variables = 0;
    for (const Slot& s : p.slots) {
        variables += s.Variables();
    }
    Optimise(p, all, kJointEvalsPerVariable * variables);
    {
        std::vector<double> r = p.fixed;
        for (const Slot& s : p.slots) {
            AddSection(p, DesignContinuous(s), r);
        }
        result.rmsContinuous = std::sqrt(Variance(r));
    }
    if (!options.onGrids) {
        result.rmsAfter = result.rmsContinuous;
        return result;
    }

    // Onto the grids, then the search there.
    const int gainStepLo =
        kGainStepZero + static_cast<int>(std::ceil(p.gainLo / kDbPerStep - 1e-9));
    const int gainStepHi =
        kGainStepZero + static_cast<int>(std::floor(p.gainHi / kDbPerStep + 1e-9));
    for (Slot& s : p.slots) {
        s.gridPos = NearestGridPos(s);
        s.gainStep = std::clamp(kGainStepZero + static_cast<int>(std::lround(s.gain / kDbPerStep)),
                                gainStepLo, gainStepHi);
        if (s.type == filter::kPeaking) {
            s.bandwidthStep = std::clamp(
                static_cast<int>(std::lround((s.bandwidth - kMinBandwidth) / kBandwidthPerStep)), 0,
                kBandwidthSteps - 1);
        }
    }
    SearchGrids(p, gainStepLo, gainStepHi);

    // Peaks go to the used bands in ascending frequency, shelves to the ends.
    std::vector<const Slot*> peaks;
    for (const Slot& s : p.slots) {
        if (s.type == filter::kPeaking) {
            peaks.push_back(&s);
        }
    }
    std::sort(peaks.begin(), peaks.end(), [](const Slot* a, const Slot* b) {
        return a->gridIndices[static_cast<std::size_t>(a->gridPos)] <
               b->gridIndices[static_cast<std::size_t>(b->gridPos)];
    });
    const auto toRecord = [](const Slot& s, BandRecord& r) {
        r.type = static_cast<std::uint8_t>(s.type);
        r.slope = static_cast<std::uint8_t>(s.type == filter::kPeaking ? r.slope : s.slope);
        r.freq = static_cast<std::int16_t>(
            *HzOfGridIndex(s.gridIndices[static_cast<std::size_t>(s.gridPos)]));
        r.gainStep = static_cast<std::int16_t>(s.gainStep);
        r.bandwidthStep = static_cast<std::int16_t>(s.bandwidthStep);
    };
    for (std::size_t k = 0; k < peaks.size(); ++k) {
        toRecord(*peaks[k], result.bands[static_cast<std::size_t>(peakBands[k])]);
    }
    for (const Slot& s : p.slots) {
        if (s.type != filter::kPeaking) {
            toRecord(s, result.bands[static_cast<std::size_t>(s.band)]);
        }
    }
    ChannelFilters after = channel;
    after.bands = result.bands;
    result.rmsAfter = RmsDeviation(measured, ChannelResponse(after), target, lo, hi);
    return result;
}

}  // namespace tolmarin::roomeq
