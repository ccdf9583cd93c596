#include "editor/form/MainForm.h"

#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QDir>
#include <QEvent>
#include <QFileDialog>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMessageBox>
#include <QPainter>
#include <QProgressBar>
#include <QPushButton>
#include <QSettings>
#include <QTimer>
#include <QToolButton>

#include "controls/BitmapSource.h"
#include "controls/Lamp.h"
#include "controls/NumberField.h"
#include "controls/PictureButton.h"
#include "controls/PictureRadio.h"
#include "controls/TransparentLabel.h"
#include "editor/form/EditGuard.h"
#include "editor/form/FormLayout.h"
#include "editor/form/FormText.h"
#include "editor/form/HistoryStrip.h"
#include "editor/form/LinkDialogs.h"
#include "editor/form/ParameterBinder.h"
#include "editor/form/QtTranslations.h"
#include "editor/graph/ResponseGraph.h"
#include "editor/history/EditHistory.h"
#include "editor/roomeq/RoomEqDialog.h"
#include "editor/roomeq/RoomEqOverlays.h"
#include "formdesc/FormDescription.h"
#include "formdesc/FormIds.h"
#include "link/DeviceSession.h"
#include "link/LinkController.h"
#include "model/ChannelSet.h"
#include "protocol/DeviceImage.h"
#include "protocol/FrameBuilder.h"
#include "protocol/ProgramFile.h"
#include "text/SelectionLists.h"

namespace tolmarin {

using namespace form;

namespace {

constexpr int kTemplateFontPx = 11;
constexpr int kLinkLampRadius = 5;  // the lamp in the Link button's pictures
// How faint the other A/B setting's curves are drawn.
constexpr int kCompareCurveAlpha = 110;

// Controls a press-and-release gesture edits with: one step for the whole of it.
bool IsGestureControl(QObject* watched) {
    return watched->inherits("tolmarin::ResponseGraph") || watched->inherits("tolmarin::Fader") ||
           watched->inherits("tolmarin::NumberSpin");
}

// A key with Ctrl, Alt or Meta that a line edit does not keep for its own editing.
bool IsDocumentShortcut(const QKeyEvent& key) {
    if ((key.modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier)) == 0) {
        return false;
    }
    switch (key.key()) {
        case Qt::Key_Control:
        case Qt::Key_Alt:
        case Qt::Key_Meta:
        case Qt::Key_Shift:
        case Qt::Key_Left:
        case Qt::Key_Right:
        case Qt::Key_Home:
        case Qt::Key_End:
        case Qt::Key_Backspace:
        case Qt::Key_Delete:
            return false;
        default:
            break;
    }
    for (const QKeySequence::StandardKey own :
         {QKeySequence::Copy, QKeySequence::Cut, QKeySequence::Paste, QKeySequence::SelectAll}) {
        if (key.matches(own)) {
            return false;
        }
    }
    return true;
}

}  // namespace

MainForm::MainForm(SharedState& state, ChannelSet& channels, QSettings& settings,
                   const QString& workDir, QWidget* parent)
    : QWidget(parent),
      m_state(state),
      m_channels(channels),
      m_settings(settings),
      m_workDir(workDir),
      m_linkModel(channels),
      m_binder(std::make_unique<ParameterBinder>(state, channels)),
      m_roomEq(std::make_unique<RoomEqOverlays>()),
      m_history(std::make_unique<EditHistory>(state, channels)) {
    setFixedSize(kFormWidth, kFormHeightWithStrip);
    setFocusPolicy(Qt::StrongFocus);
    QFont font(QStringLiteral("Arial"));
    font.setPixelSize(kTemplateFontPx);
    setFont(font);
    m_state.ui.sink = this;
    m_link = std::make_unique<DeviceSession>(m_state, m_linkModel, *this);
    m_controller = &m_link->Controller();
    m_command = &m_link->Command();
    CreateControls();
    ConnectOwnControls();
    ConnectHistory();
    ConnectController();
    OnInitialUpdate();
}

MainForm::~MainForm() {
    // A link still open is closed (and its serial port released) before the form goes.
    if (m_controller != nullptr) {
        m_controller->CloseLink();
    }
    m_binder.reset();
    m_history.reset();
    if (m_state.ui.sink == this) {
        m_state.ui.sink = nullptr;
    }
}

