#pragma once

#include <memory>

#include "protocol/DeviceImage.h"
#include "support/RecordingSink.h"

namespace tolmarin::testing {

// A freshly started process's shared state: image initialised as at start-up, messages
// recorded instead of shown.
struct FreshState {
    FreshState() {
        state = std::make_unique<SharedState>();
        InitDeviceImage(*state);
        InitSystemBytes(state->image);
        state->ui.sink = &sink;
    }
    SharedState& operator*() { return *state; }
    SharedState* operator->() { return state.get(); }

    RecordingSink sink;
    std::unique_ptr<SharedState> state;
};

}  // namespace tolmarin::testing
