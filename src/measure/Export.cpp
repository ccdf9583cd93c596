#include "measure/Export.h"

#include <charconv>
#include <ctime>

#include "Version.h"

namespace tolmarin::measure {

namespace {

// Locale-free figures: the file is read on machines of any language.
std::string Fixed(double v, int decimals) {
    char buf[64];
    const auto r = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::fixed, decimals);
    return std::string(buf, r.ptr);
}

std::string General(double v) {
    char buf[64];
    const auto r = std::to_chars(buf, buf + sizeof buf, v);
    return std::string(buf, r.ptr);
}

}  // namespace

std::string ExportText(const roomeq::Measurement& m, const ExportInfo& info) {
    // The header's words are a file format other programs read, not interface text.
    std::string t = std::string("* Measurement data measured by Tolmarin ") + kVersion + "\n";
    t += "* Date: " + info.date + "\n";
    if (info.sweep) {
        const SweepParams& s = *info.sweep;
        t += "* Sweep: " + General(s.fromHz) + " Hz to " + General(s.toHz) + " Hz, " +
             std::to_string(s.samples) + " samples at " + std::to_string(s.rate) + " Hz, " +
             Fixed(s.levelDbfs, 1) + " dBFS\n";
    } else {
        t += "* Sweep: none (impulse responses)\n";
    }
    t += "* Positions: " + std::to_string(info.snrDb.size()) + "\n";
    t += "* Signal-to-noise ratio (dB):";
    for (const auto& snr : info.snrDb) {
        t += snr ? " " + Fixed(*snr, 1) : std::string(" unknown");
    }
    t += "\n* Calibration: " + (info.calibration.empty() ? std::string("none") : info.calibration);
    if (info.sensFactorDb) {
        t += " (Sens Factor " + Fixed(*info.sensFactorDb, 2) + " dB)";
    }
    const int fraction = OctaveFraction(info.smoothing);
    t += "\n* Smoothing: " +
         (fraction == 0 ? std::string("none") : "1/" + std::to_string(fraction) + " octave");
    t += "\n* Window: " + General(info.windowMs) + " ms\n";
    t += "* Freq(Hz) SPL(dB)\n";
    for (std::size_t i = 0; i < m.hz.size() && i < m.db.size(); ++i) {
        t += Fixed(m.hz[i], 3) + ' ' + Fixed(m.db[i], 3) + '\n';
    }
    return t;
}

std::string DateNow() {
    const std::time_t now = std::time(nullptr);
    std::tm utc{};
#ifdef _WIN32
    gmtime_s(&utc, &now);
#else
    gmtime_r(&now, &utc);
#endif
    char buf[64];
    std::strftime(buf, sizeof buf, "%Y-%m-%d %H:%M UTC", &utc);
    return buf;
}

}  // namespace tolmarin::measure
