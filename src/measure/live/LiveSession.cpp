#include "measure/live/LiveSession.h"

#include <algorithm>
#include <cstdio>
#include <string>

namespace tolmarin::live {

bool NeedsLoudConsent(double levelDbfs) {
    return levelDbfs > kLoudAboveDbfs;
}

namespace {

std::string Figure(double v) {
    char text[32];
    std::snprintf(text, sizeof text, "%.1f", v);
    return text;
}

}  // namespace

LiveSession::LiveSession(AudioPath& path, QObject* parent) : QObject(parent), m_path(path) {
    connect(&m_path, &AudioPath::level, this, &LiveSession::level);
    connect(&m_path, &AudioPath::finished, this, &LiveSession::Recorded);
    connect(&m_path, &AudioPath::failed, this, &LiveSession::PathFailed);
}

LiveSession::~LiveSession() {
    m_path.Stop();
}

std::optional<measure::Problem> LiveSession::Begin(const Settings& settings) {
    Stop();
    Settings s = settings;
    s.sweep.levelDbfs = s.levelDbfs;
    if (NeedsLoudConsent(s.levelDbfs) && !s.loudConsented) {
        return measure::Problem{TextId::LiveAskLoud, {Figure(s.levelDbfs)}};
    }
    if (auto problem = measure::CheckSweep(s.sweep)) {
        return problem;
    }
    if (s.positions < 1 || s.positions > kMostPositions) {
        s.positions = std::clamp(s.positions, 1, kMostPositions);
    }
    m_settings = s;
    m_analyser = std::make_unique<measure::Analyser>(measure::MakeSweep(s.sweep));
    m_positions.clear();
    m_average.reset();
    m_problem.reset();
    SetState(State::Ready);
    return std::nullopt;
}

bool LiveSession::Measure() {
    if (!m_analyser || m_state != State::Ready) {
        return false;
    }
    const std::vector<double>& sweep = m_analyser->sweep().samples;
    std::vector<float> signal(sweep.begin(), sweep.end());
    m_problem.reset();
    if (!m_path.Start(std::move(signal), m_settings.sweep.rate)) {
        m_problem = m_path.Failure();
        emit positionFailed(Position());
        return false;
    }
    SetState(State::Measuring);
    return true;
}

void LiveSession::Stop() {
    m_path.Stop();
    if (m_state == State::Measuring) {
        SetState(State::Ready);
    }
}

void LiveSession::Recorded() {
    if (m_state != State::Measuring) {
        return;
    }
    const std::vector<float>& recorded = m_path.Recorded();
    measure::Signal signal{m_settings.sweep.rate,
                           std::vector<double>(recorded.begin(), recorded.end())};
    const measure::PositionOutcome outcome = m_analyser->Recording(signal, m_settings.analysis);
    const int k = Position();
    if (!outcome.position) {
        m_problem = outcome.problem;
        SetState(State::Ready);
        emit positionFailed(k);
        return;
    }
    m_positions.push_back(*outcome.position);
    m_average = measure::Combine(m_positions, m_settings.analysis);
    const bool done = static_cast<int>(m_positions.size()) >= m_settings.positions;
    SetState(done ? State::Done : State::Ready);
    emit positionMeasured(k);
}

void LiveSession::PathFailed() {
    if (m_state != State::Measuring) {
        return;
    }
    m_problem = m_path.Failure();
    SetState(State::Ready);
    emit positionFailed(Position());
}

void LiveSession::SetState(State state) {
    if (state != m_state) {
        m_state = state;
        emit stateChanged();
    }
}

}  // namespace tolmarin::live
