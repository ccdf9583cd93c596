#include "CliArgs.h"

#include <algorithm>
#include <charconv>
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
