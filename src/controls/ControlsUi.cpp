#include "controls/ControlsUi.h"

namespace tolmarin {

namespace {
const UiState* g_ui = nullptr;
}  // namespace

void SetControlsUiState(const UiState* ui) {
    g_ui = ui;
}

const UiState& ControlsUiState() {
    static const UiState kQuiet;
    return g_ui != nullptr ? *g_ui : kQuiet;
}

}  // namespace tolmarin
