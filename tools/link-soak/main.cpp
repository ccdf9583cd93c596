// Cycles the device link against a running trv410-sim: open, link-up, dropped connection
// (the simulator hangs up after the link-up when started with --close-after 24), now and
// then the full reconnection, close. Checks that descriptors and memory do not grow.
//
//   link-soak --tcp 127.0.0.1:PORT | --pty /dev/pts/N [--cycles 200] [--reconnect-every 10]
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QTimer>
#include <cstdio>
#include <fstream>
#include <string>

#include "SoakPlatform.h"
#include "link/DeviceSession.h"
#include "protocol/FrameBuilder.h"

namespace tolmarin {
namespace {

class PollOnly : public LinkModel {
public:
    explicit PollOnly(SharedState& s) : m_state(s) {}
    std::unique_ptr<SendData> NextPendingFrame() override { return BuildPoll(m_state); }
    void ClearAllPending(bool) override {}
    void LoadAllFromImage() override {}
    void WriteAllToImage() override {}
    void SetInputGain(int, int) override {}
    void SetSending(bool) override {}
    void UnlinkCh1Ch2() override {}

private:
    SharedState& m_state;
};

// Every status reply shows levels on the form.
class StatusCounter : public LinkView {
public:
    void ShowLevels(int, int) override { ++statuses; }
    int statuses = 0;
};

class CountingSink : public MessageSink {
public:
    void ShowMessage(std::string_view text, MessageKind) override {
        ++count;
        std::fprintf(stderr, "link-soak: message: %.*s\n", static_cast<int>(text.size()),
                     text.data());
    }
    int count = 0;
};

template <typename Pred>
bool SpinUntil(Pred done, int ms) {
    QElapsedTimer clock;
    clock.start();
    QTimer wake;
    wake.start(20);
    while (!done()) {
        if (clock.elapsed() >= ms) {
            return false;
        }
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
    return true;
}

void SpinFor(int ms) {
    QElapsedTimer clock;
    clock.start();
    SpinUntil([&] { return clock.elapsed() >= ms; }, ms + 1000);
}

int Run(const QStringList& args) {
    std::string tcpHost;
    int tcpPort = 0;
    std::string pty;
    int cycles = 200;
    int reconnectEvery = 10;
    for (int i = 1; i + 1 < args.size(); i += 2) {
        const QString& a = args[i];
        const QString& v = args[i + 1];
        if (a == "--tcp") {
            tcpHost = v.section(':', 0, -2).toStdString();
            tcpPort = v.section(':', -1).toInt();
        } else if (a == "--pty") {
            pty = v.toStdString();
        } else if (a == "--cycles") {
            cycles = v.toInt();
        } else if (a == "--reconnect-every") {
            reconnectEvery = v.toInt();
        }
    }
    if ((tcpHost.empty() || tcpPort == 0) && pty.empty()) {
        std::fprintf(stderr, "usage: link-soak --tcp 127.0.0.1:PORT | --pty PATH [--cycles N]\n");
        return 2;
    }
    if (!tcpHost.empty() && tcpHost.rfind("127.", 0) != 0) {
        std::fprintf(stderr, "link-soak: only loopback addresses\n");
        return 2;
    }
    const bool tcp = pty.empty();

    SharedState state;
    InitDeviceImage(state);
    InitSystemBytes(state.image);
    CountingSink sink;
    state.ui.sink = &sink;
    PollOnly model(state);
    StatusCounter view;
    DeviceSession link(state, model, view);
    LinkController& c = link.Controller();
    int ups = 0;
    int reconnects = 0;
    int& statuses = view.statuses;
    QObject::connect(&c, &LinkController::linkUpFinished, [&] { ++ups; });
    QObject::connect(&c, &LinkController::reconnecting, [&] { ++reconnects; });

    const int warmup = std::min(10, cycles);
    Usage base;
    QElapsedTimer total;
    total.start();
    for (int cycle = 1; cycle <= cycles; ++cycle) {
        const int upsBefore = ups;
        if (tcp) {
            c.OpenNetworkLinkTo(tcpHost, tcpPort);
        } else {
            c.OpenSerialLinkTo(pty);
        }
        if (!SpinUntil([&] { return ups > upsBefore; }, 10000)) {
            std::fprintf(stderr, "link-soak: cycle %d: no link-up\n", cycle);
            return 1;
        }
        if (tcp && reconnectEvery > 0 && cycle % reconnectEvery == 0) {
            // The simulator hung up after the link-up: wait for the reconnection and a poll
            // answered on the new connection.
            const int r = reconnects;
            if (!SpinUntil([&] { return reconnects > r && c.Linked() && !c.Reconnecting(); },
                           10000)) {
                std::fprintf(stderr, "link-soak: cycle %d: no reconnection\n", cycle);
                return 1;
            }
            const int s = statuses;
            if (!SpinUntil([&] { return statuses > s; }, 5000)) {
                std::fprintf(stderr, "link-soak: cycle %d: no poll after reconnecting\n", cycle);
                return 1;
            }
        } else {
            SpinFor(100);
        }
        c.CloseLink();
        SpinFor(30);
        if (c.Linked()) {
            std::fprintf(stderr, "link-soak: cycle %d: still linked after close\n", cycle);
            return 1;
        }
        if (cycle == warmup) {
            base = Measure();
        }
    }
    SpinFor(200);
    const Usage end = Measure();
    std::printf(
        "link-soak: %s, %d cycles in %.1f s, %d reconnections; fds %d -> %d, sockets %d -> %d, "
        "rss %ld -> %ld KiB, %d messages\n",
        tcp ? "tcp" : "pty", cycles, static_cast<double>(total.elapsed()) / 1000.0, reconnects,
        base.fds, end.fds, base.sockets, end.sockets, base.rssKiB, end.rssKiB, sink.count);
    const bool leaked = end.fds > base.fds || end.sockets > base.sockets;
    const bool grew = end.rssKiB - base.rssKiB > 2048;
    if (leaked || grew || sink.count != 0) {
        std::printf("link-soak: FAILED%s%s%s\n", leaked ? " (descriptors leaked)" : "",
                    grew ? " (memory grew)" : "", sink.count != 0 ? " (messages shown)" : "");
        return 1;
    }
    std::printf("link-soak: OK\n");
    return 0;
}

}  // namespace
}  // namespace tolmarin

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    return tolmarin::Run(app.arguments());
}
