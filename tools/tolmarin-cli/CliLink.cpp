#include "CliLink.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>

#include <csignal>
#include <filesystem>
#include <functional>
#include <iomanip>
#include <memory>
#include <set>
#include <sstream>

#include "CliOffline.h"
#include "CliPlatform.h"
#include "link/ChannelSetModel.h"
#include "link/DeviceSession.h"
#include "link/FrameTrace.h"
#include "link/LinkController.h"
#include "link/LinkScheduler.h"
#include "link/LinkView.h"
#include "link/NetworkLink.h"
#include "link/SerialLink.h"
#include "model/ChannelSet.h"
#include "model/ProgramCheck.h"
#include "protocol/DeviceImage.h"
#include "protocol/ProgramFile.h"
#include "protocol/Protocol.h"
#include "venue/ProgramAccount.h"
#include "venue/PushPlan.h"
#include "venue/Watch.h"

namespace tolmarin::cli {

namespace {

namespace fs = std::filesystem;

constexpr double kNetworkNoReplySeconds = (kNetworkTimeoutTicks + 1) * kPacingIntervalMs / 1000.0;
constexpr double kSerialNoReplySeconds = (kSerialGiveUpTicks + 1) * kPacingIntervalMs / 1000.0;

std::string Seconds(double s) {
    std::ostringstream o;
    o.imbue(std::locale::classic());
    o << std::fixed << std::setprecision(s < 10 ? 2 : 0) << s;
    std::string t = o.str();
    while (t.find('.') != std::string::npos && (t.back() == '0' || t.back() == '.')) {
        t.pop_back();
    }
    return t;
}

// Progress of a batch on standard error: a bar on a terminal, plain lines otherwise. The
// bar's reset to 0 at the start and end of a batch is not shown.
class ProgressReporter {
public:
    explicit ProgressReporter(std::ostream& err) : m_err(err), m_tty(IsTerminal(2)) {}
    ~ProgressReporter() { Finish(); }

    void Range(int high) {
        Finish();
        m_high = high;
        m_shown = -1;
    }
    void Pos(int pos) {
        if (m_high <= 1 || pos == m_shown || pos <= 0) {
            return;  // single-item transfers show no progress
        }
        m_shown = pos;
        if (m_tty) {
            const int width = 30;
            const int filled = std::min(pos, m_high) * width / m_high;
            m_err << "\r[" << std::string(static_cast<std::size_t>(filled), '#')
                  << std::string(static_cast<std::size_t>(width - filled), '.') << "] " << pos
                  << '/' << m_high << std::flush;
            m_open = true;
        } else {
            m_err << "progress " << pos << '/' << m_high << '\n' << std::flush;
        }
    }
    void Finish() {
        if (m_open) {
            m_err << '\n' << std::flush;
            m_open = false;
        }
    }

private:
    std::ostream& m_err;
    bool m_tty;
    bool m_open = false;
    int m_high = 0;
    int m_shown = -1;
};

// The form as the command-line tool has it: messages kept for the failure line, progress
// as above, levels and temperatures kept for printing, and the run told of what the
// controller shows: a finished transfer, a status, a batch that ended without its data.
class CliView : public LinkView, public MessageSink {
public:
    explicit CliView(std::ostream& err) : m_progress(err) {}

    void ShowMessage(std::string_view text, MessageKind) override { lastMessage = text; }
    // The editor's headings are for its message boxes; the tool's line says what happened in
    // its own words and keeps only the controller's detail (place and reason, what is missing).
    void ShowReport(TextId id, MessageKind kind, std::string_view detail,
                    Language language) override {
        switch (id) {
            case TextId::UnableToOpenNetworkLink:
            case TextId::UnableToOpenLink:
            case TextId::NoOnlineMachine:
            case TextId::LinkLost:
                lastMessage = detail;
                return;
            case TextId::WriteCutOff:
                return;  // the failure line tells it per program
            case TextId::ReadIncomplete: {
                // Edits are the editor's: the tool sends none.
                std::string text(detail);
                const std::string editsWait = Tr(TextId::EditsWaitForLiveProgram, language);
                if (const auto at = text.find(editsWait); at != std::string::npos) {
                    text.erase(at > 0 && text[at - 1] == ' ' ? at - 1 : at,
                               editsWait.size() + (at > 0 ? 1 : 0));
                }
                MessageSink::ShowReport(id, kind, text, language);
                return;
            }
            default:
                MessageSink::ShowReport(id, kind, detail, language);
                return;
        }
    }
    // Only the requested transfer shows progress, not the link-up's reads before it.
    void SetProgressRange(int, int high) override {
        if (showProgress) {
            m_progress.Range(high);
        }
    }
    void SetProgressPos(int pos) override {
        if (showProgress) {
            m_progress.Pos(pos);
        }
    }
    void ShowLevels(int l1, int l2) override {
        level[0] = l1;
        level[1] = l2;
        if (onStatus) {
            onStatus();
        }
    }
    void ShowTemperature(int readout, int celsius) override {
        if (readout == 0 || readout == 1) {
            temperature[readout] = celsius;
        }
    }
    void ShowTransferDone(TransferDirection direction) override {
        if (onDone) {
            onDone(direction);
        }
    }
    void ShowBusy(BusyState state) override {
        if (state == BusyState::Hidden && onBusyHidden) {
            onBusyHidden();
        }
    }
    // Called only once all twenty programs have arrived.
    void WriteAllProgramsFile(const std::string& path) override {
        writeStatus = tolmarin::WriteAllProgramsFile(*image, path, overwrite, &writeWhy);
        wrote = true;
    }
    void FinishProgress() {
        showProgress = false;
        m_progress.Finish();
    }

