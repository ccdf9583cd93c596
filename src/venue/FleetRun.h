#pragma once

#include <QEventLoop>

#include <memory>
#include <vector>

#include "venue/Interrupt.h"
#include "venue/RunRequest.h"

namespace tolmarin {
class LinkScheduler;
}

namespace tolmarin::venue {

class AmplifierRun;

// Every amplifier of a request at once on one event loop, each with its own session, so a
// slow or silent one never holds up another. Stops them all on the time-out guard (not
// under a watch) or on an interrupt, between frames. Runs Qt's event loop (a
// QCoreApplication must exist).
class FleetRun {
public:
    FleetRun(const RunRequest& request, RunObserver& observer, Interrupt& interrupt,
             const RunParts& parts = {});
    ~FleetRun();
    FleetRun(const FleetRun&) = delete;
    FleetRun& operator=(const FleetRun&) = delete;

    // Returns when every amplifier has finished: their outcomes, in fleet order.
    std::vector<AmplifierOutcome> Run();

    // Ends every amplifier still running (see AmplifierRun::Stop).
    void StopAll(RunResult result, RunError error, int signal = 0);

    std::size_t Size() const { return m_runs.size(); }
    const AmplifierOutcome& Outcome(std::size_t index) const;
    bool Finished(std::size_t index) const;
    // Status replies and offline changes of all amplifiers so far.
    std::uint64_t StatusCount() const;
    // The signal of the interrupt that stopped the run, 0 when none did.
    int InterruptSignal() const { return m_signal; }
    // The run's own clock, for waits of the caller's (a display's interval).
    LinkScheduler& Clock() { return *m_clock; }

private:
    bool AllFinished() const;
    void OnRunDone();
    void OnPoll();

    // The run's own clock has one repeating timer: the poll.
    static constexpr int kPollTimer = 1;

    const RunRequest& m_req;
    RunObserver& m_observer;
    Interrupt& m_interrupt;
    const RunParts& m_parts;
    std::unique_ptr<LinkScheduler> m_clock;
    std::vector<std::unique_ptr<AmplifierRun>> m_runs;
    QEventLoop m_loop;
    int m_signal = 0;
};

}  // namespace tolmarin::venue
