#pragma once

#include <QString>
#include <QWidget>
#include <array>
#include <functional>
#include <map>
#include <memory>
#include <vector>

#include "editor/form/EditGuard.h"
#include "editor/form/FormLayout.h"
#include "editor/form/FormWidgets.h"
#include "link/ChannelSetModel.h"
#include "link/LinkView.h"
#include "model/BandRecord.h"
#include "model/Parameters.h"
#include "text/Texts.h"

class QComboBox;
class QDialog;
class QProgressBar;
class QSettings;
class QTimer;

namespace tolmarin {

class Fader;
class Lamp;
class ParameterBinder;
class PictureRadio;
class TransparentLabel;
class ResponseGraph;
class RoomEqOverlays;
class PictureButton;
class ChannelSet;
class OutputChannel;
class DonePopup;
class DeviceSession;
class EditHistory;
class HistoryStrip;
class BusyPopup;
class CommandQueue;
class LinkController;
class NumberSpin;
struct SharedState;

// The editor's main form: the response graph, one channel's sections, both channels'
// switches, levels and temperatures, and the top bar. Every control edits the channel set;
// the pending marks the edits leave are what the link sends. The form is also the link
// controller's view of the user interface and the operator's message sink.
class MainForm : public QWidget, public LinkView, public MessageSink {
    Q_OBJECT
public:
    // state, channels and settings are borrowed for the view's life. The "MusicFile" folder
    // is made in workDir.
    MainForm(SharedState& state, ChannelSet& channels, QSettings& settings, const QString& workDir,
             QWidget* parent = nullptr);
    ~MainForm() override;

    // Shows the system state, both channel columns and the given channel.
    void ShowState(int channel);
    void ShowChannel(int n);

    // Sets channel's eight equaliser bands as one edit: only the bands that differ change,
    // so only their records are marked to be sent; a linked CH1/CH2 partner takes the same
    // bands; the fields, faders and graph show the result. Returns the bands changed.
    int ApplyBands(int channel, const std::array<BandRecord, kEqBandCount>& bands);
    // Runs the Room EQ dialog for the shown channel and applies what it accepts.
    void OpenRoomEq();
    // The room measurements laid over the graph.
    RoomEqOverlays& RoomEqCurves() { return *m_roomEq; }

    void ToggleLanguage();
    void ApplyLanguage();
    void SetAmpMode(int m);
    void TogglePower();

    int CurrentChannel() const { return m_current; }
    OutputChannel& Current();
    DeviceSession& Link() { return *m_link; }
    LinkController& Controller() { return *m_controller; }
    // Tests drive the form with a controller and command queue of their own (scripted
    // transports); null goes back to the form's own link.
    void UseController(LinkController* controller, CommandQueue* command);
    // The control of an id, for tests and tools that drive the form from outside.
    QWidget* Control(int id) const;
    template <typename T>
    T* Get(int id) const {
        return dynamic_cast<T*>(Control(id));
    }
    // The document's undo history and A/B compare.
    EditHistory& History() { return *m_history; }
    BusyPopup& BusyWindow() { return *m_busy; }
    DonePopup& DoneWindow() { return *m_done; }
    const QString& MusicFolder() const { return m_musicFolder; }

    // --- LinkView --------------------------------------------------------------------------
    void SetLinkLamp(LinkLamp lamp) override;
    void SetProgressRange(int low, int high) override;
    void SetProgressPos(int pos) override;
    void ShowBusy(BusyState state) override;
    void ShowTransferDone(TransferDirection direction) override;
    void ClearLinkCheckBox() override;
    void ShowState() override;
    void ShowSystemState(int mode, int power) override;
    void ShowLevels(int level1, int level2) override;
    void ShowTemperature(int readout, int celsius) override;
    void WriteAllProgramsFile(const std::string& path) override;

    // The form's own questions, asked before it calls the controller (never from inside it).
    // Runs the Connect dialog with the current link kind; the chosen kind on OK.
    std::optional<LinkKind> RunConnectDialog(LinkKind current);
    // Asks for the all-programs file a read of all programs goes into; nothing on cancel.
    std::optional<std::string> ChooseAllProgramsFile();

    // --- MessageSink -----------------------------------------------------------------------
    void ShowMessage(std::string_view text, MessageKind kind) override;

    // --- Edits on their way (kept by the guard) ---------------------------------------------
    using Question = EditGuard::Question;
    using Asker = EditGuard::Asker;
    using CloseAnswer = EditGuard::CloseAnswer;
    using LinkUpAnswer = EditGuard::LinkUpAnswer;
    // Tests answer the form's questions (edits on their way, power off) themselves.
    void SetAsker(Asker asker) { m_guard->SetAsker(std::move(asker)); }
    Question PowerOffQuestion() const;
    QDialog* MakeQuestionBox(const Question& q) const { return m_guard->MakeQuestionBox(q); }
    Question CloseQuestion(const std::string& edits, bool linked = true) const {
        return m_guard->CloseQuestion(edits, linked);
    }
    // The guard of the PC's settings (the close question, the recovery copy).
    EditGuard& Guard() { return *m_guard; }
    Question LinkUpQuestion(const std::string& edits) const {
        return m_guard->LinkUpQuestion(edits);
    }
    bool ReadyToClose() { return m_guard->ReadyToClose(); }
    void SetCloseWait(int ms) { m_guard->SetCloseWait(ms); }
    bool Closing() const { return m_guard->Closing(); }
    void ShowPendingCount() { m_guard->ShowPendingCount(); }

signals:
    // The Program and DataView buttons; the main window opens their dialogs.
    void programRequested();
    void dataViewRequested();
    // The form has painted itself for the first time (start-up measurements).
    void firstPainted();

protected:
    void paintEvent(QPaintEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void CreateControls();
    void Bind(const form::ControlDef& c, QWidget* widget, NumberSpin* spin, int index);
    void ConnectOwnControls();
    void OnInitialUpdate();
    void OnLinkButton();
    void OnLinkCheck();
    void ShowLinkLamp();
    void ShowNoReadings();
    // A field of the form holding typed text commits it.
    void CommitTypedText();
    void ConnectHistory();
    void ShowModeControls(int mode);
    // The other A/B setting's curves, faint behind the channels'.
    void ShowCompareCurves();
    void ConnectController();

    SharedState& m_state;
    ChannelSet& m_channels;
    QSettings& m_settings;
    QString m_workDir;
    QString m_musicFolder;
    ChannelSetModel m_linkModel;
    std::unique_ptr<DeviceSession> m_link;
    LinkController* m_controller = nullptr;
    CommandQueue* m_command = nullptr;
    FormWidgets m_w;
    std::unique_ptr<ParameterBinder> m_binder;
    std::unique_ptr<RoomEqOverlays> m_roomEq;
    QString m_roomEqPath;  // the last measurement file, offered again
    std::unique_ptr<EditHistory> m_history;
    HistoryStrip* m_strip = nullptr;
    BusyPopup* m_busy = nullptr;
    DonePopup* m_done = nullptr;
    int m_current = 0;
    LinkLamp m_lamp = LinkLamp::Off;
    bool m_painted = false;

    EditGuard* m_guard = nullptr;  // a child of the form
};

}  // namespace tolmarin
