#include "sim/SimOptions.h"

#include <algorithm>
#include <charconv>

#include "sim/SimPlatform.h"

namespace tolmarin::sim {

namespace {

constexpr long kMaxCount = 256;

bool ParseInt(const std::string& text, long min, long max, long& out) {
    int base = 10;
    const char* first = text.data();
    const char* last = text.data() + text.size();
    if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
        base = 16;
        first += 2;
    }
    long v = 0;
    const auto [end, ec] = std::from_chars(first, last, v, base);
    if (ec != std::errc() || end != last || first == last || v < min || v > max) {
        return false;
    }
    out = v;
    return true;
}

bool ParseEndpoint(const std::string& text, Endpoint& out, std::string& error) {
    std::string host;
    std::string port;
    if (!text.empty() && text[0] == '[') {
        const auto close = text.find(']');
        if (close == std::string::npos || close + 1 >= text.size() || text[close + 1] != ':') {
            error = "--tcp wants ADDRESS:PORT, e.g. 127.0.0.1:8899 or [::1]:8899";
            return false;
        }
        host = text.substr(1, close - 1);
        port = text.substr(close + 2);
    } else {
        const auto colon = text.rfind(':');
        if (colon == std::string::npos || text.find(':') != colon) {
            error = "--tcp wants ADDRESS:PORT, e.g. 127.0.0.1:8899 or [::1]:8899";
            return false;
        }
        host = text.substr(0, colon);
        port = text.substr(colon + 1);
    }
    if (host == "localhost") {
        host = "127.0.0.1";
    }
    if (!ParseNumericAddress(host)) {
        error = "--tcp: '" + host + "' is not a numeric IP address";
        return false;
    }
    long p = 0;
    if (!ParseInt(port, 0, 65535, p)) {
        error = "--tcp: '" + port + "' is not a port number (0 to 65535)";
        return false;
    }
    out.host = host;
    out.port = static_cast<int>(p);
    return true;
}

// "C" for both stages or "C1,C2", each within what the status byte carries.
bool ParseTemperatures(const std::string& text, std::array<int, 2>& out) {
    constexpr long kLowest = -10;
    constexpr long kHighest = 245;
    const auto comma = text.find(',');
    long a = 0;
    long b = 0;
    if (comma == std::string::npos) {
        if (!ParseInt(text, kLowest, kHighest, a)) {
            return false;
        }
        b = a;
    } else if (!ParseInt(text.substr(0, comma), kLowest, kHighest, a) ||
               !ParseInt(text.substr(comma + 1), kLowest, kHighest, b)) {
        return false;
    }
    out = {static_cast<int>(a), static_cast<int>(b)};
    return true;
}

// The IPv4 address as one number; none for anything else.
std::optional<std::uint32_t> Ipv4Number(const std::string& host) {
    const auto a = ParseNumericAddress(host);
    if (!a || a->v6) {
        return std::nullopt;
    }
    return (std::uint32_t{a->bytes[0]} << 24) | (std::uint32_t{a->bytes[1]} << 16) |
           (std::uint32_t{a->bytes[2]} << 8) | std::uint32_t{a->bytes[3]};
}

}  // namespace

std::string VenueHost(const SimOptions& options, int i) {
    if (!options.tcp) {
        return {};
    }
    if (options.step == SimOptions::Step::Port || i == 0) {
        return options.tcp->host;
    }
    const auto base = Ipv4Number(options.tcp->host);
    if (!base || i < 0 || *base > 0xFFFFFFFFu - static_cast<std::uint32_t>(i)) {
        return {};
    }
    const std::uint32_t v = *base + static_cast<std::uint32_t>(i);
    return std::to_string(v >> 24) + "." + std::to_string((v >> 16) & 0xFF) + "." +
           std::to_string((v >> 8) & 0xFF) + "." + std::to_string(v & 0xFF);
}

bool IsLoopbackAddress(const std::string& host) {
    constexpr std::uint8_t kLoopbackNet = 127;
    const auto a = ParseNumericAddress(host);
    if (!a) {
        return false;
    }
    if (!a->v6) {
        return a->bytes[0] == kLoopbackNet;
    }
    static constexpr std::array<std::uint8_t, 16> kLoop = {0, 0, 0, 0, 0, 0, 0, 0,
                                                           0, 0, 0, 0, 0, 0, 0, 1};
    static constexpr std::array<std::uint8_t, 12> kMapped = {0, 0, 0, 0, 0,    0,
                                                             0, 0, 0, 0, 0xFF, 0xFF};
    return a->bytes == kLoop || (std::equal(kMapped.begin(), kMapped.end(), a->bytes.begin()) &&
                                 a->bytes[12] == kLoopbackNet);
}

