#include "venue/scan/AddressScan.h"

#include <QHostAddress>
#include <QTcpSocket>
#include <algorithm>

#include "protocol/CommandQueue.h"
#include "protocol/FrameBuilder.h"

namespace tolmarin::venue {

// One address: a connection, the poll frame and the reply parser of the protocol layer.
// Its handlers only note the outcome; the scan collects it later, so nothing is deleted
// from inside a socket's own signal.
class AddressScan::Probe : public ByteTransport, public CommandOwner {
public:
    Probe(AddressScan& scan, std::uint32_t address, int port, int ms)
        : m_scan(scan), m_queue(m_state), m_socket(new QTcpSocket(&scan)) {
        m_result.address = address;
        m_result.port = port;
        InitDeviceImage(m_state);
        m_queue.SetOwner(this);
        m_queue.SetTransport(this);
        m_deadline.setSingleShot(true);
        QObject::connect(&m_deadline, &QTimer::timeout, [this] {
            Done(m_heard ? ProbeOutcome::NotAmplifier : ProbeOutcome::NoAnswer);
        });
        QObject::connect(m_socket, &QTcpSocket::connected, [this] {
            m_queue.Enqueue(BuildPoll(m_state));
            if (!m_queue.TransmitHead()) {
                Done(ProbeOutcome::NotAmplifier);
            }
        });
        QObject::connect(m_socket, &QTcpSocket::readyRead, [this] {
            const QByteArray data = m_socket->readAll();
            m_heard = m_heard || !data.isEmpty();
            m_queue.FeedBytes({reinterpret_cast<const std::uint8_t*>(data.constData()),
                               static_cast<std::size_t>(data.size())});
            if (!m_done && m_queue.QueueCount() == 0) {
                Done(ProbeOutcome::NotAmplifier);  // acted on, but it was no status
            }
        });
        QObject::connect(
            m_socket, &QTcpSocket::errorOccurred, [this](QAbstractSocket::SocketError e) {
                if (e == QAbstractSocket::ConnectionRefusedError ||
                    e == QAbstractSocket::NetworkError || e == QAbstractSocket::HostNotFoundError) {
                    Done(m_socket->state() == QAbstractSocket::ConnectedState || m_heard
                             ? ProbeOutcome::NotAmplifier
                             : ProbeOutcome::Refused);
                } else {
                    Done(ProbeOutcome::NotAmplifier);  // it hung up, or worse
                }
            });
        m_deadline.start(ms);
        m_socket->connectToHost(QHostAddress(address), static_cast<quint16>(port));
    }

    ~Probe() override {
        m_deadline.stop();
        QObject::disconnect(m_socket, nullptr, nullptr, nullptr);
        m_socket->abort();
        m_socket->deleteLater();
    }
    Probe(const Probe&) = delete;
    Probe& operator=(const Probe&) = delete;

    bool IsDone() const { return m_done; }
    const ProbeResult& Result() const { return m_result; }

    bool Write(std::span<const std::uint8_t> bytes) override {
        const auto n = m_socket->write(reinterpret_cast<const char*>(bytes.data()),
                                       static_cast<qint64>(bytes.size()));
        return n == static_cast<qint64>(bytes.size());
    }
    void Purge() override {}
    void Notify(const ReplyEvent& event) override {
        if (event.kind != ReplyEventKind::Status || m_done) {
            return;
        }
        const auto& s = m_queue.Status();
        constexpr int kTemperatureOffset = 10;  // the status byte holds degrees plus 10
        m_result.levels = {s[0], s[1]};
        m_result.temperatures = {s[4] - kTemperatureOffset, s[5] - kTemperatureOffset};
        Done(ProbeOutcome::Amplifier);
    }

private:
    void Done(ProbeOutcome outcome) {
        if (m_done) {
            return;
        }
        m_done = true;
        m_result.outcome = outcome;
        m_deadline.stop();
        m_socket->abort();  // the amplifier serves one link: give it back at once
        m_scan.ScheduleReap();
    }

    AddressScan& m_scan;
    SharedState m_state;
    CommandQueue m_queue;
    QTcpSocket* m_socket;
    QTimer m_deadline;
    ProbeResult m_result;
    bool m_heard = false;
    bool m_done = false;
};

AddressScan::AddressScan(ScanLimits limits, QObject* parent) : QObject(parent), m_limits(limits) {
    m_limits.parallel = std::max(1, m_limits.parallel);
}

AddressScan::~AddressScan() {
    m_probes.clear();
}

bool AddressScan::Start(std::vector<std::uint32_t> addresses, int port) {
    if (m_running) {
        return false;
    }
    m_running = true;
    m_port = port;
    m_found.clear();
    m_summary = {};
    m_summary.total = static_cast<int>(addresses.size());
    m_waiting.assign(addresses.begin(), addresses.end());
    Launch();
    if (m_waiting.empty() && m_probes.empty()) {
        ScheduleReap();  // nothing to probe: finish from the event loop, as always
    }
    return true;
}

void AddressScan::Cancel() {
    if (m_running) {
        Finish(true);
    }
}

void AddressScan::Launch() {
    while (m_running && !m_waiting.empty() &&
           static_cast<int>(m_probes.size()) < m_limits.parallel) {
        const std::uint32_t address = m_waiting.front();
        m_waiting.pop_front();
        m_probes.push_back(std::make_unique<Probe>(*this, address, m_port, m_limits.probeMs));
        m_summary.mostAtOnce = std::max(m_summary.mostAtOnce, static_cast<int>(m_probes.size()));
    }
}

void AddressScan::ScheduleReap() {
    if (!m_reapPosted) {
        m_reapPosted = true;
        QTimer::singleShot(0, this, &AddressScan::Reap);
    }
}

void AddressScan::Reap() {
    m_reapPosted = false;
    if (!m_running) {
        return;
    }
    std::vector<ProbeResult> results;
    for (auto it = m_probes.begin(); it != m_probes.end();) {
        if ((*it)->IsDone()) {
            results.push_back((*it)->Result());
            it = m_probes.erase(it);
        } else {
            ++it;
        }
    }
    Launch();  // the free places are taken before anyone hears of the results
    for (const auto& r : results) {
        ++m_summary.probed;
        if (r.outcome == ProbeOutcome::Amplifier) {
            ++m_summary.amplifiers;
            m_found.push_back(r);
        }
        emit Probed(r, m_summary.probed, m_summary.total);
        if (!m_running) {
            return;  // cancelled by a listener
        }
    }
    if (m_waiting.empty() && m_probes.empty()) {
        Finish(false);
    }
}

void AddressScan::Finish(bool cancelled) {
    m_running = false;
    m_waiting.clear();
    m_probes.clear();
    m_summary.cancelled = cancelled;
    emit Finished(m_summary);
}

}  // namespace tolmarin::venue
