#include "roomeq/Exchange.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <optional>

namespace tolmarin::roomeq {

namespace {

constexpr double kMaxGainDb = codec::kBandGain.Display(codec::kBandGain.high);
constexpr double kGainReportDb = 0.05;
constexpr double kRelativeReport = 0.01;
constexpr double kSteepShelfDb = 12.0;

std::string Format(const char* fmt, double v) {
    char buf[48];
    std::snprintf(buf, sizeof buf, fmt, v);
    return buf;
}

// Hertz with up to two decimals and no trailing zeros: "1000", "20.35".
std::string HzText(double hz) {
    std::string t = Format("%.2f", hz);
    while (t.back() == '0') {
        t.pop_back();
    }
    if (t.back() == '.') {
        t.pop_back();
    }
    return t;
}

std::string Upper(std::string_view s) {
    std::string out(s);
    std::transform(out.begin(), out.end(), out.begin(),
                   [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    return out;
}

std::vector<std::string> Words(std::string_view line) {
    std::vector<std::string> out;
    std::size_t i = 0;
    while (i < line.size()) {
        while (i < line.size() && std::isspace(static_cast<unsigned char>(line[i]))) {
            ++i;
        }
        const std::size_t start = i;
        while (i < line.size() && !std::isspace(static_cast<unsigned char>(line[i]))) {
            ++i;
        }
        if (i > start) {
            out.emplace_back(line.substr(start, i - start));
        }
    }
    return out;
}

std::optional<double> Number(std::string_view v) {
    if (!v.empty() && v.front() == '+') {
        v.remove_prefix(1);
    }
    double d = 0.0;
    const auto [end, ec] = std::from_chars(v.data(), v.data() + v.size(), d);
    if (v.empty() || ec != std::errc() || end != v.data() + v.size() || !std::isfinite(d)) {
        return std::nullopt;
    }
    return d;
}

// Nearest grid entry that a whole hertz stands for.
int SnapHz(double hz, int lo, int hi) {
    const double clamped = std::clamp(hz, static_cast<double>(lo), static_cast<double>(hi));
    int best = lo;
    double bestDistance = 1e9;
    const int centre = *FreqToIndex(clamped);
    for (int i = std::max(0, centre - 3); i <= std::min(kGridSize - 1, centre + 3); ++i) {
        const auto h = HzOfGridIndex(i);
        if (!h || *h < lo || *h > hi) {
            continue;
        }
        const double d = std::abs(std::log(*h / clamped));
        if (d < bestDistance) {
            bestDistance = d;
            best = *h;
        }
    }
    return best;
}

int NearestQStep(double q) {
    int best = 0;
    for (int i = 1; i < kBandwidthSteps; ++i) {
        if (std::abs(std::log(QTable[static_cast<std::size_t>(i)] / q)) <
            std::abs(std::log(QTable[static_cast<std::size_t>(best)] / q))) {
            best = i;
        }
    }
    return best;
}

}  // namespace

std::string ExportText(const std::array<BandRecord, kBands>& bands, const std::string& title) {
    std::string out;
    if (!title.empty()) {
        out += "# " + title + "\n";
    }
    const GridResponse r = BandsResponse(bands);
    const double boost = std::max(0.0, *std::max_element(r.begin(), r.end()));
    // Rounded up to the next 0.1 dB so the headroom is never short.
    const double preamp = -std::ceil(boost * 10.0 - 1e-9) / 10.0;
    out += "Preamp: " + Format("%.1f", preamp == 0.0 ? 0.0 : preamp) + " dB\n";
    for (int k = 0; k < kBands; ++k) {
        const BandRecord& b = bands[static_cast<std::size_t>(k)];
        std::string line = "Filter " + std::to_string(k + 1) + ": ON ";
        const std::string gain =
            " Gain " + Format("%.1f", GainDb(b) == 0.0 ? 0.0 : GainDb(b)) + " dB";
        if (b.type == filter::kLowShelf || b.type == filter::kHighShelf) {
            // The Fc and Q of the shelf the amplifier plays, not the frequency it holds.
            const int slope = b.slope == 0 ? 0 : 1;
            const double fc = ShelfFreq(b.type, b.freq) * ShelfCentreFactor(b.type, slope);
            line += b.type == filter::kLowShelf ? "LSC" : "HSC";
            line += " Fc " + HzText(fc) + " Hz" + gain + " Q " +
                    Format("%.4f", ShelfQOfSlope(ShelfSlopeS(slope), GainDb(b)));
        } else {
            // The grid frequency it plays at: read back, it snaps to the same whole hertz.
            const double fc = FreqTable[static_cast<std::size_t>(GridIndexOfHz(b.freq))];
            line += "PK Fc " + HzText(fc) + " Hz" + gain + " Q " +
                    Format("%.3f", BandQ(b.bandwidthStep));
        }
        out += line + "\n";
    }
    return out;
}

namespace {

// One filter of the text as it stands, with what it plays.
struct TextFilter {
    std::string number;
    std::string typeWord;
    int type = filter::kPeaking;
    double fc = 0.0;
    double gain = 0.0;
    std::optional<double> q;
    std::optional<double> octaves;
    GridResponse response{};
};

double QOfOctaves(double octaves) {
    return 1.0 / (2.0 * std::sinh(std::log(2.0) / 2.0 * octaves));
}

double RmsOver(const GridResponse& a, const GridResponse& b) {
    double acc = 0.0;
    int n = 0;
    for (int i = 0; i < kGridSize; ++i) {
        const auto k = static_cast<std::size_t>(i);
        if (FreqTable[k] >= kLowestHz && FreqTable[k] <= kHighestHz) {
            acc += (a[k] - b[k]) * (a[k] - b[k]);
            ++n;
        }
    }
    return n == 0 ? 0.0 : std::sqrt(acc / n);
}

GridResponse OneSection(const Biquad& b) {
    SectionSet set;
    set.count = 1;
    set.section[0] = b;
    return EvaluateSections(set);
}

// The held frequency and slope whose shelf comes closest to the text's (largest difference
// over 20 Hz to 20 kHz); among equals (a flat shelf) the one whose centre and Q are nearest.
struct ShelfChoice {
    int hz = kShelfLimitHz;
    int slope = 1;
    double difference = 0.0;
};

double LargestDifferenceEvery(const GridResponse& a, const GridResponse& b, std::size_t every) {
    double worst = 0.0;
    for (std::size_t k = 0; k < static_cast<std::size_t>(kGridSize); k += every) {
        if (FreqTable[k] >= kLowestHz && FreqTable[k] <= kHighestHz) {
            worst = std::max(worst, std::abs(a[k] - b[k]));
        }
    }
    return worst;
}

ShelfChoice MatchShelf(const TextFilter& f, double heldGain, double textQ) {
    // A coarse pass every 2 % in frequency on every third grid point, then every whole
    // hertz near the best of it on all points: the difference has one valley.
    constexpr double kCoarseRatio = 1.02;
    constexpr std::size_t kCoarseEvery = 3;
    ShelfChoice best;
    double bestCost = 1e300;
    const int lo = f.type == filter::kLowShelf ? kLowestHz : kShelfLimitHz;
    const int hi = f.type == filter::kLowShelf ? kShelfLimitHz : kHighestHz;
    for (int slope = 0; slope < 2; ++slope) {
        const double factor = ShelfCentreFactor(f.type, slope);
        const double q = ShelfQOfSlope(ShelfSlopeS(slope), heldGain);
        const double tie = std::abs(std::log(q / textQ));
        const auto cost = [&](int hz, std::size_t every, double& difference) {
            BandRecord b;
            b.type = static_cast<std::uint8_t>(f.type);
            b.freq = static_cast<std::int16_t>(hz);
            b.gainStep = static_cast<std::int16_t>(kGainStepZero + std::lround(heldGain * 10.0));
            b.slope = static_cast<std::uint8_t>(slope);
            difference = LargestDifferenceEvery(BandResponse(b), f.response, every);
            return difference + 1e-6 * (std::abs(std::log(hz * factor / f.fc)) + tie);
        };
        int coarseHz = lo;
        double coarseCost = 1e300;
        for (double h = lo; h <= hi; h *= kCoarseRatio) {
            double d = 0.0;
            const int hz = static_cast<int>(std::lround(h));
            if (const double c = cost(hz, kCoarseEvery, d); c < coarseCost) {
                coarseCost = c;
                coarseHz = hz;
            }
        }
        const int from =
            std::max(lo, static_cast<int>(coarseHz / (kCoarseRatio * kCoarseRatio)) - 1);
        const int to = std::min(hi, static_cast<int>(coarseHz * kCoarseRatio * kCoarseRatio) + 1);
        for (int hz = from; hz <= to; ++hz) {
            double d = 0.0;
            if (const double c = cost(hz, 1, d); c < bestCost) {
                bestCost = c;
                best = {hz, slope, d};
            }
        }
    }
    return best;
}

}  // namespace

ImportOutcome ImportText(std::string_view text, const std::array<BandRecord, kBands>& current) {
    ImportOutcome out;
    out.bands = current;
    std::size_t pos = 0;
    int lineNo = 0;
    int filterCount = 0;
    int firstFilterLine = 0;
    bool seenFilter = false;
    std::vector<TextFilter> filters;
    const auto refuseWith = [&](TextId reason, std::vector<std::string> values) {
        out.ok = false;
        out.bands = current;
        out.failure = {lineNo, reason, std::move(values)};
        return out;
    };
    const auto refuse = [&](const std::string& line) {
        return refuseWith(TextId::RoomEqBadFilterLine, {line});
    };
    while (pos <= text.size()) {
        const std::size_t end = std::min(text.find('\n', pos), text.size());
        std::string line(text.substr(pos, end - pos));
        pos = end + 1;
        ++lineNo;
        while (!line.empty() && (line.back() == '\r' || line.back() == ' ')) {
            line.pop_back();
        }
        const std::vector<std::string> w = Words(line);
        if (w.empty() || w[0].front() == '#') {
            continue;
        }
        const std::string head = Upper(w[0]);
        if (head.starts_with("PREAMP")) {
            out.notes.push_back({TextId::RoomEqPreampIgnored, {}});
            continue;
        }
        // "Filter 3:", "Filter3:" or "Filter:"; anything else before the first of them is
        // the header of the program that wrote the text ("Filter Settings file", "Dated:").
        const auto digits = [](std::string_view v) {
            return std::all_of(v.begin(), v.end(), [](char c) { return c >= '0' && c <= '9'; });
        };
        std::size_t at = 1;
        std::string number;
        bool filterLine = false;
        if (head == "FILTER" && w.size() > 1 && w[1].size() > 1 && w[1].back() == ':' &&
            digits(std::string_view(w[1]).substr(0, w[1].size() - 1))) {
            number = w[1].substr(0, w[1].size() - 1);
            at = 2;
            filterLine = true;
        } else if (head.starts_with("FILTER") && head.back() == ':' &&
                   digits(std::string_view(head).substr(6, head.size() - 7))) {
            number = w[0].substr(6, w[0].size() - 7);
            filterLine = true;
        }
        if (!filterLine) {
            if (seenFilter && head.starts_with("FILTER")) {
                return refuse(line);
            }
            continue;  // the header, or other settings of those programs (Channel:, Device:)
        }
        if (!seenFilter) {
            firstFilterLine = lineNo;
        }
        seenFilter = true;
        ++filterCount;
        if (number.empty()) {
            number = std::to_string(filterCount);
        }
        if (w.size() < at + 2) {
            return refuse(line);
        }
        const std::string state = Upper(w[at]);
        const std::string type = Upper(w[at + 1]);
        if (type == "NONE" && w.size() == at + 2) {
            continue;  // REW's placeholder for a filter it did not use
        }
        if (state == "OFF") {
            out.notes.push_back({TextId::RoomEqFilterOff, {number}});
            continue;
        }
        if (state != "ON") {
            return refuse(line);
        }
        int bandType = -1;
        if (type == "PK" || type == "PEQ" || type == "MODAL") {
            bandType = filter::kPeaking;
        } else if (type == "LSC" || type == "LS" || type == "LSQ") {
            bandType = filter::kLowShelf;
        } else if (type == "HSC" || type == "HS" || type == "HSQ") {
            bandType = filter::kHighShelf;
        }
        if (bandType < 0) {
            out.notes.push_back({TextId::RoomEqTypeLacking, {number, w[at + 1]}});
            continue;
        }
        std::optional<double> fc;
        std::optional<double> gain;
        std::optional<double> q;
        std::optional<double> octaves;
        std::optional<double> slopeDb;
        // A key's value must be a number (above 0 where a negative one means nothing):
        // an unreadable one refuses the text rather than becoming a default.
        std::optional<ImportOutcome> refused;
        const auto valueAt = [&](std::size_t k, const char* what, bool positive) {
            const std::string word = k < w.size() ? w[k] : std::string();
            const auto v = Number(word);
            if (!v || (positive && *v <= 0.0)) {
                refused = refuseWith(TextId::RoomEqFilterBadValue, {number, what, word});
                return std::optional<double>();
            }
            return v;
        };
        for (std::size_t i = at + 2; i < w.size() && !refused; ++i) {
            const std::string key = Upper(w[i]);
            if (key == "FC") {
                fc = valueAt(i + 1, "Fc", true);
                i += 2;  // the value and "Hz"
            } else if (key == "GAIN") {
                gain = valueAt(i + 1, "Gain", false);
                i += 2;
            } else if (key == "Q") {
                q = valueAt(i + 1, "Q", true);
                i += 1;
            } else if (key == "BW" && i + 2 < w.size() && Upper(w[i + 1]) == "OCT") {
                octaves = valueAt(i + 2, "BW", true);
                i += 2;
            } else if (const auto v = Number(w[i]);
                       v && *v > 0.0 && i + 1 < w.size() && Upper(w[i + 1]) == "DB" && !fc) {
                slopeDb = v;  // "LSC 12 dB Fc ..."
                i += 1;
            } else if (const auto d = Number(key.substr(0, key.size() >= 2 ? key.size() - 2 : 0));
                       key.ends_with("DB") && d && *d > 0.0 && !fc) {
                slopeDb = d;  // "LS 6dB"
            } else {
                return refuse(line);
            }
        }
        if (refused) {
            return *refused;
        }
        if (!fc) {
            return refuseWith(TextId::RoomEqFilterMissing, {number, "Fc"});
        }
        if (!gain) {
            return refuseWith(TextId::RoomEqFilterMissing, {number, "Gain"});
        }
        if (bandType == filter::kPeaking && !q && !octaves) {
            return refuseWith(TextId::RoomEqFilterMissing, {number, "Q"});
        }
        // What the amplifier cannot hold is left out and named: held nearer, it would
        // play something else (a 25 kHz boost held at 20 kHz is a treble boost).
        const auto cannotHold = [&](const std::string& value, const std::string& range) {
            out.notes.push_back({TextId::RoomEqCannotHold, {number, w[at + 1], value, range}});
        };
        if (*fc < kLowestHz || *fc > kHighestHz) {
            cannotHold("Fc " + Format("%g", *fc) + " Hz", "20 Hz - 20000 Hz");
            continue;
        }
        if (std::abs(*gain) > kMaxGainDb + kGainReportDb) {
            cannotHold("Gain " + Format("%g", *gain) + " dB", "-20 dB - +20 dB");
            continue;
        }
        const double qMin = QTable[kBandwidthSteps - 1];
        const double qMax = QTable[0];
        if (bandType == filter::kPeaking && q &&
            (*q < qMin * (1.0 - kRelativeReport) || *q > qMax * (1.0 + kRelativeReport))) {
            cannotHold("Q " + Format("%g", *q),
                       "Q " + Format("%.3f", qMin) + " - " + Format("%.3f", qMax));
            continue;
        }
        if (bandType == filter::kPeaking && !q && octaves &&
            (*octaves < 0.05 * (1.0 - kRelativeReport) ||
             *octaves > 3.0 * (1.0 + kRelativeReport))) {
            cannotHold("BW " + Format("%g", *octaves) + " Oct", "BW 0.05 - 3.00 Oct");
            continue;
        }
        TextFilter f;
        f.number = number;
        f.typeWord = w[at + 1];
        f.type = bandType;
        f.fc = *fc;
        f.gain = *gain;
        f.q = q;
        f.octaves = octaves;
        if (bandType == filter::kPeaking) {
            f.response = OneSection(PeakingBiquad(*fc, *gain, q ? *q : QOfOctaves(*octaves)));
        } else {
            // A slope in dB/Oct is S = slope / 12; neither Q nor slope is S = 1 (Q 0.707),
            // as Equalizer APO reads such a shelf.
            if (!q) {
                q = ShelfQOfSlope(slopeDb ? *slopeDb / kSteepShelfDb : 1.0, *gain);
            }
            f.q = q;
            f.response = OneSection(ShelfBiquad(bandType, *fc, *gain, *q));
        }
        filters.push_back(std::move(f));
    }
    if (filters.empty()) {
        // Flattening the channel is not what a text with nothing to hold asked for.
        lineNo = std::max(firstFilterLine, 1);
        return refuseWith(TextId::RoomEqNothingToHold, {});
    }
    // Eight bands: the filters that change the sound least are the ones left out.
    while (filters.size() > static_cast<std::size_t>(kBands)) {
        std::size_t least = 0;
        double leastRms = 1e300;
        for (std::size_t k = 0; k < filters.size(); ++k) {
            const double rms = RmsOver(filters[k].response, GridResponse{});
            if (rms < leastRms) {
                leastRms = rms;
                least = k;
            }
        }
        out.notes.push_back(
            {TextId::RoomEqTooManyBands, {filters[least].number, filters[least].typeWord}});
        filters.erase(filters.begin() + static_cast<std::ptrdiff_t>(least));
    }
    GridResponse wanted{};
    for (const TextFilter& f : filters) {
        BandRecord& b = out.bands[static_cast<std::size_t>(out.imported)];
        ++out.imported;
        for (int i = 0; i < kGridSize; ++i) {
            wanted[static_cast<std::size_t>(i)] += f.response[static_cast<std::size_t>(i)];
        }
        const auto moved = [&](const char* what, const std::string& from, const std::string& to) {
            out.notes.push_back({TextId::RoomEqMoved, {f.number, what, from, to}});
        };
        b.type = static_cast<std::uint8_t>(f.type);
        const double heldGain = std::round(f.gain * 10.0) / 10.0;
        if (std::abs(heldGain - f.gain) > kGainReportDb) {
            moved("Gain", Format("%g dB", f.gain), Format("%.1f dB", heldGain));
        }
        b.gainStep = static_cast<std::int16_t>(kGainStepZero + std::lround(heldGain * 10.0));
        if (f.type == filter::kPeaking) {
            const int hz = SnapHz(f.fc, kLowestHz, kHighestHz);
            const double played = FreqTable[static_cast<std::size_t>(GridIndexOfHz(hz))];
            if (std::abs(played - f.fc) > kRelativeReport * f.fc) {
                moved("Fc", Format("%g Hz", f.fc), std::to_string(hz) + " Hz");
            }
            b.freq = static_cast<std::int16_t>(hz);
            if (f.q) {
                b.bandwidthStep = static_cast<std::int16_t>(NearestQStep(*f.q));
                if (std::abs(BandQ(b.bandwidthStep) - *f.q) > kRelativeReport * *f.q) {
                    moved("Q", Format("%g", *f.q), Format("%.3f", BandQ(b.bandwidthStep)));
                }
            } else {
                const long step = std::clamp(std::lround((*f.octaves - 0.05) / 0.05), 0L,
                                             static_cast<long>(kBandwidthSteps - 1));
                b.bandwidthStep = static_cast<std::int16_t>(step);
                const double held = static_cast<double>(step) * 0.05 + 0.05;
                if (std::abs(held - *f.octaves) > kRelativeReport * *f.octaves) {
                    moved("BW", Format("%g Oct", *f.octaves), Format("%.2f Oct", held));
                }
            }
        } else {
            const ShelfChoice c = MatchShelf(f, heldGain, *f.q);
            b.freq = static_cast<std::int16_t>(c.hz);
            b.slope = static_cast<std::uint8_t>(c.slope);
            out.notes.push_back({TextId::RoomEqShelfMatch,
                                 {f.number, f.typeWord, Format("%g", f.fc), std::to_string(c.hz),
                                  c.slope == 0 ? "6" : "12", Format("%.2f", c.difference)}});
        }
    }
    for (int k = out.imported; k < kBands; ++k) {
        out.bands[static_cast<std::size_t>(k)].gainStep = kGainStepZero;
    }
    const GridResponse held = BandsResponse(out.bands);
    out.rmsDb = RmsOver(held, wanted);
    out.largestBoostDb = std::max(0.0, *std::max_element(held.begin(), held.end()));
    out.notes.push_back({TextId::RoomEqCombinedBoost, {Format("%.1f", out.largestBoostDb)}});
    out.ok = true;
    return out;
}

std::string DescribeNote(const ImportNote& note, const UiState& ui) {
    return FillText(ui.Text(note.id), note.values);
}

}  // namespace tolmarin::roomeq
