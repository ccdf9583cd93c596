#include <gtest/gtest.h>

#include <QTimer>

#include <sys/stat.h>

#include <algorithm>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <random>
#include <regex>
#include <sstream>

#include "CliLink.h"
#include "CliOffline.h"
#include "link/LinkScheduler.h"
#include "model/ChannelSet.h"
#include "protocol/ProgramFile.h"
#include "response/FilterMath.h"
#include "support/FileSizeLimit.h"
#include "support/Fresh.h"
#include "support/RandomProgram.h"
#include "support/RunProcess.h"
#include "support/TempDir.h"
#include "support/qt/SimulatedLink.h"
#include "support/qt/VirtualTime.h"

namespace tolmarin {
namespace {

namespace fs = std::filesystem;
using testing::BackgroundProcess;
using testing::FreshState;
using testing::RunProcess;

using Record = std::array<std::uint8_t, kProgramRecordSize>;

// A program as the editor writes it: random but valid settings on all four channels,
// stored through the model so loading it again changes nothing.
Record ModelProgram(unsigned seed, const std::string& name) {
    FreshState s;
    ChannelSet set(*s);
    std::mt19937 rng(seed);
    testing::Picker pick(rng);
    for (int c = 0; c < 4; ++c) {
        OutputChannel& ch = set.Channel(c);
        testing::RandomLevels(ch, pick);
        for (int b = 0; b < 8; ++b) {
            // From the second grid point: the program check takes 20 Hz as the lowest band
            // frequency, and the first point (19.7 Hz) would be stored as 19.
            testing::RandomBand(ch.Band(b), pick, [&pick] {
                return static_cast<int>(FreqTable[static_cast<std::size_t>(pick(1, 240))]);
            });
        }
        ch.HighPass().SetFreq(pick(20, 400), false);
        ch.HighPass().SetFamily(pick(0, 2), false);
        ch.HighPass().SetSlope(pick(0, 3), false);
        ch.LowPass().SetFreq(pick(2000, 20000), false);
        ch.LowPass().SetFamily(pick(0, 2), false);
        ch.LowPass().SetSlope(pick(0, 3), false);
    }
    set.WriteAllToImage();
    set.LoadAllFromImage();  // routing and input gain as the editor holds them
    set.WriteAllToImage();
    EXPECT_TRUE(StoreProgramName(s->ui, s->image.Name(0), name));
    Record r;
    std::ranges::copy(s->image.ProgramRecord(0), r.begin());
    return r;
}

void WriteBytes(const std::string& path, const std::vector<std::uint8_t>& bytes) {
    std::ofstream(path, std::ios::binary | std::ios::trunc)
        .write(reinterpret_cast<const char*>(bytes.data()),
               static_cast<std::streamsize>(bytes.size()));
}

std::vector<std::uint8_t> ReadBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// Amplifiers simulated in this process, each under an address of its own that nothing
// ever connects to: the tool's runs get links to them made here, and virtual time, so a
// link's time-outs and reconnections take no waiting. The tool's own transports and its
// main() are covered by the process-level tests further down.
class SimVenue {
public:
    struct Result {
        int exitCode = -1;
        std::string out;
        std::string err;
    };

    // Returns the address of a new amplifier on a serial line or on TCP.
    std::string Add(bool serial, const sim::Faults& faults = {}) {
        const int n = static_cast<int>(m_amps.size()) + 1;
        const std::string url = serial ? "serial:/dev/simulated" + std::to_string(n)
                                       : "tcp:127.0.0.1:" + std::to_string(20000 + n);
        m_amps[url] = std::make_unique<Amp>(faults, 410u + static_cast<unsigned>(n));
        return url;
    }
    sim::Amplifier& Memory(const std::string& url) { return m_amps.at(url)->memory; }

    Result Run(cli::LinkRequest req, Language language = Language::English) {
        tolmarin::testing::VirtualTime virtualTime;
        cli::LinkParts parts;
        parts.transport = [&](const cli::FleetMember& m, LinkKind kind) {
            Amp& amp = *m_amps.at(m.url);
            return virtualTime.NewLink(kind, amp.memory, amp.faults);
        };
        parts.scheduler = [&] { return virtualTime.NewClock(); };
        std::ostringstream out;
        std::ostringstream err;
        Result r;
        r.exitCode = cli::RunLinkCommand(req, language, out, err, parts);
        EXPECT_FALSE(virtualTime.LimitReached()) << "the run never finished";
        r.out = out.str();
        r.err = err.str();
        return r;
    }

private:
    struct Amp {
        Amp(const sim::Faults& f, unsigned seed) : memory(seed), faults(f) {}
        sim::Amplifier memory;
        sim::Faults faults;
    };
    std::map<std::string, std::unique_ptr<Amp>> m_amps;
};

cli::FleetMember Member(const std::string& url, const std::string& name = "amp") {
    return {name, url, *cli::ParseConnectUrl(url), "--connect " + url};
}

cli::LinkRequest Request(cli::LinkCommand command, std::vector<cli::FleetMember> fleet,
                         const std::string& file = {}) {
    cli::LinkRequest req;
    req.command = command;
    req.fleet = std::move(fleet);
    req.file = file;
    return req;
}

class CliOnALink : public ::testing::TestWithParam<bool> {
protected:
    bool Serial() const { return GetParam(); }
    std::string PathOf(const std::string& name) const { return temp.PathOf(name); }

