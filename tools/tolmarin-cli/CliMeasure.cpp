#include "CliMeasure.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <map>
#include <optional>

#include "CliArgs.h"
#include "CliOffline.h"
#include "CliPlatform.h"
#include "measure/Analysis.h"
#include "measure/Calibration.h"
#include "measure/Export.h"
#include "measure/Sweep.h"
#include "measure/Wav.h"
#include "protocol/FilePlatform.h"
#include "protocol/ProgramFile.h"

namespace tolmarin::cli {

namespace {

namespace fs = std::filesystem;
using namespace tolmarin::measure;

// Calibration files are a few hundred lines; anything far larger is not one.
constexpr std::uintmax_t kMaxCalibrationBytes = 4u * 1024u * 1024u;

std::optional<double> Number(std::string_view s) {
    double d = 0.0;
    const auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), d);
    if (s.empty() || ec != std::errc() || end != s.data() + s.size() || !std::isfinite(d)) {
        return std::nullopt;
    }
    return d;
}

std::optional<int> Whole(std::string_view s) {
    int v = 0;
    const auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), v);
    if (s.empty() || ec != std::errc() || end != s.data() + s.size()) {
        return std::nullopt;
    }
    return v;
}

std::string Figure(double v, const char* format = "%.1f") {
    char buf[32];
    std::snprintf(buf, sizeof buf, format, v);
    return buf;
}

bool EndsWithNoCase(const std::string& s, const std::string& tail) {
    if (s.size() < tail.size()) {
        return false;
    }
    return std::equal(
        tail.begin(), tail.end(), s.end() - static_cast<std::ptrdiff_t>(tail.size()),
        [](char a, char b) { return std::tolower(static_cast<unsigned char>(a)) == b; });
}

struct Args {
    std::string sub;
    std::vector<std::string> positional;
    std::map<std::string, std::string> values;
    bool impulse = false;
    bool force = false;
};

class MeasureRun {
public:
    MeasureRun(const UiState& ui, std::ostream& out, std::ostream& err)
        : m_ui(ui), m_out(out), m_err(err) {}

    std::string T(TextId id) const { return m_ui.Text(id); }
    int Usage(const std::string& why) {
        m_err << "tolmarin-cli: " << Shown(why) << '\n' << T(TextId::CliUsage) << '\n';
        return kExitUsage;
    }
    int BadValue(const std::string& option, const std::string& value, TextId expected) {
        return Usage(Fill(T(TextId::CliOptionBadValue), {option, value, T(expected)}));
    }
    int FileProblem(const std::string& path, const Problem& p) {
        m_err << Shown(path + ": " + Describe(p, m_ui)) << '\n';
        return kExitFile;
    }

    // The output rules of every file the tool writes: an existing, writable folder, and an
    // existing file only replaced with --force.
    int CheckOutput(const std::string& path, bool force) {
        fs::path folder = fs::path(path).parent_path();
        if (folder.empty()) {
            folder = ".";
        }
        std::error_code ec;
        if (!fs::is_directory(folder, ec)) {
            m_err << Shown(Fill(T(TextId::CliNotAFolder), {folder.string()})) << '\n';
            return kExitFile;
        }
        if (!IsWritableFolder(folder.string())) {
            m_err << Shown(Fill(T(TextId::CliFolderNotWritable), {folder.string()})) << '\n';
            return kExitFile;
        }
        if (fs::exists(fs::symlink_status(path, ec)) && !force) {
            m_err << Shown(Fill(T(TextId::CliFileExists), {path})) << '\n';
            return kExitFile;
        }
        return kExitDone;
    }

