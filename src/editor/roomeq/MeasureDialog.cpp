#include "editor/roomeq/MeasureDialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QDoubleSpinBox>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QPainter>
#include <QPainterPath>
#include <QProgressBar>
#include <QPushButton>
#include <QSaveFile>
#include <QSpinBox>
#include <QStandardPaths>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>

#include "measure/Calibration.h"
#include "measure/Export.h"
#include "measure/Wav.h"
#include "measure/live/PlayRecord.h"
#include "roomeq/Measurement.h"

namespace tolmarin {

namespace {

constexpr qint64 kMaxCalibrationBytes = 4 * 1024 * 1024;
// The input level bar: from the noise of a quiet room to full scale.
constexpr int kLevelFloorDb = -60;

QString Q(const std::string& text) {
    return QString::fromStdString(text);
}

std::string Figure(double v, int decimals) {
    return QString::number(v, 'f', decimals).toStdString();
}

constexpr measure::Smoothing kSmoothings[] = {
    measure::Smoothing::None, measure::Smoothing::Third, measure::Smoothing::Sixth,
    measure::Smoothing::Twelfth, measure::Smoothing::TwentyFourth};

}  // namespace

// The curves of the positions as they come, and their average, from 20 Hz to 20 kHz over
// 40 dB around the average's level.
class MeasurePlot : public QWidget {
public:
    explicit MeasurePlot(const UiState& ui) : m_ui(ui) { setMinimumSize(460, 190); }

