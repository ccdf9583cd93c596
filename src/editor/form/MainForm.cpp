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

#include "controls/BitmapSource.h"
#include "controls/Fader.h"
#include "controls/FixedList.h"
#include "controls/Lamp.h"
#include "controls/NumberField.h"
#include "controls/NumberSpin.h"
#include "controls/PictureButton.h"
#include "controls/PictureRadio.h"
#include "controls/TransparentLabel.h"
#include "editor/form/FormLayout.h"
#include "editor/form/FormText.h"
#include "editor/form/LinkDialogs.h"
#include "editor/graph/ResponseGraph.h"
#include "form/FormIds.h"
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

constexpr int kSpinWidthPx = 13;
constexpr int kFlatGainStep = 200;
constexpr int kLinkCheckWidthPx = 180;
constexpr int kListArrowPx = 14;
constexpr int kTemplateFontPx = 11;

bool InBand(int id, int first) {
    return id >= first && id < first + kBandCount;
}

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
      m_linkModel(channels) {
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
    OnInitialUpdate();
}

MainForm::~MainForm() {
    // A link still open is closed (and its serial port released) before the form goes.
    if (m_controller != nullptr) {
        m_controller->CloseLink();
    }
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
    for (const ControlDef& c : FormControls()) {
        const QRect r = DialogRect(c.x, c.y, c.w, c.h);
        QWidget* w = nullptr;
        const int id = c.id;
        switch (c.kind) {
            case ControlKind::SkinButton: {
                auto* b = new PictureButton(this);
                b->SetControlId(id);
                connect(b, &QAbstractButton::clicked, this, [this, id] { OnClicked(id); });
                w = b;
                break;
            }
            case ControlKind::DropList:
            case ControlKind::ComboEdit: {
                auto* l = new FixedList(this);
                l->setStyle(FormListStyle());
                connect(l, &QComboBox::activated, this,
                        [this, id](int selection) { OnSelection(id, selection); });
                w = l;
                break;
            }
            case ControlKind::Progress: {
                m_progress = new QProgressBar(this);
                m_progress->setTextVisible(false);
                m_progress->setRange(0, 100);
                m_progress->setValue(0);
                w = m_progress;
                break;
            }
            case ControlKind::Graph: {
                auto* g = new ResponseGraph(this);
                g->SetControlId(id);
                connect(g, &ResponseGraph::filterChanged, this, &MainForm::OnFilterChanged);
                connect(g, &ResponseGraph::gainDragged, this,
                        [this](int k, int step) { FaderAt(kBandFader + k)->SetPosReversed(step); });
                w = g;
                break;
            }
            case ControlKind::LinkCheck: {
                auto* b = new PictureRadio(PictureRadio::Style::Check, this);
                b->SetControlId(id);
                b->setCheckable(true);
                connect(b, &QAbstractButton::clicked, this, [this, id] { OnClicked(id); });
                w = b;
                break;
            }
            case ControlKind::TempLabel: {
                auto* t = new TransparentLabel(this);
                t->SetControlId(id);
                w = t;
                break;
            }
            case ControlKind::Picture: {
                auto* p = new QLabel(this);
                p->setPixmap(LoadBitmap(c.bitmaps[0]));
                p->setGeometry(QRect(r.topLeft(), p->pixmap().size()));
                p->installEventFilter(this);
                m_controls[id] = p;
                continue;
            }
            case ControlKind::Lamp: {
                auto* l = new Lamp(this);
                l->SetControlId(id);
                w = l;
                break;
            }
            case ControlKind::NumField: {
                auto* e = new NumberField(this);
                e->SetControlId(id);
                auto* s = new NumberSpin(this);
                s->SetControlId(c.spinId);
                // The spin sits inside the field's width, at its right.
                e->setGeometry(r.adjusted(0, 0, -kSpinWidthPx, 0));
                s->setGeometry(
                    QRect(r.right() - kSpinWidthPx + 1, r.top(), kSpinWidthPx, r.height()));
                connect(e, &NumberField::commandSent, this, &MainForm::OnCommand);
                connect(s, &NumberSpin::commandSent, this, &MainForm::OnCommand);
                e->installEventFilter(this);
                s->installEventFilter(this);
                m_controls[c.spinId] = s;
                m_controls[id] = e;
                continue;
            }
            case ControlKind::Fader: {
                auto* f = new Fader(this);
                f->SetControlId(id);
                connect(f, &Fader::faderChanging, this, [this](int fid, int) { OnFader(fid); });
                connect(f, &Fader::faderChanged, this, [this](int fid, int) { OnFader(fid); });
                w = f;
                break;
            }
        }
        w->setGeometry(r);
        if (c.kind == ControlKind::LinkCheck) {
            // The label is set per language later; leave room for the longer one.
            w->resize(std::max(r.width(), kLinkCheckWidthPx), r.height());
        }
        w->setVisible(!c.hidden);
        w->installEventFilter(this);
        m_controls[id] = w;
    }
    m_busy = new BusyPopup(m_state, this, this);
    m_done = new DonePopup(m_state, this);
}

