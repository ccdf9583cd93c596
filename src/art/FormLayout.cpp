#include "art/FormLayout.h"

#include <QFontMetricsF>
#include <algorithm>
#include <cmath>

#include "art/Painting.h"
#include "art/Pieces.h"

namespace tolmarin::art {

namespace {

constexpr int kBands = form::kBandCount;
constexpr qreal kLabelGap = 6.0;    // between a label and the field it names, beside it
constexpr qreal kLabelRaise = 2.0;  // between a label and the field below it
constexpr qreal kTitleHeight = 16.0;

QRectF RectOf(int id) {
    const form::ControlDef* control = form::FindControl(id);
    return control != nullptr ? ControlRect(*control) : QRectF();
}

QSizeF Extent(const QString& text, TextRole role) {
    const QFontMetricsF metrics(FontFor(role));
    return {metrics.horizontalAdvance(text), metrics.height()};
}

FormText Above(int id, const QString& text) {
    const QRectF field = RectOf(id);
    const QSizeF size = Extent(text, TextRole::FieldLabel);
    return {QRectF(field.center().x() - size.width() / 2, field.top() - kLabelRaise - size.height(),
                   size.width(), size.height()),
            text, TextRole::FieldLabel};
}

FormText LeftOf(int id, const QString& text) {
    const QRectF field = RectOf(id);
    const QSizeF size = Extent(text, TextRole::FieldLabel);
    return {QRectF(field.left() - kLabelGap - size.width(), field.center().y() - size.height() / 2,
                   size.width(), size.height()),
            text, TextRole::FieldLabel};
}

FormText Centred(QPointF centre, const QString& text, TextRole role) {
    const QSizeF size = Extent(text, role);
    return {QRectF(centre.x() - size.width() / 2, centre.y() - size.height() / 2, size.width(),
                   size.height()),
            text, role};
}

FormText Title(const FormSection& section, const QString& text) {
    const QSizeF size = Extent(text, TextRole::SectionTitle);
    return {
        QRectF(section.frame.left() + 12, section.frame.top() + (kTitleHeight - size.height()) / 2,
               size.width(), size.height()),
        text, TextRole::SectionTitle};
}

}  // namespace

QRectF ControlRect(const form::ControlDef& control) {
    const form::PixelRect r = form::PlacedRect(control);
    return {qreal(r.x), qreal(r.y), qreal(r.width), qreal(r.height)};
}

QFont FontFor(TextRole role) {
    switch (role) {
        case TextRole::Brand:
            return ArtFont(15, Weight::Bold);
        case TextRole::TopBarLabel:
            return ArtFont(11);
        case TextRole::SectionTitle:
            return ArtFont(12, Weight::Bold);
        case TextRole::ColumnTitle:
            return ArtFont(11, Weight::Bold);
        case TextRole::Scale:
            return ArtFont(9);
        case TextRole::FieldLabel:
            break;
    }
    return ArtFont(12);
}

BackgroundLayout LayoutBackground(bool english) {
    BackgroundLayout l;
    l.topBar = QRectF(0, 0, kFormSize.width(), 38);
    l.graphFrame = QRectF(10, 40, 960, 228);

    const FormSection channels{QRectF(10, 274, 222, 174), kTitleHeight};
    const FormSection delay{QRectF(242, 274, 285, 170), kTitleHeight};
    const FormSection xover{QRectF(537, 274, 179, 170), kTitleHeight};
    const FormSection limit{QRectF(726, 274, 92, 170), kTitleHeight};
    const FormSection volume{QRectF(828, 274, 142, 170), kTitleHeight};
    const FormSection eq{QRectF(10, 452, 960, 240), kTitleHeight};
    l.sections = {channels, delay, xover, limit, volume, eq};

    auto& t = l.texts;
    // Top bar: the product between the page buttons and the power switch.
    const qreal brandX = (RectOf(form::kDataView).right() + RectOf(form::kPower).left()) / 2;
    t.push_back(Centred({brandX, 12}, QStringLiteral("TOLMARIN"), TextRole::Brand));
    t.push_back(Centred({brandX, 29}, ArtText(TextId::ArtProduct, english), TextRole::TopBarLabel));
    {
        FormText mode = LeftOf(form::kAmpMode, ArtText(TextId::ArtMode, english));
        mode.role = TextRole::TopBarLabel;
        t.push_back(mode);
    }

    t.push_back(Title(channels, ArtText(TextId::ArtChannels, english)));
    t.push_back(Title(delay, ArtText(TextId::ArtDelay, english)));
    t.push_back(Title(xover, ArtText(TextId::ArtCrossover, english)));
    t.push_back(Title(limit, ArtText(TextId::ArtLimiter, english)));
    t.push_back(Title(volume, ArtText(TextId::ArtVolume, english)));
    t.push_back(Title(eq, ArtText(TextId::ArtEq, english)));

    t.push_back(LeftOf(form::kDelayMs, ArtText(TextId::ArtDelayMs, english)));
    t.push_back(
        LeftOf(form::IdOf(form::Control::DelayMetres), ArtText(TextId::ArtDistanceM, english)));
    t.push_back(
        LeftOf(form::IdOf(form::Control::DelayFeet), ArtText(TextId::ArtDistanceFt, english)));

    t.push_back(Above(form::kHpFamily, ArtText(TextId::ArtHighPassType, english)));
    t.push_back(Above(form::kLpFamily, ArtText(TextId::ArtLowPassType, english)));
    for (int id : {form::kHpFreq, form::kLpFreq}) {
        t.push_back(Above(id, ArtText(TextId::ArtFreqHz, english)));
    }
    for (int id : {form::kHpSlope, form::kLpSlope}) {
        t.push_back(Above(id, ArtText(TextId::ArtSlope, english)));
    }

    t.push_back(Above(form::kThreshold, ArtText(TextId::ArtThreshold, english)));
    t.push_back(Above(form::kAttack, ArtText(TextId::ArtAttack, english)));
    t.push_back(Above(form::kRelease, ArtText(TextId::ArtRelease, english)));

    t.push_back(LeftOf(form::kVolume, QStringLiteral("dB")));
    t.push_back(Above(form::kVolumeFader, ArtText(TextId::ArtLevelDb, english)));
    // The volume track is too narrow for its numbers: they stand beside its ticks.
    const QRectF volumeFader = RectOf(form::kVolumeFader);
    for (int position : {0, 20, 40, 60}) {
        const QString value = QString::number(-position);
        const QSizeF size = Extent(value, TextRole::Scale);
        t.push_back({QRectF(volumeFader.left() - 2 - size.width(),
                            volumeFader.top() + kVolumeTravel.CentreY(position) - size.height() / 2,
                            size.width(), size.height()),
                     value, TextRole::Scale});
    }

    t.push_back(LeftOf(form::kBandType, ArtText(TextId::ArtBandType, english)));
    t.push_back(LeftOf(form::kBandFreq, ArtText(TextId::ArtFreqHz, english)));
    t.push_back(LeftOf(form::kBandQ, ArtText(TextId::ArtBandwidth, english)));
    t.push_back(LeftOf(form::kBandGain, ArtText(TextId::ArtGainDb, english)));
    const qreal titleY = eq.frame.top() + kTitleHeight / 2;
    for (int k = 0; k < kBands; ++k) {
        const QRectF column = RectOf(form::kBandType + k);
        t.push_back(
            Centred({column.center().x(), titleY},
                    QStringLiteral("%1 %2").arg(ArtText(TextId::ArtBand, english)).arg(k + 1),
                    TextRole::ColumnTitle));
        t.push_back(Above(form::kBandBypass + k, ArtText(TextId::ArtFlat, english)));
        // Dividers halfway between this band's fader and the next band's bypass button.
        if (k + 1 < kBands) {
            const qreal x =
                (RectOf(form::kBandFader + k).right() + RectOf(form::kBandBypass + k + 1).left()) /
                2;
            l.bandDividers.push_back(std::floor(x) + 0.5);
        }
    }
    l.bandArea =
        QRectF(0, eq.frame.top() + kTitleHeight + 4, 0, eq.frame.height() - kTitleHeight - 10);
    return l;
}

}  // namespace tolmarin::art