    void Show(std::vector<roomeq::Measurement> positions,
              std::optional<roomeq::Measurement> average) {
        m_positions = std::move(positions);
        m_average = std::move(average);
        update();
    }

protected:
    void paintEvent(QPaintEvent* /*event*/) override {
        constexpr double kSpan = 20.0;
        QPainter p(this);
        p.setRenderHint(QPainter::Antialiasing);
        p.fillRect(rect(), Qt::white);
        const QRectF area = QRectF(rect()).adjusted(34, 8, -8, -18);
        // Centred on the middle of what is shown, in whole 5 dB steps.
        std::vector<double> levels;
        const auto collect = [&](const roomeq::Measurement& m) {
            for (std::size_t i = 0; i < m.hz.size(); ++i) {
                if (m.hz[i] >= 40.0 && m.hz[i] <= 16000.0) {
                    levels.push_back(m.db[i]);
                }
            }
        };
        for (const auto& m : m_positions) {
            collect(m);
        }
        if (m_average) {
            collect(*m_average);
        }
        double centre = 0.0;
        if (!levels.empty()) {
            std::nth_element(levels.begin(), levels.begin() + levels.size() / 2, levels.end());
            centre = 5.0 * std::round(levels[levels.size() / 2] / 5.0);
        }
        const auto x = [&](double hz) {
            return area.left() + area.width() * std::log10(hz / 20.0) / 3.0;
        };
        const auto y = [&](double db) {
            return area.center().y() -
                   area.height() / 2.0 * std::clamp(db - centre, -kSpan, kSpan) / kSpan;
        };
        p.setPen(QColor(215, 215, 215));
        for (const double hz : {50.0, 100.0, 200.0, 500.0, 1000.0, 2000.0, 5000.0, 10000.0}) {
            p.drawLine(QPointF(x(hz), area.top()), QPointF(x(hz), area.bottom()));
        }
        for (const double d : {-10.0, 10.0}) {
            p.drawLine(QPointF(area.left(), y(centre + d)), QPointF(area.right(), y(centre + d)));
        }
        p.setPen(QColor(120, 120, 120));
        p.drawRect(area);
        for (const auto& [hz, text] :
             {std::pair{100.0, "100"}, std::pair{1000.0, "1k"}, std::pair{10000.0, "10k"}}) {
            p.drawText(QPointF(x(hz) - 8, area.bottom() + 14), QString::fromLatin1(text));
        }
        for (const double d : {-10.0, 0.0, 10.0}) {
            p.drawText(QPointF(2, y(centre + d) + 4), QString::number(centre + d, 'f', 0));
        }
        const auto curve = [&](const roomeq::Measurement& m, const QColor& colour, double width) {
            QPainterPath path;
            bool started = false;
            for (std::size_t i = 0; i < m.hz.size(); ++i) {
                if (m.hz[i] < 20.0 || m.hz[i] > 20000.0) {
                    continue;
                }
                const QPointF at(x(m.hz[i]), y(m.db[i]));
                started ? path.lineTo(at) : path.moveTo(at);
                started = true;
            }
            p.setPen(QPen(colour, width));
            p.drawPath(path);
        };
        static const QColor kPositionColours[] = {QColor(70, 130, 200), QColor(230, 140, 30),
                                                  QColor(60, 160, 90), QColor(160, 90, 180)};
        int legendX = static_cast<int>(area.left()) + 6;
        const auto legend = [&](const QColor& colour, const QString& text) {
            p.setPen(QPen(colour, 2.0));
            const int top = static_cast<int>(area.top());
            p.drawLine(legendX, top + 10, legendX + 16, top + 10);
            p.setPen(Qt::black);
            p.drawText(legendX + 20, top + 14, text);
            legendX += 30 + p.fontMetrics().horizontalAdvance(text);
        };
        for (std::size_t k = 0; k < m_positions.size(); ++k) {
            const QColor& colour = kPositionColours[k % std::size(kPositionColours)];
            curve(m_positions[k], colour, 1.0);
            legend(colour, Q(roomeq::FillText(m_ui.Text(TextId::LivePositionName),
                                              {std::to_string(k + 1)})));
        }
        if (m_average) {
            curve(*m_average, Qt::black, 2.0);
            legend(Qt::black, QString::fromUtf8(m_ui.Text(TextId::LiveAverage)));
        }
    }

private:
    const UiState& m_ui;
    std::vector<roomeq::Measurement> m_positions;
    std::optional<roomeq::Measurement> m_average;
};

MeasureDialog::MeasureDialog(Language language, live::AudioDevices devices, PathMaker maker,
                             QWidget* parent)
    : QDialog(parent), m_devices(std::move(devices)), m_maker(std::move(maker)) {
    m_ui.language = language;
    if (!m_maker) {
        m_maker = [](const QAudioDevice& out, const QAudioDevice& in) {
            auto path = std::make_unique<live::PlayRecord>();
            path->SetDevices(out, in);
            return std::unique_ptr<live::AudioPath>(std::move(path));
        };
    }
    m_saveFolder = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation) +
                   QStringLiteral("/measurements");
    setWindowTitle(QString::fromUtf8(m_ui.Text(TextId::LiveTitle)));
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(MakeLiveGroup());
    layout->addWidget(MakeFilesGroup());
    m_plot = new MeasurePlot(m_ui);
    layout->addWidget(m_plot);
    m_report = new QLabel;
    m_report->setWordWrap(true);
    m_report->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_report->setMinimumHeight(48);
    m_report->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    layout->addWidget(m_report);
    auto* buttons = new QHBoxLayout;
    m_use = new QPushButton(QString::fromUtf8(m_ui.Text(TextId::MeasureUse)));
    m_use->setObjectName(QStringLiteral("useMeasurement"));
    m_use->setEnabled(false);
    auto* close = new QPushButton(QString::fromUtf8(m_ui.Text(TextId::RoomEqClose)));
    buttons->addStretch();
    buttons->addWidget(m_use);
    buttons->addWidget(close);
    layout->addLayout(buttons);
    connect(m_use, &QPushButton::clicked, this, [this] { Use(); });
    connect(close, &QPushButton::clicked, this, &QDialog::reject);
    // Closed while a sweep plays, the speakers go quiet.
    connect(this, &QDialog::finished, this, [this] { StopLive(); });
    layout->activate();
}

MeasureDialog::~MeasureDialog() {
    if (m_session) {
        m_session->Stop();
    }
}

