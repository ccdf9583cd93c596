#pragma once

#include <QObject>
#include <QSerialPort>

#include "link/LinkTransport.h"
#include "text/Texts.h"

namespace tolmarin {

// The USB link: the amplifier's serial port at 57600 baud, 8 data bits, no parity, one
// stop bit, no flow control. Bytes are read on the thread that owns the object, as soon as
// the port signals them, and handed on in chunks of at most 800 bytes.
class SerialLink : public QObject, public LinkTransport {
    Q_OBJECT
public:
    explicit SerialLink(const UiState& ui, QObject* parent = nullptr);
    ~SerialLink() override;

    LinkKind Kind() const override { return LinkKind::Usb; }
    // target.port is a listed port name or a device path. When the port itself cannot be
    // opened, "Unable to open Link!" is shown with the port and the reason; a refused line
    // setting fails silently (LinkFailure::Other).
    void Open(const LinkTarget& target, OpenDone done) override;
    LinkFailure LastFailure() const override { return m_failure; }
    bool Close() override;
    // Stays true after the device vanished (unplugged adapter, closed pseudo-terminal) until
    // Close: the link controller's reply time-out is what ends such a link.
    bool IsOpen() const override { return m_open; }
    void Purge() override;

protected:
    void Write(std::span<const std::uint8_t> bytes) override;

private:
    bool Configure();
    void LowerModemLines();
    void OnReadyRead();
    void OnError(QSerialPort::SerialPortError error);

    const UiState& m_ui;
    QSerialPort m_port;
    bool m_open = false;
    LinkFailure m_failure = LinkFailure::None;
};

}  // namespace tolmarin
