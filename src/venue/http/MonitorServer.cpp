#include "MonitorServer.h"

#include <QHttpServerRequest>
#include <QHttpServerResponder>
#include <QJsonArray>
#include <QJsonDocument>
#include <QTcpSocket>

#include "JsonRecord.h"
#include "Listen.h"
#include "MetricsText.h"

namespace tolmarin::venue {

namespace {

using Method = QHttpServerRequest::Method;
using Status = QHttpServerResponder::StatusCode;

const QByteArray kAllow = "GET, HEAD";

}  // namespace

MonitorServer::MonitorServer(std::string version, QObject* parent)
    : QAbstractHttpServer(parent), m_version(std::move(version)) {}

void MonitorServer::Publish(std::vector<AmplifierSample> samples) {
    m_samples = std::move(samples);
    m_metrics.reset();
    m_status.reset();
}

void MonitorServer::Update(const AmplifierSample& s) {
    m_metrics.reset();
    m_status.reset();
    for (auto& known : m_samples) {
        if (known.address == s.address) {
            known = s;
            return;
        }
    }
    m_samples.push_back(s);
}

std::optional<quint16> MonitorServer::Listen(const QHostAddress& host, quint16 port) {
    return ListenOn(*this, host, port);
}

const QByteArray& MonitorServer::MetricsBody() {
    if (!m_metrics) {
        m_metrics = QByteArray::fromStdString(RenderMetrics(m_samples, m_version));
    }
    return *m_metrics;
}

const QByteArray& MonitorServer::StatusBody() {
    if (!m_status) {
        QJsonArray all;
        for (const auto& s : m_samples) {
            all.append(StatusObject(s));
        }
        m_status = QJsonDocument(all).toJson(QJsonDocument::Compact) + '\n';
    }
    return *m_status;
}

bool MonitorServer::handleRequest(const QHttpServerRequest& request, QTcpSocket* socket) {
    RequestSeen(*socket);
    const QString path = request.url().path();
    const bool metrics = path == QLatin1String("/metrics");
    if (!metrics && path != QLatin1String("/status")) {
        return false;  // missingHandler answers 404
    }
    // A client that asks again and again without reading would make its answers pile up here.
    if (socket->bytesToWrite() > kMaxUnreadBytes) {
        socket->abort();
        return true;
    }
    auto responder = makeResponder(request, socket);
    const Method method = request.method();
    if (method != Method::Get && method != Method::Head) {
        responder.write(QByteArray("method not allowed\n"),
                        {{"Allow", kAllow}, {"Content-Type", "text/plain; charset=utf-8"}},
                        Status::MethodNotAllowed);
        return true;
    }
    const QByteArray type =
        metrics ? QByteArray(kMetricsContentType) : QByteArray("application/json; charset=utf-8");
    const QByteArray& body = metrics ? MetricsBody() : StatusBody();
    if (method == Method::Head) {
        // What GET would say, without the body.
        responder.writeStatusLine(Status::Ok);
        responder.writeHeaders(
            {{"Content-Type", type}, {"Content-Length", QByteArray::number(body.size())}});
        responder.writeBody(QByteArray());
        return true;
    }
    responder.write(body, {{"Content-Type", type}}, Status::Ok);
    return true;
}

void MonitorServer::missingHandler(const QHttpServerRequest& request, QTcpSocket* socket) {
    RequestSeen(*socket);
    makeResponder(request, socket)
        .write(QByteArray("not found\n"), {{"Content-Type", "text/plain; charset=utf-8"}},
               Status::NotFound);
}

}  // namespace tolmarin::venue