QGroupBox* MeasureDialog::MakeLiveGroup() {
    const auto T = [&](TextId id) { return QString::fromUtf8(m_ui.Text(id)); };
    auto* group = new QGroupBox(T(TextId::LiveGroup));
    auto* grid = new QGridLayout(group);
    const auto devices = [](const QList<QAudioDevice>& list) {
        auto* box = new QComboBox;
        for (const QAudioDevice& d : list) {
            box->addItem(d.description());
        }
        box->setMinimumWidth(220);
        return box;
    };
    m_output = devices(m_devices.outputs);
    m_input = devices(m_devices.inputs);
    m_output->setObjectName(QStringLiteral("liveOutput"));
    m_input->setObjectName(QStringLiteral("liveInput"));
    grid->addWidget(new QLabel(T(TextId::LiveOutput)), 0, 0);
    grid->addWidget(m_output, 0, 1, 1, 3);
    grid->addWidget(new QLabel(T(TextId::LiveInput)), 1, 0);
    grid->addWidget(m_input, 1, 1, 1, 3);
    m_level = new QDoubleSpinBox;
    m_level->setObjectName(QStringLiteral("liveLevel"));
    m_level->setDecimals(1);
    m_level->setRange(measure::kSweepLowestLevelDbfs, measure::kSweepHighestLevelDbfs);
    m_level->setValue(live::kDefaultLevelDbfs);
    m_positions = new QSpinBox;
    m_positions->setObjectName(QStringLiteral("livePositions"));
    m_positions->setRange(1, live::kMostPositions);
    m_positions->setValue(3);
    grid->addWidget(new QLabel(T(TextId::LiveLevel)), 2, 0);
    grid->addWidget(m_level, 2, 1);
    grid->addWidget(new QLabel(T(TextId::LivePositions)), 2, 2);
    grid->addWidget(m_positions, 2, 3);
    m_inputLevel = new QProgressBar;
    m_inputLevel->setRange(kLevelFloorDb, 0);
    m_inputLevel->setValue(kLevelFloorDb);
    m_inputLevel->setFormat(QStringLiteral("--"));
    grid->addWidget(new QLabel(T(TextId::LiveInputLevel)), 3, 0);
    grid->addWidget(m_inputLevel, 3, 1, 1, 3);
    m_liveStatus = new QLabel;
    m_liveStatus->setObjectName(QStringLiteral("liveStatus"));
    m_liveStatus->setWordWrap(true);
    grid->addWidget(m_liveStatus, 4, 0, 1, 4);
    auto* buttons = new QHBoxLayout;
    m_measurePosition = new QPushButton;
    m_measurePosition->setObjectName(QStringLiteral("measurePosition"));
    m_stop = new QPushButton(T(TextId::LiveStop));
    m_stop->setObjectName(QStringLiteral("stopLive"));
    buttons->addWidget(m_measurePosition);
    buttons->addWidget(m_stop);
    buttons->addStretch();
    grid->addLayout(buttons, 5, 0, 1, 4);
    connect(m_measurePosition, &QPushButton::clicked, this, [this] { MeasurePosition(); });
    connect(m_stop, &QPushButton::clicked, this, [this] { StopLive(); });

    const std::optional<TextId> why = live::WhyNoLive(m_devices);
    m_liveOffered = !why;
    if (why) {
        for (QWidget* w : std::initializer_list<QWidget*>{m_output, m_input, m_level, m_positions,
                                                          m_measurePosition, m_stop}) {
            w->setEnabled(false);
        }
        m_liveStatus->setText(T(*why));
    }
    ShowLiveState();
    return group;
}