std::optional<SimOptions> ParseSimOptions(const std::vector<std::string>& args,
                                          std::string& error) {
    SimOptions o;
    for (std::size_t i = 0; i < args.size(); ++i) {
        std::string name = args[i];
        std::optional<std::string> inlineValue;
        if (const auto eq = name.find('='); name.rfind("--", 0) == 0 && eq != std::string::npos) {
            inlineValue = name.substr(eq + 1);
            name = name.substr(0, eq);
        }
        const auto value = [&](std::string& out) {
            if (inlineValue) {
                out = *inlineValue;
                return true;
            }
            if (i + 1 >= args.size()) {
                error = name + " needs a value";
                return false;
            }
            out = args[++i];
            return true;
        };
        const auto number = [&](long min, long max, long& out) {
            std::string text;
            if (!value(text)) {
                return false;
            }
            if (!ParseInt(text, min, max, out)) {
                error = name + ": '" + text + "' is not a number from " + std::to_string(min) +
                        " to " + std::to_string(max);
                return false;
            }
            return true;
        };
        const auto flag = [&]() {
            if (inlineValue) {
                error = name + " takes no value";
                return false;
            }
            return true;
        };
        long n = 0;
        std::string text;
        if (name == "--help" || name == "-h") {
            if (!flag()) {
                return std::nullopt;
            }
            o.help = true;
        } else if (name == "--version") {
            if (!flag()) {
                return std::nullopt;
            }
            o.version = true;
        } else if (name == "--tcp") {
            Endpoint e;
            if (!value(text) || !ParseEndpoint(text, e, error)) {
                return std::nullopt;
            }
            o.tcp = e;
        } else if (name == "--pty") {
            if (!flag()) {
                return std::nullopt;
            }
            o.pty = true;
        } else if (name == "--trace") {
            if (!value(o.traceFile)) {
                return std::nullopt;
            }
        } else if (name == "--state") {
            if (!value(o.stateFile)) {
                return std::nullopt;
            }
        } else if (name == "--allow-remote") {
            if (!flag()) {
                return std::nullopt;
            }
            o.allowRemote = true;
        } else if (name == "--seed") {
            if (!number(0, 0xFFFFFFFFL, n)) {
                return std::nullopt;
            }
            o.seed = static_cast<std::uint32_t>(n);
        } else if (name == "--count") {
            if (!number(1, kMaxCount, n)) {
                return std::nullopt;
            }
            o.count = static_cast<int>(n);
        } else if (name == "--step") {
            if (!value(text)) {
                return std::nullopt;
            }
            if (text == "port") {
                o.step = SimOptions::Step::Port;
            } else if (text == "address") {
                o.step = SimOptions::Step::Address;
            } else {
                error = "--step: '" + text + "' is neither port nor address";
                return std::nullopt;
            }
        } else if (name == "--temperature") {
            std::array<int, 2> t{};
            if (!value(text)) {
                return std::nullopt;
            }
            if (!ParseTemperatures(text, t)) {
                error = "--temperature: '" + text +
                        "' is not C or C1,C2 with each from -10 to 245 degrees";
                return std::nullopt;
            }
            o.temperature = t;
        } else if (name == "--refuse-reads") {
            if (!flag()) {
                return std::nullopt;
            }
            o.faults.refuseReads = true;
        } else if (name == "--no-reply") {
            if (!flag()) {
                return std::nullopt;
            }
            o.faults.noReply = true;
        } else if (name == "--delay") {
            if (!number(0, 600000, n)) {
                return std::nullopt;
            }
            o.faults.delayMs = static_cast<int>(n);
        } else if (name == "--chunk") {
            if (!number(1, 65535, n)) {
                return std::nullopt;
            }
            o.faults.chunkBytes = static_cast<int>(n);
        } else if (name == "--chunk-gap") {
            if (!number(0, 10000, n)) {
                return std::nullopt;
            }
            o.faults.chunkGapMs = static_cast<int>(n);
        } else if (name == "--bad-checksum") {
            if (!number(1, 1000000, n)) {
                return std::nullopt;
            }
            o.faults.badChecksumEvery = static_cast<int>(n);
        } else if (name == "--unknown-reply") {
            if (!number(1, 1000000, n)) {
                return std::nullopt;
            }
            o.faults.unknownEvery = static_cast<int>(n);
        } else if (name == "--unknown-code") {
            if (!number(0, 255, n)) {
                return std::nullopt;
            }
            o.faults.unknownCode = static_cast<std::uint8_t>(n);
        } else if (name == "--ignore-writes") {
            o.faults.ignoreWrites = true;
        } else if (name == "--ignore-writes-to") {
            if (!number(0, kStoredPrograms, n)) {
                return std::nullopt;
            }
            o.faults.ignoreProgram = static_cast<int>(n);
        } else if (name == "--ignore-item") {
            if (!number(0, 255, n)) {
                return std::nullopt;
            }
            o.faults.ignoreItem = static_cast<int>(n);
        } else if (name == "--write-delay") {
            if (!number(0, 600000, n)) {
                return std::nullopt;
            }
            o.faults.writeDelayMs = static_cast<int>(n);
        } else if (name == "--close-after") {
            if (!number(1, 1000000, n)) {
                return std::nullopt;
            }
            o.faults.closeAfterFrames = static_cast<int>(n);
        } else {
            error = "unknown option '" + args[i] + "'";
            return std::nullopt;
        }
    }
    if (o.help || o.version) {
        return o;
    }
    if (!o.tcp && !o.pty) {
        error = "nothing to listen on: give --tcp ADDRESS:PORT, --pty, or both";
        return std::nullopt;
    }
    if (o.count > 1 && (!o.tcp || o.pty || !o.stateFile.empty())) {
        error =
            "--count serves several amplifiers on TCP only: give --tcp, and neither --pty "
            "nor --state";
        return std::nullopt;
    }
    if (o.step == SimOptions::Step::Address && o.count > 1) {
        if (!Ipv4Number(o.tcp->host)) {
            error = "--step address: --count needs an IPv4 --tcp address to count from";
            return std::nullopt;
        }
        const std::string last = VenueHost(o, o.count - 1);
        if (last.empty() || (!o.allowRemote && !IsLoopbackAddress(last))) {
            error =
                "--count: the addresses from " + o.tcp->host + " run past " +
                (o.allowRemote ? std::string("255.255.255.255") : std::string("127.255.255.255"));
            return std::nullopt;
        }
    } else if (o.count > 1 && o.tcp->port != 0 && o.tcp->port + o.count - 1 > 65535) {
        error = "--count: the ports from " + std::to_string(o.tcp->port) + " run past 65535";
        return std::nullopt;
    }
    if (o.tcp && !o.allowRemote && !IsLoopbackAddress(o.tcp->host)) {
        error = "refusing to listen on " + o.tcp->host +
                ": not a loopback address (give --allow-remote to listen there anyway)";
        return std::nullopt;
    }
    return o;
}

