#pragma once

#include <QByteArray>
#include <QDialog>

#include <array>
#include <functional>
#include <optional>
#include <string>

#include "roomeq/Fit.h"
#include "roomeq/Measurement.h"
#include "text/Texts.h"

class QCheckBox;
class QComboBox;
class QDoubleSpinBox;
class QGridLayout;
class QLabel;
class QLineEdit;
class QPushButton;
class QScrollArea;

namespace tolmarin {

class MeasureDialog;
class RoomEqOverlays;
class RoomEqPreview;

// The room EQ fit for one channel: the measurement and target files, the range, the limits,
// the bands to use; Fit shows the RMS deviation before and after, the fitted bands and the
// predicted curve, and Apply accepts the result (the caller applies Bands() as one edit to
// the channels the dialog names); bands that together boost beyond the largest boost are
// applied only after a question. The channel's filter settings can be copied or
// exported as text, and settings text imported with a report of what moved; Apply then
// takes the imported bands. With overlays, the fitted measurement goes onto the live graph
// and the dialog switches and clears its curves. Reads and writes files; never changes the
// model itself.
class RoomEqDialog : public QDialog {
    Q_OBJECT
public:
    // channelIndex: 0 for CH1, 1 for CH2. overlays may be null (no curves on a graph).
    RoomEqDialog(const roomeq::ChannelFilters& channel, int channelIndex, Language language,
                 RoomEqOverlays* overlays = nullptr, QWidget* parent = nullptr);

    // Whether CH1 and CH2 are linked, so that Apply changes both; the dialog says so.
    void SetLinked(bool linked);
    QString AppliesToText() const;
    // Replaces the question box before Apply (tests): given the question, true applies.
    void SetAsker(std::function<bool(const QString&)> asker) { m_asker = std::move(asker); }

    void SetMeasurementPath(const QString& path);
    QString MeasurementPath() const;
    // Runs the fit with the dialog's settings; false with the reason shown when a file is
    // refused.
    bool RunFit();
    const std::optional<roomeq::FitResult>& Result() const { return m_result; }
    // The smoothed measurement of the last fit, on the grid.
    const std::optional<GridResponse>& Measured() const { return m_measured; }
    roomeq::FitOptions Options() const;
    // What Apply sets: the bands of the last fit or import, whichever came last.
    const std::optional<std::array<BandRecord, roomeq::kBands>>& Bands() const { return m_toApply; }

    // Reads filter settings text onto the channel's bands; false with the reason shown when
    // the text is refused. The report of what moved or did not fit is shown.
    bool ImportFrom(const QString& path);
    // The filter settings text of what Apply would set (the last fit or import), else of
    // the channel's bands: what Copy copies and Export writes.
    std::string ExportedText() const;
    // Writes ExportedText() to path, ".txt" added when it has no suffix; false with the
    // reason shown when it cannot be written.
    bool ExportTo(const QString& path);
    // The report below the settings (what the fit or import said).
    QString Report() const;

    // Makes the measuring dialog that Measure opens (tests: devices and a simulated room);
    // by default the sound card's devices.
    void SetMeasureMaker(std::function<MeasureDialog*(QWidget* parent)> maker) {
        m_measureMaker = std::move(maker);
    }
    // Opens the measuring dialog; what it measures is fitted as a measurement file is.
    MeasureDialog* OpenMeasure();

signals:
    // The curves for the graph changed (a new measurement, a switch, a clear).
    void graphChanged();

private:
    std::optional<QByteArray> ReadWhole(const QString& path);
    std::optional<roomeq::Measurement> Load(const QString& path, double lo, double hi);
    void AddGraphRow(QGridLayout* grid, int row);
    void AddExchangeRow(QGridLayout* grid, int row);
    void ExportToFile();
    void ShowReport(const std::string& text);
    void AskThenApply();
    void ShowPreview();
    void AddMeasureButton(QGridLayout* grid, int row);

    roomeq::ChannelFilters m_channel;
    int m_channelIndex = 0;
    RoomEqOverlays* m_overlays = nullptr;
    UiState m_ui;
    QLineEdit* m_measurement = nullptr;
    QLineEdit* m_target = nullptr;
    QComboBox* m_smoothing = nullptr;
    QDoubleSpinBox* m_lo = nullptr;
    QDoubleSpinBox* m_hi = nullptr;
    QDoubleSpinBox* m_boost = nullptr;
    QDoubleSpinBox* m_cut = nullptr;
    QCheckBox* m_bands[roomeq::kBands] = {};
    QCheckBox* m_shelves = nullptr;
    QLabel* m_appliesTo = nullptr;
    QLabel* m_outcome = nullptr;
    QScrollArea* m_report = nullptr;
    RoomEqPreview* m_preview = nullptr;
    bool m_linked = false;
    std::function<bool(const QString&)> m_asker;
    std::function<MeasureDialog*(QWidget* parent)> m_measureMaker;
    QPushButton* m_apply = nullptr;
    std::optional<roomeq::FitResult> m_result;
    std::optional<GridResponse> m_measured;
    std::optional<std::array<BandRecord, roomeq::kBands>> m_toApply;
};

}  // namespace tolmarin
