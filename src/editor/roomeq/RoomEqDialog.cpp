#include "editor/roomeq/RoomEqDialog.h"

#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QGridLayout>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPainter>
#include <QPainterPath>
#include <QPushButton>
#include <QSaveFile>
#include <QScrollArea>

#include <algorithm>
#include <cmath>

#include "editor/roomeq/RoomEqOverlays.h"
#include "roomeq/Exchange.h"

namespace tolmarin {

namespace {

constexpr qint64 kMaxFileBytes = 32 * 1024 * 1024;
constexpr double kLimitDb = 20.0;
// A boost this far above the limit is rounding of the 0.1 dB steps, not worth a question.
constexpr double kBoostSlackDb = 0.05;
constexpr int kReportHeight = 130;

QString Q(const char* text) {
    return QString::fromUtf8(text);
}

QString Q(const std::string& text) {
    return QString::fromStdString(text);
}

double LargestBoost(const std::array<BandRecord, roomeq::kBands>& bands) {
    const GridResponse r = roomeq::BandsResponse(bands);
    return std::max(0.0, *std::max_element(r.begin(), r.end()));
}

}  // namespace

// What Apply would do, drawn before it: the measurement (level removed), the predicted
// result with the new bands, and the new bands' own response, from 20 Hz to 20 kHz and
// -15 to +15 dB.
class RoomEqPreview : public QWidget {
public:
    explicit RoomEqPreview(const UiState& ui) : m_ui(ui) { setMinimumSize(460, 170); }