    std::function<void(TransferDirection)> onDone;
    std::function<void()> onStatus;
    std::function<void()> onBusyHidden;
    DeviceImage* image = nullptr;
    bool showProgress = false;
    int level[2] = {0, 0};
    int temperature[2] = {0, 0};
    std::string lastMessage;
    bool wrote = false;
    Overwrite overwrite = Overwrite::Keep;
    FileStatus writeStatus = FileStatus::Ok;
    FileWriteResult writeWhy;

private:
    ProgressReporter m_progress;
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

// What every amplifier's run shares: the request, the streams and the file to push.
struct RunContext {
    const LinkRequest& req;
    Language language;
    std::ostream& out;
    std::ostream& err;
    bool fleet;
    std::string pushBytes;
    ProgramFileKind pushKind = ProgramFileKind::Unknown;
    LinkScheduler* clock = nullptr;  // the run's own: waits between a watch's tries
};

// One amplifier of the command: its own device image, channel set, link and controller.
// Runs on the shared event loop; calls done once when it has finished, either way.
class AmpRun {
public:
    AmpRun(RunContext& ctx, FleetMember member, const LinkParts& parts, std::function<void()> done)
        : m_ctx(ctx), m_member(std::move(member)), m_done(std::move(done)), m_view(ctx.err) {
        InitDeviceImage(m_state);
        InitSystemBytes(m_state.image);
        m_state.ui.language = ctx.language;
        m_state.ui.sink = &m_view;
        m_channels = std::make_unique<ChannelSet>(m_state);
        m_model = std::make_unique<ChannelSetModel>(*m_channels);
        m_received = std::make_unique<ReceivedLiveModel>(*m_model, m_state.image);
        SessionParts own;
        if (parts.transport) {
            own.serial = parts.transport(m_member, LinkKind::Usb);
            own.network = parts.transport(m_member, LinkKind::Network);
        }
        if (parts.scheduler) {
            own.scheduler = parts.scheduler();
        }
        m_session = std::make_unique<DeviceSession>(m_state, *m_received, m_view, std::move(own));
        m_controller = &m_session->Controller();
        m_tcp = m_session->Tcp();
        m_view.image = &m_state.image;
        m_view.overwrite = OutputOverwrite();
        // status --watch: a link the controller gave up on is opened again by the watch.
        m_watch = std::make_unique<venue::AmplifierWatch>(*ctx.clock, [this] {
            if (!m_finished) {
                Open();
            }
        });
    }
    AmpRun(const AmpRun&) = delete;
    AmpRun& operator=(const AmpRun&) = delete;

    const FleetMember& Member() const { return m_member; }
    bool Finished() const { return m_finished; }
    int Exit() const { return m_exit; }
    const std::string& Detail() const { return m_detail; }
    double ElapsedSeconds() const { return static_cast<double>(m_elapsedMs) / 1000.0; }
    bool HasStatus() const { return m_statusSeen; }
    std::uint64_t StatusCount() const { return m_statusCount; }
    const CliView& View() const { return m_view; }
    std::string Where() const {
        return m_ctx.fleet ? m_member.name + " (" + m_member.url + ")" : m_member.url;
    }

    void Start() {
        m_clock.start();
        if (const int rc = Prepare(); rc != kExitDone) {
            m_exit = rc;
            m_finished = true;
            m_elapsedMs = m_clock.elapsed();
            m_done();
            return;
        }
        if (!m_ctx.req.trace.empty()) {
            const std::string path = ExpandName(m_ctx.req.trace, m_member.name);
            if (!m_session->StartTrace(path)) {
                Fail(kExitFile, std::string(Text(TextId::CliCannotOpenFile)) + ' ' + path);
                return;
            }
        }
        LinkController& c = *m_controller;
        QObject::connect(&c, &LinkController::linkOpenFailed,
                         [this](LinkKind kind) { OnOpenFailed(kind); });
        QObject::connect(&c, &LinkController::linkClosed,
                         [this](LinkCloseReason reason) { OnClosed(reason); });
        QObject::connect(&c, &LinkController::reconnecting, [this](int attempt) {
            const std::string of = std::to_string(kNetworkMaxReconnects);
            Note(m_controller->LastFault() == LinkFailure::BadChecksum
                     ? Fill(Text(TextId::CliReconnectingCorrupt), {std::to_string(attempt), of})
                     : Fill(Text(TextId::CliReconnecting),
                            {Seconds(kNetworkNoReplySeconds), std::to_string(attempt), of}));
        });
        if (m_tcp != nullptr) {
            QObject::connect(m_tcp, &NetworkLink::connectionLost, [this] {
                m_lost = true;
                Note(Text(TextId::CliConnectionLost));
            });
        }
        QObject::connect(&c, &LinkController::linkUpFinished,
                         [this](bool complete) { OnLinkUp(complete); });
        QObject::connect(&c, &LinkController::writesVerified,
                         [this](bool verified) { OnVerified(verified); });
        c.SetVerifyWrites(m_ctx.req.verify);
        m_view.onDone = [this](TransferDirection dir) { OnDone(dir); };
        // The temperatures of the same reply are shown after the levels: count after both.
        // Deferred calls are tied to the controller, so none outlives this run.
        m_view.onStatus = [this] { QTimer::singleShot(0, m_controller, [this] { OnStatus(); }); };
        m_view.onBusyHidden = [this] { OnBusyHidden(); };
        Open();
    }

