#include "model/ValueText.h"

#include <cstdio>

#include "text/Texts.h"

namespace tolmarin {

namespace {

template <typename... Args>
std::string Format(const char* format, Args... args) {
    char buffer[64];
    const int n = std::snprintf(buffer, sizeof buffer, format, args...);
    return n < 0 ? std::string() : std::string(buffer, static_cast<std::size_t>(n));
}

}  // namespace

std::string VolumeText(int volume) {
    return Format("%0.0fdB", static_cast<double>(volume / 10 - 60));
}

std::string OutputOnText(int outputOn, int english) {
    return Tr(outputOn != 0 ? TextId::OutputOnValue : TextId::OutputOffValue, english);
}

std::string PolarityText(int polarity, int english) {
    return Tr(polarity != 0 ? TextId::PolarityInvertedValue : TextId::PolarityNormalValue, english);
}

double DelayMs(int delay) {
    if (delay <= 476) {
        return delay * 0.021;
    }
    if (delay == 1467) {
        return 1000.0;
    }
    return (delay - 477) + 10.0;
}

std::string DelayText(int delay) {
    return Format("%0.3fms", DelayMs(delay));
}

std::string InputText(int inputRoute, int n) {
    const bool on = n >= 1 && n <= 4 && ((inputRoute >> (n - 1)) & 1) != 0;
    // The same words in both languages.
    return Tr(on ? TextId::InputOnValue : TextId::InputOffValue, 1);
}

std::string ThresholdText(int threshold) {
    return Format("%0.1fdBu", threshold * 0.1 - 20);
}

std::string AttackText(int attack) {
    if (attack > 6) {
        return Format("%dms", attack - 6);
    }
    return Format("%0.1fms", (attack + 3) * 0.1);
}

std::string ReleaseText(int release) {
    static constexpr TextId kTexts[] = {TextId::ReleaseAtk2,  TextId::ReleaseAtk4,
                                        TextId::ReleaseAtk6,  TextId::ReleaseAtk8,
                                        TextId::ReleaseAtk16, TextId::ReleaseAtk32};
    if (release < 0 || release > 5) {
        return std::string();
    }
    return Tr(kTexts[release], 1);
}

}  // namespace tolmarin
