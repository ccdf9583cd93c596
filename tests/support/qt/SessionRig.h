#pragma once

#include <memory>

#include <QObject>

#include "link/DeviceSession.h"
#include "support/qt/ManualScheduler.h"

namespace tolmarin::testing {

// One device session on links the test drives (scripted, simulated or real) and a clock it
// ticks: the rig under every link, form and tool test, so that each builds the session the
// editor and the tool build. Link is the transports' type, both of them.
template <typename Link>
struct SessionRig {
    SessionRig(SharedState& state, LinkModel& model, LinkView& view, std::unique_ptr<Link> usb,
               std::unique_ptr<Link> net, std::unique_ptr<LinkScheduler> clock = nullptr)
        : serial(*usb), network(*net) {
        if (!clock) {
            auto manual = std::make_unique<ManualScheduler>();
            sched = manual.get();
            clock = std::move(manual);
        }
        SessionParts parts;
        parts.serial = std::move(usb);
        parts.network = std::move(net);
        parts.scheduler = std::move(clock);
        session = std::make_unique<DeviceSession>(state, model, view, std::move(parts));
        controller = &session->Controller();
    }

    // One pacing tick, then whatever the links hold for delivery.
    void Step(int n = 1) {
        for (int i = 0; i < n; ++i) {
            sched->Tick();
            serial.Flush();
            network.Flush();
        }
    }
    // Ticks until done() holds (at most limit ticks); returns the ticks taken.
    template <typename Pred>
    int StepUntil(Pred done, int limit = 400) {
        int t = 0;
        while (!done() && t < limit) {
            Step();
            ++t;
        }
        return t;
    }
    // Opens the USB link and steps until its link-up has finished; false when it did not.
    bool LinkUpUsb(const std::string& port = "ttyFAKE0", int limit = 400) {
        bool up = false;
        const QMetaObject::Connection c =
            QObject::connect(controller, &LinkController::linkUpFinished, [&up] { up = true; });
        controller->OpenSerialLinkTo(port);
        StepUntil([&] { return up; }, limit);
        QObject::disconnect(c);
        return up;
    }

    Link& serial;
    Link& network;
    ManualScheduler* sched = nullptr;  // null when the test gave its own clock
    std::unique_ptr<DeviceSession> session;
    LinkController* controller = nullptr;
};

}  // namespace tolmarin::testing
