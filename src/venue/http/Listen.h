#pragma once

#include <QHostAddress>

#include <optional>

class QAbstractHttpServer;
class QTcpSocket;

namespace tolmarin::venue {

// Bytes a client may send without a whole request among them; beyond, it is dropped, so a
// flood of headers cannot fill the memory (the server itself would take any size).
inline constexpr qint64 kMaxRequestBytes = 256 * 1024;

// Binds server to host:port (port 0 picks a free one) and returns the port it listens on, or
// none when the address cannot be bound. The one place that knows how this Qt's HTTP server
// is bound, so a later Qt's way of doing it is a change here alone.
std::optional<quint16> ListenOn(QAbstractHttpServer& server, const QHostAddress& host,
                                quint16 port);

// Tells the guard of a connection made by ListenOn that a request on it was complete.
void RequestSeen(QTcpSocket& socket);

}  // namespace tolmarin::venue
