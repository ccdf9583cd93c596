#include "MetricsText.h"

#include <cinttypes>
#include <cstdio>

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

// name{name="…",address="…"[,group="…"][,extra="…"]} value
void Series(std::string& out, const Family& f, const AmplifierSample& s, const char* extraKey,
            int extraValue, std::string_view value) {
    out += f.name;
    out += '{';
    Label(out, "name", s.name);
    out += ',';
    Label(out, "address", s.address);
    if (s.group) {
        out += ',';
        Label(out, "group", *s.group);
    }
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
    out.reserve(512 + samples.size() * 1024);
    out +=
        "# HELP tolmarin_monitor_info The monitor's version; always 1.\n"
        "# TYPE tolmarin_monitor_info gauge\n"
        "tolmarin_monitor_info{version=\"";
    out += EscapeLabelValue(version);
    out += "\"} 1\n";

    // All series of one metric stay together, as the format asks.
    Head(out, kUp);
    for (const auto& s : samples) {
        Series(out, kUp, s, nullptr, 0, s.up ? "1" : "0");
    }
    Head(out, kTemperature);
    for (const auto& s : samples) {
        for (int i = 0; i < 2 && s.up; ++i) {
            Series(out, kTemperature, s, "sensor", i + 1, std::to_string(s.temperatures[i]));
        }
    }
    Head(out, kLevel);
    for (const auto& s : samples) {
        for (int i = 0; i < 2 && s.up; ++i) {
            Series(out, kLevel, s, "channel", i + 1, std::to_string(s.levels[i]));
        }
    }
    Head(out, kReconnects);
    for (const auto& s : samples) {
        Series(out, kReconnects, s, nullptr, 0, std::to_string(s.reconnects));
    }
    Head(out, kLastReply);
    for (const auto& s : samples) {
        Series(out, kLastReply, s, nullptr, 0, Seconds(s.lastReplyMs.value_or(0)));
    }
    return out;
}

}  // namespace tolmarin::venue
