#include "roomeq/Measurement.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <numeric>

namespace tolmarin::roomeq {

namespace {

// Dense axis the smoothing averages on: fine enough for 1/12 octave.
constexpr double kDensePerOctave = 96.0;
// A range this far beyond an end of the measurement is still covered, the end value held:
// exports of sweeps to 20 kHz end a little short of it (19,750 Hz and the like).
constexpr double kCoverTolerance = 1.02;
// No measurement or house curve has a level beyond this; larger numbers overflow the fit.
constexpr double kMaxLevelDb = 1000.0;

std::string_view Trim(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t' || s.front() == '\r')) {
        s.remove_prefix(1);
    }
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r')) {
        s.remove_suffix(1);
    }
    return s;
}

std::vector<std::string> SplitOn(std::string_view line, char sep) {
    std::vector<std::string> out;
    std::size_t start = 0;
    while (true) {
        const std::size_t end = line.find(sep, start);
        out.emplace_back(Trim(line.substr(start, end - start)));
        if (end == std::string_view::npos) {
            break;
        }
        start = end + 1;
    }
    while (!out.empty() && out.back().empty()) {
        out.pop_back();  // a trailing separator adds no column
    }
    return out;
}

std::vector<std::string> SplitBlanks(std::string_view line) {
    std::vector<std::string> out;
    std::size_t i = 0;
    while (i < line.size()) {
        while (i < line.size() && (line[i] == ' ' || line[i] == '\r')) {
            ++i;
        }
        const std::size_t start = i;
        while (i < line.size() && line[i] != ' ' && line[i] != '\r') {
            ++i;
        }
        if (i > start) {
            out.emplace_back(line.substr(start, i - start));
        }
    }
    return out;
}

// Locale-independent: the editor runs under the user's locale.
std::optional<double> Number(const std::string& s) {
    std::string_view v = s;
    if (!v.empty() && v.front() == '+') {
        v.remove_prefix(1);
    }
    double d = 0.0;
    const auto [end, ec] = std::from_chars(v.data(), v.data() + v.size(), d);
    if (ec != std::errc() || end != v.data() + v.size() || v.empty() || !std::isfinite(d)) {
        return std::nullopt;
    }
    return d;
}

bool AllNumbers(const std::vector<std::string>& cols) {
    return cols.size() >= 2 && cols.size() <= 3 &&
           std::all_of(cols.begin(), cols.end(), [](const std::string& c) { return Number(c); });
}

// The columns of a line: with ';' or a tab a comma is a decimal comma; otherwise commas
// separate, unless only reading them as decimal commas between blank-separated columns
// gives a row of numbers. When both readings or neither give one, ambiguous is set.
std::vector<std::string> Columns(std::string_view line, bool& ambiguous) {
    ambiguous = false;
    const auto decimalCommas = [](std::vector<std::string> cols) {
        for (std::string& c : cols) {
            std::replace(c.begin(), c.end(), ',', '.');
        }
        return cols;
    };
    if (line.find(';') != std::string_view::npos) {
        return decimalCommas(SplitOn(line, ';'));
    }
    if (line.find('\t') != std::string_view::npos) {
        return decimalCommas(SplitOn(line, '\t'));
    }
    if (line.find(',') == std::string_view::npos) {
        return SplitBlanks(line);
    }
    std::vector<std::string> commas = SplitOn(line, ',');
    const bool blanks = SplitBlanks(line).size() > 1;
    if (!blanks || line.find('.') != std::string_view::npos) {
        return commas;  // "20,80" or "20.5, 80.1": the commas separate
    }
    std::vector<std::string> words = SplitBlanks(line);
    // "40," or ",5" is a separator beside a blank, never a decimal comma.
    const bool looseComma = std::any_of(words.begin(), words.end(), [](const std::string& w) {
        return w.front() == ',' || w.back() == ',';
    });
    const std::vector<std::string> decimals =
        looseComma ? std::vector<std::string>{} : decimalCommas(std::move(words));
    const bool asSeparators = AllNumbers(commas);
    const bool asDecimals = AllNumbers(decimals);
    if (asSeparators != asDecimals) {
        return asDecimals ? decimals : commas;
    }
    ambiguous = true;
    return commas;
}

