#pragma once

#include "text/Texts.h"

namespace tolmarin {

// The language and message sink the controls report through. The application hands in
// its UiState (whose sink shows a message box); a test hands in one with a recording
// sink. Without one, texts are English and messages are dropped, so nothing ever blocks.
void SetControlsUiState(const UiState* ui);
const UiState& ControlsUiState();

}  // namespace tolmarin