QGroupBox* MeasureDialog::MakeFilesGroup() {
    const auto T = [&](TextId id) { return QString::fromUtf8(m_ui.Text(id)); };
    auto* group = new QGroupBox(T(TextId::MeasureFromFiles));
    auto* grid = new QGridLayout(group);
    const auto browse = [this](QLineEdit* edit) {
        auto* b = new QPushButton(QString::fromUtf8(m_ui.Text(TextId::RoomEqBrowse)));
        connect(b, &QPushButton::clicked, this, [this, edit] {
            const QString path = QFileDialog::getOpenFileName(this, windowTitle());
            if (!path.isEmpty()) {
                edit->setText(path);
            }
        });
        return b;
    };
    m_sweep = new QLineEdit;
    grid->addWidget(new QLabel(T(TextId::MeasureSweepFile)), 0, 0);
    grid->addWidget(m_sweep, 0, 1, 1, 2);
    grid->addWidget(browse(m_sweep), 0, 3);
    m_recordings = new QListWidget;
    m_recordings->setMaximumHeight(60);
    grid->addWidget(new QLabel(T(TextId::MeasureRecordings)), 1, 0);
    grid->addWidget(m_recordings, 1, 1, 2, 2);
    auto* add = new QPushButton(T(TextId::MeasureAddRecording));
    auto* clear = new QPushButton(T(TextId::MeasureClearRecordings));
    connect(add, &QPushButton::clicked, this, [this] {
        for (const QString& path : QFileDialog::getOpenFileNames(this, windowTitle())) {
            AddRecording(path);
        }
    });
    connect(clear, &QPushButton::clicked, m_recordings, &QListWidget::clear);
    grid->addWidget(add, 1, 3);
    grid->addWidget(clear, 2, 3);
    m_impulses = new QCheckBox(T(TextId::MeasureImpulses));
    grid->addWidget(m_impulses, 3, 1, 1, 3);
    m_calibration = new QLineEdit;
    grid->addWidget(new QLabel(T(TextId::MeasureCalibrationFile)), 4, 0);
    grid->addWidget(m_calibration, 4, 1, 1, 2);
    grid->addWidget(browse(m_calibration), 4, 3);
    m_smoothing = new QComboBox;
    m_smoothing->setObjectName(QStringLiteral("measureSmoothing"));
    m_smoothing->addItems({T(TextId::RoomEqSmoothNone), QStringLiteral("1/3"),
                           QStringLiteral("1/6"), QStringLiteral("1/12"), QStringLiteral("1/24")});
    grid->addWidget(new QLabel(T(TextId::RoomEqSmoothing)), 5, 0);
    grid->addWidget(m_smoothing, 5, 1);
    auto* run = new QPushButton(T(TextId::MeasureRun));
    run->setObjectName(QStringLiteral("measureFiles"));
    connect(run, &QPushButton::clicked, this, [this] { MeasureFiles(); });
    grid->addWidget(run, 5, 3);
    return group;
}

void MeasureDialog::SetSweepFile(const QString& path) {
    m_sweep->setText(path);
}

void MeasureDialog::AddRecording(const QString& path) {
    m_recordings->addItem(path);
}

void MeasureDialog::SetCalibrationFile(const QString& path) {
    m_calibration->setText(path);
}

QString MeasureDialog::LiveStatus() const {
    return m_liveStatus->text();
}

QString MeasureDialog::Report() const {
    return m_report->text();
}

void MeasureDialog::ShowReport(const std::string& text) {
    m_report->setText(Q(text));
}

measure::AnalysisOptions MeasureDialog::Options() const {
    measure::AnalysisOptions o;
    o.smoothing = kSmoothings[std::clamp(m_smoothing->currentIndex(), 0, 4)];
    return o;
}

// The calibration file, if one is named; ok false (the reason shown) when it is refused.
std::optional<measure::Calibration> MeasureDialog::LoadCalibration(bool& ok) {
    ok = true;
    const QString path = m_calibration->text();
    if (path.isEmpty()) {
        return std::nullopt;
    }
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        ok = false;
        ShowReport(m_ui.Text(TextId::CliCannotOpenFile) + (" " + path.toStdString()));
        return std::nullopt;
    }
    if (file.size() > kMaxCalibrationBytes) {
        ok = false;
        ShowReport(
            roomeq::FillText(m_ui.Text(TextId::RoomEqTooLarge),
                             {path.toStdString(), std::to_string(kMaxCalibrationBytes >> 20)}));
        return std::nullopt;
    }
    const QByteArray bytes = file.readAll();
    measure::CalibrationOutcome c = measure::ParseCalibration(
        std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())));
    if (!c.calibration) {
        ok = false;
        ShowReport(path.toStdString() + ": " + roomeq::DescribeFailure(c.failure, m_ui));
        return std::nullopt;
    }
    return c.calibration;
}

