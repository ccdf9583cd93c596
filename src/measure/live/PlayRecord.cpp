#include "measure/live/PlayRecord.h"

#include <QAudioSink>
#include <QAudioSource>
#include <QBuffer>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <string>
#include <utility>

namespace tolmarin::live {

namespace {

constexpr double kSilenceDb = -120.0;
// However slow the devices, a run never takes more than this beyond the signal itself.
constexpr int kSlackMs = 10000;

double PeakDb(const float* samples, std::size_t count) {
    float peak = 0.0F;
    for (std::size_t i = 0; i < count; ++i) {
        peak = std::max(peak, std::fabs(samples[i]));
    }
    return peak > 0.0F ? std::max(kSilenceDb, 20.0 * std::log10(double{peak})) : kSilenceDb;
}

}  // namespace

PlayRecord::PlayRecord(QObject* parent) : AudioPath(parent) {
    m_watchdog.setSingleShot(true);
    connect(&m_watchdog, &QTimer::timeout, this, [this] {
        Fail({m_recorded.empty() ? TextId::LiveNoInput : TextId::LiveTimedOut, {}});
    });
}

PlayRecord::~PlayRecord() {
    Close();
}

QAudioFormat PlayRecord::Format(int rate) {
    QAudioFormat f;
    f.setSampleRate(rate);
    f.setChannelCount(1);
    f.setSampleFormat(QAudioFormat::Float);
    return f;
}

void PlayRecord::SetDevices(const QAudioDevice& output, const QAudioDevice& input) {
    m_output = output;
    m_inputDevice = input;
}

bool PlayRecord::Start(std::vector<float> signal, int rate) {
    Close();
    m_format = Format(rate);
    if (m_output.isNull() || !m_output.isFormatSupported(m_format)) {
        m_failure = {TextId::LiveOutputFormat, {std::to_string(rate)}};
        return false;
    }
    if (m_inputDevice.isNull() || !m_inputDevice.isFormatSupported(m_format)) {
        m_failure = {TextId::LiveInputFormat, {std::to_string(rate)}};
        return false;
    }
    m_bytes = QByteArray(reinterpret_cast<const char*>(signal.data()),
                         static_cast<qsizetype>(signal.size() * sizeof(float)));
    m_recorded.clear();
    m_recorded.reserve(signal.size() + static_cast<std::size_t>(rate) * 2);
    m_outputDone = false;
    m_running = true;
    m_source = std::make_unique<QAudioSource>(m_inputDevice, m_format);
    m_input = m_source->start();
    if (m_input == nullptr) {
        Close();
        m_failure = {TextId::LiveNoInput, {}};
        return false;
    }
    connect(m_input, &QIODevice::readyRead, this, &PlayRecord::ReadInput);
    m_watchdog.start(kFirstInputTimeoutMs);
    return true;
}

void PlayRecord::ReadInput() {
    if (!m_running || m_input == nullptr) {
        return;
    }
    const QByteArray chunk = m_input->readAll();
    const std::size_t count = static_cast<std::size_t>(chunk.size()) / sizeof(float);
    if (count == 0) {
        return;
    }
    const std::size_t at = m_recorded.size();
    m_recorded.resize(at + count);
    std::memcpy(m_recorded.data() + at, chunk.constData(), count * sizeof(float));
    emit level(PeakDb(m_recorded.data() + at, count));
    if (!m_sink) {
        StartOutput();
        return;
    }
    const auto tail = static_cast<std::size_t>(m_format.sampleRate()) * kTailMs / 1000;
    if (m_outputDone && m_recorded.size() >= m_recordedAtOutputEnd + tail) {
        Close();
        emit finished();
    }
}

void PlayRecord::StartOutput() {
    m_sink = std::make_unique<QAudioSink>(m_output, m_format);
    m_sink->setBufferSize(m_format.bytesForDuration(qint64{kOutputBufferMs} * 1000));
    connect(m_sink.get(), &QAudioSink::stateChanged, this, &PlayRecord::OutputStateChanged);
    m_play = std::make_unique<QBuffer>(&m_bytes);
    m_play->open(QIODevice::ReadOnly);
    m_sink->start(m_play.get());
    const qint64 signalMs = m_format.durationForBytes(static_cast<qint32>(m_bytes.size())) / 1000;
    m_watchdog.start(static_cast<int>(signalMs) + kTailMs + kSlackMs);
}

// The output goes idle when the signal has all been handed to the device: from then on the
// tail is counted. An error on the output ends the run.
void PlayRecord::OutputStateChanged() {
    if (!m_running || !m_sink) {
        return;
    }
    const QAudio::State state = m_sink->state();
    if (state == QAudio::IdleState && m_play->atEnd() && !m_outputDone) {
        m_outputDone = true;
        m_recordedAtOutputEnd = m_recorded.size();
    } else if (state == QAudio::StoppedState && m_sink->error() != QAudio::NoError) {
        Fail({TextId::LiveOutputFailed, {}});
    }
}

void PlayRecord::Stop() {
    Close();
}

void PlayRecord::Fail(measure::Problem why) {
    Close();
    m_failure = std::move(why);
    emit failed();
}

// The output first, its buffered samples dropped: the speakers go quiet before anything else.
void PlayRecord::Close() {
    m_running = false;
    m_watchdog.stop();
    if (m_sink) {
        m_sink->disconnect(this);
        m_sink->reset();
        m_sink->stop();
        m_sink.reset();
    }
    m_play.reset();
    if (m_source) {
        if (m_input != nullptr) {
            m_input->disconnect(this);
        }
        m_source->stop();
        m_source.reset();
    }
    m_input = nullptr;
}

}  // namespace tolmarin::live
