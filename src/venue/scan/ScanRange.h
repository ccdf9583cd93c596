#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// What a scan covers: a range or block of IPv4 addresses at one port. Plain C++, so the
// reader of what the user typed can be fuzzed on its own.

namespace tolmarin::venue {

// The most addresses one scan covers, and so the largest block (/22) it takes.
inline constexpr std::uint32_t kMaxScanAddresses = 1024;

// Why a text is not a range to scan. The detail of the result holds the part it is about.
enum class ScanRangeFault {
    None,
    Empty,         // nothing given
    NotAnAddress,  // not four numbers from 0 to 255 with dots
    Name,          // a host name: a scan resolves no names
    Ipv6,          // an IPv6 address: the amplifiers' network is IPv4
    BadPrefix,     // a block size that is not /0 to /32
    Reversed,      // the range's end before its start
    TooMany,       // more than kMaxScanAddresses
    BadPort,       // not a port from 1 to 65535
};

struct ScanRange {
    std::uint32_t first = 0;  // in host order, inclusive
    std::uint32_t last = 0;
    bool block = false;  // given as a CIDR block: its network and broadcast address are no hosts
    int prefix = 32;     // the block's size, when block
    int port = 0;

    std::uint32_t Count() const { return last - first + 1; }
};

struct ScanRangeResult {
    ScanRangeFault fault = ScanRangeFault::None;
    ScanRange range;      // when fault is None
    std::string detail;   // the offending part of the text; for TooMany the count
    std::string detail2;  // Reversed: the end; TooMany: the text of the whole range
    bool Ok() const { return fault == ScanRangeFault::None; }
};

// Reads "a.b.c.d", "a.b.c.d-e", "a.b.c.d-a.b.c.e" or "a.b.c.d/n", each with an optional
// ":port" after it (defaultPort otherwise). Blanks around the parts are allowed. A block's
// address is taken to its network ("192.168.1.7/24" is 192.168.1.0 to .255).
ScanRangeResult ParseScanRange(std::string_view text, int defaultPort);

// One address at one port, as the venue already holds it.
struct ScanEndpoint {
    std::uint32_t address = 0;  // host order
    int port = 0;
    bool operator==(const ScanEndpoint&) const = default;
};

// The addresses to probe, in order: a block's network and broadcast address left out (a /31
// and a /32 have none), and every address the venue already holds at this port.
std::vector<std::uint32_t> ScanAddresses(const ScanRange& range,
                                         const std::vector<ScanEndpoint>& known);

// "a.b.c.d" of an address in host order.
std::string Ipv4Text(std::uint32_t address);

}  // namespace tolmarin::venue
