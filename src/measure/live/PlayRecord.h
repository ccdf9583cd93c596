#pragma once

#include <QAudioDevice>
#include <QAudioFormat>
#include <QByteArray>
#include <QTimer>

#include <memory>
#include <vector>

#include "measure/live/AudioPath.h"

class QAudioSink;
class QAudioSource;
class QBuffer;
class QIODevice;

namespace tolmarin::live {

// Plays one signal on an output device while recording an input device, both mono float at
// the signal's rate. The recording starts first and the signal follows once the input has
// delivered its first samples, so the whole signal is on the recording wherever the input's
// latency puts it; after the signal a tail is still recorded for the output's buffer and
// the room's decay. Everything is bounded: an input that delivers nothing, or a run that
// takes far longer than the signal, ends as a failure.
class PlayRecord : public AudioPath {
    Q_OBJECT
public:
    // An output buffer much under 100 ms stalls on PulseAudio; a quarter second is safe
    // and still stops quickly.
    static constexpr int kOutputBufferMs = 250;
    static constexpr int kTailMs = 750;
    static constexpr int kFirstInputTimeoutMs = 8000;

    explicit PlayRecord(QObject* parent = nullptr);
    ~PlayRecord() override;

    // The format both devices are opened with.
    static QAudioFormat Format(int rate);

    // The devices of the next Start().
    void SetDevices(const QAudioDevice& output, const QAudioDevice& input);
    // false with Failure() set when a device cannot take the format.
    bool Start(std::vector<float> signal, int rate) override;
    void Stop() override;
    bool Running() const { return m_running; }
    const measure::Problem& Failure() const override { return m_failure; }
    // The recording so far (whole once finished()); level() is -120 dBFS for silence.
    const std::vector<float>& Recorded() const override { return m_recorded; }

private:
    void ReadInput();
    void StartOutput();
    void OutputStateChanged();
    void Fail(measure::Problem why);
    void Close();

    QAudioFormat m_format;
    QAudioDevice m_output;
    QAudioDevice m_inputDevice;
    std::unique_ptr<QAudioSource> m_source;
    std::unique_ptr<QAudioSink> m_sink;
    QIODevice* m_input = nullptr;
    std::unique_ptr<QBuffer> m_play;
    QByteArray m_bytes;
    std::vector<float> m_recorded;
    QTimer m_watchdog;
    bool m_running = false;
    bool m_outputDone = false;
    std::size_t m_recordedAtOutputEnd = 0;
    measure::Problem m_failure{TextId::LiveNoInput, {}};
};

}  // namespace tolmarin::live