// ---- Start-up ----

void MainForm::OnInitialUpdate() {
    ResponseGraph* graph = Graph();
    graph->AttachChannels(&m_channels);
    graph->SetPlotArea();
    graph->SetParentView(this);
    m_musicFolder = QDir(m_workDir).filePath(QString::fromLatin1(kMusicFolder));
    QDir().mkpath(m_musicFolder);
    InitControls();
    ApplyLanguage();
    ShowState(0);
}

void MainForm::InitControls() {
    for (int id : {kLinkCheck, kTemperature, kTemperature + 1}) {
        Control(id)->setFont(FormFont());
    }
    for (const ControlDef& c : FormControls()) {
        if (c.kind == ControlKind::SkinButton && c.bitmaps[0] != 0) {
            const Pictures& p = c.bitmaps;
            Button(c.id)->SetBitmaps(p[0], p[1], p[2], p[3], p[4], p[5]);
        } else if (c.kind == ControlKind::NumField) {
            auto* edit = Get<NumberField>(c.id);
            edit->SetKind(c.unitKind);
            if (c.step != 0.0) {
                edit->SetStep(c.step);
            }
            if (c.offset != 0.0) {
                edit->SetOffset(c.offset);
            }
            NumberSpin* spin = Spin(c.spinId);
            spin->SetBuddy(edit);
            spin->SetRange(c.min, c.max);
        } else if (c.kind == ControlKind::Fader) {
            Fader* f = FaderAt(c.id);
            constexpr unsigned kPixelColour = 0xFF000000u;  // transparent colour of pixel (0, 0)
            f->SetBitmapChannel(c.bitmaps[0], 0, true, kPixelColour, 0, 0);
            f->SetBitmapThumb(c.bitmaps[1], c.bitmaps[2], true, kPixelColour, 0, 0);
            // The margin insets the thumb from the track's left edge; the track pictures hide
            // the part of the volume thumb that overhangs them.
            f->SetMargin(c.margin, 0, 0, 0);
            f->SetVertical(true);
            f->SetRange(c.min, c.max, false);
            f->SetPos(0);
        }
    }
    for (int n = 0; n < 2; ++n) {
        Button(kMute + n)->SetBitmaps(4600, 4600, 4600, 4601, 4601, 4601);
        Button(kPolarity + n)->SetBitmaps(4603, 4603, 4603, 4602, 4602, 4602);
        FillList(kSensitivity + n, SelectionList::Sensitivity);
        Get<Lamp>(kLamp + n)->Init();
        Get<TransparentLabel>(kTemperature + n)->setText(QStringLiteral("100"));
    }
    for (int id : {kHpSlope, kLpSlope}) {
        FillList(id, SelectionList::CrossoverSlope);
    }
    FillList(kRelease, SelectionList::Release);
}

void MainForm::FillList(int id, SelectionList entries) {
    QComboBox* list = List(id);
    list->clear();
    for (const std::string& text : ListTexts(entries, m_state.ui.language)) {
        list->addItem(QString::fromStdString(text));
    }
}

// ---- Showing the model ----

