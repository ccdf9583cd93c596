#pragma once

#include <QObject>

#include <vector>

#include "measure/Problem.h"

namespace tolmarin::live {

// Plays a signal and records what comes back: a sound card's output and input, or (in tests
// and pictures) a room that is simulated. Mono float samples at the signal's rate.
class AudioPath : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;

    // Starts; false with Failure() set when it cannot.
    virtual bool Start(std::vector<float> signal, int rate) = 0;
    // Silences the output at once and ends the recording; nothing is reported after it.
    virtual void Stop() = 0;
    virtual const measure::Problem& Failure() const = 0;
    // The whole recording once finished().
    virtual const std::vector<float>& Recorded() const = 0;

signals:
    // The loudest sample of the latest input, in dBFS.
    void level(double dbfs);
    // The signal has been played and its tail recorded.
    void finished();
    // The run ended early; Failure() says why.
    void failed();
};

}  // namespace tolmarin::live
