#pragma once

#include <QObject>
#include <QSettings>
#include <functional>
#include <memory>

#include "app/CommandLine.h"
#include "editor/form/EditGuard.h"
#include "protocol/DeviceImage.h"

namespace tolmarin {

namespace sim {
class Amplifier;
class SimServer;
}  // namespace sim

class Document;
class ProgramFiles;
class QtProgramFileChooser;
class MainFrame;
class MainForm;

// The editor application: builds the process-wide state, the document and the window in
// start-up order, carries out the command line, and tears down in reverse (a link still
// open is closed first). The settings are passed in so that tests keep theirs apart.
class Application : public QObject {
    Q_OBJECT
public:
    Application(const AppOptions& options, std::unique_ptr<QSettings> settings,
                const QString& workDir);
    ~Application() override;

    // False when the start-up failed; the reason has been shown or printed.
    bool InitInstance();

    SharedState& State() { return *m_state; }
    Document& Doc() { return *m_doc; }
    MainFrame& Frame() { return *m_frame; }
    MainForm& View();
    // The in-process simulated amplifier of --simulator (null otherwise).
    sim::Amplifier* Amplifier() { return m_amp.get(); }
    int SimulatorPort() const { return m_simPort; }
    // Answers the start-up offer of a recovery copy (tests); by default a dialog asks.
    void SetRecoveryAsker(std::function<int(const EditGuard::Question&)> asker) {
        m_recoveryAsker = std::move(asker);
    }

signals:
    // --screenshot: the picture was written (or failed); the caller ends the event loop.
    void screenshotDone(bool ok);

private:
    void StartLink();
    void OnLinkUp();
    void TakeScreenshot();
    void OpenFile(const QString& path);
    void RunProgramDialog();
    void RunDataView();
    // A recovery copy left by a run that did not end cleanly: offered, and when taken
    // opened as the PC's settings, never sent (the link-up question decides).
    void OfferRecoveryCopy();

    AppOptions m_options;
    std::unique_ptr<SharedState> m_state;
    std::unique_ptr<QSettings> m_settings;
    QString m_workDir;
    std::unique_ptr<sim::Amplifier> m_amp;
    std::unique_ptr<sim::SimServer> m_sim;
    int m_simPort = 0;
    std::unique_ptr<Document> m_doc;
    std::unique_ptr<MainFrame> m_frame;
    std::unique_ptr<QtProgramFileChooser> m_chooser;
    std::unique_ptr<ProgramFiles> m_files;
    bool m_linkUpSeen = false;
    std::function<int(const EditGuard::Question&)> m_recoveryAsker;
};

// The settings the editor keeps between runs (link choices), under the per-user key.
std::unique_ptr<QSettings> UserSettings();

}  // namespace tolmarin
