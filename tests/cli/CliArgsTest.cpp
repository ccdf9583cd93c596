#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "CliArgs.h"
#include "CliOffline.h"
#include "support/TempDir.h"

namespace tolmarin {
namespace {

using cli::ParseArgs;

TEST(CliArgs, UsageMistakesNameTheArgumentAndWhatItAccepts) {
    const std::pair<std::vector<std::string>, std::string> cases[] = {
        {{}, "no command given"},
        {{"frob"}, "unknown command 'frob'"},
        {{"status", "--conect", "tcp:h"}, "unknown option '--conect'"},
        {{"status", "--connect"}, "--connect needs a value: tcp:HOST[:PORT]"},
        {{"status", "--connect", "udp:x"}, "--connect: 'udp:x' is not accepted; expected tcp:"},
        {{"table", "f", "--program", "21"},
         "'21' is not accepted; expected a whole number from 1 to 20"},
        {{"table", "f", "--lang=fr"}, "--lang: 'fr' is not accepted; expected en or zh"},
        {{"status", "--connect", "tcp:h", "--slot", "3"}, "--slot does not apply to status"},
        {{"status", "--connect", "tcp:h", "--watch=yes"}, "--watch takes no value"},
        {{"pull", "--connect", "tcp:h"}, "pull takes one output path (OUT); got -"},
        {{"recall", "--connect", "tcp:h", "a", "b"}, "recall takes no path; got 'a', 'b'"},
        {{"recall", "--connect", "tcp:h"}, "recall needs --slot N"},
        {{"push", "f.Data12File"}, "push needs --connect URL or --fleet FILE"},
        {{"store", "--connect", "tcp:h", "--slot", "2"}, "--name needs a value"},
    };
    for (const auto& [args, expected] : cases) {
        const auto a = ParseArgs(args);
        EXPECT_NE(a.error.find(expected), std::string::npos)
            << "args " << ::testing::PrintToString(args) << " gave: " << a.error;
    }
    // In Chinese when asked, wherever --lang stands.
    EXPECT_NE(ParseArgs({"frob", "--lang", "zh"}).error.find("未知命令"), std::string::npos);
}

TEST(CliArgs, OptionEqualsValueIsTheSameAsTwoWordsAndTargetsAccumulate) {
    const auto a = ParseArgs({"store", "--connect=tcp:[::1]:7000", "--slot=4", "--name", "Hall",
                              "--connect", "serial:/dev/ttyUSB0", "--fleet=venue.txt"});
    ASSERT_TRUE(a.error.empty()) << a.error;
    EXPECT_EQ(a.slot, 4);
    EXPECT_EQ(a.name, "Hall");
    EXPECT_EQ(a.connect, (std::vector<std::string>{"tcp:[::1]:7000", "serial:/dev/ttyUSB0"}));
    EXPECT_EQ(a.fleetFiles, std::vector<std::string>{"venue.txt"});
    EXPECT_TRUE(ParseArgs({"--version"}).version);
    EXPECT_TRUE(ParseArgs({"status", "--bogus", "-h"}).help) << "help wins over mistakes";
}

TEST(CliArgs, Ipv6AddressesInBracketsAsTheSimulatorPrintsThem) {
    const auto v6 = cli::ParseConnectUrl("tcp:[::1]:41000");
    ASSERT_TRUE(v6);
    EXPECT_EQ(v6->host, "::1");
    EXPECT_EQ(v6->port, 41000);
    ASSERT_TRUE(cli::ParseConnectUrl("tcp:[::1]"));
    EXPECT_EQ(cli::ParseConnectUrl("tcp:[::1]")->port, 8899);
    for (const char* bad : {"tcp:::1:80", "tcp:[::1", "tcp:[::1]80", "tcp:[]:80", "tcp:[::1]:0"}) {
        EXPECT_FALSE(cli::ParseConnectUrl(bad)) << bad;
    }
}

TEST(CliFleet, FileListsNamesAndAddressesAndPointsAtTheBadLine) {
    UiState ui;
    std::string error;
    const auto fleet = cli::ParseFleet(
        "# venue\n\nroom1 tcp:127.0.0.1:9001\n  room2\ttcp:[::1]:9002  # upstairs\r\n", "v.txt", ui,
        error);
    ASSERT_TRUE(fleet) << error;
    ASSERT_EQ(fleet->size(), 2u);
    EXPECT_EQ((*fleet)[1].name, "room2");
    EXPECT_EQ((*fleet)[1].target.host, "::1");
    EXPECT_EQ((*fleet)[1].target.port, 9002);

    const std::pair<const char*, const char*> bad[] = {
        {"a tcp:h:1\nb\n", "v.txt, line 2: expected a name and a link address"},
        {"a tcp:h:1\nb ftp:h\n", "v.txt, line 2: expected a name"},
        {"a tcp:h:1 hall extra\n", "v.txt, line 1:"},
        {"a tcp:h:1\n\na tcp:h:2\n", "v.txt, line 3: the name 'a' is used twice"},
        {"# nobody\n", "v.txt: no amplifiers listed"},
    };
    for (const auto& [text, expected] : bad) {
        EXPECT_FALSE(cli::ParseFleet(text, "v.txt", ui, error));
        EXPECT_NE(error.find(expected), std::string::npos) << text << " gave: " << error;
    }
    EXPECT_EQ(cli::ExpandName("out/{name}-{name}.Data12File", "r1"), "out/r1-r1.Data12File");
}

// Names become file names and terminal text: nothing that climbs out of a folder, hides,
// or drives the terminal gets through, and a byte-order mark is not part of the first name.
TEST(CliFleet, NamesThatAreNotSafeForFilesOrTerminalsAreRefused) {
    UiState ui;
    std::string error;
    const std::pair<std::string, std::string> bad[] = {
        {"ok tcp:h:1\n../x tcp:h:2\n", "v.txt, line 2: the name '../x' is not accepted"},
        {".hidden tcp:h:1\n", "the name '.hidden' is not accepted"},
        {"bell\x07\x1b[2J tcp:h:1\n", "the name 'bell\\x07\\x1B[2J' is not accepted"},
        {std::string(65, 'a') + " tcp:h:1\n", "at most 64 characters"},
        {"Room tcp:h:1\nroom tcp:h:2\n", "line 2: the name 'room' is used twice"},
    };
    for (const auto& [text, expected] : bad) {
        EXPECT_FALSE(cli::ParseFleet(text, "v.txt", ui, error)) << text;
        EXPECT_NE(error.find(expected), std::string::npos) << text << " gave: " << error;
        EXPECT_EQ(error.find('\x1b'), std::string::npos) << "a raw escape reached the message";
    }
    const auto bom = cli::ParseFleet(
        "\xEF\xBB\xBFroom1 tcp:h:1\n" + std::string(64, 'b') + " tcp:h:2\n", "v.txt", ui, error);
    ASSERT_TRUE(bom) << error;
    EXPECT_EQ((*bom)[0].name, "room1");
    EXPECT_EQ((*bom)[0].origin, "v.txt, line 1");

    EXPECT_EQ(cli::NameOfUrl("serial:/dev/ttyUSB0"), "dev_ttyUSB0");
    EXPECT_EQ(cli::NameOfUrl("tcp:127.0.0.1:8899"), "127.0.0.1_8899");
    EXPECT_EQ(cli::NameOfUrl("tcp:[::1]:9000"), "1__9000");
    EXPECT_TRUE(cli::IsSafeAmplifierName(cli::NameOfUrl("serial:../../" + std::string(99, 'x'))));
}

TEST(CliFleet, ClashingNamesOrOutputsAreRefusedNamingBoth) {
    UiState ui;
    // Each name its own amplifier: only the names or the paths clash here.
    const auto member = [](const std::string& name, const std::string& origin) {
        const std::string url = "tcp:" + name + ":1";
        return cli::FleetMember{name, url, *cli::ParseConnectUrl(url), origin};
    };
    // The same name from two places, case aside (some file systems ignore it).
    EXPECT_EQ(cli::CheckFleet({member("hall", "a.txt, line 3"), member("HALL", "--connect tcp:h")},
                              {"{name}.Data12File"}, ui),
              "the amplifier name 'HALL' is given twice (a.txt, line 3; --connect tcp:h)");
    // Different names, one file: the folder part takes the names away.
    const std::string clash =
        cli::CheckFleet({member("a", "x"), member("b", "y")}, {"", "out/{name}/../trace.txt"}, ui);
    EXPECT_NE(clash.find("'a' and 'b' would both write"), std::string::npos) << clash;
    EXPECT_EQ(cli::CheckFleet({member("a", "x"), member("b", "y")}, {"{name}.Data12File"}, ui), "");
}

cli::FleetMember At(const std::string& name, const std::string& url) {
    return {name, url, *cli::ParseConnectUrl(url), "--connect " + url};
}

// Two backups meeting through a linked folder: compared by name alone, both were written
// to one file and one was lost, with --force or without.
TEST(CliFleet, PathsThatMeetThroughALinkedFolderAreRefused) {
    testing::TempDir dir("linked-folder");
    namespace fs = std::filesystem;
    fs::create_directories(dir.Path() / "sd" / "b");
    fs::create_directory_symlink("b", dir.Path() / "sd" / "a");
    const std::string sd = dir.PathOf("sd");
    UiState ui;
    const std::vector<cli::FleetMember> two{At("a", "tcp:127.0.0.1:1"), At("b", "tcp:127.0.0.1:2")};
    struct Case {
        std::vector<std::string> patterns;
        std::string says;  // empty: accepted
    };
    const Case cases[] = {
        {{sd + "/{name}/x.ALLData12File", ""}, "'a' and 'b' would both write"},
        // OUT of one amplifier, the trace of the other.
        {{sd + "/a/b.ALLData12File", sd + "/{name}/{name}.ALLData12File"},
         "'a' and 'b' would both write"},
        // One amplifier's OUT and trace.
        {{sd + "/b/{name}.txt", sd + "/a/{name}.txt"}, "'a' would write"},
        {{sd + "/{name}/{name}.ALLData12File", sd + "/{name}/{name}.trace"}, ""},
    };
    for (const Case& c : cases) {
        const std::string said = cli::CheckFleet(two, c.patterns, ui);
        if (c.says.empty()) {
            EXPECT_EQ(said, "") << c.patterns[0];
        } else {
            EXPECT_NE(said.find(c.says), std::string::npos) << c.patterns[0] << ": " << said;
        }
    }
}

// One amplifier under two names would get two runs interleaving their frames on one link,
// and a summary saying "verified" twice.
TEST(CliFleet, TheSameAmplifierTwiceIsRefusedHoweverItsAddressIsWritten) {
    UiState ui;
    const std::pair<std::string, std::string> same[] = {
        {"tcp:127.0.0.1:8899", "tcp:127.0.0.1"},  // the default port spelt out
        {"tcp:[::1]:9000", "tcp:[0:0::1]:9000"},
        {"tcp:LocalHost:5", "tcp:localhost:5"},
        {"serial:/dev/null", "serial:/dev/../dev/null"},
    };
    for (const auto& [first, second] : same) {
        const std::string said = cli::CheckFleet({At("x", first), At("y", second)}, {}, ui);
        EXPECT_NE(said.find("'x' and 'y' are the same amplifier"), std::string::npos)
            << first << " / " << second << ": " << said;
    }
    EXPECT_EQ(cli::CheckFleet({At("x", "tcp:127.0.0.1:1"), At("y", "tcp:127.0.0.1:2")}, {}, ui),
              "");
    EXPECT_EQ(cli::CheckFleet({At("x", "tcp:127.0.0.1:1"), At("y", "tcp:127.0.0.2:1")}, {}, ui),
              "");
}

TEST(CliShown, ControlBytesOfInputAreShownAsHexAndTextStays) {
    const std::pair<std::string, std::string> cases[] = {
        {"plain/path.txt", "plain/path.txt"},
        {"a\x1b[2Jb", "a\\x1B[2Jb"},
        {"bell\a\r\n\t", "bell\\x07\\x0D\\x0A\\x09"},
        {"del\x7f", "del\\x7F"},
        {"\xc2\x9b"
         "31m",
         "\\xC2\\x9B"
         "31m"},                     // the C1 control sequence introducer
        {"\xff\xfe", "\\xFF\\xFE"},  // not UTF-8
        {"\xe5\x8a\x9f\xe6\x94\xbe", "\xe5\x8a\x9f\xe6\x94\xbe"},  // Chinese stays
        {"\xe5\x8a", "\\xE5\\x8A"},                                // a cut-off character
    };
    for (const auto& [in, shown] : cases) {
        EXPECT_EQ(cli::Shown(in), shown);
    }
}

// A venue's list is not a program file: it may be far larger than 13120 bytes.
TEST(CliFleet, FleetFilesAreReadWithTheirOwnLimits) {
    testing::TempDir dir("fleet-limits");
    UiState ui;
    std::string error;
    bool unreadable = false;
    const auto writeFleet = [&](const std::string& name, int count, std::size_t padding) {
        std::ofstream out(dir.PathOf(name));
        out << "# " << std::string(padding, '-') << "\n";
        for (int i = 0; i < count; ++i) {
            out << "room" << i << " tcp:127.0.0.1:" << 10000 + i << "\n";
        }
        return dir.PathOf(name);
    };
    const auto big = cli::ReadFleetFile(writeFleet("big.txt", 4096, 0), ui, error, unreadable);
    ASSERT_TRUE(big) << error;
    EXPECT_EQ(big->size(), 4096u);
    EXPECT_FALSE(cli::ReadFleetFile(writeFleet("many.txt", 4097, 0), ui, error, unreadable));
    EXPECT_NE(error.find("line 4098: more than 4096 amplifiers"), std::string::npos) << error;
    EXPECT_FALSE(unreadable);
    EXPECT_FALSE(cli::ReadFleetFile(writeFleet("huge.txt", 1, cli::kFleetFileMaxBytes), ui, error,
                                    unreadable));
    EXPECT_NE(error.find("a fleet file is at most 1048576 bytes"), std::string::npos) << error;
    EXPECT_TRUE(unreadable);
}

TEST(CliArgs, ConnectUrls) {
    auto tcp = cli::ParseConnectUrl("tcp:127.0.0.1");
    ASSERT_TRUE(tcp);
    EXPECT_EQ(tcp->port, 8899);
    EXPECT_FALSE(tcp->serial);
    auto withPort = cli::ParseConnectUrl("tcp:127.0.0.1:1234");
    ASSERT_TRUE(withPort);
    EXPECT_EQ(withPort->host, "127.0.0.1");
    EXPECT_EQ(withPort->port, 1234);
    auto serial = cli::ParseConnectUrl("serial:/dev/ttyUSB0");
    ASSERT_TRUE(serial);
    EXPECT_EQ(serial->serialPort, "/dev/ttyUSB0");
    for (const char* bad :
         {"", "tcp:", "tcp::80", "tcp:h:0", "tcp:h:65536", "tcp:h:8x", "serial:", "com3",
          // Found by fuzzing: a host that no name or address can be, taken as one.
          "tcp:]:1", "tcp:a]b:1", "tcp:[::1]]:1", "tcp:a b:1", "tcp:h\x1b:1", "tcp:[::1\x07]:1",
          "tcp:[f1%e]:1", "serial:/dev/tty\x1b[2J"}) {
        EXPECT_FALSE(cli::ParseConnectUrl(bad)) << bad;
    }
}

}  // namespace
}  // namespace tolmarin
