#include "CliArgs.h"

#include <algorithm>
#include <charconv>
#include <filesystem>
#include <map>
#include <set>

#include "protocol/ProgramFile.h"
#include "protocol/Protocol.h"

namespace tolmarin::cli {

namespace {

std::optional<int> ToInt(std::string_view text) {
    int v = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), v);
    if (text.empty() || ec != std::errc() || end != text.data() + text.size()) {
        return std::nullopt;
    }
    return v;
}

const char* const kCommands[] = {"info", "table", "response", "pull",
                                 "push", "store", "recall",   "status"};

enum class Kind { Flag, Text, Number };

// An option, its value and the commands it applies to (empty: every command).
struct OptionDef {
    const char* name;
    Kind kind;
    std::set<std::string> commands;
    int lo = 0;
    int hi = 0;
};

bool IsLetterOrDigit(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
}

bool IsNameChar(char c) {
    return IsLetterOrDigit(c) || c == '-' || c == '_' || c == '.';
}

// Names compared as a file system that ignores case would compare them.
std::string Folded(std::string text) {
    for (char& c : text) {
        if (c >= 'A' && c <= 'Z') {
            c = static_cast<char>(c - 'A' + 'a');
        }
    }
    return text;
}

const std::set<std::string> kLinking{"pull", "push", "store", "recall", "status"};

const std::vector<OptionDef>& Options() {
    static const std::vector<OptionDef> defs{
        {"--help", Kind::Flag, {}},
        {"--version", Kind::Flag, {}},
        {"--lang", Kind::Text, {}},
        {"--format", Kind::Text, {"table", "response"}},
        {"--program", Kind::Number, {"table", "response"}, 1, kStoredPrograms},
        {"--channel", Kind::Number, {"response"}, 1, kChannelCount},
        {"--connect", Kind::Text, kLinking},
        {"--fleet", Kind::Text, kLinking},
        {"--trace", Kind::Text, kLinking},
        {"--timeout", Kind::Number, kLinking, 1, 86400},
        {"--slot", Kind::Number, {"store", "recall"}, 1, kStoredPrograms},
        {"--name", Kind::Text, {"store"}},
        {"--watch", Kind::Flag, {"status"}},
        {"--interval", Kind::Number, {"status"}, 1, 3600},
        {"--force", Kind::Flag, {"pull", "push"}},
        {"--no-verify", Kind::Flag, {"push", "store"}},
    };
    return defs;
}

}  // namespace

std::string Fill(std::string_view text, std::initializer_list<std::string> values) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '%' && i + 1 < text.size() && text[i + 1] >= '1' && text[i + 1] <= '9') {
            const auto k = static_cast<std::size_t>(text[i + 1] - '1');
            if (k < values.size()) {
                out += *(values.begin() + k);
                ++i;
                continue;
            }
        }
        out += text[i];
    }
    return out;
}

bool IsSafeAmplifierName(std::string_view name) {
    return !name.empty() && name.size() <= kMaxAmplifierName && IsLetterOrDigit(name.front()) &&
           std::all_of(name.begin(), name.end(), IsNameChar);
}

std::string NameOfUrl(const std::string& url) {
    std::string name = url.substr(url.find(':') + 1);
    for (char& c : name) {
        if (!IsNameChar(c)) {
            c = '_';
        }
    }
    const auto first = std::find_if(name.begin(), name.end(), IsLetterOrDigit);
    name.erase(name.begin(), first);
    if (name.size() > kMaxAmplifierName) {
        name.resize(kMaxAmplifierName);
    }
    return name.empty() ? std::string("amplifier") : name;
}

std::string Escaped(std::string_view text) {
    static const char kDigits[] = "0123456789ABCDEF";
    std::string out;
    for (unsigned char c : text) {
        if (c >= 0x20 && c < 0x7F && c != '\\') {
            out += static_cast<char>(c);
        } else {
            out += "\\x";
            out += kDigits[c >> 4];
            out += kDigits[c & 0xF];
        }
    }
    return out;
}

