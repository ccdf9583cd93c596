#include "Listen.h"

#include <QAbstractHttpServer>
#include <QTcpServer>
#include <QTcpSocket>

namespace tolmarin::venue {

namespace {

constexpr const char* kUnanswered = "tolmarinBytesSinceRequest";

// Counts what each client sends before the HTTP server reads it; its slot is connected first,
// so it sees every chunk before the server's parser does.
class GuardedTcpServer : public QTcpServer {
public:
    using QTcpServer::QTcpServer;

protected:
    void incomingConnection(qintptr descriptor) override {
        auto* socket = new QTcpSocket(this);
        if (!socket->setSocketDescriptor(descriptor)) {
            delete socket;
            return;
        }
        socket->setProperty(kUnanswered, qint64(0));
        connect(socket, &QTcpSocket::readyRead, socket, [socket] {
            const qint64 seen =
                socket->property(kUnanswered).toLongLong() + socket->bytesAvailable();
            socket->setProperty(kUnanswered, seen);
            if (seen > kMaxRequestBytes) {
                // The server's own reader is not to see this chunk of a closed socket.
                QObject::disconnect(socket, &QTcpSocket::readyRead, nullptr, nullptr);
                socket->abort();
            }
        });
        addPendingConnection(socket);
    }
};

}  // namespace

std::optional<quint16> ListenOn(QAbstractHttpServer& server, const QHostAddress& host,
                                quint16 port) {
    // Qt 6.4's listen() would make a plain QTcpServer of its own; bind() takes ours instead,
    // listening already, and the HTTP server handles every connection it accepts from then on.
    auto* tcp = new GuardedTcpServer(&server);
    if (!tcp->listen(host, port)) {
        delete tcp;
        return std::nullopt;
    }
    server.bind(tcp);
    return tcp->serverPort();
}

void RequestSeen(QTcpSocket& socket) {
    socket.setProperty(kUnanswered, qint64(0));
}

}  // namespace tolmarin::venue
