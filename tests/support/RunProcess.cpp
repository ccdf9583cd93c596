#include "support/RunProcess.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <stdexcept>

namespace tolmarin::testing {

namespace {

// Starts program with its standard output (and, when errFd >= 0, standard error) on the
// write ends given; returns the child's pid.
pid_t Spawn(const std::string& program, const std::vector<std::string>& args, int outFd, int errFd,
            std::initializer_list<int> closeInChild) {
    const pid_t pid = fork();
    if (pid < 0) {
        throw std::runtime_error("fork failed");
    }
    if (pid == 0) {
        dup2(outFd, 1);
        if (errFd >= 0) {
            dup2(errFd, 2);
        }
        for (int fd : closeInChild) {
            close(fd);
        }
        std::vector<char*> argv;
        argv.push_back(const_cast<char*>(program.c_str()));
        for (const auto& a : args) {
            argv.push_back(const_cast<char*>(a.c_str()));
        }
        argv.push_back(nullptr);
        execv(program.c_str(), argv.data());
        _exit(127);
    }
    return pid;
}

}  // namespace

ProcessResult RunProcess(const std::string& program, const std::vector<std::string>& args) {
    int outPipe[2];
    int errPipe[2];
    if (pipe(outPipe) != 0 || pipe(errPipe) != 0) {
        throw std::runtime_error("pipe failed");
    }
    const pid_t pid = Spawn(program, args, outPipe[1], errPipe[1],
                            {outPipe[0], errPipe[0], outPipe[1], errPipe[1]});
    close(outPipe[1]);
    close(errPipe[1]);
    ProcessResult r;
    std::array<pollfd, 2> fds{{{outPipe[0], POLLIN, 0}, {errPipe[0], POLLIN, 0}}};
    int open = 2;
    while (open > 0) {
        if (poll(fds.data(), fds.size(), -1) < 0) {
            break;
        }
        for (int i = 0; i < 2; ++i) {
            if (fds[i].fd >= 0 && (fds[i].revents & (POLLIN | POLLHUP))) {
                char buf[4096];
                const ssize_t n = read(fds[i].fd, buf, sizeof buf);
                if (n <= 0) {
                    close(fds[i].fd);
                    fds[i].fd = -1;
                    --open;
                } else {
                    (i == 0 ? r.out : r.err).append(buf, static_cast<std::size_t>(n));
                }
            }
        }
    }
    int status = 0;
    waitpid(pid, &status, 0);
    r.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return r;
}

}  // namespace tolmarin::testing

#include <signal.h>

#include <chrono>

namespace tolmarin::testing {

BackgroundProcess::BackgroundProcess(const std::string& program,
                                     const std::vector<std::string>& args) {
    int outPipe[2];
    if (pipe(outPipe) != 0) {
        throw std::runtime_error("pipe failed");
    }
    m_pid = Spawn(program, args, outPipe[1], -1, {outPipe[0], outPipe[1]});
    close(outPipe[1]);
    m_out = outPipe[0];
}

BackgroundProcess::~BackgroundProcess() {
    if (m_pid > 0) {
        kill(m_pid, SIGTERM);
        int status = 0;
        waitpid(m_pid, &status, 0);
    }
    if (m_out >= 0) {
        close(m_out);
    }
}

std::string BackgroundProcess::ReadLine(int timeoutMs) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
        const auto nl = m_buffer.find('\n');
        if (nl != std::string::npos) {
            std::string line = m_buffer.substr(0, nl);
            m_buffer.erase(0, nl + 1);
            return line;
        }
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                              deadline - std::chrono::steady_clock::now())
                              .count();
        if (left <= 0) {
            return {};
        }
        pollfd fd{m_out, POLLIN, 0};
        if (poll(&fd, 1, static_cast<int>(left)) <= 0) {
            return {};
        }
        char buf[512];
        const ssize_t n = read(m_out, buf, sizeof buf);
        if (n <= 0) {
            return {};
        }
        m_buffer.append(buf, static_cast<std::size_t>(n));
    }
}

}  // namespace tolmarin::testing
