#include "CliLink.h"

#include <csignal>
#include <filesystem>
#include <iomanip>
#include <memory>
#include <sstream>

#include "CliOffline.h"
#include "CliPlatform.h"
#include "link/LinkScheduler.h"
#include "link/WriteCheck.h"
#include "model/ProgramCheck.h"
#include "protocol/Protocol.h"
#include "venue/FleetRun.h"
#include "venue/PushPlan.h"
#include "venue/Watch.h"

// The tool's side of a linking command: its words, progress bar, status table, summary,
// signals and exit codes around the venue's fleet run, which links and acts.

namespace tolmarin::cli {

namespace {

namespace fs = std::filesystem;
using venue::AmplifierOutcome;
using venue::Operation;
using venue::RunError;
using venue::RunResult;

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

// The link's own messages for one amplifier, kept for its failure line.
class LinkMessages : public MessageSink {
public:
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

    // The message so far, once: the next line starts without it.
    std::string Take() {
        std::string text = std::move(lastMessage);
        lastMessage.clear();
        return text;
    }

    std::string lastMessage;
};

venue::Interrupt g_interrupt;
extern "C" void OnInterrupt(int sig) {
    g_interrupt.Request(sig);
}

// Checks the file to push once, for every amplifier, and says why it is refused.
int PreparePush(const LinkRequest& req, venue::RunRequest& run, const UiState& ui,
                std::ostream& err) {
    const std::string& path = req.file;
    venue::PushPlan plan = venue::PreparePush(path, req.force);
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
            err << ui.Text(TextId::CliUnknownFileKind) << ' ' << path << '\n';
            return kExitUsage;
        case venue::PushRefusal::Unreadable:
            return ReportReadFailure(plan.read, path, ui, err);
        case venue::PushRefusal::KindMismatch:
            err << Fill(ui.Text(TextId::CliKindMismatch),
                        {path, kindText(plan.wanted), kindText(plan.kind)})
                << '\n';
            return kExitFile;
        case venue::PushRefusal::ProgramRejected: {
            std::string bad = DescribeFault(*plan.fault, ui.language);
            if (plan.program > 0) {
                bad = "program " + std::to_string(plan.program) + ": " + bad;
            }
            err << Fill(ui.Text(TextId::CliProgramRejected), {path, bad}) << '\n';
            return kExitFile;
        }
    }
    run.pushKind = plan.kind;
    run.pushBytes = std::move(plan.bytes);
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

Operation OperationOf(LinkCommand command) {
    switch (command) {
        case LinkCommand::Pull:
            return Operation::Pull;
        case LinkCommand::Push:
            return Operation::Push;
        case LinkCommand::Store:
            return Operation::Store;
        case LinkCommand::Recall:
            return Operation::Recall;
        case LinkCommand::Status:
            break;
    }
    return Operation::Status;
}

// A linking command as the tool shows it: the checks before linking, one line per event
// on standard error, the result, the status table or the watch display, the summary.
class CliRun : public venue::RunObserver {
public:
    CliRun(const LinkRequest& req, Language language, std::ostream& out, std::ostream& err,
           const LinkParts& parts)
        : m_req(req), m_out(out), m_err(err), m_parts(parts), m_fleetMode(req.fleet.size() > 1) {
        m_ui.language = language;
        m_run.operation = OperationOf(req.command);
        m_run.fleet = req.fleet;
        m_run.file = req.file;
        m_run.slot = req.slot;
        m_run.name = req.name;
        m_run.watch = req.watch;
        m_run.force = req.force;
        m_run.verify = req.verify;
        m_run.trace = req.trace;
        m_run.timeoutSeconds = req.timeoutSeconds;
        for (std::size_t i = 0; i < req.fleet.size(); ++i) {
            m_amps.push_back(std::make_unique<Amp>(i, err));
        }
    }

