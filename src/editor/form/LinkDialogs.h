#pragma once

#include <QDialog>
#include <QString>
#include <functional>
#include <string>

#include "link/LinkConfig.h"
#include "link/LinkView.h"

class QButtonGroup;
class QComboBox;
class QLineEdit;
class QPushButton;
class QSettings;
class QTimer;

namespace tolmarin {

class PictureRadio;
class FontLabel;
struct SharedState;

// The dialogs' background: the shared dialog brush.
inline constexpr QRgb kDialogBackground = qRgb(227, 228, 238);

// What the operator chose in the Connect dialog.
struct ConnectChoice {
    LinkKind kind = LinkKind::Usb;
    std::string serialPort;
    std::string host;
    int tcpPort = 0;
};

// The Connect dialog: USB (a listed serial port) or network (a typed IPv4 address and
// port). The port, address and TCP port the operator picks are taken over and remembered
// in settings, because an installer with two amplifiers should not have to rebuild to
// reach the second one.
class ConnectDialog : public QDialog {
    Q_OBJECT
public:
    // chosenPort: the port of the last choice, empty when none.
    ConnectDialog(SharedState& state, QSettings& settings, LinkKind current,
                  const std::string& chosenPort = {}, QWidget* parent = nullptr);

    ConnectChoice Choice() const;

    PictureRadio* UsbRadio() const { return m_usb; }
    PictureRadio* NetworkRadio() const { return m_network; }
    QComboBox* PortList() const { return m_ports; }
    QLineEdit* AddressField() const { return m_address; }
    QLineEdit* PortField() const { return m_tcpPort; }
    QPushButton* OkButton() const { return m_ok; }

    void accept() override;

private:
    SharedState& m_state;
    QSettings& m_settings;
    PictureRadio* m_usb = nullptr;
    PictureRadio* m_network = nullptr;
    QButtonGroup* m_group = nullptr;
    QComboBox* m_ports = nullptr;
    QLineEdit* m_address = nullptr;
    QLineEdit* m_tcpPort = nullptr;
    QPushButton* m_ok = nullptr;
};

// The busy pop-up: "transmitting Data!" blinking red and navy every 200 ms while a batch
// runs, the main form disabled. Enter, Escape and closing do not dismiss it.
class BusyPopup : public QDialog {
    Q_OBJECT
public:
    BusyPopup(SharedState& state, QWidget* form, QWidget* parent);

    // Shown: show, blink, disable the form. Hidden: hide, enable the form.
    void ShowBusy(BusyState state);
    // The done pop-up clears it; the next blink tick then hides the pop-up.
    void SetBusy(bool busy) { m_busy = busy; }
    // While held returns true the pop-up's end leaves the form disabled (the done pop-up
    // still shows; it enables the form when it closes).
    void HoldFormWhile(std::function<bool()> held) { m_held = std::move(held); }
    bool Busy() const { return m_busy; }
    FontLabel* Text() const { return m_text; }
    bool BlinkRed() const { return m_blink; }

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void reject() override {}

private:
    void OnBlink();

    SharedState& m_state;
    QWidget* m_form;
    std::function<bool()> m_held;
    FontLabel* m_text = nullptr;
    QTimer* m_timer = nullptr;
    bool m_busy = false;
    bool m_blink = true;
};

// The done pop-up: "Up File Successful!" or "Down File Successful!" for one second, while
// the event loop keeps running (the pacing and the busy pop-up's tick go on). The form (its
// parent) stays disabled until it closes.
class DonePopup : public QDialog {
    Q_OBJECT
public:
    DonePopup(SharedState& state, QWidget* parent);

    // Shows the text for the display time; the busy pop-up is told the batch is over.
    void ShowTransferDone(TransferDirection direction, BusyPopup& busy);
    FontLabel* Text() const { return m_text; }
    static constexpr int kDisplayMs = 1000;

signals:
    // The display time is over and the pop-up hidden.
    void closed();

protected:
    void reject() override {}

private:
    void Close();

    SharedState& m_state;
    BusyPopup* m_busy = nullptr;  // of the last batch
    FontLabel* m_text = nullptr;
    QTimer* m_hide = nullptr;
};

}  // namespace tolmarin
