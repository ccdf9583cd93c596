#pragma once

#include <array>
#include <cstdint>
#include <memory>

#include "FormRig.h"
#include "link/ChannelSetModel.h"
#include "link/LinkController.h"
#include "protocol/CommandQueue.h"
#include "support/qt/ManualScheduler.h"
#include "support/qt/ScriptedLink.h"

namespace tolmarin::testing {

// The form as the view of a link controller of its own: a scripted serial link answered as
// a well-behaved amplifier answers, paced by hand.
struct LinkedForm : FormRig {
    LinkedForm() {
        auto s = std::make_unique<ManualScheduler>();
        sched = s.get();
        controller = std::make_unique<LinkController>(*fresh, command, model, *view, serial,
                                                      network, std::move(s));
        view->UseController(controller.get(), &command);
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
        QObject::connect(controller.get(), &LinkController::linkUpFinished, [&up] { up = true; });
        controller->OpenSerialLinkTo("ttyFAKE0");
        for (int i = 0; i < 200 && !up; ++i) {
            Step();
        }
        return up;
    }

    CommandQueue command{*fresh};
    ChannelSetModel model{channels};
    ScriptedLink serial{LinkKind::Usb};
    ScriptedLink network{LinkKind::Network};
    ManualScheduler* sched = nullptr;
    std::unique_ptr<LinkController> controller;
    std::array<std::uint8_t, 8> status{40, 52, 0, 0, 150, 5, 0, 0};
};

}  // namespace tolmarin::testing