    int Run() {
        if (m_req.command == LinkCommand::Push) {
            if (const int rc = PreparePush(m_req, m_run, m_ui, m_err); rc != kExitDone) {
                return rc;
            }
        }
        if (!m_parts.transport) {
            // Every amplifier holds a socket or a port, a trace and a file being written.
            const std::uint64_t amps = m_req.fleet.size();
            const std::uint64_t needed = kBaseFiles + kFilesPerAmplifier * amps;
            std::uint64_t limit = 0;
            if (!RaiseOpenFileLimit(needed, limit)) {
                m_err << Fill(m_ui.Text(TextId::CliFileLimit),
                              {std::to_string(amps), std::to_string(needed), std::to_string(limit)})
                      << '\n';
                return kExitLink;
            }
        }
        venue::FleetRun fleet(m_run, *this, g_interrupt, m_parts);
        m_fleet = &fleet;
        // Every command stops on an interrupt at the next poll: between frames, so what
        // each amplifier holds can still be told.
        g_interrupt.Clear();
        std::signal(SIGINT, OnInterrupt);
        std::signal(SIGTERM, OnInterrupt);
        const std::vector<AmplifierOutcome> outcomes = fleet.Run();
        fleet.Clock().Cancel(m_intervalWait);
        m_signal = fleet.InterruptSignal();
        const int rc = Conclude();
        m_fleet = nullptr;
        return rc;
    }

private:
    struct Amp {
        Amp(std::size_t i, std::ostream& err) : index(i), progress(err) {}
        std::size_t index;
        LinkMessages messages;
        ProgressReporter progress;
        bool showProgress = false;
        int exit = kExitLink;
        std::string detail;
    };

    const char* Text(TextId id) const { return m_ui.Text(id); }
    bool Watching() const { return m_req.command == LinkCommand::Status && m_req.watch; }

    std::string Where(std::size_t i) const {
        const FleetMember& m = m_req.fleet[i];
        return m_fleetMode ? m.name + " (" + m.url + ")" : m.url;
    }

    void FinishProgress(Amp& a) {
        a.showProgress = false;
        a.progress.Finish();
    }

    void Note(std::size_t i, const std::string& text) {
        FinishProgress(*m_amps[i]);
        m_err << Shown(Where(i) + ": " + text) << '\n' << std::flush;
    }

    int Refuse(Amp& a, int code, const std::string& why) {
        a.detail = why;
        m_err << Shown((m_fleetMode ? Where(a.index) + ": " : std::string()) + why) << '\n'
              << std::flush;
        return code;
    }

    // Reads and checks everything that does not need the amplifier, before linking.
    int Prepare(Amp& a) {
        const LinkRequest& req = m_req;
        const FleetMember& member = m_req.fleet[a.index];
        if (!req.trace.empty()) {
            // Opening a named pipe would wait for a reader, and a device is no trace.
            const std::string why = NotRegularFile(ExpandName(req.trace, member.name), m_ui);
            if (!why.empty()) {
                return Refuse(a, kExitFile, why);
            }
        }
        switch (req.command) {
            case LinkCommand::Pull: {
                const std::string outPath = ExpandName(req.file, member.name);
                const bool pullAll =
                    fs::path(outPath).filename().string().ends_with(kAllProgramsExtension);
                const bool single =
                    fs::path(outPath).filename().string().ends_with(kSingleProgramExtension);
                std::string why;
                if (!pullAll && !single) {
                    why = std::string(m_ui.Text(TextId::CliUnknownFileKind)) + ' ' + outPath;
                    return Refuse(a, kExitUsage, why);
                }
                fs::path folder = fs::path(outPath).parent_path();
                if (folder.empty()) {
                    folder = ".";
                }
                std::error_code ec;
                if (!fs::is_directory(folder, ec)) {
                    return Refuse(a, kExitFile,
                                  Fill(m_ui.Text(TextId::CliNotAFolder), {folder.string()}));
                }
                if (!IsWritableFolder(folder)) {
                    return Refuse(a, kExitFile,
                                  Fill(m_ui.Text(TextId::CliFolderNotWritable), {folder.string()}));
                }
                // --force replaces a file, never a folder, a pipe or a device.
                if (const std::string notFile = NotRegularFile(outPath, m_ui); !notFile.empty()) {
                    return Refuse(a, kExitFile, notFile);
                }
                if (fs::exists(fs::symlink_status(outPath, ec)) && !req.force) {
                    return Refuse(a, kExitFile, Fill(m_ui.Text(TextId::CliFileExists), {outPath}));
                }
                return kExitDone;
            }
            case LinkCommand::Store:
                if (req.name.empty()) {
                    return Refuse(a, kExitUsage, m_ui.Text(TextId::CliProgramNameEmpty));
                }
                if (req.name.size() > 12 ||
                    req.name.find_first_not_of("0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ"
                                               "abcdefghijklmnopqrstuvwxyz") != std::string::npos) {
                    return Refuse(a, kExitUsage, m_ui.Text(TextId::CliBadProgramName));
                }
                return kExitDone;
            case LinkCommand::Push:
            case LinkCommand::Recall:
            case LinkCommand::Status:
                return kExitDone;
        }
        return kExitUsage;
    }