    void Show(const std::optional<GridResponse>& measured, const GridResponse& predicted,
              const GridResponse& bands, double lo, double hi) {
        m_measured = measured;
        m_predicted = predicted;
        m_bands = bands;
        m_lo = lo;
        m_hi = hi;
        m_shown = true;
        update();
    }

protected:
    void paintEvent(QPaintEvent* /*event*/) override {
        constexpr double kDbSpan = 15.0;
        QPainter p(this);
        p.setRenderHint(QPainter::Antialiasing);
        p.fillRect(rect(), Qt::white);
        const QRectF area = QRectF(rect()).adjusted(30, 8, -8, -18);
        const auto x = [&](double hz) {
            return area.left() + area.width() * std::log10(hz / 20.0) / 3.0;
        };
        const auto y = [&](double db) {
            return area.center().y() -
                   area.height() / 2.0 * std::clamp(db, -kDbSpan, kDbSpan) / kDbSpan;
        };
        p.setPen(QColor(215, 215, 215));
        for (const double hz : {50.0, 100.0, 200.0, 500.0, 1000.0, 2000.0, 5000.0, 10000.0}) {
            p.drawLine(QPointF(x(hz), area.top()), QPointF(x(hz), area.bottom()));
        }
        for (const double db : {-10.0, -5.0, 5.0, 10.0}) {
            p.drawLine(QPointF(area.left(), y(db)), QPointF(area.right(), y(db)));
        }
        p.setPen(QColor(120, 120, 120));
        p.drawRect(area);
        p.drawLine(QPointF(area.left(), y(0.0)), QPointF(area.right(), y(0.0)));
        for (const auto& [hz, text] :
             {std::pair{100.0, "100"}, std::pair{1000.0, "1k"}, std::pair{10000.0, "10k"}}) {
            p.drawText(QPointF(x(hz) - 8, area.bottom() + 14), QString::fromLatin1(text));
        }
        for (const double db : {-10.0, 0.0, 10.0}) {
            p.drawText(QPointF(2, y(db) + 4), QString::number(db, 'f', 0));
        }
        if (!m_shown) {
            return;
        }
        if (m_lo > 0.0 && m_hi > m_lo) {
            p.fillRect(QRectF(QPointF(x(m_lo), area.top()), QPointF(x(m_hi), area.bottom())),
                       QColor(80, 120, 220, 18));
        }
        const auto curve = [&](const GridResponse& r, const QColor& colour, Qt::PenStyle style) {
            QPainterPath path;
            bool started = false;
            for (int i = 0; i < kGridSize; ++i) {
                const double f = FreqTable[static_cast<std::size_t>(i)];
                if (f < 20.0 || f > 20000.0) {
                    continue;
                }
                const QPointF at(x(f), y(r[static_cast<std::size_t>(i)]));
                started ? path.lineTo(at) : path.moveTo(at);
                started = true;
            }
            p.setPen(QPen(colour, 1.6, style));
            p.drawPath(path);
        };
        int legendX = static_cast<int>(area.left()) + 6;
        const auto legend = [&](const QColor& colour, TextId id) {
            const QString text = QString::fromUtf8(m_ui.Text(id));
            p.setPen(QPen(colour, 2.0));
            p.drawLine(legendX, static_cast<int>(area.top()) + 10, legendX + 16,
                       static_cast<int>(area.top()) + 10);
            p.setPen(Qt::black);
            p.drawText(legendX + 20, static_cast<int>(area.top()) + 14, text);
            legendX += 30 + p.fontMetrics().horizontalAdvance(text);
        };
        const QColor measuredColour(150, 150, 150);
        const QColor predictedColour(200, 40, 40);
        const QColor bandsColour(20, 120, 40);
        if (m_measured) {
            curve(*m_measured, measuredColour, Qt::SolidLine);
            curve(m_predicted, predictedColour, Qt::SolidLine);
            legend(measuredColour, TextId::RoomEqMeasurement);
            legend(predictedColour, TextId::RoomEqPredicted);
        }
        curve(m_bands, bandsColour, Qt::DashLine);
        legend(bandsColour, TextId::RoomEqBandsLabel);
    }

private:
    const UiState& m_ui;
    std::optional<GridResponse> m_measured;
    GridResponse m_predicted{};
    GridResponse m_bands{};
    double m_lo = 0.0;
    double m_hi = 0.0;
    bool m_shown = false;
};

RoomEqDialog::RoomEqDialog(const roomeq::ChannelFilters& channel, int channelIndex,
                           Language language, RoomEqOverlays* overlays, QWidget* parent)
    : QDialog(parent), m_channel(channel), m_channelIndex(channelIndex), m_overlays(overlays) {
    m_ui.language = language;
    const auto T = [&](TextId id) { return Q(m_ui.Text(id)); };
    setWindowTitle(T(TextId::RoomEqTitle));
    auto* grid = new QGridLayout(this);
    int row = 0;
    const auto fileRow = [&](TextId label, QLineEdit*& edit) {
        grid->addWidget(new QLabel(T(label)), row, 0);
        edit = new QLineEdit;
        edit->setMinimumWidth(260);
        grid->addWidget(edit, row, 1, 1, 3);
        auto* browse = new QPushButton(T(TextId::RoomEqBrowse));
        connect(browse, &QPushButton::clicked, this, [this, edit] {
            const QString path = QFileDialog::getOpenFileName(this, windowTitle());
            if (!path.isEmpty()) {
                edit->setText(path);
            }
        });
        grid->addWidget(browse, row, 4);
        ++row;
    };
    fileRow(TextId::RoomEqMeasurement, m_measurement);
    AddMeasureButton(grid, row - 1);
    fileRow(TextId::RoomEqTarget, m_target);

    grid->addWidget(new QLabel(T(TextId::RoomEqSmoothing)), row, 0);
    m_smoothing = new QComboBox;
    m_smoothing->addItems({T(TextId::RoomEqSmoothNone), QStringLiteral("1/3"),
                           QStringLiteral("1/6"), QStringLiteral("1/12")});
    grid->addWidget(m_smoothing, row++, 1);

    const auto [lo, hi] = roomeq::DefaultRange(channel);
    grid->addWidget(new QLabel(T(TextId::RoomEqRange)), row, 0);
    const auto hzSpin = [](double value) {
        auto* s = new QDoubleSpinBox;
        s->setDecimals(0);
        s->setRange(roomeq::kLowestHz, roomeq::kHighestHz);
        s->setValue(value);
        return s;
    };
    m_lo = hzSpin(lo);
    m_hi = hzSpin(hi);
    grid->addWidget(m_lo, row, 1);
    grid->addWidget(m_hi, row++, 2);

    const auto dbSpin = [](double value) {
        auto* s = new QDoubleSpinBox;
        s->setDecimals(1);
        s->setRange(0.0, kLimitDb);
        s->setValue(value);
        return s;
    };
    grid->addWidget(new QLabel(T(TextId::RoomEqMaxBoost)), row, 0);
    m_boost = dbSpin(roomeq::kDefaultMaxBoostDb);
    grid->addWidget(m_boost, row++, 1);
    grid->addWidget(new QLabel(T(TextId::RoomEqMaxCut)), row, 0);
    m_cut = dbSpin(roomeq::kDefaultMaxCutDb);
    grid->addWidget(m_cut, row++, 1);

    grid->addWidget(new QLabel(T(TextId::RoomEqBandsLabel)), row, 0);
    auto* bands = new QHBoxLayout;
    for (int k = 0; k < roomeq::kBands; ++k) {
        m_bands[k] = new QCheckBox(QString::number(k + 1));
        m_bands[k]->setChecked(true);
        bands->addWidget(m_bands[k]);
    }
    grid->addLayout(bands, row++, 1, 1, 4);
    m_shelves = new QCheckBox(T(TextId::RoomEqShelves));
    grid->addWidget(m_shelves, row++, 1, 1, 4);

    if (m_overlays != nullptr) {
        AddGraphRow(grid, row++);
    }
    AddExchangeRow(grid, row++);

    m_preview = new RoomEqPreview(m_ui);
    grid->addWidget(m_preview, row++, 0, 1, 5);

    // The report scrolls: an import of ten filters says a dozen things.
    m_outcome = new QLabel;
    m_outcome->setWordWrap(true);
    m_outcome->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    m_outcome->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_report = new QScrollArea;
    m_report->setWidget(m_outcome);
    m_report->setWidgetResizable(true);
    m_report->setFixedHeight(kReportHeight);
    grid->addWidget(m_report, row++, 0, 1, 5);

    m_appliesTo = new QLabel;
    grid->addWidget(m_appliesTo, row++, 0, 1, 5);

    auto* buttons = new QHBoxLayout;
    auto* fit = new QPushButton(T(TextId::RoomEqFit));
    m_apply = new QPushButton(T(TextId::RoomEqApply));
    m_apply->setEnabled(false);
    auto* close = new QPushButton(T(TextId::RoomEqClose));
    buttons->addStretch();
    buttons->addWidget(fit);
    buttons->addWidget(m_apply);
    buttons->addWidget(close);
    grid->addLayout(buttons, row, 0, 1, 5);
    connect(fit, &QPushButton::clicked, this, [this] { RunFit(); });
    connect(m_apply, &QPushButton::clicked, this, [this] { AskThenApply(); });
    SetLinked(false);
    // Sized now, before a window exists: set once shown, the size limits would go to the
    // platform window again.
    grid->activate();
    connect(close, &QPushButton::clicked, this, &QDialog::reject);
}

// Both curves switch on and off at once on the graph behind; Clear takes this channel's
// measurement off it.
void RoomEqDialog::AddGraphRow(QGridLayout* grid, int row) {
    auto* line = new QHBoxLayout;
    const auto box = [&](TextId text, RoomEqOverlays::Curve curve) {
        auto* b = new QCheckBox(Q(m_ui.Text(text)));
        b->setChecked(m_overlays->Shown(curve));
        connect(b, &QCheckBox::toggled, this, [this, curve](bool on) {
            m_overlays->SetShown(curve, on);
            emit graphChanged();
        });
        line->addWidget(b);
    };
    box(TextId::RoomEqShowMeasurement, RoomEqOverlays::Curve::Measurement);
    box(TextId::RoomEqShowPredicted, RoomEqOverlays::Curve::Predicted);
    line->addStretch();
    auto* clear = new QPushButton(Q(m_ui.Text(TextId::RoomEqClearCurves)));
    connect(clear, &QPushButton::clicked, this, [this] {
        m_overlays->Clear(m_channelIndex);
        emit graphChanged();
    });
    line->addWidget(clear);
    grid->addLayout(line, row, 0, 1, 5);
}

void RoomEqDialog::AddExchangeRow(QGridLayout* grid, int row) {
    auto* line = new QHBoxLayout;
    auto* copy = new QPushButton(Q(m_ui.Text(TextId::RoomEqCopySettings)));
    auto* save = new QPushButton(Q(m_ui.Text(TextId::RoomEqExport)));
    auto* open = new QPushButton(Q(m_ui.Text(TextId::RoomEqImport)));
    connect(copy, &QPushButton::clicked, this, [this] {
        QGuiApplication::clipboard()->setText(QString::fromStdString(ExportedText()));
        ShowReport(Report().toStdString() + "\n" +
                   roomeq::FillText(m_ui.Text(TextId::RoomEqCopied),
                                    {std::to_string(m_channelIndex + 1)}));
    });
    connect(save, &QPushButton::clicked, this, [this] { ExportToFile(); });
    connect(open, &QPushButton::clicked, this, [this] {
        const QString path = QFileDialog::getOpenFileName(this, windowTitle());
        if (!path.isEmpty()) {
            ImportFrom(path);
        }
    });
    line->addWidget(copy);
    line->addWidget(save);
    line->addWidget(open);
    line->addStretch();
    grid->addLayout(line, row, 0, 1, 5);
}

std::string RoomEqDialog::ExportedText() const {
    return roomeq::ExportText(m_toApply ? *m_toApply : m_channel.bands,
                              "CH" + std::to_string(m_channelIndex + 1));
}

void RoomEqDialog::SetLinked(bool linked) {
    m_linked = linked;
    m_appliesTo->setText(AppliesToText());
}

QString RoomEqDialog::AppliesToText() const {
    const std::string channels = m_linked && m_channelIndex <= 1
                                     ? m_ui.Text(TextId::RoomEqChannelsLinked)
                                     : "CH" + std::to_string(m_channelIndex + 1);
    return Q(roomeq::FillText(m_ui.Text(TextId::RoomEqAppliesTo), {channels}));
}

QString RoomEqDialog::Report() const {
    return m_outcome->text();
}

void RoomEqDialog::ShowReport(const std::string& text) {
    m_outcome->setText(Q(text));
}

// Bands that together boost beyond the dialog's largest boost (an imported text's may) are
// applied only when the operator says so.
void RoomEqDialog::AskThenApply() {
    if (!m_toApply) {
        return;
    }
    const double boost = LargestBoost(*m_toApply);
    if (boost > m_boost->value() + kBoostSlackDb) {
        const auto figure = [](double v) { return QString::number(v, 'f', 1).toStdString(); };
        const QString question = Q(roomeq::FillText(m_ui.Text(TextId::RoomEqAskBoost),
                                                    {figure(boost), figure(m_boost->value())}));
        const bool yes = m_asker ? m_asker(question)
                                 : QMessageBox::question(this, windowTitle(), question,
                                                         QMessageBox::Yes | QMessageBox::No,
                                                         QMessageBox::No) == QMessageBox::Yes;
        if (!yes) {
            return;
        }
    }
    accept();
}

// The predicted curve with the bands Apply would set, and those bands as text in the report.
void RoomEqDialog::ShowPreview() {
    if (!m_toApply) {
        return;
    }
    roomeq::ChannelFilters after = m_channel;
    after.bands = *m_toApply;
    const GridResponse response = roomeq::ChannelResponse(after);
    const GridResponse bands = roomeq::BandsResponse(*m_toApply);
    const roomeq::FitOptions o = Options();
    std::optional<GridResponse> measured;
    GridResponse predicted{};
    if (m_measured) {
        // Both around the level of the measurement (before) in the fit range.
        GridResponse before = *m_measured;
        const double level = roomeq::MeanOver(before, o.loHz, o.hiHz);
        for (int i = 0; i < kGridSize; ++i) {
            const auto k = static_cast<std::size_t>(i);
            before[k] -= level;
            predicted[k] = before[k] + response[k];
        }
        const double shift = roomeq::MeanOver(predicted, o.loHz, o.hiHz);
        for (double& v : predicted) {
            v -= shift;
        }
        measured = before;
    }
    m_preview->Show(measured, predicted, bands, o.loHz, o.hiHz);
}

bool RoomEqDialog::ExportTo(const QString& chosen) {
    // A name typed without a suffix gets the one the other programs look for.
    const QString path =
        QFileInfo(chosen).suffix().isEmpty() ? chosen + QStringLiteral(".txt") : chosen;
    // Written whole or not at all: a failed write leaves an older file as it was.
    QSaveFile file(path);
    const std::string text = ExportedText();
    const bool ok = file.open(QIODevice::WriteOnly) &&
                    file.write(text.data(), static_cast<qint64>(text.size())) ==
                        static_cast<qint64>(text.size()) &&
                    file.commit();
    const TextId said = ok ? TextId::RoomEqCliWrote : TextId::RoomEqCannotWrite;
    ShowReport(Report().toStdString() + "\n" +
               roomeq::FillText(m_ui.Text(said), {path.toStdString()}));
    return ok;
}

void RoomEqDialog::ExportToFile() {
    const QString path =
        QFileDialog::getSaveFileName(this, windowTitle(), QString(), QStringLiteral("*.txt"));
    if (!path.isEmpty()) {
        ExportTo(path);
    }
}

std::optional<QByteArray> RoomEqDialog::ReadWhole(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        ShowReport(m_ui.Text(TextId::CliCannotOpenFile) + (" " + path.toStdString()));
        return std::nullopt;
    }
    if (file.size() > kMaxFileBytes) {
        ShowReport(roomeq::FillText(m_ui.Text(TextId::RoomEqTooLarge),
                                    {path.toStdString(), std::to_string(kMaxFileBytes >> 20)}));
        return std::nullopt;
    }
    return file.readAll();
}

