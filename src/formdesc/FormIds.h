#pragma once

#include "formdesc/Pictures.h"

// Control ids of the main form. They double as the controls' identities in handlers, so a
// band or channel column is found by adding its index to the first id.
namespace tolmarin::form {

// Every kind of control the form has; the value is the control's id, or the first id of a
// column (CH1 then CH2, or bands 0 to 7, one apart).
enum class Control : int {
    // Top bar
    Language = 2900,
    Program = 2901,
    DataView = 2902,
    System = 2903,
    Power = 1237,
    AmpMode = 1229,
    Progress = 2905,
    LinkButton = 2904,
    Graph = 1192,
    // Channel panel, per channel
    LinkCheck = 1240,
    Temperature = 1238,
    Lamp = 1223,
    Mute = 3010,
    Polarity = 3020,
    Sensitivity = 1235,
    ChannelButton = 3000,
    DegreePicture = 9000,  // the degree sign has no id of its own
    HiddenLinkCombo = 3030,
    // Channel sections
    DelayMs = 3050,
    DelayMetres = 3051,
    DelayFeet = 3052,
    HpFamily = 3090,
    HpFreq = 3070,
    HpSlope = 3091,
    LpFamily = 3100,
    LpFreq = 3071,
    LpSlope = 3101,
    Threshold = 3130,
    Attack = 3131,
    Release = 1190,
    Volume = 3133,
    VolumeFader = 1204,
    // Equaliser band columns
    BandType = 3500,
    BandFreq = 3300,
    BandQ = 3350,
    BandGain = 3450,
    BandFader = 3850,
    BandBypass = 3800,
    // The strip below the equaliser (all but Room EQ kept for controls to come)
    PendingCount = 2910,
    Undo = 2911,
    Redo = 2912,
    AbToggle = 2913,
    RoomEq = 2914,
};

// The id of a control; index is its channel or band in a column.
constexpr int IdOf(Control control, int index = 0) {
    return static_cast<int>(control) + index;
}

// Top bar
inline constexpr int kLanguage = IdOf(Control::Language);
inline constexpr int kProgram = IdOf(Control::Program);
inline constexpr int kDataView = IdOf(Control::DataView);
inline constexpr int kSystem = IdOf(Control::System);
inline constexpr int kPower = IdOf(Control::Power);
inline constexpr int kAmpMode = IdOf(Control::AmpMode);
inline constexpr int kProgress = IdOf(Control::Progress);
inline constexpr int kLinkButton = IdOf(Control::LinkButton);
inline constexpr int kGraph = IdOf(Control::Graph);

// Channel panel, CH1 id then CH2 id (+1 unless stated)
inline constexpr int kLinkCheck = IdOf(Control::LinkCheck);
inline constexpr int kTemperature = IdOf(Control::Temperature);
inline constexpr int kLamp = IdOf(Control::Lamp);
inline constexpr int kMute = IdOf(Control::Mute);
inline constexpr int kPolarity = IdOf(Control::Polarity);
inline constexpr int kSensitivity = IdOf(Control::Sensitivity);
inline constexpr int kChannelButton = IdOf(Control::ChannelButton);
inline constexpr int kDegreePicture = IdOf(Control::DegreePicture);
inline constexpr int kHiddenLinkCombo = IdOf(Control::HiddenLinkCombo);

// Channel sections; a field's spin has an id of its own.
inline constexpr int kDelayMs = IdOf(Control::DelayMs);  // 3051 metres, 3052 feet
inline constexpr int kDelaySpin = 3060;
inline constexpr int kHpFamily = IdOf(Control::HpFamily);
inline constexpr int kHpFreq = IdOf(Control::HpFreq);
inline constexpr int kHpSpin = 3080;
inline constexpr int kHpSlope = IdOf(Control::HpSlope);
inline constexpr int kLpFamily = IdOf(Control::LpFamily);
inline constexpr int kLpFreq = IdOf(Control::LpFreq);
inline constexpr int kLpSpin = 3081;
inline constexpr int kLpSlope = IdOf(Control::LpSlope);
inline constexpr int kThreshold = IdOf(Control::Threshold);
inline constexpr int kThresholdSpin = 3140;
inline constexpr int kAttack = IdOf(Control::Attack);
inline constexpr int kAttackSpin = 3141;
inline constexpr int kRelease = IdOf(Control::Release);
inline constexpr int kVolume = IdOf(Control::Volume);
inline constexpr int kVolumeSpin = 3143;
inline constexpr int kVolumeFader = IdOf(Control::VolumeFader);

// Equaliser band columns, + k for band k (0 to 7)
inline constexpr int kBandType = IdOf(Control::BandType);
inline constexpr int kBandFreq = IdOf(Control::BandFreq);
inline constexpr int kBandFreqSpin = 3600;
inline constexpr int kBandQ = IdOf(Control::BandQ);
inline constexpr int kBandQSpin = 3650;
inline constexpr int kBandGain = IdOf(Control::BandGain);
inline constexpr int kBandGainSpin = 3750;
inline constexpr int kBandFader = IdOf(Control::BandFader);
inline constexpr int kBandBypass = IdOf(Control::BandBypass);
inline constexpr int kBandCount = 8;

// The strip below the equaliser
inline constexpr int kRoomEq = IdOf(Control::RoomEq);
inline constexpr int kPendingCount = IdOf(Control::PendingCount);

// Pictures
inline constexpr int kBitmapBackgroundZh = picture::kFormChinese;
inline constexpr int kBitmapBackgroundEn = picture::kFormEnglish;
inline constexpr int kBitmapVolumeTrack = picture::kVolumeTrack;
inline constexpr int kBitmapVolumeThumb = picture::kVolumeThumb;
inline constexpr int kBitmapVolumeThumbActive = picture::kVolumeThumbActive;
inline constexpr int kBitmapGainTrack = picture::kGainTrack;
inline constexpr int kBitmapGainThumbActive = picture::kGainThumbActive;
inline constexpr int kBitmapGainThumb = picture::kGainThumb;
inline constexpr int kBitmapPowerOn = picture::kPowerOn;
inline constexpr int kBitmapPowerOff = picture::kPowerOff;
inline constexpr int kBitmapDegree = picture::kDegreeCelsius;
inline constexpr int kBitmapBypassOff = picture::kBypassOff;
inline constexpr int kBitmapBypassOn = picture::kBypassOn;

// Amplifier modes of the CH1/CH2 pair.
inline constexpr int kModeStereo = 0;
inline constexpr int kModeParallel = 1;
inline constexpr int kModeBridge = 2;

}  // namespace tolmarin::form
