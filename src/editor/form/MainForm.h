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
#include "editor/form/LinkPanel.h"
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

class AbCompare;
class AmpModePower;
class BusyPopup;
class ChannelSet;
class CommandQueue;
class DeviceSession;
class DonePopup;
class EditHistory;
class FormInput;
class HistoryStrip;
class LinkController;
class LinkPanel;
class NumberSpin;
class OutputChannel;
class ParameterBinder;
class RoomEqApply;
class RoomEqOverlays;
struct SharedState;

// The editor's main form: the response graph, one channel's sections, both channels'
// switches, levels and temperatures, and the top bar. It makes the controls and wires them
// to the parts that do the work: the binder (every parameter's controls to the channel set),
// the history with its A/B compare, the room EQ, the amplifier's mode and power, and the link
// panel. The form is also the link controller's view and the operator's message sink.
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
    RoomEqOverlays& RoomEqCurves();

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
    BusyPopup& BusyWindow() { return m_panel->Busy(); }
    DonePopup& DoneWindow() { return m_panel->Done(); }
    AmpModePower& ModeAndPower() { return *m_amp; }
    const QString& MusicFolder() const { return m_musicFolder; }

    // --- LinkView: the link panel shows what the link does ----------------------------------
    void SetLinkLamp(LinkLamp lamp) override { m_panel->SetLamp(lamp); }
    void SetProgressRange(int low, int high) override { m_panel->SetProgressRange(low, high); }
    void SetProgressPos(int pos) override { m_panel->SetProgressPos(pos); }
    void ShowBusy(BusyState state) override { m_panel->ShowBusy(state); }
    void ShowTransferDone(TransferDirection direction) override {
        m_panel->ShowTransferDone(direction);
    }
    void ClearLinkCheckBox() override { m_panel->ClearLinkCheckBox(); }
    void ShowState() override;
    void ShowSystemState(int mode, int power) override { m_panel->ShowSystemState(mode, power); }
    void ShowLevels(int level1, int level2) override { m_panel->ShowLevels(level1, level2); }
    void ShowTemperature(int readout, int celsius) override {
        m_panel->ShowTemperature(readout, celsius);
    }
    void WriteAllProgramsFile(const std::string& path) override {
        m_panel->WriteAllProgramsFile(path);
    }

    // The form's own questions, asked before it calls the controller (never from inside it).
    // Runs the Connect dialog with the current link kind; the chosen kind on OK.
    std::optional<LinkKind> RunConnectDialog(LinkKind current) {
        return m_panel->RunConnectDialog(m_settings, *m_controller, current);
    }
    // Asks for the all-programs file a read of all programs goes into; nothing on cancel.
    std::optional<std::string> ChooseAllProgramsFile() {
        return m_panel->ChooseAllProgramsFile(m_musicFolder);
    }

    // --- MessageSink -----------------------------------------------------------------------
    void ShowMessage(std::string_view text, MessageKind kind) override;

    // --- Edits on their way (kept by the guard) ---------------------------------------------
    using Question = EditGuard::Question;
    using Asker = EditGuard::Asker;
    using CloseAnswer = EditGuard::CloseAnswer;
    using LinkUpAnswer = EditGuard::LinkUpAnswer;
    // Tests answer the form's questions (edits on their way, power off) themselves.
    void SetAsker(Asker asker) { m_guard->SetAsker(std::move(asker)); }
    Question PowerOffQuestion() const { return m_guard->PowerOffQuestion(); }
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

private:
    void CreateControls();
    void Bind(const form::ControlDef& c, QWidget* widget, NumberSpin* spin, int index);
    void ConnectOwnControls();
    void OnInitialUpdate();
    void OnLinkButton();
    void OnLinkCheck();
    void ConnectHistory();
    void ConnectTools();
    void SendSystemItem(std::uint8_t item, int index);
    void ShowModeControls(int mode);
    // The other A/B setting's curves, faint behind the channels'.
    void ShowCompareCurves();

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
    std::unique_ptr<EditHistory> m_history;
    std::unique_ptr<AbCompare> m_compare;
    std::unique_ptr<RoomEqApply> m_roomEq;
    std::unique_ptr<AmpModePower> m_amp;
    int m_current = 0;
    bool m_painted = false;

    // Children of the form.
    FormInput* m_input = nullptr;
    LinkPanel* m_panel = nullptr;
    HistoryStrip* m_strip = nullptr;
    EditGuard* m_guard = nullptr;
};

}  // namespace tolmarin