void MainForm::ShowState(int channel) {
    Get<PictureRadio>(kLinkCheck)->setChecked(m_channels.Ch1Ch2Linked());
    const auto& sys = m_state.image.systemBytes;
    const int mode = sys[sysbyte::kModeCh12];
    if (mode == kModeBridge) {
        Button(kChannelButton + 1)->setEnabled(false);
        List(kSensitivity + 1)->setEnabled(false);
        channel = 0;
    } else if (mode == kModeStereo || mode == kModeParallel) {
        Button(kChannelButton + 1)->setEnabled(true);
        List(kSensitivity + 1)->setEnabled(true);
    }
    for (int n = 0; n < 2; ++n) {
        Button(kMute + n)->SetOn(Channel(n).GetOutputOn() != 0);
        Button(kPolarity + n)->SetOn(Channel(n).GetPolarity() != 0);
        List(kSensitivity + n)
            ->setCurrentIndex(sys[static_cast<std::size_t>(sysbyte::kSensitivity1 + n)]);
    }
    ShowChannel(channel);
    Button(kPower)->SetOn(sys[sysbyte::kPower] != 0);
}

void MainForm::ShowChannel(int n) {
    Button(kChannelButton + m_current)->SetOn(false);
    Graph()->SelectChannel(n);
    m_current = n;
    Button(kChannelButton + n)->SetOn(true);
    OutputChannel& rec = Current();

    for (int i = 0; i < 3; ++i) {
        Spin(kDelaySpin + i)->SetPos(rec.GetDelay());
    }
    List(kHpFamily)->setCurrentIndex(rec.HighPass().GetFamily());
    Spin(kHpSpin)->SetPos(rec.HighPass().GetFreq());
    List(kHpSlope)->setCurrentIndex(rec.HighPass().GetSlope());
    List(kLpFamily)->setCurrentIndex(rec.LowPass().GetFamily());
    Spin(kLpSpin)->SetPos(rec.LowPass().GetFreq());
    List(kLpSlope)->setCurrentIndex(rec.LowPass().GetSlope());

    Spin(kThresholdSpin)->SetPos(rec.GetLimitThreshold());
    Spin(kAttackSpin)->SetPos(rec.GetLimitAttack());
    List(kRelease)->setCurrentIndex(rec.GetLimitRelease());

    Spin(kVolumeSpin)->SetPos(rec.GetVolumeDb());
    FaderAt(kVolumeFader)->SetPosReversed(rec.GetVolumeDb());

    for (int k = 0; k < kBandCount; ++k) {
        Filter& f = rec.Band(k);
        Spin(kBandQSpin + k)->SetPos(f.GetBandwidthStep());
        Spin(kBandGainSpin + k)->SetPos(f.GetGainStep());
        FaderAt(kBandFader + k)->SetPosReversed(f.GetGainStep());
        ShowBandBypass(f.GetBypass(), k);
        const int kind = f.GetEqKind();
        List(kBandType + k)->setCurrentIndex(kind);
        SetBandFreqRange(k, kind);
        Spin(kBandFreqSpin + k)->SetPos(f.GetFreq());
        EnableBandQ(k, kind);
    }
}

void MainForm::ShowBandBypass(int bypass, int k) {
    if (bypass == 0) {
        Button(kBandBypass + k)->SetOn(false);
        return;
    }
    Button(kBandBypass + k)->SetOn(true);
    Get<NumberField>(kBandGain + k)->setText(QStringLiteral("0.0"));
    Spin(kBandGainSpin + k)->SetPos(kFlatGainStep);
    FaderAt(kBandFader + k)->SetPosReversed(kFlatGainStep);
}

void MainForm::EnableBandQ(int k, int kind) {
    const bool peaking = kind == kKindPeaking;
    Control(kBandQ + k)->setEnabled(peaking);
    Control(kBandQSpin + k)->setEnabled(peaking);
}

// Peaking bands span the whole range, low shelves stay below and high shelves above 2 kHz.
void MainForm::SetBandFreqRange(int k, int kind) {
    constexpr int kLowShelfGentle = 1, kLowShelfSteep = 2;
    int low = kMinFreqHz;
    int high = kMaxFreqHz;
    if (kind == kLowShelfGentle || kind == kLowShelfSteep) {
        high = kShelfSplitHz;
    } else if (kind != kKindPeaking) {
        low = kShelfSplitHz;
    }
    Spin(kBandFreqSpin + k)->SetRange(low, high);
}

