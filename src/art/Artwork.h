#pragma once

#include <QPixmap>
#include <span>

namespace tolmarin::art {

// Resource numbers of the pictures. The controls and the form name their pictures by
// these numbers; the artwork draws each one by code the first time it is asked for.
namespace id {
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
// Output (mute) and polarity buttons; "on" is the checked look.
inline constexpr int kOutputOnChinese = 4600;
inline constexpr int kOutputOffChinese = 4601;
inline constexpr int kPolarityNormalChinese = 4602;
inline constexpr int kPolarityInvertedChinese = 4603;
inline constexpr int kOutputOnEnglish = 4610;
inline constexpr int kOutputOffEnglish = 4611;
inline constexpr int kPolarityNormalEnglish = 4612;
inline constexpr int kPolarityInvertedEnglish = 4613;
}  // namespace id

// The picture with the given resource number, drawn once and then served from a cache.
// Pictures have a device pixel ratio of 1 whatever the screen. Unknown ids give a null
// pixmap. Needs a QGuiApplication.
QPixmap Bitmap(int id);

// Every resource number Bitmap() knows, in ascending order.
std::span<const int> KnownBitmaps();

// Makes the Windows face names the program asks for ("Arial", "Times New Roman") resolve to
// their installed metric-compatible twins, with a CJK face behind them. Done once per
// process; Bitmap() does it before it draws, the application may do it at start-up.
void InstallFontSubstitutions();

// The size Bitmap(id) has, or an empty size for an unknown id (no drawing involved).
QSize BitmapSize(int id);

}  // namespace tolmarin::art
