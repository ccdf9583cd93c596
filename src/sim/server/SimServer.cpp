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
        : server_(server),
          session_(server.amp_, server.faults_, server.counter_, server.trace_),
          schedule_(timing) {
        timer_.setSingleShot(true);
        timer_.setTimerType(Qt::PreciseTimer);
        QObject::connect(&timer_, &QTimer::timeout, [this] { Pump(); });
    }
    virtual ~Link() { timer_.stop(); }
    Link(const Link&) = delete;
    Link& operator=(const Link&) = delete;

protected:
    virtual bool ClosesOnRequest() const = 0;
    virtual void WriteBytes(const std::vector<std::uint8_t>& bytes) = 0;
    virtual void Close() = 0;

    void Feed(std::span<const std::uint8_t> bytes) {
        const double now = server_.NowMs();
        const auto generation = server_.amp_.Generation();
        const int framesBefore = session_.FramesReceived();
        schedule_.Received(now, static_cast<int>(bytes.size()));
        for (auto& o : session_.Receive(bytes)) {
            schedule_.Queue(now, std::move(o.bytes), o.closeAfter && ClosesOnRequest());
        }
        server_.framesReceived_ += session_.FramesReceived() - framesBefore;
        Pump();
        if (server_.amp_.Generation() != generation) {
            emit server_.MemoryChanged();
        }
    }

    void Pump() {
        for (;;) {
            auto due = schedule_.Take(server_.NowMs());
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
        if (const auto next = schedule_.NextMs()) {
            const double wait = *next - server_.NowMs();
            timer_.start(wait <= 0 ? 0 : static_cast<int>(std::ceil(wait)));
        }
    }

    SimServer& server_;
    Session session_;
    OutputSchedule schedule_;
    QTimer timer_;
};

class SimServer::TcpLink : public SimServer::Link {
public:
    TcpLink(SimServer& server, QTcpSocket* socket)
        : Link(server,
               {0.0, server.faults_.delayMs, server.faults_.chunkBytes, server.faults_.chunkGapMs}),
          socket_(socket) {
        socket_->setSocketOption(QAbstractSocket::LowDelayOption, 1);
        QObject::connect(socket_, &QTcpSocket::readyRead, [this] {
            const QByteArray data = socket_->readAll();
            Feed({reinterpret_cast<const std::uint8_t*>(data.constData()),
                  static_cast<std::size_t>(data.size())});
        });
        QObject::connect(socket_, &QTcpSocket::disconnected, [this] { server_.Drop(this); });
    }
    ~TcpLink() override {
        QObject::disconnect(socket_, nullptr, nullptr, nullptr);
        socket_->abort();
        socket_->deleteLater();
    }

protected:
    bool ClosesOnRequest() const override { return true; }
    void WriteBytes(const std::vector<std::uint8_t>& bytes) override {
        socket_->write(reinterpret_cast<const char*>(bytes.data()),
                       static_cast<qint64>(bytes.size()));
        socket_->flush();
    }
    void Close() override {
        if (server_.trace_ != nullptr) {
            server_.trace_->Note("closing the connection");
        }
        socket_->disconnectFromHost();  // after what was written has gone out
    }

private:
    QTcpSocket* socket_;
};

// A serial line has no connection to close: after --close-after it only falls silent.
class SimServer::PtyLink : public SimServer::Link {
public:
    PtyLink(SimServer& server, std::unique_ptr<PseudoTerminal> pty)
        : Link(server, {kSerialBytesPerMs, server.faults_.delayMs, server.faults_.chunkBytes,
                        server.faults_.chunkGapMs}),
          pty_(std::move(pty)),
          notifier_(pty_->Handle(), QSocketNotifier::Read) {
        QObject::connect(&notifier_, &QSocketNotifier::activated, [this] { ReadAll(); });
        retry_.setSingleShot(true);
        QObject::connect(&retry_, &QTimer::timeout, [this] { Flush(); });
    }
    ~PtyLink() override { notifier_.setEnabled(false); }

protected:
    bool ClosesOnRequest() const override { return false; }
    void WriteBytes(const std::vector<std::uint8_t>& bytes) override {
        backlog_.insert(backlog_.end(), bytes.begin(), bytes.end());
        Flush();
    }
    void Close() override {}

private:
    void ReadAll() {
        std::uint8_t buf[4096];
        while (const std::size_t n = pty_->Read(buf, sizeof buf)) {
            Feed({buf, n});
        }
    }
    void Flush() {
        while (!backlog_.empty()) {
            const std::size_t n = pty_->Write(backlog_.data(), backlog_.size());
            if (n == 0) {
                retry_.start(5);  // the terminal's buffer is full: nobody is reading yet
                return;
            }
            backlog_.erase(backlog_.begin(), backlog_.begin() + static_cast<std::ptrdiff_t>(n));
        }
    }

