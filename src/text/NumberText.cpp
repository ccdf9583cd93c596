#include "text/NumberText.h"

#include <algorithm>
#include <charconv>

namespace tolmarin {

namespace {

constexpr int kMaxDecimals = 17;
// Room for any double in fixed notation: 309 integer digits, sign, point and decimals.
constexpr int kFixedBufferSize = 340;

}  // namespace

std::string IntText(long long value) {
    char buf[24];
    const auto r = std::to_chars(buf, buf + sizeof buf, value);
    return std::string(buf, r.ptr);
}

std::string FixedText(double value, int decimals) {
    char buf[kFixedBufferSize];
    const auto r = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::fixed,
                                 std::clamp(decimals, 0, kMaxDecimals));
    return r.ec == std::errc{} ? std::string(buf, r.ptr) : std::string();
}

}  // namespace tolmarin