    void Open() {
        LinkController& c = *m_controller;
        const ConnectTarget& t = m_member.target;
        if (t.serial) {
            if (!c.OpenSerialLinkTo(t.serialPort) && !c.Linked() && !m_finished) {
                OnOpenFailed(LinkKind::Usb);
            }
        } else {
            c.OpenNetworkLinkTo(t.host, t.port);
        }
    }

    bool Offline() const { return m_watch->State().offline; }
    const std::string& OfflineSince() const { return m_watch->State().offlineSince; }

    // Ends the run from outside: the time-out guard, an interrupt, a broken standard output.
    void Stop(int code, const std::string& why) {
        m_stopping = true;
        if (why.empty()) {
            Finish(code, {});
        } else {
            Fail(code, m_acting ? why + CutOff() : why);
        }
    }

private:
    const char* Text(TextId id) const { return m_state.ui.Text(id); }

    void Note(const std::string& text) {
        m_view.FinishProgress();
        m_ctx.err << Shown(Where() + ": " + text) << '\n' << std::flush;
    }

    // Reads and checks everything that does not need the amplifier, before linking.
    int Prepare() {
        const LinkRequest& req = m_ctx.req;
        if (!req.trace.empty()) {
            // Opening a named pipe would wait for a reader, and a device is no trace.
            const std::string why =
                NotRegularFile(ExpandName(req.trace, m_member.name), m_state.ui);
            if (!why.empty()) {
                return Refuse(kExitFile, why);
            }
        }
        switch (req.command) {
            case LinkCommand::Pull: {
                m_outPath = ExpandName(req.file, m_member.name);
                m_pullAll =
                    fs::path(m_outPath).filename().string().ends_with(kAllProgramsExtension);
                const bool single =
                    fs::path(m_outPath).filename().string().ends_with(kSingleProgramExtension);
                std::string why;
                if (!m_pullAll && !single) {
                    why = std::string(Text(TextId::CliUnknownFileKind)) + ' ' + m_outPath;
                    return Refuse(kExitUsage, why);
                }
                fs::path folder = fs::path(m_outPath).parent_path();
                if (folder.empty()) {
                    folder = ".";
                }
                std::error_code ec;
                if (!fs::is_directory(folder, ec)) {
                    return Refuse(kExitFile, Fill(Text(TextId::CliNotAFolder), {folder.string()}));
                }
                if (!IsWritableFolder(folder)) {
                    return Refuse(kExitFile,
                                  Fill(Text(TextId::CliFolderNotWritable), {folder.string()}));
                }
                // --force replaces a file, never a folder, a pipe or a device.
                if (const std::string notFile = NotRegularFile(m_outPath, m_state.ui);
                    !notFile.empty()) {
                    return Refuse(kExitFile, notFile);
                }
                if (fs::exists(fs::symlink_status(m_outPath, ec)) && !req.force) {
                    return Refuse(kExitFile, Fill(Text(TextId::CliFileExists), {m_outPath}));
                }
                return kExitDone;
            }
            case LinkCommand::Store:
                if (req.name.empty()) {
                    return Refuse(kExitUsage, Text(TextId::CliProgramNameEmpty));
                }
                if (req.name.size() > 12 ||
                    req.name.find_first_not_of("0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ"
                                               "abcdefghijklmnopqrstuvwxyz") != std::string::npos) {
                    return Refuse(kExitUsage, Text(TextId::CliBadProgramName));
                }
                return kExitDone;
            case LinkCommand::Push:
            case LinkCommand::Recall:
            case LinkCommand::Status:
                return kExitDone;
        }
        return kExitUsage;
    }

    int Refuse(int code, const std::string& why) {
        m_detail = why;
        m_ctx.err << Shown((m_ctx.fleet ? Where() + ": " : std::string()) + why) << '\n'
                  << std::flush;
        return code;
    }

