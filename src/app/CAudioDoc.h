#pragma once

#include "model/KTV_Data.h"

namespace tolmarin {

struct SharedState;

// The document: owns the channel set, whose records the form edits. Its file, the
// single-program file, is read and written by the program-file operations.
class CCAudioDoc {
public:
    explicit CCAudioDoc(SharedState& state);

    CKTV_Data& Channels() { return m_channels; }

private:
    CKTV_Data m_channels;
};

}  // namespace tolmarin