// ---- Mirroring between linked CH1 and CH2 ----

void MainForm::MirrorCrossover(bool high) {
    if (m_current > 1 || !m_channels.Ch1Ch2Linked()) {
        return;
    }
    OutputChannel& from = Channel(m_current);
    OutputChannel& to = Channel(1 - m_current);
    if (high) {
        to.HighPass().CopyCrossoverFrom(from.HighPass());
    } else {
        to.LowPass().CopyCrossoverFrom(from.LowPass());
    }
}

void MainForm::MirrorBand(int k) {
    if (m_current > 1 || !m_channels.Ch1Ch2Linked()) {
        return;
    }
    Channel(1 - m_current).Band(k).CopyEqFrom(Channel(m_current).Band(k));
}

// ---- Handlers: model first, then the linked partner, then the graph ----

void MainForm::OnClicked(int id) {
    if (id == kLanguage) {
        ToggleLanguage();
    } else if (id == kProgram) {
        emit programRequested();
    } else if (id == kDataView) {
        emit dataViewRequested();
    } else if (id == kPower) {
        TogglePower();
    } else if (id == kLinkButton) {
        if (m_controller->LinkActive()) {
            m_controller->CloseLink();  // a click during a connect abandons it
        } else if (const std::optional<LinkKind> kind =
                       RunConnectDialog(m_controller->LinkType())) {
            m_controller->OpenLink(*kind);  // the dialog has closed: the link opens after it
        }
    } else if (id == kChannelButton || id == kChannelButton + 1) {
        ShowChannel(id - kChannelButton);
    } else if (id == kMute || id == kMute + 1) {
        const int n = id - kMute;
        const std::uint8_t v = Channel(n).GetOutputOn() == 0 ? 1 : 0;
        Button(id)->SetOn(v != 0);
        Channel(n).SetOutputOn(v);
    } else if (id == kPolarity || id == kPolarity + 1) {
        const int n = id - kPolarity;
        const std::uint8_t v = Channel(n).GetPolarity() == 0 ? 1 : 0;
        Button(id)->SetOn(v != 0);
        Channel(n).SetPolarity(v);
        if (m_channels.Ch1Ch2Linked()) {
            const int other = 1 - n;
            Button(kPolarity + other)->SetOn(Channel(other).GetPolarity() != 0);
            Channel(other).SetPolarity(Channel(other).GetPolarity());
        }
    } else if (InBand(id, kBandBypass)) {
        const int k = id - kBandBypass;
        Filter& band = Current().Band(k);
        band.SetBypass(Button(id)->IsOn() ? 0 : 1);
        if (band.GetBypass() != 0) {
            ShowBandBypass(1, k);
        } else {
            Spin(kBandGainSpin + k)->SetPos(band.GetGainStep());
            FaderAt(kBandFader + k)->SetPosReversed(band.GetGainStep());
        }
        Button(id)->SetOn(band.GetBypass() != 0);
        MirrorBand(k);
        Graph()->ShowFilter(k);
    } else if (id == kLinkCheck) {
        if (Get<PictureRadio>(kLinkCheck)->isChecked()) {
            CommandQueue& command = *m_command;
            m_channels.LinkCh1Ch2(
                m_controller->Linked(),
                [&command](std::unique_ptr<SendData> item) { command.Enqueue(std::move(item)); });
            if (m_current == 1) {
                ShowState(1);
            }
        } else {
            m_channels.UnlinkCh1Ch2();
        }
    }
}

