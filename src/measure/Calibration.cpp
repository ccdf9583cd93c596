#include "measure/Calibration.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>
#include <string>
#include <utility>

namespace tolmarin::measure {

namespace {

constexpr double kMostSensDb = 100.0;

bool StartsSens(std::string_view line) {
    std::string lower;
    for (const char c : line) {
        if (c != '"' && c != ' ' && c != '\t' && c != '*' && c != '#') {
            lower += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        }
    }
    return lower.starts_with("sensfactor");
}

// "-1.2dB", "-.7 dB, SERNO: ...", "-1,2dB": the number after '='.
std::optional<double> SensValue(std::string_view line, std::string& token) {
    const auto eq = line.find('=');
    if (eq == std::string_view::npos) {
        return std::nullopt;
    }
    std::size_t i = eq + 1;
    while (i < line.size() && (line[i] == ' ' || line[i] == '\t')) {
        ++i;
    }
    while (i < line.size() &&
           std::string_view("+-0123456789.,eE").find(line[i]) != std::string_view::npos) {
        token += line[i++];
    }
    while (!token.empty() && token.back() == ',') {
        token.pop_back();
    }
    std::string number = token;
    if (number.find('.') == std::string::npos) {
        std::replace(number.begin(), number.end(), ',', '.');
    }
    if (number.starts_with('+')) {
        number.erase(0, 1);
    }
    std::string digits = number;
    if (digits.starts_with("-.") || digits.starts_with('.')) {
        // Built by appending: GCC 12 warns falsely (-Wrestrict) on an insert here.
        const bool negative = digits.front() == '-';
        std::string withZero = negative ? "-0" : "0";
        withZero.append(digits, negative ? 1 : 0, std::string::npos);
        digits = std::move(withZero);
    }
    double v = 0.0;
    const auto [end, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), v);
    if (digits.empty() || ec != std::errc() || end != digits.data() + digits.size() ||
        !std::isfinite(v) || std::fabs(v) > kMostSensDb) {
        return std::nullopt;
    }
    return v;
}

}  // namespace

CalibrationOutcome ParseCalibration(std::string_view text) {
    CalibrationOutcome out;
    Calibration cal;
    // The Sens Factor line is blanked, not removed, so that line numbers stay the file's.
    std::string body(text);
    std::size_t start = 0;
    int line = 1;
    for (; start < body.size(); ++line) {
        std::size_t end = body.find('\n', start);
        if (end == std::string::npos) {
            end = body.size();
        }
        const std::string_view l(body.data() + start, end - start);
        if (StartsSens(l)) {
            std::string token;
            const auto v = SensValue(l, token);
            if (!v) {
                out.failure = {line, TextId::MeasureCalBadSens, {token}};
                return out;
            }
            cal.sensFactorDb = v;
            std::fill(body.begin() + static_cast<std::ptrdiff_t>(start),
                      body.begin() + static_cast<std::ptrdiff_t>(end), ' ');
            break;
        }
        if (l.find_first_not_of(" \t\r") != std::string_view::npos) {
            break;  // only a first line says the Sens Factor
        }
        start = end + 1;
    }
    roomeq::ParseOutcome parsed = roomeq::ParseMeasurement(body);
    if (!parsed.measurement) {
        out.failure = parsed.failure;
        return out;
    }
    for (std::size_t i = 0; i < parsed.measurement->db.size(); ++i) {
        if (!std::isfinite(parsed.measurement->db[i]) ||
            !std::isfinite(parsed.measurement->hz[i])) {
            out.failure = {
                0, TextId::RoomEqNotANumber, {std::to_string(parsed.measurement->db[i])}};
            return out;
        }
    }
    cal.curve = std::move(*parsed.measurement);
    out.calibration = std::move(cal);
    return out;
}

}  // namespace tolmarin::measure
