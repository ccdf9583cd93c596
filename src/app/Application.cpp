#include "app/Application.h"

#include <QDateTime>
#include <QDebug>
#include <QDialog>
#include <QFile>
#include <QHostAddress>
#include <QKeySequence>
#include <QShortcut>
#include <QTimer>
#include <cstdio>

#include "app/AboutBox.h"
#include "app/Document.h"
#include "app/MainFrame.h"
#include "art/Artwork.h"
#include "controls/BitmapSource.h"
#include "controls/ControlsUi.h"
#include "editor/form/FormText.h"
#include "editor/form/MainForm.h"
#include "editor/programs/ParameterTableDialog.h"
#include "editor/programs/ProgramFiles.h"
#include "editor/programs/ProgramsDialog.h"
#include "link/DeviceSession.h"
#include "link/LinkController.h"
#include "protocol/ProgramFile.h"
#include "sim/Amplifier.h"
#include "sim/server/SimServer.h"

namespace tolmarin {

namespace {
// Status polls arrive about every 100 ms; this lets the lamps and readouts fill in and the
// done pop-up go before the picture is taken.
constexpr int kScreenshotSettleMs = 1500;
constexpr int kScreenshotTimeoutMs = 20000;
}  // namespace

std::unique_ptr<QSettings> UserSettings() {
    return std::make_unique<QSettings>(QStringLiteral("Local AppWizard-Generated Applications"),
                                       QStringLiteral("Tolmarin"));
}

Application::Application(const AppOptions& options, std::unique_ptr<QSettings> settings,
                         const QString& workDir)
    : m_options(options),
      m_state(std::make_unique<SharedState>()),
      m_settings(std::move(settings)),
      m_workDir(workDir) {}

Application::~Application() {
    // The window (and with it the link) goes before the simulated amplifier and the state.
    m_frame.reset();
    m_files.reset();
    m_chooser.reset();
    m_doc.reset();
    m_sim.reset();
    m_amp.reset();
    SetControlsUiState(nullptr);
}

MainForm& Application::View() {
    return *m_frame->View();
}

bool Application::InitInstance() {
    SetBitmapLoader([](int id) { return art::Bitmap(id); });
    InitDeviceImage(*m_state);
    InitSystemBytes(m_state->image);
    SetControlsUiState(&m_state->ui);
    if (m_options.language) {
        m_state->ui.language = *m_options.language;
    }
    m_doc = std::make_unique<Document>(*m_state);
    auto* view = new MainForm(*m_state, m_doc->Channels(), *m_settings, m_workDir);
    m_frame = std::make_unique<MainFrame>(view, UiText(m_state->ui, TextId::FormTitle));
    m_chooser = std::make_unique<QtProgramFileChooser>(view);
    m_files =
        std::make_unique<ProgramFiles>(*m_state, m_doc->Channels(), *view, *m_chooser,
                                       &view->Controller(), view->MusicFolder().toStdString());

    if (!m_options.trace.isEmpty() && !view->Link().StartTrace(m_options.trace.toStdString())) {
        qWarning().noquote() << UiText(m_state->ui, TextId::AppTraceFailed) << m_options.trace;
        return false;
    }
    if (m_options.simulator) {
        m_amp = std::make_unique<sim::Amplifier>();
        m_sim = std::make_unique<sim::SimServer>(*m_amp, sim::Faults{});
        QString error;
        if (!m_sim->ListenTcp(QHostAddress::LocalHost, 0, &error)) {
            qWarning().noquote() << UiText(m_state->ui, TextId::AppSimulatorFailed) << error;
            return false;
        }
        m_simPort = m_sim->TcpPort();
    }
    connect(&view->Controller(), &LinkController::linkUpFinished, this, &Application::OnLinkUp);
    // TOLMARIN_REPORT_TIMES=1 prints the wall clock of the first paint and of the link-up,
    // in milliseconds since the epoch, for start-up measurements from a script.
    if (qEnvironmentVariableIntValue("TOLMARIN_REPORT_TIMES") != 0) {
        const auto report = [](const char* what) {
            std::fprintf(stderr, "%s %lld\n", what, QDateTime::currentMSecsSinceEpoch());
        };
        connect(view, &MainForm::firstPainted, this, [report] { report("first-paint"); });
        connect(&view->Controller(), &LinkController::linkUpFinished, this,
                [report] { report("link-up"); });
    }
    connect(view, &MainForm::programRequested, this, &Application::RunProgramDialog);
    connect(view, &MainForm::dataViewRequested, this, &Application::RunDataView);
    // The open and save keys read and write single-program files, as the document's own.
    auto* open = new QShortcut(QKeySequence::Open, m_frame.get());
    connect(open, &QShortcut::activated, this, [this] { m_files->LoadProgramFile(); });
    auto* save = new QShortcut(QKeySequence::Save, m_frame.get());
    connect(save, &QShortcut::activated, this, [this] { m_files->SaveProgramFile(); });
    // Every written save (key, Programs dialog, close question) takes the settings off risk.
    m_files->SetSavedHook([view] { view->Guard().NoteSaved(); });
    // The close question's "Save to file…": only a written file lets the window close.
    view->Guard().SetSaver([this] { return m_files->SaveProgramFileChecked(); });
    new AboutHook(m_frame.get(), view, m_state->ui);
    m_frame->setWindowIcon(AppIcon());
    if (!m_options.screenshot.isEmpty()) {
        QTimer::singleShot(kScreenshotTimeoutMs, this, [this] {
            if (!m_linkUpSeen) {
                qWarning().noquote() << UiText(m_state->ui, TextId::AppScreenshotTimeout);
                emit screenshotDone(false);
            }
        });
    }
    m_frame->show();
    OfferRecoveryCopy();
    // After the window is up, so that a refusal is read over the editor it concerns.
    if (!m_options.file.isEmpty() && !m_options.Links()) {
        OpenFile(m_options.file);
    }
    StartLink();
    return true;
}

void Application::StartLink() {
    LinkController& c = View().Controller();
    if (m_options.simulator) {
        c.OpenNetworkLinkTo("127.0.0.1", m_simPort);
    } else if (m_options.connect == AppOptions::Connect::Tcp) {
        c.OpenNetworkLinkTo(m_options.host.toStdString(), m_options.tcpPort);
    } else if (m_options.connect == AppOptions::Connect::Serial) {
        c.OpenSerialLinkTo(m_options.serialPort.toStdString());
    }
}

void Application::OnLinkUp() {
    if (m_linkUpSeen) {
        return;
    }
    m_linkUpSeen = true;
    // A file named with a link option is opened once the amplifier's own program has
    // arrived, so it is what the amplifier runs rather than being overwritten by it.
    if (!m_options.file.isEmpty()) {
        OpenFile(m_options.file);
    }
    if (!m_options.screenshot.isEmpty()) {
        QTimer::singleShot(kScreenshotSettleMs, this, &Application::TakeScreenshot);
    }
}

void Application::OfferRecoveryCopy() {
    const QString path = EditGuard::RecoveryPath();
    if (!QFile::exists(path)) {
        return;
    }
    EditGuard& guard = View().Guard();
    EditGuard::Question q;
    q.text = UiText(m_state->ui, TextId::RecoveryFound);
    q.buttons = {TextId::RecoveryOpen, TextId::CloseDiscard};
    // Opening loses nothing and sends nothing: it is also what Escape does.
    q.defaultButton = 0;
    q.escapeButton = 0;
    int answer = 0;
    if (m_recoveryAsker) {
        answer = m_recoveryAsker(q);
    } else {
        std::unique_ptr<QDialog> box(guard.MakeQuestionBox(q));
        const int result = box->exec();
        answer = result > 0 ? result - 1 : q.escapeButton;
    }
    if (answer != 0) {
        QFile::remove(path);
        return;
    }
    DeviceImage scratch = m_state->image;
    if (ReadSingleProgramFile(scratch, path.toStdString()) != FileStatus::Ok) {
        m_state->ui.Report(TextId::ReadMusicFileError, MessageKind::Stop, path.toStdString());
        return;  // kept: a later start may read it, or the operator may copy it away
    }
    // The PC's settings, not the amplifier's: the ledger is left as it is, so they count as
    // unsent and the link-up asks before anything goes.
    std::ranges::copy(scratch.ProgramRecord(0), m_state->image.ProgramRecord(0).begin());
    m_doc->Channels().LoadAllFromImage();
    View().ShowState(View().CurrentChannel());
    guard.ShowPendingCount();
}

void Application::OpenFile(const QString& path) {
    // Checked, then sent when a link is open; a refused file leaves everything as it was.
    m_files->OpenProgramFile(path.toStdString());
}

void Application::RunProgramDialog() {
    MainForm& view = View();
    ProgramsDialog dialog(*m_state, *m_files, &view.Controller(), view.Controller().Linked(),
                          &view);
    dialog.exec();
    view.ShowState(view.CurrentChannel());
}

void Application::RunDataView() {
    MainForm& view = View();
    const LinkController& link = view.Controller();
    PrintSubject subject;
    subject.programName = LoadFixedText(m_state->image.Name(0), kProgramNameSize - 1);
    subject.fileName = m_files->LastFile();
    if (link.Linked()) {
        if (link.LinkType() == LinkKind::Usb) {
            subject.amplifier = link.SerialPort();
        } else {
            const LinkTarget& target = link.NetworkTarget();
            const bool v6 = target.host.find(':') != std::string::npos;
            subject.amplifier =
                (v6 ? "[" + target.host + "]" : target.host) + ":" + std::to_string(target.tcpPort);
        }
    }
    subject.outputFolder = view.MusicFolder();
    ParameterTableDialog dialog(m_doc->Channels(), m_state->ui, &view);
    dialog.SetPrintSubject(std::move(subject));
    dialog.exec();
}

void Application::TakeScreenshot() {
    const bool ok = m_frame->grab().save(m_options.screenshot, "PNG");
    if (!ok) {
        qWarning().noquote() << UiText(m_state->ui, TextId::AppScreenshotFailed)
                             << m_options.screenshot;
    }
    emit screenshotDone(ok);
}

}  // namespace tolmarin
