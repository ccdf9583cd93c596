#pragma once

#include <string_view>

#include "protocol/Protocol.h"

namespace tolmarin {

// The amplifier's address when the operator links over the network without typing one.
// A fixed private-network address of the installation; tests never use it.
inline constexpr std::string_view kDefaultAmplifierAddress = "192.168.10.80";

// The two transports a link can use; the values are the Connect dialog's radio indexes.
enum class LinkKind : int { Usb = 0, Network = 1 };

// The scheduler's id of the pacing timer of each link kind; never both running.
inline constexpr int PacingTimerOf(LinkKind kind) {
    return kind == LinkKind::Usb ? 1 : 2;
}
inline constexpr int kUsbPacingTimer = PacingTimerOf(LinkKind::Usb);
inline constexpr int kNetworkPacingTimer = PacingTimerOf(LinkKind::Network);

inline const char* LinkKindName(LinkKind kind) {
    return kind == LinkKind::Usb ? "usb" : "tcp";
}

}  // namespace tolmarin