    // RunObserver: what the fleet run says, in the tool's words.
    bool Prepare(std::size_t i) override {
        Amp& a = *m_amps[i];
        const int rc = Prepare(a);
        if (rc != kExitDone) {
            a.exit = rc;
            return false;
        }
        return true;
    }
    MessageSink* Messages(std::size_t i) override { return &m_amps[i]->messages; }
    void Reconnecting(std::size_t i, int attempt, bool corrupt) override {
        const std::string of = std::to_string(kNetworkMaxReconnects);
        Note(i, corrupt ? Fill(Text(TextId::CliReconnectingCorrupt), {std::to_string(attempt), of})
                        : Fill(Text(TextId::CliReconnecting),
                               {Seconds(kNetworkNoReplySeconds), std::to_string(attempt), of}));
    }
    void ConnectionLost(std::size_t i) override { Note(i, Text(TextId::CliConnectionLost)); }
    void BackOnline(std::size_t i) override { Note(i, Text(TextId::CliBackOnline)); }
    void WentOffline(const AmplifierOutcome& o) override {
        Note(o.index,
             Line(o) + "; " + Fill(Text(TextId::CliOfflineSince), {o.offlineSince}) + ", " +
                 Fill(Text(TextId::CliTryingAgain), {std::to_string(venue::kWatchRetryMs / 1000)}));
    }
    void OperationStarted(std::size_t i) override {
        // Only the requested transfer shows progress, not the link-up's reads before it; a
        // single program is one frame: its bar would count on from the link-up's reads.
        m_amps[i]->showProgress = !m_fleetMode && !(m_req.command == LinkCommand::Push &&
                                                    m_run.pushKind == ProgramFileKind::Single);
    }
    void ProgressRange(std::size_t i, int high) override {
        if (m_amps[i]->showProgress) {
            m_amps[i]->progress.Range(high);
        }
    }
    void ProgressPos(std::size_t i, int pos) override {
        if (m_amps[i]->showProgress) {
            m_amps[i]->progress.Pos(pos);
        }
    }
    void Finished(const AmplifierOutcome& o) override {
        Amp& a = *m_amps[o.index];
        a.exit = ExitCode(o);
        if (o.result == RunResult::Ok) {
            FinishProgress(a);
            const std::string result = Result(o);
            if (!result.empty()) {
                a.detail = result;
                if (!m_fleetMode) {
                    m_out << Shown(result) << '\n' << std::flush;
                }
            }
            return;
        }
        if (o.error == RunError::Stopped) {
            FinishProgress(a);
            return;
        }
        // The failure line names the amplifier, the link's own message when it gave one,
        // and why.
        const std::string line = Line(o);
        Note(o.index, line);
        a.detail = line;
        FinishProgress(a);
    }
    void Tick() override {
        if (!Watching()) {
            return;
        }
        const std::uint64_t seen = m_fleet->StatusCount();
        const bool due = !m_shownOnce || m_intervalPassed;
        if (seen != m_seenShown && due) {
            m_seenShown = seen;
            m_shownOnce = true;
            m_intervalPassed = false;
            m_intervalWait = m_fleet->Clock().After(m_req.intervalSeconds * 1000, [this] {
                m_intervalWait = 0;
                m_intervalPassed = true;
            });
            ShowStatus(true);
        }
    }

    int ExitCode(const AmplifierOutcome& o) const {
        switch (o.result) {
            case RunResult::Ok:
                return kExitDone;
            case RunResult::NotVerified:
                return kExitUnverified;
            case RunResult::Interrupted:
                return kExitSignalBase + o.signal;
            case RunResult::Running:
            case RunResult::Offline:
            case RunResult::Failed:
                break;
        }
        switch (o.error) {
            case RunError::Refused:
                return m_amps[o.index]->exit;
            case RunError::TraceUnopenable:
            case RunError::WriteFailed:
            case RunError::Stopped:
                return kExitFile;
            default:
                return kExitLink;
        }
    }

    // What a finished amplifier did, as its line says it.
    std::string Result(const AmplifierOutcome& o) const {
        switch (m_req.command) {
            case LinkCommand::Pull:
                return "wrote " + ExpandName(m_req.file, m_req.fleet[o.index].name);
            case LinkCommand::Recall:
                return "recalled " + std::to_string(o.slot) + ": " + o.programName;
            case LinkCommand::Push:
            case LinkCommand::Store:
                // Kept for the summary, not printed.
                m_amps[o.index]->detail =
                    std::string(m_req.command == LinkCommand::Push ? "pushed" : "stored") +
                    (m_req.verify ? ", verified" : "");
                return {};
            case LinkCommand::Status:
                return {};
        }
        return {};
    }

