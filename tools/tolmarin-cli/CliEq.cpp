#include "CliEq.h"
#include "CliPlatform.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <tuple>

#include "CliArgs.h"
#include "CliMeasure.h"
#include "CliOffline.h"
#include "protocol/DeviceImage.h"
#include "protocol/ProgramFile.h"
#include "roomeq/Exchange.h"
#include "roomeq/Fit.h"
#include "roomeq/Measurement.h"

namespace tolmarin::cli {

namespace {

namespace fs = std::filesystem;
using namespace tolmarin::roomeq;

// Measurement exports run to a few hundred kilobytes; anything far larger is not one.
constexpr std::uintmax_t kMaxTextFileBytes = 32u * 1024u * 1024u;
constexpr double kMaxLimitDb = 20.0;

struct EqArgs {
    std::string sub;
    std::vector<std::string> positional;
    std::string channel;
    std::string in;
    std::string out;
    std::string range;
    std::string target;
    std::string maxBoost;
    std::string maxCut;
    std::string bands;
    std::string smoothing;
    bool shelves = false;
    bool force = false;
};

std::optional<double> ToDouble(std::string_view s) {
    double d = 0.0;
    const auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), d);
    if (s.empty() || ec != std::errc() || end != s.data() + s.size() || !std::isfinite(d)) {
        return std::nullopt;
    }
    return d;
}

// "1,2,5-8" as eight flags.
std::optional<std::array<bool, kBands>> ParseBandList(const std::string& list) {
    std::array<bool, kBands> use{};
    std::stringstream ss(list);
    std::string item;
    bool any = false;
    while (std::getline(ss, item, ',')) {
        const auto dash = item.find('-');
        const auto a = ToDouble(item.substr(0, dash));
        const auto b = dash == std::string::npos ? a : ToDouble(item.substr(dash + 1));
        if (!a || !b || *a < 1 || *b > kBands || *a > *b || *a != std::floor(*a) ||
            *b != std::floor(*b)) {
            return std::nullopt;
        }
        for (int k = static_cast<int>(*a); k <= static_cast<int>(*b); ++k) {
            use[static_cast<std::size_t>(k - 1)] = true;
            any = true;
        }
    }
    return any ? std::optional(use) : std::nullopt;
}

enum class TextRead { Ok, CannotOpen, TooLarge };

// A text file read whole: a regular file of sensible size.
TextRead ReadText(const std::string& path, std::string& text) {
    std::error_code ec;
    if (!fs::is_regular_file(path, ec) || ec) {
        return TextRead::CannotOpen;
    }
    const std::uintmax_t size = fs::file_size(path, ec);
    if (ec) {
        return TextRead::CannotOpen;
    }
    if (size > kMaxTextFileBytes) {
        return TextRead::TooLarge;
    }
    std::ifstream f(path, std::ios::binary);
    std::ostringstream ss;
    ss << f.rdbuf();
    text = ss.str();
    return static_cast<bool>(f) || f.eof() ? TextRead::Ok : TextRead::CannotOpen;
}

std::string Figure(double v, const char* format = "%.2f") {
    char buf[32];
    std::snprintf(buf, sizeof buf, format, v);
    return buf;
}

class EqRun {
public:
    EqRun(const UiState& ui, std::ostream& out, std::ostream& err)
        : m_ui(ui), m_out(out), m_err(err) {}

    int Usage(const std::string& why) {
        m_err << "tolmarin-cli: " << Shown(why) << '\n' << m_ui.Text(TextId::CliUsage) << '\n';
        return kExitUsage;
    }
    std::string T(TextId id) const { return m_ui.Text(id); }
    int BadValue(const std::string& option, const std::string& value, TextId expected) {
        return Usage(Fill(T(TextId::CliOptionBadValue), {option, value, T(expected)}));
    }