bool RoomEqDialog::ImportFrom(const QString& path) {
    const auto bytes = ReadWhole(path);
    if (!bytes) {
        return false;
    }
    const roomeq::ImportOutcome r = roomeq::ImportText(
        std::string_view(bytes->constData(), static_cast<std::size_t>(bytes->size())),
        m_channel.bands);
    std::string report;
    if (r.ok) {
        report = roomeq::FillText(m_ui.Text(TextId::RoomEqImported), {std::to_string(r.imported)});
    } else {
        report = path.toStdString() + ": " + roomeq::DescribeFailure(r.failure, m_ui);
    }
    for (const roomeq::ImportNote& note : r.notes) {
        report += "\n" + roomeq::DescribeNote(note, m_ui);
    }
    if (!r.ok) {
        ShowReport(report);
        return false;
    }
    m_toApply = r.bands;
    m_measured.reset();
    report += std::string("\n") + m_ui.Text(TextId::RoomEqFittedBands) + "\n" + ExportedText();
    ShowReport(report);
    ShowPreview();
    m_apply->setEnabled(true);
    return true;
}

void RoomEqDialog::SetMeasurementPath(const QString& path) {
    m_measurement->setText(path);
}

QString RoomEqDialog::MeasurementPath() const {
    return m_measurement->text();
}

