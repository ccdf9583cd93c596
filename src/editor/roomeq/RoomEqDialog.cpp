#include "editor/roomeq/RoomEqDialog.h"

#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QFile>
#include <QFileDialog>
#include <QGridLayout>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSaveFile>

#include "editor/roomeq/RoomEqOverlays.h"
#include "roomeq/Exchange.h"

namespace tolmarin {

namespace {

constexpr qint64 kMaxFileBytes = 32 * 1024 * 1024;
constexpr double kLimitDb = 20.0;

QString Q(const char* text) {
    return QString::fromUtf8(text);
}

}  // namespace

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

    m_outcome = new QLabel;
    m_outcome->setWordWrap(true);
    m_outcome->setMinimumHeight(40);
    m_outcome->setTextInteractionFlags(Qt::TextSelectableByMouse);
    grid->addWidget(m_outcome, row++, 0, 1, 5);

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
    connect(m_apply, &QPushButton::clicked, this, &QDialog::accept);
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
        m_outcome->setText(QString::fromStdString(roomeq::FillText(
            m_ui.Text(TextId::RoomEqCopied), {std::to_string(m_channelIndex + 1)})));
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
    return roomeq::ExportText(m_channel.bands, "CH" + std::to_string(m_channelIndex + 1));
}

void RoomEqDialog::ExportToFile() {
    const QString path =
        QFileDialog::getSaveFileName(this, windowTitle(), QString(), QStringLiteral("*.txt"));
    if (path.isEmpty()) {
        return;
    }
    // Written whole or not at all: a failed write leaves an older file as it was.
    QSaveFile file(path);
    const std::string text = ExportedText();
    const bool ok = file.open(QIODevice::WriteOnly) &&
                    file.write(text.data(), static_cast<qint64>(text.size())) ==
                        static_cast<qint64>(text.size()) &&
                    file.commit();
    const TextId said = ok ? TextId::RoomEqCliWrote : TextId::RoomEqCannotWrite;
    m_outcome->setText(
        QString::fromStdString(roomeq::FillText(m_ui.Text(said), {path.toStdString()})));
}

bool RoomEqDialog::ImportFrom(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly) || file.size() > kMaxFileBytes) {
        m_outcome->setText(Q(m_ui.Text(TextId::CliCannotOpenFile)) + QLatin1Char(' ') + path);
        return false;
    }
    const QByteArray bytes = file.readAll();
    const roomeq::ImportOutcome r = roomeq::ImportText(
        std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())),
        m_channel.bands);
    if (!r.ok) {
        m_outcome->setText(path + QStringLiteral(": ") +
                           QString::fromStdString(roomeq::DescribeFailure(r.failure, m_ui)));
        return false;
    }
    std::string report =
        roomeq::FillText(m_ui.Text(TextId::RoomEqImported), {std::to_string(r.imported)});
    for (const roomeq::ImportNote& note : r.notes) {
        report += "\n" + roomeq::DescribeNote(note, m_ui);
    }
    m_outcome->setText(QString::fromStdString(report));
    m_toApply = r.bands;
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
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly) || file.size() > kMaxFileBytes) {
        m_outcome->setText(Q(m_ui.Text(TextId::CliCannotOpenFile)) + QLatin1Char(' ') + path);
        return std::nullopt;
    }
    const QByteArray bytes = file.readAll();
    const roomeq::ParseOutcome parsed = roomeq::ParseMeasurement(
        std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())));
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
    const auto figure = [](double v) { return QString::number(v, 'f', 2).toStdString(); };
    m_outcome->setText(QString::fromStdString(
        roomeq::FillText(m_ui.Text(TextId::RoomEqRmsBefore), {figure(m_result->rmsBefore)}) + "\n" +
        roomeq::FillText(m_ui.Text(TextId::RoomEqRmsAfter), {figure(m_result->rmsAfter)})));
    m_apply->setEnabled(true);
    return true;
}

}  // namespace tolmarin
