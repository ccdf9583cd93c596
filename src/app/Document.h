#pragma once

#include "model/ChannelSet.h"

namespace tolmarin {

struct SharedState;

// The document: owns the channel set, whose records the form edits. Its file, the
// single-program file, is read and written by the program-file operations.
class Document {
public:
    explicit Document(SharedState& state);

    ChannelSet& Channels() { return m_channels; }

private:
    ChannelSet m_channels;
};

}  // namespace tolmarin
