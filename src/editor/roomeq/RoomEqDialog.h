#pragma once

#include <QDialog>

#include <array>
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

namespace tolmarin {

class RoomEqOverlays;

// The room EQ fit for one channel: the measurement and target files, the range, the limits,
// the bands to use; Fit shows the RMS deviation before and after, Apply accepts the result
// (the caller applies Bands() as one edit). The channel's filter settings can be copied or
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
    // The channel's filter settings text.
    std::string ExportedText() const;

signals:
    // The curves for the graph changed (a new measurement, a switch, a clear).
    void graphChanged();

private:
    std::optional<roomeq::Measurement> Load(const QString& path, double lo, double hi);
    void AddGraphRow(QGridLayout* grid, int row);
    void AddExchangeRow(QGridLayout* grid, int row);
    void ExportToFile();

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
    QLabel* m_outcome = nullptr;
    QPushButton* m_apply = nullptr;
    std::optional<roomeq::FitResult> m_result;
    std::optional<GridResponse> m_measured;
    std::optional<std::array<BandRecord, roomeq::kBands>> m_toApply;
};

}  // namespace tolmarin