    void OnOpenFailed(LinkKind kind) {
        std::string why;
        if (kind == LinkKind::Usb) {
            why = Text(TextId::CliPortFailed);
        } else {
            // Only the tool's own TCP link can say why a connect failed.
            const auto error =
                m_tcp != nullptr ? m_tcp->LastError() : QAbstractSocket::UnknownSocketError;
            switch (error) {
                case QAbstractSocket::ConnectionRefusedError:
                    why = Text(TextId::CliConnectRefused);
                    break;
                case QAbstractSocket::SocketTimeoutError:
                    why = Fill(Text(TextId::CliConnectNoAnswer),
                               {Seconds(m_tcp->ConnectTimeoutMs() / 1000.0)});
                    break;
                default:
                    why = Fill(
                        Text(TextId::CliConnectFailed),
                        {m_tcp != nullptr ? m_tcp->LastErrorText().toStdString() : std::string()});
                    break;
            }
        }
        Fail(kExitLink, why);
    }

    void OnClosed(LinkCloseReason reason) {
        if (reason == LinkCloseReason::Operator || m_finished) {
            return;
        }
        std::string why;
        const bool corrupt = m_controller->LastFault() == LinkFailure::BadChecksum;
        if (reason == LinkCloseReason::NoReply) {
            why = corrupt ? std::string(Text(TextId::CliBadChecksum))
                          : Fill(Text(TextId::CliNoReplyFor), {Seconds(kSerialNoReplySeconds)});
        } else if (m_controller->NetRetries() > kNetworkMaxReconnects) {
            why = std::string(Text(TextId::CliGaveUp));
        } else {
            why = std::string(Text(TextId::CliReconnectFailed));
        }
        if (m_lost) {
            why = std::string(Text(TextId::CliConnectionLost)) + ", " + why;
        }
        why += CutOff();
        // The controller gives its own message right after closing; the line carries it.
        QTimer::singleShot(0, m_controller, [this, why] { Fail(kExitLink, why); });
    }

    // The written programs that did not verify: the controller's message names them.
    void OnVerified(bool verified) {
        if (!verified && !m_finished) {
            std::string why = m_view.lastMessage;
            m_view.lastMessage.clear();
            Fail(kExitUnverified, why);
        }
    }

    // What a batch cut off part way had done, for the failure line.
    std::string CutOff() const {
        if (!m_acting) {
            return ", " + std::string(Text(TextId::CliDuringLinkUp));
        }
        if (const auto written = m_controller->WriteOutcome(); !written.empty()) {
            return "; " + DescribeSlots(written, m_state.ui);
        }
        const int acks = m_session->Command().Counts().acknowledged - m_acksBefore;
        switch (m_ctx.req.command) {
            case LinkCommand::Push:
                if (m_ctx.pushKind == ProgramFileKind::AllPrograms) {
                    // Each slot is a name write and a program write.
                    return "; " + Fill(Text(TextId::CliProgramsStored),
                                       {std::to_string(acks / 2), std::to_string(kStoredPrograms)});
                }
                return "; " + Fill(Text(TextId::CliProgramsStored),
                                   {std::to_string(std::min(acks, 1)), "1"});
            case LinkCommand::Store:
                return "; " + Fill(Text(TextId::CliFramesAcknowledged),
                                   {std::to_string(std::min(acks, 1 + kChannelCount)),
                                    std::to_string(1 + kChannelCount)});
            case LinkCommand::Pull:
                return m_pullAll ? "; " + MissingPrograms() : std::string();
            case LinkCommand::Recall:
            case LinkCommand::Status:
                return {};
        }
        return {};
    }

    // "program 12-20 not received": the stored programs whose data did not arrive intact
    // since the requested action began.
    std::string MissingPrograms() const {
        std::string list;
        for (const venue::ProgramSpan& span : venue::ProgramsNotReceived(
                 m_programsBefore, m_session->Command().Counts().programData)) {
            list += list.empty() ? "" : ", ";
            list += span.first == span.last
                        ? std::to_string(span.first)
                        : std::to_string(span.first) + '-' + std::to_string(span.last);
        }
        return Fill(Text(TextId::CliProgramsMissing), {list});
    }

    void OnLinkUp(bool complete) {
        if (!complete) {
            FailWithMessage();  // the controller has said what did not arrive
            return;
        }
        m_linkedUp = true;
        if (m_watch->CameBack()) {
            Note(Text(TextId::CliBackOnline));
        }
        // At once, so the request goes out before the idle link's first poll.
        StartAction();
    }

    // A batch hidden without its done popup ended without what it asked for; a closing
    // link hides it too, and says why itself.
    void OnBusyHidden() {
        if (!m_acting) {
            return;
        }
        QTimer::singleShot(0, m_controller, [this] {
            if (!m_finished && m_controller->Linked()) {
                FailWithMessage();
            }
        });
    }

    void FailWithMessage() {
        std::string why = m_view.lastMessage;
        m_view.lastMessage.clear();
        Fail(kExitLink, why);
    }

