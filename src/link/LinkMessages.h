#pragma once

#include <string>

#include "link/LinkConfig.h"
#include "link/LinkTransport.h"
#include "text/Texts.h"

namespace tolmarin {

// Where a link goes, as the operator reads it: the serial port as chosen, or host:port
// (an IPv6 host in brackets).
std::string LinkPlaceText(LinkKind kind, const LinkTarget& target);

// "PLACE: reason." in the current language; "PLACE." when there is nothing more to say.
// quietMs is how long the amplifier had been silent, for LinkFailure::NoAnswer.
std::string LinkFailureDetail(const UiState& ui, const std::string& place, LinkFailure failure,
                              int quietMs = 0);

// A serial port that would not open: "Unable to open Link!" with the port and the reason.
void ReportOpenFailure(const UiState& ui, const std::string& port, LinkFailure failure);

}  // namespace tolmarin
