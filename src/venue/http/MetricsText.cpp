#include "MetricsText.h"

#include <cinttypes>
#include <cstdio>
#include <vector>

namespace tolmarin::venue {

namespace {

struct Family {
    const char* name;
    const char* type;
    const char* help;
};

constexpr Family kUp{"tolmarin_amplifier_up", "gauge",
                     "1 while the amplifier's link answers, else 0."};
constexpr Family kTemperature{"tolmarin_amplifier_temperature_celsius", "gauge",
                              "Temperature of the amplifier's sensor in degrees Celsius."};
constexpr Family kLevel{"tolmarin_amplifier_level", "gauge",
                        "Raw output level byte of the channel, as the editor's lamps show it."};
constexpr Family kReconnects{"tolmarin_amplifier_reconnects_total", "counter",
                             "Times the link to the amplifier was opened again."};
constexpr Family kLastReply{"tolmarin_amplifier_last_reply_timestamp_seconds", "gauge",
                            "Unix time of the amplifier's last status reply, 0 before the first."};

void Head(std::string& out, const Family& f) {
    out += "# HELP ";
    out += f.name;
    out += ' ';
    out += f.help;
    out += "\n# TYPE ";
    out += f.name;
    out += ' ';
    out += f.type;
    out += '\n';
}

void Label(std::string& out, const char* key, std::string_view value) {
    out += key;
    out += "=\"";
    out += EscapeLabelValue(value);
    out += '"';
}

// name="…",address="…"[,group="…"]: escaped once per amplifier, shared by all its series.
std::string Identity(const AmplifierSample& s) {
    std::string out;
    Label(out, "name", s.name);
    out += ',';
    Label(out, "address", s.address);
    if (s.group) {
        out += ',';
        Label(out, "group", *s.group);
    }
    return out;
}

// name{identity[,extra="n"]} value
void Series(std::string& out, const Family& f, const std::string& identity, const char* extraKey,
            int extraValue, std::string_view value) {
    out += f.name;
    out += '{';
    out += identity;
    if (extraKey != nullptr) {
        out += ',';
        out += extraKey;
        out += "=\"";
        out += char('0' + extraValue);
        out += '"';
    }
    out += "} ";
    out += value;
    out += '\n';
}

std::string Seconds(std::int64_t ms) {
    if (ms <= 0) {
        return "0";
    }
    char buf[32];
    std::snprintf(buf, sizeof buf, "%" PRId64 ".%03d", ms / 1000, int(ms % 1000));
    return buf;
}

}  // namespace

std::string EscapeLabelValue(std::string_view value) {
    std::string out;
    out.reserve(value.size());
    for (char c : value) {
        switch (c) {
            case '\\':
                out += "\\\\";
                break;
            case '"':
                out += "\\\"";
                break;
            case '\n':
                out += "\\n";
                break;
            default:
                out += c;
        }
    }
    return out;
}

std::string RenderMetrics(std::span<const AmplifierSample> samples, std::string_view version) {
    std::string out;
    out.reserve(1024 + samples.size() * 800);
    out +=
        "# HELP tolmarin_monitor_info The monitor's version; always 1.\n"
        "# TYPE tolmarin_monitor_info gauge\n"
        "tolmarin_monitor_info{version=\"";
    out += EscapeLabelValue(version);
    out += "\"} 1\n";

    std::vector<std::string> ids;
    ids.reserve(samples.size());
    for (const auto& s : samples) {
        ids.push_back(Identity(s));
    }
    // All series of one metric stay together, as the format asks.
    Head(out, kUp);
    for (std::size_t i = 0; i < samples.size(); ++i) {
        Series(out, kUp, ids[i], nullptr, 0, samples[i].up ? "1" : "0");
    }
    Head(out, kTemperature);
    for (std::size_t i = 0; i < samples.size(); ++i) {
        for (int k = 0; k < 2 && samples[i].up; ++k) {
            Series(out, kTemperature, ids[i], "sensor", k + 1,
                   std::to_string(samples[i].temperatures[std::size_t(k)]));
        }
    }
    Head(out, kLevel);
    for (std::size_t i = 0; i < samples.size(); ++i) {
        for (int k = 0; k < 2 && samples[i].up; ++k) {
            Series(out, kLevel, ids[i], "channel", k + 1,
                   std::to_string(samples[i].levels[std::size_t(k)]));
        }
    }
    Head(out, kReconnects);
    for (std::size_t i = 0; i < samples.size(); ++i) {
        Series(out, kReconnects, ids[i], nullptr, 0, std::to_string(samples[i].reconnects));
    }
    Head(out, kLastReply);
    for (std::size_t i = 0; i < samples.size(); ++i) {
        Series(out, kLastReply, ids[i], nullptr, 0, Seconds(samples[i].lastReplyMs.value_or(0)));
    }
    return out;
}

}  // namespace tolmarin::venue