roomeq::FitOptions RoomEqDialog::Options() const {
    roomeq::FitOptions o;
    o.loHz = m_lo->value();
    o.hiHz = m_hi->value();
    o.maxBoostDb = m_boost->value();
    o.maxCutDb = m_cut->value();
    for (int k = 0; k < roomeq::kBands; ++k) {
        o.use[static_cast<std::size_t>(k)] = m_bands[k]->isChecked();
    }
    o.shelves = m_shelves->isChecked();
    return o;
}

std::optional<roomeq::Measurement> RoomEqDialog::Load(const QString& path, double lo, double hi) {
    const auto bytes = ReadWhole(path);
    if (!bytes) {
        return std::nullopt;
    }
    const roomeq::ParseOutcome parsed = roomeq::ParseMeasurement(
        std::string_view(bytes->constData(), static_cast<std::size_t>(bytes->size())));
    std::optional<roomeq::ParseFailure> failure;
    if (!parsed.measurement) {
        failure = parsed.failure;
    } else if (!roomeq::Covers(*parsed.measurement, lo, hi)) {
        failure = roomeq::NotCovered(*parsed.measurement, lo, hi);
    }
    if (failure) {
        m_outcome->setText(path + QStringLiteral(": ") +
                           QString::fromStdString(roomeq::DescribeFailure(*failure, m_ui)));
        return std::nullopt;
    }
    return parsed.measurement;
}

