#pragma once

#include <array>
#include <cstdint>
#include <memory>

#include "FormRig.h"
#include "link/ChannelSetModel.h"
#include "support/qt/ScriptedLink.h"
#include "support/qt/SessionRig.h"

namespace tolmarin::testing {

// The form as the view of a device session of its own: a scripted serial link answered as
// a well-behaved amplifier answers, paced by hand.
struct LinkedForm : FormRig {
    LinkedForm() {
        view->UseController(controller, &command);
        serial.responder = [this](const Bytes& f) { return AmplifierReply(f, status); };
    }
    ~LinkedForm() {
        controller->CloseLink();
        view->UseController(nullptr, nullptr);
    }
    void Step(int n = 1) {
        for (int i = 0; i < n; ++i) {
            sched->Tick();
            serial.Flush();
        }
    }
    bool LinkUp() {
        bool up = false;
        QObject::connect(controller, &LinkController::linkUpFinished, [&up] { up = true; });
        controller->OpenSerialLinkTo("ttyFAKE0");
        for (int i = 0; i < 200 && !up; ++i) {
            Step();
        }
        return up;
    }

    ChannelSetModel model{channels};
    SessionRig<ScriptedLink> rig{*fresh, model, *view,
                                 std::make_unique<ScriptedLink>(LinkKind::Usb),
                                 std::make_unique<ScriptedLink>(LinkKind::Network)};
    CommandQueue& command = rig.session->Command();
    ScriptedLink& serial = rig.serial;
    ScriptedLink& network = rig.network;
    ManualScheduler* sched = rig.sched;
    LinkController* controller = rig.controller;
    std::array<std::uint8_t, 8> status{40, 52, 0, 0, 150, 5, 0, 0};
};

}  // namespace tolmarin::testing
