#include "link/NetworkLink.h"

#include <array>

namespace tolmarin {

NetworkLink::NetworkLink(QObject* parent) : QObject(parent) {
    m_connectTimer.setSingleShot(true);
    connect(&m_connectTimer, &QTimer::timeout, this, &NetworkLink::OnConnectTimeout);
}

NetworkLink::~NetworkLink() {
    m_done = nullptr;
    DropSocket();
}

void NetworkLink::Open(const LinkTarget& target, OpenDone done) {
    Close();
    m_lastError = QAbstractSocket::UnknownSocketError;
    m_lastErrorText.clear();
    m_done = std::move(done);
    // A new socket for every connection, so that nothing of an earlier one is left over.
    m_socket = new QTcpSocket(this);
    connect(m_socket, &QTcpSocket::connected, this, &NetworkLink::OnConnected);
    connect(m_socket, &QTcpSocket::errorOccurred, this, &NetworkLink::OnError);
    connect(m_socket, &QTcpSocket::readyRead, this, &NetworkLink::OnReadyRead);
    m_connectTimer.start(m_connectTimeoutMs);
    m_socket->connectToHost(QString::fromStdString(target.host),
                            static_cast<quint16>(target.tcpPort));
}

bool NetworkLink::Close() {
    const bool was = m_socket != nullptr;
    m_done = nullptr;
    DropSocket();
    return was;
}

void NetworkLink::DropSocket() {
    m_connectTimer.stop();
    m_connected = false;
    if (m_socket != nullptr) {
        QTcpSocket* socket = m_socket;
        m_socket = nullptr;
        socket->disconnect(this);
        socket->abort();
        // Deferred: Close may run inside one of the socket's own signals.
        socket->deleteLater();
    }
}

void NetworkLink::OnConnected() {
    m_connectTimer.stop();
    m_connected = true;
    // Frames are small and each waits for its reply: send them without delay.
    m_socket->setSocketOption(QAbstractSocket::LowDelayOption, 1);
    if (OpenDone done = std::exchange(m_done, nullptr)) {
        done(true);
    }
}

void NetworkLink::OnError() {
    if (m_socket != nullptr) {
        m_lastError = m_socket->error();
        m_lastErrorText = m_socket->errorString();
    }
    // Once connected, a dropped connection is not acted on here: the next exchange times out
    // and the link controller reconnects or gives up.
    if (!m_connected) {
        Fail();
    } else {
        emit connectionLost();
    }
}

void NetworkLink::OnConnectTimeout() {
    if (!m_connected) {
        m_lastError = QAbstractSocket::SocketTimeoutError;
        m_lastErrorText.clear();
        Fail();
    }
}

void NetworkLink::Fail() {
    OpenDone done = std::exchange(m_done, nullptr);
    DropSocket();
    if (done) {
        done(false);
    }
}

LinkFailure NetworkLink::LastFailure() const {
    switch (m_lastError) {
        case QAbstractSocket::UnknownSocketError:
            return m_lastErrorText.isEmpty() ? LinkFailure::None : LinkFailure::Other;
        case QAbstractSocket::ConnectionRefusedError:
            return LinkFailure::Refused;
        case QAbstractSocket::SocketTimeoutError:
            return LinkFailure::NoAnswer;
        case QAbstractSocket::HostNotFoundError:
            return LinkFailure::NotFound;
        case QAbstractSocket::RemoteHostClosedError:
            return LinkFailure::ClosedByPeer;
        case QAbstractSocket::SocketAccessError:
            return LinkFailure::PermissionDenied;
        default:
            return LinkFailure::Other;
    }
}

void NetworkLink::Write(std::span<const std::uint8_t> bytes) {
    if (m_connected && m_socket != nullptr) {
        m_socket->write(reinterpret_cast<const char*>(bytes.data()),
                        static_cast<qint64>(bytes.size()));
        m_socket->flush();
    }
}

void NetworkLink::OnReadyRead() {
    std::array<std::uint8_t, kReceiveBufferSize> chunk{};
    while (m_socket != nullptr) {
        const qint64 n = m_socket->read(reinterpret_cast<char*>(chunk.data()), chunk.size());
        if (n <= 0) {
            break;
        }
        Deliver(std::span<const std::uint8_t>(chunk.data(), static_cast<std::size_t>(n)));
    }
}

}  // namespace tolmarin