bool RoomEqDialog::RunFit() {
    const roomeq::FitOptions options = Options();
    const auto measurement = Load(m_measurement->text(), options.loHz, options.hiHz);
    if (!measurement) {
        return false;
    }
    GridResponse target{};
    if (!m_target->text().isEmpty()) {
        const auto house = Load(m_target->text(), options.loHz, options.hiHz);
        if (!house) {
            return false;
        }
        target = roomeq::OnGrid(*house, roomeq::Smoothing::None);
    }
    static constexpr roomeq::Smoothing kSmoothing[] = {
        roomeq::Smoothing::None, roomeq::Smoothing::Third, roomeq::Smoothing::Sixth,
        roomeq::Smoothing::Twelfth};
    m_measured = roomeq::OnGrid(*measurement, kSmoothing[m_smoothing->currentIndex()]);
    m_result = roomeq::FitBands(*m_measured, target, m_channel, options);
    m_toApply = m_result->bands;
    if (m_overlays != nullptr) {
        m_overlays->SetMeasurement(m_channelIndex, *m_measured, options.loHz, options.hiHz,
                                   measurement->hz.front(), measurement->hz.back());
        emit graphChanged();
    }
    const auto figure = [](double v, int decimals) {
        return QString::number(v, 'f', decimals).toStdString();
    };
    ShowReport(
        roomeq::FillText(m_ui.Text(TextId::RoomEqRmsBefore), {figure(m_result->rmsBefore, 2)}) +
        "\n" +
        roomeq::FillText(m_ui.Text(TextId::RoomEqRmsAfter), {figure(m_result->rmsAfter, 2)}) +
        "\n" +
        roomeq::FillText(m_ui.Text(TextId::RoomEqCombinedBoost),
                         {figure(LargestBoost(m_result->bands), 1)}) +
        "\n" + m_ui.Text(TextId::RoomEqFittedBands) + "\n" + ExportedText());
    ShowPreview();
    m_apply->setEnabled(true);
    return true;
}

}  // namespace tolmarin
