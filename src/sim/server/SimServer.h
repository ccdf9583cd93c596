#pragma once

#include <QElapsedTimer>
#include <QHostAddress>
#include <QObject>
#include <QString>
#include <memory>
#include <vector>

#include "sim/Amplifier.h"
#include "sim/Session.h"

class QTcpServer;

namespace tolmarin::sim {

// The simulated amplifier on real transports, on the Qt event loop of the thread that
// owns it: TCP on a loopback address and a pseudo-terminal that stands in for the USB
// serial port. Tests construct one in-process (listening on 127.0.0.1:0 and/or a pty)
// and drive the editor's links against it; the trv410-sim executable wraps the same class.
class SimServer : public QObject {
    Q_OBJECT

public:
    SimServer(Amplifier& amp, const Faults& faults, QObject* parent = nullptr);
    ~SimServer() override;

    // Frames are traced here when set (not owned).
    void SetTrace(Trace* trace) { m_trace = trace; }
    // Without this, ListenTcp refuses every address that is not loopback.
    void SetAllowRemote(bool allow) { m_allowRemote = allow; }

    // Starts listening; port 0 picks a free one. False with a reason in error.
    bool ListenTcp(const QHostAddress& address, quint16 port, QString* error = nullptr);
    quint16 TcpPort() const;
    // Stops listening (connections already accepted stay).
    void CloseTcp();
    QHostAddress TcpAddress() const;

    // Creates the pseudo-terminal (raw, 57600 8N1); PtyPath() is what a client opens.
    bool OpenPty(QString* error = nullptr);
    QString PtyPath() const { return m_ptyPath; }

    Amplifier& Amp() { return m_amp; }
    // Links open: every TCP connection, and the pty once created.
    int OpenConnections() const;
    // Requests received so far on every link.
    long FramesReceived() const { return m_framesReceived; }

signals:
    // The memory changed (a write or a recall reached it).
    void MemoryChanged();
    void ConnectionOpened();
    void ConnectionClosed();

private:
    class Link;
    class TcpLink;
    class PtyLink;
    friend class Link;

    double NowMs() const { return static_cast<double>(m_clock.nsecsElapsed()) / 1e6; }
    void AcceptConnections();
    void Drop(Link* link);

    Amplifier& m_amp;
    Faults m_faults;
    ReplyCounter m_counter;
    Trace* m_trace = nullptr;
    bool m_allowRemote = false;
    QTcpServer* m_tcp = nullptr;
    std::vector<std::unique_ptr<Link>> m_links;
    QString m_ptyPath;
    QElapsedTimer m_clock;
    long m_framesReceived = 0;
};

}  // namespace tolmarin::sim
