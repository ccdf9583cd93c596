#include <gtest/gtest.h>

#include <QCoreApplication>

#include <algorithm>
#include <csignal>
#include <map>
#include <memory>

#include "protocol/ConnectTarget.h"
#include "protocol/DeviceImage.h"
#include "sim/Amplifier.h"
#include "support/TempDir.h"
#include "support/qt/VirtualTime.h"
#include "venue/FleetRun.h"

namespace tolmarin::venue {
namespace {

// The fleet run drives Qt's event loop; the suite's other tests need no application.
void EnsureApplication() {
    static int argc = 1;
    static char name[] = "test_venue";
    static char* argv[] = {name, nullptr};
    if (QCoreApplication::instance() == nullptr) {
        static QCoreApplication app(argc, argv);
    }
}

// What the observer heard, with the virtual time of each finish.
struct Heard : RunObserver {
    explicit Heard(const testing::VirtualTime& t) : time(t) {}
    bool Prepare(std::size_t index) override { return refuse.count(index) == 0; }
    void Finished(const AmplifierOutcome& o) override {
        finished.push_back(o.index);
        finishedAtMs[o.index] = time.Now();
    }
    void OperationStarted(std::size_t index) override { started.push_back(index); }
    void Tick() override {
        if (!started.empty() && interruptAfterTicks >= 0 && interruptAfterTicks-- == 0) {
            interrupt->Request(SIGINT);
        }
    }

    const testing::VirtualTime& time;
    std::map<std::size_t, int> refuse;
    std::vector<std::size_t> finished;
    std::vector<std::size_t> started;
    std::map<std::size_t, long long> finishedAtMs;
    Interrupt* interrupt = nullptr;
    int interruptAfterTicks = -1;  // ticks after the first operation went out, -1 never
};

// Amplifiers simulated in this process under addresses nothing connects to, on virtual
// time: a run's time-outs and reconnections take no waiting.
// The application comes first: the clocks' timers need it when they are made.
struct WithApplication {
    WithApplication() { EnsureApplication(); }
};

class Venue : WithApplication {
public:
    void Add(bool serial, const sim::Faults& faults = {}) {
        const int n = static_cast<int>(m_amps.size()) + 1;
        const std::string url = serial ? "serial:/dev/simulated" + std::to_string(n)
                                       : "tcp:127.0.0.1:" + std::to_string(20000 + n);
        m_amps.push_back(
            {std::make_unique<sim::Amplifier>(400u + static_cast<unsigned>(n)), faults});
        request.fleet.push_back({"amp" + std::to_string(n), url, *ParseConnectTarget(url), "test"});
    }
    sim::Amplifier& Amp(std::size_t i) { return *m_amps[i].amp; }

    std::vector<AmplifierOutcome> Run() {
        RunParts parts;
        parts.transport = [this](const FleetMember& m, LinkKind kind) {
            const auto at = std::find_if(request.fleet.begin(), request.fleet.end(),
                                         [&](const FleetMember& f) { return f.url == m.url; });
            auto& a = m_amps[static_cast<std::size_t>(at - request.fleet.begin())];
            return time.NewLink(kind, *a.amp, a.faults);
        };
        parts.scheduler = [this] { return time.NewClock(); };
        heard.interrupt = &interrupt;
        FleetRun run(request, heard, interrupt, parts);
        auto outcomes = run.Run();
        signal = run.InterruptSignal();
        EXPECT_FALSE(time.LimitReached()) << "the run never finished";
        return outcomes;
    }