    // Why an amplifier failed, with the link's own message when it gave one.
    std::string Line(const AmplifierOutcome& o) {
        LinkMessages& messages = m_amps[o.index]->messages;
        std::string why;
        switch (o.error) {
            case RunError::LinkUpIncomplete:
            case RunError::BatchIncomplete:
            case RunError::NotVerified:
                return messages.Take();  // the link has said what did not arrive or differ
            case RunError::TraceUnopenable:
                why = std::string(Text(TextId::CliCannotOpenFile)) + ' ' + o.path;
                break;
            case RunError::PortFailed:
                why = Text(TextId::CliPortFailed);
                break;
            case RunError::ConnectRefused:
                why = Text(TextId::CliConnectRefused);
                break;
            case RunError::ConnectNoAnswer:
                why =
                    Fill(Text(TextId::CliConnectNoAnswer), {Seconds(o.connectTimeoutMs / 1000.0)});
                break;
            case RunError::ConnectFailed:
                why = Fill(Text(TextId::CliConnectFailed), {o.systemError});
                break;
            case RunError::NoReply:
            case RunError::BadChecksum:
            case RunError::GaveUp:
            case RunError::ReconnectFailed:
                why = o.error == RunError::NoReply
                          ? Fill(Text(TextId::CliNoReplyFor), {Seconds(kSerialNoReplySeconds)})
                          : Text(o.error == RunError::BadChecksum ? TextId::CliBadChecksum
                                 : o.error == RunError::GaveUp    ? TextId::CliGaveUp
                                                                  : TextId::CliReconnectFailed);
                if (o.connectionLost) {
                    why = std::string(Text(TextId::CliConnectionLost)) + ", " + why;
                }
                break;
            case RunError::WriteFailed:
                why = DescribeWriteFailure(
                    o.write, o.path,
                    PullsAll(o.index) ? TextId::SaveAllMusicFileError : TextId::SaveMusicFileError,
                    m_ui);
                break;
            case RunError::TimedOut:
                why = Fill(Text(TextId::CliTimedOutAfter), {std::to_string(m_req.timeoutSeconds)});
                break;
            case RunError::Interrupted:
                why = Text(TextId::CliInterrupted);
                break;
            case RunError::None:
            case RunError::Refused:
            case RunError::Stopped:
                break;
        }
        if (o.cut) {
            why += CutOffText(o.index, *o.cut);
        }
        const std::string said = messages.Take();
        return said.empty() ? why : why + " (" + said + ")";
    }

    bool PullsAll(std::size_t i) const {
        return m_req.command == LinkCommand::Pull &&
               fs::path(ExpandName(m_req.file, m_req.fleet[i].name))
                   .filename()
                   .string()
                   .ends_with(kAllProgramsExtension);
    }

