// The link controller's pacing: one frame outstanding per tick, the edits fed in when the
// queue runs low, the retransmission and the time-outs that end in a reconnection or a give-up.

#include "link/LinkController.h"

namespace tolmarin {

void LinkController::OnPacingTick(LinkKind kind) {
    ++m_quietTicks;
    if (m_phase != Phase::Linked) {
        return;  // a reconnection is under way: nothing is emitted or serviced
    }
    // While the operator chooses between the PC's settings and the amplifier's, neither goes.
    if (m_command.QueueCount() < 2 && !m_liveChoicePending) {
        if (std::unique_ptr<SendData> next = m_model.NextPendingFrame()) {
            TrackEdit(*next);
            m_command.Enqueue(std::move(next));
        }
    }
    if (m_command.QueueCount() == 0) {
        return;
    }
    if (kind == LinkKind::Usb) {
        ServiceSerial();
    } else {
        ServiceNetwork();
    }
}

void LinkController::TransmitHead(SendData& head) {
    if (head.CountsProgress()) {
        m_progressPos = m_barPos + 1;
        SetProgressPos(m_progressPos);
    }
    if (m_writesOpen && head.Tag() != 0) {
        m_sentTags.insert(head.Tag());
    }
    // Cleared before the write: a reply may be handled before the write returns.
    head.SetPending(false);
    m_command.TransmitHead();
}

void LinkController::ServiceSerial() {
    SendData& head = m_command.Head();
    if (head.Pending()) {
        TransmitHead(head);
        return;
    }
    head.SetTicks(head.Ticks() + 1);
    if (head.Ticks() == kSerialRetransmitTick) {
        m_command.ResetReceiver();
        m_command.TransmitHead();
    }
    if (head.Ticks() > kSerialGiveUpTicks) {
        NoteTimeOut();
        m_view.ShowBusy(BusyState::Hidden);
        DoCloseSerial(LinkCloseReason::NoReply);
        ReportGiveUp(TextId::NoOnlineMachine, m_lastFault);
    }
}

void LinkController::ServiceNetwork() {
    SendData& head = m_command.Head();
    if (head.Pending()) {
        TransmitHead(head);
        return;
    }
    head.SetTicks(head.Ticks() + 1);
    if (head.Ticks() <= kNetworkTimeoutTicks) {
        return;
    }
    NoteTimeOut();
    ++m_netRetries;
    if (m_netRetries > kNetworkMaxReconnects) {
        NetworkGiveUp(m_lastFault);
        return;
    }
    ReconnectNetwork();
}

void LinkController::NoteTimeOut() {
    // A corrupt reply is an answer that did not arrive intact, not silence.
    m_lastFault = m_corruptReply ? LinkFailure::BadChecksum : LinkFailure::NoAnswer;
    m_corruptReply = false;
}

}  // namespace tolmarin
