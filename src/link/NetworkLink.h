#pragma once

#include <QObject>
#include <QPointer>
#include <QTcpSocket>
#include <QTimer>

#include "link/LinkTransport.h"

namespace tolmarin {

// The network link: one TCP connection to the amplifier, carrying the same frames as the
// serial port with no envelope. Connecting never blocks: the outcome arrives from the event
// loop, and an attempt that has not succeeded after connectTimeoutMs is abandoned.
class NetworkLink : public QObject, public LinkTransport {
    Q_OBJECT
public:
    explicit NetworkLink(QObject* parent = nullptr);
    ~NetworkLink() override;

    LinkKind Kind() const override { return LinkKind::Network; }
    void Open(const LinkTarget& target, OpenDone done) override;
    bool Close() override;
    bool IsOpen() const override { return m_connected; }
    bool IsConnecting() const { return m_socket != nullptr && !m_connected; }

    void SetConnectTimeout(int ms) { m_connectTimeoutMs = ms; }
    int ConnectTimeoutMs() const { return m_connectTimeoutMs; }

    // Why the last connect failed or the connection broke, so that a caller can say so:
    // SocketTimeoutError when the connect ran out of time. UnknownSocketError until then.
    QAbstractSocket::SocketError LastError() const { return m_lastError; }
    QString LastErrorText() const { return m_lastErrorText; }
    LinkFailure LastFailure() const override;

signals:
    // The amplifier's side closed or broke an established connection. The link controller
    // still learns of it from the missing reply; this is for saying what happened.
    void connectionLost();

protected:
    void Write(std::span<const std::uint8_t> bytes) override;

private:
    void OnConnected();
    void OnError();
    void OnConnectTimeout();
    void OnReadyRead();
    void Fail();
    void DropSocket();

    QPointer<QTcpSocket> m_socket;
    QTimer m_connectTimer;
    OpenDone m_done;
    int m_connectTimeoutMs = kConnectTimeoutMs;
    bool m_connected = false;
    QAbstractSocket::SocketError m_lastError = QAbstractSocket::UnknownSocketError;
    QString m_lastErrorText;
};

}  // namespace tolmarin
