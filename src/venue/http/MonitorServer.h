#pragma once

#include <QAbstractHttpServer>
#include <QByteArray>

#include <optional>
#include <string>
#include <vector>

#include "AmplifierSample.h"

namespace tolmarin::venue {

// The monitor's read-only HTTP surface: GET and HEAD of /metrics (Prometheus text) and /status
// (a JSON array of every amplifier's last sample); any other path is 404, any other method
// 405 with Allow. It answers from the samples last published, on the thread it lives in, and
// never waits for a poll or for a client: a client that does not read what it asked for, or
// sends too much without a whole request, is dropped.
class MonitorServer : public QAbstractHttpServer {
    Q_OBJECT
public:
    explicit MonitorServer(std::string version, QObject* parent = nullptr);

    // Replaces every sample the next answer shows.
    void Publish(std::vector<AmplifierSample> samples);
    // Replaces the sample of the amplifier at s.address, or adds it.
    void Update(const AmplifierSample& s);
    const std::vector<AmplifierSample>& Samples() const { return m_samples; }

    // Binds and listens (port 0 picks a free one); the port, or none when it cannot be bound.
    std::optional<quint16> Listen(const QHostAddress& host, quint16 port);

    // Bytes of answers a client may leave unread before it is dropped.
    static constexpr qint64 kMaxUnreadBytes = 4 * 1024 * 1024;

protected:
    bool handleRequest(const QHttpServerRequest& request, QTcpSocket* socket) override;
    void missingHandler(const QHttpServerRequest& request, QTcpSocket* socket) override;

private:
    const QByteArray& MetricsBody();
    const QByteArray& StatusBody();

    std::string m_version;
    std::vector<AmplifierSample> m_samples;
    // Rendered once per publication, however many scrapers ask.
    std::optional<QByteArray> m_metrics;
    std::optional<QByteArray> m_status;
};

}  // namespace tolmarin::venue