    void StartAction() {
        if (m_finished) {
            return;
        }
        m_acting = true;
        const ReceiverCounts& counts = m_session->Command().Counts();
        m_acksBefore = counts.acknowledged;
        m_programsBefore = counts.programData;
        LinkController& c = *m_controller;
        const LinkRequest& req = m_ctx.req;
        // A single program is one frame: its bar would count on from the link-up's reads.
        m_view.showProgress = !m_ctx.fleet && !(req.command == LinkCommand::Push &&
                                                m_ctx.pushKind == ProgramFileKind::Single);
        switch (req.command) {
            case LinkCommand::Pull:
                if (m_pullAll) {
                    c.ReadAllPrograms(m_outPath);
                } else {
                    // The bytes the amplifier sent, before the records were loaded from
                    // them; the live name is never read, so it stays zero.
                    DeviceImage::Record record = m_received->received;
                    std::fill_n(record.begin(), kProgramNameSize, 0);
                    WriteResult(WriteBytesFile(record, m_outPath, OutputOverwrite(), &m_writeWhy));
                }
                break;
            case LinkCommand::Push:
                if (m_ctx.pushKind == ProgramFileKind::Single) {
                    std::copy_n(m_ctx.pushBytes.begin(), kProgramRecordSize,
                                m_state.image.ProgramRecord(0).begin());
                    m_channels->LoadAllFromImage();
                    c.SendLiveProgram();
                } else {
                    for (int n = 1; n <= kStoredPrograms; ++n) {
                        std::copy_n(m_ctx.pushBytes.begin() + (n - 1) * kProgramRecordSize,
                                    kProgramRecordSize, m_state.image.ProgramRecord(n).begin());
                    }
                    c.StoreAllPrograms();
                }
                break;
            case LinkCommand::Store:
                c.StoreLiveToSlot(req.slot, req.name, true);
                break;
            case LinkCommand::Recall:
                c.RequestLive(req.slot);
                break;
            case LinkCommand::Status:
                break;  // the next status reply is printed
        }
    }

    void OnDone(TransferDirection direction) {
        if (!m_acting || m_finished) {
            return;  // the link-up's own read of the live program
        }
        switch (m_ctx.req.command) {
            case LinkCommand::Pull:
                if (m_pullAll && direction == TransferDirection::Up) {
                    if (m_view.wrote) {
                        m_writeWhy = m_view.writeWhy;
                        WriteResult(m_view.writeStatus);
                    } else {
                        FailWithMessage();
                    }
                }
                break;
            case LinkCommand::Push:
            case LinkCommand::Store:
                if (direction == TransferDirection::Down) {
                    m_detail = m_ctx.req.command == LinkCommand::Push ? "pushed" : "stored";
                    if (m_ctx.req.verify) {
                        m_detail += ", verified";
                    }
                    Finish(kExitDone, {});
                }
                break;
            case LinkCommand::Recall:
                if (direction == TransferDirection::Up) {
                    Finish(kExitDone, "recalled " + std::to_string(m_ctx.req.slot) + ": " +
                                          LoadFixedText(m_state.image.Name(m_ctx.req.slot), 15));
                }
                break;
            case LinkCommand::Status:
                break;
        }
    }

    void OnStatus() {
        if (m_ctx.req.command != LinkCommand::Status || !m_acting) {
            return;
        }
        m_statusSeen = true;
        ++m_statusCount;
        if (!m_ctx.req.watch) {
            Finish(kExitDone, {});
            return;
        }
        m_watch->Reply({m_view.level[0], m_view.level[1]},
                       {m_view.temperature[0], m_view.temperature[1]},
                       QDateTime::currentMSecsSinceEpoch());
    }

    // Without --force even a file created since Prepare looked is left as it is.
    Overwrite OutputOverwrite() const {
        return m_ctx.req.force ? Overwrite::Replace : Overwrite::Keep;
    }

    void WriteResult(FileStatus st) {
        if (st == FileStatus::Ok) {
            Finish(kExitDone, "wrote " + m_outPath);
            return;
        }
        Fail(kExitFile, DescribeWriteFailure(
                            m_writeWhy, m_outPath,
                            m_pullAll ? TextId::SaveAllMusicFileError : TextId::SaveMusicFileError,
                            m_state.ui));
    }

    // The failure line names the amplifier, the link's own message when it gave one, and why.
    void Fail(int code, const std::string& why) {
        if (m_finished) {
            return;
        }
        std::string line = why;
        if (!m_view.lastMessage.empty()) {
            line += " (" + m_view.lastMessage + ")";
        }
        m_view.lastMessage.clear();
        if (code == kExitLink && Watching() && !m_stopping) {
            GoOffline(line);
            return;
        }
        Note(line);
        m_detail = line;
        Finish(code, {});
    }

    bool Watching() const { return m_ctx.req.command == LinkCommand::Status && m_ctx.req.watch; }

