#include "venue/scan/ScanRange.h"

#include <algorithm>
#include <charconv>
#include <optional>

namespace tolmarin::venue {

namespace {

constexpr int kMaxPort = 65535;

std::string_view Trim(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) {
        s.remove_prefix(1);
    }
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) {
        s.remove_suffix(1);
    }
    return s;
}

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

// A decimal number without sign or leading zero (a leading zero reads as octal elsewhere,
// so it is refused rather than read one of two ways).
std::optional<long> Decimal(std::string_view s, long max) {
    if (s.empty() || s.size() > 6 || !std::all_of(s.begin(), s.end(), IsDigit) ||
        (s.size() > 1 && s[0] == '0')) {
        return std::nullopt;
    }
    long v = 0;
    std::from_chars(s.data(), s.data() + s.size(), v);
    if (v > max) {
        return std::nullopt;
    }
    return v;
}

std::optional<std::uint32_t> DottedQuad(std::string_view s) {
    std::uint32_t v = 0;
    for (int part = 0; part < 4; ++part) {
        const auto dot = s.find('.');
        const std::string_view piece = part < 3 ? s.substr(0, dot) : s;
        if ((part < 3 && dot == std::string_view::npos) ||
            (part == 3 && s.find('.') != std::string_view::npos)) {
            return std::nullopt;
        }
        const auto n = Decimal(piece, 255);
        if (!n) {
            return std::nullopt;
        }
        v = (v << 8) | static_cast<std::uint32_t>(*n);
        if (part < 3) {
            s.remove_prefix(dot + 1);
        }
    }
    return v;
}

bool LooksLikeIpv6(std::string_view s) {
    return s.find('[') != std::string_view::npos || std::count(s.begin(), s.end(), ':') >= 2;
}

bool LooksLikeName(std::string_view s) {
    return std::any_of(s.begin(), s.end(), [](char c) {
        return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_';
    });
}

ScanRangeResult Fault(ScanRangeFault fault, std::string_view detail, std::string detail2 = {}) {
    ScanRangeResult r;
    r.fault = fault;
    r.detail = std::string(detail);
    r.detail2 = std::move(detail2);
    return r;
}

// One address as typed: IPv6 and names told apart from a plain mistake.
ScanRangeResult Address(std::string_view s, std::uint32_t& out) {
    s = Trim(s);
    if (const auto v = DottedQuad(s)) {
        out = *v;
        return {};
    }
    if (LooksLikeIpv6(s)) {
        return Fault(ScanRangeFault::Ipv6, s);
    }
    if (LooksLikeName(s)) {
        return Fault(ScanRangeFault::Name, s);
    }
    return Fault(ScanRangeFault::NotAnAddress, s);
}

}  // namespace

ScanRangeResult ParseScanRange(std::string_view text, int defaultPort) {
    text = Trim(text);
    if (text.empty()) {
        return Fault(ScanRangeFault::Empty, text);
    }
    if (LooksLikeIpv6(text)) {
        return Fault(ScanRangeFault::Ipv6, text);
    }
    ScanRange range;
    range.port = defaultPort;
    std::string_view hosts = text;
    if (const auto colon = text.find(':'); colon != std::string_view::npos) {
        hosts = Trim(text.substr(0, colon));
        const std::string_view port = Trim(text.substr(colon + 1));
        const auto p = Decimal(port, kMaxPort);
        if (!p || *p == 0) {
            return Fault(ScanRangeFault::BadPort, port);
        }
        range.port = static_cast<int>(*p);
    }
    if (const auto slash = hosts.find('/'); slash != std::string_view::npos) {
        std::uint32_t base = 0;
        if (auto r = Address(hosts.substr(0, slash), base); !r.Ok()) {
            return r;
        }
        const std::string_view prefixText = Trim(hosts.substr(slash + 1));
        const auto prefix = Decimal(prefixText, 32);
        if (!prefix) {
            return Fault(ScanRangeFault::BadPrefix, prefixText);
        }
        const std::uint64_t size = std::uint64_t{1} << (32 - *prefix);
        if (size > kMaxScanAddresses) {
            return Fault(ScanRangeFault::TooMany, std::to_string(size), std::string(hosts));
        }
        range.block = true;
        range.prefix = static_cast<int>(*prefix);
        range.first = base & ~static_cast<std::uint32_t>(size - 1);
        range.last = range.first + static_cast<std::uint32_t>(size - 1);
    } else if (const auto dash = hosts.find('-'); dash != std::string_view::npos) {
        if (auto r = Address(hosts.substr(0, dash), range.first); !r.Ok()) {
            return r;
        }
        const std::string_view end = Trim(hosts.substr(dash + 1));
        if (const auto octet = Decimal(end, 255)) {
            range.last = (range.first & 0xFFFFFF00u) | static_cast<std::uint32_t>(*octet);
        } else if (auto r = Address(end, range.last); !r.Ok()) {
            return r;
        }
        if (range.last < range.first) {
            return Fault(ScanRangeFault::Reversed, Ipv4Text(range.first), Ipv4Text(range.last));
        }
        if (range.Count() > kMaxScanAddresses || range.Count() == 0) {
            const std::uint64_t n = std::uint64_t{range.last} - range.first + 1;
            return Fault(ScanRangeFault::TooMany, std::to_string(n), std::string(hosts));
        }
    } else {
        if (auto r = Address(hosts, range.first); !r.Ok()) {
            return r;
        }
        range.last = range.first;
    }
    ScanRangeResult ok;
    ok.range = range;
    return ok;
}

std::vector<std::uint32_t> ScanAddresses(const ScanRange& range,
                                         const std::vector<ScanEndpoint>& known) {
    std::uint32_t first = range.first;
    std::uint32_t last = range.last;
    if (range.block && range.prefix <= 30) {
        ++first;
        --last;
    }
    std::vector<std::uint32_t> out;
    for (std::uint64_t a = first; a <= last; ++a) {
        const ScanEndpoint e{static_cast<std::uint32_t>(a), range.port};
        if (std::find(known.begin(), known.end(), e) == known.end()) {
            out.push_back(e.address);
        }
    }
    return out;
}

std::string Ipv4Text(std::uint32_t address) {
    return std::to_string(address >> 24) + "." + std::to_string((address >> 16) & 0xFF) + "." +
           std::to_string((address >> 8) & 0xFF) + "." + std::to_string(address & 0xFF);
}

}  // namespace tolmarin::venue
