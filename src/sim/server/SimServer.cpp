#include "sim/server/SimServer.h"

#include <QSocketNotifier>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>
#include <cmath>

#include "sim/OutputSchedule.h"
#include "sim/server/ServerPlatform.h"

namespace tolmarin::sim {

// One connection: a session (parser, faults) and the schedule its replies leave by.
class SimServer::Link {
public:
    Link(SimServer& server, OutputSchedule::Timing timing)
        : m_server(server),
          m_session(server.m_amp, server.m_faults, server.m_counter, server.m_trace),
          m_schedule(timing) {
        m_timer.setSingleShot(true);
        m_timer.setTimerType(Qt::PreciseTimer);
        QObject::connect(&m_timer, &QTimer::timeout, [this] { Pump(); });
    }
    virtual ~Link() { m_timer.stop(); }
    Link(const Link&) = delete;
    Link& operator=(const Link&) = delete;

protected:
    virtual bool ClosesOnRequest() const = 0;
    virtual void WriteBytes(const std::vector<std::uint8_t>& bytes) = 0;
    virtual void Close() = 0;

    void Feed(std::span<const std::uint8_t> bytes) {
        const double now = m_server.NowMs();
        const auto generation = m_server.m_amp.Generation();
        const int framesBefore = m_session.FramesReceived();
        m_schedule.Received(now, static_cast<int>(bytes.size()));
        for (auto& o : m_session.Receive(bytes)) {
            m_schedule.Queue(now + o.extraDelayMs, std::move(o.bytes),
                             o.closeAfter && ClosesOnRequest());
        }
        m_server.m_framesReceived += m_session.FramesReceived() - framesBefore;
        Pump();
        if (m_server.m_amp.Generation() != generation) {
            emit m_server.MemoryChanged();
        }
    }

    void Pump() {
        for (;;) {
            auto due = m_schedule.Take(m_server.NowMs());
            if (due.bytes.empty() && !due.close) {
                break;
            }
            if (!due.bytes.empty()) {
                WriteBytes(due.bytes);
            }
            if (due.close) {
                Close();
                return;
            }
        }
        if (const auto next = m_schedule.NextMs()) {
            const double wait = *next - m_server.NowMs();
            m_timer.start(wait <= 0 ? 0 : static_cast<int>(std::ceil(wait)));
        }
    }

    SimServer& m_server;
    Session m_session;
    OutputSchedule m_schedule;
    QTimer m_timer;
};

class SimServer::TcpLink : public SimServer::Link {
public:
    TcpLink(SimServer& server, QTcpSocket* socket)
        : Link(server, {0.0, server.m_faults.delayMs, server.m_faults.chunkBytes,
                        server.m_faults.chunkGapMs}),
          m_socket(socket) {
        m_socket->setSocketOption(QAbstractSocket::LowDelayOption, 1);
        QObject::connect(m_socket, &QTcpSocket::readyRead, [this] {
            const QByteArray data = m_socket->readAll();
            Feed({reinterpret_cast<const std::uint8_t*>(data.constData()),
                  static_cast<std::size_t>(data.size())});
        });
        QObject::connect(m_socket, &QTcpSocket::disconnected, [this] { m_server.Drop(this); });
    }
    ~TcpLink() override {
        QObject::disconnect(m_socket, nullptr, nullptr, nullptr);
        m_socket->abort();
        m_socket->deleteLater();
    }

protected:
    bool ClosesOnRequest() const override { return true; }
    void WriteBytes(const std::vector<std::uint8_t>& bytes) override {
        m_socket->write(reinterpret_cast<const char*>(bytes.data()),
                        static_cast<qint64>(bytes.size()));
        m_socket->flush();
    }
    void Close() override {
        if (m_server.m_trace != nullptr) {
            m_server.m_trace->Note("closing the connection");
        }
        m_socket->disconnectFromHost();  // after what was written has gone out
    }

private:
    QTcpSocket* m_socket;
};

// A serial line has no connection to close: after --close-after it only falls silent.
class SimServer::PtyLink : public SimServer::Link {
public:
    PtyLink(SimServer& server, std::unique_ptr<PseudoTerminal> pty)
        : Link(server, {kSerialBytesPerMs, server.m_faults.delayMs, server.m_faults.chunkBytes,
                        server.m_faults.chunkGapMs}),
          m_pty(std::move(pty)),
          m_notifier(m_pty->Handle(), QSocketNotifier::Read) {
        QObject::connect(&m_notifier, &QSocketNotifier::activated, [this] { ReadAll(); });
        m_retry.setSingleShot(true);
        QObject::connect(&m_retry, &QTimer::timeout, [this] { Flush(); });
    }
    ~PtyLink() override { m_notifier.setEnabled(false); }

protected:
    bool ClosesOnRequest() const override { return false; }
    void WriteBytes(const std::vector<std::uint8_t>& bytes) override {
        m_backlog.insert(m_backlog.end(), bytes.begin(), bytes.end());
        Flush();
    }
    void Close() override {}

private:
    void ReadAll() {
        std::uint8_t buf[4096];
        while (const std::size_t n = m_pty->Read(buf, sizeof buf)) {
            Feed({buf, n});
        }
    }
    void Flush() {
        while (!m_backlog.empty()) {
            const std::size_t n = m_pty->Write(m_backlog.data(), m_backlog.size());
            if (n == 0) {
                m_retry.start(5);  // the terminal's buffer is full: nobody is reading yet
                return;
            }
            m_backlog.erase(m_backlog.begin(), m_backlog.begin() + static_cast<std::ptrdiff_t>(n));
        }
    }