bool StartsLikeNumber(std::string_view s) {
    return !s.empty() && (std::isdigit(static_cast<unsigned char>(s.front())) || s.front() == '-' ||
                          s.front() == '+' || s.front() == '.');
}

std::string HzText(double hz) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%.0f", hz);
    return buf;
}

// Linear interpolation in log frequency; ends held.
double At(const std::vector<double>& logHz, const std::vector<double>& db, double lf) {
    if (lf <= logHz.front()) {
        return db.front();
    }
    if (lf >= logHz.back()) {
        return db.back();
    }
    const auto it = std::upper_bound(logHz.begin(), logHz.end(), lf);
    const auto k = static_cast<std::size_t>(it - logHz.begin());
    const double t = (lf - logHz[k - 1]) / (logHz[k] - logHz[k - 1]);
    return db[k - 1] + t * (db[k] - db[k - 1]);
}

double Fraction(Smoothing s) {
    switch (s) {
        case Smoothing::Third:
            return 3.0;
        case Smoothing::Sixth:
            return 6.0;
        case Smoothing::Twelfth:
            return 12.0;
        case Smoothing::None:
            break;
    }
    return 0.0;
}

}  // namespace

std::string FillText(std::string_view text, const std::vector<std::string>& values) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '%' && i + 1 < text.size() && text[i + 1] >= '1' && text[i + 1] <= '9') {
            const auto k = static_cast<std::size_t>(text[i + 1] - '1');
            if (k < values.size()) {
                out += values[k];
                ++i;
                continue;
            }
        }
        out += text[i];
    }
    return out;
}