std::optional<std::vector<FleetMember>> ParseFleet(const std::string& text,
                                                   const std::string& fileName, const UiState& ui,
                                                   std::string& error) {
    static const std::string kByteOrderMark = "\xEF\xBB\xBF";
    std::vector<FleetMember> fleet;
    std::set<std::string> names;
    std::size_t start = text.starts_with(kByteOrderMark) ? kByteOrderMark.size() : 0;
    int lineNo = 0;
    while (start <= text.size()) {
        auto end = text.find('\n', start);
        if (end == std::string::npos) {
            end = text.size();
        }
        std::string line = text.substr(start, end - start);
        start = end + 1;
        ++lineNo;
        if (const auto hash = line.find('#'); hash != std::string::npos) {
            line.erase(hash);
        }
        std::vector<std::string> words;
        std::size_t i = 0;
        while (i < line.size()) {
            const auto from = line.find_first_not_of(" \t\r", i);
            if (from == std::string::npos) {
                break;
            }
            const auto to = std::min(line.find_first_of(" \t\r", from), line.size());
            words.push_back(line.substr(from, to - from));
            i = to;
        }
        if (words.empty()) {
            continue;
        }
        const auto fail = [&](const std::string& why) {
            error = Fill(ui.Text(TextId::CliFleetLine), {fileName, std::to_string(lineNo), why});
            return std::nullopt;
        };
        const auto target = words.size() == 2 ? ParseConnectUrl(words[1]) : std::nullopt;
        if (!target) {
            return fail(ui.Text(TextId::CliFleetBadLine));
        }
        if (!IsSafeAmplifierName(words[0])) {
            return fail(Fill(ui.Text(TextId::CliFleetBadName),
                             {Escaped(words[0]), std::to_string(kMaxAmplifierName)}));
        }
        if (!names.insert(Folded(words[0])).second) {
            return fail(Fill(ui.Text(TextId::CliFleetDuplicate), {words[0]}));
        }
        if (fleet.size() == kFleetMaxAmplifiers) {
            return fail(
                Fill(ui.Text(TextId::CliFleetTooMany), {std::to_string(kFleetMaxAmplifiers)}));
        }
        fleet.push_back({words[0], words[1], *target,
                         Fill(ui.Text(TextId::CliFleetWhere), {fileName, std::to_string(lineNo)})});
    }
    if (fleet.empty()) {
        error = Fill(ui.Text(TextId::CliFleetEmpty), {fileName});
        return std::nullopt;
    }
    return fleet;
}

std::optional<std::vector<FleetMember>> ReadFleetFile(const std::string& path, const UiState& ui,
                                                      std::string& error, bool& unreadable) {
    std::string text;
    unreadable = true;
    switch (ReadFileBytes(path, text, kFleetFileMaxBytes)) {
        case FileStatus::Ok:
            break;
        case FileStatus::WrongSize:
            error =
                Fill(ui.Text(TextId::CliFleetTooLarge), {path, std::to_string(kFleetFileMaxBytes)});
            return std::nullopt;
        default:
            error = std::string(ui.Text(TextId::CliCannotOpenFile)) + ' ' + path;
            return std::nullopt;
    }
    unreadable = false;
    return ParseFleet(text, path, ui, error);
}

std::string CheckFleet(const std::vector<FleetMember>& fleet,
                       const std::vector<std::string>& pathPatterns, const UiState& ui) {
    if (fleet.size() > kFleetMaxAmplifiers) {
        return Fill(ui.Text(TextId::CliFleetTooMany), {std::to_string(kFleetMaxAmplifiers)});
    }
    std::map<std::string, const FleetMember*> byName;
    for (const FleetMember& m : fleet) {
        const auto [at, fresh] = byName.emplace(Folded(m.name), &m);
        if (!fresh) {
            return Fill(ui.Text(TextId::CliNameTwice), {m.name, at->second->origin, m.origin});
        }
    }
    namespace fs = std::filesystem;
    for (const std::string& pattern : pathPatterns) {
        if (pattern.empty()) {
            continue;
        }
        std::map<std::string, const FleetMember*> byPath;
        for (const FleetMember& m : fleet) {
            const std::string path = ExpandName(pattern, m.name);
            const auto [at, fresh] =
                byPath.emplace(Folded(fs::path(path).lexically_normal().string()), &m);
            if (!fresh) {
                return Fill(ui.Text(TextId::CliSamePath), {at->second->name, m.name, path});
            }
        }
    }
    return {};
}

