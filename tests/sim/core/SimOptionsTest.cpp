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

TEST(SimCommandLine, HelpNamesEveryOption) {
    const std::string usage = SimUsage();
    for (const char* opt : {"--tcp", "--pty", "--allow-remote", "--state", "--trace", "--seed",
                            "--no-reply", "--delay", "--chunk", "--chunk-gap", "--bad-checksum",
                            "--unknown-reply", "--unknown-code", "--close-after", "--count",
                            "--refuse-reads", "--help", "listening on", "pty /dev/pts/N"}) {
        EXPECT_NE(usage.find(opt), std::string::npos) << opt;
    }
}

}  // namespace
}  // namespace tolmarin::sim