std::string MeasureDialog::SnrLine(const std::string& name, const measure::Position& p) const {
    std::string line =
        p.snrDb ? roomeq::FillText(m_ui.Text(TextId::MeasureSnr), {name, Figure(*p.snrDb, 1)})
                : roomeq::FillText(m_ui.Text(TextId::MeasureSnrUnknown), {name});
    for (const measure::Problem& note : p.notes) {
        line += "\n" + name + ": " + measure::Describe(note, m_ui);
    }
    return line;
}

bool MeasureDialog::MeasureFiles() {
    const bool impulses = m_impulses->isChecked();
    std::optional<measure::Sweep> sweep;
    if (!impulses) {
        if (m_sweep->text().isEmpty()) {
            ShowReport(m_ui.Text(TextId::MeasureNeedsSweep));
            return false;
        }
        const measure::WavOutcome wav = measure::ReadWav(m_sweep->text().toStdString());
        measure::SweepOutcome s = wav.audio ? measure::SweepOfAudio(*wav.audio)
                                            : measure::SweepOutcome{std::nullopt, wav.problem};
        if (!s.sweep) {
            ShowReport(m_sweep->text().toStdString() + ": " + measure::Describe(s.problem, m_ui));
            return false;
        }
        sweep = std::move(s.sweep);
    }
    if (m_recordings->count() == 0) {
        ShowReport(m_ui.Text(TextId::MeasureNeedsRecording));
        return false;
    }
    bool calibrationOk = true;
    const std::optional<measure::Calibration> calibration = LoadCalibration(calibrationOk);
    if (!calibrationOk) {
        return false;
    }
    measure::AnalysisOptions options = Options();
    options.calibration = calibration ? &*calibration : nullptr;
    std::optional<measure::Analyser> analyser;
    if (sweep) {
        analyser.emplace(*sweep);
    }
    std::vector<measure::Position> positions;
    std::string report;
    for (int i = 0; i < m_recordings->count(); ++i) {
        const std::string path = m_recordings->item(i)->text().toStdString();
        const measure::WavOutcome wav = measure::ReadWav(path);
        measure::SignalOutcome signal = wav.audio
                                            ? measure::ChannelOf(*wav.audio, 0)
                                            : measure::SignalOutcome{std::nullopt, wav.problem};
        measure::PositionOutcome outcome{std::nullopt, signal.problem};
        if (signal.signal) {
            outcome = analyser ? analyser->Recording(*signal.signal, options)
                               : measure::ImpulseResponse(*signal.signal, options);
        }
        if (!outcome.position) {
            ShowReport(path + ": " + measure::Describe(outcome.problem, m_ui));
            return false;
        }
        report += (report.empty() ? "" : "\n") +
                  SnrLine(QFileInfo(Q(path)).fileName().toStdString(), *outcome.position);
        positions.push_back(std::move(*outcome.position));
    }
    m_result = measure::Combine(positions, options);
    m_resultSweep = sweep ? std::optional(sweep->params) : std::nullopt;
    m_resultSnr.clear();
    std::vector<roomeq::Measurement> curves;
    for (const measure::Position& p : positions) {
        m_resultSnr.push_back(p.snrDb);
        curves.push_back(p.response);
    }
    m_resultCalibration =
        calibration ? QFileInfo(m_calibration->text()).fileName().toStdString() : std::string();
    m_resultSens = calibration ? calibration->sensFactorDb : std::nullopt;
    m_resultSmoothing = options.smoothing;
    for (const measure::Problem& note : m_result->notes) {
        report += "\n" + measure::Describe(note, m_ui);
    }
    report += "\n" + roomeq::FillText(m_ui.Text(TextId::MeasureCliAveraged),
                                      {std::to_string(positions.size())});
    ShowReport(report);
    m_plot->Show(positions.size() > 1 ? curves : std::vector<roomeq::Measurement>{},
                 m_result->fine);
    m_use->setEnabled(true);
    return true;
}

