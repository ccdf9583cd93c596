#include "venue/AmplifierRun.h"

#include <QDateTime>
#include <QTimer>

#include <algorithm>
#include <filesystem>

#include "link/ChannelSetModel.h"
#include "link/DeviceSession.h"
#include "link/LinkScheduler.h"
#include "link/LinkView.h"
#include "link/NetworkLink.h"
#include "model/ChannelSet.h"
#include "protocol/Protocol.h"
#include "venue/Watch.h"

namespace tolmarin::venue {

namespace fs = std::filesystem;

// The form as a run has it: levels and temperatures kept, progress passed on, and the run
// told of a finished transfer, a status, a batch that ended without its data.
class RunView : public LinkView {
public:
    explicit RunView(AmplifierRun& run) : m_run(run) {}

    void SetProgressRange(int, int high) override {
        m_run.m_observer.ProgressRange(m_run.m_index, high);
    }
    void SetProgressPos(int pos) override { m_run.m_observer.ProgressPos(m_run.m_index, pos); }
    void ShowLevels(int l1, int l2) override {
        levels = {l1, l2};
        // The temperatures of the same reply are shown after the levels: count after both.
        // Deferred calls are tied to the controller, so none outlives the run.
        QTimer::singleShot(0, m_run.m_controller, [this] { m_run.OnStatus(); });
    }
    void ShowTemperature(int readout, int celsius) override {
        if (readout == 0 || readout == 1) {
            temperatures[static_cast<std::size_t>(readout)] = celsius;
        }
    }
    void ShowTransferDone(TransferDirection direction) override { m_run.OnDone(direction); }
    void ShowBusy(BusyState state) override {
        if (state == BusyState::Hidden) {
            m_run.OnBusyHidden();
        }
    }
    // Called only once all twenty programs have arrived.
    void WriteAllProgramsFile(const std::string& path) override {
        writeStatus = tolmarin::WriteAllProgramsFile(m_run.m_state.image, path,
                                                     m_run.OutputOverwrite(), &writeWhy);
        wrote = true;
    }

    std::array<int, 2> levels{};
    std::array<int, 2> temperatures{};
    bool wrote = false;
    FileStatus writeStatus = FileStatus::Ok;
    FileWriteResult writeWhy;

private:
    AmplifierRun& m_run;
};

// The channel set as the link sees it, keeping the live program exactly as the amplifier
// sent it: loading the records from it adjusts routing and input gains in the image.
class ReceivedLiveModel : public LinkModel {
public:
    ReceivedLiveModel(LinkModel& inner, const DeviceImage& image)
        : m_inner(inner), m_image(image) {}
    std::unique_ptr<SendData> NextPendingFrame() override { return m_inner.NextPendingFrame(); }
    void ClearAllPending(bool value) override { m_inner.ClearAllPending(value); }
    void LoadAllFromImage() override {
        std::ranges::copy(m_image.ProgramRecord(0), received.begin());
        m_inner.LoadAllFromImage();
    }
    void WriteAllToImage() override { m_inner.WriteAllToImage(); }
    void SetInputGain(int channel, int gain) override { m_inner.SetInputGain(channel, gain); }
    void SetSending(bool on) override { m_inner.SetSending(on); }
    void UnlinkCh1Ch2() override { m_inner.UnlinkCh1Ch2(); }