void MainForm::UseController(LinkController* controller, CommandQueue* command) {
    m_controller = controller != nullptr ? controller : &m_link->Controller();
    m_command = command != nullptr ? command : &m_link->Command();
    ConnectController();
}

void MainForm::ConnectController() {
    m_guard->UseController(m_controller);
}

// ---- Creation: every control from the form's table, in one loop ----

void MainForm::CreateControls() {
    m_w = CreateFormWidgets(this, this, *m_binder);
    // The Link button's lamp: in its pictures, centred half the picture's height from the
    // left (plus one pixel) and from the top; the pictures are stretched to the button.
    PictureButton* link = m_w.buttons.at(kLinkButton);
    const QSize art = LoadBitmap(picture::kLinkOffEnglish).size();
    if (!art.isEmpty()) {
        const double sx = static_cast<double>(link->width()) / art.width();
        const double sy = static_cast<double>(link->height()) / art.height();
        const QPoint c(qRound((art.height() / 2.0 + 1.0) * sx), qRound(art.height() / 2.0 * sy));
        link->SetLampArea(QRegion(c.x() - kLinkLampRadius, c.y() - kLinkLampRadius,
                                  2 * kLinkLampRadius, 2 * kLinkLampRadius, QRegion::Ellipse));
    }
    m_busy = new BusyPopup(m_state, this, this);
    m_done = new DonePopup(m_state, this);
    m_guard = new EditGuard(this, m_state, m_channels, m_busy, m_w.pendingCount);
    m_strip = new HistoryStrip(this, *m_history, m_state.ui);
    m_strip->SetBeforeStep([this] { CommitTypedText(); });
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
    // A batch's bar is emptied once its done pop-up has gone.
    connect(m_done, &DonePopup::closed, m_w.progress, &QProgressBar::reset);
    connect(m_w.ampMode, &QComboBox::activated, this, [this](int selection) {
        if (selection >= 0) {
            SetAmpMode(selection);
        }
    });
    connect(m_binder.get(), &ParameterBinder::systemItemEdited, this,
            [this](std::uint8_t item, int index) { m_controller->SendSystemItem(item, 0, index); });
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
    sender.systemItem = [this](std::uint8_t item, int index) {
        m_controller->SendSystemItem(item, 0, index);
    };
    sender.ch2Block = [this] {
        if (m_controller->Linked()) {
            m_channels.Channel(1).WriteAll();
            // Tracked like any edit, so the strip's count and a lost link know of it.
            m_controller->SendEdit(BuildChannelBlock(m_state, 0, 1));
        }
    };
    m_history->SetSender(std::move(sender));
    connect(m_history.get(), &EditHistory::restored, this, [this] {
        const int mode = m_state.image.systemBytes[sysbyte::kModeCh12];
        m_w.ampMode->setCurrentIndex(mode);
        ShowModeControls(mode);
        ShowState(m_current);
        m_w.graph->update();
    });
    connect(m_history.get(), &EditHistory::restored, this, &MainForm::ShowCompareCurves);
    connect(m_history.get(), &EditHistory::compareChanged, this, &MainForm::ShowCompareCurves);
    connect(m_binder.get(), &ParameterBinder::edited, this, &MainForm::ShowCompareCurves);
}

void MainForm::ShowCompareCurves() {
    std::vector<GraphOverlay> curves;
    const Setting now = CaptureSetting(m_channels, m_state);
    for (int c = 0; c < 2; ++c) {
        const auto at = static_cast<std::size_t>(c);
        if (m_history->Other().channels[at] == now.channels[at]) {
            continue;
        }
        const RgbColour rgb = m_channels.Channel(c).GetColour();
        GraphOverlay curve;
        curve.db = m_history->OtherResponse(c);
        curve.colour = QColor(rgb.r, rgb.g, rgb.b, kCompareCurveAlpha);
        curves.push_back(curve);
    }
    m_w.graph->SetCurvesBehind(std::move(curves));
}

// ---- Start-up ----

void MainForm::OnInitialUpdate() {
    m_w.graph->AttachChannels(&m_channels);
    m_w.graph->SetPlotArea();
    m_w.graph->SetParentView(this);
    m_w.graph->SetOverlaySource(
        [this](const OutputChannel& shown) { return m_roomEq->For(shown); });
    m_musicFolder = QDir(m_workDir).filePath(QString::fromLatin1(kMusicFolder));
    QDir().mkpath(m_musicFolder);
    m_w.linkCheck->setFont(FormFont());
    for (TransparentLabel* t : m_w.temperatures) {
        t->setFont(FormFont());
    }
    ApplyLanguage();
    ShowState(0);
    ShowNoReadings();
}

