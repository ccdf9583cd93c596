#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

class QCoreApplication;

namespace tolmarin::sim {

// A pseudo-terminal that stands in for the amplifier's USB serial port: raw, 57600 8N1,
// non-blocking on the simulator's side; a client opens Path() as a serial port. Every
// system call of the simulator's transports lives in ServerPlatform.cpp.
class PseudoTerminal {
public:
    // Nothing, with the reason in error, where the system has no pseudo-terminals.
    static std::unique_ptr<PseudoTerminal> Open(std::string& error);
    ~PseudoTerminal();
    PseudoTerminal(const PseudoTerminal&) = delete;
    PseudoTerminal& operator=(const PseudoTerminal&) = delete;

    const std::string& Path() const { return m_path; }
    // What a read notifier watches.
    std::intptr_t Handle() const { return m_master; }
    // What was waiting, up to size bytes; 0 when nothing was.
    std::size_t Read(std::uint8_t* data, std::size_t size);
    // How much the terminal took; 0 when its buffer is full (nobody is reading yet).
    std::size_t Write(const std::uint8_t* data, std::size_t size);

private:
    PseudoTerminal(int master, int slave, std::string path);

    int m_master;
    int m_slave;
    std::string m_path;
};

// Ctrl+C and a polite kill end the event loop rather than the process, so the caller's
// clean-up after exec() still runs.
void QuitOnTerminationSignals(QCoreApplication& app);

}  // namespace tolmarin::sim