    // A watched amplifier that went away, or did not answer: the link is opened again at
    // once after a link that had been up, then every 30 s until it answers. Reopening
    // starts the controller's own count of reconnections afresh.
    void GoOffline(const std::string& why) {
        const bool wasUp = m_linkedUp;
        m_linkedUp = false;
        m_acting = false;
        m_lost = false;
        const std::string since = Offline() ? OfflineSince() : venue::LocalTimestamp();
        Note(why + "; " + Fill(Text(TextId::CliOfflineSince), {since}) + ", " +
             Fill(Text(TextId::CliTryingAgain), {std::to_string(venue::kWatchRetryMs / 1000)}));
        LinkController& c = *m_controller;
        if (c.Linked() || c.Opening()) {
            c.CloseLink();
        }
        if (m_watch->WentAway(wasUp, since)) {
            ++m_statusCount;  // the display shows the change
        }
    }

    void Finish(int code, const std::string& result) {
        if (m_finished) {
            return;
        }
        m_watch->Stop();
        m_finished = true;
        m_exit = code;
        m_elapsedMs = m_clock.elapsed();
        m_view.FinishProgress();
        if (!result.empty()) {
            m_detail = result;
            if (!m_ctx.fleet) {
                m_ctx.out << Shown(result) << '\n' << std::flush;
            }
        }
        LinkController& c = *m_controller;
        if (c.Linked() || c.Opening()) {
            c.CloseLink();
        }
        m_done();
    }

    RunContext& m_ctx;
    FleetMember m_member;
    std::function<void()> m_done;
    SharedState m_state;
    CliView m_view;
    std::unique_ptr<ChannelSet> m_channels;
    std::unique_ptr<ChannelSetModel> m_model;
    std::unique_ptr<ReceivedLiveModel> m_received;
    std::unique_ptr<DeviceSession> m_session;
    LinkController* m_controller = nullptr;
    NetworkLink* m_tcp = nullptr;  // the tool's own TCP link, null when a test put one in
    QElapsedTimer m_clock;
    std::string m_outPath;
    FileWriteResult m_writeWhy;
    std::string m_detail;
    qint64 m_elapsedMs = 0;
    bool m_pullAll = false;
    bool m_linkedUp = false;
    bool m_acting = false;
    bool m_finished = false;
    bool m_lost = false;
    bool m_statusSeen = false;
    bool m_stopping = false;
    std::uint64_t m_statusCount = 0;
    std::unique_ptr<venue::AmplifierWatch> m_watch;
    int m_acksBefore = 0;
    venue::ProgramArrivals m_programsBefore{};
    int m_exit = kExitLink;
};

volatile std::sig_atomic_t g_interrupted = 0;  // the signal's number
extern "C" void OnInterrupt(int sig) {
    g_interrupted = sig;
}

// Checks the file to push once, for every amplifier, and says why it is refused.
int PreparePush(RunContext& ctx, const UiState& ui) {
    const std::string& path = ctx.req.file;
    venue::PushPlan plan = venue::PreparePush(path, ctx.req.force);
    const auto kindText = [&](ProgramFileKind k) -> std::string {
        if (k == ProgramFileKind::Single)
            return ui.Text(TextId::CliKindSingle);
        if (k == ProgramFileKind::AllPrograms)
            return ui.Text(TextId::CliKindAll);
        return std::to_string(plan.size) + " bytes";
    };
    switch (plan.refusal) {
        case venue::PushRefusal::None:
            break;
        case venue::PushRefusal::UnknownExtension:
            ctx.err << ui.Text(TextId::CliUnknownFileKind) << ' ' << path << '\n';
            return kExitUsage;
        case venue::PushRefusal::Unreadable:
            return ReportReadFailure(plan.read, path, ui, ctx.err);
        case venue::PushRefusal::KindMismatch:
            ctx.err << Fill(ui.Text(TextId::CliKindMismatch),
                            {path, kindText(plan.wanted), kindText(plan.kind)})
                    << '\n';
            return kExitFile;
        case venue::PushRefusal::ProgramRejected: {
            std::string bad = DescribeFault(*plan.fault, ui.language);
            if (plan.program > 0) {
                bad = "program " + std::to_string(plan.program) + ": " + bad;
            }
            ctx.err << Fill(ui.Text(TextId::CliProgramRejected), {path, bad}) << '\n';
            return kExitFile;
        }
    }
    ctx.pushKind = plan.kind;
    ctx.pushBytes = std::move(plan.bytes);
    return kExitDone;
}

constexpr int kExitSignalBase = 128;  // the shell's convention: 130 SIGINT, 143 SIGTERM
constexpr std::size_t kColumnGap = 2;
constexpr std::size_t kOutcomeWidth = 8;

// Pads to a width in terminal columns, so Chinese headings and names line up.
std::string PadTo(const std::string& text, std::size_t width) {
    const std::size_t used = DisplayWidth(text);
    return text + std::string(used < width ? width - used : 1, ' ');
}

// All amplifiers of the command on one event loop, with the summary, the status table and
// the watch display.
class FleetRunner {
public:
    FleetRunner(const LinkRequest& req, Language language, std::ostream& out, std::ostream& err,
                const LinkParts& parts)
        : m_ctx{req, language, out, err, req.fleet.size() > 1, {}, ProgramFileKind::Unknown},
          m_parts(parts),
          m_clock(parts.scheduler ? parts.scheduler()
                                  : std::unique_ptr<LinkScheduler>(new QtLinkScheduler())) {
        m_ui.language = language;
        m_ctx.clock = m_clock.get();
    }