// A new session begins with the first position, on the devices and settings chosen then;
// they stay as they are until the last position or a Stop before the first is measured.
bool MeasureDialog::MeasurePosition() {
    if (!m_liveOffered) {
        return false;
    }
    const bool fresh = !m_session || m_session->state() == live::LiveSession::State::Done ||
                       m_session->Measured().empty();
    if (m_session && m_session->state() == live::LiveSession::State::Measuring) {
        return false;
    }
    if (fresh) {
        live::LiveSession::Settings settings;
        settings.positions = m_positions->value();
        settings.levelDbfs = m_level->value();
        if (live::NeedsLoudConsent(settings.levelDbfs)) {
            const QString question = Q(
                roomeq::FillText(m_ui.Text(TextId::LiveAskLoud), {Figure(settings.levelDbfs, 1)}));
            settings.loudConsented =
                m_asker ? m_asker(question)
                        : QMessageBox::question(this, windowTitle(), question,
                                                QMessageBox::Yes | QMessageBox::No,
                                                QMessageBox::No) == QMessageBox::Yes;
            if (!settings.loudConsented) {
                return false;
            }
        }
        bool calibrationOk = true;
        m_liveCalibration = LoadCalibration(calibrationOk);
        if (!calibrationOk) {
            return false;
        }
        m_liveCalibrationName =
            m_liveCalibration ? QFileInfo(m_calibration->text()).fileName().toStdString() : "";
        settings.analysis = Options();
        settings.analysis.calibration = m_liveCalibration ? &*m_liveCalibration : nullptr;
        m_session.reset();
        m_path = m_maker(m_devices.outputs.value(m_output->currentIndex()),
                         m_devices.inputs.value(m_input->currentIndex()));
        m_session = std::make_unique<live::LiveSession>(*m_path);
        connect(m_session.get(), &live::LiveSession::level, this, [this](double db) {
            m_inputLevel->setValue(std::clamp(static_cast<int>(std::lround(db)), kLevelFloorDb, 0));
            m_inputLevel->setFormat(QString::number(db, 'f', 1) + QStringLiteral(" dBFS"));
        });
        connect(m_session.get(), &live::LiveSession::positionMeasured, this,
                &MeasureDialog::PositionMeasured);
        connect(m_session.get(), &live::LiveSession::positionFailed, this,
                &MeasureDialog::PositionFailed);
        connect(m_session.get(), &live::LiveSession::stateChanged, this,
                &MeasureDialog::ShowLiveState);
        if (const auto problem = m_session->Begin(settings)) {
            ShowReport(measure::Describe(*problem, m_ui));
            return false;
        }
        ShowCurves();
    }
    const bool started = m_session->Measure();
    ShowLiveState();
    return started;
}

void MeasureDialog::StopLive() {
    if (!m_session || m_session->state() != live::LiveSession::State::Measuring) {
        return;
    }
    const int k = m_session->Position();
    m_session->Stop();
    ShowReport(roomeq::FillText(m_ui.Text(TextId::LiveStopped), {std::to_string(k)}));
    ShowLiveState();
}

void MeasureDialog::PositionMeasured(int k) {
    const live::LiveSession& s = *m_session;
    std::string report;
    for (std::size_t i = 0; i < s.Measured().size(); ++i) {
        report +=
            (i == 0 ? "" : "\n") +
            SnrLine(roomeq::FillText(m_ui.Text(TextId::LivePositionName), {std::to_string(i + 1)}),
                    s.Measured()[i]);
    }
    if (s.state() == live::LiveSession::State::Done) {
        m_result = s.Average();
        m_resultSweep = s.settings().sweep;
        m_resultSnr.clear();
        for (const measure::Position& p : s.Measured()) {
            m_resultSnr.push_back(p.snrDb);
        }
        m_resultCalibration = m_liveCalibrationName;
        m_resultSens = m_liveCalibration ? m_liveCalibration->sensFactorDb : std::nullopt;
        m_resultSmoothing = s.settings().analysis.smoothing;
        for (const measure::Problem& note : m_result->notes) {
            report += "\n" + measure::Describe(note, m_ui);
        }
        m_use->setEnabled(true);
    }
    (void)k;
    ShowReport(report);
    ShowCurves();
    ShowLiveState();
}