    // A file that appeared since CheckOutput is still not replaced without --force.
    int Write(const std::string& bytes, const std::string& path, bool force) {
        FileWriteResult why;
        const std::span<const std::uint8_t> data(
            reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
        if (bytes.empty() ||
            WriteBytesFile(data, path, force ? Overwrite::Replace : Overwrite::Keep, &why) !=
                FileStatus::Ok) {
            m_err << Shown(DescribeWriteFailure(why, path, TextId::RoomEqCannotWrite, m_ui))
                  << '\n';
            return kExitFile;
        }
        return kExitDone;
    }

    // The file's bytes, or false with the reason said: a pipe, a device or a folder is
    // refused before anything is read, and so is a file beyond the limit.
    bool ReadInput(const std::string& path, std::uintmax_t limit, TextId tooLarge,
                   std::string& bytes) {
        switch (ReadFileBytes(path, bytes, limit)) {
            case FileStatus::Ok:
                return true;
            case FileStatus::NotAFile:
                m_err << Shown(Fill(T(TextId::ReadNotRegular), {path})) << '\n';
                return false;
            case FileStatus::WrongSize:
                m_err << Shown(Fill(T(tooLarge), {path, std::to_string(limit / (1024u * 1024u))}))
                      << '\n';
                return false;
            default:
                m_err << T(TextId::CliCannotOpenFile) << ' ' << Shown(path) << '\n';
                return false;
        }
    }

    std::optional<Audio> ReadAudio(const std::string& path) {
        std::string bytes;
        if (!ReadInput(path, kMaxWavBytes, TextId::MeasureWavTooLarge, bytes)) {
            return std::nullopt;
        }
        WavOutcome w =
            ReadWavBytes({reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()});
        if (!w.audio) {
            FileProblem(path, w.problem);
            return std::nullopt;
        }
        return std::move(w.audio);
    }

    int Sweep(const Args& a) {
        if (a.positional.size() != 1) {
            return Usage(Fill(T(TextId::RoomEqCliNeeds), {"sweep", "OUT.wav"}));
        }
        SweepParams p;
        for (const auto& [name, value] : a.values) {
            if (name == "--rate" || name == "--samples") {
                const auto v = Whole(value);
                if (!v) {
                    return BadValue(name, value,
                                    name == "--rate" ? TextId::MeasureCliExpectRate
                                                     : TextId::MeasureCliExpectNumber);
                }
                (name == "--rate" ? p.rate : p.samples) = *v;
            } else if (name == "--from" || name == "--to" || name == "--level") {
                const auto v = Number(value);
                if (!v) {
                    return BadValue(name, value, TextId::MeasureCliExpectNumber);
                }
                (name == "--from" ? p.fromHz : name == "--to" ? p.toHz : p.levelDbfs) = *v;
            } else if (name != "--lang") {
                return Usage(Fill(T(TextId::CliUnknownOption), {name}));
            }
        }
        if (const auto problem = CheckSweep(p)) {
            return Usage(Describe(*problem, m_ui));
        }
        const std::string& path = a.positional[0];
        if (!EndsWithNoCase(path, ".wav")) {
            return Usage(Fill(T(TextId::MeasureCliNotWav), {path}));
        }
        if (const int rc = CheckOutput(path, a.force); rc != kExitDone) {
            return rc;
        }
        const measure::Sweep sweep = MakeSweep(p);
        if (const int rc = Write(SweepWavBytes(sweep), path, a.force); rc != kExitDone) {
            return rc;
        }
        m_out << Shown(Fill(T(TextId::MeasureCliWroteSweep),
                            {path, Figure(p.fromHz, "%g"), Figure(p.toHz, "%g"),
                             std::to_string(p.samples), std::to_string(p.rate), Figure(p.levelDbfs),
                             Figure(static_cast<double>(sweep.samples.size()) / p.rate, "%.2f")}))
              << '\n';
        return kExitDone;
    }

    int Measure(const Args& a) {
        AnalysisOptions options;
        int channel = 0;
        std::string sweepPath;
        std::string calPath;
        std::string outPath;
        for (const auto& [name, value] : a.values) {
            if (name == "--sweep") {
                sweepPath = value;
            } else if (name == "--cal") {
                calPath = value;
            } else if (name == "--out") {
                outPath = value;
            } else if (name == "--channel") {
                const auto v = Whole(value);
                if (!v || *v < 1) {
                    return BadValue(name, value, TextId::MeasureCliExpectChannelNumber);
                }
                channel = *v - 1;
            } else if (name == "--smooth") {
                const std::pair<const char*, Smoothing> kinds[] = {{"3", Smoothing::Third},
                                                                   {"6", Smoothing::Sixth},
                                                                   {"12", Smoothing::Twelfth},
                                                                   {"24", Smoothing::TwentyFourth}};
                const auto it = std::find_if(std::begin(kinds), std::end(kinds),
                                             [&](const auto& k) { return value == k.first; });
                if (it == std::end(kinds)) {
                    return BadValue(name, value, TextId::MeasureCliExpectSmooth);
                }
                options.smoothing = it->second;
            } else if (name == "--window") {
                const auto v = Number(value);
                if (!v || *v < kShortestWindowMs || *v > kLongestWindowMs) {
                    return BadValue(name, value, TextId::MeasureCliExpectWindow);
                }
                options.windowMs = *v;
            } else if (name != "--lang") {
                return Usage(Fill(T(TextId::CliUnknownOption), {name}));
            }
        }
        if ((sweepPath.empty() && !a.impulse) || outPath.empty()) {
            return Usage(
                Fill(T(TextId::RoomEqCliNeeds),
                     {"measure", a.impulse ? "--out OUT" : "--sweep SWEEP.wav --out OUT"}));
        }
        if (a.positional.empty()) {
            return Usage(T(TextId::MeasureCliNeedsRecording));
        }
        // The same file twice (by any name) would count one position twice; the output
        // must not be one of the inputs.
        std::vector<std::string> inputs = a.positional;
        if (!sweepPath.empty()) {
            inputs.push_back(sweepPath);
        }
        if (!calPath.empty()) {
            inputs.push_back(calPath);
        }
        std::vector<fs::path> seen;
        for (const std::string& in : inputs) {
            std::error_code ec;
            fs::path canon = fs::weakly_canonical(in, ec);
            if (ec) {
                canon = in;
            }
            if (std::find(seen.begin(), seen.end(), canon) != seen.end()) {
                return Usage(Fill(T(TextId::MeasureSameFile), {in}));
            }
            seen.push_back(canon);
        }
        {
            std::error_code ec;
            const fs::path canonOut = fs::weakly_canonical(outPath, ec);
            if (!ec && std::find(seen.begin(), seen.end(), canonOut) != seen.end()) {
                return Usage(Fill(T(TextId::MeasureSameFile), {outPath}));
            }
        }
        if (const int rc = CheckOutput(outPath, a.force); rc != kExitDone) {
            return rc;
        }
        std::optional<Calibration> cal;
        if (!calPath.empty()) {
            std::string text;
            if (!ReadInput(calPath, kMaxCalibrationBytes, TextId::RoomEqTooLarge, text)) {
                return kExitFile;
            }
            CalibrationOutcome c = ParseCalibration(text);
            if (!c.calibration) {
                m_err << Shown(calPath + ": " + roomeq::DescribeFailure(c.failure, m_ui)) << '\n';
                return kExitFile;
            }
            cal = std::move(c.calibration);
            options.calibration = &*cal;
        }
        std::optional<Analyser> analyser;
        if (!a.impulse) {
            const auto audio = ReadAudio(sweepPath);
            if (!audio) {
                return kExitFile;
            }
            SweepOutcome s = SweepOfAudio(*audio);
            if (!s.sweep) {
                return FileProblem(sweepPath, s.problem);
            }
            analyser.emplace(std::move(*s.sweep));
        }
        std::vector<Position> positions;
        ExportInfo info;
        for (const std::string& path : a.positional) {
            const auto audio = ReadAudio(path);
            if (!audio) {
                return kExitFile;
            }
            SignalOutcome sig = ChannelOf(*audio, channel);
            if (!sig.signal) {
                return FileProblem(path, sig.problem);
            }
            PositionOutcome pos = analyser ? analyser->Recording(*sig.signal, options)
                                           : ImpulseResponse(*sig.signal, options);
            if (!pos.position) {
                return FileProblem(path, pos.problem);
            }
            m_out << Shown(pos.position->snrDb
                               ? Fill(T(TextId::MeasureSnr), {path, Figure(*pos.position->snrDb)})
                               : Fill(T(TextId::MeasureSnrUnknown), {path}))
                  << '\n';
            for (const Problem& note : pos.position->notes) {
                m_out << Shown(path + ": " + Describe(note, m_ui)) << '\n';
            }
            info.snrDb.push_back(pos.position->snrDb);
            positions.push_back(std::move(*pos.position));
        }
        const Result r = Combine(positions, options);
        for (const Problem& note : r.notes) {
            m_out << Shown(Describe(note, m_ui)) << '\n';
        }
        if (positions.size() > 1) {
            m_out << Fill(T(TextId::MeasureCliAveraged), {std::to_string(positions.size())})
                  << '\n';
        }
        info.date = DateNow();
        if (analyser) {
            info.sweep = analyser->sweep().params;
        }
        info.calibration = calPath.empty() ? std::string() : fs::path(calPath).filename().string();
        info.sensFactorDb = cal ? cal->sensFactorDb : std::nullopt;
        info.smoothing = options.smoothing;
        info.windowMs = options.windowMs;
        if (const int rc = Write(ExportText(r.fine, info), outPath, a.force); rc != kExitDone) {
            return rc;
        }
        m_out << Shown(Fill(T(TextId::MeasureSaved), {outPath})) << '\n';
        return kExitDone;
    }

private:
    const UiState& m_ui;
    std::ostream& m_out;
    std::ostream& m_err;
};

}  // namespace