// ---- Showing the model ----

void MainForm::ShowState(int channel) {
    m_w.linkCheck->setChecked(m_channels.Ch1Ch2Linked());
    const auto& sys = m_state.image.systemBytes;
    const int mode = sys[sysbyte::kModeCh12];
    if (mode == kModeBridge) {
        channel = 0;
    }
    if (mode >= kModeStereo && mode <= kModeBridge) {
        Control(kChannelButton + 1)->setEnabled(mode != kModeBridge);
        Control(kSensitivity + 1)->setEnabled(mode != kModeBridge);
    }
    m_binder->ShowColumns();
    ShowChannel(channel);
    m_w.buttons.at(kPower)->SetOn(sys[sysbyte::kPower] != 0);
}

void MainForm::ShowChannel(int n) {
    m_w.buttons.at(kChannelButton + m_current)->SetOn(false);
    m_w.graph->SelectChannel(n);
    m_current = n;
    m_w.buttons.at(kChannelButton + n)->SetOn(true);
    m_binder->ShowChannel(n);
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
    OutputChannel& ch = m_channels.Channel(channel);
    int changed = 0;
    // All bands of a fit are one step of the history, whatever number changed.
    m_history->ApplyAsOneStep(
        [&] {
            for (int k = 0; k < kEqBandCount; ++k) {
                const BandRecord& band = bands[static_cast<std::size_t>(k)];
                // An unchanged band is left alone, so that it is not sent again.
                if (ch.Eq().BuildBandRecord(k) == band) {
                    continue;
                }
                ch.Eq().EditBand(band, k);
                m_channels.MirrorFilter(channel, k);
                ++changed;
            }
        },
        TextId::HistoryRoomEq);
    if (changed > 0) {
        m_binder->ShowChannel(m_current);
        m_w.graph->ShowActiveFilter();
    }
    return changed;
}

void MainForm::OpenRoomEq() {
    RoomEqDialog dialog(FiltersOf(Current()), m_current, m_state.ui.language, m_roomEq.get(), this);
    dialog.SetLinked(m_current <= 1 && m_channels.Ch1Ch2Linked());
    dialog.SetMeasurementPath(m_roomEqPath);
    connect(&dialog, &RoomEqDialog::graphChanged, m_w.graph, [this] { m_w.graph->update(); });
    const bool accepted = dialog.exec() == QDialog::Accepted;
    m_roomEqPath = dialog.MeasurementPath();
    if (accepted && dialog.Bands()) {
        ApplyBands(m_current, *dialog.Bands());
    }
}

// ---- Language, amplifier mode, power ----

void MainForm::ToggleLanguage() {
    m_state.ui.language =
        m_state.ui.language == Language::English ? Language::Chinese : Language::English;
    ApplyLanguage();
}

void MainForm::ApplyLanguage() {
    UseQtTranslations(m_state.ui.language);  // Qt's own dialogs and buttons follow
    m_w.linkCheck->setText(UiText(m_state.ui, TextId::FormLinkCheck));
    ShowPendingCount();
    ShowLanguagePictures(m_w, m_state.ui.language);
    ShowLinkLamp();
    m_binder->FillLists();
    if (m_strip != nullptr) {
        m_strip->ApplyLanguage();
    }
    m_w.ampMode->clear();
    for (const std::string& text : ListTexts(SelectionList::AmpMode, m_state.ui.language)) {
        m_w.ampMode->addItem(QString::fromStdString(text));
    }
    m_w.ampMode->setCurrentIndex(m_state.image.systemBytes[sysbyte::kModeCh12]);
    update();
}

void MainForm::SetAmpMode(int m) {
    auto& sys = m_state.image.systemBytes;
    if (m == sys[sysbyte::kModeCh12]) {
        return;
    }
    sys[sysbyte::kModeCh12] = static_cast<std::uint8_t>(m);
    m_channels.WriteAllToImage();
    m_channels.LoadAllFromImage();
    m_channels.UnlinkCh1Ch2();
    m_w.linkCheck->setChecked(false);
    ShowModeControls(m);
    m_controller->SendSystemItem(ITEM_MODES, 0, 0);
    m_history->Commit();
}

