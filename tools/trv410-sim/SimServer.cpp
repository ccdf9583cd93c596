#include "SimServer.h"

#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

#include <QSocketNotifier>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>
#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <cstring>

#include "OutputSchedule.h"

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
            schedule_.Queue(now + o.extraDelayMs, std::move(o.bytes),
                            o.closeAfter && ClosesOnRequest());
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
    PtyLink(SimServer& server, int master, int slave)
        : Link(server, {kSerialBytesPerMs, server.faults_.delayMs, server.faults_.chunkBytes,
                        server.faults_.chunkGapMs}),
          master_(master),
          slave_(slave),
          notifier_(master, QSocketNotifier::Read) {
        QObject::connect(&notifier_, &QSocketNotifier::activated, [this] { ReadAll(); });
        retry_.setSingleShot(true);
        QObject::connect(&retry_, &QTimer::timeout, [this] { Flush(); });
    }
    ~PtyLink() override {
        notifier_.setEnabled(false);
        ::close(slave_);
        ::close(master_);
    }

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
        for (;;) {
            const ssize_t n = ::read(master_, buf, sizeof buf);
            if (n > 0) {
                Feed({buf, static_cast<std::size_t>(n)});
                continue;
            }
            if (n < 0 && errno == EINTR) {
                continue;
            }
            break;  // EAGAIN: all read; EIO cannot happen while we hold the slave open
        }
    }
    void Flush() {
        while (!backlog_.empty()) {
            const ssize_t n = ::write(master_, backlog_.data(), backlog_.size());
            if (n > 0) {
                backlog_.erase(backlog_.begin(), backlog_.begin() + n);
                continue;
            }
            if (n < 0 && errno == EINTR) {
                continue;
            }
            retry_.start(5);  // the terminal's buffer is full: nobody is reading yet
            return;
        }
    }

    int master_;
    int slave_;
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
    const int master = ::posix_openpt(O_RDWR | O_NOCTTY);
    if (master < 0) {
        return fail(QStringLiteral("posix_openpt: %1").arg(std::strerror(errno)));
    }
    if (::grantpt(master) != 0 || ::unlockpt(master) != 0) {
        const QString why = QStringLiteral("grantpt/unlockpt: %1").arg(std::strerror(errno));
        ::close(master);
        return fail(why);
    }
    const char* name = ::ptsname(master);
    const QString path = name != nullptr ? QString::fromLocal8Bit(name) : QString();
    // Holding the slave open keeps the master usable while no client has the port open.
    const int slave = path.isEmpty() ? -1 : ::open(name, O_RDWR | O_NOCTTY);
    if (slave < 0) {
        const QString why = QStringLiteral("opening %1: %2").arg(path, std::strerror(errno));
        ::close(master);
        return fail(why);
    }
    termios t{};
    ::tcgetattr(slave, &t);
    ::cfmakeraw(&t);  // no echo: the line discipline must not bounce bytes back
    ::cfsetispeed(&t, B57600);
    ::cfsetospeed(&t, B57600);
    t.c_cflag &= ~static_cast<tcflag_t>(CSIZE | PARENB | CSTOPB | CRTSCTS);
    t.c_cflag |= CS8 | CLOCAL | CREAD;
    ::tcsetattr(slave, TCSANOW, &t);
    ::fcntl(master, F_SETFL, ::fcntl(master, F_GETFL) | O_NONBLOCK);
    links_.push_back(std::make_unique<PtyLink>(*this, master, slave));
    ptyPath_ = path;
    return true;
}

}  // namespace tolmarin::sim