bool IsMeasureCommand(const std::vector<std::string>& args) {
    int word = 0;
    for (std::size_t i = 0; i < args.size(); ++i) {
        if (args[i] == "--lang") {
            ++i;
        } else if (!args[i].starts_with("--")) {
            if (++word == 2) {
                return args[i] == "sweep" || args[i] == "measure";
            }
        }
    }
    return false;
}

EqLine SplitEqLine(const std::vector<std::string>& args,
                   const std::vector<std::string_view>& flagNames,
                   const std::vector<std::string_view>& valuedNames) {
    EqLine line;
    for (std::size_t i = 0; i < args.size(); ++i) {
        if (args[i] == "--lang=zh" ||
            (args[i] == "--lang" && i + 1 < args.size() && args[i + 1] == "zh")) {
            line.ui.language = Language::Chinese;
        }
    }
    const UiState& ui = line.ui;
    bool seenEq = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        std::string name = args[i];
        if (!name.starts_with("--")) {
            if (!seenEq) {
                seenEq = true;
            } else if (line.sub.empty()) {
                line.sub = name;
            } else {
                line.positional.push_back(name);
            }
            continue;
        }
        std::optional<std::string> value;
        if (const auto eq = name.find('='); eq != std::string::npos) {
            value = name.substr(eq + 1);
            name = name.substr(0, eq);
        }
        if (std::find(flagNames.begin(), flagNames.end(), name) != flagNames.end()) {
            if (value) {
                line.usage = Fill(ui.Text(TextId::CliOptionTakesNoValue), {name});
                return line;
            }
            line.flags.push_back(name);
            continue;
        }
        if (name != "--lang" &&
            std::find(valuedNames.begin(), valuedNames.end(), name) == valuedNames.end()) {
            line.usage = Fill(ui.Text(TextId::CliUnknownOption), {name});
            return line;
        }
        if (!value) {
            if (i + 1 >= args.size()) {
                line.usage = Fill(ui.Text(TextId::CliOptionNeedsValue),
                                  {name, ui.Text(TextId::CliExpectFile)});
                return line;
            }
            value = args[++i];
        }
        line.values.emplace_back(name, *value);
    }
    return line;
}

int RunMeasure(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    const EqLine line = SplitEqLine(args, {"--impulse", "--force"},
                                    {"--rate", "--samples", "--from", "--to", "--level", "--sweep",
                                     "--channel", "--cal", "--smooth", "--window", "--out"});
    const UiState& ui = line.ui;
    MeasureRun run(ui, out, err);
    if (line.usage) {
        return run.Usage(*line.usage);
    }
    Args a;
    a.sub = line.sub;
    a.positional = line.positional;
    a.impulse = std::find(line.flags.begin(), line.flags.end(), "--impulse") != line.flags.end();
    a.force = std::find(line.flags.begin(), line.flags.end(), "--force") != line.flags.end();
    for (const auto& [name, value] : line.values) {
        if (a.values.count(name) != 0) {
            return run.Usage(Fill(ui.Text(TextId::MeasureSameFile), {name}));
        }
        a.values[name] = value;
    }
    if (a.sub == "sweep") {
        if (a.impulse) {
            return run.Usage(Fill(ui.Text(TextId::CliUnknownOption), {"--impulse"}));
        }
        return run.Sweep(a);
    }
    return run.Measure(a);
}

}  // namespace tolmarin::cli