std::string ExpandName(const std::string& pattern, const std::string& name) {
    static const std::string kField = "{name}";
    std::string out = pattern;
    for (auto at = out.find(kField); at != std::string::npos;
         at = out.find(kField, at + name.size())) {
        out.replace(at, kField.size(), name);
    }
    return out;
}

bool IsLinkCommand(const std::string& command) {
    return kLinking.count(command) != 0;
}

CliArgs ParseArgs(const std::vector<std::string>& args) {
    CliArgs a;
    // The language first, so that every mistake is told in it.
    for (std::size_t i = 0; i < args.size(); ++i) {
        if ((args[i] == "--lang" && i + 1 < args.size() && args[i + 1] == "zh") ||
            args[i] == "--lang=zh") {
            a.lang = "zh";
        }
    }
    // Asking for help or the version is never a mistake, whatever else is given.
    for (const std::string& arg : args) {
        a.help |= arg == "--help" || arg == "-h";
        a.version |= arg == "--version";
    }
    if (a.help || a.version) {
        return a;
    }
    UiState ui;
    ui.language = a.lang == "zh" ? Language::Chinese : Language::English;
    const auto text = [&](TextId id) { return std::string(ui.Text(id)); };

    struct Given {
        std::string name;
        std::string value;
    };
    std::vector<Given> given;
    for (std::size_t i = 0; i < args.size() && a.error.empty(); ++i) {
        const std::string& arg = args[i];
        if (arg == "-h") {
            given.push_back({"--help", {}});
            continue;
        }
        if (arg.rfind("--", 0) != 0 || arg == "--") {
            if (a.command.empty()) {
                a.command = arg;
            } else {
                a.positional.push_back(arg);
            }
            continue;
        }
        std::string name = arg;
        std::optional<std::string> value;
        if (const auto eq = arg.find('='); eq != std::string::npos) {
            name = arg.substr(0, eq);
            value = arg.substr(eq + 1);
        }
        const auto def = std::find_if(Options().begin(), Options().end(),
                                      [&](const OptionDef& s) { return name == s.name; });
        if (def == Options().end()) {
            a.error = Fill(text(TextId::CliUnknownOption), {name});
            break;
        }
        if (def->kind == Kind::Flag) {
            if (value) {
                a.error = Fill(text(TextId::CliOptionTakesNoValue), {name});
            }
            given.push_back({name, {}});
            continue;
        }
        if (!value) {
            if (i + 1 >= args.size()) {
                a.error = Fill(text(TextId::CliOptionNeedsValue), {name, "?"});
                given.push_back({name, {}});  // completed below with what it expects
                break;
            }
            value = args[++i];
        }
        given.push_back({name, *value});
    }
    const auto expectation = [&](const OptionDef& s) -> std::string {
        const std::string n = s.name;
        if (s.kind == Kind::Number) {
            return Fill(text(TextId::CliExpectNumber),
                        {std::to_string(s.lo), std::to_string(s.hi)});
        }
        if (n == "--lang")
            return text(TextId::CliExpectLang);
        if (n == "--format")
            return text(TextId::CliExpectFormat);
        if (n == "--connect")
            return text(TextId::CliExpectUrl);
        if (n == "--name")
            return text(TextId::CliExpectName);
        return text(TextId::CliExpectFile);
    };
    const auto defOf = [](const std::string& name) {
        return *std::find_if(Options().begin(), Options().end(),
                             [&](const OptionDef& s) { return name == s.name; });
    };
    if (!a.error.empty() && !given.empty() && given.back().value.empty() &&
        defOf(given.back().name).kind != Kind::Flag) {
        const OptionDef& s = defOf(given.back().name);
        a.error = Fill(text(TextId::CliOptionNeedsValue), {s.name, expectation(s)});
    }
    for (const Given& g : given) {
        if (g.name == "--help")
            a.help = true;
        if (g.name == "--version")
            a.version = true;
    }
    if (a.help || a.version) {
        a.error.clear();
        return a;
    }
    if (!a.error.empty()) {
        return a;
    }
    if (a.command.empty()) {
        a.error = text(TextId::CliNoCommand);
        return a;
    }
    if (std::find(std::begin(kCommands), std::end(kCommands), a.command) == std::end(kCommands)) {
        a.error = Fill(text(TextId::CliUnknownCommand), {a.command});
        return a;
    }

    for (const Given& g : given) {
        const OptionDef& s = defOf(g.name);
        if (!s.commands.empty() && s.commands.count(a.command) == 0) {
            a.error = Fill(text(TextId::CliOptionNotFor), {g.name, a.command});
            return a;
        }
        const auto bad = [&] {
            a.error = Fill(text(TextId::CliOptionBadValue), {g.name, g.value, expectation(s)});
        };
        int number = 0;
        if (s.kind == Kind::Number) {
            const auto v = ToInt(g.value);
            if (!v || *v < s.lo || *v > s.hi) {
                bad();
                return a;
            }
            number = *v;
        }
        if (g.name == "--lang") {
            if (g.value != "en" && g.value != "zh") {
                bad();
                return a;
            }
            a.lang = g.value;
        } else if (g.name == "--format") {
            if (g.value != "text" && g.value != "csv") {
                bad();
                return a;
            }
            a.format = g.value;
        } else if (g.name == "--connect") {
            if (!ParseConnectUrl(g.value)) {
                bad();
                return a;
            }
            a.connect.push_back(g.value);
        } else if (g.name == "--fleet" || g.name == "--trace") {
            if (g.value.empty()) {
                bad();
                return a;
            }
            (g.name == "--fleet" ? a.fleetFiles.push_back(g.value) : void(a.trace = g.value));
        } else if (g.name == "--name") {
            a.name = g.value;
            a.nameGiven = true;
        } else if (g.name == "--program") {
            a.program = number;
        } else if (g.name == "--channel") {
            a.channel = number;
        } else if (g.name == "--timeout") {
            a.timeout = number;
        } else if (g.name == "--slot") {
            a.slot = number;
        } else if (g.name == "--interval") {
            a.interval = number;
        } else if (g.name == "--watch") {
            a.watch = true;
        } else if (g.name == "--force") {
            a.force = true;
        } else if (g.name == "--no-verify") {
            a.noVerify = true;
        }
    }

    const bool takesPath = !IsLinkCommand(a.command) || a.command == "pull" || a.command == "push";
    if (a.positional.size() != (takesPath ? 1u : 0u)) {
        const TextId wants = !takesPath            ? TextId::CliNoPath
                             : a.command == "pull" ? TextId::CliOneOutput
                                                   : TextId::CliOneFile;
        std::string got;
        for (const auto& p : a.positional) {
            got += (got.empty() ? "'" : ", '") + p + "'";
        }
        a.error = Fill(text(TextId::CliWrongArguments),
                       {a.command, text(wants), got.empty() ? "-" : got});
        return a;
    }
    if (IsLinkCommand(a.command)) {
        if (a.connect.empty() && a.fleetFiles.empty()) {
            a.error = Fill(text(TextId::CliNeedsTarget), {a.command});
        } else if ((a.command == "store" || a.command == "recall") && a.slot == 0) {
            a.error = Fill(text(TextId::CliNeedsSlot), {a.command});
        } else if (a.command == "store" && !a.nameGiven) {
            a.error =
                Fill(text(TextId::CliOptionNeedsValue), {"--name", text(TextId::CliExpectName)});
        }
    }
    return a;
}

}  // namespace tolmarin::cli