void MainForm::ShowModeControls(int mode) {
    const bool bridge = mode == kModeBridge;
    m_w.linkCheck->setEnabled(!bridge);
    if (bridge) {
        ShowState(m_current);
    } else {
        Control(kChannelButton + 1)->setEnabled(true);
        Control(kSensitivity + 1)->setEnabled(true);
    }
    Control(kMute + 1)->setEnabled(!bridge);
    Control(kPolarity + 1)->setEnabled(!bridge);
    m_w.linkCheck->update();
}

MainForm::Question MainForm::PowerOffQuestion() const {
    Question q;
    q.text = UiText(m_state.ui, TextId::PowerOffQuestion);
    q.buttons = {TextId::PowerOffConfirm, TextId::PowerKeepOn};
    // A slip of Enter or Escape keeps the room playing.
    q.defaultButton = 1;
    q.escapeButton = 1;
    return q;
}

// Switching off silences the room, so it is asked first; switching on is never a loss.
void MainForm::TogglePower() {
    auto& sys = m_state.image.systemBytes;
    const std::uint8_t v = sys[sysbyte::kPower] == 0 ? 1 : 0;
    if (v == 0) {
        const Question q = PowerOffQuestion();
        m_guard->Ask(q, [this, q](TextId answer) {
            if (answer != q.buttons.front()) {
                m_w.buttons.at(kPower)->SetOn(true);  // the click changed nothing
                return;
            }
            m_w.buttons.at(kPower)->SetOn(false);
            m_state.image.systemBytes[sysbyte::kPower] = 0;
            m_controller->SendSystemItem(ITEM_POWER, 0, 0);
        });
        return;
    }
    m_w.buttons.at(kPower)->SetOn(v != 0);
    sys[sysbyte::kPower] = v;
    m_controller->SendSystemItem(ITEM_POWER, 0, 0);
}

// ---- The link controller's view ----

void MainForm::SetLinkLamp(LinkLamp lamp) {
    m_lamp = lamp;
    ShowLinkLamp();
    if (lamp == LinkLamp::Off) {
        ShowNoReadings();
    }
}

// Without a link nothing is measured: the last readings must not pass for live ones, and a
// batch cut off leaves no part-filled bar.
void MainForm::ShowNoReadings() {
    for (TransparentLabel* t : m_w.temperatures) {
        t->setText(QStringLiteral("--"));
    }
    for (Lamp* lamp : m_w.lamps) {
        lamp->SetNoReading();
    }
    m_w.progress->reset();
}

// Connecting shows the amber lamp in the button's "on" look; the language's pictures are
// set again first, so that leaving the state (or switching language) restores them.
void MainForm::ShowLinkLamp() {
    PictureButton* button = m_w.buttons.at(kLinkButton);
    const form::ControlDef* def = form::FindControl(kLinkButton);
    const bool english = m_state.ui.language == Language::English;
    if (def != nullptr) {
        SetPictures(button, english ? def->bitmapsEn : def->bitmapsZh);
    }
    if (m_lamp == LinkLamp::Connecting) {
        const int normal =
            english ? picture::kLinkConnectingEnglish : picture::kLinkConnectingChinese;
        const int hover =
            english ? picture::kLinkConnectingHoverEnglish : picture::kLinkConnectingHoverChinese;
        button->SetBitmaps(normal, hover, hover, normal, hover, hover);
    }
    button->SetOn(m_lamp != LinkLamp::Off);
}

void MainForm::SetProgressRange(int low, int high) {
    m_w.progress->setRange(low, high);
}

void MainForm::SetProgressPos(int pos) {
    m_w.progress->setValue(pos);
}

void MainForm::ShowBusy(BusyState state) {
    m_busy->ShowBusy(state);
    if (state == BusyState::Hidden) {
        m_w.progress->reset();  // a batch given up
    }
}

void MainForm::ShowTransferDone(TransferDirection direction) {
    m_done->ShowTransferDone(direction, *m_busy);
}

std::optional<LinkKind> MainForm::RunConnectDialog(LinkKind current) {
    ConnectDialog dlg(m_state, m_settings, current, m_controller->SerialPort(), this);
    if (dlg.exec() != QDialog::Accepted) {
        return std::nullopt;
    }
    const ConnectChoice c = dlg.Choice();
    m_controller->SetSerialPort(c.serialPort);
    if (c.kind == LinkKind::Network) {
        m_controller->SetNetworkTarget(c.host, c.tcpPort);
    }
    return c.kind;
}

