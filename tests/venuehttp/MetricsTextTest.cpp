#include <gtest/gtest.h>

#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "FakeSamples.h"
#include "venue/http/MetricsText.h"

namespace tolmarin::testing {
namespace {

using venue::AmplifierSample;
using venue::RenderMetrics;

bool Has(const std::string& text, const std::string& line) {
    return text.find("\n" + line + "\n") != std::string::npos;
}

struct SeriesCase {
    const char* what;
    AmplifierSample sample;
    std::vector<std::string> present;  // whole lines
    std::vector<std::string> absent;   // line beginnings
};

AmplifierSample Grouped() {
    auto s = SampleOf(0);
    s.group = "Floor 2";
    s.temperatures = {-10, 245};  // not clamped as the form's display is
    s.levels = {0, 255};
    s.reconnects = 4;
    s.lastReplyMs = 1765360434005;
    return s;
}

AmplifierSample Offline() {
    auto s = SampleOf(1);
    s.up = false;
    return s;
}

AmplifierSample NeverReplied() {
    auto s = SampleOf(2);
    s.up = false;
    s.lastReplyMs.reset();
    return s;
}

AmplifierSample OddName() {
    auto s = SampleOf(3);
    s.name = "Bar \"Neon\"\\VIP\nback";
    return s;
}

TEST(MetricsText, EachAmplifierExportsItsFiguresOnlyWhileUp) {
    const std::string L = "{name=\"Room 1\",address=\"tcp:127.0.0.1:20000\",group=\"Floor 2\"";
    const std::string O = "{name=\"Room 2\",address=\"tcp:127.0.0.1:20001\"";
    const SeriesCase cases[] = {
        {"up, with a group",
         Grouped(),
         {"tolmarin_amplifier_up" + L + "} 1",
          "tolmarin_amplifier_temperature_celsius" + L + ",sensor=\"1\"} -10",
          "tolmarin_amplifier_temperature_celsius" + L + ",sensor=\"2\"} 245",
          "tolmarin_amplifier_level" + L + ",channel=\"1\"} 0",
          "tolmarin_amplifier_level" + L + ",channel=\"2\"} 255",
          "tolmarin_amplifier_reconnects_total" + L + "} 4",
          "tolmarin_amplifier_last_reply_timestamp_seconds" + L + "} 1765360434.005"},
         {}},
        {"offline: no stale temperature or level",
         Offline(),
         {"tolmarin_amplifier_up" + O + "} 0", "tolmarin_amplifier_reconnects_total" + O + "} 1",
          "tolmarin_amplifier_last_reply_timestamp_seconds" + O + "} 1765360434.001"},
         {"tolmarin_amplifier_temperature_celsius{", "tolmarin_amplifier_level{", "group="}},
        {"never replied: last reply 0",
         NeverReplied(),
         {"tolmarin_amplifier_last_reply_timestamp_seconds{name=\"Room 3\",address=\"tcp:127.0.0."
          "1:20002\"} 0"},
         {}},
        {"label values escaped",
         OddName(),
         {"tolmarin_amplifier_up{name=\"Bar \\\"Neon\\\"\\\\VIP\\nback\",address=\"tcp:127.0.0."
          "1:20003\"} 1"},
         {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const AmplifierSample one[] = {c.sample};
        const std::string text = RenderMetrics(one, "1.0.0");
        for (const auto& line : c.present) {
            EXPECT_TRUE(Has(text, line)) << line << "\n" << text;
        }
        for (const auto& start : c.absent) {
            EXPECT_EQ(text.find("\n" + start), std::string::npos) << start << "\n" << text;
        }
    }
}

// Every metric has one HELP and one TYPE line, and all its series follow them together, as
// the text format asks (a scraper rejects a family split in two).
TEST(MetricsText, EveryFamilyIsHeadedOnceAndKeptTogether) {
    const std::vector<AmplifierSample> fleet{Grouped(), Offline(), NeverReplied(), OddName()};
    for (std::size_t n : {std::size_t(0), fleet.size()}) {
        SCOPED_TRACE(n);
        std::istringstream in(RenderMetrics(std::span(fleet).first(n), "1.0.0"));
        std::map<std::string, int> help, type;
        std::set<std::string> closed;
        std::string current, line;
        while (std::getline(in, line)) {
            std::istringstream words(line);
            std::string hash, kind, name;
            if (line.rfind("# ", 0) == 0) {
                words >> hash >> kind >> name;
                (kind == "HELP" ? help : type)[name]++;
                if (name != current) {
                    EXPECT_FALSE(closed.count(name)) << name << " split";
                    closed.insert(current);
                    current = name;
                }
                continue;
            }
            EXPECT_EQ(line.substr(0, line.find('{')), current) << line;
        }
        for (const char* family :
             {"tolmarin_monitor_info", "tolmarin_amplifier_up",
              "tolmarin_amplifier_temperature_celsius", "tolmarin_amplifier_level",
              "tolmarin_amplifier_reconnects_total",
              "tolmarin_amplifier_last_reply_timestamp_seconds"}) {
            EXPECT_EQ(help[family], 1) << family;
            EXPECT_EQ(type[family], 1) << family;
        }
    }
}

TEST(MetricsText, InfoCarriesTheVersion) {
    EXPECT_TRUE(Has(RenderMetrics({}, "1.2.3"), "tolmarin_monitor_info{version=\"1.2.3\"} 1"));
}

TEST(MetricsText, TemperaturesAreStatusBytesLessTenUnlimited) {
    const struct {
        std::uint8_t b4, b5;
        int c1, c2;
    } cases[] = {{0, 255, -10, 245}, {10, 11, 0, 1}, {60, 95, 50, 85}};
    for (const auto& c : cases) {
        EXPECT_EQ(venue::TemperaturesOfStatus(c.b4, c.b5), (std::array<int, 2>{c.c1, c.c2}));
    }
}

}  // namespace
}  // namespace tolmarin::testing
