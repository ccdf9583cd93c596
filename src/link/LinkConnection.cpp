// The link controller's connection phases: opening and closing either transport, the
// link-up, the network reconnection and the give-up with its message.

#include "link/LinkController.h"

#include "link/LinkMessages.h"

namespace tolmarin {

bool LinkController::CommandPort::Write(std::span<const std::uint8_t> bytes) {
    if (link == nullptr) {
        return false;
    }
    link->Send(bytes);
    return true;
}

void LinkController::CommandPort::Purge() {
    if (link != nullptr) {
        link->Purge();
    }
}

bool LinkController::Reconnecting() const {
    return m_phase == Phase::ReconnectClosing || m_phase == Phase::ReconnectConnecting ||
           m_phase == Phase::ReconnectSettling;
}

void LinkController::SetNetworkTarget(const std::string& host, int port) {
    m_networkTarget.host = host;
    m_networkTarget.tcpPort = port;
}

bool LinkController::OpenSerialLinkTo(const std::string& port) {
    if (m_phase != Phase::Idle) {
        return false;
    }
    m_serialPort = port;
    OpenLink(LinkKind::Usb);
    return m_linked;
}

void LinkController::OpenNetworkLinkTo(const std::string& host, int port) {
    if (m_phase != Phase::Idle) {
        return;
    }
    SetNetworkTarget(host, port);
    OpenLink(LinkKind::Network);
}

bool LinkController::OpenSerialLink() {
    if (m_phase != Phase::Idle) {
        return false;  // one link at a time: close the current one first
    }
    m_linkType = LinkKind::Usb;
    LinkTarget target;
    target.port = m_serialPort;
    m_serial.Open(target, [this](bool ok) { FinishSerialOpen(ok); });
    return m_linked;
}

void LinkController::FinishSerialOpen(bool ok) {
    if (!ok) {
        // The serial link has told the operator when the port itself would not open.
        emit linkOpenFailed(LinkKind::Usb);
        return;
    }
    m_linked = true;
    m_progressPos = 0;
    m_model.SetSending(true);
    LinkUp(m_serial);
}

void LinkController::OpenNetworkLink() {
    if (m_phase != Phase::Idle) {
        return;
    }
    m_linkType = LinkKind::Network;
    m_command.SetOwner(this);
    m_phase = Phase::Opening;
    SetLamp(LinkLamp::Connecting);
    m_network.Open(m_networkTarget, [this](bool ok) { FinishNetworkOpen(ok); });
}

void LinkController::FinishNetworkOpen(bool ok) {
    if (!ok) {
        m_phase = Phase::Idle;
        const LinkFailure failure = m_network.LastFailure();
        m_network.Close();
        SetLamp(LinkLamp::Off);
        m_state.ui.Report(TextId::UnableToOpenNetworkLink, MessageKind::Stop,
                          LinkFailureDetail(m_state.ui, Place(), failure, kConnectTimeoutMs));
        emit linkOpenFailed(LinkKind::Network);
        return;
    }
    m_netRetries = 0;
    m_progressPos = 0;
    m_linked = true;
    LinkUp(m_network);
}

void LinkController::LinkUp(LinkTransport& link) {
    m_phase = Phase::Linked;
    m_port.link = &link;
    m_command.SetTransport(&m_port);
    m_command.SetOwner(this);
    // A frame half received on an earlier link must not swallow the first reply of this one.
    m_command.ResetReceiver();
    // Connected is not up: the lamp turns green with the amplifier's first valid reply.
    m_answered = false;
    // The view showed no reading while unlinked: the first status is shown whatever it is.
    m_temperature = {-1, -1};
    m_quietTicks = 0;
    m_corruptReply = false;
    m_lastFault = LinkFailure::NoAnswer;
    SetLamp(LinkLamp::Connecting);
    ForgetReads();
    m_liveKnown = false;
    m_liveChoicePending = false;
    // A link-up starts from what the amplifier holds: the marks and frames of edits made
    // before it are void (a ramp cut off by the last link would go on with its old values).
    // The records keep the PC's values; only "Send the PC's settings" sends them.
    m_command.ClearQueue();
    m_model.DropAllPending();
    m_editFrames.clear();
    if (FrameTrace* trace = link.Trace()) {
        trace->Note(link.Kind(), "link open");
    }
    RequestInitialData();
    RequestLive(0);
    const LinkKind kind = link.Kind();
    m_scheduler->StartPacing(PacingTimerOf(kind), kPacingIntervalMs,
                             [this, kind] { OnPacingTick(kind); });
    emit linkOpened(link.Kind());
}

bool LinkController::CloseSerialLink() {
    return DoCloseSerial(LinkCloseReason::Operator);
}

bool LinkController::DoCloseSerial(LinkCloseReason reason) {
    if (!m_linked || m_port.link != &m_serial || !m_serial.Close()) {
        return false;
    }
    m_scheduler->StopPacing();
    m_linked = false;
    m_phase = Phase::Idle;
    const bool cut = CutWrites();
    NoteLostEdits();
    m_command.ClearQueue();
    m_command.SetTransport(nullptr);
    m_port.link = nullptr;
    m_model.SetSending(false);
    SetProgressPos(0);
    m_model.ClearAllPending(false);
    m_view.ShowBusy(BusyState::Hidden);
    SetLamp(LinkLamp::Off);
    ForgetReads();
    m_liveKnown = false;
    if (FrameTrace* trace = m_serial.Trace()) {
        trace->Note(LinkKind::Usb, "link closed");
    }
    ReportCut(cut, reason);
    emit linkClosed(reason);
    return true;
}

void LinkController::CloseNetworkLink() {
    DoCloseNetwork(LinkCloseReason::Operator);
}

void LinkController::DoCloseNetwork(LinkCloseReason reason) {
    if (m_phase == Phase::Idle || m_linkType != LinkKind::Network) {
        m_network.Close();
        return;  // nothing of the network link is up; a USB link is left alone
    }
    const bool wasOpening = m_phase == Phase::Opening;
    CancelWait();
    m_scheduler->StopPacing();
    m_network.Close();
    m_phase = Phase::Idle;
    SetLamp(LinkLamp::Off);
    if (wasOpening) {
        return;  // an abandoned connect: nothing was linked, nothing to undo
    }
    m_linked = false;
    const bool cut = CutWrites();
    NoteLostEdits();
    m_command.ClearQueue();
    m_command.SetTransport(nullptr);
    m_port.link = nullptr;
    m_model.SetSending(false);
    m_model.ClearAllPending(false);
    m_view.ShowBusy(BusyState::Hidden);
    ForgetReads();
    m_liveKnown = false;
    if (FrameTrace* trace = m_network.Trace()) {
        trace->Note(LinkKind::Network, "link closed");
    }
    ReportCut(cut, reason);
    emit linkClosed(reason);
}

void LinkController::OnBytes(LinkTransport& from, std::span<const std::uint8_t> bytes) {
    // Only the open link feeds the parser; a late chunk of a link just closed is dropped.
    if (m_port.link == &from && m_command.Transport() == &m_port) {
        const int acted = m_command.Counts().acted;
        const int corrupt = m_command.Counts().badChecksum;
        m_command.FeedBytes(bytes);
        m_corruptReply |= m_command.Counts().badChecksum > corrupt;
        if (m_command.Counts().acted > acted && m_phase == Phase::Linked) {
            m_answered = true;
            m_quietTicks = 0;
            m_corruptReply = false;
            // The link recovered: the next fault has its own three reconnections.
            m_netRetries = 0;
            SetLamp(LinkLamp::Up);
        }
    }
}

void LinkController::ReconnectNetwork() {
    // Close, wait 500 ms, connect again (bounded), wait 1000 ms, then send the head again.
    // The ticks keep coming but service nothing until the head is marked for sending.
    emit reconnecting(m_netRetries);
    if (FrameTrace* trace = m_network.Trace()) {
        trace->Note(LinkKind::Network, "reconnecting");
    }
    m_phase = Phase::ReconnectClosing;
    SetLamp(LinkLamp::Connecting);
    m_network.Close();
    m_wait = m_scheduler->After(kReconnectCloseWaitMs, [this] {
        m_wait = 0;
        m_phase = Phase::ReconnectConnecting;
        m_network.Open(m_networkTarget, [this](bool ok) {
            if (!ok) {
                NetworkGiveUp(m_network.LastFailure());
                return;
            }
            m_phase = Phase::ReconnectSettling;
            m_wait = m_scheduler->After(kReconnectSettleWaitMs, [this] {
                m_wait = 0;
                m_phase = Phase::Linked;
                if (m_command.QueueCount() > 0) {
                    SendData& head = m_command.Head();
                    head.SetTicks(0);
                    m_command.ResetReceiver();
                    head.SetPending(true);
                }
            });
        });
    });
}

void LinkController::CancelWait() {
    if (m_wait != 0) {
        m_scheduler->Cancel(m_wait);
        m_wait = 0;
    }
}

void LinkController::NetworkGiveUp(LinkFailure failure) {
    DoCloseNetwork(LinkCloseReason::NetworkGaveUp);
    ReportGiveUp(TextId::UnableToOpenNetworkLink, failure);
}

// A link the amplifier never answered on failed to open, and says so as the open does; one
// it had answered on was lost, and reads differently. Both name the place and the reason.
void LinkController::ReportGiveUp(TextId neverAnswered, LinkFailure failure) {
    const std::string detail =
        LinkFailureDetail(m_state.ui, Place(), failure, m_quietTicks * kPacingIntervalMs);
    // What the link took with it follows the reason.
    const std::string lost =
        m_lostEdits.empty()
            ? std::string()
            : ' ' + std::string(m_state.ui.Text(TextId::EditsNotArrived)) + ' ' + m_lostEdits + '.';
    m_state.ui.Report(m_answered ? TextId::LinkLost : neverAnswered, MessageKind::Stop,
                      detail + lost);
}

std::string LinkController::Place() const {
    LinkTarget serial;
    serial.port = m_serialPort;
    return m_linkType == LinkKind::Usb ? LinkPlaceText(LinkKind::Usb, serial)
                                       : LinkPlaceText(LinkKind::Network, m_networkTarget);
}

}  // namespace tolmarin
