#include "editor/form/FormLayout.h"

#include <cmath>

#include "editor/form/FormIds.h"

namespace tolmarin::form {

namespace {

constexpr double kDuX = 1.5;
constexpr double kDuY = 1.75;
// Heights the template leaves to the control's kind, in dialog units.
constexpr int kFieldHeight = 12;
constexpr int kButtonHeight = 14;

ControlDef Button(int id, int x, int y, int w, std::array<int, 6> pictures = {},
                  bool hidden = false) {
    ControlDef c;
    c.id = id;
    c.kind = ControlKind::SkinButton;
    c.x = x, c.y = y, c.w = w, c.h = kButtonHeight;
    c.bitmaps = pictures;
    c.hidden = hidden;
    return c;
}

ControlDef Plain(int id, ControlKind kind, int x, int y, int w, int h, bool hidden = false) {
    ControlDef c;
    c.id = id;
    c.kind = kind;
    c.x = x, c.y = y, c.w = w, c.h = h;
    c.hidden = hidden;
    return c;
}

ControlDef Field(int id, int spin, int x, int y, int w, int unitKind, int min, int max,
                 double step = 0.0, double offset = 0.0) {
    ControlDef c = Plain(id, ControlKind::NumField, x, y, w, kFieldHeight);
    c.spinId = spin;
    c.unitKind = unitKind;
    c.min = min, c.max = max;
    c.step = step, c.offset = offset;
    return c;
}

ControlDef FaderControl(int id, int x, int y, int w, int h, int max, int track, int thumb,
                        int active, int margin) {
    ControlDef c = Plain(id, ControlKind::Fader, x, y, w, h);
    c.min = 0, c.max = max;
    c.bitmaps = {track, thumb, active, 0, 0, 0};
    c.margin = margin;
    return c;
}

std::vector<ControlDef> Build() {
    std::vector<ControlDef> v;
    // Top bar. The language-dependent pictures are set by the language switch.
    v.push_back(Button(kLanguage, 7, 2, 50));
    v.push_back(Button(kProgram, 74, 2, 50));
    v.push_back(Button(kDataView, 141, 2, 50));
    v.push_back(Button(kSystem, 141, 3, 50, {}, true));
    v.push_back(Button(kPower, 325, 2, 50,
                       {kBitmapPowerOn, kBitmapPowerOn, kBitmapPowerOn, kBitmapPowerOff,
                        kBitmapPowerOff, kBitmapPowerOff}));
    v.push_back(Plain(kAmpMode, ControlKind::DropList, 385, 5, 55, kFieldHeight));
    v.push_back(Plain(kProgress, ControlKind::Progress, 474, 4, 110, 8));
    v.push_back(Button(kLinkButton, 592, 2, 50));
    v.push_back(Plain(kGraph, ControlKind::Graph, 15, 25, 623, 126));

    // Channel panel: one column per channel, CH2's 64 dialog units right of CH1's.
    v.push_back(Plain(kLinkCheck, ControlKind::LinkCheck, 38, 166, 97, 10));
    constexpr int kColumn = 64;
    for (int n = 0; n < 2; ++n) {
        const int dx = n * kColumn;
        v.push_back(Plain(kTemperature + n, ControlKind::TempLabel, 29 + dx, 182, 20, 9));
        ControlDef degree = Plain(kDegreePicture + n, ControlKind::Picture, 50 + dx + n, 181, 8, 8);
        degree.bitmaps[0] = kBitmapDegree;
        v.push_back(degree);
        v.push_back(Plain(kLamp + n, ControlKind::Lamp, 71 + dx, 184, 6, 55));
        v.push_back(Button(kMute + n, 29 + dx, 195, 28));
        v.push_back(Button(kPolarity + n, 29 + dx, 210, 28, {}, true));
        v.push_back(Plain(kSensitivity + n, ControlKind::DropList, 25 + dx, 227, 44, kFieldHeight));
        v.push_back(Button(kChannelButton + n, 16 + dx, 241, 40));
    }
    v.push_back(Plain(kHiddenLinkCombo, ControlKind::DropList, 0, 0, 10, kFieldHeight, true));
    v.push_back(Plain(kHiddenLinkCombo + 1, ControlKind::DropList, 0, 0, 10, kFieldHeight, true));

    // Delay, crossover, limiter and volume sections; rows at y 189, 212, 235.
    constexpr int kRows[3] = {189, 212, 235};
    constexpr int kDelayMax = 1467;
    for (int i = 0; i < 3; ++i) {
        // Unit kinds 0, 1, 2: milliseconds, metres, feet.
        v.push_back(Field(kDelayMs + i, kDelaySpin + i, 286, kRows[i], 48, i, 0, kDelayMax));
    }
    constexpr int kFreqKind = 4;
    v.push_back(Plain(kHpFamily, ControlKind::ComboEdit, 365, kRows[0], 48, kFieldHeight));
    v.push_back(Field(kHpFreq, kHpSpin, 365, kRows[1], 48, kFreqKind, kMinFreqHz, kMaxFreqHz));
    v.push_back(Plain(kHpSlope, ControlKind::DropList, 365, kRows[2], 48, kFieldHeight));
    v.push_back(Plain(kLpFamily, ControlKind::ComboEdit, 422, kRows[0], 48, kFieldHeight));
    v.push_back(Field(kLpFreq, kLpSpin, 422, kRows[1], 48, kFreqKind, kMinFreqHz, kMaxFreqHz));
    v.push_back(Plain(kLpSlope, ControlKind::DropList, 422, kRows[2], 48, kFieldHeight));
    v.push_back(Field(kThreshold, kThresholdSpin, 492, kRows[0], 44, 3, 0, 400, 0.1));
    v.push_back(Field(kAttack, kAttackSpin, 492, kRows[1], 44, 5, 0, 106));
    v.push_back(Plain(kRelease, ControlKind::DropList, 492, kRows[2], 44, kFieldHeight));
    v.push_back(FaderControl(kVolumeFader, 592, 178, 23, 51, 60, kBitmapVolumeTrack,
                             kBitmapVolumeThumb, kBitmapVolumeThumbActive, 17));
    v.push_back(Field(kVolume, kVolumeSpin, 581, 235, 38, 25, 0, 60, 1.0, 60.0));

    // Equaliser band columns, 77 dialog units apart.
    for (int k = 0; k < kBandCount; ++k) {
        const int x = 50 + 77 * k;
        v.push_back(Plain(kBandType + k, ControlKind::DropList, x, 268, 50, kFieldHeight));
        v.push_back(
            Field(kBandFreq + k, kBandFreqSpin + k, x, 282, 50, kFreqKind, kMinFreqHz, kMaxFreqHz));
        v.push_back(Field(kBandQ + k, kBandQSpin + k, x, 296, 50, 11, 0, 59, 0.05));
        v.push_back(Field(kBandGain + k, kBandGainSpin + k, x, 309, 50, 10, 0, 400, 0.1, 20.0));
        v.push_back(FaderControl(kBandFader + k, 70 + 77 * k, 326, 30, 66, 400, kBitmapGainTrack,
                                 kBitmapGainThumb, kBitmapGainThumbActive, 25));
        ControlDef bypass =
            Button(kBandBypass + k, 43 + 77 * k, 345, 15,
                   {kBitmapBypassOn + k, kBitmapBypassOn + k, kBitmapBypassOn + k,
                    kBitmapBypassOff + k, kBitmapBypassOff + k, kBitmapBypassOff + k});
        bypass.h = 25;
        v.push_back(bypass);
    }
    return v;
}

}  // namespace

QRect DialogRect(int x, int y, int w, int h) {
    const int left = static_cast<int>(std::lround(x * kDuX));
    const int top = static_cast<int>(std::lround(y * kDuY));
    const int right = static_cast<int>(std::lround((x + w) * kDuX));
    const int bottom = static_cast<int>(std::lround((y + h) * kDuY));
    return QRect(left, top, right - left, bottom - top);
}

const std::vector<ControlDef>& FormControls() {
    static const std::vector<ControlDef> controls = Build();
    return controls;
}

}  // namespace tolmarin::form
