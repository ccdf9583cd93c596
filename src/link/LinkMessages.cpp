#include "link/LinkMessages.h"

namespace tolmarin {

namespace {

// Tenths of a second, without a trailing ".0": 2500 ms is "2.5", 5000 ms is "5".
std::string SecondsText(int ms) {
    const int tenths = (ms + 50) / 100;
    std::string text = std::to_string(tenths / 10);
    if (tenths % 10 != 0) {
        text += '.';
        text += std::to_string(tenths % 10);
    }
    return text;
}

std::string ReasonText(const UiState& ui, LinkFailure failure, int quietMs) {
    switch (failure) {
        case LinkFailure::Refused:
            return ui.Text(TextId::LinkReasonRefused);
        case LinkFailure::NoAnswer: {
            std::string text = ui.Text(TextId::LinkReasonNoAnswer);
            const std::size_t at = text.find("%1");
            if (at != std::string::npos) {
                text.replace(at, 2, SecondsText(quietMs));
            }
            return text;
        }
        case LinkFailure::NotFound:
            return ui.Text(TextId::LinkReasonNotFound);
        case LinkFailure::PermissionDenied:
            return ui.Text(TextId::LinkReasonPermission);
        case LinkFailure::InUse:
            return ui.Text(TextId::LinkReasonInUse);
        case LinkFailure::ClosedByPeer:
            return ui.Text(TextId::LinkReasonClosed);
        case LinkFailure::BadChecksum:
            return ui.Text(TextId::LinkReasonBadChecksum);
        case LinkFailure::None:
        case LinkFailure::Other:
            break;
    }
    return {};
}

}  // namespace

std::string LinkPlaceText(LinkKind kind, const LinkTarget& target) {
    if (kind == LinkKind::Usb) {
        return target.port;
    }
    const bool v6 = target.host.find(':') != std::string::npos;
    return (v6 ? "[" + target.host + "]" : target.host) + ':' + std::to_string(target.tcpPort);
}

std::string LinkFailureDetail(const UiState& ui, const std::string& place, LinkFailure failure,
                              int quietMs) {
    const std::string reason = ReasonText(ui, failure, quietMs);
    const char* stop = ui.language == Language::Chinese ? "。" : ".";
    return reason.empty() ? place + stop : place + ": " + reason + stop;
}

void ReportOpenFailure(const UiState& ui, const std::string& port, LinkFailure failure) {
    ui.Report(TextId::UnableToOpenLink, MessageKind::Stop, LinkFailureDetail(ui, port, failure));
}

}  // namespace tolmarin
