#pragma once

// Control ids of the main form. They double as the controls' identities in handlers, so a
// band or channel column is found by adding its index to the first id.
namespace tolmarin::form {

// Top bar
inline constexpr int kLanguage = 2900;
inline constexpr int kProgram = 2901;
inline constexpr int kDataView = 2902;
inline constexpr int kSystem = 2903;
inline constexpr int kPower = 1237;
inline constexpr int kAmpMode = 1229;
inline constexpr int kProgress = 2905;
inline constexpr int kLinkButton = 2904;
inline constexpr int kGraph = 1192;

// Channel panel, CH1 id then CH2 id (+1 unless stated)
inline constexpr int kLinkCheck = 1240;
inline constexpr int kTemperature = 1238;
inline constexpr int kLamp = 1223;
inline constexpr int kMute = 3010;
inline constexpr int kPolarity = 3020;
inline constexpr int kSensitivity = 1235;
inline constexpr int kChannelButton = 3000;
inline constexpr int kDegreePicture = 9000;  // the degree sign has no id of its own
inline constexpr int kHiddenLinkCombo = 3030;

// Channel sections
inline constexpr int kDelayMs = 3050;  // 3051 metres, 3052 feet
inline constexpr int kDelaySpin = 3060;
inline constexpr int kHpFamily = 3090;
inline constexpr int kHpFreq = 3070;
inline constexpr int kHpSpin = 3080;
inline constexpr int kHpSlope = 3091;
inline constexpr int kLpFamily = 3100;
inline constexpr int kLpFreq = 3071;
inline constexpr int kLpSpin = 3081;
inline constexpr int kLpSlope = 3101;
inline constexpr int kThreshold = 3130;
inline constexpr int kThresholdSpin = 3140;
inline constexpr int kAttack = 3131;
inline constexpr int kAttackSpin = 3141;
inline constexpr int kRelease = 1190;
inline constexpr int kVolume = 3133;
inline constexpr int kVolumeSpin = 3143;
inline constexpr int kVolumeFader = 1204;

// Equaliser band columns, + k for band k (0 to 7)
inline constexpr int kBandType = 3500;
inline constexpr int kBandFreq = 3300;
inline constexpr int kBandFreqSpin = 3600;
inline constexpr int kBandQ = 3350;
inline constexpr int kBandQSpin = 3650;
inline constexpr int kBandGain = 3450;
inline constexpr int kBandGainSpin = 3750;
inline constexpr int kBandFader = 3850;
inline constexpr int kBandBypass = 3800;
inline constexpr int kBandCount = 8;

// Pictures
inline constexpr int kBitmapBackgroundZh = 140;
inline constexpr int kBitmapBackgroundEn = 141;
inline constexpr int kBitmapVolumeTrack = 142;
inline constexpr int kBitmapVolumeThumb = 143;
inline constexpr int kBitmapVolumeThumbActive = 144;
inline constexpr int kBitmapGainTrack = 145;
inline constexpr int kBitmapGainThumbActive = 147;
inline constexpr int kBitmapGainThumb = 148;
inline constexpr int kBitmapPowerOn = 166;
inline constexpr int kBitmapPowerOff = 167;
inline constexpr int kBitmapDegree = 168;
inline constexpr int kBitmapBypassOff = 3900;
inline constexpr int kBitmapBypassOn = 3950;

// Band kinds (the type list's positions) and the shelf frequency limits they impose.
inline constexpr int kKindPeaking = 0;
inline constexpr int kShelfSplitHz = 2000;
inline constexpr int kMinFreqHz = 20;
inline constexpr int kMaxFreqHz = 20000;

// Amplifier modes of the CH1/CH2 pair.
inline constexpr int kModeStereo = 0;
inline constexpr int kModeParallel = 1;
inline constexpr int kModeBridge = 2;

}  // namespace tolmarin::form
