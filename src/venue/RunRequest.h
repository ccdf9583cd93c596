#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "link/LinkConfig.h"
#include "protocol/ProgramFile.h"
#include "venue/FleetFile.h"
#include "venue/RunOutcome.h"

namespace tolmarin {
class LinkScheduler;
class LinkTransport;
class MessageSink;
}  // namespace tolmarin

namespace tolmarin::venue {

// One operation for every amplifier of a run, checked by the caller beforehand (names,
// paths, the file to push).
struct RunRequest {
    Operation operation = Operation::Status;
    std::vector<FleetMember> fleet;
    std::string file;          // pull: OUT, {name} filled in per amplifier
    int slot = 0;              // store, recall: 1 to 20
    std::string name;          // store
    bool watch = false;        // status: until interrupted, reopening links given up on
    bool force = false;        // pull: replace an existing OUT
    bool verify = true;        // push, store: read back and compare what was written
    std::string trace;         // {name} filled in per amplifier; empty for none
    int timeoutSeconds = 300;  // a last guard; the links' own time-outs normally end first
    // push: what PreparePush read and checked once for all.
    std::string pushBytes;
    ProgramFileKind pushKind = ProgramFileKind::Unknown;
};

// What the runs link through. Left empty: the program's own serial port, TCP socket and
// event-loop timers. Tests put in simulated links and a clock they drive.
struct RunParts {
    // The transport of the given kind for one amplifier's link.
    std::function<std::unique_ptr<LinkTransport>(const FleetMember&, LinkKind)> transport;
    // A clock: one for each amplifier's link, and one for the run's guard and poll.
    std::function<std::unique_ptr<LinkScheduler>()> scheduler;
};

// What the caller hears while a run goes on, amplifier by amplifier (index into the fleet).
// Every call comes on the run's event loop; none may destroy the run.
class RunObserver {
public:
    virtual ~RunObserver() = default;
    // Before amplifier index links, in fleet order: false refuses it (the caller has said
    // why and keeps its own exit code for it).
    virtual bool Prepare(std::size_t /*index*/) { return true; }
    // Where the link of amplifier index reports its own messages (may be null).
    virtual MessageSink* Messages(std::size_t /*index*/) { return nullptr; }
    virtual void Reconnecting(std::size_t /*index*/, int /*attempt*/, bool /*corrupt*/) {}
    virtual void ConnectionLost(std::size_t /*index*/) {}
    // A watched amplifier answers again after an offline spell.
    virtual void BackOnline(std::size_t /*index*/) {}
    // A watched amplifier went away (or never answered): why, and since when.
    virtual void WentOffline(const AmplifierOutcome& /*why*/) {}
    // The requested operation went out on amplifier index (the link-up is over).
    virtual void OperationStarted(std::size_t /*index*/) {}
    virtual void ProgressRange(std::size_t /*index*/, int /*high*/) {}
    virtual void ProgressPos(std::size_t /*index*/, int /*pos*/) {}
    // Amplifier index has finished, either way (not called for one Prepare refused).
    virtual void Finished(const AmplifierOutcome& /*outcome*/) {}
    // Every pacing interval of the run's own clock.
    virtual void Tick() {}
};

}  // namespace tolmarin::venue
