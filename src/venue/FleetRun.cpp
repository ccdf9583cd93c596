#include "venue/FleetRun.h"

#include <algorithm>

#include "link/LinkScheduler.h"
#include "protocol/Protocol.h"
#include "venue/AmplifierRun.h"

namespace tolmarin::venue {

FleetRun::FleetRun(const RunRequest& request, RunObserver& observer, Interrupt& interrupt,
                   const RunParts& parts)
    : m_req(request),
      m_observer(observer),
      m_interrupt(interrupt),
      m_parts(parts),
      m_clock(parts.scheduler ? parts.scheduler()
                              : std::unique_ptr<LinkScheduler>(new QtLinkScheduler())) {
    for (std::size_t i = 0; i < m_req.fleet.size(); ++i) {
        m_runs.push_back(std::make_unique<AmplifierRun>(m_req, i, m_observer, *m_clock, m_parts,
                                                        [this] { OnRunDone(); }));
    }
}

FleetRun::~FleetRun() = default;

std::vector<AmplifierOutcome> FleetRun::Run() {
    const bool watching = m_req.operation == Operation::Status && m_req.watch;
    int guard = 0;
    if (!watching) {
        guard = m_clock->After(m_req.timeoutSeconds * 1000,
                               [this] { StopAll(RunResult::Failed, RunError::TimedOut); });
    }
    // Looks for an interrupt and paces the caller's display.
    m_clock->StartPacing(kPollTimer, kPacingIntervalMs, [this] { OnPoll(); });
    for (auto& run : m_runs) {
        run->Start();
    }
    if (!AllFinished()) {
        m_loop.exec();
    }
    m_clock->StopPacing();
    m_clock->Cancel(guard);
    std::vector<AmplifierOutcome> outcomes;
    outcomes.reserve(m_runs.size());
    for (const auto& run : m_runs) {
        outcomes.push_back(run->Outcome());
    }
    return outcomes;
}

void FleetRun::StopAll(RunResult result, RunError error, int signal) {
    for (auto& run : m_runs) {
        if (!run->Finished()) {
            run->Stop(result, error, signal);
        }
    }
}

const AmplifierOutcome& FleetRun::Outcome(std::size_t index) const {
    return m_runs.at(index)->Outcome();
}

bool FleetRun::Finished(std::size_t index) const {
    return m_runs.at(index)->Finished();
}

std::uint64_t FleetRun::StatusCount() const {
    std::uint64_t seen = 0;
    for (const auto& run : m_runs) {
        seen += run->StatusCount();
    }
    return seen;
}

bool FleetRun::AllFinished() const {
    return std::all_of(m_runs.begin(), m_runs.end(), [](const auto& r) { return r->Finished(); });
}

void FleetRun::OnRunDone() {
    if (AllFinished()) {
        m_loop.quit();
    }
}

void FleetRun::OnPoll() {
    if (const int signal = m_interrupt.Requested(); signal != 0 && m_signal == 0) {
        m_signal = signal;
        if (m_req.operation == Operation::Status && m_req.watch) {
            StopAll(RunResult::Ok, RunError::None);  // the way a watch is meant to end
        } else {
            StopAll(RunResult::Interrupted, RunError::Interrupted, signal);
        }
        return;
    }
    m_observer.Tick();
}

}  // namespace tolmarin::venue
