#pragma once

#include <QString>

#include "model/KTV_Data.h"

namespace tolmarin {

struct SharedState;

// The document: owns the channel set, whose records the form edits. Its file is the
// single-program file.
class CCAudioDoc {
public:
    explicit CCAudioDoc(SharedState& state);

    CKTV_Data& Channels() { return m_channels; }

    // Reads a single-program file into the live program and the channel records. False,
    // with the image and the records unchanged, when it is not one.
    bool Load(const QString& path);
    // Writes the records into the live program, then the live program into path.
    bool Save(const QString& path);

private:
    SharedState& m_state;
    CKTV_Data m_channels;
};

}  // namespace tolmarin
