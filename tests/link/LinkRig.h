#pragma once

#include <array>
#include <memory>

#include <QObject>

#include "link/LinkController.h"
#include "protocol/CommandQueue.h"
#include "support/Fresh.h"
#include "support/qt/LinkFakes.h"
#include "support/qt/ManualScheduler.h"
#include "support/qt/ScriptedLink.h"

namespace tolmarin::testing {

// A link controller on fakes: scripted transports, a hand-driven clock, a recording form.
struct LinkRig {
    LinkRig() {
        auto s = std::make_unique<ManualScheduler>();
        sched = s.get();
        controller = std::make_unique<LinkController>(*fresh, command, model, view, serial, network,
                                                      std::move(s));
    }

    // Makes both transports answer like an amplifier, with the status bytes below.
    void Answering() {
        auto reply = [this](const Bytes& f) { return AmplifierReply(f, status); };
        serial.responder = reply;
        network.responder = reply;
    }
    // One pacing tick, then whatever the transports received.
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
    // A USB link whose link-up has completed; the queue then holds one waiting poll.
    void LinkedUsb() {
        Answering();
        bool up = false;
        const QMetaObject::Connection c = QObject::connect(
            controller.get(), &LinkController::linkUpFinished, [&up] { up = true; });
        controller->OpenSerialLinkTo("ttyFAKE0");
        StepUntil([&] { return up; });
        QObject::disconnect(c);
        serial.writes.clear();
        view.progress.clear();
        view.busy.clear();
        view.done.clear();
    }

    FreshState fresh;
    CommandQueue command{*fresh};
    FakeLinkModel model{*fresh};
    RecordingLinkView view;
    ScriptedLink serial{LinkKind::Usb};
    ScriptedLink network{LinkKind::Network};
    ManualScheduler* sched = nullptr;
    std::unique_ptr<LinkController> controller;
    std::array<std::uint8_t, 8> status{3, 4, 0, 0, 45, 50, 0, 0};
};

}  // namespace tolmarin::testing
