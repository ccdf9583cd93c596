#include "protocol/ConnectTarget.h"

#include <algorithm>
#include <charconv>

#include "protocol/Protocol.h"

namespace tolmarin {

namespace {

constexpr std::string_view kSerialScheme = "serial:";
constexpr std::string_view kTcpScheme = "tcp:";
constexpr int kMaxPort = 65535;

std::optional<int> ToPort(std::string_view text) {
    int v = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), v);
    if (text.empty() || ec != std::errc() || end != text.data() + text.size() || v < 1 ||
        v > kMaxPort) {
        return std::nullopt;
    }
    return v;
}

// Host names and IPv4 addresses are letters, digits, '.', '-' and '_'; an IPv6 address in
// brackets adds ':' and a "%zone". Anything else ("]", a blank, a control byte) is no host.
bool IsHostText(std::string_view host, bool bracketed) {
    return std::all_of(host.begin(), host.end(), [bracketed](char c) {
        const bool alnum =
            (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
        return alnum || c == '.' || c == '-' || c == '_' || (bracketed && (c == ':' || c == '%'));
    });
}

bool HasControlBytes(std::string_view text) {
    return std::any_of(text.begin(), text.end(), [](char c) {
        const auto b = static_cast<unsigned char>(c);
        return b < 0x20 || b == 0x7F;
    });
}

}  // namespace

std::optional<ConnectTarget> ParseConnectTarget(std::string_view text) {
    ConnectTarget t;
    if (text.substr(0, kSerialScheme.size()) == kSerialScheme) {
        t.serial = true;
        t.serialPort = std::string(text.substr(kSerialScheme.size()));
        const bool usable = !t.serialPort.empty() && !HasControlBytes(t.serialPort);
        return usable ? std::optional(t) : std::nullopt;
    }
    if (text.substr(0, kTcpScheme.size()) != kTcpScheme) {
        return std::nullopt;
    }
    const std::string_view rest = text.substr(kTcpScheme.size());
    std::string_view portText;
    bool hasPort = false;
    const bool bracketed = !rest.empty() && rest[0] == '[';
    if (bracketed) {
        // An IPv6 address in brackets, as the simulator prints it: [::1]:PORT.
        const auto close = rest.find(']');
        if (close == std::string_view::npos) {
            return std::nullopt;
        }
        t.host = std::string(rest.substr(1, close - 1));
        const std::string_view after = rest.substr(close + 1);
        if (!after.empty()) {
            if (after[0] != ':') {
                return std::nullopt;
            }
            hasPort = true;
            portText = after.substr(1);
        }
    } else {
        const auto colon = rest.rfind(':');
        if (colon != std::string_view::npos && rest.find(':') != colon) {
            return std::nullopt;  // a bare IPv6 address: its port would be ambiguous
        }
        hasPort = colon != std::string_view::npos;
        t.host = std::string(hasPort ? rest.substr(0, colon) : rest);
        if (hasPort) {
            portText = rest.substr(colon + 1);
        }
    }
    t.port = kTcpPort;
    if (hasPort) {
        const auto port = ToPort(portText);
        if (!port) {
            return std::nullopt;
        }
        t.port = *port;
    }
    // Brackets hold an IPv6 address only, which has a ':'.
    const bool v6 = t.host.find(':') != std::string::npos;
    return t.host.empty() || !IsHostText(t.host, bracketed) || bracketed != v6 ? std::nullopt
                                                                               : std::optional(t);
}

}  // namespace tolmarin
