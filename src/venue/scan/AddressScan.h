#pragma once

#include <QObject>
#include <QTimer>
#include <array>
#include <cstdint>
#include <deque>
#include <memory>
#include <vector>

// The venue's scan of a range of addresses for amplifiers: each address is asked for its
// status once, on a connection of its own that closes with the answer. Only a valid status
// reply makes an amplifier; anything else that listens there is not one.

namespace tolmarin::venue {

struct ScanLimits {
    int parallel = 64;   // addresses probed at once
    int probeMs = 1500;  // from the connection attempt to the status reply
};

enum class ProbeOutcome {
    Amplifier,     // a valid status reply
    Refused,       // nothing listens there (refused, unreachable)
    NoAnswer,      // no connection or no reply within the probe's time
    NotAmplifier,  // something answered, but not with a valid status reply, or hung up
};

struct ProbeResult {
    std::uint32_t address = 0;  // host order
    int port = 0;
    ProbeOutcome outcome = ProbeOutcome::NoAnswer;
    // With Amplifier: what the status reported (levels of CH1 and CH2, temperatures in °C).
    std::array<int, 2> levels{};
    std::array<int, 2> temperatures{};
};

struct ScanSummary {
    int total = 0;   // addresses given to the scan
    int probed = 0;  // of them, probed to an outcome
    int amplifiers = 0;
    bool cancelled = false;
    int mostAtOnce = 0;  // the largest number of probes that were under way together
};

class AddressScan : public QObject {
    Q_OBJECT

public:
    explicit AddressScan(ScanLimits limits = {}, QObject* parent = nullptr);
    ~AddressScan() override;

    // Probes the addresses at port, at most ScanLimits::parallel at a time. False (nothing
    // starts) while a scan is under way.
    bool Start(std::vector<std::uint32_t> addresses, int port);
    // Stops every probe at once; Finished follows with cancelled set, then nothing more.
    void Cancel();
    bool Running() const { return m_running; }
    // The amplifiers found so far, in the order they answered.
    const std::vector<ProbeResult>& Found() const { return m_found; }

signals:
    // One address probed to its outcome; done of total addresses so far.
    void Probed(const tolmarin::venue::ProbeResult& result, int done, int total);
    void Finished(const tolmarin::venue::ScanSummary& summary);

private:
    class Probe;

    void Launch();
    void ScheduleReap();
    void Reap();
    void Finish(bool cancelled);

    ScanLimits m_limits;
    bool m_running = false;
    bool m_reapPosted = false;
    int m_port = 0;
    std::deque<std::uint32_t> m_waiting;
    std::vector<std::unique_ptr<Probe>> m_probes;
    std::vector<ProbeResult> m_found;
    ScanSummary m_summary;
};

}  // namespace tolmarin::venue