void MeasureDialog::PositionFailed(int k) {
    if (const auto& problem = m_session->LastProblem()) {
        ShowReport(roomeq::FillText(m_ui.Text(TextId::LivePositionFailed),
                                    {std::to_string(k), measure::Describe(*problem, m_ui)}));
    }
    ShowLiveState();
}

// Each position's curve as it was measured; the average once all are in.
void MeasureDialog::ShowCurves() {
    std::vector<roomeq::Measurement> curves;
    for (const measure::Position& p : m_session->Measured()) {
        curves.push_back(p.response);
    }
    const bool done = m_session->state() == live::LiveSession::State::Done;
    m_plot->Show(curves, done && m_session->Average() ? std::optional(m_session->Average()->fine)
                                                      : std::nullopt);
}

// The status line, the button's position and what may be changed now.
void MeasureDialog::ShowLiveState() {
    if (!m_liveOffered) {
        return;
    }
    using State = live::LiveSession::State;
    const State state = m_session ? m_session->state() : State::Ready;
    const bool done = state == State::Done;
    const int n = m_session && !done ? m_session->Positions() : m_positions->value();
    const int k = m_session && !done ? m_session->Position() : 1;
    const bool measuring = state == State::Measuring;
    const bool midway = m_session && !done && !m_session->Measured().empty();
    m_measurePosition->setText(
        Q(roomeq::FillText(m_ui.Text(TextId::LiveMeasurePosition), {std::to_string(k)})));
    m_measurePosition->setEnabled(!measuring);
    m_stop->setEnabled(measuring);
    for (QWidget* w : std::initializer_list<QWidget*>{m_output, m_input, m_level, m_positions}) {
        w->setEnabled(!measuring && !midway);
    }
    TextId text = measuring ? TextId::LiveMeasuring : TextId::LiveReady;
    if (done) {
        m_liveStatus->setText(Q(roomeq::FillText(m_ui.Text(TextId::LiveDone),
                                                 {std::to_string(m_session->Positions())})));
        m_measurePosition->setText(
            Q(roomeq::FillText(m_ui.Text(TextId::LiveMeasurePosition), {"1"})));
        return;
    }
    m_liveStatus->setText(
        Q(roomeq::FillText(m_ui.Text(text), {std::to_string(k), std::to_string(n)})));
}

bool MeasureDialog::Use() {
    if (!m_result) {
        return false;
    }
    measure::ExportInfo info;
    info.date = measure::DateNow();
    info.sweep = m_resultSweep;
    info.snrDb = m_resultSnr;
    info.calibration = m_resultCalibration;
    info.sensFactorDb = m_resultSens;
    // As measured: the smoothing chosen since does not apply to it.
    info.smoothing = m_resultSmoothing;
    const std::string text = measure::ExportText(m_result->fine, info);
    QDir().mkpath(m_saveFolder);
    const QString stamp = QString::fromStdString(info.date)
                              .remove(QStringLiteral(" UTC"))
                              .replace(QLatin1Char(' '), QLatin1Char('-'))
                              .remove(QLatin1Char(':'));
    QString path = m_saveFolder + QStringLiteral("/room-") + stamp + QStringLiteral(".txt");
    // A second measurement in the same minute keeps the first.
    for (int n = 2; QFileInfo::exists(path) && n < 100; ++n) {
        path = m_saveFolder + QStringLiteral("/room-") + stamp + QLatin1Char('-') +
               QString::number(n) + QStringLiteral(".txt");
    }
    QSaveFile file(path);
    const bool ok = !QFileInfo::exists(path) && file.open(QIODevice::WriteOnly) &&
                    file.write(text.data(), static_cast<qint64>(text.size())) ==
                        static_cast<qint64>(text.size()) &&
                    file.commit();
    if (!ok) {
        ShowReport(roomeq::FillText(m_ui.Text(TextId::RoomEqCannotWrite), {path.toStdString()}));
        return false;
    }
    m_savedPath = path;
    accept();
    return true;
}

}  // namespace tolmarin