    // The output rules of pull: a .Data12File name in an existing, writable folder, and an
    // existing file only replaced with --force.
    int CheckOutput(const std::string& path, bool force) {
        if (!fs::path(path).filename().string().ends_with(kSingleProgramExtension)) {
            return Usage(std::string(T(TextId::CliUnknownFileKind)) + ' ' + path);
        }
        fs::path folder = fs::path(path).parent_path();
        if (folder.empty()) {
            folder = ".";
        }
        std::error_code ec;
        if (!fs::is_directory(folder, ec)) {
            m_err << Shown(Fill(T(TextId::CliNotAFolder), {folder.string()})) << '\n';
            return kExitFile;
        }
        if (!IsWritableFolder(folder)) {
            m_err << Shown(Fill(T(TextId::CliFolderNotWritable), {folder.string()})) << '\n';
            return kExitFile;
        }
        if (fs::exists(fs::symlink_status(path, ec)) && !force) {
            m_err << Shown(Fill(T(TextId::CliFileExists), {path})) << '\n';
            return kExitFile;
        }
        return kExitDone;
    }

    int ReadProgram(const std::string& path, DeviceImage& image) {
        std::string bytes;
        if (const FileStatus st = ReadFileBytes(path, bytes); st != FileStatus::Ok) {
            return ReportReadFailure(st, path, m_ui, m_err);
        }
        if (KindOfFileSize(static_cast<long long>(bytes.size())) != ProgramFileKind::Single) {
            m_err << Shown(Fill(T(TextId::RoomEqCliSingleOnly), {path})) << '\n';
            return kExitFile;
        }
        std::copy(bytes.begin(), bytes.end(), image.ProgramRecord(0).begin());
        return kExitDone;
    }

    // A file that appeared since CheckOutput is still not replaced without --force.
    int Write(const DeviceImage& image, const std::string& path, bool force) {
        FileWriteResult why;
        if (WriteSingleProgramFile(image, path, force ? Overwrite::Replace : Overwrite::Keep,
                                   &why) != FileStatus::Ok) {
            m_err << Shown(DescribeWriteFailure(why, path, TextId::SaveMusicFileError, m_ui))
                  << '\n';
            return kExitFile;
        }
        m_out << Shown(Fill(T(TextId::RoomEqCliWrote), {path})) << '\n';
        return kExitDone;
    }

    // The file's text, or false with the reason said.
    bool ReadWhole(const std::string& path, std::string& text) {
        switch (ReadText(path, text)) {
            case TextRead::Ok:
                return true;
            case TextRead::TooLarge:
                m_err << Shown(Fill(T(TextId::RoomEqTooLarge),
                                    {path, std::to_string(kMaxTextFileBytes / (1024u * 1024u))}))
                      << '\n';
                return false;
            case TextRead::CannotOpen:
                break;
        }
        m_err << T(TextId::CliCannotOpenFile) << ' ' << Shown(path) << '\n';
        return false;
    }

    std::optional<Measurement> ReadCurve(const std::string& path, double lo, double hi) {
        std::string text;
        if (!ReadWhole(path, text)) {
            return std::nullopt;
        }
        const ParseOutcome parsed = ParseMeasurement(text);
        if (!parsed.measurement) {
            m_err << Shown(path + ": " + DescribeFailure(parsed.failure, m_ui)) << '\n';
            return std::nullopt;
        }
        if (!Covers(*parsed.measurement, lo, hi)) {
            m_err << Shown(path + ": " +
                           DescribeFailure(NotCovered(*parsed.measurement, lo, hi), m_ui))
                  << '\n';
            return std::nullopt;
        }
        return parsed.measurement;
    }

