#include "model/ValueText.h"

#include "model/Codec.h"

namespace tolmarin {

std::string VolumeText(int volume) {
    return codec::kVolume.Text(volume, Language::English);
}

std::string OutputOnText(int outputOn, Language language) {
    return codec::kOutputOn.Text(outputOn, language);
}

std::string PolarityText(int polarity, Language language) {
    return codec::kPolarity.Text(polarity, language);
}

double DelayMs(int delay) {
    return codec::kDelay.Display(delay);
}

std::string DelayText(int delay) {
    return codec::kDelay.Text(delay, Language::English);
}

std::string InputText(int inputRoute, int n) {
    const bool on = n >= 1 && n <= 4 && ((inputRoute >> (n - 1)) & 1) != 0;
    return codec::kInput.Text(on ? 1 : 0, Language::English);
}

std::string ThresholdText(int threshold) {
    return codec::kThreshold.Text(threshold, Language::English);
}

std::string AttackText(int attack) {
    return codec::kAttack.Text(attack, Language::English);
}

std::string ReleaseText(int release) {
    return codec::kRelease.Text(release, Language::English);
}

}  // namespace tolmarin