    int Run() {
        if (m_ctx.req.command == LinkCommand::Push) {
            if (const int rc = PreparePush(m_ctx, m_ui); rc != kExitDone) {
                return rc;
            }
        }
        if (!m_parts.transport) {
            // Every amplifier holds a socket or a port, a trace and a file being written.
            const std::uint64_t amps = m_ctx.req.fleet.size();
            const std::uint64_t needed = kBaseFiles + kFilesPerAmplifier * amps;
            std::uint64_t limit = 0;
            if (!RaiseOpenFileLimit(needed, limit)) {
                m_ctx.err << Fill(m_ui.Text(TextId::CliFileLimit),
                                  {std::to_string(amps), std::to_string(needed),
                                   std::to_string(limit)})
                          << '\n';
                return kExitLink;
            }
        }
        for (const FleetMember& m : m_ctx.req.fleet) {
            m_runs.push_back(std::make_unique<AmpRun>(m_ctx, m, m_parts, [this] { OnRunDone(); }));
        }
        const bool watching = m_ctx.req.command == LinkCommand::Status && m_ctx.req.watch;
        // Every command stops on an interrupt at the next poll: between frames, so what
        // each amplifier holds can still be told.
        g_interrupted = 0;
        std::signal(SIGINT, OnInterrupt);
        std::signal(SIGTERM, OnInterrupt);
        int guard = 0;
        if (!watching) {
            guard = m_clock->After(m_ctx.req.timeoutSeconds * 1000, [this] {
                StopAll(kExitLink, Fill(m_ui.Text(TextId::CliTimedOutAfter),
                                        {std::to_string(m_ctx.req.timeoutSeconds)}));
            });
        }
        // Watches for an interrupt and paces the status display.
        m_clock->StartPacing(kPollTimer, kPacingIntervalMs, [this] { OnPoll(); });
        for (auto& run : m_runs) {
            run->Start();
        }
        if (!AllFinished()) {
            m_loop.exec();
        }
        m_clock->StopPacing();
        m_clock->Cancel(guard);
        m_clock->Cancel(m_intervalWait);
        return Conclude();
    }

private:
    bool AllFinished() const {
        return std::all_of(m_runs.begin(), m_runs.end(),
                           [](const auto& r) { return r->Finished(); });
    }

    void OnRunDone() {
        if (AllFinished()) {
            m_loop.quit();
        }
    }

    void StopAll(int code, const std::string& why) {
        for (auto& run : m_runs) {
            if (!run->Finished()) {
                run->Stop(code, why);
            }
        }
    }

    void OnPoll() {
        if (g_interrupted != 0 && m_signal == 0) {
            m_signal = g_interrupted;
            if (m_ctx.req.command == LinkCommand::Status && m_ctx.req.watch) {
                StopAll(kExitDone, {});  // the way a watch is meant to end
            } else {
                StopAll(kExitSignalBase + m_signal, m_ui.Text(TextId::CliInterrupted));
            }
            return;
        }
        if (m_ctx.req.command != LinkCommand::Status || !m_ctx.req.watch) {
            return;
        }
        std::uint64_t seen = 0;
        for (const auto& run : m_runs) {
            seen += run->StatusCount();
        }
        const bool due = !m_shownOnce || m_intervalPassed;
        if (seen != m_seenShown && due) {
            m_seenShown = seen;
            m_shownOnce = true;
            m_intervalPassed = false;
            m_intervalWait = m_clock->After(m_ctx.req.intervalSeconds * 1000, [this] {
                m_intervalWait = 0;
                m_intervalPassed = true;
            });
            ShowStatus(true);
        }
    }