std::string SimUsage() {
    return R"(Usage: trv410-sim [--tcp ADDRESS:PORT] [--pty] [options]

A simulated TRV410 amplifier: the live program, twenty stored programs and the
system bytes, answering every request of the editor with one reply frame.

Where it listens (at least one):
  --tcp ADDRESS:PORT   TCP on a loopback address, e.g. 127.0.0.1:8899; port 0
                       picks a free one. Prints "listening on ADDRESS:PORT".
  --pty                a pseudo-terminal, to be opened as a serial port at
                       57600 8N1. Prints "pty /dev/pts/N". Replies leave at the
                       line's real rate (5.76 bytes per ms), after the request
                       would have arrived at that rate.
  --allow-remote       allow a --tcp address that is not loopback.
  --count N            N independent amplifiers (1 to 256) on N consecutive
                       ports from the --tcp port (port 0: any free run of N);
                       one "listening on" line each. TCP only.
  --step port|address  where the amplifiers of --count stand: consecutive ports
                       (port, the default) or consecutive IPv4 addresses from
                       the --tcp address at one port (address; port 0: one free
                       on all of them), e.g. 127.0.0.10, .11, ... as a venue.

Memory and records:
  --state FILE         keep the memory in FILE across runs (read at start when
                       it exists, written after every change).
  --trace FILE         write every frame in hex, one line each, marked
                       "received" or "sent"; connection events as "# ..." lines.
  --seed N             seed of the level and temperature movement (default 410).
  --temperature C      report both output stage temperatures as C degrees
                       (-10 to 245), or CH1 and CH2 apart as C1,C2, whatever
                       the levels.

Faults, for testing the editor's time-outs and recovery:
  --no-reply           read requests but never carry them out or answer.
  --refuse-reads       answer every read (item, program, live) with 0xAB and
                       no data, as an amplifier that will not be read.
  --ignore-writes      acknowledge every write (0xAA) without applying it.
  --ignore-writes-to N ... only the writes to program N (0 the live program).
  --ignore-item CODE   ... only the writes of item CODE (e.g. 6 the name).
  --write-delay MS     answer writes MS milliseconds later than other requests,
                       e.g. 2600 to answer past the editor's retransmission.
  --delay MS           answer MS milliseconds after each request arrived.
  --chunk N            write each reply in pieces of N bytes ...
  --chunk-gap MS       ... MS milliseconds apart (default 2).
  --bad-checksum N     invert the checksum of every Nth reply.
  --unknown-reply N    give every Nth reply the code of --unknown-code.
  --unknown-code CODE  the reply code used by --unknown-reply (default 0xA7).
  --close-after N      close a TCP connection after answering its Nth request;
                       on the pty, stop answering after the Nth request.
                       Replies are counted across connections, requests per
                       connection.

Requests the amplifier cannot carry out (no such program, channel, item or
length) are answered with 0xAB, an acknowledgement like 0xAA, and change
nothing: the editor cannot tell them from a write that was carried out.

  --version            the simulator's version.
  --help               this text.
)";
}

}  // namespace tolmarin::sim
