#pragma once

#include <string_view>

#include "protocol/Protocol.h"

namespace tolmarin {

// The amplifier's address when the operator links over the network without typing one.
// A fixed private-network address of the installation; tests never use it.
inline constexpr std::string_view kDefaultAmplifierAddress = "192.168.10.80";

// The two transports a link can use; the values are the Connect dialog's radio indexes.
enum class LinkKind : int { Usb = 0, Network = 1 };

// Pacing timer ids: one per link kind, never both running.
inline constexpr int kUsbPacingTimer = 1;
inline constexpr int kNetworkPacingTimer = 2;

inline const char* LinkKindName(LinkKind kind) {
    return kind == LinkKind::Usb ? "usb" : "tcp";
}

}  // namespace tolmarin
