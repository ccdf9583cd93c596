// The simulator's transports' system calls: the pseudo-terminal and the quit signals.
#include "sim/server/ServerPlatform.h"

#include <QCoreApplication>

#ifndef _WIN32

#include <fcntl.h>
#include <signal.h>
#include <sys/socket.h>
#include <termios.h>
#include <unistd.h>

#include <QSocketNotifier>
#include <cerrno>
#include <cstring>

namespace tolmarin::sim {

std::unique_ptr<PseudoTerminal> PseudoTerminal::Open(std::string& error) {
    const int master = ::posix_openpt(O_RDWR | O_NOCTTY);
    if (master < 0) {
        error = std::string("posix_openpt: ") + std::strerror(errno);
        return nullptr;
    }
    if (::grantpt(master) != 0 || ::unlockpt(master) != 0) {
        error = std::string("grantpt/unlockpt: ") + std::strerror(errno);
        ::close(master);
        return nullptr;
    }
    const char* name = ::ptsname(master);
    const std::string path = name != nullptr ? name : "";
    // Holding the slave open keeps the master usable while no client has the port open.
    const int slave = path.empty() ? -1 : ::open(name, O_RDWR | O_NOCTTY);
    if (slave < 0) {
        error = "opening " + path + ": " + std::strerror(errno);
        ::close(master);
        return nullptr;
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
    return std::unique_ptr<PseudoTerminal>(new PseudoTerminal(master, slave, path));
}

PseudoTerminal::PseudoTerminal(int master, int slave, std::string path)
    : m_master(master), m_slave(slave), m_path(std::move(path)) {}

PseudoTerminal::~PseudoTerminal() {
    ::close(m_slave);
    ::close(m_master);
}

std::size_t PseudoTerminal::Read(std::uint8_t* data, std::size_t size) {
    for (;;) {
        const ssize_t n = ::read(m_master, data, size);
        if (n > 0) {
            return static_cast<std::size_t>(n);
        }
        if (n < 0 && errno == EINTR) {
            continue;
        }
        return 0;  // EAGAIN: all read; EIO cannot happen while we hold the slave open
    }
}

std::size_t PseudoTerminal::Write(const std::uint8_t* data, std::size_t size) {
    for (;;) {
        const ssize_t n = ::write(m_master, data, size);
        if (n > 0) {
            return static_cast<std::size_t>(n);
        }
        if (n < 0 && errno == EINTR) {
            continue;
        }
        return 0;
    }
}

namespace {

int g_signalPipe[2] = {-1, -1};

void OnSignal(int) {
    const char c = 1;
    [[maybe_unused]] const ssize_t n = ::write(g_signalPipe[1], &c, 1);
}

}  // namespace

void QuitOnTerminationSignals(QCoreApplication& app) {
    // A handler may only write to a descriptor; the event loop reads it and quits.
    if (::socketpair(AF_UNIX, SOCK_STREAM, 0, g_signalPipe) != 0) {
        return;
    }
    struct sigaction sa {};
    sa.sa_handler = OnSignal;
    sigemptyset(&sa.sa_mask);
    sigaction(SIGINT, &sa, nullptr);
    sigaction(SIGTERM, &sa, nullptr);
    auto* notifier = new QSocketNotifier(g_signalPipe[0], QSocketNotifier::Read, &app);
    QObject::connect(notifier, &QSocketNotifier::activated, &app, &QCoreApplication::quit);
}

}  // namespace tolmarin::sim

#else  // _WIN32: no pseudo-terminals; the console's Ctrl+C ends the process as it is.

namespace tolmarin::sim {

std::unique_ptr<PseudoTerminal> PseudoTerminal::Open(std::string& error) {
    error = "pseudo-terminals are not available on this system";
    return nullptr;
}

PseudoTerminal::PseudoTerminal(int master, int slave, std::string path)
    : m_master(master), m_slave(slave), m_path(std::move(path)) {}

PseudoTerminal::~PseudoTerminal() = default;

std::size_t PseudoTerminal::Read(std::uint8_t*, std::size_t) {
    return 0;
}

std::size_t PseudoTerminal::Write(const std::uint8_t*, std::size_t) {
    return 0;
}

void QuitOnTerminationSignals(QCoreApplication&) {}

}  // namespace tolmarin::sim

#endif
