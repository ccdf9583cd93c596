#include "editor/form/LinkDialogs.h"

#include <QButtonGroup>
#include <QCloseEvent>
#include <QComboBox>
#include <QHostAddress>
#include <QIntValidator>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPalette>
#include <QPushButton>
#include <QSettings>
#include <QTimer>

#include "controls/FixedList.h"
#include "controls/FontLabel.h"
#include "controls/PictureRadio.h"
#include "editor/form/FormLayout.h"
#include "editor/form/FormText.h"
#include "link/LinkTransport.h"
#include "link/SerialPorts.h"
#include "protocol/DeviceImage.h"

namespace tolmarin {

namespace {

const char* const kKeyKind = "link/kind";
const char* const kKeyPort = "link/serialPort";
const char* const kKeyHost = "link/host";
const char* const kKeyTcpPort = "link/tcpPort";

constexpr QRgb kNavy = qRgb(0, 0, 128);
constexpr QRgb kRed = qRgb(255, 0, 0);
constexpr int kBlinkMs = 200;
constexpr int kBusyTextSize = 20;
constexpr int kDoneTextSize = 50;
constexpr unsigned kCentred = 0x20;

void PaintDialogBackground(QWidget* w) {
    QPalette p = w->palette();
    p.setColor(QPalette::Window, QColor(kDialogBackground));
    w->setPalette(p);
    w->setAutoFillBackground(true);
}

}  // namespace

// ---- Connect dialog ----

ConnectDialog::ConnectDialog(SharedState& state, QSettings& settings, LinkKind current,
                             const std::string& chosenPort, QWidget* parent)
    : QDialog(parent), m_state(state), m_settings(settings) {
    const UiState& ui = state.ui;
    setWindowTitle(UiText(ui, TextId::ConnectCaption));
    // Laid out in pixels wide enough for the longer language: every label whole and beside
    // the field it names.
    constexpr int kWidth = 470, kHeight = 178, kRow = 22, kIndent = 34, kFieldX = 120;
    setFixedSize(kWidth, kHeight);
    PaintDialogBackground(this);

    m_usb = new PictureRadio(PictureRadio::Style::Radio, this);
    m_usb->SetControlId(1798);
    m_usb->setText(UiText(ui, TextId::ConnectUsb));
    m_usb->setGeometry(14, 12, kWidth - 28, kRow);
    m_network = new PictureRadio(PictureRadio::Style::Radio, this);
    m_network->SetControlId(1799);
    m_network->setText(UiText(ui, TextId::ConnectNetwork));
    m_network->setGeometry(14, 76, kWidth - 28, kRow);
    m_group = new QButtonGroup(this);
    m_group->setExclusive(true);
    m_group->addButton(m_usb, static_cast<int>(LinkKind::Usb));
    m_group->addButton(m_network, static_cast<int>(LinkKind::Network));
    m_usb->setCheckable(true);
    m_network->setCheckable(true);
    (current == LinkKind::Network ? m_network : m_usb)->setChecked(true);

    auto* serialLabel = new QLabel(UiText(ui, TextId::ConnectSerialPort), this);
    serialLabel->setGeometry(kIndent, 42, kFieldX - kIndent - 6, kRow);
    // The port list: an earlier choice still present stays selected, else the first USB port.
    // Each line names the port, its description and its USB ids; the link opens the name.
    m_ports = new FixedList(this);
    m_ports->setGeometry(kFieldX, 42, kWidth - kFieldX - 14, kRow);
    std::string remembered = m_settings.value(kKeyPort).toString().toStdString();
    if (!chosenPort.empty() && chosenPort != kNoPortLine) {
        remembered = chosenPort;
    }
    const PortChoice ports = ChoosePort(EnumerateSerialPorts(), remembered);
    for (std::size_t i = 0; i < ports.lines.size(); ++i) {
        m_ports->addItem(QString::fromStdString(ports.labels[i]),
                         QString::fromStdString(ports.lines[i]));
    }
    m_ports->setCurrentIndex(ports.selected);

    const QString host =
        m_settings
            .value(kKeyHost, QString::fromUtf8(kDefaultAmplifierAddress.data(),
                                               static_cast<int>(kDefaultAmplifierAddress.size())))
            .toString();
    const int tcpPort = m_settings.value(kKeyTcpPort, kTcpPort).toInt();
    auto* addressLabel = new QLabel(UiText(ui, TextId::ConnectAddress), this);
    addressLabel->setGeometry(kIndent, 106, kFieldX - kIndent - 6, kRow);
    m_address = new QLineEdit(host, this);
    m_address->setGeometry(kFieldX, 106, 160, kRow);
    m_address->setInputMask(QString());
    auto* portLabel = new QLabel(UiText(ui, TextId::ConnectPort), this);
    portLabel->setGeometry(kFieldX + 172, 106, 60, kRow);
    portLabel->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    m_tcpPort = new QLineEdit(QString::number(tcpPort), this);
    m_tcpPort->setValidator(new QIntValidator(1, 65535, m_tcpPort));
    m_tcpPort->setGeometry(kFieldX + 238, 106, 70, kRow);
    portLabel->setBuddy(m_tcpPort);
    addressLabel->setBuddy(m_address);
    serialLabel->setBuddy(m_ports);

    m_ok = new QPushButton(UiText(ui, TextId::ConnectOk), this);
    m_ok->setDefault(true);
    m_ok->setGeometry((kWidth - 90) / 2, kHeight - 40, 90, 28);
    connect(m_ok, &QPushButton::clicked, this, &QDialog::accept);
    // Typing an address means the network link.
    connect(m_address, &QLineEdit::textEdited, this, [this] { m_network->setChecked(true); });
    connect(m_tcpPort, &QLineEdit::textEdited, this, [this] { m_network->setChecked(true); });
    connect(m_ports, &QComboBox::activated, this, [this] { m_usb->setChecked(true); });
}

ConnectChoice ConnectDialog::Choice() const {
    ConnectChoice c;
    c.kind = m_network->isChecked() ? LinkKind::Network : LinkKind::Usb;
    c.serialPort = m_ports->currentData().toString().toStdString();
    c.host = m_address->text().trimmed().toStdString();
    c.tcpPort = m_tcpPort->text().toInt();
    return c;
}

void ConnectDialog::accept() {
    const ConnectChoice c = Choice();
    if (c.kind == LinkKind::Network) {
        QHostAddress address;
        const bool valid = address.setAddress(QString::fromStdString(c.host)) &&
                           address.protocol() == QAbstractSocket::IPv4Protocol && c.tcpPort >= 1 &&
                           c.tcpPort <= 65535;
        if (!valid) {
            ShowMessageBox(this, m_state.ui, UiText(m_state.ui, TextId::ConnectBadAddress),
                           MessageKind::Warning);
            return;
        }
        m_settings.setValue(kKeyHost, QString::fromStdString(c.host));
        m_settings.setValue(kKeyTcpPort, c.tcpPort);
    } else {
        m_settings.setValue(kKeyPort, QString::fromStdString(c.serialPort));
    }
    m_settings.setValue(kKeyKind, static_cast<int>(c.kind));
    QDialog::accept();
}

// ---- Busy pop-up ----

BusyPopup::BusyPopup(SharedState& state, QWidget* form, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint),
      m_state(state),
      m_form(form) {
    setWindowTitle(UiText(state.ui, TextId::BusyCaption));
    setModal(false);
    const QRect r = form::DialogRect(150, 100, 187, 41);
    setFixedSize(r.size());
    PaintDialogBackground(this);
    m_text = new FontLabel(this);
    m_text->SetControlId(1187);
    m_text->setGeometry(form::DialogRect(8, 11, 171, 18));
    m_text->SetFontStyle(QStringLiteral("Arial"), kBusyTextSize, QColor(kNavy), kCentred);
    m_timer = new QTimer(this);
    m_timer->setInterval(kBlinkMs);
    connect(m_timer, &QTimer::timeout, this, &BusyPopup::OnBlink);
}

void BusyPopup::ShowBusy(BusyState state) {
    const QString text = UiText(m_state.ui, TextId::BusyText);
    if (state == BusyState::Shown) {
        m_form->setEnabled(false);
        m_busy = true;
        m_text->SetText(text);
        m_timer->start();
        if (parentWidget() != nullptr && parentWidget()->isVisible()) {
            const QPoint at =
                parentWidget()->mapToGlobal(form::DialogRect(150, 100, 0, 0).topLeft());
            move(at);
        }
        show();
    } else {
        m_text->SetText(text);
        m_form->setEnabled(true);
        m_busy = false;
        m_timer->stop();
        hide();
    }
}

void BusyPopup::OnBlink() {
    if (!m_busy) {
        m_form->setEnabled(!(m_held && m_held()));
        m_timer->stop();
        hide();
        return;
    }
    m_text->SetTextColor(QColor(m_blink ? kRed : kNavy));
    m_blink = !m_blink;
}

void BusyPopup::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter ||
        event->key() == Qt::Key_Escape) {
        setFocus();
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

void BusyPopup::closeEvent(QCloseEvent* event) {
    event->ignore();
}

// ---- Done pop-up ----

DonePopup::DonePopup(SharedState& state, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint), m_state(state) {
    setWindowTitle(UiText(state.ui, TextId::BusyCaption));
    setModal(false);
    setFixedSize(form::DialogRect(0, 0, 187, 41).size());
    PaintDialogBackground(this);
    m_text = new FontLabel(this);
    m_text->SetControlId(1879);
    m_text->setGeometry(form::DialogRect(8, 8, 171, 24));
    m_text->SetFontStyle(QStringLiteral("Arial"), kDoneTextSize, QColor(kNavy), kCentred);
    m_text->SetBackgroundColor(QColor(kDialogBackground));
    m_hide = new QTimer(this);
    m_hide->setSingleShot(true);
    m_hide->setInterval(kDisplayMs);
    connect(m_hide, &QTimer::timeout, this, &DonePopup::Close);
}

void DonePopup::ShowTransferDone(TransferDirection direction, BusyPopup& busy) {
    m_text->SetText(
        UiText(m_state.ui, direction == TransferDirection::Up ? TextId::DoneUp : TextId::DoneDown));
    m_busy = &busy;
    busy.HoldFormWhile([this] { return isVisible(); });
    if (parentWidget() != nullptr) {
        parentWidget()->setEnabled(false);
    }
    busy.SetBusy(false);
    if (parentWidget() != nullptr && parentWidget()->isVisible()) {
        move(parentWidget()->mapToGlobal(form::DialogRect(150, 100, 0, 0).topLeft()));
    }
    show();
    // A timer rather than a blocking wait: the pacing and the busy pop-up's tick go on.
    m_hide->start();
}

void DonePopup::Close() {
    hide();
    // A batch begun while the text showed keeps the form for itself.
    if (parentWidget() != nullptr && (m_busy == nullptr || !m_busy->Busy())) {
        parentWidget()->setEnabled(true);
    }
    emit closed();
}

}  // namespace tolmarin
