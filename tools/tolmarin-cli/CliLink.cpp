#include "CliLink.h"

#include <unistd.h>

#include <QCoreApplication>
#include <QEventLoop>
#include <QTimer>

#include <charconv>
#include <csignal>
#include <functional>
#include <memory>

#include "CliOffline.h"
#include "link/ChannelSetModel.h"
#include "link/DeviceLink.h"
#include "link/LinkController.h"
#include "link/LinkView.h"
#include "model/KTV_Data.h"
#include "protocol/DataDefine.h"
#include "protocol/ProgramFile.h"

namespace tolmarin::cli {

namespace {

std::optional<int> ToPort(std::string_view text) {
    int v = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), v);
    if (ec != std::errc() || end != text.data() + text.size() || v < 1 || v > 65535) {
        return std::nullopt;
    }
    return v;
}

// Progress of a batch on standard error: a bar on a terminal, plain lines otherwise.
class ProgressReporter {
public:
    explicit ProgressReporter(std::ostream& err) : m_err(err), m_tty(isatty(2) != 0) {}
    ~ProgressReporter() { Finish(); }

    void Range(int high) {
        Finish();
        m_high = high;
        m_shown = -1;
    }
    void Pos(int pos) {
        if (m_high <= 1 || pos == m_shown || pos < 0) {
            return;  // single-item transfers show no progress
        }
        m_shown = pos;
        if (m_tty) {
            const int width = 30;
            const int filled = m_high > 0 ? pos * width / m_high : 0;
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

// The form as the command-line tool has it: messages to standard error, progress as
// above, levels and temperatures kept for printing, and the all-programs file it was given.
class CliView : public LinkView, public MessageSink {
public:
    explicit CliView(std::ostream& err) : m_err(err), m_progress(err) {}

    void ShowMessage(std::string_view text, MessageKind) override {
        m_progress.Finish();
        m_err << text << '\n' << std::flush;
        messages = true;
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
    void ShowTransferDone(int direction) override {
        if (onDone) {
            onDone(direction);
        }
    }
    // Hidden without the done popup: the batch ended without what it asked for (the
    // message saying what is missing has been shown).
    void ShowBusy(int mode) override {
        if (mode == 0 && onBatchFailed) {
            onBatchFailed();
        }
    }
    void ShowTemperature(int readout, int celsius) override {
        if (readout == 0 || readout == 1) {
            temperature[readout] = celsius;
        }
    }
    void WriteAllProgramsFile(const std::string& path) override {
        writeStatus = tolmarin::WriteAllProgramsFile(*image, path);
        wrote = true;
    }
    void FinishProgress() { m_progress.Finish(); }

    std::function<void(int)> onDone;
    std::function<void()> onStatus;
    std::function<void()> onBatchFailed;
    DeviceImage* image = nullptr;
    bool showProgress = false;
    int level[2] = {0, 0};
    int temperature[2] = {0, 0};
    bool messages = false;
    bool wrote = false;
    FileStatus writeStatus = FileStatus::Ok;

private:
    std::ostream& m_err;
    ProgressReporter m_progress;
};

volatile std::sig_atomic_t g_interrupted = 0;
extern "C" void OnInterrupt(int) {
    g_interrupted = 1;
}

class Session {
public:
    Session(const LinkRequest& req, int english, std::ostream& out, std::ostream& err)
        : m_req(req), m_out(out), m_err(err), m_view(err) {
        InitDeviceImage(m_state);
        InitSystemBytes(m_state.image);
        m_state.ui.english = english;
        m_state.ui.sink = &m_view;
        m_view.image = &m_state.image;
        m_channels = std::make_unique<CKTV_Data>(m_state);
        m_model = std::make_unique<ChannelSetModel>(*m_channels);
        m_link = std::make_unique<DeviceLink>(m_state, *m_model, m_view);
    }

    int Run() {
        if (const int rc = Prepare(); rc != kExitDone) {
            return rc;
        }
        if (!m_req.trace.empty() && !m_link->StartTrace(m_req.trace)) {
            m_err << m_state.ui.Text(TextId::CliCannotOpenFile) << ' ' << m_req.trace << '\n';
            return kExitFile;
        }
        LinkController& c = m_link->Controller();
        QObject::connect(&c, &LinkController::linkOpenFailed, [this] { Finish(kExitLink); });
        QObject::connect(&c, &LinkController::linkClosed, [this](LinkCloseReason reason) {
            if (reason != LinkCloseReason::Operator) {
                Finish(kExitLink);
            }
        });
        QObject::connect(&c, &LinkController::linkUpFinished,
                         [this](bool complete) { OnLinkUp(complete); });
        m_view.onDone = [this](int dir) { OnDone(dir); };
        // The temperatures of the same reply are shown after the levels: print after both.
        m_view.onStatus = [this] { QTimer::singleShot(0, [this] { OnStatus(); }); };
        m_view.onBatchFailed = [this] {
            if (m_acting) {
                Finish(kExitLink);
            }
        };

        QTimer guard;
        guard.setSingleShot(true);
        QObject::connect(&guard, &QTimer::timeout, [this] {
            m_err << m_state.ui.Text(TextId::CliTimeout) << '\n';
            Finish(kExitLink);
        });
        guard.start(m_req.timeoutSeconds * 1000);
        QTimer interrupt;
        if (m_req.watch) {
            std::signal(SIGINT, OnInterrupt);
            std::signal(SIGTERM, OnInterrupt);
            QObject::connect(&interrupt, &QTimer::timeout, [this] {
                if (g_interrupted) {
                    Finish(kExitDone);
                }
            });
            interrupt.start(100);
            guard.stop();  // watching runs until interrupted or the link is lost
        }

        QTimer::singleShot(0, [this, &c] {
            if (m_req.target.serial) {
                if (!c.OpenSerialLinkTo(m_req.target.serialPort) && !c.Linked()) {
                    Finish(kExitLink);
                }
            } else {
                c.OpenNetworkLinkTo(m_req.target.host, m_req.target.port);
            }
        });
        m_loop.exec();
        m_view.FinishProgress();
        if (c.Linked() || c.Opening()) {
            c.CloseLink();
        }
        return m_exit;
    }

private:
    // Reads and checks everything that does not need the amplifier, before linking.
    int Prepare() {
        const UiState& ui = m_state.ui;
        switch (m_req.command) {
            case LinkCommand::Pull:
                if (!NamesExtension(m_req.file, kSingleProgramExtension) &&
                    !NamesExtension(m_req.file, kAllProgramsExtension)) {
                    m_err << ui.Text(TextId::CliUnknownFileKind) << ' ' << m_req.file << '\n';
                    return kExitUsage;
                }
                m_pullAll = NamesExtension(m_req.file, kAllProgramsExtension);
                return kExitDone;
            case LinkCommand::Push: {
                std::string bytes;
                if (const FileStatus st = ReadFileBytes(m_req.file, bytes); st != FileStatus::Ok) {
                    return ReportReadFailure(st, m_req.file, ui, m_err);
                }
                m_pushKind = KindOfFileSize(static_cast<long long>(bytes.size()));
                if (m_pushKind == ProgramFileKind::Unknown) {
                    m_err << ui.Text(TextId::CliNotAProgramFile) << ' ' << m_req.file << '\n';
                    return kExitFile;
                }
                m_pushBytes = std::move(bytes);
                return kExitDone;
            }
            case LinkCommand::Store:
                if (m_req.name.empty()) {
                    m_err << ui.Text(TextId::ProgramNameEmpty) << '\n';
                    return kExitUsage;
                }
                if (m_req.name.size() > 12 ||
                    m_req.name.find_first_not_of("0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ"
                                                 "abcdefghijklmnopqrstuvwxyz") !=
                        std::string::npos) {
                    m_err << ui.Text(TextId::CliBadProgramName) << '\n';
                    return kExitUsage;
                }
                return kExitDone;
            case LinkCommand::Recall:
            case LinkCommand::Status:
                return kExitDone;
        }
        return kExitUsage;
    }

    void OnLinkUp(bool complete) {
        if (!complete) {
            Finish(kExitLink);  // the message has said what did not arrive
            return;
        }
        // At once, so the request goes out before the idle link's first poll.
        StartAction();
    }

    void StartAction() {
        m_acting = true;
        m_view.showProgress = true;
        LinkController& c = m_link->Controller();
        switch (m_req.command) {
            case LinkCommand::Pull:
                if (m_pullAll) {
                    // The file is written when all twenty have arrived.
                    c.ReadAllPrograms(m_req.file);
                } else {
                    // What the editor saves: the records written into the live program.
                    m_channels->StoreAllToImage();
                    Finish(WriteResult(WriteSingleProgramFile(m_state.image, m_req.file)));
                }
                break;
            case LinkCommand::Push:
                if (m_pushKind == ProgramFileKind::Single) {
                    std::copy_n(m_pushBytes.begin(), kProgramRecordSize,
                                m_state.image.ProgramRecord(0).begin());
                    m_channels->LoadAllFromImage();
                    c.SendLiveProgram();
                } else {
                    for (int n = 1; n <= kStoredPrograms; ++n) {
                        std::copy_n(m_pushBytes.begin() + (n - 1) * kProgramRecordSize,
                                    kProgramRecordSize, m_state.image.ProgramRecord(n).begin());
                    }
                    c.StoreAllPrograms();
                }
                break;
            case LinkCommand::Store:
                StoreProgramName(m_state.ui, m_state.image.Name(m_req.slot), m_req.name);
                c.StoreLiveToSlot(m_req.slot, true);
                break;
            case LinkCommand::Recall:
                c.RequestLive(m_req.slot);
                break;
            case LinkCommand::Status:
                break;  // the next status reply is printed
        }
    }

    void OnDone(int direction) {
        if (!m_acting) {
            return;  // the link-up's own read of the live program
        }
        switch (m_req.command) {
            case LinkCommand::Pull:
                if (m_pullAll && direction == kTransferUp) {
                    Finish(m_view.wrote ? WriteResult(m_view.writeStatus) : kExitLink);
                }
                break;
            case LinkCommand::Push:
            case LinkCommand::Store:
                if (direction == kTransferDown) {
                    Finish(kExitDone);
                }
                break;
            case LinkCommand::Recall:
                if (direction == kTransferUp) {
                    m_out << "recalled " << m_req.slot << ": "
                          << LoadFixedText(m_state.image.Name(m_req.slot), 15) << '\n';
                    Finish(kExitDone);
                }
                break;
            case LinkCommand::Status:
                break;
        }
    }

    void OnStatus() {
        if (m_req.command != LinkCommand::Status || !m_acting) {
            return;
        }
        m_out << "level1 " << m_view.level[0] << " level2 " << m_view.level[1] << " temp1 "
              << m_view.temperature[0] << " temp2 " << m_view.temperature[1] << '\n'
              << std::flush;
        if (!m_req.watch) {
            Finish(kExitDone);
        }
    }

    int WriteResult(FileStatus st) {
        if (st == FileStatus::Ok) {
            m_out << "wrote " << m_req.file << '\n';
            return kExitDone;
        }
        m_err << m_state.ui.Text(m_pullAll ? TextId::SaveAllMusicFileError
                                           : TextId::SaveMusicFileError)
              << ' ' << m_req.file << '\n';
        return kExitFile;
    }

    void Finish(int code) {
        if (m_finished) {
            return;
        }
        m_finished = true;
        m_exit = code;
        m_loop.quit();
    }

    const LinkRequest& m_req;
    std::ostream& m_out;
    std::ostream& m_err;
    SharedState m_state;
    CliView m_view;
    std::unique_ptr<CKTV_Data> m_channels;
    std::unique_ptr<ChannelSetModel> m_model;
    std::unique_ptr<DeviceLink> m_link;
    QEventLoop m_loop;
    bool m_acting = false;
    bool m_finished = false;
    bool m_pullAll = false;
    ProgramFileKind m_pushKind = ProgramFileKind::Unknown;
    std::string m_pushBytes;
    int m_exit = kExitLink;
};

}  // namespace

std::optional<ConnectTarget> ParseConnectUrl(const std::string& url) {
    ConnectTarget t;
    if (url.rfind("serial:", 0) == 0) {
        t.serial = true;
        t.serialPort = url.substr(7);
        return t.serialPort.empty() ? std::nullopt : std::optional(t);
    }
    if (url.rfind("tcp:", 0) != 0) {
        return std::nullopt;
    }
    const std::string rest = url.substr(4);
    const auto colon = rest.rfind(':');
    t.host = colon == std::string::npos ? rest : rest.substr(0, colon);
    t.port = kTcpPort;
    if (colon != std::string::npos) {
        const auto port = ToPort(std::string_view(rest).substr(colon + 1));
        if (!port) {
            return std::nullopt;
        }
        t.port = *port;
    }
    return t.host.empty() ? std::nullopt : std::optional(t);
}

int RunLinkCommand(const LinkRequest& request, int english, std::ostream& out, std::ostream& err) {
    Session session(request, english, out, err);
    return session.Run();
}

}  // namespace tolmarin::cli