    testing::TempDir temp{::testing::UnitTest::GetInstance()->current_test_info()->name()};
    SimVenue venue;
};

std::string SafeName(const ::testing::TestParamInfo<bool>& info) {
    return info.param ? "Pty" : "Tcp";
}

TEST_P(CliOnALink, PushThenPullGivesBackTheSameBytes) {
    const std::string url = venue.Add(Serial());
    // All programs: arbitrary bytes travel untouched through the amplifier's slots.
    std::mt19937 rng(42);
    std::vector<std::uint8_t> all(kAllProgramsFileSize);
    for (auto& b : all) {
        b = static_cast<std::uint8_t>(rng());
    }
    // Names travel as text: printable, space-padded, ending in 0.
    for (int n = 0; n < 20; ++n) {
        const std::string name = "Room " + std::to_string(n + 1) + std::string(15, ' ');
        std::copy_n(name.begin(), 15, all.begin() + n * kProgramRecordSize);
        all[static_cast<std::size_t>(n * kProgramRecordSize + 15)] = 0;
    }
    WriteBytes(PathOf("in.ALLData12File"), all);
    // Random data fails the program check; force sends it all the same.
    auto pushAll = Request(cli::LinkCommand::Push, {Member(url)}, PathOf("in.ALLData12File"));
    pushAll.force = true;
    auto push = venue.Run(pushAll);
    ASSERT_EQ(push.exitCode, 0) << push.err;
    auto pull =
        venue.Run(Request(cli::LinkCommand::Pull, {Member(url)}, PathOf("out.ALLData12File")));
    ASSERT_EQ(pull.exitCode, 0) << pull.err;
    EXPECT_EQ(pull.out, "wrote " + PathOf("out.ALLData12File") + "\n");
    EXPECT_EQ(ReadBytes(PathOf("out.ALLData12File")), all);

    // One program: a file the editor wrote becomes the live program and comes back as it was.
    const Record live = ModelProgram(7, "Lobby");
    WriteBytes(PathOf("in.Data12File"), std::vector<std::uint8_t>(live.begin(), live.end()));
    ASSERT_EQ(
        venue.Run(Request(cli::LinkCommand::Push, {Member(url)}, PathOf("in.Data12File"))).exitCode,
        0);
    auto one = venue.Run(Request(cli::LinkCommand::Pull, {Member(url)}, PathOf("out.Data12File")));
    ASSERT_EQ(one.exitCode, 0) << one.err;
    const auto back = ReadBytes(PathOf("out.Data12File"));
    ASSERT_EQ(back.size(), 656u);
    // The amplifier sends the live data but not the live name, which the PC keeps.
    EXPECT_TRUE(std::equal(back.begin() + 16, back.end(), live.begin() + 16));
}

TEST_P(CliOnALink, StoreAndRecallMoveAProgramBetweenSlots) {
    const std::string url = venue.Add(Serial());
    std::vector<std::uint8_t> all;
    std::vector<Record> programs;
    for (int n = 1; n <= 20; ++n) {
        programs.push_back(
            ModelProgram(100u + static_cast<unsigned>(n), "Prog" + std::to_string(n)));
        all.insert(all.end(), programs.back().begin(), programs.back().end());
    }
    WriteBytes(PathOf("venue.ALLData12File"), all);
    {
        auto r = venue.Run(
            Request(cli::LinkCommand::Push, {Member(url)}, PathOf("venue.ALLData12File")));
        ASSERT_EQ(r.exitCode, 0) << r.err;
    }

    auto recallReq = Request(cli::LinkCommand::Recall, {Member(url)});
    recallReq.slot = 3;
    auto recall = venue.Run(recallReq);
    ASSERT_EQ(recall.exitCode, 0) << recall.err;
    EXPECT_EQ(recall.out, "recalled 3: Prog3\n");
    auto storeReq = Request(cli::LinkCommand::Store, {Member(url)});
    storeReq.slot = 9;
    storeReq.name = "Copy3";
    auto store = venue.Run(storeReq);
    ASSERT_EQ(store.exitCode, 0) << store.err;

    ASSERT_EQ(
        venue.Run(Request(cli::LinkCommand::Pull, {Member(url)}, PathOf("after.ALLData12File")))
            .exitCode,
        0);
    const auto after = ReadBytes(PathOf("after.ALLData12File"));
    ASSERT_EQ(after.size(), 13120u);
    const auto slot = [&](int n) { return after.begin() + (n - 1) * kProgramRecordSize; };
    EXPECT_EQ(LoadFixedText(std::span(&*slot(9), 16), 15), "Copy3");
    EXPECT_TRUE(std::equal(slot(9) + 16, slot(10), programs[2].begin() + 16))
        << "slot 9 must hold program 3's data";
    EXPECT_TRUE(std::equal(slot(3), slot(4), programs[2].begin())) << "slot 3 is unchanged";
    EXPECT_TRUE(std::equal(slot(10), slot(11), programs[9].begin())) << "slot 10 is unchanged";
}

TEST_P(CliOnALink, SilentAmplifierEndsWithExitCodeThreeAndTheLinksMessage) {
    sim::Faults silent;
    silent.noReply = true;
    const std::string url = venue.Add(Serial(), silent);
    auto status = venue.Run(Request(cli::LinkCommand::Status, {Member(url)}), Language::Chinese);
    EXPECT_EQ(status.exitCode, 3);
    EXPECT_TRUE(status.out.empty());
    // The editor's message-box headings are not the tool's words.
    const std::string editors = Serial() ? "没有在线机器可联!" : "不能打开网络连接!";
    EXPECT_EQ(status.err.find(editors), std::string::npos) << status.err;
    // Where and why: the address, and the link's own reason.
    const std::string why = Serial() ? "5.05秒无应答" : "重新连接三次后放弃";
    EXPECT_NE(status.err.find(url + ": " + why), std::string::npos) << status.err;
}

INSTANTIATE_TEST_SUITE_P(Links, CliOnALink, ::testing::Values(false, true), SafeName);

TEST(CliLinkFaults, ABatchCutOffPartWaySaysHowFarItGot) {
    // The amplifier stops answering some way into the twenty programs.
    SimVenue venue;
    sim::Faults cut;
    cut.closeAfterFrames = 36;
    const std::string url = venue.Add(true, cut);
    testing::TempDir dir("cutoff");
    std::vector<std::uint8_t> all;
    for (int n = 1; n <= 20; ++n) {
        const Record r = ModelProgram(200u + static_cast<unsigned>(n), "P" + std::to_string(n));
        all.insert(all.end(), r.begin(), r.end());
    }
    WriteBytes(dir.PathOf("all.ALLData12File"), all);
    auto push =
        venue.Run(Request(cli::LinkCommand::Push, {Member(url)}, dir.PathOf("all.ALLData12File")));
    EXPECT_EQ(push.exitCode, 3);
    std::smatch m;
    ASSERT_TRUE(std::regex_search(push.err, m,
                                  std::regex(url + ": no reply for 5.05 seconds; program 1-(\\d+) "
                                                   "verified; .*program \\d+-20 not sent")))
        << push.err;
    EXPECT_GT(std::stoi(m[1]), 0);
    EXPECT_LT(std::stoi(m[1]), 20);
}

// An amplifier (or a relay) that acknowledges writes to program 7 without applying them.
TEST(CliVerify, WritesAcknowledgedButNotAppliedExitFiveNamingTheProgram) {
    SimVenue venue;
    sim::Faults faults;
    faults.ignoreProgram = 7;
    const std::string url = venue.Add(false, faults);
    testing::TempDir dir("unapplied");
    std::vector<std::uint8_t> all;
    for (int n = 1; n <= 20; ++n) {
        const Record r = ModelProgram(300u + static_cast<unsigned>(n), "V" + std::to_string(n));
        all.insert(all.end(), r.begin(), r.end());
    }
    WriteBytes(dir.PathOf("all.ALLData12File"), all);
    auto push =
        venue.Run(Request(cli::LinkCommand::Push, {Member(url)}, dir.PathOf("all.ALLData12File")));
    EXPECT_EQ(push.exitCode, 5) << push.err;
    EXPECT_TRUE(std::regex_search(
        push.err, std::regex("Written but not verified: program 1-6 verified; program 7 differs "
                             "from what was sent \\(name, CH1 block.*\\); program 8-20 verified")))
        << push.err;
    cli::LinkRequest store = Request(cli::LinkCommand::Store, {Member(url)});
    store.slot = 7;
    store.name = "X";
    auto stored = venue.Run(store);
    EXPECT_EQ(stored.exitCode, 5) << stored.err;
    EXPECT_NE(stored.err.find("program 7 differs from what was sent (name"), std::string::npos)
        << stored.err;
    // Not asked to verify, the tool has only the acknowledgements to go by.
    cli::LinkRequest blind =
        Request(cli::LinkCommand::Push, {Member(url)}, dir.PathOf("all.ALLData12File"));
    blind.verify = false;
    EXPECT_EQ(venue.Run(blind).exitCode, 0);
}

// A venue: six good amplifiers, one silent, one that will not be read. The good ones get
// the program byte for byte, whatever the other two do.
TEST(CliVenue, PushReachesEveryGoodAmplifierAndTheSummaryNamesTheFailures) {
    SimVenue venue;
    std::string fleet = "# the venue\n";
    std::vector<std::string> goodUrls;
    for (int i = 0; i < 6; ++i) {
        goodUrls.push_back(venue.Add(false));
        fleet += "room" + std::to_string(i + 1) + " " + goodUrls.back() + "\n";
    }
    sim::Faults silent;
    silent.noReply = true;
    sim::Faults refusing;
    refusing.refuseReads = true;
    fleet += "mute " + venue.Add(false, silent) + "  # faulty\n";
    fleet += "shy " + venue.Add(false, refusing) + "  # faulty\n";
    UiState ui;
    std::string error;
    const auto members = cli::ParseFleet(fleet, "venue.txt", ui, error);
    ASSERT_TRUE(members) << error;

    testing::TempDir dir("venue");
    const Record program = ModelProgram(11, "Friday");
    WriteBytes(dir.PathOf("friday.Data12File"),
               std::vector<std::uint8_t>(program.begin(), program.end()));

    // A short guard ends the silent one; its reconnections would take longer.
    auto pushReq = Request(cli::LinkCommand::Push, *members, dir.PathOf("friday.Data12File"));
    pushReq.timeoutSeconds = 5;
    auto push = venue.Run(pushReq);
    EXPECT_EQ(push.exitCode, 4) << push.out << push.err;
    EXPECT_TRUE(std::regex_search(push.out, std::regex("\nmute +failed +[0-9.]+ s  .*--timeout")))
        << push.out;
    EXPECT_TRUE(
        std::regex_search(push.out, std::regex("\nshy +failed +[0-9.]+ s  The amplifier did "
                                               "not send: .*live program")))
        << push.out;
    EXPECT_NE(push.err.find("2 of 8 amplifiers failed"), std::string::npos) << push.err;
    for (int i = 1; i <= 6; ++i) {
        EXPECT_TRUE(
            std::regex_search(push.out, std::regex("(^|\n)room" + std::to_string(i) + " +ok ")))
            << push.out;
    }

    std::vector<cli::FleetMember> good(members->begin(), members->begin() + 6);
    auto pull = venue.Run(Request(cli::LinkCommand::Pull, good, dir.PathOf("{name}.Data12File")));
    ASSERT_EQ(pull.exitCode, 0) << pull.out << pull.err;
    for (int i = 1; i <= 6; ++i) {
        const auto back = ReadBytes(dir.PathOf("room" + std::to_string(i) + ".Data12File"));
        ASSERT_EQ(back.size(), 656u) << i;
        // The live name stays on the PC; the data came back from the amplifier as pushed.
        EXPECT_TRUE(std::equal(back.begin() + 16, back.end(), program.begin() + 16)) << i;
    }
}

// The amplifier answers the Nth reply with 0xAB (an acknowledgement without data). Reply 24
// is the link-up's live read and 25 the poll that joined the queue behind it, so 26 is the
// first request of the command: the recall, or program 1 of a pull of all (30: program 5).
TEST(CliRefusedReads, ExitThreeNamingWhatDidNotArriveAndNoFileWritten) {
    testing::TempDir temp("refused");
    SimVenue venue;
    auto refusing = [&](int n) {
        sim::Faults f;
        f.unknownEvery = n;
        f.unknownCode = 0xAB;
        return venue.Add(false, f);
    };
    const std::string all = temp.PathOf("all.ALLData12File");
    auto pull = venue.Run(Request(cli::LinkCommand::Pull, {Member(refusing(30))}, all));
    EXPECT_EQ(pull.exitCode, 3);
    EXPECT_NE(pull.err.find("The amplifier did not send: programs 5."), std::string::npos)
        << pull.err;
    EXPECT_FALSE(fs::exists(all));

    auto status = venue.Run(Request(cli::LinkCommand::Status, {Member(refusing(24))}));
    EXPECT_EQ(status.exitCode, 3);
    EXPECT_NE(status.err.find("live program"), std::string::npos) << status.err;
    // The tool sends no edits: the editor's note about them is not its to give.
    EXPECT_EQ(status.err.find("Edits are not sent"), std::string::npos) << status.err;
    EXPECT_TRUE(status.out.empty());
    const std::string one = temp.PathOf("one.Data12File");
    EXPECT_EQ(venue.Run(Request(cli::LinkCommand::Pull, {Member(refusing(24))}, one)).exitCode, 3);
    EXPECT_FALSE(fs::exists(one));

    auto recallReq = Request(cli::LinkCommand::Recall, {Member(refusing(26))});
    recallReq.slot = 4;
    auto r = venue.Run(recallReq);
    EXPECT_EQ(r.exitCode, 3);
    EXPECT_NE(r.err.find("The amplifier did not send: live program."), std::string::npos) << r.err;
    EXPECT_TRUE(r.out.empty());
}

// The live program's backup is the amplifier's bytes, not the editor's adjustment of them:
// in stereo mode the editor would make CH2's routing 2, and the sensitivity would set the
// input gains. The live name is never read, so it is zero.
TEST(CliPull, TheLiveProgramIsWrittenExactlyAsTheAmplifierSentIt) {
    SimVenue venue;
    const std::string url = venue.Add(false);
    sim::Amplifier& amp = venue.Memory(url);
    amp.SystemBytes()[sysbyte::kModeCh12] = 0;
    amp.SystemBytes()[sysbyte::kSensitivity1] = 1;
    const Record program = ModelProgram(21, "Live");
    std::ranges::copy(program, amp.ProgramRecord(0).begin());
    amp.ChannelBlock(0, 1)[block::kInputRoute] = 1;
    amp.ChannelBlock(0, 0)[block::kInputGain] = 7;
    testing::TempDir dir("exact");
    auto pull =
        venue.Run(Request(cli::LinkCommand::Pull, {Member(url)}, dir.PathOf("l.Data12File")));
    ASSERT_EQ(pull.exitCode, 0) << pull.err;
    std::vector<std::uint8_t> expected(kProgramNameSize, 0);
    expected.insert(expected.end(), amp.Data(0).begin(), amp.Data(0).end());
    EXPECT_EQ(ReadBytes(dir.PathOf("l.Data12File")), expected);
}

// OUT did not exist when the run checked it, but a file appeared there before the write:
// it is left alone unless --force.
TEST(CliPull, AFileCreatedDuringTheRunIsNotReplacedWithoutForce) {
    SimVenue venue;
    const std::string url = venue.Add(false);
    testing::TempDir dir("racing");
    for (const bool force : {false, true}) {
        const std::string out = dir.PathOf(force ? "f.ALLData12File" : "k.ALLData12File");
        // Runs on the tool's event loop: after the checks before linking, before the write.
        QTimer::singleShot(0, [&] { std::ofstream(out) << "someone else's"; });
        auto req = Request(cli::LinkCommand::Pull, {Member(url)}, out);
        req.force = force;
        auto pull = venue.Run(req);
        if (force) {
            EXPECT_EQ(pull.exitCode, 0) << pull.err;
            EXPECT_EQ(ReadBytes(out).size(), 13120u);
        } else {
            EXPECT_EQ(pull.exitCode, 2);
            EXPECT_NE(pull.err.find(out + " exists; give --force to replace it"), std::string::npos)
                << pull.err;
            EXPECT_EQ(ReadBytes(out).size(), std::string("someone else's").size());
        }
    }
}

// A write that fails says the system's reason after the path.
TEST(CliPull, AFailedWriteSaysTheSystemsReason) {
    SimVenue venue;
    const std::string url = venue.Add(false);
    testing::TempDir dir("reason");
    const std::string out = dir.PathOf("big.ALLData12File");
    SimVenue::Result pull;
    {
        testing::FileSizeLimit limit(1000);  // below the file's 13120 bytes
        ASSERT_TRUE(limit.Set());
        pull = venue.Run(Request(cli::LinkCommand::Pull, {Member(url)}, out));
    }
    EXPECT_EQ(pull.exitCode, 2);
    EXPECT_NE(pull.err.find("Save all MusicFile Error! " + out + ": File too large"),
              std::string::npos)
        << pull.err;
    EXPECT_FALSE(fs::exists(out));
}

// status --watch outlives the controller giving up: the amplifier goes away for two
// minutes, is shown offline, is tried every 30 s, and comes back when it answers.
TEST(CliWatch, AnAmplifierThatStaysAwayIsTriedEvery30SecondsAndComesBack) {
    sim::Amplifier amp(7);
    tolmarin::testing::VirtualTime virtualTime;
    tolmarin::testing::SimulatedLink* network = nullptr;
    cli::LinkParts parts;
    parts.transport = [&](const cli::FleetMember&, LinkKind kind) {
        auto link = virtualTime.NewLink(kind, amp);
        if (kind == LinkKind::Network) {
            network = link.get();
        }
        return link;
    };
    parts.scheduler = [&] { return virtualTime.NewClock(); };
    constexpr long long kAwayFrom = 10'000;
    constexpr long long kBackAt = 130'000;
    int opensWhileAway = 0;
    int opensBefore = 0;
    QTimer script;
    script.setInterval(0);
    QObject::connect(&script, &QTimer::timeout, [&] {
        const long long now = virtualTime.Now();
        if (now >= kAwayFrom && !network->away && now < kBackAt) {
            network->away = true;
            opensBefore = network->opens;
        } else if (now >= kBackAt && network->away) {
            network->away = false;
            opensWhileAway = network->opens - opensBefore;
        } else if (now >= kBackAt + 20'000) {
            script.stop();
            std::raise(SIGINT);  // the tool's own handler is in place during the run
        }
    });
    script.start();
    auto req = Request(cli::LinkCommand::Status, {Member("tcp:127.0.0.1:20001")});
    req.watch = true;
    std::ostringstream out;
    std::ostringstream err;
    EXPECT_EQ(cli::RunLinkCommand(req, Language::English, out, err, parts), 0) << err.str();
    EXPECT_FALSE(virtualTime.LimitReached());
    const std::string text = out.str();
    const auto offline = text.find("offline since ");
    ASSERT_NE(offline, std::string::npos) << text;
    EXPECT_NE(text.find("level1 ", offline), std::string::npos) << "never came back: " << text;
    EXPECT_NE(err.str().find("trying again every 30 seconds"), std::string::npos) << err.str();
    EXPECT_NE(err.str().find("back online"), std::string::npos) << err.str();
    // Given up after its reconnections, then reopened at once and every 30 s: a handful of
    // opens in two minutes, not one per tick.
    EXPECT_GE(opensWhileAway, 4) << err.str();
    EXPECT_LE(opensWhileAway, 9) << err.str();
}

// ---- The tool itself, in its own process, against the simulator's executable ----

// The simulated amplifier, on loopback TCP or on a pseudo-terminal.
struct Simulator {
    explicit Simulator(bool pty, std::vector<std::string> extra = {}) {
        std::vector<std::string> args = pty ? std::vector<std::string>{"--pty"}
                                            : std::vector<std::string>{"--tcp", "127.0.0.1:0"};
        args.insert(args.end(), extra.begin(), extra.end());
        process = std::make_unique<BackgroundProcess>(TRV410_SIM_PATH, args);
        const std::string line = process->ReadLine(5000);
        std::smatch m;
        if (pty && std::regex_match(line, m, std::regex("pty (/dev/\\S+)"))) {
            url = "serial:" + m[1].str();
        } else if (!pty &&
                   std::regex_match(line, m, std::regex("listening on (127\\.0\\.0\\.1:\\d+)"))) {
            url = "tcp:" + m[1].str();
        }
    }
    std::unique_ptr<BackgroundProcess> process;
    std::string url;
};

// One real-time run per transport: the tool's serial port and TCP socket, its main() and
// its output, against the simulator's executable.
class CliAgainstSimulator : public ::testing::TestWithParam<bool> {};

TEST_P(CliAgainstSimulator, StatusPrintsTheSimulatorsLevelsAndTemperatures) {
    Simulator sim(GetParam());
    ASSERT_FALSE(sim.url.empty());
    auto status = RunProcess(TOLMARIN_CLI_PATH, {"status", "--connect", sim.url});
    ASSERT_EQ(status.exitCode, 0) << status.err;
    std::smatch m;
    ASSERT_TRUE(std::regex_match(
        status.out, m, std::regex("level1 (\\d+) level2 (\\d+) temp1 (\\d+) temp2 (\\d+)\n")))
        << status.out;
    // The simulator's start-up program plays, so the levels are up; temperatures are room-ish.
    EXPECT_GT(std::stoi(m[1]), 0);
    EXPECT_GT(std::stoi(m[2]), 0);
    EXPECT_GE(std::stoi(m[3]), 15);
    EXPECT_LE(std::stoi(m[3]), 90);
}

// Ctrl-C in the middle of a venue push: every amplifier's line says what it holds.
TEST(CliVenue, InterruptedPushSummarisesEachAmplifierAndExits130) {
    BackgroundProcess sims(TRV410_SIM_PATH,
                           {"--tcp", "127.0.0.1:0", "--count", "2", "--delay", "20"});
    std::string fleet;
    std::smatch m;
    for (int i = 0; i < 2; ++i) {
        const std::string line = sims.ReadLine(5000);
        ASSERT_TRUE(std::regex_match(line, m, std::regex("listening on (127\\.0\\.0\\.1:\\d+)")));
        fleet += "amp" + std::to_string(i + 1) + " tcp:" + m[1].str() + "\n";
    }
    testing::TempDir dir("interrupt");
    WriteBytes(dir.PathOf("venue.txt"), std::vector<std::uint8_t>(fleet.begin(), fleet.end()));
    std::vector<std::uint8_t> all;
    for (int n = 1; n <= 20; ++n) {
        const Record r = ModelProgram(400u + static_cast<unsigned>(n), "I" + std::to_string(n));
        all.insert(all.end(), r.begin(), r.end());
    }
    WriteBytes(dir.PathOf("all.ALLData12File"), all);
    const std::string cli = std::string(TOLMARIN_CLI_PATH) + " push --fleet '" +
                            dir.PathOf("venue.txt") + "' '" + dir.PathOf("all.ALLData12File") + "'";
    auto r = RunProcess("/bin/bash",
                        {"-c", cli + " & p=$!; sleep 3; kill -INT $p; wait $p; echo \"rc=$?\""});
    EXPECT_NE(r.out.find("rc=130"), std::string::npos) << r.out << r.err;
    for (const char* amp : {"amp1", "amp2"}) {
        EXPECT_TRUE(std::regex_search(
            r.out,
            std::regex(std::string(amp) +
                       " +failed +[0-9.]+ s  interrupted; program 1-\\d+ verified; .*not sent")))
            << r.out;
    }
}

INSTANTIATE_TEST_SUITE_P(Links, CliAgainstSimulator, ::testing::Values(false, true), SafeName);

TEST(CliVenue, WatchEndsWithAReasonWhenItsReaderGoesAway) {
    Simulator sim(false);
    ASSERT_FALSE(sim.url.empty());
    // head keeps one line and leaves: the next write fails and the watch must end, saying so.
    auto r =
        RunProcess("/bin/bash", {"-c", "set -o pipefail; '" + std::string(TOLMARIN_CLI_PATH) +
                                           "' status --watch --connect " + sim.url + " | head -1"});
    EXPECT_EQ(r.exitCode, 2);
    EXPECT_TRUE(
        std::regex_match(r.out, std::regex("\\d{4}-\\d\\d-\\d\\d \\d\\d:\\d\\d:\\d\\d level1 \\d+ "
                                           "level2 \\d+ temp1 \\d+ temp2 \\d+\n")))
        << r.out;
    EXPECT_NE(r.err.find("cannot write to standard output"), std::string::npos) << r.err;
}

TEST(CliLinkUsage, NothingListeningIsALinkFailureAndBadArgumentsAreUsage) {
    // Port 1 on loopback: nothing listens there, the connect is refused at once.
    auto refused = RunProcess(TOLMARIN_CLI_PATH, {"status", "--connect", "tcp:127.0.0.1:1"});
    EXPECT_EQ(refused.exitCode, 3);
    EXPECT_EQ(refused.err.find("Unable to Open NetWork Link!"), std::string::npos) << refused.err;
    EXPECT_NE(refused.err.find("tcp:127.0.0.1:1: connection refused"), std::string::npos)
        << refused.err;
    auto noPort = RunProcess(TOLMARIN_CLI_PATH, {"status", "--connect", "serial:/dev/nonexistent"});
    EXPECT_EQ(noPort.exitCode, 3);
    EXPECT_EQ(noPort.err.find("Unable to open Link!"), std::string::npos) << noPort.err;
    EXPECT_NE(noPort.err.find("serial:/dev/nonexistent: cannot open the serial port"),
              std::string::npos)
        << noPort.err;

    EXPECT_EQ(RunProcess(TOLMARIN_CLI_PATH, {"status", "--connect", "udp:x"}).exitCode, 1);
    EXPECT_EQ(RunProcess(TOLMARIN_CLI_PATH, {"recall", "--connect", "tcp:127.0.0.1:1"}).exitCode,
              1);
    EXPECT_EQ(RunProcess(TOLMARIN_CLI_PATH, {"pull", "--connect", "tcp:127.0.0.1:1", "/tmp/x.txt"})
                  .exitCode,
              1);
    // One amplifier named twice would have both backups written to one file.
    auto twice = RunProcess(TOLMARIN_CLI_PATH, {"pull", "--connect", "tcp:127.0.0.1:1", "--connect",
                                                "tcp:127.0.0.1:1", "/tmp/{name}.Data12File"});
    EXPECT_EQ(twice.exitCode, 1);
    EXPECT_NE(twice.err.find("the amplifier name '127.0.0.1_1' is given twice"), std::string::npos)
        << twice.err;
    auto bad = RunProcess(TOLMARIN_CLI_PATH, {"store", "--connect", "tcp:127.0.0.1:1", "--slot",
                                              "2", "--name", "Two words"});
    EXPECT_EQ(bad.exitCode, 1);
    auto empty = RunProcess(TOLMARIN_CLI_PATH,
                            {"store", "--connect", "tcp:127.0.0.1:1", "--slot", "2", "--name", ""});
    EXPECT_EQ(empty.exitCode, 1);
    EXPECT_NE(empty.err.find("the program name is empty"), std::string::npos) << empty.err;
}

// ---- The venue's edges ----

std::vector<std::uint8_t> TwentyPrograms(unsigned seed) {
    std::vector<std::uint8_t> all;
    for (int n = 1; n <= 20; ++n) {
        const Record r = ModelProgram(seed + static_cast<unsigned>(n), "E" + std::to_string(n));
        all.insert(all.end(), r.begin(), r.end());
    }
    return all;
}

// One corrupt reply in twelve: each is one fault, recovered from by one reconnection; the
// count of three was for the whole run, so every pull of twenty programs was given up.
TEST(CliReconnection, OneCorruptReplyInTwelveCostsAReconnectionNotThePull) {
    SimVenue venue;
    sim::Faults corrupt;
    corrupt.badChecksumEvery = 12;
    const std::string url = venue.Add(false, corrupt);
    testing::TempDir dir("corrupt");
    const std::string out = dir.PathOf("all.ALLData12File");
    auto pull = venue.Run(Request(cli::LinkCommand::Pull, {Member(url)}, out));
    EXPECT_EQ(pull.exitCode, 0) << pull.err;
    EXPECT_TRUE(fs::exists(out));
    EXPECT_NE(pull.err.find(url + ": bad checksum, reconnecting (1 of 3)"), std::string::npos)
        << pull.err;
    EXPECT_EQ(pull.err.find("(2 of 3)"), std::string::npos) << pull.err;
}

// A line whose every reply arrives corrupt is not a silent one.
TEST(CliReconnection, ACorruptReplyIsReportedAsABadChecksumNotAsNoReply) {
    SimVenue venue;
    sim::Faults corrupt;
    corrupt.badChecksumEvery = 1;
    for (const bool serial : {true, false}) {
        const std::string url = venue.Add(serial, corrupt);
        auto status = venue.Run(Request(cli::LinkCommand::Status, {Member(url)}));
        EXPECT_EQ(status.exitCode, 3);
        EXPECT_NE(status.err.find("bad checksum"), std::string::npos) << status.err;
        EXPECT_EQ(status.err.find("no reply"), std::string::npos) << status.err;
    }
}

TEST(CliPull, APullCutOffNamesTheProgramsThatDidNotArrive) {
    SimVenue venue;
    sim::Faults cut;
    cut.closeAfterFrames = 34;  // the link-up's 25 reads, then nine programs
    const std::string url = venue.Add(true, cut);
    testing::TempDir dir("pullcut");
    auto pull =
        venue.Run(Request(cli::LinkCommand::Pull, {Member(url)}, dir.PathOf("all.ALLData12File")));
    EXPECT_EQ(pull.exitCode, 3);
    std::smatch m;
    ASSERT_TRUE(std::regex_search(pull.err, m, std::regex("program (\\d+)-20 not received")))
        << pull.err;
    EXPECT_EQ(std::stoi(m[1]), 10) << pull.err;
}

// The amplifier applied program 1's name but its acknowledgement came too late: the
// program was sent, and what it holds is unknown, not "not sent". Real time: about 11 s of
// time-outs and reconnections.
TEST(CliLinkFaults, AWriteSentAndNotAcknowledgedBeforeTheGiveUpIsUnknownNotNotSent) {
    Simulator sim(false, {"--write-delay", "30000"});
    ASSERT_FALSE(sim.url.empty());
    testing::TempDir dir("slow");
    WriteBytes(dir.PathOf("all.ALLData12File"), TwentyPrograms(500u));
    auto push = RunProcess(TOLMARIN_CLI_PATH,
                           {"push", "--connect", sim.url, dir.PathOf("all.ALLData12File")});
    EXPECT_EQ(push.exitCode, 3);
    EXPECT_NE(push.err.find("program 1 sent, not acknowledged: unknown; program 2-20 not sent"),
              std::string::npos)
        << push.err;
}

// Listed first, the amplifier not verified (5) gave the run's code; the link failure (3)
// is the lower, whatever the order.
TEST(CliVenue, AllFailedWithDifferentCodesExitsWithTheLowest) {
    SimVenue venue;
    sim::Faults unapplied;
    unapplied.ignoreProgram = 3;
    sim::Faults silent;
    silent.noReply = true;
    const std::string five = venue.Add(false, unapplied);
    const std::string three = venue.Add(false, silent);
    testing::TempDir dir("lowest");
    WriteBytes(dir.PathOf("all.ALLData12File"), TwentyPrograms(600u));
    for (const bool fiveFirst : {true, false}) {
        std::vector<cli::FleetMember> fleet{Member(five, "unapplied"), Member(three, "silent")};
        if (!fiveFirst) {
            std::swap(fleet[0], fleet[1]);
        }
        auto push =
            venue.Run(Request(cli::LinkCommand::Push, fleet, dir.PathOf("all.ALLData12File")));
        EXPECT_EQ(push.exitCode, 3) << push.out << push.err;
    }
}

// A trace that is a named pipe blocked for ever, deaf to SIGINT and SIGTERM; a folder or
// a pipe as a fleet file, or as OUT with --force, is no file either.
TEST(CliPaths, APathThatIsNotARegularFileIsRefusedWithoutOpeningIt) {
    testing::TempDir dir("notfile");
    const std::string fifo = dir.PathOf("pipe");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    fs::create_directory(dir.PathOf("folder.ALLData12File"));
    const std::string fleet = dir.PathOf("venue.txt");
    std::ofstream(fleet) << "a tcp:127.0.0.1:1\n";
    struct Case {
        std::vector<std::string> args;
        std::string says;
    };
    const Case cases[] = {
        {{"status", "--connect", "tcp:127.0.0.1:1", "--trace", fifo},
         fifo + " is not a regular "
                "file but a named pipe"},
        {{"status", "--fleet", fifo}, fifo + " is not a regular file but a named pipe"},
        {{"pull", "--fleet", fleet, "--force", dir.PathOf("folder.ALLData12File")},
         "folder.ALLData12File is not a regular file but a folder"},
        {{"status", "--connect", "tcp:127.0.0.1:1", "--trace", "/dev/null"},
         "/dev/null is not a regular file but a device"},
    };
    for (const Case& c : cases) {
        // -k: before the mend, the blocked open ignored the SIGTERM of timeout.
        std::vector<std::string> args{"-k", "2", "10", TOLMARIN_CLI_PATH};
        args.insert(args.end(), c.args.begin(), c.args.end());
        auto r = RunProcess("/usr/bin/timeout", args);
        EXPECT_EQ(r.exitCode, 2) << c.says << ": " << r.err;
        EXPECT_NE(r.err.find(c.says), std::string::npos) << r.err;
        EXPECT_EQ(r.err.find("connection refused"), std::string::npos) << "linked: " << r.err;
    }
}

std::string FleetOf(int count, int firstPort) {
    std::string text;
    for (int i = 0; i < count; ++i) {
        text +=
            "amp" + std::to_string(i) + " tcp:127.0.0.1:" + std::to_string(firstPort + i) + '\n';
    }
    return text;
}

// 300 amplifiers under a soft limit of 128 open files: 177 failed "Out of resources".
// Nothing listens on the ports: every amplifier must fail the same way, refused.
TEST(CliVenue, TheSoftOpenFileLimitIsRaisedOrTheRunRefusedNamingTheLimit) {
    testing::TempDir dir("nofile");
    const std::string fleet = dir.PathOf("venue.txt");
    std::ofstream(fleet) << FleetOf(300, 21000);
    const std::string cli =
        "'" + std::string(TOLMARIN_CLI_PATH) + "' status --fleet '" + fleet + "' --timeout 60";
    auto raised = RunProcess("/bin/bash", {"-c", "ulimit -Sn 128 && " + cli});
    EXPECT_EQ(raised.exitCode, 3) << raised.err;
    EXPECT_NE(raised.err.find("300 of 300 amplifiers failed"), std::string::npos) << raised.err;
    const auto lines = std::count(raised.out.begin(), raised.out.end(), '\n');
    EXPECT_EQ(lines, 300);
    EXPECT_EQ(raised.out.find("resources"), std::string::npos) << raised.out;
    EXPECT_EQ(raised.out.find("Too many open files"), std::string::npos) << raised.out;
    std::istringstream summary(raised.out);
    std::size_t refused = 0;
    for (std::string line; std::getline(summary, line);) {
        refused += line.find("failed") != std::string::npos &&
                   line.find("connection refused") != std::string::npos;
    }
    EXPECT_EQ(refused, 300u) << raised.out;

    auto capped = RunProcess("/bin/bash", {"-c", "ulimit -n 128 && " + cli});
    EXPECT_EQ(capped.exitCode, 3);
    EXPECT_NE(capped.err.find("300 amplifiers need 1264 open files, but this process may open at "
                              "most 128"),
              std::string::npos)
        << capped.err;
    EXPECT_TRUE(capped.out.empty()) << "linked: " << capped.out;
}

// Control bytes from a URL, a path or an option would reach the terminal raw.
TEST(CliPaths, EveryEchoOfInputShowsControlBytesAsHex) {
    testing::TempDir dir("echo");
    const std::string esc = "\x1b]0;owned\x07";
    const std::string fleet = dir.PathOf("v" + esc + ".txt");
    std::ofstream(fleet) << "amp tcp:127.0.0.1:1\n";
    const std::vector<std::vector<std::string>> cases = {
        {"status", "--connect", "udp:" + esc},
        {"status", "--conn" + esc},
        {"pull", "--connect", "tcp:127.0.0.1:1", dir.PathOf("x" + esc + ".txt")},
        {"status", "--fleet", dir.PathOf("missing" + esc)},
        {"pull", "--fleet", fleet, dir.PathOf("nofolder" + esc + "/x.Data12File")},
        {"info", dir.PathOf("none" + esc)},
        {"frob" + esc},
    };
    for (const auto& args : cases) {
        auto r = RunProcess(TOLMARIN_CLI_PATH, args);
        EXPECT_NE(r.exitCode, 0);
        const std::string both = r.out + r.err;
        EXPECT_EQ(both.find('\x1b'), std::string::npos) << args.back() << ": " << both;
        EXPECT_EQ(both.find('\x07'), std::string::npos) << args.back();
        EXPECT_NE(both.find("\\x1B]0;owned\\x07"), std::string::npos) << both;
    }
}
}  // namespace
}  // namespace tolmarin
