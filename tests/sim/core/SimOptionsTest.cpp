#include "sim/SimOptions.h"

#include <gtest/gtest.h>

namespace tolmarin::sim {
namespace {

std::optional<SimOptions> Parse(std::vector<std::string> args, std::string* why = nullptr) {
    std::string error;
    auto o = ParseSimOptions(args, error);
    if (why != nullptr) {
        *why = error;
    }
    return o;
}

TEST(SimCommandLine, LoopbackOnlyUnlessRemoteIsAllowed) {
    EXPECT_TRUE(IsLoopbackAddress("127.0.0.1"));
    EXPECT_TRUE(IsLoopbackAddress("127.254.3.9"));
    EXPECT_TRUE(IsLoopbackAddress("::1"));
    EXPECT_TRUE(IsLoopbackAddress("::ffff:127.0.0.1"));
    EXPECT_FALSE(IsLoopbackAddress("128.0.0.1"));
    EXPECT_FALSE(IsLoopbackAddress("0.0.0.0"));
    EXPECT_FALSE(IsLoopbackAddress("::"));
    EXPECT_FALSE(IsLoopbackAddress("::2"));
    EXPECT_FALSE(IsLoopbackAddress("::ffff:203.0.113.1"));
    EXPECT_FALSE(IsLoopbackAddress("localhost"));  // names are resolved by the parser only

    std::string why;
    EXPECT_FALSE(Parse({"--tcp", "0.0.0.0:8899"}, &why));
    EXPECT_NE(why.find("not a loopback address"), std::string::npos);
    EXPECT_FALSE(Parse({"--tcp", "203.0.113.20:8899"}));
    const auto remote = Parse({"--tcp", "0.0.0.0:8899", "--allow-remote"});
    ASSERT_TRUE(remote);
    EXPECT_TRUE(remote->allowRemote);
}

TEST(SimCommandLine, EndpointsInTheirThreeSpellings) {
    const auto v4 = Parse({"--tcp", "127.0.0.1:0"});
    ASSERT_TRUE(v4);
    EXPECT_EQ(v4->tcp->host, "127.0.0.1");
    EXPECT_EQ(v4->tcp->port, 0);
    const auto v6 = Parse({"--tcp=[::1]:8899"});
    ASSERT_TRUE(v6);
    EXPECT_EQ(v6->tcp->host, "::1");
    EXPECT_EQ(v6->tcp->port, 8899);
    const auto name = Parse({"--tcp", "localhost:5"});
    ASSERT_TRUE(name);
    EXPECT_EQ(name->tcp->host, "127.0.0.1");
    for (const char* bad : {"127.0.0.1", "127.0.0.1:", "127.0.0.1:65536", "127.0.0.1:-1",
                            "host.example:1", "::1:5", "[::1]5", "127.0.0.1:0x"}) {
        EXPECT_FALSE(Parse({"--tcp", bad})) << bad;
    }
}

TEST(SimCommandLine, FaultsFilesAndFlags) {
    const auto o = Parse(
        {"--pty",      "--trace",        "t.txt", "--state=s.bin",   "--seed", "7",
         "--no-reply", "--delay",        "250",   "--chunk",         "5",      "--chunk-gap",
         "3",          "--bad-checksum", "4",     "--unknown-reply", "2",      "--unknown-code",
         "0xA4",       "--close-after",  "9"});
    ASSERT_TRUE(o);
    EXPECT_TRUE(o->pty);
    EXPECT_FALSE(o->tcp);
    EXPECT_EQ(o->traceFile, "t.txt");
    EXPECT_EQ(o->stateFile, "s.bin");
    EXPECT_EQ(o->seed, 7u);
    EXPECT_TRUE(o->faults.noReply);
    EXPECT_EQ(o->faults.delayMs, 250);
    EXPECT_EQ(o->faults.chunkBytes, 5);
    EXPECT_EQ(o->faults.chunkGapMs, 3);
    EXPECT_EQ(o->faults.badChecksumEvery, 4);
    EXPECT_EQ(o->faults.unknownEvery, 2);
    EXPECT_EQ(o->faults.unknownCode, 0xA4);
    EXPECT_EQ(o->faults.closeAfterFrames, 9);
}

TEST(SimCommandLine, MistakesAreNamed) {
    std::string why;
    EXPECT_FALSE(Parse({}, &why));
    EXPECT_NE(why.find("nothing to listen on"), std::string::npos);
    EXPECT_FALSE(Parse({"--pty", "--frobnicate"}, &why));
    EXPECT_NE(why.find("--frobnicate"), std::string::npos);
    EXPECT_FALSE(Parse({"--pty", "--delay"}, &why));
    EXPECT_NE(why.find("needs a value"), std::string::npos);
    EXPECT_FALSE(Parse({"--pty", "--chunk", "0"}));
    EXPECT_FALSE(Parse({"--pty", "--unknown-code", "256"}));
    EXPECT_FALSE(Parse({"--pty=yes"}));
    const auto help = Parse({"--help"});
    ASSERT_TRUE(help);
    EXPECT_TRUE(help->help);
}

TEST(SimCommandLine, AVenueOnConsecutivePortsIsTcpOnly) {
    const auto venue = Parse({"--tcp", "127.0.0.1:0", "--count=8", "--refuse-reads"});
    ASSERT_TRUE(venue);
    EXPECT_EQ(venue->count, 8);
    EXPECT_TRUE(venue->faults.refuseReads);
    std::string why;
    for (const std::vector<std::string>& bad :
         {std::vector<std::string>{"--pty", "--count", "2"},
          {"--tcp", "127.0.0.1:0", "--count", "2", "--state", "s.bin"},
          {"--tcp", "127.0.0.1:65535", "--count", "2"},
          {"--tcp", "127.0.0.1:0", "--count", "0"},
          {"--tcp", "127.0.0.1:0", "--count", "257"}}) {
        EXPECT_FALSE(Parse(bad, &why)) << bad.back();
        EXPECT_NE(why.find("--count"), std::string::npos) << why;
    }
}

TEST(SimCommandLine, AVenueOnConsecutiveAddressesStaysOnLoopbackIPv4) {
    const auto venue = Parse({"--tcp", "127.0.0.250:8899", "--count", "8", "--step", "address"});
    ASSERT_TRUE(venue);
    EXPECT_EQ(venue->step, SimOptions::Step::Address);
    const std::vector<std::string> hosts = {VenueHost(*venue, 0), VenueHost(*venue, 5),
                                            VenueHost(*venue, 7)};
    EXPECT_EQ(hosts, (std::vector<std::string>{"127.0.0.250", "127.0.0.255", "127.0.1.1"}));
    const auto ports = Parse({"--tcp", "127.0.0.9:0", "--count", "3"});
    ASSERT_TRUE(ports);
    EXPECT_EQ(VenueHost(*ports, 2), "127.0.0.9") << "the port step keeps one address";

    std::string why;
    for (const std::vector<std::string>& bad :
         {std::vector<std::string>{"--tcp", "127.255.255.254:1", "--count", "3", "--step",
                                   "address"},
          {"--tcp", "[::1]:1", "--count", "2", "--step", "address"},
          {"--tcp", "127.0.0.1:1", "--count", "2", "--step", "addresses"}}) {
        EXPECT_FALSE(Parse(bad, &why)) << bad[1];
        EXPECT_TRUE(why.find("--count") != std::string::npos ||
                    why.find("--step") != std::string::npos)
            << why;
    }
}

TEST(SimCommandLine, TemperatureForBothStagesOrEach) {
    struct Case {
        const char* text;
        std::optional<std::array<int, 2>> held;
    };
    const Case cases[] = {
        {"55", std::array<int, 2>{55, 55}},
        {"40,71", std::array<int, 2>{40, 71}},
        {"-10", std::array<int, 2>{-10, -10}},
        {"245", std::array<int, 2>{245, 245}},
        {"246", std::nullopt},
        {"-11", std::nullopt},
        {"40,", std::nullopt},
        {"hot", std::nullopt},
        {"40,50,60", std::nullopt},
        {"", std::nullopt},
    };
    for (const auto& c : cases) {
        std::string why;
        const auto o = Parse({"--pty", "--temperature", c.text}, &why);
        if (!c.held) {
            EXPECT_FALSE(o) << c.text;
            EXPECT_NE(why.find("--temperature"), std::string::npos) << why;
            continue;
        }
        ASSERT_TRUE(o) << c.text << ": " << why;
        EXPECT_EQ(o->temperature, c.held) << c.text;
    }
    EXPECT_FALSE(Parse({"--pty"})->temperature) << "temperatures follow the levels by default";
}

TEST(SimCommandLine, HelpNamesEveryOption) {
    const std::string usage = SimUsage();
    for (const char* opt :
         {"--tcp",          "--pty",           "--allow-remote", "--state",        "--trace",
          "--seed",         "--no-reply",      "--delay",        "--chunk",        "--chunk-gap",
          "--bad-checksum", "--unknown-reply", "--unknown-code", "--close-after",  "--count",
          "--refuse-reads", "--help",          "listening on",   "pty /dev/pts/N", "--step",
          "--temperature"}) {
        EXPECT_NE(usage.find(opt), std::string::npos) << opt;
    }
}

}  // namespace
}  // namespace tolmarin::sim
