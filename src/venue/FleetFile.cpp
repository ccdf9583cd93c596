#include "venue/FleetFile.h"

#include <algorithm>
#include <filesystem>
#include <map>
#include <set>

#include "protocol/ProgramFile.h"
#include "venue/ReadersPlatform.h"

namespace tolmarin::venue {

namespace {

namespace fs = std::filesystem;

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

// Where a path leads: the folder by device and inode (so that links and bind mounts meet),
// then the name in it.
std::string PlaceOf(const std::string& path) {
    const fs::path p(path);
    const fs::path folder = p.has_parent_path() ? p.parent_path() : fs::path(".");
    const std::string name = Folded(p.filename().string());
    if (const std::string id = FolderIdentity(folder.string()); !id.empty()) {
        return "i" + Folded(id) + '/' + name;
    }
    // A folder that is not there yet: its name, as far as it resolves.
    std::error_code ec2;
    const fs::path weak = fs::weakly_canonical(p, ec2);
    return "n" + Folded((ec2 ? p.lexically_normal() : weak).string());
}

// The amplifier an address leads to: a TCP host (an IP address in one spelling) and port,
// or a serial device as it resolves.
std::string AmplifierOf(const ConnectTarget& t) {
    if (t.serial) {
        std::error_code ec;
        const fs::path real = fs::canonical(t.serialPort, ec);
        return "serial " + (ec ? t.serialPort : real.string());
    }
    const std::string host = Folded(CanonicalAddress(t.host));
    return "tcp " + host + ' ' + std::to_string(t.port);
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
        const bool fits = words.size() == 2 || words.size() == 3;
        const auto target = fits ? ParseConnectUrl(words[1]) : std::nullopt;
        if (!target) {
            return fail(ui.Text(TextId::CliFleetBadLine));
        }
        if (!IsSafeAmplifierName(words[0])) {
            return fail(Fill(ui.Text(TextId::CliFleetBadName),
                             {Escaped(words[0]), std::to_string(kMaxAmplifierName)}));
        }
        const std::string group = words.size() == 3 ? words[2] : std::string();
        if (!group.empty() && !IsSafeAmplifierName(group)) {
            return fail(Fill(ui.Text(TextId::CliFleetBadGroup),
                             {Escaped(group), std::to_string(kMaxAmplifierName)}));
        }
        if (!names.insert(Folded(words[0])).second) {
            return fail(Fill(ui.Text(TextId::CliFleetDuplicate), {words[0]}));
        }
        if (fleet.size() == kFleetMaxAmplifiers) {
            return fail(
                Fill(ui.Text(TextId::CliFleetTooMany), {std::to_string(kFleetMaxAmplifiers)}));
        }
        fleet.push_back({words[0], words[1], *target,
                         Fill(ui.Text(TextId::CliFleetWhere), {fileName, std::to_string(lineNo)}),
                         group});
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
        case FileStatus::NotAFile:
            error = NotRegularFile(path, ui);
            return std::nullopt;
        default:
            error = std::string(ui.Text(TextId::CliCannotOpenFile)) + ' ' + path;
            return std::nullopt;
    }
    unreadable = false;
    return ParseFleet(text, path, ui, error);
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

std::string Shown(std::string_view text) {
    static const char kDigits[] = "0123456789ABCDEF";
    std::string out;
    const auto hex = [&](unsigned char c) {
        out += "\\x";
        out += kDigits[c >> 4];
        out += kDigits[c & 0xF];
    };
    std::size_t i = 0;
    while (i < text.size()) {
        const auto c = static_cast<unsigned char>(text[i]);
        if (c >= 0x20 && c < 0x7F) {
            out += static_cast<char>(c);
            ++i;
            continue;
        }
        // A well-formed UTF-8 sequence of a character that is not a control stays as it is.
        const std::size_t len = c >= 0xF0 && c <= 0xF4 ? 4 : c >= 0xE0 ? 3 : c >= 0xC2 ? 2 : 0;
        bool whole = len != 0 && c < 0xF5 && i + len <= text.size();
        for (std::size_t k = 1; whole && k < len; ++k) {
            whole = (static_cast<unsigned char>(text[i + k]) & 0xC0) == 0x80;
        }
        if (whole) {
            const auto c1 = static_cast<unsigned char>(text[i + 1]);
            const bool c1Control = c == 0xC2 && c1 < 0xA0;  // U+0080 to U+009F
            const bool overlong = (c == 0xE0 && c1 < 0xA0) || (c == 0xF0 && c1 < 0x90);
            const bool surrogate = c == 0xED && c1 >= 0xA0;
            const bool beyond = c == 0xF4 && c1 >= 0x90;
            whole = !c1Control && !overlong && !surrogate && !beyond;
        }
        if (whole) {
            out.append(text.substr(i, len));
            i += len;
        } else {
            hex(c);
            ++i;
        }
    }
    return out;
}

std::string NotRegularFile(const std::string& path, const UiState& ui) {
    std::error_code ec;
    const fs::file_status st = fs::status(path, ec);
    if (ec || !fs::exists(st) || fs::is_regular_file(st)) {
        return {};
    }
    TextId kind = TextId::CliKindOther;
    if (fs::is_directory(st)) {
        kind = TextId::CliKindFolder;
    } else if (fs::is_fifo(st)) {
        kind = TextId::CliKindPipe;
    } else if (fs::is_character_file(st) || fs::is_block_file(st)) {
        kind = TextId::CliKindDevice;
    } else if (fs::is_socket(st)) {
        kind = TextId::CliKindSocket;
    }
    return Fill(ui.Text(TextId::CliNotRegular), {path, ui.Text(kind)});
}

std::string CheckFleet(const std::vector<FleetMember>& fleet,
                       const std::vector<std::string>& pathPatterns, const UiState& ui) {
    if (fleet.size() > kFleetMaxAmplifiers) {
        return Fill(ui.Text(TextId::CliFleetTooMany), {std::to_string(kFleetMaxAmplifiers)});
    }
    std::map<std::string, const FleetMember*> byName;
    std::map<std::string, const FleetMember*> byAmplifier;
    for (const FleetMember& m : fleet) {
        const auto [at, fresh] = byName.emplace(Folded(m.name), &m);
        if (!fresh) {
            return Fill(ui.Text(TextId::CliNameTwice), {m.name, at->second->origin, m.origin});
        }
        // Two runs on one amplifier would interleave their frames on one link.
        const auto [same, freshAmp] = byAmplifier.emplace(AmplifierOf(m.target), &m);
        if (!freshAmp) {
            return Fill(ui.Text(TextId::CliSameAmplifier),
                        {same->second->name, m.name, same->second->origin, m.origin});
        }
    }
    // Every path of every amplifier against all the others, OUT against --trace too.
    struct Writer {
        const FleetMember* member;
        std::string path;
    };
    std::map<std::string, Writer> byPlace;
    for (const FleetMember& m : fleet) {
        for (const std::string& pattern : pathPatterns) {
            if (pattern.empty()) {
                continue;
            }
            const std::string path = ExpandName(pattern, m.name);
            const auto [at, fresh] = byPlace.emplace(PlaceOf(path), Writer{&m, path});
            if (fresh) {
                continue;
            }
            if (at->second.member == &m) {
                return Fill(ui.Text(TextId::CliSameFile), {m.name, path});
            }
            const std::string where =
                at->second.path == path ? path : at->second.path + " = " + path;
            return Fill(ui.Text(TextId::CliSamePath), {at->second.member->name, m.name, where});
        }
    }
    return {};
}

}  // namespace tolmarin::venue
