#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>

#include "text/Texts.h"

namespace tolmarin::cli {

// The first field of a 656-byte program record that holds a value the amplifier's steps
// cannot hold (for example "CH2 EQ3 gain: 977, expected 0 to 400"), or nothing when every
// field is in range. Bytes the editor never writes (reserved bytes, the spare band slots)
// are not judged.
std::optional<std::string> FirstBadField(std::span<const std::uint8_t> record, const UiState& ui);

}  // namespace tolmarin::cli
