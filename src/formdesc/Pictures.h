#pragma once

#include "formdesc/DialogUnits.h"

// Resource numbers of the pictures. The controls and the form name their pictures by these
// numbers; the artwork draws each one by code the first time it is asked for.
namespace tolmarin::form::picture {

inline constexpr int kFormChinese = 140;
inline constexpr int kFormEnglish = 141;
inline constexpr int kVolumeTrack = 142;
inline constexpr int kVolumeThumb = 143;
inline constexpr int kVolumeThumbActive = 144;
inline constexpr int kGainTrack = 145;
inline constexpr int kGainThumbActive = 147;
inline constexpr int kGainThumb = 148;
// Channel buttons: CH1 at the base number, CH2 one above it.
inline constexpr int kChannelOffChinese = 150;
inline constexpr int kChannelOnChinese = 154;
inline constexpr int kChannelOnEnglish = 158;
inline constexpr int kChannelOffEnglish = 162;
inline constexpr int kPowerOn = 166;
inline constexpr int kPowerOff = 167;
inline constexpr int kDegreeCelsius = 168;
// Band bypass buttons, band k (0..7) at base + k.
inline constexpr int kBypassOff = 3900;
inline constexpr int kBypassOn = 3950;
// Page buttons (language, programs, parameter table, system), page i (0..3) at base + i:
// the normal picture, and the one shown under the pointer and while pressed.
inline constexpr int kPageNormalChinese = 4000;
inline constexpr int kPageHoverChinese = 4100;
inline constexpr int kPageNormalEnglish = 4300;
inline constexpr int kPageHoverEnglish = 4400;
// Link button: off hover, off normal, on hover, on normal.
inline constexpr int kLinkOffHoverChinese = 4200;
inline constexpr int kLinkOffChinese = 4201;
inline constexpr int kLinkOnHoverChinese = 4202;
inline constexpr int kLinkOnChinese = 4203;
inline constexpr int kLinkOffHoverEnglish = 4500;
inline constexpr int kLinkOffEnglish = 4501;
inline constexpr int kLinkOnEnglish = 4502;
inline constexpr int kLinkOnHoverEnglish = 4503;
// Link button while connecting (amber lamp): normal, and under the pointer.
inline constexpr int kLinkConnectingChinese = 4204;
inline constexpr int kLinkConnectingHoverChinese = 4205;
inline constexpr int kLinkConnectingEnglish = 4504;
inline constexpr int kLinkConnectingHoverEnglish = 4505;
// Output (mute) and polarity buttons; "on" is the checked look.
inline constexpr int kOutputOnChinese = 4600;
inline constexpr int kOutputOffChinese = 4601;
inline constexpr int kPolarityNormalChinese = 4602;
inline constexpr int kPolarityInvertedChinese = 4603;
inline constexpr int kOutputOnEnglish = 4610;
inline constexpr int kOutputOffEnglish = 4611;
inline constexpr int kPolarityNormalEnglish = 4612;
inline constexpr int kPolarityInvertedEnglish = 4613;
// Room EQ button of the bottom strip: its normal picture and the one under the pointer.
inline constexpr int kRoomEqChinese = 4700;
inline constexpr int kRoomEqHoverChinese = 4701;
inline constexpr int kRoomEqEnglish = 4710;
inline constexpr int kRoomEqHoverEnglish = 4711;

// Sizes of the pictures that give their control its size (buttons, faders, the degree
// sign): the form places such a control at its picture's size, and the artwork draws them
// at these sizes.
inline constexpr PixelSize kFormSize{980, 700};
inline constexpr PixelSize kVolumeTrackSize{35, 90};
inline constexpr PixelSize kGainTrackSize{45, 115};
inline constexpr PixelSize kTopButtonSize{75, 30};  // 50 dialog units wide, like the controls
inline constexpr PixelSize kPowerButtonSize{48, 30};
inline constexpr PixelSize kChannelButtonSize{76, 22};
inline constexpr PixelSize kSwitchButtonSize{56, 20};
inline constexpr PixelSize kBypassButtonSize{23, 44};  // 15 x 25 dialog units
inline constexpr PixelSize kStripButtonSize{84, 24};   // 56 x 14 dialog units
inline constexpr PixelSize kDegreeSize{12,
                                       14};  // fits the form's 8 x 8 dialog-unit picture control

}  // namespace tolmarin::form::picture
