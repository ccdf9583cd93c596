#include "editor/programs/ProgramsDialog.h"

#include <QButtonGroup>
#include <QGroupBox>
#include <QHeaderView>
#include <QMessageBox>
#include <QPushButton>
#include <algorithm>

#include "controls/NameEdit.h"
#include "controls/PictureRadio.h"
#include "controls/TransparentLabel.h"

#include "editor/programs/ParameterList.h"
#include "editor/programs/ProgramFiles.h"
#include "formdesc/DialogUnits.h"
#include "link/LinkController.h"
#include "protocol/DeviceImage.h"
#include "text/Texts.h"

namespace tolmarin {

namespace {

constexpr int kNumberColumnWidth = 65;
constexpr int kNameColumnWidth = 200;
// Where the dialog opens on the screen.
constexpr QPoint kScreenPosition(200, 20);

QRect DialogUnits(int x, int y, int w, int h) {
    const form::PixelRect r = form::FromDialogUnits(x, y, w, h);
    return {r.x, r.y, r.width, r.height};
}

QString Number(int n) {
    return QString::fromStdString(std::to_string(n));
}

// The slot's name as the list shows it: the first 15 bytes up to a zero, trimmed.
QString SlotName(const DeviceImage& image, int n) {
    return QString::fromStdString(LoadFixedText(image.Name(n), kProgramNameSize - 1));
}

constexpr int kFontPixels = 12;
constexpr int kSmallestFontPixels = 10;
constexpr int kGroupInset = 2;
// Widens a choice to show its whole caption, up to the edge its neighbours leave it; a
// caption that still does not fit is set a pixel or two smaller.
void FitCaption(PictureRadio& button, int limit) {
    QRect place = button.geometry();
    const int room = limit - place.left();
    QFont font = button.font();
    while (button.sizeHint().width() > room && font.pixelSize() > kSmallestFontPixels) {
        font.setPixelSize(font.pixelSize() - 1);
        button.setFont(font);
    }
    place.setWidth(std::min(std::max(place.width(), button.sizeHint().width()), room));
    button.setGeometry(place);
}

bool AskYesNo(QWidget* parent, const QString& question) {
    return QMessageBox::question(parent, QString(), question) == QMessageBox::Yes;
}

}  // namespace

ProgramsDialog::ProgramsDialog(SharedState& state, ProgramFiles& files, LinkController* link,
                               bool linked, QWidget* parent)
    : QDialog(parent),
      m_state(state),
      m_files(files),
      m_link(link),
      m_linked(linked && link != nullptr),
      m_confirm([this](const QString& q) { return AskYesNo(this, q); }),
      m_deviceGroup(new QGroupBox(this)),
      m_pcGroup(new QGroupBox(this)),
      m_pcButtons(new QButtonGroup(this)),
      m_deviceButtons(new QButtonGroup(this)),
      m_name(new NameEdit(this)),
      m_list(new ParameterList(this)),
      m_number(new TransparentLabel(this)),
      m_nameLabel(new TransparentLabel(this)),
      m_idLabel(new TransparentLabel(this)),
      m_deviceOk(new QPushButton(this)),
      m_pcOk(new QPushButton(this)),
      m_delete(new QPushButton(this)) {
    // Arial at the size the dialog-unit geometry was laid out for.
    QFont font(QStringLiteral("Arial"));
    font.setPixelSize(kFontPixels);
    setFont(font);
    setFixedSize(kWidth, kHeight);
    m_deviceGroup->setGeometry(DialogUnits(6, 5, 219, 173));
    m_pcGroup->setGeometry(DialogUnits(6, 182, 219, 81));

    // Tab order as created: the PC choices, then the device choices, then the rest.
    const std::array<QRect, 4> pcPlaces{DialogUnits(19, 218, 99, 10), DialogUnits(19, 230, 85, 10),
                                        DialogUnits(19, 194, 109, 10),
                                        DialogUnits(19, 206, 97, 10)};
    for (int mode = 0; mode < 4; ++mode) {
        auto* button = new PictureRadio(PictureRadio::Style::Radio, this);
        button->setGeometry(pcPlaces[static_cast<std::size_t>(mode)]);
        m_pcButtons->addButton(button, mode);
        m_pcChoice[static_cast<std::size_t>(mode)] = button;
    }
    const std::array<QRect, 2> devicePlaces{DialogUnits(10, 15, 103, 10),
                                            DialogUnits(10, 31, 95, 10)};
    for (int mode = 0; mode < 2; ++mode) {
        auto* button = new PictureRadio(PictureRadio::Style::Radio, this);
        button->setGeometry(devicePlaces[static_cast<std::size_t>(mode)]);
        m_deviceButtons->addButton(button, mode);
        m_deviceChoice[static_cast<std::size_t>(mode)] = button;
    }
    m_name->setGeometry(DialogUnits(121, 26, 74, 14));
    m_name->setMaxLength(kNameLimit);
    m_list->setGeometry(DialogUnits(31, 48, 164, 108));
    // The name column takes the room the number leaves: the list never scrolls sideways (a
    // refused key in the name field used to scroll it).
    m_list->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_number->setGeometry(DialogUnits(200, 28, 15, 10));
    m_deviceOk->setGeometry(DialogUnits(75, 160, 50, 14));
    m_pcOk->setGeometry(DialogUnits(75, 244, 50, 14));
    m_nameLabel->setGeometry(DialogUnits(121, 15, 50, 8));
    m_idLabel->setGeometry(DialogUnits(200, 15, 24, 8));
    m_delete->setGeometry(DialogUnits(121, 160, 50, 14));
    m_delete->hide();
    for (QPushButton* b : {m_deviceOk, m_pcOk, m_delete}) {
        b->setAutoDefault(false);
    }

    m_pcChoice[kRecallAllFromPc]->setChecked(true);
    m_deviceChoice[kRecallFromDevice]->setChecked(true);
    BuildList();
    m_name->setText(m_list->GetItemText(m_selected - 1, 1));
    m_number->setText(Number(m_selected));
    m_name->setReadOnly(true);
    SetCaptions();
    move(kScreenPosition);

    connect(m_list, &ParameterList::rowClicked, this, &ProgramsDialog::OnRowClicked);
    connect(m_deviceButtons, &QButtonGroup::idClicked, this, &ProgramsDialog::OnDeviceChoice);
    connect(m_deviceOk, &QPushButton::clicked, this, &ProgramsDialog::OnDeviceOk);
    connect(m_pcOk, &QPushButton::clicked, this, &ProgramsDialog::OnPcOk);
    connect(m_delete, &QPushButton::clicked, this, &QDialog::accept);
}

QString ProgramsDialog::Text(TextId id) const {
    return QString::fromUtf8(m_state.ui.Text(id));
}

void ProgramsDialog::BuildList() {
    m_list->DeleteAllItems();
    m_list->InsertColumn(0, Text(TextId::ProgramListNumber), kColumnCenter, kNumberColumnWidth);
    m_list->InsertColumn(1, Text(TextId::ProgramListName), kColumnCenter, kNameColumnWidth);
    m_list->horizontalHeader()->setSectionResizeMode(1, QHeaderView::Stretch);
    for (int n = 1; n <= kStoredPrograms; ++n) {
        m_list->InsertItem(n - 1, Number(n));
        m_list->SetItemText(n - 1, 1, SlotName(m_state.image, n));
    }
}

void ProgramsDialog::SetCaptions() {
    setWindowTitle(Text(TextId::ProgramCaption));
    m_nameLabel->setText(Text(TextId::ProgramNameLabel));
    m_idLabel->setText(Text(TextId::ProgramIdLabel));
    m_pcOk->setText(Text(TextId::ProgramOk));
    m_deviceOk->setText(
        Text(DeviceModeChosen() == kStoreToDevice ? TextId::ProgramSave : TextId::ProgramLoad));
    m_delete->setText(Text(TextId::ProgramDelete));
    m_pcGroup->setTitle(Text(TextId::ProgramPcGroup));
    m_deviceGroup->setTitle(Text(TextId::ProgramDeviceGroup));
    m_deviceChoice[kRecallFromDevice]->setText(Text(TextId::ProgramRecallFromDevice));
    m_deviceChoice[kStoreToDevice]->setText(Text(TextId::ProgramStoreToDevice));
    m_pcChoice[kSaveOneToPc]->setText(Text(TextId::ProgramStoreToPc));
    m_pcChoice[kRecallOneFromPc]->setText(Text(TextId::ProgramRecallFromPc));
    m_pcChoice[kRecallAllFromPc]->setText(Text(TextId::ProgramRecallAllFromPc));
    m_pcChoice[kSaveAllToPc]->setText(Text(TextId::ProgramStoreAllToPc));
    for (PictureRadio* b : m_pcChoice) {
        FitCaption(*b, m_pcGroup->geometry().right() - kGroupInset);
    }
    for (PictureRadio* b : m_deviceChoice) {
        FitCaption(*b, m_name->geometry().left() - kGroupInset);
    }
}

int ProgramsDialog::PcModeChosen() const {
    return m_pcButtons->checkedId();
}

int ProgramsDialog::DeviceModeChosen() const {
    return m_deviceButtons->checkedId();
}

void ProgramsDialog::OnRowClicked(int row) {
    m_number->setText(m_list->GetItemText(row, 0));
    m_name->setText(m_list->GetItemText(row, 1));
    m_name->setFocus();
    m_selected = row + 1;
}

void ProgramsDialog::OnDeviceChoice(int mode) {
    const bool store = mode == kStoreToDevice;
    m_name->setReadOnly(!store);
    m_deviceOk->setText(Text(store ? TextId::ProgramSave : TextId::ProgramLoad));
}

void ProgramsDialog::OnDeviceOk() {
    // Blanks cannot be typed but can be pasted; they are dropped, as the slot list would
    // drop them on reading the name back.
    const QString name = m_name->text().trimmed();
    const bool store = DeviceModeChosen() == kStoreToDevice;
    if (!m_linked) {
        m_state.ui.Report(TextId::PleaseOpenLink, MessageKind::Warning);
        return;
    }
    if (store && name.isEmpty()) {
        m_state.ui.Report(TextId::ProgramNameNeeded, MessageKind::Warning);
        return;
    }
    const int n = m_selected;
    const QString current = SlotName(m_state.image, n);
    if (store && !current.isEmpty()) {
        QString question = Text(TextId::ProgramOverwrite);
        question.replace(QLatin1String("%d"), Number(n)).replace(QLatin1String("%s"), current);
        if (!m_confirm(question)) {
            return;
        }
    }
    m_list->SetItemText(n - 1, 1, name);
    if (store) {
        if (!StoreProgramName(m_state.ui, m_state.image.Name(n), name.toStdString())) {
            return;
        }
        m_link->StoreLiveToSlot(n, name.toStdString(), true);
    } else {
        m_link->RequestLive(n);
    }
    accept();
}

void ProgramsDialog::OnPcOk() {
    bool done = false;
    switch (PcModeChosen()) {
        case kRecallOneFromPc:
            done = m_files.LoadProgramFile();
            break;
        case kSaveOneToPc:
            done = m_files.SaveProgramFile();
            break;
        case kRecallAllFromPc:
            done = m_files.LoadAllProgramsFile();
            break;
        case kSaveAllToPc:
            done = m_files.SaveAllProgramsToPc();
            break;
        default:
            break;
    }
    if (done) {
        accept();
    }
}

}  // namespace tolmarin
