// The link controller's edit tracking: the ledger of what the amplifier holds of the live
// program, the edit frames still queued, and the choice at link-up between the PC's edits
// and the amplifier's live program.

#include "link/LinkController.h"

#include "link/LinkMessages.h"

namespace tolmarin {

void LinkController::TakeLiveProgram() {
    m_model.UnlinkCh1Ch2();
    m_view.ClearLinkCheckBox();
    m_model.LoadAllFromImage();
    m_view.ShowState();
    m_model.SetSending(true);
    m_liveKnown = true;
    EditsSettled();
}

void LinkController::ResolveLiveChoice(LiveChoice choice) {
    if (!m_liveChoicePending) {
        return;
    }
    m_liveChoicePending = false;
    if (!m_linked) {
        return;
    }
    // Either way the whole live program is settled at once: no mark of before goes out.
    m_model.DropAllPending();
    if (choice == LiveChoice::TakeAmplifier) {
        TakeLiveProgram();
        return;
    }
    // The records go into the live program the amplifier just sent; adjusting it to the mode
    // and sensitivities read with it makes the routing and input gains the amplifier's, and
    // the records take them too, so they show what is sent.
    m_model.WriteAllToImage();
    m_model.LoadAllFromImage();
    m_view.ShowState();
    m_model.SetSending(true);
    m_liveKnown = true;
    SendLiveProgram();
}

void LinkController::TrackEdit(SendData& item) {
    if (!IsLiveEditFrame(item.Frame())) {
        return;  // a poll
    }
    if (item.Tag() == 0) {
        item.SetTag(++m_nextTag);
    }
    m_editFrames.emplace_back(item.Tag(),
                              std::vector<std::uint8_t>(item.Frame().begin(), item.Frame().end()));
}

void LinkController::SendEdit(std::unique_ptr<SendData> item) {
    if (!item) {
        return;
    }
    TrackEdit(*item);
    m_command.Enqueue(std::move(item));
}

void LinkController::SettleEdits() {
    // Items leave the queue in order, answered; what has left has arrived.
    while (!m_editFrames.empty() && !m_command.HoldsTag(m_editFrames.front().first)) {
        m_ledger.Acknowledge(m_editFrames.front().second);
        m_editFrames.erase(m_editFrames.begin());
    }
}

std::vector<UnsentEdit> LinkController::UnsentEdits() {
    SettleEdits();
    return m_ledger.Differences(m_model.RecordBlocks());
}

void LinkController::EditsSettled() {
    m_editFrames.clear();
    m_ledger.SetHeld(m_model.RecordBlocks());
}

void LinkController::NoteLostEdits() {
    m_lostEdits = DescribeEdits(UnsentEdits(), m_state.ui);
    m_editFrames.clear();
    m_liveChoicePending = false;
}

}  // namespace tolmarin