void MainForm::OnCommand(int id) {
    OutputChannel& rec = Current();
    const auto pick = [id](int field, int spin) { return id == field || id == spin; };
    if ((id >= kDelayMs && id < kDelayMs + 3) || (id >= kDelaySpin && id < kDelaySpin + 3)) {
        const int own = id >= kDelaySpin ? id - kDelaySpin : id - kDelayMs;
        const int p = Spin(kDelaySpin + own)->GetPos();
        for (int i = 0; i < 3; ++i) {
            if (i != own) {
                Spin(kDelaySpin + i)->SetPos(p);
            }
        }
        rec.SetDelay(static_cast<std::int16_t>(p));
    } else if (pick(kHpFreq, kHpSpin)) {
        int f = Spin(kHpSpin)->GetPos();
        if (rec.LowPass().GetFreq() < f) {
            f = rec.LowPass().GetFreq();
            Spin(kHpSpin)->SetPos(f);
        }
        rec.HighPass().SetFreq(f, true);
        MirrorCrossover(true);
        Graph()->ShowHighPass();
    } else if (pick(kLpFreq, kLpSpin)) {
        int f = Spin(kLpSpin)->GetPos();
        if (f < rec.HighPass().GetFreq()) {
            f = rec.HighPass().GetFreq();
            Spin(kLpSpin)->SetPos(f);
        }
        rec.LowPass().SetFreq(f, true);
        MirrorCrossover(false);
        Graph()->ShowLowPass();
    } else if (InBand(id, kBandFreq) || InBand(id, kBandFreqSpin)) {
        const int k = InBand(id, kBandFreq) ? id - kBandFreq : id - kBandFreqSpin;
        rec.Band(k).SetFreq(Spin(kBandFreqSpin + k)->GetPos(), true);
        MirrorBand(k);
        Graph()->ShowFilter(k);
    } else if (InBand(id, kBandQ) || InBand(id, kBandQSpin)) {
        const int k = InBand(id, kBandQ) ? id - kBandQ : id - kBandQSpin;
        rec.Band(k).SetBandwidthStep(Spin(kBandQSpin + k)->GetPos());
        MirrorBand(k);
        Graph()->ShowFilter(k);
    } else if (InBand(id, kBandGain) || InBand(id, kBandGainSpin)) {
        const int k = InBand(id, kBandGain) ? id - kBandGain : id - kBandGainSpin;
        const int g = Spin(kBandGainSpin + k)->GetPos();
        Filter& band = rec.Band(k);
        band.SetGainStep(g);
        FaderAt(kBandFader + k)->SetPosReversed(g);
        ShowBandBypass(band.GetBypass(), k);
        MirrorBand(k);
        Graph()->ShowFilter(k);
    } else if (pick(kThreshold, kThresholdSpin)) {
        rec.SetLimitThreshold(static_cast<std::int16_t>(Spin(kThresholdSpin)->GetPos()));
    } else if (pick(kAttack, kAttackSpin)) {
        rec.SetLimitAttack(static_cast<std::uint8_t>(Spin(kAttackSpin)->GetPos()));
    } else if (pick(kVolume, kVolumeSpin)) {
        const int v = Spin(kVolumeSpin)->GetPos();
        rec.SetVolumeDb(v);
        FaderAt(kVolumeFader)->SetPosReversed(v);
    }
}

void MainForm::OnSelection(int id, int selection) {
    if (selection < 0) {
        return;
    }
    OutputChannel& rec = Current();
    if (id == kHpFamily || id == kHpSlope) {
        if (id == kHpFamily) {
            rec.HighPass().SetFamily(selection, true);
        } else {
            rec.HighPass().SetSlope(selection, true);
        }
        MirrorCrossover(true);
        Graph()->ShowHighPass();
    } else if (id == kLpFamily || id == kLpSlope) {
        if (id == kLpFamily) {
            rec.LowPass().SetFamily(selection, true);
        } else {
            rec.LowPass().SetSlope(selection, true);
        }
        MirrorCrossover(false);
        Graph()->ShowLowPass();
    } else if (InBand(id, kBandType)) {
        const int k = id - kBandType;
        Filter& band = rec.Band(k);
        band.SetEqKind(selection);
        EnableBandQ(k, selection);
        SetBandFreqRange(k, selection);
        Spin(kBandFreqSpin + k)->SetPos(band.GetFreq());
        MirrorBand(k);
        Graph()->ShowFilter(k);
    } else if (id == kRelease) {
        rec.SetLimitRelease(static_cast<std::uint8_t>(selection));
    } else if (id == kAmpMode) {
        SetAmpMode(selection);
    } else if (id == kSensitivity || id == kSensitivity + 1) {
        SetSensitivity(id - kSensitivity, selection);
    }
}

