#include "formdesc/FormDescription.h"

namespace tolmarin::form {

namespace {

namespace pic = picture;
using PictureSet = std::array<int, 6>;

// Heights the template leaves to the control's kind, in dialog units.
constexpr int kFieldHeight = 12;
constexpr int kButtonHeight = 14;
// The link check box is wide enough for its longer (English) label.
constexpr int kLinkCheckWidth = 120;

// A button's on look three times, then its off look.
constexpr PictureSet Looks(int on, int off) {
    return {on, on, on, off, off, off};
}
// A page button: its normal picture, and the other one under the pointer and while pressed.
constexpr PictureSet Hovering(int normal, int hover) {
    return {normal, hover, hover, normal, hover, hover};
}

std::string NameOf(Control control) {
    switch (control) {
        case Control::Language:
            return "language";
        case Control::Program:
            return "program";
        case Control::DataView:
            return "dataView";
        case Control::System:
            return "system";
        case Control::Power:
            return "power";
        case Control::AmpMode:
            return "ampMode";
        case Control::Progress:
            return "progress";
        case Control::LinkButton:
            return "linkButton";
        case Control::Graph:
            return "graph";
        case Control::LinkCheck:
            return "linkCheck";
        case Control::Temperature:
            return "temperature";
        case Control::Lamp:
            return "lamp";
        case Control::Mute:
            return "mute";
        case Control::Polarity:
            return "polarity";
        case Control::Sensitivity:
            return "sensitivity";
        case Control::ChannelButton:
            return "channelButton";
        case Control::DegreePicture:
            return "degreePicture";
        case Control::HiddenLinkCombo:
            return "hiddenLinkCombo";
        case Control::DelayMs:
            return "delayMs";
        case Control::DelayMetres:
            return "delayMetres";
        case Control::DelayFeet:
            return "delayFeet";
        case Control::HpFamily:
            return "hpFamily";
        case Control::HpFreq:
            return "hpFreq";
        case Control::HpSlope:
            return "hpSlope";
        case Control::LpFamily:
            return "lpFamily";
        case Control::LpFreq:
            return "lpFreq";
        case Control::LpSlope:
            return "lpSlope";
        case Control::Threshold:
            return "threshold";
        case Control::Attack:
            return "attack";
        case Control::Release:
            return "release";
        case Control::Volume:
            return "volume";
        case Control::VolumeFader:
            return "volumeFader";
        case Control::BandType:
            return "bandType";
        case Control::BandFreq:
            return "bandFreq";
        case Control::BandQ:
            return "bandQ";
        case Control::BandGain:
            return "bandGain";
        case Control::BandFader:
            return "bandFader";
        case Control::BandBypass:
            return "bandBypass";
        case Control::PendingCount:
            return "pendingCount";
        case Control::Undo:
            return "undo";
        case Control::Redo:
            return "redo";
        case Control::AbToggle:
            return "abToggle";
        case Control::RoomEq:
            return "roomEq";
    }
    return {};
}

// The controls of a column (channels, bands) carry their index; the others none.
bool InColumn(Control control) {
    switch (control) {
        case Control::Temperature:
        case Control::Lamp:
        case Control::Mute:
        case Control::Polarity:
        case Control::Sensitivity:
        case Control::ChannelButton:
        case Control::DegreePicture:
        case Control::HiddenLinkCombo:
        case Control::BandType:
        case Control::BandFreq:
        case Control::BandQ:
        case Control::BandGain:
        case Control::BandFader:
        case Control::BandBypass:
            return true;
        default:
            return false;
    }
}

ControlDef Plain(Control control, int index, ControlKind kind, int x, int y, int w, int h,
                 std::string_view param = {}, bool hidden = false) {
    ControlDef c;
    c.control = control;
    c.index = index;
    c.id = IdOf(control, index);
    c.objectName = NameOf(control);
    if (InColumn(control)) {
        c.objectName += std::to_string(index);
    }
    c.kind = kind;
    c.x = x, c.y = y, c.w = w, c.h = h;
    c.param = param;
    c.hidden = hidden;
    return c;
}

ControlDef Button(Control control, int index, int x, int y, int w, PixelSize size,
                  std::string_view param = {}, bool hidden = false) {
    ControlDef c =
        Plain(control, index, ControlKind::SkinButton, x, y, w, kButtonHeight, param, hidden);
    c.pictureSize = size;
    return c;
}

ControlDef ByLanguage(ControlDef c, PictureSet english, PictureSet chinese) {
    c.bitmapsEn = english;
    c.bitmapsZh = chinese;
    return c;
}

ControlDef Field(Control control, int index, int spin, int x, int y, int w, std::string_view param,
                 FieldUnit unit = FieldUnit::Own) {
    ControlDef c = Plain(control, index, ControlKind::NumField, x, y, w, kFieldHeight, param);
    c.spinId = spin;
    c.unit = unit;
    return c;
}

ControlDef FaderControl(Control control, int index, int x, int y, int w, int h,
                        std::string_view param, int track, int thumb, int active,
                        PixelSize trackSize, int margin) {
    ControlDef c = Plain(control, index, ControlKind::Fader, x, y, w, h, param);
    c.bitmaps = {track, thumb, active, 0, 0, 0};
    c.pictureSize = trackSize;
    c.margin = margin;
    return c;
}

std::vector<ControlDef> Build() {
    std::vector<ControlDef> v;
    // Top bar. The language-dependent pictures are set by the language switch.
    constexpr std::array<Control, 4> kPages{Control::Language, Control::Program, Control::DataView,
                                            Control::System};
    constexpr std::array<int, 4> kPageX{7, 74, 141, 141};
    for (int i = 0; i < 4; ++i) {
        const auto page = static_cast<std::size_t>(i);
        const bool system = kPages[page] == Control::System;  // kept, never shown
        v.push_back(ByLanguage(Button(kPages[page], 0, kPageX[page], system ? 3 : 2, 50,
                                      pic::kTopButtonSize, {}, system),
                               Hovering(pic::kPageNormalEnglish + i, pic::kPageHoverEnglish + i),
                               Hovering(pic::kPageNormalChinese + i, pic::kPageHoverChinese + i)));
    }
    ControlDef power = Button(Control::Power, 0, 325, 2, 50, pic::kPowerButtonSize, "system.power");
    power.bitmaps = Looks(pic::kPowerOn, pic::kPowerOff);
    v.push_back(power);
    v.push_back(
        Plain(Control::AmpMode, 0, ControlKind::DropList, 385, 5, 55, kFieldHeight, "system.mode"));
    v.push_back(Plain(Control::Progress, 0, ControlKind::Progress, 474, 4, 110, 8));
    v.push_back(
        ByLanguage(Button(Control::LinkButton, 0, 592, 2, 50, pic::kTopButtonSize),
                   {pic::kLinkOnEnglish, pic::kLinkOnHoverEnglish, pic::kLinkOnHoverEnglish,
                    pic::kLinkOffEnglish, pic::kLinkOffHoverEnglish, pic::kLinkOffHoverEnglish},
                   {pic::kLinkOnChinese, pic::kLinkOnHoverChinese, pic::kLinkOnHoverChinese,
                    pic::kLinkOffChinese, pic::kLinkOffHoverChinese, pic::kLinkOffHoverChinese}));
    v.push_back(Plain(Control::Graph, 0, ControlKind::Graph, 15, 25, 623, 126));

    // Channel panel: one column per channel, CH2's 64 dialog units right of CH1's.
    v.push_back(Plain(Control::LinkCheck, 0, ControlKind::LinkCheck, 38, 166, kLinkCheckWidth, 10));
    constexpr int kColumn = 64;
    for (int n = 0; n < 2; ++n) {
        const int dx = n * kColumn;
        v.push_back(Plain(Control::Temperature, n, ControlKind::TempLabel, 29 + dx, 182, 20, 9));
        ControlDef degree =
            Plain(Control::DegreePicture, n, ControlKind::Picture, 50 + dx + n, 181, 8, 8);
        degree.bitmaps[0] = pic::kDegreeCelsius;
        degree.pictureSize = pic::kDegreeSize;
        v.push_back(degree);
        v.push_back(Plain(Control::Lamp, n, ControlKind::Lamp, 71 + dx, 184, 6, 55));
        v.push_back(
            ByLanguage(Button(Control::Mute, n, 29 + dx, 195, 28, pic::kSwitchButtonSize, "mute"),
                       Looks(pic::kOutputOnEnglish, pic::kOutputOffEnglish),
                       Looks(pic::kOutputOnChinese, pic::kOutputOffChinese)));
        v.push_back(ByLanguage(Button(Control::Polarity, n, 29 + dx, 210, 28,
                                      pic::kSwitchButtonSize, "polarity", true),
                               Looks(pic::kPolarityInvertedEnglish, pic::kPolarityNormalEnglish),
                               Looks(pic::kPolarityInvertedChinese, pic::kPolarityNormalChinese)));
        v.push_back(Plain(Control::Sensitivity, n, ControlKind::DropList, 25 + dx, 227, 44,
                          kFieldHeight, "system.sensitivity"));
        v.push_back(
            ByLanguage(Button(Control::ChannelButton, n, 16 + dx, 241, 40, pic::kChannelButtonSize),
                       Looks(pic::kChannelOnEnglish + n, pic::kChannelOffEnglish + n),
                       Looks(pic::kChannelOnChinese + n, pic::kChannelOffChinese + n)));
    }
    for (int n = 0; n < 2; ++n) {
        // Two lists of the template that do nothing; kept hidden so that no id is reused.
        v.push_back(Plain(Control::HiddenLinkCombo, n, ControlKind::DropList, 0, 0, 10,
                          kFieldHeight, {}, true));
    }

    // Delay, crossover, limiter and volume sections; rows at y 189, 212, 235.
    constexpr int kRows[3] = {189, 212, 235};
    constexpr Control kDelays[3] = {Control::DelayMs, Control::DelayMetres, Control::DelayFeet};
    constexpr FieldUnit kDelayUnits[3] = {FieldUnit::Own, FieldUnit::Metres, FieldUnit::Feet};
    for (int i = 0; i < 3; ++i) {
        v.push_back(
            Field(kDelays[i], 0, kDelaySpin + i, 286, kRows[i], 48, "delay", kDelayUnits[i]));
    }
    v.push_back(Plain(Control::HpFamily, 0, ControlKind::DropList, 365, kRows[0], 48, kFieldHeight,
                      "hp.family"));
    v.push_back(Field(Control::HpFreq, 0, kHpSpin, 365, kRows[1], 48, "hp.freq"));
    v.push_back(Plain(Control::HpSlope, 0, ControlKind::DropList, 365, kRows[2], 48, kFieldHeight,
                      "hp.slope"));
    v.push_back(Plain(Control::LpFamily, 0, ControlKind::DropList, 422, kRows[0], 48, kFieldHeight,
                      "lp.family"));
    v.push_back(Field(Control::LpFreq, 0, kLpSpin, 422, kRows[1], 48, "lp.freq"));
    v.push_back(Plain(Control::LpSlope, 0, ControlKind::DropList, 422, kRows[2], 48, kFieldHeight,
                      "lp.slope"));
    v.push_back(
        Field(Control::Threshold, 0, kThresholdSpin, 492, kRows[0], 44, "limiter.threshold"));
    v.push_back(Field(Control::Attack, 0, kAttackSpin, 492, kRows[1], 44, "limiter.attack"));
    v.push_back(Plain(Control::Release, 0, ControlKind::DropList, 492, kRows[2], 44, kFieldHeight,
                      "limiter.release"));
    v.push_back(FaderControl(Control::VolumeFader, 0, 592, 178, 23, 51, "volume", pic::kVolumeTrack,
                             pic::kVolumeThumb, pic::kVolumeThumbActive, pic::kVolumeTrackSize,
                             17));
    v.push_back(Field(Control::Volume, 0, kVolumeSpin, 581, 235, 38, "volume"));

    // Equaliser band columns, 77 dialog units apart.
    for (int k = 0; k < kBandCount; ++k) {
        const int x = 50 + 77 * k;
        v.push_back(Plain(Control::BandType, k, ControlKind::DropList, x, 268, 50, kFieldHeight,
                          "band.type"));
        v.push_back(Field(Control::BandFreq, k, kBandFreqSpin + k, x, 282, 50, "band.freq"));
        v.push_back(Field(Control::BandQ, k, kBandQSpin + k, x, 296, 50, "band.width"));
        v.push_back(Field(Control::BandGain, k, kBandGainSpin + k, x, 309, 50, "band.gain"));
        v.push_back(FaderControl(Control::BandFader, k, 70 + 77 * k, 326, 30, 66, "band.gain",
                                 pic::kGainTrack, pic::kGainThumb, pic::kGainThumbActive,
                                 pic::kGainTrackSize, 25));
        ControlDef bypass = Button(Control::BandBypass, k, 43 + 77 * k, 345, 15,
                                   pic::kBypassButtonSize, "band.bypass");
        bypass.bitmaps = Looks(pic::kBypassOn + k, pic::kBypassOff + k);
        bypass.h = 25;
        v.push_back(bypass);
    }

    // The strip below the equaliser.
    v.push_back(
        ByLanguage(Button(Control::RoomEq, 0, 576, kStripTopDu + 1, 56, pic::kStripButtonSize),
                   Hovering(pic::kRoomEqEnglish, pic::kRoomEqHoverEnglish),
                   Hovering(pic::kRoomEqChinese, pic::kRoomEqHoverChinese)));
    v.push_back(
        Plain(Control::PendingCount, 0, ControlKind::TempLabel, 10, kStripTopDu + 4, 160, 9));
    return v;
}

std::vector<ControlDef> BuildReserved() {
    constexpr int kRowY = kStripTopDu + 1;
    std::vector<ControlDef> v;
    v.push_back(Plain(Control::Undo, 0, ControlKind::SkinButton, 420, kRowY, 40, kButtonHeight));
    v.push_back(Plain(Control::Redo, 0, ControlKind::SkinButton, 464, kRowY, 40, kButtonHeight));
    v.push_back(
        Plain(Control::AbToggle, 0, ControlKind::SkinButton, 520, kRowY, 40, kButtonHeight));
    return v;
}

}  // namespace

const std::vector<ControlDef>& FormControls() {
    static const std::vector<ControlDef> controls = Build();
    return controls;
}

const std::vector<ControlDef>& ReservedControls() {
    static const std::vector<ControlDef> controls = BuildReserved();
    return controls;
}

const ControlDef* FindControl(int id) {
    for (const auto* list : {&FormControls(), &ReservedControls()}) {
        for (const ControlDef& c : *list) {
            if (c.id == id) {
                return &c;
            }
        }
    }
    return nullptr;
}

PixelRect PlacedRect(const ControlDef& control) {
    PixelRect r = FromDialogUnits(control.x, control.y, control.w, control.h);
    if (control.pictureSize.width > 0) {
        r.width = control.pictureSize.width;
        r.height = control.pictureSize.height;
    }
    return r;
}

PixelRect StripRect() {
    return {0, kFormHeight, kFormWidth, kStripHeight};
}

}  // namespace tolmarin::form
