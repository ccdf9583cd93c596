#include "editor/roomeq/RoomEqDialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QFile>
#include <QFileDialog>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace tolmarin {

namespace {

constexpr qint64 kMaxFileBytes = 32 * 1024 * 1024;
constexpr double kLimitDb = 20.0;

QString Q(const char* text) {
    return QString::fromUtf8(text);
}

}  // namespace

RoomEqDialog::RoomEqDialog(const roomeq::ChannelFilters& channel, Language language,
                           QWidget* parent)
    : QDialog(parent), m_channel(channel) {
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

    m_outcome = new QLabel;
    m_outcome->setWordWrap(true);
    m_outcome->setMinimumHeight(40);
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

void RoomEqDialog::SetMeasurementPath(const QString& path) {
    m_measurement->setText(path);
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
    const auto figure = [](double v) { return QString::number(v, 'f', 2).toStdString(); };
    m_outcome->setText(QString::fromStdString(
        roomeq::FillText(m_ui.Text(TextId::RoomEqRmsBefore), {figure(m_result->rmsBefore)}) + "\n" +
        roomeq::FillText(m_ui.Text(TextId::RoomEqRmsAfter), {figure(m_result->rmsAfter)})));
    m_apply->setEnabled(true);
    return true;
}

}  // namespace tolmarin
