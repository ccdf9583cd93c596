#include "link/SerialLink.h"

#include <array>

#include "link/LinkMessages.h"

namespace tolmarin {

SerialLink::SerialLink(const UiState& ui, QObject* parent) : QObject(parent), m_ui(ui) {
    connect(&m_port, &QSerialPort::readyRead, this, &SerialLink::OnReadyRead);
    connect(&m_port, &QSerialPort::errorOccurred, this, &SerialLink::OnError);
}

SerialLink::~SerialLink() {
    Close();
}

void SerialLink::Open(const LinkTarget& target, OpenDone done) {
    Close();
    m_failure = LinkFailure::None;
    m_port.setPortName(QString::fromStdString(target.port));
    if (target.port.empty()) {
        m_failure = LinkFailure::NotFound;
        ReportOpenFailure(m_ui, target.port, m_failure);
        done(false);
        return;
    }
    if (!m_port.open(QIODevice::ReadWrite)) {
        switch (m_port.error()) {
            case QSerialPort::DeviceNotFoundError:
                m_failure = LinkFailure::NotFound;
                break;
            case QSerialPort::PermissionError:
                m_failure = LinkFailure::PermissionDenied;
                break;
            case QSerialPort::OpenError:
                m_failure = LinkFailure::InUse;
                break;
            default:
                m_failure = LinkFailure::Other;
                break;
        }
        ReportOpenFailure(m_ui, target.port, m_failure);
        done(false);
        return;
    }
    m_port.clear(QSerialPort::AllDirections);
    if (!Configure()) {
        m_failure = LinkFailure::Other;
        // A port we could not set up is given back at once rather than held exclusively
        // while no link uses it.
        m_port.close();
        done(false);
        return;
    }
    LowerModemLines();
    m_open = true;
    done(true);
}

bool SerialLink::Configure() {
    return m_port.setBaudRate(kSerialBaud) && m_port.setDataBits(QSerialPort::Data8) &&
           m_port.setParity(QSerialPort::NoParity) && m_port.setStopBits(QSerialPort::OneStop) &&
           m_port.setFlowControl(QSerialPort::NoFlowControl);
}

void SerialLink::LowerModemLines() {
    // Handshaking off means DTR and RTS low on the amplifier's original platform, and a
    // USB bridge that wires either line to a reset pin must never see them raised. A port
    // without modem lines (a pseudo-terminal) refuses the calls; that costs it nothing.
    m_port.setDataTerminalReady(false);
    m_port.setRequestToSend(false);
    m_port.clearError();
}

bool SerialLink::Close() {
    const bool was = m_open;
    m_open = false;
    if (m_port.isOpen()) {
        m_port.close();
    }
    return was;
}

void SerialLink::Purge() {
    if (m_port.isOpen()) {
        m_port.clear(QSerialPort::AllDirections);
    }
}

void SerialLink::Write(std::span<const std::uint8_t> bytes) {
    if (m_port.isOpen()) {
        m_port.write(reinterpret_cast<const char*>(bytes.data()),
                     static_cast<qint64>(bytes.size()));
    }
}

void SerialLink::OnReadyRead() {
    std::array<std::uint8_t, kReceiveBufferSize> chunk{};
    for (;;) {
        const qint64 n = m_port.read(reinterpret_cast<char*>(chunk.data()), chunk.size());
        if (n <= 0) {
            break;
        }
        Deliver(std::span<const std::uint8_t>(chunk.data(), static_cast<std::size_t>(n)));
        if (!m_port.isOpen()) {
            break;  // the receiver closed the link while handling the chunk
        }
    }
}

void SerialLink::OnError(QSerialPort::SerialPortError error) {
    // A failed read leaves the descriptor readable (a closed pseudo-terminal, an unplugged
    // adapter), so it would fire without end: stop watching the device. The link stays
    // nominally open, and the missing replies end it as they would on a silent amplifier.
    if ((error == QSerialPort::ResourceError || error == QSerialPort::ReadError) &&
        m_port.isOpen()) {
        m_port.close();
    }
}

}  // namespace tolmarin
