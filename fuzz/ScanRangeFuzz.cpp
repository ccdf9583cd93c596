// Fuzzes the reader of a scan's range as typed. A range accepted must be one a scan can
// take (the end not before the start, at most 1,024 addresses, a port from 1 to 65535) and
// read back the same when written out again; a refusal must quote a part of the text; the
// addresses left to probe lie in the range; any sanitizer report is a crash.

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "venue/scan/ScanRange.h"

namespace {

using namespace tolmarin::venue;

void CheckAt(bool ok, int line) {
    if (!ok) {
        std::fprintf(stderr, "property at line %d does not hold\n", line);
        std::abort();
    }
}
#define Check(ok) CheckAt((ok), __LINE__)

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    const ScanRangeResult r = ParseScanRange(text, 8899);
    if (!r.Ok()) {
        Check(r.fault != ScanRangeFault::None);
        const bool quotes = r.fault != ScanRangeFault::Empty &&
                            r.fault != ScanRangeFault::Reversed &&
                            r.fault != ScanRangeFault::TooMany;
        if (quotes) {
            Check(text.find(r.detail) != std::string::npos);
        }
        return 0;
    }
    const ScanRange& g = r.range;
    Check(g.first <= g.last);
    Check(g.Count() >= 1 && g.Count() <= kMaxScanAddresses);
    Check(g.port >= 1 && g.port <= 65535);
    const auto addresses = ScanAddresses(g, {});
    Check(addresses.size() <= g.Count());
    for (const std::uint32_t a : addresses) {
        Check(a >= g.first && a <= g.last);
    }
    const std::string again =
        Ipv4Text(g.first) + "-" + Ipv4Text(g.last) + ":" + std::to_string(g.port);
    const ScanRangeResult back = ParseScanRange(again, 1);
    Check(back.Ok() && back.range.first == g.first && back.range.last == g.last &&
          back.range.port == g.port);
    return 0;
}
