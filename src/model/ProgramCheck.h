#pragma once

#include <optional>
#include <span>
#include <string>

#include "protocol/Protocol.h"
#include "text/Texts.h"

namespace tolmarin {

// The first value of a program record the amplifier cannot take.
struct ProgramFault {
    int channel = -1;  // 0 to 3, -1 for the program name
    int band = -1;     // 0 to 7 for an equaliser band, else -1
    TextId field = TextId::FieldProgramName;
    int index = -1;  // the character of a name, else -1
    int value = 0;
    int low = 0;  // the range the value must lie in
    int high = 0;
};

// Whether a program record (name and four channel blocks, as in a program file) holds only
// values the amplifier can take: every step in its range, crossover family and slope,
// band type and shelf side, names printable. What the editor itself writes always passes.
// Bytes no part of the system reads (padding, unused band slots) are not judged.
std::optional<ProgramFault> CheckProgram(std::span<const std::uint8_t, kProgramRecordSize> record);

// "CH2 band 3 gain step 512 (0..400)", in the language given .
std::string DescribeFault(const ProgramFault& fault, Language language);

}  // namespace tolmarin
