#pragma once

#include <QAudioDevice>
#include <QDialog>
#include <QStringList>

#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "measure/Analysis.h"
#include "measure/live/AudioDevices.h"
#include "measure/live/AudioPath.h"
#include "measure/live/LiveSession.h"
#include "text/Texts.h"

class QCheckBox;
class QComboBox;
class QDoubleSpinBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QProgressBar;
class QPushButton;
class QSpinBox;

namespace tolmarin {

class MeasurePlot;

// Measuring the room, two ways: from files (a sweep file played from any source, one
// recording per microphone position, or impulse responses recorded elsewhere) or live with
// the sound card (output and input chosen, each position on the operator's click, the input
// level shown, each position's curve drawn as it comes, then their average). Either way the
// result is averaged, calibrated and smoothed, and "Use" saves it as a measurement text in
// the save folder and accepts: SavedPath() is then the file to fit. Without an output or an
// input device the live part is off and says why; the files still measure.
class MeasureDialog : public QDialog {
    Q_OBJECT
public:
    // Makes the path that plays and records on the chosen devices.
    using PathMaker =
        std::function<std::unique_ptr<live::AudioPath>(const QAudioDevice&, const QAudioDevice&)>;

    // maker: empty for the sound card itself.
    MeasureDialog(Language language, live::AudioDevices devices, PathMaker maker = {},
                  QWidget* parent = nullptr);
    ~MeasureDialog() override;

    // Replaces the question before a loud sweep (tests): given the question, true plays.
    void SetAsker(std::function<bool(const QString&)> asker) { m_asker = std::move(asker); }
    // Where Use saves the measurement (default: the application's data folder).
    void SetSaveFolder(const QString& folder) { m_saveFolder = folder; }

    void SetSweepFile(const QString& path);
    void AddRecording(const QString& path);
    void SetCalibrationFile(const QString& path);
    // Measures the files; false with the reason shown when one is refused.
    bool MeasureFiles();

    bool LiveOffered() const { return m_liveOffered; }
    // Measures the next position live, asking first when the level is loud; false when it
    // does not start (the reason shown).
    bool MeasurePosition();
    void StopLive();
    const live::LiveSession* Session() const { return m_session.get(); }

    // What the status line and the report say.
    QString LiveStatus() const;
    QString Report() const;
    // The measurement so far: the files', or the live positions' average.
    const std::optional<measure::Result>& Result() const { return m_result; }
    // Saves the result and accepts; false with the reason shown when it cannot be written.
    bool Use();
    const QString& SavedPath() const { return m_savedPath; }

private:
    QGroupBox* MakeFilesGroup();
    QGroupBox* MakeLiveGroup();
    measure::AnalysisOptions Options() const;
    std::optional<measure::Calibration> LoadCalibration(bool& ok);
    void ShowReport(const std::string& text);
    void ShowLiveState();
    void PositionMeasured(int k);
    void PositionFailed(int k);
    void ShowCurves();
    std::string SnrLine(const std::string& name, const measure::Position& p) const;

    UiState m_ui;
    live::AudioDevices m_devices;
    PathMaker m_maker;
    std::function<bool(const QString&)> m_asker;
    QString m_saveFolder;
    bool m_liveOffered = false;

    QLineEdit* m_sweep = nullptr;
    QListWidget* m_recordings = nullptr;
    QCheckBox* m_impulses = nullptr;
    QLineEdit* m_calibration = nullptr;
    QComboBox* m_smoothing = nullptr;

    QComboBox* m_output = nullptr;
    QComboBox* m_input = nullptr;
    QDoubleSpinBox* m_level = nullptr;
    QSpinBox* m_positions = nullptr;
    QPushButton* m_measurePosition = nullptr;
    QPushButton* m_stop = nullptr;
    QProgressBar* m_inputLevel = nullptr;
    QLabel* m_liveStatus = nullptr;

    MeasurePlot* m_plot = nullptr;
    QLabel* m_report = nullptr;
    QPushButton* m_use = nullptr;

    std::unique_ptr<live::AudioPath> m_path;
    std::unique_ptr<live::LiveSession> m_session;
    std::optional<measure::Calibration> m_liveCalibration;
    std::string m_liveCalibrationName;
    std::optional<measure::Result> m_result;
    std::optional<measure::SweepParams> m_resultSweep;
    std::vector<std::optional<double>> m_resultSnr;
    std::string m_resultCalibration;
    std::optional<double> m_resultSens;
    measure::Smoothing m_resultSmoothing = measure::Smoothing::None;
    QString m_savedPath;
};

}  // namespace tolmarin