    std::unique_ptr<PseudoTerminal> pty_;
    QSocketNotifier notifier_;
    QTimer retry_;
    std::vector<std::uint8_t> backlog_;
};

SimServer::SimServer(Amplifier& amp, const Faults& faults, QObject* parent)
    : QObject(parent), amp_(amp), faults_(faults) {
    clock_.start();
}

SimServer::~SimServer() {
    links_.clear();
}

bool SimServer::ListenTcp(const QHostAddress& address, quint16 port, QString* error) {
    const auto fail = [&](const QString& why) {
        if (error != nullptr) {
            *error = why;
        }
        return false;
    };
    if (!allowRemote_ && !address.isLoopback()) {
        return fail(QStringLiteral("refusing to listen on %1: not a loopback address")
                        .arg(address.toString()));
    }
    if (tcp_ != nullptr) {
        return fail(QStringLiteral("already listening"));
    }
    tcp_ = new QTcpServer(this);
    if (!tcp_->listen(address, port)) {
        const QString why = tcp_->errorString();
        delete tcp_;
        tcp_ = nullptr;
        return fail(why);
    }
    connect(tcp_, &QTcpServer::newConnection, this, &SimServer::AcceptConnections);
    return true;
}

void SimServer::CloseTcp() {
    delete tcp_;
    tcp_ = nullptr;
}

quint16 SimServer::TcpPort() const {
    return tcp_ != nullptr ? tcp_->serverPort() : 0;
}

QHostAddress SimServer::TcpAddress() const {
    return tcp_ != nullptr ? tcp_->serverAddress() : QHostAddress();
}

void SimServer::AcceptConnections() {
    while (QTcpSocket* socket = tcp_->nextPendingConnection()) {
        if (trace_ != nullptr) {
            trace_->Note("connection from " + socket->peerAddress().toString().toStdString() + ":" +
                         std::to_string(socket->peerPort()));
        }
        links_.push_back(std::make_unique<TcpLink>(*this, socket));
        emit ConnectionOpened();
    }
}

void SimServer::Drop(Link* link) {
    if (trace_ != nullptr) {
        trace_->Note("connection closed");
    }
    // Not from inside the link's own signal handler: later, on the event loop.
    QTimer::singleShot(0, this, [this, link] {
        for (auto it = links_.begin(); it != links_.end(); ++it) {
            if (it->get() == link) {
                links_.erase(it);
                emit ConnectionClosed();
                return;
            }
        }
    });
}

int SimServer::OpenConnections() const {
    return static_cast<int>(links_.size());
}

bool SimServer::OpenPty(QString* error) {
    const auto fail = [&](const QString& why) {
        if (error != nullptr) {
            *error = why;
        }
        return false;
    };
    if (!ptyPath_.isEmpty()) {
        return fail(QStringLiteral("the pty is already open"));
    }
    std::string why;
    auto pty = PseudoTerminal::Open(why);
    if (!pty) {
        return fail(QString::fromLocal8Bit(why.c_str()));
    }
    const QString path = QString::fromLocal8Bit(pty->Path().c_str());
    links_.push_back(std::make_unique<PtyLink>(*this, std::move(pty)));
    ptyPath_ = path;
    return true;
}

}  // namespace tolmarin::sim
