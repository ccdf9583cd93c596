#pragma once

#include <QProcess>
#include <QString>
#include <QTemporaryDir>

namespace tolmarin::testing {

// A PulseAudio server of the test's own: a 48 kHz mono float null sink ("tolmarin_out")
// and a source remapped from its monitor ("tolmarin_in"), which Qt lists as an input as it
// hides monitors, on a socket in a temporary folder; PULSE_SERVER names it for this
// process. Started before the first use of Qt Multimedia, which connects once. As root the
// server warns that it is not meant to run so; that is harmless here.
class PulseServer {
public:
    static constexpr const char* kSink = "tolmarin_out";
    static constexpr const char* kSource = "tolmarin_in";

    PulseServer();
    ~PulseServer();
    PulseServer(const PulseServer&) = delete;
    PulseServer& operator=(const PulseServer&) = delete;

    // Empty when the server runs and answers; else what went wrong and its log.
    const QString& Problem() const { return m_problem; }

private:
    QTemporaryDir m_dir;
    QProcess m_server;
    QString m_problem;
};

}  // namespace tolmarin::testing