    // One line for one amplifier, or a table of all of them.
    void ShowStatus(bool watching) {
        std::ostream& out = m_ctx.out;
        const bool tty = IsTerminal(1);
        if (!m_ctx.fleet) {
            const AmpRun& run = *m_runs.front();
            const CliView& v = run.View();
            if (watching) {
                out << venue::LocalTimestamp() << ' ';
            }
            if (run.Offline()) {
                out << Fill(m_ui.Text(TextId::CliOfflineSince), {run.OfflineSince()}) << '\n'
                    << std::flush;
            } else {
                out << "level1 " << v.level[0] << " level2 " << v.level[1] << " temp1 "
                    << v.temperature[0] << " temp2 " << v.temperature[1] << '\n'
                    << std::flush;
            }
        } else {
            std::ostringstream table;
            if (watching) {
                table << venue::LocalTimestamp() << '\n';
            }
            std::size_t width = DisplayWidth(m_ui.Text(TextId::CliStatusHeading));
            for (const auto& run : m_runs) {
                width = std::max(width, DisplayWidth(run->Member().name));
            }
            width += kColumnGap;
            table << PadTo(m_ui.Text(TextId::CliStatusHeading), width)
                  << "level1 level2  temp1  temp2\n";
            for (const auto& run : m_runs) {
                table << PadTo(run->Member().name, width);
                if (run->Offline()) {
                    table << Fill(m_ui.Text(TextId::CliOfflineSince), {run->OfflineSince()});
                } else if (run->HasStatus() && (!run->Finished() || run->Exit() == kExitDone)) {
                    const CliView& v = run->View();
                    table << std::right << std::setw(6) << v.level[0] << std::setw(7) << v.level[1]
                          << std::setw(7) << v.temperature[0] << std::setw(7) << v.temperature[1];
                } else if (run->Finished() && run->Exit() != kExitDone) {
                    table << m_ui.Text(TextId::CliOutcomeFailed) << ": " << Shown(run->Detail());
                } else {
                    table << "-";
                }
                table << '\n';
            }
            const std::string text = table.str();
            if (watching && tty && m_tableLines > 0) {
                out << "\x1b[" << m_tableLines << "A\x1b[J";  // redraw the table in place
            }
            m_tableLines = static_cast<int>(std::count(text.begin(), text.end(), '\n'));
            out << text << std::flush;
        }
        CheckOutput();
    }

    void CheckOutput() {
        if (!m_ctx.out.good() && !m_outputFailed) {
            m_outputFailed = true;
            m_ctx.err << m_ui.Text(TextId::CliStdoutFailed) << '\n' << std::flush;
            StopAll(kExitFile, {});
        }
    }

    int Conclude() {
        const LinkRequest& req = m_ctx.req;
        if (req.command == LinkCommand::Status && !req.watch && !m_outputFailed) {
            const bool any = std::any_of(m_runs.begin(), m_runs.end(),
                                         [](const auto& r) { return r->HasStatus(); });
            if (any) {
                ShowStatus(false);
            }
        }
        // All failed: the lowest of their codes, whatever order the amplifiers were listed in
        // (a usage or file mistake before a link failure, before one not verified).
        int failed = 0;
        int firstFailure = kExitDone;
        for (const auto& run : m_runs) {
            if (run->Exit() != kExitDone) {
                ++failed;
                firstFailure =
                    firstFailure == kExitDone ? run->Exit() : std::min(firstFailure, run->Exit());
            }
        }
        if (m_ctx.fleet && !m_outputFailed) {
            std::size_t width = 0;
            for (const auto& run : m_runs) {
                width = std::max(width, DisplayWidth(run->Member().name));
            }
            width += kColumnGap;
            for (const auto& run : m_runs) {
                const bool ok = run->Exit() == kExitDone;
                std::ostringstream time;
                time.imbue(std::locale::classic());
                time << std::fixed << std::setprecision(1) << run->ElapsedSeconds() << " s";
                m_ctx.out << PadTo(run->Member().name, width)
                          << PadTo(m_ui.Text(ok ? TextId::CliOutcomeOk : TextId::CliOutcomeFailed),
                                   kOutcomeWidth)
                          << std::right << std::setw(8) << time.str() << "  "
                          << Shown(run->Detail()) << '\n';
            }
            m_ctx.out << std::flush;
            CheckOutput();
        }
        if (m_outputFailed) {
            return kExitFile;
        }
        if (m_signal != 0 && !(req.command == LinkCommand::Status && req.watch)) {
            return kExitSignalBase + m_signal;
        }
        if (failed == 0) {
            return kExitDone;
        }
        if (!m_ctx.fleet) {
            return firstFailure;
        }
        m_ctx.err << Fill(m_ui.Text(TextId::CliSummarySome),
                          {std::to_string(failed), std::to_string(m_runs.size())})
                  << '\n';
        return failed == std::ssize(m_runs) ? firstFailure : kExitSomeFailed;
    }

    // The run's own clock has one repeating timer: the poll.
    static constexpr int kPollTimer = 1;
    // Open files: the process's own (standard streams, Qt's event loop, libraries) and each
    // amplifier's (link, trace, the file being written and its folder while it is synced).
    static constexpr std::uint64_t kBaseFiles = 64;
    static constexpr std::uint64_t kFilesPerAmplifier = 4;

    RunContext m_ctx;
    const LinkParts& m_parts;
    std::unique_ptr<LinkScheduler> m_clock;
    UiState m_ui;
    std::vector<std::unique_ptr<AmpRun>> m_runs;
    QEventLoop m_loop;
    std::uint64_t m_seenShown = 0;
    bool m_shownOnce = false;
    bool m_intervalPassed = false;  // the watch's interval since the last print has passed
    int m_intervalWait = 0;
    int m_tableLines = 0;
    bool m_outputFailed = false;
    int m_signal = 0;
};

}  // namespace

int RunLinkCommand(const LinkRequest& request, Language language, std::ostream& out,
                   std::ostream& err, const LinkParts& parts) {
    FleetRunner runner(request, language, out, err, parts);
    return runner.Run();
}

}  // namespace tolmarin::cli