ParseOutcome ParseMeasurement(std::string_view text) {
    ParseOutcome out;
    const auto refuse = [&](int line, TextId reason, std::vector<std::string> values) {
        out.failure = {line, reason, std::move(values)};
        return out;
    };
    if (text.starts_with("\xEF\xBB\xBF")) {
        text.remove_prefix(3);  // a byte-order mark some programs write
    }
    std::vector<std::pair<double, double>> points;
    bool seenData = false;
    int lineNo = 0;
    int firstLine = 0;  // the first row of numbers, else the first line read
    std::size_t pos = 0;
    while (pos <= text.size()) {
        const std::size_t end = std::min(text.find('\n', pos), text.size());
        const std::string_view line = Trim(text.substr(pos, end - pos));
        pos = end + 1;
        ++lineNo;
        if (line.empty() || line.front() == '*' || line.front() == '#') {
            continue;
        }
        bool ambiguous = false;
        const std::vector<std::string> cols = Columns(line, ambiguous);
        if (firstLine == 0) {
            firstLine = lineNo;
        }
        if (!seenData && (ambiguous ? !StartsLikeNumber(line) : !AllNumbers(cols))) {
            continue;  // text before the first row of numbers: the header of the export
        }
        if (ambiguous) {
            return refuse(lineNo, TextId::RoomEqUseSemicolon, {std::string(line)});
        }
        if (cols.size() < 2 || cols.size() > 3) {
            return refuse(lineNo, TextId::RoomEqBadColumns, {std::to_string(cols.size())});
        }
        std::array<double, 2> v{};
        for (std::size_t c = 0; c < 2; ++c) {
            const auto n = Number(cols[c]);
            if (!n) {
                return refuse(lineNo, TextId::RoomEqNotANumber, {cols[c]});
            }
            v[c] = *n;
        }
        if (cols.size() == 3 && !Number(cols[2])) {
            return refuse(lineNo, TextId::RoomEqNotANumber, {cols[2]});
        }
        if (v[0] <= 0.0) {
            return refuse(lineNo, TextId::RoomEqBadFrequency, {cols[0]});
        }
        if (std::abs(v[1]) > kMaxLevelDb) {
            return refuse(lineNo, TextId::RoomEqValueTooLarge, {cols[1]});
        }
        if (!seenData) {
            firstLine = lineNo;
        }
        seenData = true;
        if (v[0] >= kMeasureLowHz && v[0] <= kMeasureHighHz) {
            points.emplace_back(v[0], v[1]);
        }
    }
    if (points.empty()) {
        return refuse(std::max(firstLine, 1), TextId::RoomEqNoPoints, {});
    }
    std::stable_sort(points.begin(), points.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
    Measurement m;
    // Repeated frequencies are averaged into one point.
    for (std::size_t i = 0; i < points.size();) {
        std::size_t j = i;
        double sum = 0.0;
        while (j < points.size() && points[j].first == points[i].first) {
            sum += points[j].second;
            ++j;
        }
        m.hz.push_back(points[i].first);
        m.db.push_back(sum / static_cast<double>(j - i));
        i = j;
    }
    out.measurement = std::move(m);
    return out;
}

std::string DescribeFailure(const ParseFailure& failure, const UiState& ui) {
    const std::string reason = FillText(ui.Text(failure.reason), failure.values);
    if (failure.line <= 0) {
        return reason;
    }
    return FillText(ui.Text(TextId::RoomEqLine), {std::to_string(failure.line), reason});
}

bool Covers(const Measurement& m, double loHz, double hiHz) {
    return !m.hz.empty() && m.hz.front() <= loHz * kCoverTolerance &&
           m.hz.back() * kCoverTolerance >= hiHz;
}

ParseFailure NotCovered(const Measurement& m, double loHz, double hiHz) {
    ParseFailure f;
    f.reason = TextId::RoomEqNotCovered;
    f.values = {m.hz.empty() ? "0" : HzText(m.hz.front()), m.hz.empty() ? "0" : HzText(m.hz.back()),
                HzText(loHz), HzText(hiHz)};
    return f;
}

GridResponse OnGrid(const Measurement& m, Smoothing smoothing) {
    GridResponse out{};
    if (m.hz.empty()) {
        return out;
    }
    std::vector<double> logHz(m.hz.size());
    std::transform(m.hz.begin(), m.hz.end(), logHz.begin(), [](double f) { return std::log2(f); });
    std::vector<double> db = m.db;
    const double fraction = Fraction(smoothing);
    if (fraction > 0.0 && m.hz.size() > 1) {
        // Resampled evenly in log frequency, then averaged over a window of 1/N octave, so
        // sparse and dense files are smoothed alike.
        const double step = 1.0 / kDensePerOctave;
        const auto n = static_cast<std::size_t>((logHz.back() - logHz.front()) / step) + 1;
        std::vector<double> denseLog(n);
        std::vector<double> dense(n);
        for (std::size_t i = 0; i < n; ++i) {
            denseLog[i] = logHz.front() + static_cast<double>(i) * step;
            dense[i] = At(logHz, m.db, denseLog[i]);
        }
        const auto half = static_cast<std::ptrdiff_t>(kDensePerOctave / fraction / 2.0);
        std::vector<double> prefix(n + 1, 0.0);
        for (std::size_t i = 0; i < n; ++i) {
            prefix[i + 1] = prefix[i] + dense[i];
        }
        std::vector<double> smoothed(n);
        for (std::size_t i = 0; i < n; ++i) {
            const auto lo = static_cast<std::size_t>(
                std::max<std::ptrdiff_t>(0, static_cast<std::ptrdiff_t>(i) - half));
            const std::size_t hi = std::min(n - 1, i + static_cast<std::size_t>(half));
            smoothed[i] = (prefix[hi + 1] - prefix[lo]) / static_cast<double>(hi + 1 - lo);
        }
        logHz = std::move(denseLog);
        db = std::move(smoothed);
    }
    for (int i = 0; i < kGridSize; ++i) {
        out[static_cast<std::size_t>(i)] =
            At(logHz, db, std::log2(FreqTable[static_cast<std::size_t>(i)]));
    }
    return out;
}

double MeanOver(const GridResponse& curve, double loHz, double hiHz) {
    double sum = 0.0;
    int n = 0;
    for (int i = 0; i < kGridSize; ++i) {
        const double f = FreqTable[static_cast<std::size_t>(i)];
        if (f >= loHz && f <= hiHz) {
            sum += curve[static_cast<std::size_t>(i)];
            ++n;
        }
    }
    return n == 0 ? 0.0 : sum / n;
}

}  // namespace tolmarin::roomeq
