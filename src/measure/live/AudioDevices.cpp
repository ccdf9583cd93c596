#include "measure/live/AudioDevices.h"

#include <QMediaDevices>

namespace tolmarin::live {

namespace {

QList<QAudioDevice> DefaultFirst(QList<QAudioDevice> devices) {
    for (qsizetype i = 1; i < devices.size(); ++i) {
        if (devices[i].isDefault()) {
            devices.move(i, 0);
            break;
        }
    }
    return devices;
}

}  // namespace

AudioDevices ListAudioDevices() {
    return {DefaultFirst(QMediaDevices::audioOutputs()),
            DefaultFirst(QMediaDevices::audioInputs())};
}

std::optional<TextId> WhyNoLive(const AudioDevices& devices) {
    if (devices.outputs.isEmpty()) {
        return TextId::LiveNoOutputDevice;
    }
    if (devices.inputs.isEmpty()) {
        return TextId::LiveNoInputDevice;
    }
    return std::nullopt;
}

}  // namespace tolmarin::live