    int Fit(const EqArgs& a, int channel) {
        if (a.in.empty() || a.out.empty()) {
            return Usage(Fill(T(TextId::RoomEqCliNeeds), {"fit", "--in IN --out OUT"}));
        }
        FitOptions options;
        if (!a.bands.empty()) {
            const auto use = ParseBandList(a.bands);
            if (!use) {
                return BadValue("--bands", a.bands, TextId::RoomEqCliExpectBands);
            }
            options.use = *use;
        }
        for (const auto& [name, value, into] :
             {std::tuple{"--max-boost", a.maxBoost, &options.maxBoostDb},
              std::tuple{"--max-cut", a.maxCut, &options.maxCutDb}}) {
            if (value.empty()) {
                continue;
            }
            const auto v = ToDouble(value);
            if (!v || *v < 0.0 || *v > kMaxLimitDb) {
                return BadValue(name, value, TextId::RoomEqCliExpectDb);
            }
            *into = *v;
        }
        Smoothing smoothing = Smoothing::None;
        if (!a.smoothing.empty()) {
            if (a.smoothing == "3") {
                smoothing = Smoothing::Third;
            } else if (a.smoothing == "6") {
                smoothing = Smoothing::Sixth;
            } else if (a.smoothing == "12") {
                smoothing = Smoothing::Twelfth;
            } else {
                return BadValue("--smoothing", a.smoothing, TextId::RoomEqCliExpectSmoothing);
            }
        }
        std::optional<std::pair<double, double>> range;
        if (!a.range.empty()) {
            const auto colon = a.range.find(':');
            const auto lo = ToDouble(a.range.substr(0, colon));
            const auto hi =
                colon == std::string::npos ? std::nullopt : ToDouble(a.range.substr(colon + 1));
            if (!lo || !hi || *lo < kLowestHz || *hi > kHighestHz || *lo >= *hi) {
                return BadValue("--range", a.range, TextId::RoomEqCliExpectRange);
            }
            range = {*lo, *hi};
        }
        options.shelves = a.shelves;
        if (const int rc = CheckOutput(a.out, a.force); rc != kExitDone) {
            return rc;
        }
        DeviceImage image;
        if (const int rc = ReadProgram(a.in, image); rc != kExitDone) {
            return rc;
        }
        const ChannelFilters ch = ReadChannel(image.ChannelBlock(0, channel));
        std::tie(options.loHz, options.hiHz) = range ? *range : DefaultRange(ch);
        const auto measurement = ReadCurve(a.positional[0], options.loHz, options.hiHz);
        if (!measurement) {
            return kExitFile;
        }
        GridResponse target{};
        if (!a.target.empty()) {
            const auto house = ReadCurve(a.target, options.loHz, options.hiHz);
            if (!house) {
                return kExitFile;
            }
            target = OnGrid(*house, Smoothing::None);
        }
        const FitResult r = FitBands(OnGrid(*measurement, smoothing), target, ch, options);
        m_out << Fill(T(TextId::RoomEqRmsBefore), {Figure(r.rmsBefore)}) << '\n';
        m_out << Fill(T(TextId::RoomEqRmsAfter), {Figure(r.rmsAfter)}) << '\n';
        const GridResponse together = BandsResponse(r.bands);
        m_out << Fill(T(TextId::RoomEqCombinedBoost),
                      {Figure(std::max(0.0, *std::max_element(together.begin(), together.end())),
                              "%.1f")})
              << '\n';
        m_out << ExportText(r.bands, "CH" + std::to_string(channel + 1));
        WriteBands(image.ChannelBlock(0, channel), r.bands);
        return Write(image, a.out, a.force);
    }

    int Export(const EqArgs& a) {
        DeviceImage image;
        if (const int rc = ReadProgram(a.positional[0], image); rc != kExitDone) {
            return rc;
        }
        for (int ch = 0; ch < 2; ++ch) {
            if (a.channel == "both" || a.channel == std::to_string(ch + 1)) {
                if (a.channel == "both" && ch == 1) {
                    m_out << '\n';
                }
                m_out << ExportText(ReadChannel(image.ChannelBlock(0, ch)).bands,
                                    "CH" + std::to_string(ch + 1));
            }
        }
        return kExitDone;
    }