    std::unique_ptr<PseudoTerminal> m_pty;
    QSocketNotifier m_notifier;
    QTimer m_retry;
    std::vector<std::uint8_t> m_backlog;
};

SimServer::SimServer(Amplifier& amp, const Faults& faults, QObject* parent)
    : QObject(parent), m_amp(amp), m_faults(faults) {
    m_clock.start();
}

SimServer::~SimServer() {
    m_links.clear();
}

bool SimServer::ListenTcp(const QHostAddress& address, quint16 port, QString* error) {
    const auto fail = [&](const QString& why) {
        if (error != nullptr) {
            *error = why;
        }
        return false;
    };
    if (!m_allowRemote && !address.isLoopback()) {
        return fail(QStringLiteral("refusing to listen on %1: not a loopback address")
                        .arg(address.toString()));
    }
    if (m_tcp != nullptr) {
        return fail(QStringLiteral("already listening"));
    }
    m_tcp = new QTcpServer(this);
    if (!m_tcp->listen(address, port)) {
        const QString why = m_tcp->errorString();
        delete m_tcp;
        m_tcp = nullptr;
        return fail(why);
    }
    connect(m_tcp, &QTcpServer::newConnection, this, &SimServer::AcceptConnections);
    return true;
}

void SimServer::CloseTcp() {
    delete m_tcp;
    m_tcp = nullptr;
}

quint16 SimServer::TcpPort() const {
    return m_tcp != nullptr ? m_tcp->serverPort() : 0;
}

QHostAddress SimServer::TcpAddress() const {
    return m_tcp != nullptr ? m_tcp->serverAddress() : QHostAddress();
}

void SimServer::AcceptConnections() {
    while (QTcpSocket* socket = m_tcp->nextPendingConnection()) {
        if (m_trace != nullptr) {
            m_trace->Note("connection from " + socket->peerAddress().toString().toStdString() +
                          ":" + std::to_string(socket->peerPort()));
        }
        m_links.push_back(std::make_unique<TcpLink>(*this, socket));
        emit ConnectionOpened();
    }
}

void SimServer::Drop(Link* link) {
    if (m_trace != nullptr) {
        m_trace->Note("connection closed");
    }
    // Not from inside the link's own signal handler: later, on the event loop.
    QTimer::singleShot(0, this, [this, link] {
        for (auto it = m_links.begin(); it != m_links.end(); ++it) {
            if (it->get() == link) {
                m_links.erase(it);
                emit ConnectionClosed();
                return;
            }
        }
    });
}

int SimServer::OpenConnections() const {
    return static_cast<int>(m_links.size());
}

bool SimServer::OpenPty(QString* error) {
    const auto fail = [&](const QString& why) {
        if (error != nullptr) {
            *error = why;
        }
        return false;
    };
    if (!m_ptyPath.isEmpty()) {
        return fail(QStringLiteral("the pty is already open"));
    }
    std::string why;
    auto pty = PseudoTerminal::Open(why);
    if (!pty) {
        return fail(QString::fromLocal8Bit(why.c_str()));
    }
    const QString path = QString::fromLocal8Bit(pty->Path().c_str());
    m_links.push_back(std::make_unique<PtyLink>(*this, std::move(pty)));
    m_ptyPath = path;
    return true;
}

}  // namespace tolmarin::sim
