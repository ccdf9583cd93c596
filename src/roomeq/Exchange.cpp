#include "roomeq/Exchange.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <optional>

namespace tolmarin::roomeq {

namespace {

constexpr double kMaxGainDb = 20.0;
constexpr double kGainReportDb = 0.05;
constexpr double kRelativeReport = 0.01;
constexpr double kSteepShelfDb = 12.0;
constexpr double kGentleShelfDb = 6.0;
// A shelf given by Q rather than slope: at or above this it is the steep one.
constexpr double kSteepShelfQ = 0.6;

std::string Format(const char* fmt, double v) {
    char buf[48];
    std::snprintf(buf, sizeof buf, fmt, v);
    return buf;
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
            line += b.type == filter::kLowShelf ? "LSC " : "HSC ";
            line += b.slope == 0 ? "6" : "12";
            line += " dB Fc " + std::to_string(ShelfFreq(b.type, b.freq)) + " Hz" + gain;
        } else {
            line += "PK Fc " + std::to_string(b.freq) + " Hz" + gain + " Q " +
                    Format("%.3f", BandQ(b.bandwidthStep));
        }
        out += line + "\n";
    }
    return out;
}

ImportOutcome ImportText(std::string_view text, const std::array<BandRecord, kBands>& current) {
    ImportOutcome out;
    out.bands = current;
    std::size_t pos = 0;
    int lineNo = 0;
    int filterCount = 0;
    const auto refuse = [&](const std::string& line) {
        out.ok = false;
        out.failure = {lineNo, TextId::RoomEqBadFilterLine, {line}};
        return out;
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
        if (!head.starts_with("FILTER")) {
            continue;  // other settings of those programs (Channel:, Device:) say nothing here
        }
        ++filterCount;
        // "Filter 3:" or "Filter:"; the words after it are ON/OFF, the type, then pairs.
        std::size_t at = 1;
        std::string number = std::to_string(filterCount);
        if (head == "FILTER" && w.size() > 1 && w[1].back() == ':') {
            number = w[1].substr(0, w[1].size() - 1);
            at = 2;
        } else if (head.back() == ':' && head.size() > 7) {
            number = w[0].substr(6, w[0].size() - 7);
        }
        if (w.size() < at + 2) {
            return refuse(line);
        }
        const std::string state = Upper(w[at]);
        const std::string type = Upper(w[at + 1]);
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
        for (std::size_t i = at + 2; i < w.size(); ++i) {
            const std::string key = Upper(w[i]);
            const auto next = [&](std::size_t k) {
                return i + k < w.size() ? Number(w[i + k]) : std::nullopt;
            };
            if (key == "FC") {
                fc = next(1);
                i += 2;  // the value and "Hz"
            } else if (key == "GAIN") {
                gain = next(1);
                i += 2;
            } else if (key == "Q") {
                q = next(1);
                i += 1;
            } else if (key == "BW" && i + 2 < w.size() && Upper(w[i + 1]) == "OCT") {
                octaves = next(2);
                i += 2;
            } else if (const auto v = Number(w[i]);
                       v && i + 1 < w.size() && Upper(w[i + 1]) == "DB" && !fc) {
                slopeDb = v;  // "LSC 12 dB Fc ..."
                i += 1;
            } else if (key.ends_with("DB") && Number(key.substr(0, key.size() - 2)) && !fc) {
                slopeDb = Number(key.substr(0, key.size() - 2));  // "LS 6dB"
            } else {
                return refuse(line);
            }
        }
        if (!fc || *fc <= 0.0 || (bandType == filter::kPeaking && !q && !octaves) ||
            (q && *q <= 0.0) || (octaves && *octaves <= 0.0)) {
            return refuse(line);
        }
        if (out.imported == kBands) {
            out.notes.push_back({TextId::RoomEqTooManyBands, {number, w[at + 1]}});
            continue;
        }
        BandRecord& b = out.bands[static_cast<std::size_t>(out.imported)];
        ++out.imported;
        const auto moved = [&](const char* what, const std::string& from, const std::string& to) {
            out.notes.push_back({TextId::RoomEqMoved, {number, what, from, to}});
        };
        b.type = static_cast<std::uint8_t>(bandType);
        const int lo = bandType == filter::kHighShelf ? kShelfLimitHz : kLowestHz;
        const int hi = bandType == filter::kLowShelf ? kShelfLimitHz : kHighestHz;
        const int hz = SnapHz(*fc, lo, hi);
        if (std::abs(hz - *fc) > kRelativeReport * *fc) {
            moved("Fc", Format("%g Hz", *fc), std::to_string(hz) + " Hz");
        }
        b.freq = static_cast<std::int16_t>(hz);
        const double g = gain.value_or(0.0);
        const double snappedGain = std::clamp(std::round(g * 10.0) / 10.0, -kMaxGainDb, kMaxGainDb);
        if (std::abs(snappedGain - g) > kGainReportDb) {
            moved("Gain", Format("%g dB", g), Format("%.1f dB", snappedGain));
        }
        b.gainStep = static_cast<std::int16_t>(kGainStepZero + std::lround(snappedGain * 10.0));
        if (bandType == filter::kPeaking) {
            if (q) {
                b.bandwidthStep = static_cast<std::int16_t>(NearestQStep(*q));
                if (std::abs(BandQ(b.bandwidthStep) - *q) > kRelativeReport * *q) {
                    moved("Q", Format("%g", *q), Format("%.3f", BandQ(b.bandwidthStep)));
                }
            } else {
                const long step = std::clamp(std::lround((*octaves - 0.05) / 0.05), 0L,
                                             static_cast<long>(kBandwidthSteps - 1));
                b.bandwidthStep = static_cast<std::int16_t>(step);
                const double held = step * 0.05 + 0.05;
                if (std::abs(held - *octaves) > kRelativeReport * *octaves) {
                    moved("BW", Format("%g Oct", *octaves), Format("%.2f Oct", held));
                }
            }
        } else if (slopeDb) {
            const bool steep =
                std::abs(*slopeDb - kSteepShelfDb) < std::abs(*slopeDb - kGentleShelfDb);
            b.slope = steep ? 1 : 0;
            const double held = steep ? kSteepShelfDb : kGentleShelfDb;
            if (std::abs(held - *slopeDb) > kRelativeReport * *slopeDb) {
                moved("slope", Format("%g dB", *slopeDb), Format("%g dB", held));
            }
        } else {
            b.slope = q && *q < kSteepShelfQ ? 0 : 1;
        }
    }
    for (int k = out.imported; k < kBands; ++k) {
        out.bands[static_cast<std::size_t>(k)].gainStep = kGainStepZero;
    }
    out.ok = true;
    return out;
}

std::string DescribeNote(const ImportNote& note, const UiState& ui) {
    return FillText(ui.Text(note.id), note.values);
}

}  // namespace tolmarin::roomeq