void MainForm::OnFader(int id) {
    OutputChannel& rec = Current();
    if (InBand(id, kBandFader)) {
        const int k = id - kBandFader;
        const int g = FaderAt(id)->GetPosReversed();
        Filter& band = rec.Band(k);
        band.SetGainStep(g);
        Spin(kBandGainSpin + k)->SetPos(g);
        ShowBandBypass(band.GetBypass(), k);
        MirrorBand(k);
        Graph()->ShowFilter(k);
    } else if (id == kVolumeFader) {
        const int v = FaderAt(id)->GetPosReversed();
        rec.SetVolumeDb(v);
        Spin(kVolumeSpin)->SetPos(v);
    }
}

void MainForm::OnFilterChanged(int t) {
    OutputChannel& rec = Current();
    constexpr int kHighPassPosition = 8, kLowPassPosition = 9;
    if (t >= 0 && t < kBandCount) {
        Filter& band = rec.Band(t);
        Spin(kBandFreqSpin + t)->SetPos(band.GetFreq());
        Spin(kBandQSpin + t)->SetPos(band.GetBandwidthStep());
        Spin(kBandGainSpin + t)->SetPos(band.GetGainStep());
        FaderAt(kBandFader + t)->SetPosReversed(band.GetGainStep());
        ShowBandBypass(band.GetBypass(), t);
        MirrorBand(t);
    } else if (t == kHighPassPosition) {
        Spin(kHpSpin)->SetPos(rec.HighPass().GetFreq());
        MirrorCrossover(true);
    } else if (t == kLowPassPosition) {
        Spin(kLpSpin)->SetPos(rec.LowPass().GetFreq());
        MirrorCrossover(false);
    } else {
        return;
    }
    Graph()->ShowFilter(t);
}

// ---- Language, amplifier mode, sensitivity, power ----

void MainForm::ToggleLanguage() {
    m_state.ui.language =
        m_state.ui.language == Language::English ? Language::Chinese : Language::English;
    ApplyLanguage();
}

void MainForm::ApplyLanguage() {
    const bool en = m_state.ui.language == Language::English;
    const int hpFamily = List(kHpFamily)->currentIndex();
    const int lpFamily = List(kLpFamily)->currentIndex();

    Get<PictureRadio>(kLinkCheck)->setText(UiText(m_state.ui, TextId::FormLinkCheck));
    for (int n = 0; n < 2; ++n) {
        const Pictures mute = en ? Looks(4610, 4611) : Looks(4600, 4601);
        const Pictures pol = en ? Looks(4613, 4612) : Looks(4603, 4602);
        Button(kMute + n)->SetBitmaps(mute[0], mute[1], mute[2], mute[3], mute[4], mute[5]);
        Button(kPolarity + n)->SetBitmaps(pol[0], pol[1], pol[2], pol[3], pol[4], pol[5]);
    }
    for (int id : {kHpFamily, kLpFamily}) {
        FillList(id, SelectionList::Family);
    }
    for (int k = 0; k < kBandCount; ++k) {
        const int kind = List(kBandType + k)->currentIndex();
        FillList(kBandType + k, SelectionList::BandType);
        List(kBandType + k)->setCurrentIndex(kind);
    }
    for (int i = 0; i < 4; ++i) {
        const Pictures p = en ? Hovering(4300 + i, 4400 + i) : Hovering(4000 + i, 4100 + i);
        Button(kLanguage + i)->SetBitmaps(p[0], p[1], p[2], p[3], p[4], p[5]);
    }
    const Pictures link = en ? Pictures{4502, 4503, 4503, 4501, 4500, 4500}
                             : Pictures{4203, 4202, 4202, 4201, 4200, 4200};
    Button(kLinkButton)->SetBitmaps(link[0], link[1], link[2], link[3], link[4], link[5]);
    FillList(kAmpMode, SelectionList::AmpMode);
    const Pictures ch1 = en ? Looks(158, 162) : Looks(154, 150);
    const Pictures ch2 = en ? Looks(159, 163) : Looks(155, 151);
    Button(kChannelButton)->SetBitmaps(ch1[0], ch1[1], ch1[2], ch1[3], ch1[4], ch1[5]);
    Button(kChannelButton + 1)->SetBitmaps(ch2[0], ch2[1], ch2[2], ch2[3], ch2[4], ch2[5]);

    List(kHpFamily)->setCurrentIndex(hpFamily);
    List(kLpFamily)->setCurrentIndex(lpFamily);
    List(kAmpMode)->setCurrentIndex(m_state.image.systemBytes[sysbyte::kModeCh12]);
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
    auto* check = Get<PictureRadio>(kLinkCheck);
    check->setChecked(false);
    const bool bridge = m == kModeBridge;
    check->setEnabled(!bridge);
    if (bridge) {
        ShowState(m_current);
    } else {
        Button(kChannelButton + 1)->setEnabled(true);
        List(kSensitivity + 1)->setEnabled(true);
    }
    Button(kMute + 1)->setEnabled(!bridge);
    Button(kPolarity + 1)->setEnabled(!bridge);
    check->update();
    m_controller->SendSystemItem(ITEM_MODES, 0, 0);
}

