#pragma once

#include <string>

#include "text/NumberText.h"  // IntText, FixedText: the one number formatter
#include "text/Texts.h"

namespace tolmarin {

// Display texts of the channel-level values, in the amplifier's step encodings. Used by the
// parameter table.

// Whole dB below full scale: "0dB" for 600, "-60dB" for 0 (tenths are dropped first).
std::string VolumeText(int volume);
std::string OutputOnText(int outputOn, Language language);
std::string PolarityText(int polarity, Language language);
// Delay step to milliseconds: 0.021 ms steps up to 476, then whole ms from 10 ms.
double DelayMs(int delay);
std::string DelayText(int delay);
// n is the amplifier input 1 to 4; any other n reads as a cleared bit.
std::string InputText(int inputRoute, int n);
std::string ThresholdText(int threshold);
std::string AttackText(int attack);
// Empty for an index outside 0 to 5.
std::string ReleaseText(int release);

}  // namespace tolmarin