    RunRequest request;
    testing::VirtualTime time;
    Heard heard{time};
    Interrupt interrupt;
    int signal = 0;

private:
    struct Held {
        std::unique_ptr<sim::Amplifier> amp;
        sim::Faults faults;
    };
    std::vector<Held> m_amps;
};

// The twenty stored programs of an amplifier at start-up, as a push of all programs has them.
std::string AllPrograms() {
    SharedState s;
    InitDeviceImage(s);
    std::string bytes;
    for (int n = 1; n <= kStoredPrograms; ++n) {
        const auto r = s.image.ProgramRecord(n);
        bytes.append(r.begin(), r.end());
    }
    return bytes;
}

// Each operation ends in its typed outcome, on either link, good or faulty; a fault during
// the link-up says so instead of naming an operation that never began.
TEST(FleetRun, EachOperationEndsInItsTypedOutcome) {
    sim::Faults silent;
    silent.noReply = true;
    sim::Faults deaf;
    deaf.ignoreWrites = true;
    sim::Faults corrupt;
    corrupt.badChecksumEvery = 1;
    struct Case {
        const char* what;
        Operation op;
        bool serial;
        sim::Faults faults;
        RunResult result;
        RunError error;
        bool cutDuringLinkUp;
    };
    const Case cases[] = {
        {"status over TCP", Operation::Status, false, {}, RunResult::Ok, RunError::None, false},
        {"recall on serial", Operation::Recall, true, {}, RunResult::Ok, RunError::None, false},
        {"store, verified", Operation::Store, false, {}, RunResult::Ok, RunError::None, false},
        {"store not applied", Operation::Store, false, deaf, RunResult::NotVerified,
         RunError::NotVerified, false},
        {"silent serial", Operation::Status, true, silent, RunResult::Failed, RunError::NoReply,
         true},
        {"silent TCP", Operation::Status, false, silent, RunResult::Failed, RunError::GaveUp, true},
        {"corrupt serial", Operation::Recall, true, corrupt, RunResult::Failed,
         RunError::BadChecksum, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Venue v;
        v.Add(c.serial, c.faults);
        v.request.operation = c.op;
        v.request.slot = 3;
        v.request.name = "Stage";
        const auto outcomes = v.Run();
        ASSERT_EQ(outcomes.size(), 1u);
        const AmplifierOutcome& o = outcomes[0];
        EXPECT_EQ(o.result, c.result);
        EXPECT_EQ(o.error, c.error);
        EXPECT_EQ(o.cut.has_value() && o.cut->duringLinkUp, c.cutDuringLinkUp);
        if (c.result == RunResult::Ok && c.op == Operation::Status) {
            // The figures are the bytes the amplifier last sent, as the link shows them.
            EXPECT_TRUE(o.hasStatus);
            EXPECT_EQ(o.status, v.Amp(0).LastStatus());
            EXPECT_EQ(o.levels[0], o.status[0]);
            EXPECT_EQ(o.temperatures[1], std::clamp<int>(o.status[5], 0, 100) - 10);
        }
        if (c.result == RunResult::Ok && c.op == Operation::Recall) {
            EXPECT_EQ(o.slot, 3);
            EXPECT_EQ(o.programName, LoadFixedText(v.Amp(0).Name(3), 15));
        }
        if (c.result == RunResult::NotVerified) {
            EXPECT_EQ(v.heard.finished, std::vector<std::size_t>{0});
        }
    }
}

// A silent amplifier takes its full time-out; the others of the run finish meanwhile, and
// one the caller refused before linking never links and is not reported as finished.
TEST(FleetRun, ASilentAmplifierHoldsUpNoOtherAndARefusedOneNeverLinks) {
    Venue v;
    sim::Faults silent;
    silent.noReply = true;
    v.Add(false);
    v.Add(true, silent);
    v.Add(false);
    v.Add(false);
    v.heard.refuse[3] = 1;
    v.request.operation = Operation::Recall;
    v.request.slot = 7;
    const auto outcomes = v.Run();
    ASSERT_EQ(outcomes.size(), 4u);
    EXPECT_EQ(outcomes[0].result, RunResult::Ok);
    EXPECT_EQ(outcomes[1].error, RunError::NoReply);
    EXPECT_EQ(outcomes[2].result, RunResult::Ok);
    EXPECT_EQ(outcomes[3].error, RunError::Refused);
    EXPECT_EQ(v.heard.finished, (std::vector<std::size_t>{0, 2, 1}));
    EXPECT_LT(v.heard.finishedAtMs[2] * 2, v.heard.finishedAtMs[1]);
}

// An interrupt stops every amplifier between frames, each saying how far its batch got; a
// watch ends on it the way it is meant to, as done.
TEST(FleetRun, AnInterruptStopsEveryAmplifierBetweenFramesAndSaysWhatEachHolds) {
    {
        Venue v;
        v.Add(false);
        v.Add(true);
        v.request.operation = Operation::Push;
        v.request.pushKind = ProgramFileKind::AllPrograms;
        v.request.pushBytes = AllPrograms();
        v.heard.interruptAfterTicks = 6;
        const auto outcomes = v.Run();
        EXPECT_EQ(v.signal, SIGINT);
        for (const AmplifierOutcome& o : outcomes) {
            SCOPED_TRACE(o.index);
            EXPECT_EQ(o.result, RunResult::Interrupted);
            EXPECT_EQ(o.signal, SIGINT);
            ASSERT_TRUE(o.cut.has_value());
            EXPECT_FALSE(o.cut->duringLinkUp);
            ASSERT_EQ(o.cut->programs.size(), std::size_t{kStoredPrograms});
            const auto stored = std::count_if(
                o.cut->programs.begin(), o.cut->programs.end(),
                [](const SlotWrite& w) { return w.outcome == SlotOutcome::Verified; });
            EXPECT_LT(stored, kStoredPrograms);  // cut off part way, not done
        }
    }
    {
        Venue v;
        v.Add(false);
        v.request.operation = Operation::Status;
        v.request.watch = true;
        v.heard.interruptAfterTicks = 40;
        const auto outcomes = v.Run();
        EXPECT_EQ(v.signal, SIGINT);
        EXPECT_EQ(outcomes[0].result, RunResult::Ok);
        EXPECT_TRUE(outcomes[0].hasStatus);
    }
}

// A pull writes the live program as the amplifier sent it; a file already there is kept
// and the outcome says the write failed, with the path.
TEST(FleetRun, APullWritesItsFileOrSaysWhyNot) {
    testing::TempDir dir("fleetrun");
    const std::string path = dir.PathOf("{name}.Data12File");
    for (const bool exists : {false, true}) {
        SCOPED_TRACE(exists);
        Venue v;
        v.Add(false);
        v.request.operation = Operation::Pull;
        v.request.file = path;
        const auto outcomes = v.Run();
        EXPECT_EQ(outcomes[0].path, dir.PathOf("amp1.Data12File"));
        EXPECT_EQ(outcomes[0].result, exists ? RunResult::Failed : RunResult::Ok);
        EXPECT_EQ(outcomes[0].error, exists ? RunError::WriteFailed : RunError::None);
    }
}

}  // namespace
}  // namespace tolmarin::venue
