#pragma once

#include <QByteArray>
#include <QTcpSocket>

#include <map>
#include <string>

#include "support/qt/EventLoop.h"

namespace tolmarin::testing {

// One HTTP answer as it came over the wire, taken apart just enough to check it.
struct HttpAnswer {
    int status = 0;                              // 0: no complete answer in time
    std::map<std::string, std::string> headers;  // names in lower case
    QByteArray body;
};

// Sends raw request bytes to 127.0.0.1:port and reads one answer (its Content-Length decides
// where it ends; a HEAD answer ends with its headers), running the event loop meanwhile.
inline HttpAnswer Ask(quint16 port, const QByteArray& request, bool head = false,
                      int timeoutMs = 5000) {
    QTcpSocket socket;
    socket.connectToHost(QHostAddress::LocalHost, port);
    HttpAnswer a;
    if (!SpinUntil([&] { return socket.state() == QAbstractSocket::ConnectedState; }, timeoutMs)) {
        return a;
    }
    socket.write(request);
    QByteArray got;
    qsizetype headEnd = -1;
    qsizetype length = -1;
    const auto complete = [&] {
        got += socket.readAll();
        if (headEnd < 0) {
            headEnd = got.indexOf("\r\n\r\n");
            if (headEnd < 0) {
                return false;
            }
            const QList<QByteArray> lines = got.left(headEnd).split('\n');
            a.status = lines.front().split(' ').value(1).toInt();
            for (qsizetype i = 1; i < lines.size(); ++i) {
                const QByteArray line = lines[i].trimmed();
                const qsizetype colon = line.indexOf(':');
                a.headers[line.left(colon).toLower().toStdString()] =
                    line.mid(colon + 1).trimmed().toStdString();
            }
            length =
                head ? 0
                     : std::stoll(a.headers.count("content-length") ? a.headers["content-length"]
                                                                    : std::string("0"));
        }
        return got.size() - (headEnd + 4) >= length;
    };
    if (!SpinUntil(complete, timeoutMs)) {
        a.status = 0;
        return a;
    }
    a.body = got.mid(headEnd + 4);
    return a;
}

inline HttpAnswer Get(quint16 port, const char* path) {
    return Ask(port, QByteArray("GET ") + path + " HTTP/1.1\r\nHost: 127.0.0.1\r\n\r\n");
}

}  // namespace tolmarin::testing