    DeviceImage::Record received{};

private:
    LinkModel& m_inner;
    const DeviceImage& m_image;
};

AmplifierRun::AmplifierRun(const RunRequest& request, std::size_t index, RunObserver& observer,
                           LinkScheduler& runClock, const RunParts& parts,
                           std::function<void()> done)
    : m_req(request), m_index(index), m_observer(observer), m_done(std::move(done)) {
    m_outcome.index = index;
    InitDeviceImage(m_state);
    InitSystemBytes(m_state.image);
    m_state.ui.sink = observer.Messages(index);
    m_view = std::make_unique<RunView>(*this);
    m_channels = std::make_unique<ChannelSet>(m_state);
    m_model = std::make_unique<ChannelSetModel>(*m_channels);
    m_received = std::make_unique<ReceivedLiveModel>(*m_model, m_state.image);
    SessionParts own;
    if (parts.transport) {
        own.serial = parts.transport(Member(), LinkKind::Usb);
        own.network = parts.transport(Member(), LinkKind::Network);
    }
    if (parts.scheduler) {
        own.scheduler = parts.scheduler();
    }
    m_session = std::make_unique<DeviceSession>(m_state, *m_received, *m_view, std::move(own));
    m_controller = &m_session->Controller();
    m_tcp = m_session->Tcp();
    // status --watch: a link the controller gave up on is opened again by the watch.
    m_watch = std::make_unique<AmplifierWatch>(runClock, [this] {
        if (!m_finished) {
            Open();
        }
    });
}

AmplifierRun::~AmplifierRun() = default;

const AmplifierOutcome& AmplifierRun::Outcome() const {
    if (!m_finished) {
        const WatchState& w = m_watch->State();
        m_outcome.result = w.offline ? RunResult::Offline : RunResult::Running;
        m_outcome.offlineSince = w.offline ? w.offlineSince : std::string();
    }
    return m_outcome;
}

const FleetMember& AmplifierRun::Member() const {
    return m_req.fleet[m_index];
}

bool AmplifierRun::Watching() const {
    return m_req.operation == Operation::Status && m_req.watch;
}

void AmplifierRun::Start() {
    m_clock.start();
    if (!m_observer.Prepare(m_index)) {
        m_outcome.result = RunResult::Failed;
        m_outcome.error = RunError::Refused;
        m_finished = true;
        m_outcome.elapsedMs = m_clock.elapsed();
        m_done();
        return;
    }
    if (m_req.operation == Operation::Pull) {
        m_outPath = ExpandName(m_req.file, Member().name);
        m_pullAll = fs::path(m_outPath).filename().string().ends_with(kAllProgramsExtension);
        m_outcome.path = m_outPath;
    }
    if (!m_req.trace.empty()) {
        const std::string path = ExpandName(m_req.trace, Member().name);
        if (!m_session->StartTrace(path)) {
            AmplifierOutcome facts;
            facts.path = path;
            Fail(RunResult::Failed, RunError::TraceUnopenable, &facts);
            return;
        }
    }
    LinkController& c = *m_controller;
    QObject::connect(&c, &LinkController::linkOpenFailed,
                     [this](LinkKind kind) { OnOpenFailed(kind); });
    QObject::connect(&c, &LinkController::linkClosed,
                     [this](LinkCloseReason reason) { OnClosed(reason); });
    QObject::connect(&c, &LinkController::reconnecting, [this](int attempt) {
        m_observer.Reconnecting(m_index, attempt,
                                m_controller->LastFault() == LinkFailure::BadChecksum);
    });
    if (m_tcp != nullptr) {
        QObject::connect(m_tcp, &NetworkLink::connectionLost, [this] {
            m_lost = true;
            m_observer.ConnectionLost(m_index);
        });
    }
    QObject::connect(&c, &LinkController::linkUpFinished,
                     [this](bool complete) { OnLinkUp(complete); });
    QObject::connect(&c, &LinkController::writesVerified,
                     [this](bool verified) { OnVerified(verified); });
    c.SetVerifyWrites(m_req.verify);
    Open();
}

void AmplifierRun::Open() {
    LinkController& c = *m_controller;
    const ConnectTarget& t = Member().target;
    if (t.serial) {
        if (!c.OpenSerialLinkTo(t.serialPort) && !c.Linked() && !m_finished) {
            OnOpenFailed(LinkKind::Usb);
        }
    } else {
        c.OpenNetworkLinkTo(t.host, t.port);
    }
}

void AmplifierRun::Stop(RunResult result, RunError error, int signal) {
    m_stopping = true;
    if (result == RunResult::Ok || error == RunError::Stopped) {
        m_outcome.error = error;
        Finish(result);
        return;
    }
    AmplifierOutcome facts;
    facts.signal = signal;
    if (m_acting) {
        facts.cut = Cut();
    }
    Fail(result, error, &facts);
}

void AmplifierRun::OnOpenFailed(LinkKind kind) {
    AmplifierOutcome facts;
    RunError error = RunError::PortFailed;
    if (kind == LinkKind::Network) {
        // Only the program's own TCP link can say why a connect failed.
        const auto socketError =
            m_tcp != nullptr ? m_tcp->LastError() : QAbstractSocket::UnknownSocketError;
        switch (socketError) {
            case QAbstractSocket::ConnectionRefusedError:
                error = RunError::ConnectRefused;
                break;
            case QAbstractSocket::SocketTimeoutError:
                error = RunError::ConnectNoAnswer;
                facts.connectTimeoutMs = m_tcp->ConnectTimeoutMs();
                break;
            default:
                error = RunError::ConnectFailed;
                if (m_tcp != nullptr) {
                    facts.systemError = m_tcp->LastErrorText().toStdString();
                }
                break;
        }
    }
    Fail(RunResult::Failed, error, &facts);
}

void AmplifierRun::OnClosed(LinkCloseReason reason) {
    if (reason == LinkCloseReason::Operator || m_finished) {
        return;
    }
    AmplifierOutcome facts;
    RunError error = RunError::ReconnectFailed;
    const bool corrupt = m_controller->LastFault() == LinkFailure::BadChecksum;
    if (reason == LinkCloseReason::NoReply) {
        error = corrupt ? RunError::BadChecksum : RunError::NoReply;
    } else if (m_controller->NetRetries() > kNetworkMaxReconnects) {
        error = RunError::GaveUp;
    }
    facts.connectionLost = m_lost;
    facts.cut = Cut();
    // The controller gives its own message right after closing; the outcome comes after it.
    QTimer::singleShot(0, m_controller,
                       [this, error, facts] { Fail(RunResult::Failed, error, &facts); });
}

// The written programs that did not verify: the link's message names them.
void AmplifierRun::OnVerified(bool verified) {
    if (!verified && !m_finished) {
        Fail(RunResult::NotVerified, RunError::NotVerified);
    }
}

// Where a batch cut off part way stood, for the outcome.
CutOff AmplifierRun::Cut() const {
    CutOff cut;
    if (!m_acting) {
        cut.duringLinkUp = true;
        return cut;
    }
    cut.programs = m_controller->WriteOutcome();
    const ReceiverCounts& counts = m_session->Command().Counts();
    cut.acknowledged = counts.acknowledged - m_acksBefore;
    if (m_req.operation == Operation::Pull && m_pullAll) {
        cut.missing = ProgramsNotReceived(m_programsBefore, counts.programData);
    }
    return cut;
}

void AmplifierRun::OnLinkUp(bool complete) {
    if (!complete) {
        Fail(RunResult::Failed, RunError::LinkUpIncomplete);  // the link said what is missing
        return;
    }
    m_linkedUp = true;
    if (m_watch->CameBack()) {
        m_observer.BackOnline(m_index);
    }
    // At once, so the request goes out before the idle link's first poll.
    StartAction();
}

// A batch hidden without its done popup ended without what it asked for; a closing link
// hides it too, and says why itself.
void AmplifierRun::OnBusyHidden() {
    if (!m_acting) {
        return;
    }
    QTimer::singleShot(0, m_controller, [this] {
        if (!m_finished && m_controller->Linked()) {
            Fail(RunResult::Failed, RunError::BatchIncomplete);
        }
    });
}

void AmplifierRun::StartAction() {
    if (m_finished) {
        return;
    }
    m_acting = true;
    const ReceiverCounts& counts = m_session->Command().Counts();
    m_acksBefore = counts.acknowledged;
    m_programsBefore = counts.programData;
    m_observer.OperationStarted(m_index);
    LinkController& c = *m_controller;
    switch (m_req.operation) {
        case Operation::Pull:
            if (m_pullAll) {
                c.ReadAllPrograms(m_outPath);
            } else {
                // The bytes the amplifier sent, before the records were loaded from them;
                // the live name is never read, so it stays zero.
                DeviceImage::Record record = m_received->received;
                std::fill_n(record.begin(), kProgramNameSize, 0);
                FileWriteResult why;
                const FileStatus st = WriteBytesFile(record, m_outPath, OutputOverwrite(), &why);
                WriteResult(st, why);
            }
            break;
        case Operation::Push:
            if (m_req.pushKind == ProgramFileKind::Single) {
                std::copy_n(m_req.pushBytes.begin(), kProgramRecordSize,
                            m_state.image.ProgramRecord(0).begin());
                m_channels->LoadAllFromImage();
                c.SendLiveProgram();
            } else {
                for (int n = 1; n <= kStoredPrograms; ++n) {
                    std::copy_n(m_req.pushBytes.begin() + (n - 1) * kProgramRecordSize,
                                kProgramRecordSize, m_state.image.ProgramRecord(n).begin());
                }
                c.StoreAllPrograms();
            }
            break;
        case Operation::Store:
            c.StoreLiveToSlot(m_req.slot, m_req.name, true);
            break;
        case Operation::Recall:
            c.RequestLive(m_req.slot);
            break;
        case Operation::Status:
            break;  // the next status reply is the outcome
    }
}

void AmplifierRun::OnDone(TransferDirection direction) {
    if (!m_acting || m_finished) {
        return;  // the link-up's own read of the live program
    }
    switch (m_req.operation) {
        case Operation::Pull:
            if (m_pullAll && direction == TransferDirection::Up) {
                if (m_view->wrote) {
                    WriteResult(m_view->writeStatus, m_view->writeWhy);
                } else {
                    Fail(RunResult::Failed, RunError::BatchIncomplete);
                }
            }
            break;
        case Operation::Push:
        case Operation::Store:
            if (direction == TransferDirection::Down) {
                Finish(RunResult::Ok);
            }
            break;
        case Operation::Recall:
            if (direction == TransferDirection::Up) {
                m_outcome.slot = m_req.slot;
                m_outcome.programName = LoadFixedText(m_state.image.Name(m_req.slot), 15);
                Finish(RunResult::Ok);
            }
            break;
        case Operation::Status:
            break;
    }
}

void AmplifierRun::OnStatus() {
    if (m_req.operation != Operation::Status || !m_acting) {
        return;
    }
    m_outcome.hasStatus = true;
    for (std::size_t i = 0; i < m_outcome.status.size(); ++i) {
        m_outcome.status[i] = static_cast<std::uint8_t>(m_session->Command().Status()[i]);
    }
    m_outcome.levels = m_view->levels;
    m_outcome.temperatures = m_view->temperatures;
    ++m_statusCount;
    if (!m_req.watch) {
        Finish(RunResult::Ok);
        return;
    }
    m_watch->Reply(m_view->levels, m_view->temperatures, QDateTime::currentMSecsSinceEpoch());
}

// Without force even a file created since the caller's checks is left as it is.
Overwrite AmplifierRun::OutputOverwrite() const {
    return m_req.force ? Overwrite::Replace : Overwrite::Keep;
}

void AmplifierRun::WriteResult(FileStatus st, const FileWriteResult& why) {
    if (st == FileStatus::Ok) {
        Finish(RunResult::Ok);
        return;
    }
    AmplifierOutcome facts;
    facts.writeStatus = st;
    facts.write = why;
    Fail(RunResult::Failed, RunError::WriteFailed, &facts);
}

void AmplifierRun::Fail(RunResult result, RunError error, const AmplifierOutcome* facts) {
    if (m_finished) {
        return;
    }
    AmplifierOutcome& o = m_outcome;
    o.error = error;
    if (facts != nullptr) {
        o.connectionLost = facts->connectionLost;
        o.cut = facts->cut;
        if (!facts->path.empty()) {
            o.path = facts->path;
        }
        o.writeStatus = facts->writeStatus;
        o.write = facts->write;
        o.connectTimeoutMs = facts->connectTimeoutMs;
        o.systemError = facts->systemError;
        o.signal = facts->signal;
    }
    const bool linkFault = result == RunResult::Failed && error != RunError::TraceUnopenable &&
                           error != RunError::WriteFailed;
    if (linkFault && Watching() && !m_stopping) {
        GoOffline(o);
        return;
    }
    Finish(result);
}

// A watched amplifier that went away, or did not answer: the link is opened again at once
// after a link that had been up, then every kWatchRetryMs until it answers. Reopening starts
// the controller's own count of reconnections afresh.
void AmplifierRun::GoOffline(const AmplifierOutcome& why) {
    const bool wasUp = m_linkedUp;
    m_linkedUp = false;
    m_acting = false;
    m_lost = false;
    const std::string since =
        m_watch->State().offline ? m_watch->State().offlineSince : LocalTimestamp();
    AmplifierOutcome told = why;
    told.result = RunResult::Offline;
    told.offlineSince = since;
    m_observer.WentOffline(told);
    LinkController& c = *m_controller;
    if (c.Linked() || c.Opening()) {
        c.CloseLink();
    }
    if (m_watch->WentAway(wasUp, since)) {
        ++m_statusCount;  // a display shows the change
    }
}

void AmplifierRun::Finish(RunResult result) {
    if (m_finished) {
        return;
    }
    m_watch->Stop();
    m_finished = true;
    m_outcome.result = result;
    if (result == RunResult::Ok) {
        m_outcome.error = RunError::None;
    }
    m_outcome.elapsedMs = m_clock.elapsed();
    m_observer.Finished(m_outcome);
    LinkController& c = *m_controller;
    if (c.Linked() || c.Opening()) {
        c.CloseLink();
    }
    m_done();
}

}  // namespace tolmarin::venue
