#pragma once

#include <QObject>

#include <memory>
#include <optional>
#include <vector>

#include "measure/Analysis.h"
#include "measure/Sweep.h"
#include "measure/live/AudioPath.h"

namespace tolmarin::live {

// The sweep's level on the room's speakers: quiet by default; above the loud mark it is
// played only when the operator has said yes to it.
inline constexpr double kDefaultLevelDbfs = -20.0;
inline constexpr double kLoudAboveDbfs = -6.0;
inline constexpr int kMostPositions = 16;

bool NeedsLoudConsent(double levelDbfs);

// A room measured live, position by position: each position starts on the operator's
// Measure(), plays the sweep and records it, and is measured as soon as it is recorded;
// after the last the positions are averaged. A position that fails (silence, clipping) is
// not counted and can be measured again. Stop() silences the output at once. No widgets.
class LiveSession : public QObject {
    Q_OBJECT
public:
    enum class State { Ready, Measuring, Done };

    struct Settings {
        int positions = 3;
        double levelDbfs = kDefaultLevelDbfs;
        // Given when the level is above the loud mark.
        bool loudConsented = false;
        measure::SweepParams sweep;  // its level is levelDbfs
        measure::AnalysisOptions analysis;
    };

    explicit LiveSession(AudioPath& path, QObject* parent = nullptr);
    ~LiveSession() override;

    // Starts over with these settings at position 1; refused (with the reason) when the
    // sweep cannot be made or a loud level has no consent.
    std::optional<measure::Problem> Begin(const Settings& settings);
    // Plays and records the next position; false when it cannot (already measuring, all
    // done, the path refuses: LastProblem() says why).
    bool Measure();
    // Silences the output at once; the position in progress is not counted.
    void Stop();

    State state() const { return m_state; }
    // The position being measured, or the next one: 1-based.
    int Position() const { return static_cast<int>(m_positions.size()) + 1; }
    int Positions() const { return m_settings.positions; }
    const std::vector<measure::Position>& Measured() const { return m_positions; }
    // The average of the positions so far (all of them once Done).
    const std::optional<measure::Result>& Average() const { return m_average; }
    const Settings& settings() const { return m_settings; }
    const std::optional<measure::Problem>& LastProblem() const { return m_problem; }
    // The analyser of the sweep Begin() made (Begin() must have succeeded).
    measure::Analyser& Analyser() { return *m_analyser; }

signals:
    void level(double dbfs);
    // Position k (1-based) has been measured; its curve is Measured()[k - 1].
    void positionMeasured(int k);
    // Something went wrong with the position in progress: LastProblem().
    void positionFailed(int k);
    void stateChanged();

private:
    void Recorded();
    void PathFailed();
    void SetState(State state);

    AudioPath& m_path;
    Settings m_settings;
    std::unique_ptr<measure::Analyser> m_analyser;
    std::vector<measure::Position> m_positions;
    std::optional<measure::Result> m_average;
    std::optional<measure::Problem> m_problem;
    State m_state = State::Ready;
};

}  // namespace tolmarin::live
