#include "editor/form/MainForm.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QDir>
#include <QPainter>
#include <QToolButton>

#include "controls/PictureButton.h"
#include "controls/PictureRadio.h"
#include "controls/TransparentLabel.h"
#include "editor/form/FormInput.h"
#include "editor/form/FormText.h"
#include "editor/form/HistoryStrip.h"
#include "editor/form/LinkDialogs.h"
#include "editor/form/LinkPanel.h"
#include "editor/form/ParameterBinder.h"
#include "editor/form/QtTranslations.h"
#include "editor/graph/ResponseGraph.h"
#include "editor/history/EditHistory.h"
#include "editor/roomeq/RoomEqDialog.h"
#include "editor/tools/AbCompare.h"
#include "editor/tools/AmpModePower.h"
#include "editor/tools/RoomEqApply.h"
#include "formdesc/FormIds.h"
#include "link/DeviceSession.h"
#include "link/LinkController.h"
#include "model/ChannelSet.h"
#include "protocol/DeviceImage.h"
#include "protocol/FrameBuilder.h"
#include "protocol/ProgramFile.h"

namespace tolmarin {

using namespace form;

MainForm::MainForm(SharedState& state, ChannelSet& channels, QSettings& settings,
                   const QString& workDir, QWidget* parent)
    : QWidget(parent),
      m_state(state),
      m_channels(channels),
      m_settings(settings),
      m_workDir(workDir),
      m_linkModel(channels),
      m_binder(std::make_unique<ParameterBinder>(state, channels)),
      m_history(std::make_unique<EditHistory>(state, channels)),
      m_compare(std::make_unique<AbCompare>(state, channels, *m_history)),
      m_roomEq(std::make_unique<RoomEqApply>(channels, *m_history)),
      m_amp(std::make_unique<AmpModePower>(state, channels, *m_history)) {
    SetUpForm(this);
    m_state.ui.sink = this;
    m_link = std::make_unique<DeviceSession>(m_state, m_linkModel, *this);
    m_controller = &m_link->Controller();
    m_command = &m_link->Command();
    CreateControls();
    ConnectOwnControls();
    ConnectHistory();
    ConnectTools();
    m_guard->UseController(m_controller);
    OnInitialUpdate();
}

MainForm::~MainForm() {
    // A link still open is closed (and its serial port released) before the form goes.
    if (m_controller != nullptr) {
        m_controller->CloseLink();
    }
    m_binder.reset();
    m_history.reset();  // the tools keep it borrowed but no longer use it
    if (m_state.ui.sink == this) {
        m_state.ui.sink = nullptr;
    }
}

void MainForm::UseController(LinkController* controller, CommandQueue* command) {
    m_controller = controller != nullptr ? controller : &m_link->Controller();
    m_command = command != nullptr ? command : &m_link->Command();
    m_guard->UseController(m_controller);
}

// ---- Creation: every control from the form's table, in one loop ----

void MainForm::CreateControls() {
    m_input = new FormInput(this, *m_history);
    m_w = CreateFormWidgets(this, m_input, *m_binder);
    m_panel = new LinkPanel(this, m_state, m_w);
    m_guard = new EditGuard(this, m_state, m_channels, &m_panel->Busy(), m_w.pendingCount);
    m_strip = new HistoryStrip(this, *m_history, m_state.ui);
    m_strip->SetBeforeStep([this] { m_input->CommitTypedText(); });
    m_w.byId[IdOf(Control::Undo)] = m_strip->UndoButton();
    m_w.byId[IdOf(Control::Redo)] = m_strip->RedoButton();
    m_w.byId[IdOf(Control::AbToggle)] = m_strip->AbButton();
}

void MainForm::ConnectOwnControls() {
    const auto click = [this](int id, auto slot) {
        connect(m_w.buttons.at(id), &QAbstractButton::clicked, this, slot);
    };
    click(kLanguage, [this] { ToggleLanguage(); });
    click(kProgram, [this] { emit programRequested(); });
    click(kDataView, [this] { emit dataViewRequested(); });
    click(kPower, [this] { TogglePower(); });
    click(kLinkButton, [this] { OnLinkButton(); });
    click(kRoomEq, [this] { OpenRoomEq(); });
    for (int n = 0; n < 2; ++n) {
        click(kChannelButton + n, [this, n] { ShowChannel(n); });
    }
    connect(m_w.linkCheck, &QAbstractButton::clicked, this, [this] { OnLinkCheck(); });
    connect(m_w.ampMode, &QComboBox::activated, this, [this](int selection) {
        if (selection >= 0) {
            SetAmpMode(selection);
        }
    });
    connect(m_binder.get(), &ParameterBinder::systemItemEdited, this, &MainForm::SendSystemItem);
}

// Every edit, whatever made it, becomes a step once it is complete; undo and redo show
// the model again and send what the original action sent besides the pending marks.
void MainForm::ConnectHistory() {
    connect(m_binder.get(), &ParameterBinder::edited, m_history.get(),
            [this] { m_history->Commit(); });
    // A graph wheel or a drag's last notice.
    connect(m_w.graph, &ResponseGraph::filterChanged, m_history.get(),
            [this] { m_history->Commit(); });
    HistorySender sender;
    sender.systemItem = [this](std::uint8_t item, int index) { SendSystemItem(item, index); };
    sender.ch2Block = [this] {
        if (m_controller->Linked()) {
            m_channels.Channel(1).WriteAll();
            // Tracked like any edit, so the strip's count and a lost link know of it.
            m_controller->SendEdit(BuildChannelBlock(m_state, 0, 1));
        }
    };
    m_history->SetSender(std::move(sender));
    connect(m_history.get(), &EditHistory::restored, this, [this] {
        const int mode = m_amp->Mode();
        m_w.ampMode->setCurrentIndex(mode);
        ShowModeControls(mode);
        ShowState(m_current);
        m_w.graph->update();
    });
    connect(m_history.get(), &EditHistory::restored, this, &MainForm::ShowCompareCurves);
    connect(m_history.get(), &EditHistory::compareChanged, this, &MainForm::ShowCompareCurves);
    connect(m_binder.get(), &ParameterBinder::edited, this, &MainForm::ShowCompareCurves);
}

void MainForm::ConnectTools() {
    m_amp->SetSender([this](std::uint8_t item, int index) { SendSystemItem(item, index); });
    connect(m_amp.get(), &AmpModePower::modeChanged, this, [this](int mode) {
        m_w.linkCheck->setChecked(false);
        ShowModeControls(mode);
    });
    connect(m_amp.get(), &AmpModePower::powerShown, this,
            [this](bool on) { m_w.buttons.at(kPower)->SetOn(on); });
}

void MainForm::SendSystemItem(std::uint8_t item, int index) {
    m_controller->SendSystemItem(item, 0, index);
}

void MainForm::ShowCompareCurves() {
    m_w.graph->SetCurvesBehind(m_compare->CurvesBehind());
}

// ---- Start-up ----

void MainForm::OnInitialUpdate() {
    m_w.graph->AttachChannels(&m_channels);
    m_w.graph->SetPlotArea();
    m_w.graph->SetParentView(this);
    m_w.graph->SetOverlaySource(
        [this](const OutputChannel& shown) { return m_roomEq->Curves().For(shown); });
    m_musicFolder = QDir(m_workDir).filePath(QString::fromLatin1(kMusicFolder));
    QDir().mkpath(m_musicFolder);
    ApplyLanguage();
    ShowState(0);
    m_panel->ShowNoReadings();
}

// ---- Showing the model ----

void MainForm::ShowState(int channel) {
    m_w.linkCheck->setChecked(m_channels.Ch1Ch2Linked());
    const int mode = m_amp->Mode();
    if (mode == kModeBridge) {
        channel = 0;
    }
    if (mode >= kModeStereo && mode <= kModeBridge) {
        Control(kChannelButton + 1)->setEnabled(mode != kModeBridge);
        Control(kSensitivity + 1)->setEnabled(mode != kModeBridge);
    }
    m_binder->ShowColumns();
    ShowChannel(channel);
    m_w.buttons.at(kPower)->SetOn(m_amp->PowerOn());
}

void MainForm::ShowChannel(int n) {
    m_w.buttons.at(kChannelButton + m_current)->SetOn(false);
    m_w.graph->SelectChannel(n);
    m_current = n;
    m_w.buttons.at(kChannelButton + n)->SetOn(true);
    m_binder->ShowChannel(n);
}

void MainForm::ShowModeControls(int mode) {
    ShowModeLocks(m_w, mode);
    if (mode == kModeBridge) {
        ShowState(m_current);
    }
    m_w.linkCheck->update();
}

// ---- The form's own controls ----

void MainForm::OnLinkButton() {
    if (m_controller->LinkActive()) {
        m_controller->CloseLink();  // a click during a connect abandons it
    } else if (const std::optional<LinkKind> kind = RunConnectDialog(m_controller->LinkType())) {
        m_controller->OpenLink(*kind);  // the dialog has closed: the link opens after it
    }
}

void MainForm::OnLinkCheck() {
    if (m_w.linkCheck->isChecked()) {
        m_channels.LinkCh1Ch2(m_controller->Linked(), [this](std::unique_ptr<SendData> item) {
            m_controller->SendEdit(std::move(item));
        });
        if (m_current == 1) {
            ShowState(1);
        }
    } else {
        m_channels.UnlinkCh1Ch2();
    }
    m_w.graph->update();  // CH2's curve has CH1's shape now
    m_history->Commit();
}

// ---- Room EQ ----

int MainForm::ApplyBands(int channel, const std::array<BandRecord, kEqBandCount>& bands) {
    const int changed = m_roomEq->Apply(channel, bands);
    if (changed > 0) {
        m_binder->ShowChannel(m_current);
        m_w.graph->ShowActiveFilter();
    }
    return changed;
}

void MainForm::OpenRoomEq() {
    RoomEqDialog dialog(FiltersOf(Current()), m_current, m_state.ui.language, &m_roomEq->Curves(),
                        this);
    dialog.SetLinked(m_roomEq->LinkedFor(m_current));
    dialog.SetMeasurementPath(m_roomEq->MeasurementPath());
    connect(&dialog, &RoomEqDialog::graphChanged, m_w.graph, [this] { m_w.graph->update(); });
    const bool accepted = dialog.exec() == QDialog::Accepted;
    m_roomEq->SetMeasurementPath(dialog.MeasurementPath());
    if (accepted && dialog.Bands()) {
        ApplyBands(m_current, *dialog.Bands());
    }
}

RoomEqOverlays& MainForm::RoomEqCurves() {
    return m_roomEq->Curves();
}

// ---- Language, amplifier mode, power ----

void MainForm::ToggleLanguage() {
    m_state.ui.language =
        m_state.ui.language == Language::English ? Language::Chinese : Language::English;
    ApplyLanguage();
}

void MainForm::ApplyLanguage() {
    UseQtTranslations(m_state.ui.language);  // Qt's own dialogs and buttons follow
    ShowLanguageTexts(m_w, m_state.ui, m_amp->Mode());
    ShowPendingCount();
    ShowLanguagePictures(m_w, m_state.ui.language);
    m_panel->ShowLamp();
    m_binder->FillLists();
    if (m_strip != nullptr) {
        m_strip->ApplyLanguage();
    }
    update();
}

void MainForm::SetAmpMode(int m) {
    m_amp->SetMode(m);
}

void MainForm::TogglePower() {
    m_amp->TogglePower([this](std::function<void(bool)> answer) {
        const Question q = PowerOffQuestion();
        m_guard->Ask(q, [q, answer](TextId chosen) { answer(chosen == q.buttons.front()); });
    });
}

// ---- The link controller's view ----

// The live program loaded at link-up starts a new history with A and B both the
// amplifier's; a program file opened or a program recalled later is one step.
void MainForm::ShowState() {
    ShowState(m_current);
    if (m_controller->Linked() && !m_controller->LiveKnown()) {
        m_history->Reset();
    } else {
        m_history->Commit(EditHistory::StepKind::Program);
    }
    ShowCompareCurves();
}

void MainForm::ShowMessage(std::string_view text, MessageKind kind) {
    ShowMessageBox(this, m_state.ui, QString::fromUtf8(text.data(), static_cast<int>(text.size())),
                   kind);
}

void MainForm::closeEvent(QCloseEvent* event) {
    // Only when the form is a window of its own; inside the main window, the window asks.
    if (isWindow() && !ReadyToClose()) {
        event->ignore();
        return;
    }
    QWidget::closeEvent(event);
}

void MainForm::paintEvent(QPaintEvent* /*event*/) {
    QPainter p(this);
    PaintFormBackground(p, m_state.ui.language);
    if (!m_painted) {
        m_painted = true;
        emit firstPainted();
    }
}

// ---- Lookups ----

OutputChannel& MainForm::Current() {
    return m_channels.Channel(m_current);
}

QWidget* MainForm::Control(int id) const {
    const auto it = m_w.byId.find(id);
    return it == m_w.byId.end() ? nullptr : it->second;
}

}  // namespace tolmarin