    // What a batch cut off part way had done, for the failure line.
    std::string CutOffText(std::size_t i, const venue::CutOff& cut) const {
        if (cut.duringLinkUp) {
            return ", " + std::string(Text(TextId::CliDuringLinkUp));
        }
        if (!cut.programs.empty()) {
            return "; " + DescribeSlots(cut.programs, m_ui);
        }
        const int acks = cut.acknowledged;
        switch (m_req.command) {
            case LinkCommand::Push:
                if (m_run.pushKind == ProgramFileKind::AllPrograms) {
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
                return PullsAll(i) ? "; " + MissingPrograms(cut.missing) : std::string();
            case LinkCommand::Recall:
            case LinkCommand::Status:
                return {};
        }
        return {};
    }

    // "program 12-20 not received": the stored programs whose data did not arrive intact
    // since the requested action began.
    std::string MissingPrograms(const std::vector<venue::ProgramSpan>& missing) const {
        std::string list;
        for (const venue::ProgramSpan& span : missing) {
            list += list.empty() ? "" : ", ";
            list += span.first == span.last
                        ? std::to_string(span.first)
                        : std::to_string(span.first) + '-' + std::to_string(span.last);
        }
        return Fill(Text(TextId::CliProgramsMissing), {list});
    }

    // One line for one amplifier, or a table of all of them.
    void ShowStatus(bool watching) {
        std::ostream& out = m_out;
        const bool tty = IsTerminal(1);
        const std::size_t count = m_amps.size();
        if (!m_fleetMode) {
            const AmplifierOutcome& o = m_fleet->Outcome(0);
            if (watching) {
                out << venue::LocalTimestamp() << ' ';
            }
            if (o.result == RunResult::Offline) {
                out << Fill(m_ui.Text(TextId::CliOfflineSince), {o.offlineSince}) << '\n'
                    << std::flush;
            } else {
                out << "level1 " << o.levels[0] << " level2 " << o.levels[1] << " temp1 "
                    << o.temperatures[0] << " temp2 " << o.temperatures[1] << '\n'
                    << std::flush;
            }
        } else {
            std::ostringstream table;
            if (watching) {
                table << venue::LocalTimestamp() << '\n';
            }
            std::size_t width = DisplayWidth(m_ui.Text(TextId::CliStatusHeading));
            for (const FleetMember& m : m_req.fleet) {
                width = std::max(width, DisplayWidth(m.name));
            }
            width += kColumnGap;
            table << PadTo(m_ui.Text(TextId::CliStatusHeading), width)
                  << "level1 level2  temp1  temp2\n";
            for (std::size_t i = 0; i < count; ++i) {
                const AmplifierOutcome& o = m_fleet->Outcome(i);
                const bool finished = m_fleet->Finished(i);
                const int exit = m_amps[i]->exit;
                table << PadTo(m_req.fleet[i].name, width);
                if (o.result == RunResult::Offline) {
                    table << Fill(m_ui.Text(TextId::CliOfflineSince), {o.offlineSince});
                } else if (o.hasStatus && (!finished || exit == kExitDone)) {
                    table << std::right << std::setw(6) << o.levels[0] << std::setw(7)
                          << o.levels[1] << std::setw(7) << o.temperatures[0] << std::setw(7)
                          << o.temperatures[1];
                } else if (finished && exit != kExitDone) {
                    table << m_ui.Text(TextId::CliOutcomeFailed) << ": "
                          << Shown(m_amps[i]->detail);
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
        if (!m_out.good() && !m_outputFailed) {
            m_outputFailed = true;
            m_err << m_ui.Text(TextId::CliStdoutFailed) << '\n' << std::flush;
            if (m_fleet != nullptr) {
                m_fleet->StopAll(RunResult::Failed, RunError::Stopped);
            }
        }
    }

    int Conclude() {
        const LinkRequest& req = m_req;
        if (req.command == LinkCommand::Status && !req.watch && !m_outputFailed) {
            bool any = false;
            for (std::size_t i = 0; i < m_amps.size(); ++i) {
                any = any || m_fleet->Outcome(i).hasStatus;
            }
            if (any) {
                ShowStatus(false);
            }
        }
        // All failed: the lowest of their codes, whatever order the amplifiers were listed in
        // (a usage or file mistake before a link failure, before one not verified).
        int failed = 0;
        int firstFailure = kExitDone;
        for (const auto& a : m_amps) {
            if (a->exit != kExitDone) {
                ++failed;
                firstFailure =
                    firstFailure == kExitDone ? a->exit : std::min(firstFailure, a->exit);
            }
        }
        if (m_fleetMode && !m_outputFailed) {
            std::size_t width = 0;
            for (const FleetMember& m : m_req.fleet) {
                width = std::max(width, DisplayWidth(m.name));
            }
            width += kColumnGap;
            for (const auto& a : m_amps) {
                const bool ok = a->exit == kExitDone;
                std::ostringstream time;
                time.imbue(std::locale::classic());
                time << std::fixed << std::setprecision(1)
                     << static_cast<double>(m_fleet->Outcome(a->index).elapsedMs) / 1000.0 << " s";
                m_out << PadTo(m_req.fleet[a->index].name, width)
                      << PadTo(m_ui.Text(ok ? TextId::CliOutcomeOk : TextId::CliOutcomeFailed),
                               kOutcomeWidth)
                      << std::right << std::setw(8) << time.str() << "  " << Shown(a->detail)
                      << '\n';
            }
            m_out << std::flush;
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
        if (!m_fleetMode) {
            return firstFailure;
        }
        m_err << Fill(m_ui.Text(TextId::CliSummarySome),
                      {std::to_string(failed), std::to_string(m_amps.size())})
              << '\n';
        return failed == std::ssize(m_amps) ? firstFailure : kExitSomeFailed;
    }

    // Open files: the process's own (standard streams, Qt's event loop, libraries) and each
    // amplifier's (link, trace, the file being written and its folder while it is synced).
    static constexpr std::uint64_t kBaseFiles = 64;
    static constexpr std::uint64_t kFilesPerAmplifier = 4;

    const LinkRequest& m_req;
    std::ostream& m_out;
    std::ostream& m_err;
    const LinkParts& m_parts;
    bool m_fleetMode;
    UiState m_ui;
    venue::RunRequest m_run;
    std::vector<std::unique_ptr<Amp>> m_amps;
    venue::FleetRun* m_fleet = nullptr;
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
    CliRun run(request, language, out, err, parts);
    return run.Run();
}

}  // namespace tolmarin::cli
