#include "model/ValueText.h"

#include "model/Parameters.h"

#include "text/NumberText.h"
#include "text/Texts.h"

namespace tolmarin {

std::string VolumeText(int volume) {
    return IntText(volume / 10 - 60) + "dB";
}

std::string OutputOnText(int outputOn, Language language) {
    return Tr(outputOn != 0 ? TextId::OutputOnValue : TextId::OutputOffValue, language);
}

std::string PolarityText(int polarity, Language language) {
    return Tr(polarity != 0 ? TextId::PolarityInvertedValue : TextId::PolarityNormalValue,
              language);
}

double DelayMs(int delay) {
    if (delay < delaystep::kCoarse) {
        return delay * delaystep::kFineMs;
    }
    // The longest step is 1000 ms on this count too.
    return (delay - delaystep::kCoarse) + delaystep::kFirstCoarseMs;
}

std::string DelayText(int delay) {
    return FixedText(DelayMs(delay), 3) + "ms";
}

std::string InputText(int inputRoute, int n) {
    const bool on = n >= 1 && n <= 4 && ((inputRoute >> (n - 1)) & 1) != 0;
    // The same words in both languages.
    return Tr(on ? TextId::InputOnValue : TextId::InputOffValue, Language::English);
}

std::string ThresholdText(int threshold) {
    return FixedText(threshold * 0.1 - 20, 1) + "dBu";
}

std::string AttackText(int attack) {
    if (attack > attackstep::kFine) {
        return IntText(attack - attackstep::kFine) + "ms";
    }
    return FixedText((attack + 3) * 0.1, 1) + "ms";
}

std::string ReleaseText(int release) {
    static constexpr TextId kTexts[] = {TextId::ReleaseAtk2,  TextId::ReleaseAtk4,
                                        TextId::ReleaseAtk6,  TextId::ReleaseAtk8,
                                        TextId::ReleaseAtk16, TextId::ReleaseAtk32};
    if (release < 0 || release > 5) {
        return std::string();
    }
    return Tr(kTexts[release], Language::English);
}

}  // namespace tolmarin
