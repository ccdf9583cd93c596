#pragma once

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>

namespace tolmarin::testing {

// Runs the event loop until done() holds or ms have passed; true when done() held. Unlike
// QTest::qWaitFor it never sleeps between events, so every hop of an exchange is handled
// the moment it arrives, as in the running program.
template <typename Pred>
bool SpinUntil(Pred done, int ms) {
    QElapsedTimer clock;
    clock.start();
    QTimer wake;  // makes sure the wait ends even when nothing else happens
    wake.start(std::max(1, ms / 20));
    while (!done()) {
        if (clock.elapsed() >= ms) {
            return false;
        }
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
    return true;
}

// Runs the event loop for ms.
inline void SpinFor(int ms) {
    QElapsedTimer clock;
    clock.start();
    SpinUntil([&] { return clock.elapsed() >= ms; }, ms + 1000);
}

}  // namespace tolmarin::testing