void MainForm::SetSensitivity(int n, int s) {
    auto& sys = m_state.image.systemBytes;
    const auto index = static_cast<std::size_t>(sysbyte::kSensitivity1 + n);
    if (s == sys[index]) {
        return;
    }
    sys[index] = static_cast<std::uint8_t>(s);
    m_controller->SendSystemItem(ITEM_SENSITIVITY, 0, n);
}

void MainForm::TogglePower() {
    auto& sys = m_state.image.systemBytes;
    const std::uint8_t v = sys[sysbyte::kPower] == 0 ? 1 : 0;
    Button(kPower)->SetOn(v != 0);
    sys[sysbyte::kPower] = v;
    m_controller->SendSystemItem(ITEM_POWER, 0, 0);
}

// ---- The link controller's view ----

void MainForm::SetLinkButtonActive(bool active) {
    Button(kLinkButton)->SetOn(active);
}

void MainForm::SetProgressRange(int low, int high) {
    m_progress->setRange(low, high);
}

void MainForm::SetProgressPos(int pos) {
    m_progress->setValue(pos);
}

void MainForm::ShowBusy(int mode) {
    m_busy->ShowBusy(mode);
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
    Get<PictureRadio>(kLinkCheck)->setChecked(false);
}

void MainForm::ShowState() {
    ShowState(m_current);
}

void MainForm::ShowSystemState(int mode, int power) {
    List(kAmpMode)->setCurrentIndex(mode);
    Button(kPower)->SetOn(power != 0);
}

void MainForm::ShowLevels(int level1, int level2) {
    Get<Lamp>(kLamp)->SetLevel(level1);
    Get<Lamp>(kLamp + 1)->SetLevel(level2);
}

void MainForm::ShowTemperature(int readout, int celsius) {
    Get<TransparentLabel>(kTemperature + readout)
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

// Enter gives the focus to the form, so a field being typed in commits its value; the key
// then goes on to the control. Escape is the field's own: it drops the typing.
bool MainForm::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            setFocus(Qt::OtherFocusReason);
        }
    }
    return QWidget::eventFilter(watched, event);
}

// ---- Lookups ----

OutputChannel& MainForm::Current() {
    return m_channels.Channel(m_current);
}

OutputChannel& MainForm::Channel(int n) {
    return m_channels.Channel(n);
}

QWidget* MainForm::Control(int id) const {
    const auto it = m_controls.find(id);
    return it == m_controls.end() ? nullptr : it->second;
}

NumberSpin* MainForm::Spin(int id) const {
    return Get<NumberSpin>(id);
}
PictureButton* MainForm::Button(int id) const {
    return Get<PictureButton>(id);
}
QComboBox* MainForm::List(int id) const {
    return Get<QComboBox>(id);
}
Fader* MainForm::FaderAt(int id) const {
    return Get<Fader>(id);
}
ResponseGraph* MainForm::Graph() const {
    return Get<ResponseGraph>(kGraph);
}

}  // namespace tolmarin
