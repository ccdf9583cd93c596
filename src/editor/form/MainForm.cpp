#include "editor/form/MainForm.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QDir>
#include <QEvent>
#include <QFileDialog>
#include <QKeyEvent>
#include <QLabel>
#include <QPainter>
#include <QPointer>
#include <QProgressBar>
#include <QProxyStyle>
#include <QSettings>
#include <QStyleOptionComplex>

#include "art/Artwork.h"
#include "controls/BitmapSource.h"
#include "controls/Fader.h"
#include "controls/Lamp.h"
#include "controls/NumberField.h"
#include "controls/NumberSpin.h"
#include "controls/PictureButton.h"
#include "controls/PictureRadio.h"
#include "controls/TransparentLabel.h"
#include "editor/form/BoundParameters.h"
#include "editor/form/FormIds.h"
#include "editor/form/FormLayout.h"
#include "editor/form/FormText.h"
#include "editor/form/LinkDialogs.h"
#include "editor/form/ParameterBinder.h"
#include "editor/graph/ResponseGraph.h"
#include "link/DeviceLink.h"
#include "link/LinkController.h"
#include "model/ChannelSet.h"
#include "protocol/DeviceImage.h"
#include "protocol/ProgramFile.h"
#include "text/SelectionLists.h"

namespace tolmarin {

using namespace form;

namespace {

// The button pictures that follow the language: on look three times, then off look.
using Pictures = std::array<int, 6>;
Pictures Looks(int on, int off) {
    return {on, on, on, off, off, off};
}
Pictures Hovering(int a, int b) {
    return {a, b, b, a, b, b};
}
// The link button: the on look with its hover picture, then the off look with its own.
Pictures LinkLooks(int on, int onHover, int off, int offHover) {
    return {on, onHover, onHover, off, offHover, offHover};
}

struct LanguagePictures {
    int id;
    Pictures english;
    Pictures chinese;
};

const std::vector<LanguagePictures>& LanguagePictureSets() {
    using namespace art::id;
    static const std::vector<LanguagePictures> sets = [] {
        std::vector<LanguagePictures> v;
        for (int n = 0; n < 2; ++n) {
            v.push_back({kMute + n, Looks(kOutputOnEnglish, kOutputOffEnglish),
                         Looks(kOutputOnChinese, kOutputOffChinese)});
            v.push_back({kPolarity + n, Looks(kPolarityInvertedEnglish, kPolarityNormalEnglish),
                         Looks(kPolarityInvertedChinese, kPolarityNormalChinese)});
            v.push_back({kChannelButton + n, Looks(kChannelOnEnglish + n, kChannelOffEnglish + n),
                         Looks(kChannelOnChinese + n, kChannelOffChinese + n)});
        }
        // The page buttons: language, programs, parameter table, system.
        for (int i = 0; i < 4; ++i) {
            v.push_back({kLanguage + i, Hovering(kPageNormalEnglish + i, kPageHoverEnglish + i),
                         Hovering(kPageNormalChinese + i, kPageHoverChinese + i)});
        }
        v.push_back(
            {kLinkButton,
             LinkLooks(kLinkOnEnglish, kLinkOnHoverEnglish, kLinkOffEnglish, kLinkOffHoverEnglish),
             LinkLooks(kLinkOnChinese, kLinkOnHoverChinese, kLinkOffChinese,
                       kLinkOffHoverChinese)});
        return v;
    }();
    return sets;
}

constexpr int kSpinWidthPx = 13;
constexpr int kLinkCheckWidthPx = 180;
constexpr int kListArrowPx = 14;
constexpr int kTemplateFontPx = 11;

}  // namespace

// The form's lists are narrow (the template's widths): a slimmer arrow leaves the text room.
class ListStyle : public QProxyStyle {
public:
    ListStyle() : QProxyStyle(QStringLiteral("Fusion")) {}
    QRect subControlRect(ComplexControl control, const QStyleOptionComplex* option, SubControl sub,
                         const QWidget* widget) const override;
};

// One for the process, owned by the application so that it outlives every list.
QStyle* FormListStyle() {
    static QPointer<ListStyle> style;
    if (style.isNull()) {
        style = new ListStyle;
        style->setParent(QCoreApplication::instance());
    }
    return style;
}

QRect ListStyle::subControlRect(ComplexControl control, const QStyleOptionComplex* option,
                                SubControl sub, const QWidget* widget) const {
    QRect r = QProxyStyle::subControlRect(control, option, sub, widget);
    if (control != CC_ComboBox) {
        return r;
    }
    const QRect frame = option->rect;
    if (sub == SC_ComboBoxArrow) {
        return QRect(frame.right() - kListArrowPx + 1, frame.top(), kListArrowPx, frame.height());
    }
    if (sub == SC_ComboBoxEditField) {
        constexpr int kInset = 2;
        return QRect(frame.left() + kInset, frame.top() + kInset,
                     frame.width() - kListArrowPx - 2 * kInset, frame.height() - 2 * kInset);
    }
    return r;
}

MainForm::MainForm(SharedState& state, ChannelSet& channels, QSettings& settings,
                   const QString& workDir, QWidget* parent)
    : QWidget(parent),
      m_state(state),
      m_channels(channels),
      m_settings(settings),
      m_workDir(workDir),
      m_linkModel(channels),
      m_binder(std::make_unique<ParameterBinder>(state, channels)) {
    setFixedSize(kFormWidth, kFormHeight);
    setFocusPolicy(Qt::StrongFocus);
    QFont font(QStringLiteral("Arial"));
    font.setPixelSize(kTemplateFontPx);
    setFont(font);
    m_state.ui.sink = this;
    m_link = std::make_unique<DeviceLink>(m_state, m_linkModel, *this);
    m_controller = &m_link->Controller();
    m_command = &m_link->Command();
    CreateControls();
    ConnectOwnControls();
    OnInitialUpdate();
}

MainForm::~MainForm() {
    // A link still open is closed (and its serial port released) before the form goes.
    if (m_controller != nullptr) {
        m_controller->CloseLink();
    }
    m_binder.reset();
    if (m_state.ui.sink == this) {
        m_state.ui.sink = nullptr;
    }
}

void MainForm::UseController(LinkController* controller, CommandQueue* command) {
    m_controller = controller != nullptr ? controller : &m_link->Controller();
    m_command = command != nullptr ? command : &m_link->Command();
}

// ---- Creation: every control from the form's table, in one loop ----

void MainForm::CreateControls() {
    // Controls of a parameter and kind so far: the next one's band, column or input.
    std::map<std::pair<std::string_view, ControlKind>, int> seen;
    for (const ControlDef& c : FormControls()) {
        const QRect r = DialogRect(c.x, c.y, c.w, c.h);
        QWidget* w = nullptr;
        NumberSpin* spin = nullptr;
        switch (c.kind) {
            case ControlKind::SkinButton: {
                auto* b = new PictureButton(this);
                b->SetControlId(c.id);
                m_buttons[c.id] = b;
                if (c.bitmaps[0] != 0) {
                    SetPictures(c.id, c.bitmaps);
                }
                w = b;
                break;
            }
            case ControlKind::DropList:
            case ControlKind::ComboEdit: {
                auto* l = new QComboBox(this);
                l->setEditable(c.kind == ControlKind::ComboEdit);
                l->setStyle(FormListStyle());
                if (c.id == kAmpMode) {
                    m_ampMode = l;
                }
                w = l;
                break;
            }
            case ControlKind::Progress:
                m_progress = new QProgressBar(this);
                m_progress->setTextVisible(false);
                m_progress->setRange(0, 100);
                m_progress->setValue(0);
                w = m_progress;
                break;
            case ControlKind::Graph:
                m_graph = new ResponseGraph(this);
                m_graph->SetControlId(c.id);
                w = m_graph;
                break;
            case ControlKind::LinkCheck:
                m_linkCheck = new PictureRadio(PictureRadio::Style::Check, this);
                m_linkCheck->SetControlId(c.id);
                m_linkCheck->setCheckable(true);
                w = m_linkCheck;
                break;
            case ControlKind::TempLabel:
                m_temperatures.push_back(new TransparentLabel(this));
                m_temperatures.back()->SetControlId(c.id);
                m_temperatures.back()->setText(QStringLiteral("100"));
                w = m_temperatures.back();
                break;
            case ControlKind::Picture: {
                auto* p = new QLabel(this);
                p->setPixmap(LoadBitmap(c.bitmaps[0]));
                p->setGeometry(QRect(r.topLeft(), p->pixmap().size()));
                p->installEventFilter(this);
                m_controls[c.id] = p;
                continue;
            }
            case ControlKind::Lamp:
                m_lamps.push_back(new Lamp(this));
                m_lamps.back()->SetControlId(c.id);
                m_lamps.back()->Init();
                w = m_lamps.back();
                break;
            case ControlKind::NumField: {
                auto* e = new NumberField(this);
                e->SetControlId(c.id);
                spin = new NumberSpin(this);
                spin->SetControlId(c.spinId);
                // The spin sits inside the field's width, at its right.
                e->setGeometry(r.adjusted(0, 0, -kSpinWidthPx, 0));
                spin->setGeometry(
                    QRect(r.right() - kSpinWidthPx + 1, r.top(), kSpinWidthPx, r.height()));
                e->installEventFilter(this);
                spin->installEventFilter(this);
                m_controls[c.spinId] = spin;
                w = e;
                break;
            }
            case ControlKind::Fader: {
                auto* f = new Fader(this);
                f->SetControlId(c.id);
                f->SetBitmapChannel(c.bitmaps[0], 0, true, Fader::kColourFromPixel, 0, 0);
                f->SetBitmapThumb(c.bitmaps[1], c.bitmaps[2], true, Fader::kColourFromPixel, 0, 0);
                // The margin insets the thumb from the track's left edge; the track pictures
                // hide the part of the volume thumb that overhangs them.
                f->SetMargin(c.margin, 0, 0, 0);
                f->SetVertical(true);
                w = f;
                break;
            }
        }
        if (c.kind != ControlKind::NumField) {
            w->setGeometry(r);
        }
        if (c.kind == ControlKind::LinkCheck) {
            // The label is set per language later; leave room for the longer one.
            w->resize(std::max(r.width(), kLinkCheckWidthPx), r.height());
        }
        w->setVisible(!c.hidden);
        w->installEventFilter(this);
        m_controls[c.id] = w;
        if (const auto bound = BoundParameterOf(c.id)) {
            const ParamDef* param = ParamByName(bound->name);
            // Band columns and channel columns count up in the table's order.
            const int index = seen[{bound->name, c.kind}]++;
            if (c.kind == ControlKind::NumField) {
                m_binder->BindField(*param, index, static_cast<NumberField*>(w), spin, bound->unit);
            } else if (c.kind == ControlKind::Fader) {
                m_binder->BindFader(*param, index, static_cast<Fader*>(w));
            } else if (c.kind == ControlKind::SkinButton) {
                m_binder->BindSwitch(*param, index, static_cast<PictureButton*>(w));
            } else {
                m_binder->BindList(*param, index, static_cast<QComboBox*>(w));
            }
        }
    }
    m_binder->SetGraph(m_graph);
    m_busy = new BusyPopup(m_state, this, this);
    m_done = new DonePopup(m_state, this);
}

void MainForm::ConnectOwnControls() {
    const auto click = [this](int id, auto slot) {
        connect(m_buttons.at(id), &QAbstractButton::clicked, this, slot);
    };
    click(kLanguage, [this] { ToggleLanguage(); });
    click(kProgram, [this] { emit programRequested(); });
    click(kDataView, [this] { emit dataViewRequested(); });
    click(kPower, [this] { TogglePower(); });
    click(kLinkButton, [this] { OnLinkButton(); });
    for (int n = 0; n < 2; ++n) {
        click(kChannelButton + n, [this, n] { ShowChannel(n); });
    }
    connect(m_linkCheck, &QAbstractButton::clicked, this, [this] { OnLinkCheck(); });
    connect(m_ampMode, &QComboBox::activated, this, [this](int selection) {
        if (selection >= 0) {
            SetAmpMode(selection);
        }
    });
    connect(m_graph, &ResponseGraph::filterChanged, m_binder.get(), &ParameterBinder::ShowFilter);
    connect(m_binder.get(), &ParameterBinder::systemItemEdited, this,
            [this](std::uint8_t item, int index) { m_controller->SendSystemItem(item, 0, index); });
}

// ---- Start-up ----

void MainForm::OnInitialUpdate() {
    m_graph->AttachChannels(&m_channels);
    m_graph->SetPlotArea();
    m_graph->SetParentView(this);
    m_musicFolder = QDir(m_workDir).filePath(QString::fromLatin1(kMusicFolder));
    QDir().mkpath(m_musicFolder);
    m_linkCheck->setFont(FormFont());
    for (TransparentLabel* t : m_temperatures) {
        t->setFont(FormFont());
    }
    ApplyLanguage();
    ShowState(0);
}

// ---- Showing the model ----

void MainForm::ShowState(int channel) {
    m_linkCheck->setChecked(m_channels.Ch1Ch2Linked());
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
    m_buttons.at(kPower)->SetOn(sys[sysbyte::kPower] != 0);
}

void MainForm::ShowChannel(int n) {
    m_buttons.at(kChannelButton + m_current)->SetOn(false);
    m_graph->SelectChannel(n);
    m_current = n;
    m_buttons.at(kChannelButton + n)->SetOn(true);
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
    if (m_linkCheck->isChecked()) {
        CommandQueue& command = *m_command;
        m_channels.LinkCh1Ch2(m_controller->Linked(), [&command](std::unique_ptr<SendData> item) {
            command.Enqueue(std::move(item));
        });
        if (m_current == 1) {
            ShowState(1);
        }
    } else {
        m_channels.UnlinkCh1Ch2();
    }
}

void MainForm::SetPictures(int id, const Pictures& p) {
    m_buttons.at(id)->SetBitmaps(p[0], p[1], p[2], p[3], p[4], p[5]);
}

// ---- Language, amplifier mode, power ----

void MainForm::ToggleLanguage() {
    m_state.ui.language =
        m_state.ui.language == Language::English ? Language::Chinese : Language::English;
    ApplyLanguage();
}

void MainForm::ApplyLanguage() {
    const bool en = m_state.ui.language == Language::English;
    m_linkCheck->setText(UiText(m_state.ui, TextId::FormLinkCheck));
    for (const LanguagePictures& p : LanguagePictureSets()) {
        SetPictures(p.id, en ? p.english : p.chinese);
    }
    m_binder->FillLists();
    m_ampMode->clear();
    for (const std::string& text : ListTexts(SelectionList::AmpMode, m_state.ui.language)) {
        m_ampMode->addItem(QString::fromStdString(text));
    }
    m_ampMode->setCurrentIndex(m_state.image.systemBytes[sysbyte::kModeCh12]);
    update();
}

void MainForm::SetAmpMode(int m) {
    auto& sys = m_state.image.systemBytes;
    if (m == sys[sysbyte::kModeCh12]) {
        return;
    }
    sys[sysbyte::kModeCh12] = static_cast<std::uint8_t>(m);
    m_channels.StoreAllToImage();
    m_channels.LoadAllFromImage();
    m_channels.UnlinkCh1Ch2();
    m_linkCheck->setChecked(false);
    const bool bridge = m == kModeBridge;
    m_linkCheck->setEnabled(!bridge);
    if (bridge) {
        ShowState(m_current);
    } else {
        Control(kChannelButton + 1)->setEnabled(true);
        Control(kSensitivity + 1)->setEnabled(true);
    }
    Control(kMute + 1)->setEnabled(!bridge);
    Control(kPolarity + 1)->setEnabled(!bridge);
    m_linkCheck->update();
    m_controller->SendSystemItem(ITEM_MODES, 0, 0);
}

void MainForm::TogglePower() {
    auto& sys = m_state.image.systemBytes;
    const std::uint8_t v = sys[sysbyte::kPower] == 0 ? 1 : 0;
    m_buttons.at(kPower)->SetOn(v != 0);
    sys[sysbyte::kPower] = v;
    m_controller->SendSystemItem(ITEM_POWER, 0, 0);
}

// ---- The link controller's view ----

void MainForm::SetLinkButtonActive(bool active) {
    m_buttons.at(kLinkButton)->SetOn(active);
}

void MainForm::SetProgressRange(int low, int high) {
    m_progress->setRange(low, high);
}

void MainForm::SetProgressPos(int pos) {
    m_progress->setValue(pos);
}

void MainForm::ShowBusy(BusyState state) {
    m_busy->ShowBusy(state);
}

void MainForm::ShowTransferDone(int direction) {
    m_done->ShowTransferDone(direction, *m_busy);
}

std::optional<LinkKind> MainForm::RunConnectDialog(LinkKind current) {
    ConnectDialog dlg(m_state, m_settings, current, this);
    if (dlg.exec() != QDialog::Accepted) {
        return std::nullopt;
    }
    const ConnectChoice c = dlg.Choice();
    m_state.app.portName = c.serialPort;
    if (c.kind == LinkKind::Network) {
        m_controller->SetNetworkTarget(c.host, c.tcpPort);
    }
    return c.kind;
}

void MainForm::ClearLinkCheckBox() {
    m_linkCheck->setChecked(false);
}

void MainForm::ShowState() {
    ShowState(m_current);
}

void MainForm::ShowSystemState(int mode, int power) {
    m_ampMode->setCurrentIndex(mode);
    m_buttons.at(kPower)->SetOn(power != 0);
}

void MainForm::ShowLevels(int level1, int level2) {
    m_lamps[0]->SetLevel(level1);
    m_lamps[1]->SetLevel(level2);
}

void MainForm::ShowTemperature(int readout, int celsius) {
    m_temperatures.at(static_cast<std::size_t>(readout))
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
    if (tolmarin::WriteAllProgramsFile(m_state.image, path) != FileStatus::Ok) {
        m_state.ui.Report(TextId::SaveAllMusicFileError, MessageKind::Stop);
    }
}

void MainForm::ShowMessage(std::string_view text, MessageKind kind) {
    ShowMessageBox(this, m_state.ui, QString::fromUtf8(text.data(), static_cast<int>(text.size())),
                   kind);
}

// ---- Painting and keys ----

void MainForm::paintEvent(QPaintEvent* /*event*/) {
    QPainter p(this);
    p.drawPixmap(0, 0,
                 LoadBitmap(m_state.ui.language == Language::English ? kBitmapBackgroundEn
                                                                     : kBitmapBackgroundZh));
    if (!m_painted) {
        m_painted = true;
        emit firstPainted();
    }
}

// Enter and Escape give the focus to the form, so a field being typed in commits its value;
// the key then goes on to the control.
bool MainForm::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter || key == Qt::Key_Escape) {
            setFocus(Qt::OtherFocusReason);
        }
    }
    return QWidget::eventFilter(watched, event);
}

// ---- Lookups ----

OutputChannel& MainForm::Current() {
    return m_channels.Channel(m_current);
}

QWidget* MainForm::Control(int id) const {
    const auto it = m_controls.find(id);
    return it == m_controls.end() ? nullptr : it->second;
}

}  // namespace tolmarin
