#pragma once

#include <QAudioDevice>
#include <QList>

#include <optional>

#include "text/Texts.h"

namespace tolmarin::live {

// The sound card's devices as Qt Multimedia lists them (on PulseAudio without the sinks'
// monitors), the system's default first.
struct AudioDevices {
    QList<QAudioDevice> outputs;
    QList<QAudioDevice> inputs;
};

AudioDevices ListAudioDevices();

// Why live measuring cannot be offered with these devices, if it cannot.
std::optional<TextId> WhyNoLive(const AudioDevices& devices);

}  // namespace tolmarin::live
