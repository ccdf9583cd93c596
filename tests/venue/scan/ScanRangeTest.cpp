// The reader of what the user asks to scan, and the addresses a range leaves to probe.

#include "venue/scan/ScanRange.h"

#include <gtest/gtest.h>

#include "text/Texts.h"
#include "venue/scan/ScanTexts.h"

namespace tolmarin::venue {
namespace {

constexpr std::uint32_t Ip(int a, int b, int c, int d) {
    return (static_cast<std::uint32_t>(a) << 24) | (static_cast<std::uint32_t>(b) << 16) |
           (static_cast<std::uint32_t>(c) << 8) | static_cast<std::uint32_t>(d);
}

TEST(ScanRangeReader, ReadsRangesBlocksAndPorts) {
    struct Case {
        const char* text;
        std::uint32_t first, last;
        int port;
    };
    const Case cases[] = {
        {"127.168.1.10-60", Ip(127, 168, 1, 10), Ip(127, 168, 1, 60), 8899},
        {" 127.168.1.10 - 127.168.2.5 ", Ip(127, 168, 1, 10), Ip(127, 168, 2, 5), 8899},
        {"127.168.1.7/24", Ip(127, 168, 1, 0), Ip(127, 168, 1, 255), 8899},
        {"127.0.0.0/22:9000", Ip(127, 0, 0, 0), Ip(127, 0, 3, 255), 9000},
        {"127.0.0.5", Ip(127, 0, 0, 5), Ip(127, 0, 0, 5), 8899},
        {"127.0.0.5-5 : 1", Ip(127, 0, 0, 5), Ip(127, 0, 0, 5), 1},
        {"127.1.0.0-127.1.3.255", Ip(127, 1, 0, 0), Ip(127, 1, 3, 255), 8899},  // exactly 1,024
    };
    for (const auto& c : cases) {
        const auto r = ParseScanRange(c.text, 8899);
        ASSERT_TRUE(r.Ok()) << c.text << ": " << static_cast<int>(r.fault);
        EXPECT_EQ(r.range.first, c.first) << c.text;
        EXPECT_EQ(r.range.last, c.last) << c.text;
        EXPECT_EQ(r.range.port, c.port) << c.text;
    }
}

TEST(ScanRangeReader, RefusesWhatItCannotScanWithItsReason) {
    using F = ScanRangeFault;
    struct Case {
        const char* text;
        F fault;
        const char* detail;
    };
    const Case cases[] = {
        {"", F::Empty, ""},
        {"   ", F::Empty, ""},
        {"127.168.1.60-10", F::Reversed, "127.168.1.60"},
        {"127.0.1.0-127.0.0.255", F::Reversed, "127.0.1.0"},
        {"127.0.0.0/21", F::TooMany, "2048"},
        {"127.0.0.0-127.0.4.0", F::TooMany, "1025"},
        {"0.0.0.0/0", F::TooMany, "4294967296"},
        {"0.0.0.0-255.255.255.255", F::TooMany, "4294967296"},
        {"amp12.example", F::Name, "amp12.example"},
        {"localhost:8899", F::Name, "localhost"},
        {"127.168.1.1-router", F::Name, "router"},
        {"fe80::1", F::Ipv6, "fe80::1"},
        {"[::1]:8899", F::Ipv6, "[::1]:8899"},
        {"::ffff:127.0.0.1", F::Ipv6, "::ffff:127.0.0.1"},
        {"127.168.1.256", F::NotAnAddress, "127.168.1.256"},
        {"127.168.1", F::NotAnAddress, "127.168.1"},
        {"127.168.01.2", F::NotAnAddress, "127.168.01.2"},  // octal elsewhere: refused
        {"1.2.3.4.5", F::NotAnAddress, "1.2.3.4.5"},
        {"127.0.0.0/33", F::BadPrefix, "33"},
        {"127.0.0.0/", F::BadPrefix, ""},
        {"127.0.0.1:0", F::BadPort, "0"},
        {"127.0.0.1:65536", F::BadPort, "65536"},
        {"127.0.0.1:", F::BadPort, ""},
    };
    for (const auto& c : cases) {
        const auto r = ParseScanRange(c.text, 8899);
        EXPECT_EQ(r.fault, c.fault) << "'" << c.text << "'";
        EXPECT_EQ(r.detail, c.detail) << "'" << c.text << "'";
        for (Language language : {Language::English, Language::Chinese}) {
            const QString text = ScanRangeFaultText(r, language);
            EXPECT_FALSE(text.isEmpty()) << c.text;
            EXPECT_FALSE(text.contains(QLatin1Char('%'))) << text.toStdString();
        }
    }
}

TEST(ScanRangeAddresses, ABlockLeavesOutItsNetworkAndBroadcastAndKnownRoomsAreSkipped) {
    struct Case {
        const char* text;
        std::vector<ScanEndpoint> known;
        std::vector<std::uint32_t> expected;
    };
    const Case cases[] = {
        {"127.0.0.8/30", {}, {Ip(127, 0, 0, 9), Ip(127, 0, 0, 10)}},
        {"127.0.0.8/31", {}, {Ip(127, 0, 0, 8), Ip(127, 0, 0, 9)}},  // no network, no broadcast
        {"127.0.0.8/32", {}, {Ip(127, 0, 0, 8)}},
        {"127.0.0.0-2", {}, {Ip(127, 0, 0, 0), Ip(127, 0, 0, 1), Ip(127, 0, 0, 2)}},
        {"127.0.0.8/30", {{Ip(127, 0, 0, 9), 8899}}, {Ip(127, 0, 0, 10)}},
        {"127.0.0.8/30", {{Ip(127, 0, 0, 9), 9000}}, {Ip(127, 0, 0, 9), Ip(127, 0, 0, 10)}},
    };
    for (const auto& c : cases) {
        const auto r = ParseScanRange(c.text, 8899);
        ASSERT_TRUE(r.Ok()) << c.text;
        EXPECT_EQ(ScanAddresses(r.range, c.known), c.expected) << c.text;
    }
    const auto block = ParseScanRange("127.0.0.0/22", 8899);
    EXPECT_EQ(ScanAddresses(block.range, {}).size(), 1022u);
}

}  // namespace
}  // namespace tolmarin::venue
