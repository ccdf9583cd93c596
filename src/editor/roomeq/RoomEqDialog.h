#pragma once

#include <QDialog>

#include <optional>

#include "roomeq/Fit.h"
#include "roomeq/Measurement.h"
#include "text/Texts.h"

class QCheckBox;
class QComboBox;
class QDoubleSpinBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace tolmarin {

// The room EQ fit for one channel: the measurement and target files, the range, the limits,
// the bands to use; Fit shows the RMS deviation before and after, Apply accepts the result
// (the caller applies Result() as one edit). Reads files; never changes the model itself.
class RoomEqDialog : public QDialog {
    Q_OBJECT
public:
    RoomEqDialog(const roomeq::ChannelFilters& channel, Language language,
                 QWidget* parent = nullptr);

    void SetMeasurementPath(const QString& path);
    // Runs the fit with the dialog's settings; false with the reason shown when a file is
    // refused.
    bool RunFit();
    const std::optional<roomeq::FitResult>& Result() const { return m_result; }
    // The smoothed measurement of the last fit, on the grid.
    const std::optional<GridResponse>& Measured() const { return m_measured; }
    roomeq::FitOptions Options() const;

private:
    std::optional<roomeq::Measurement> Load(const QString& path, double lo, double hi);

    roomeq::ChannelFilters m_channel;
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
};

}  // namespace tolmarin
