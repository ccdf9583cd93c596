#pragma once

#include <array>
#include <memory>

#include "support/Fresh.h"
#include "support/qt/LinkFakes.h"
#include "support/qt/ScriptedLink.h"
#include "support/qt/SessionRig.h"

namespace tolmarin::testing {

// A device session on fakes: scripted transports, a hand-driven clock, a recording form.
struct LinkRig {
    // Makes both transports answer like an amplifier, with the status bytes below.
    void Answering() {
        auto reply = [this](const Bytes& f) { return AmplifierReply(f, status); };
        serial.responder = reply;
        network.responder = reply;
    }
    void Step(int n = 1) { rig.Step(n); }
    template <typename Pred>
    int StepUntil(Pred done, int limit = 400) {
        return rig.StepUntil(done, limit);
    }
    // A USB link whose link-up has completed; the queue then holds one waiting poll.
    void LinkedUsb() {
        Answering();
        rig.LinkUpUsb();
        serial.writes.clear();
        view.progress.clear();
        view.busy.clear();
        view.done.clear();
    }

    FreshState fresh;
    FakeLinkModel model{*fresh};
    RecordingLinkView view;
    SessionRig<ScriptedLink> rig{*fresh, model, view, std::make_unique<ScriptedLink>(LinkKind::Usb),
                                 std::make_unique<ScriptedLink>(LinkKind::Network)};
    CommandQueue& command = rig.session->Command();
    ScriptedLink& serial = rig.serial;
    ScriptedLink& network = rig.network;
    ManualScheduler* sched = rig.sched;
    LinkController* controller = rig.controller;
    std::array<std::uint8_t, 8> status{3, 4, 0, 0, 45, 50, 0, 0};
};

}  // namespace tolmarin::testing
