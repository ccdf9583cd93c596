#include "art/FormLayout.h"

#include <QFontMetricsF>
#include <algorithm>
#include <array>
#include <cmath>

#include "art/Painting.h"
#include "art/Pieces.h"

namespace tolmarin::art {

namespace {

constexpr double kFieldHeightDu = 12.0;  // a single-line edit, spin or closed list
constexpr int kBands = 8;
constexpr double kBandPitchDu = 77.0;
constexpr qreal kLabelGap = 6.0;    // between a label and the field it names, beside it
constexpr qreal kLabelRaise = 2.0;  // between a label and the field below it
constexpr qreal kTitleHeight = 16.0;

// Field-like control of the template: position and width in dialog units.
FormControl Field(int id, double x, double y, double w, double h = kFieldHeightDu,
                  bool hidden = false) {
    return {id, FromDialogUnits(x, y, w, h), hidden};
}

// Picture control: position in dialog units, size of its picture.
FormControl Picture(int id, double x, double y, QSize size, bool hidden = false) {
    const QRectF at = FromDialogUnits(x, y, 0, 0);
    return {id, QRectF(at.topLeft(), QSizeF(size)), hidden};
}

std::vector<FormControl> BuildControls() {
    std::vector<FormControl> c;
    // Top bar.
    c.push_back(Picture(2900, 7, 2, kTopButtonSize));
    c.push_back(Picture(2901, 74, 2, kTopButtonSize));
    c.push_back(Picture(2902, 141, 2, kTopButtonSize));
    c.push_back(Picture(2903, 141, 3, kTopButtonSize, true));
    c.push_back(Picture(1237, 325, 2, kPowerButtonSize));
    c.push_back(Field(1229, 385, 5, 55));
    c.push_back(Field(2905, 474, 4, 110));
    c.push_back(Picture(2904, 592, 2, kTopButtonSize));
    // Response graph.
    c.push_back(Field(1192, 15, 25, 623, 126));
    // Channel panel, CH1 then CH2 one column further.
    c.push_back(Field(1240, 38, 166, 97, 10));
    constexpr double kColumnDu = 64.0;
    constexpr std::array<double, 2> kDegreeXDu{50, 115};
    for (int ch = 0; ch < 2; ++ch) {
        const double dx = kColumnDu * ch;
        c.push_back(Field(1238 + ch, 29 + dx, 182, 20, 10));
        c.push_back(Picture(0, kDegreeXDu[ch], 181, kDegreeSize));
        c.push_back(Field(1223 + ch, 71 + dx, 184, 8, 55));
        c.push_back(Picture(3010 + ch, 29 + dx, 195, kSwitchButtonSize));
        c.push_back(Picture(3020 + ch, 29 + dx, 210, kSwitchButtonSize, true));
        c.push_back(Field(1235 + ch, 25 + dx, 227, 44));
        c.push_back(Picture(3000 + ch, 16 + dx, 241, kChannelButtonSize));
    }
    // Delay, crossover, limiter and volume of the shown channel.
    constexpr std::array<double, 3> kRowsDu{189, 212, 235};
    constexpr std::array<std::array<int, 3>, 4> kColumns{
        {{3050, 3051, 3052}, {3090, 3070, 3091}, {3100, 3071, 3101}, {3130, 3131, 1190}}};
    constexpr std::array<double, 4> kColumnXDu{286, 365, 422, 492};
    constexpr std::array<double, 4> kColumnWDu{48, 48, 48, 44};
    for (size_t col = 0; col < kColumns.size(); ++col) {
        for (size_t row = 0; row < kRowsDu.size(); ++row) {
            c.push_back(Field(kColumns[col][row], kColumnXDu[col], kRowsDu[row], kColumnWDu[col]));
        }
    }
    c.push_back(Picture(1204, 592, 178, kVolumeTrackSize));
    c.push_back(Field(3133, 581, 235, 38));
    // Equaliser bands.
    for (int k = 0; k < kBands; ++k) {
        const double x = 50 + kBandPitchDu * k;
        c.push_back(Field(3500 + k, x, 268, 50));
        c.push_back(Field(3300 + k, x, 282, 50));
        c.push_back(Field(3350 + k, x, 296, 50));
        c.push_back(Field(3450 + k, x, 309, 50));
        c.push_back(Picture(3850 + k, 70 + kBandPitchDu * k, 326, kGainTrackSize));
        c.push_back(Picture(3800 + k, 43 + kBandPitchDu * k, 345, kBypassButtonSize));
    }
    return c;
}

QRectF ControlRect(int id) {
    for (const FormControl& c : FormControls()) {
        if (c.id == id) {
            return c.rect;
        }
    }
    return {};
}

QSizeF Extent(const QString& text, TextRole role) {
    const QFontMetricsF metrics(FontFor(role));
    return {metrics.horizontalAdvance(text), metrics.height()};
}

FormText Above(int id, const QString& text) {
    const QRectF field = ControlRect(id);
    const QSizeF size = Extent(text, TextRole::FieldLabel);
    return {QRectF(field.center().x() - size.width() / 2, field.top() - kLabelRaise - size.height(),
                   size.width(), size.height()),
            text, TextRole::FieldLabel};
}

FormText LeftOf(int id, const QString& text) {
    const QRectF field = ControlRect(id);
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

QString T(bool english, const char* en, const char* zh) {
    return QString::fromUtf8(english ? en : zh);
}

}  // namespace

QRectF FromDialogUnits(double x, double y, double width, double height) {
    const double left = std::lround(x * kPixelsPerDialogUnitX);
    const double top = std::lround(y * kPixelsPerDialogUnitY);
    const double right = std::lround((x + width) * kPixelsPerDialogUnitX);
    const double bottom = std::lround((y + height) * kPixelsPerDialogUnitY);
    return {left, top, right - left, bottom - top};
}

std::span<const FormControl> FormControls() {
    static const std::vector<FormControl> controls = BuildControls();
    return controls;
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
    const qreal brandX = (ControlRect(2902).right() + ControlRect(1237).left()) / 2;
    t.push_back(Centred({brandX, 12}, QStringLiteral("TOLMARIN"), TextRole::Brand));
    t.push_back(Centred({brandX, 29}, T(english, "TRV410 DSP AMPLIFIER", "TRV410 数字功放"),
                        TextRole::TopBarLabel));
    {
        FormText mode = LeftOf(1229, T(english, "MODE", "模式"));
        mode.role = TextRole::TopBarLabel;
        t.push_back(mode);
    }

    t.push_back(Title(channels, T(english, "CHANNELS", "通道")));
    t.push_back(Title(delay, T(english, "DELAY", "延时")));
    t.push_back(Title(xover, T(english, "CROSSOVER", "分频器")));
    t.push_back(Title(limit, T(english, "LIMITER", "限幅器")));
    t.push_back(Title(volume, T(english, "VOLUME", "音量")));
    t.push_back(Title(eq, T(english, "EQ", "均衡")));

    t.push_back(LeftOf(3050, T(english, "Delay ms", "延时 ms")));
    t.push_back(LeftOf(3051, T(english, "Distance m", "距离 m")));
    t.push_back(LeftOf(3052, T(english, "Distance ft", "距离 ft")));

    t.push_back(Above(3090, T(english, "HPF type", "高通类型")));
    t.push_back(Above(3100, T(english, "LPF type", "低通类型")));
    for (int id : {3070, 3071}) {
        t.push_back(Above(id, T(english, "Freq Hz", "频率 Hz")));
    }
    for (int id : {3091, 3101}) {
        t.push_back(Above(id, T(english, "Slope dB/oct", "斜率 dB/oct")));
    }

    t.push_back(Above(3130, T(english, "Threshold dBu", "限幅电平 dBu")));
    t.push_back(Above(3131, T(english, "Attack ms", "响应时间 ms")));
    t.push_back(Above(1190, T(english, "Release", "释放时间")));

    t.push_back(LeftOf(3133, QStringLiteral("dB")));
    t.push_back(Above(1204, T(english, "Level dB", "电平 dB")));
    // The volume track is too narrow for its numbers: they stand beside its ticks.
    const QRectF volumeFader = ControlRect(1204);
    for (int position : {0, 20, 40, 60}) {
        const QString value = QString::number(-position);
        const QSizeF size = Extent(value, TextRole::Scale);
        t.push_back({QRectF(volumeFader.right() + 2,
                            volumeFader.top() + kVolumeTravel.CentreY(position) - size.height() / 2,
                            size.width(), size.height()),
                     value, TextRole::Scale});
    }

    t.push_back(LeftOf(3500, T(english, "Type", "类型")));
    t.push_back(LeftOf(3300, T(english, "Freq Hz", "频率 Hz")));
    t.push_back(LeftOf(3350, T(english, "Bw/Q", "带宽 Q")));
    t.push_back(LeftOf(3450, T(english, "Gain dB", "增益 dB")));
    const qreal titleY = eq.frame.top() + kTitleHeight / 2;
    for (int k = 0; k < kBands; ++k) {
        const QRectF column = ControlRect(3500 + k);
        t.push_back(
            Centred({column.center().x(), titleY},
                    (english ? QStringLiteral("BAND %1") : QString::fromUtf8("频段 %1")).arg(k + 1),
                    TextRole::ColumnTitle));
        t.push_back(Above(3800 + k, T(english, "FLAT", "直通")));
        // Dividers halfway between this band's fader and the next band's bypass button.
        if (k + 1 < kBands) {
            const qreal x = (ControlRect(3850 + k).right() + ControlRect(3800 + k + 1).left()) / 2;
            l.bandDividers.push_back(std::floor(x) + 0.5);
        }
    }
    l.bandArea =
        QRectF(0, eq.frame.top() + kTitleHeight + 4, 0, eq.frame.height() - kTitleHeight - 10);
    return l;
}

}  // namespace tolmarin::art
