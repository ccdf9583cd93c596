#pragma once

#include <QElapsedTimer>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "link/LinkConfig.h"
#include "link/LinkController.h"
#include "protocol/DeviceImage.h"
#include "venue/ProgramAccount.h"
#include "venue/RunRequest.h"

namespace tolmarin {
class ChannelSet;
class ChannelSetModel;
class DeviceSession;
class NetworkLink;
}  // namespace tolmarin

namespace tolmarin::venue {

class AmplifierWatch;
class RunView;
class ReceivedLiveModel;

// One amplifier of a run: its own device image, channel set and device session. Links up,
// carries out the request, verifies what it wrote, closes; under a watch it keeps the link
// and reopens it after a give-up. Runs on the shared event loop; calls done once when it
// has finished, either way.
class AmplifierRun {
public:
    AmplifierRun(const RunRequest& request, std::size_t index, RunObserver& observer,
                 LinkScheduler& runClock, const RunParts& parts, std::function<void()> done);
    ~AmplifierRun();
    AmplifierRun(const AmplifierRun&) = delete;
    AmplifierRun& operator=(const AmplifierRun&) = delete;

    void Start();
    // Ends the run from outside between frames: the time-out guard (TimedOut), an interrupt
    // (Interrupted, with its signal) or the caller (Stopped). A result of Ok ends a watch
    // quietly, the way it is meant to end.
    void Stop(RunResult result, RunError error, int signal = 0);

    bool Finished() const { return m_finished; }
    // As it stands: Running (figures and offline spells included) until finished.
    const AmplifierOutcome& Outcome() const;
    // Status replies and offline changes seen, for a display that redraws on news.
    std::uint64_t StatusCount() const { return m_statusCount; }

private:
    friend class RunView;

    const FleetMember& Member() const;
    void Open();
    void OnOpenFailed(LinkKind kind);
    void OnClosed(LinkCloseReason reason);
    void OnVerified(bool verified);
    void OnLinkUp(bool complete);
    void OnBusyHidden();
    void OnDone(TransferDirection direction);
    void OnStatus();
    void StartAction();
    CutOff Cut() const;
    Overwrite OutputOverwrite() const;
    void WriteResult(FileStatus st, const FileWriteResult& why);
    void Fail(RunResult result, RunError error, const AmplifierOutcome* facts = nullptr);
    void GoOffline(const AmplifierOutcome& why);
    void Finish(RunResult result);
    bool Watching() const;

    const RunRequest& m_req;
    std::size_t m_index;
    RunObserver& m_observer;
    std::function<void()> m_done;
    SharedState m_state;
    std::unique_ptr<RunView> m_view;
    std::unique_ptr<ChannelSet> m_channels;
    std::unique_ptr<ChannelSetModel> m_model;
    std::unique_ptr<ReceivedLiveModel> m_received;
    std::unique_ptr<DeviceSession> m_session;
    LinkController* m_controller = nullptr;
    NetworkLink* m_tcp = nullptr;  // the program's own TCP link, null when a test put one in
    std::unique_ptr<AmplifierWatch> m_watch;
    QElapsedTimer m_clock;
    mutable AmplifierOutcome m_outcome;  // the offline spell taken from the watch when asked
    std::string m_outPath;
    bool m_pullAll = false;
    bool m_linkedUp = false;
    bool m_acting = false;
    bool m_finished = false;
    bool m_lost = false;
    bool m_stopping = false;
    std::uint64_t m_statusCount = 0;
    int m_acksBefore = 0;
    ProgramArrivals m_programsBefore{};
};

}  // namespace tolmarin::venue