void MainForm::ClearLinkCheckBox() {
    m_w.linkCheck->setChecked(false);
}

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

void MainForm::ShowSystemState(int mode, int power) {
    m_w.ampMode->setCurrentIndex(mode);
    m_w.buttons.at(kPower)->SetOn(power != 0);
}

void MainForm::ShowLevels(int level1, int level2) {
    m_w.lamps[0]->SetLevel(level1);
    m_w.lamps[1]->SetLevel(level2);
}

void MainForm::ShowTemperature(int readout, int celsius) {
    m_w.temperatures.at(static_cast<std::size_t>(readout))
        ->setText(QString::fromStdString(std::to_string(celsius)));
}

std::optional<std::string> MainForm::ChooseAllProgramsFile() {
    const QString start = QDir(m_musicFolder).filePath(QStringLiteral("*.ALLData12File"));
    const QString path =
        QFileDialog::getSaveFileName(this, QString(), start, QStringLiteral("*.ALLData12File"));
    if (path.isEmpty()) {
        return std::nullopt;
    }
    return WithExtension(path.toStdString(), kAllProgramsExtension);
}

void MainForm::WriteAllProgramsFile(const std::string& path) {
    FileWriteResult why;
    if (tolmarin::WriteAllProgramsFile(m_state.image, path, Overwrite::Replace, &why) !=
        FileStatus::Ok) {
        m_state.ui.Report(TextId::SaveAllMusicFileError, MessageKind::Stop,
                          WriteFailureReason(why, m_state.ui));
    }
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

// ---- Painting and keys ----

void MainForm::paintEvent(QPaintEvent* /*event*/) {
    QPainter p(this);
    const QPixmap background = LoadBitmap(
        m_state.ui.language == Language::English ? kBitmapBackgroundEn : kBitmapBackgroundZh);
    p.drawPixmap(0, 0, background);
    // The strip below the picture continues its bottom row.
    const PixelRect strip = StripRect();
    p.drawPixmap(QRect(strip.x, strip.y, strip.width, strip.height), background,
                 QRect(0, background.height() - 1, background.width(), 1));
    if (!m_painted) {
        m_painted = true;
        emit firstPainted();
    }
}

// Enter gives the focus to the form, so a field being typed in commits its value; the key
// then goes on to the control. Escape is the field's own: it drops the typing.
bool MainForm::eventFilter(QObject* watched, QEvent* event) {
    switch (event->type()) {
        case QEvent::MouseButtonPress:
            m_history->OtherInput();
            if (IsGestureControl(watched)) {
                m_history->BeginGesture();
            }
            break;
        case QEvent::MouseButtonRelease:
            // After the control has handled the release; a notice it posts then (a fader's
            // last value) still joins the gesture's step.
            if (IsGestureControl(watched) && m_history->InGesture()) {
                QTimer::singleShot(0, m_history.get(), [h = m_history.get()] { h->EndGesture(); });
            }
            break;
        case QEvent::Wheel:
            m_history->WheelTurned(watched);
            break;
        case QEvent::KeyPress:
            m_history->OtherInput();
            break;
        case QEvent::ShortcutOverride:
            if (auto* edit = qobject_cast<QLineEdit*>(watched)) {
                auto* key = static_cast<QKeyEvent*>(event);
                // A shortcut acts on the document: typed text goes in first, as leaving the
                // field would put it (the field's own editing keys excepted).
                if (IsDocumentShortcut(*key)) {
                    CommitTypedText();
                }
                // A field keeps Ctrl+Z and Ctrl+Y only while it holds typing it can take back.
                const bool undo = key->matches(QKeySequence::Undo);
                const bool redo = key->matches(QKeySequence::Redo) ||
                                  key->keyCombination() == QKeyCombination(Qt::CTRL, Qt::Key_Y);
                if ((undo && !edit->isUndoAvailable()) || (redo && !edit->isRedoAvailable())) {
                    event->ignore();
                    return true;
                }
            }
            break;
        default:
            break;
    }
    if (event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            setFocus(Qt::OtherFocusReason);
        }
    }
    return QWidget::eventFilter(watched, event);
}

void MainForm::CommitTypedText() {
    if (auto* field = qobject_cast<NumberField*>(QApplication::focusWidget());
        field != nullptr && isAncestorOf(field)) {
        field->CommitTyping();
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