    int Import(const EqArgs& a, int channel) {
        if (a.in.empty() || a.out.empty()) {
            return Usage(Fill(T(TextId::RoomEqCliNeeds), {"import", "--in IN --out OUT"}));
        }
        if (const int rc = CheckOutput(a.out, a.force); rc != kExitDone) {
            return rc;
        }
        DeviceImage image;
        if (const int rc = ReadProgram(a.in, image); rc != kExitDone) {
            return rc;
        }
        std::string text;
        if (!ReadWhole(a.positional[0], text)) {
            return kExitFile;
        }
        const ChannelFilters ch = ReadChannel(image.ChannelBlock(0, channel));
        const ImportOutcome r = ImportText(text, ch.bands);
        for (const ImportNote& note : r.notes) {
            (r.ok ? m_out : m_err) << Shown(DescribeNote(note, m_ui)) << '\n';
        }
        if (!r.ok) {
            m_err << Shown(a.positional[0] + ": " + DescribeFailure(r.failure, m_ui)) << '\n';
            return kExitFile;
        }
        m_out << Fill(T(TextId::RoomEqImportRms), {Figure(r.rmsDb)}) << '\n';
        WriteBands(image.ChannelBlock(0, channel), r.bands);
        return Write(image, a.out, a.force);
    }

private:
    const UiState& m_ui;
    std::ostream& m_out;
    std::ostream& m_err;
};

}  // namespace

bool IsEqCommand(const std::vector<std::string>& args) {
    for (std::size_t i = 0; i < args.size(); ++i) {
        if (args[i] == "--lang") {
            ++i;  // its value
        } else if (!args[i].starts_with("--")) {
            return args[i] == "eq";
        }
    }
    return false;
}

int RunEq(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    if (IsMeasureCommand(args)) {
        return RunMeasure(args, out, err);
    }
    const std::pair<const char*, std::string EqArgs::*> valued[] = {
        {"--channel", &EqArgs::channel},
        {"--in", &EqArgs::in},
        {"--out", &EqArgs::out},
        {"--range", &EqArgs::range},
        {"--target", &EqArgs::target},
        {"--max-boost", &EqArgs::maxBoost},
        {"--max-cut", &EqArgs::maxCut},
        {"--bands", &EqArgs::bands},
        {"--smoothing", &EqArgs::smoothing},
    };
    std::vector<std::string_view> names;
    for (const auto& [name, field] : valued) {
        names.emplace_back(name);
    }
    const EqLine line = SplitEqLine(args, {"--shelves", "--force"}, names);
    const UiState& ui = line.ui;
    EqRun run(ui, out, err);
    if (line.usage) {
        return run.Usage(*line.usage);
    }
    EqArgs a;
    a.sub = line.sub;
    a.positional = line.positional;
    a.shelves = std::find(line.flags.begin(), line.flags.end(), "--shelves") != line.flags.end();
    a.force = std::find(line.flags.begin(), line.flags.end(), "--force") != line.flags.end();
    // A value given twice: the last one counts.
    for (const auto& [name, value] : line.values) {
        for (const auto& [known, field] : valued) {
            if (name == known) {
                a.*field = value;
            }
        }
    }
    if (a.sub != "fit" && a.sub != "export" && a.sub != "import") {
        return run.Usage(ui.Text(TextId::RoomEqCliSubcommand));
    }
    if (a.positional.size() != 1) {
        std::string got;
        for (const auto& p : a.positional) {
            got += (got.empty() ? "'" : ", '") + p + "'";
        }
        return run.Usage(
            Fill(ui.Text(TextId::CliWrongArguments),
                 {"eq " + a.sub, ui.Text(TextId::CliOneFile), got.empty() ? "-" : got}));
    }
    if (a.sub == "export") {
        if (a.channel != "1" && a.channel != "2" && a.channel != "both") {
            return run.BadValue("--channel", a.channel, TextId::RoomEqCliExpectChannelBoth);
        }
        return run.Export(a);
    }
    if (a.channel != "1" && a.channel != "2") {
        return run.BadValue("--channel", a.channel, TextId::RoomEqCliExpectChannel);
    }
    const int channel = a.channel == "1" ? 0 : 1;
    return a.sub == "fit" ? run.Fit(a, channel) : run.Import(a, channel);
}

}  // namespace tolmarin::cli
