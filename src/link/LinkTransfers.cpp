// The link controller's transfers: the batches of reads and writes, the read-back that
// verifies each program written, and what a batch cut off or answered without data tells.

#include "link/LinkController.h"

#include <algorithm>

#include "link/LinkMessages.h"
#include "protocol/FrameBuilder.h"
#include "text/NumberText.h"

namespace tolmarin {

namespace {

// Input gain of a channel for each input sensitivity setting (0.775 V, 1 V, 1.4 V).
constexpr std::array<int, 3> kGainForSensitivity{600, 578, 549};

}  // namespace

void LinkController::EnqueueCounted(std::unique_ptr<SendData> item) {
    item->SetCountsProgress(true);
    ++m_progressPos;
    m_command.Enqueue(std::move(item));
}

void LinkController::RequestInitialData() {
    if (!m_linked) {
        return;
    }
    for (int n = 1; n <= kStoredPrograms; ++n) {
        EnqueueCounted(BuildItemRead(m_state, ITEM_NAME, n));
    }
    // Power last: its reply is the one that says the system items have all arrived.
    for (const std::uint8_t item : {ITEM_MODES, ITEM_SENSITIVITY, ITEM_POWER}) {
        EnqueueCounted(BuildItemRead(m_state, item, 0));
    }
}

bool LinkController::RequestLive(int n) {
    if (n < 0 || n > kStoredPrograms) {
        return false;
    }
    m_model.SetSending(false);
    if (!m_linked) {
        m_state.ui.Report(TextId::PleaseLink, MessageKind::Warning);
        return false;
    }
    if (n != 0) {
        m_progressPos = 0;
    }
    std::unique_ptr<SendData> item = BuildRecall(m_state, n);
    item->SetCountsProgress(true);
    item->SetNotifyUp(true);
    m_command.Enqueue(std::move(item));
    m_readBatches.push_back({n == 0 ? ReadBatch::LinkUp : ReadBatch::Recall, {}});
    if (n == 0) {
        ++m_progressPos;
        StartBatchDisplay();
    }
    return true;
}

void LinkController::StoreAllPrograms() {
    if (!m_linked) {
        m_state.ui.Report(TextId::PleaseLink, MessageKind::Warning);
        return;
    }
    m_progressPos = 0;
    BeginWrites();
    for (int n = 1; n <= kStoredPrograms; ++n) {
        // Each program is read back as soon as it is written, so a batch cut off part way
        // can say how many arrived intact.
        const std::size_t slot = AddSlot(n);
        const bool last = n == kStoredPrograms;
        EnqueueWrite(slot, BuildItemWrite(m_state, ITEM_NAME, n), true, false);
        EnqueueWrite(slot, BuildProgramWrite(m_state, n), false, last);
        EnqueueReadBack(slot);
    }
    StartBatchDisplay();
}

void LinkController::SendLiveProgram() {
    if (!m_linked) {
        return;
    }
    BeginWrites();
    const std::size_t slot = AddSlot(0);
    std::unique_ptr<SendData> item = BuildProgramWrite(m_state, 0);
    item->SetCountsProgress(true);
    if (!m_verifyWrites) {
        item->SetNotifyDown(true);
    }
    item->SetTag(++m_nextTag);
    m_writes[slot].RecordFrame(item->Frame());
    m_writes[slot].dataTags.push_back(item->Tag());
    TrackEdit(*item);
    m_command.Enqueue(std::move(item));
    EnqueueReadBack(slot);
    StartBatchDisplay();
}

bool LinkController::StoreLiveToSlot(int n, std::string_view name, bool refresh) {
    if (n < 1 || n > kStoredPrograms) {
        return false;
    }
    if (!m_linked) {
        m_state.ui.Report(TextId::PleaseLink, MessageKind::Warning);
        return false;
    }
    // The name write below sends the slot's name as the image holds it.
    if (!StoreProgramName(m_state.ui, m_state.image.Name(n), name)) {
        return false;
    }
    m_progressPos = 0;
    if (refresh) {
        m_model.WriteAllToImage();
    }
    BeginWrites();
    const std::size_t slot = AddSlot(n);
    EnqueueWrite(slot, BuildItemWrite(m_state, ITEM_NAME, n), true, false);
    for (int ch = 0; ch < kChannelCount; ++ch) {
        EnqueueWrite(slot, BuildChannelBlock(m_state, n, ch), false, ch == kChannelCount - 1);
    }
    EnqueueReadBack(slot);
    StartBatchDisplay();
    return true;
}

bool LinkController::ReadAllPrograms(const std::string& path) {
    if (path.empty()) {
        return false;
    }
    if (!m_linked) {
        m_state.ui.Report(TextId::PleaseLink, MessageKind::Warning);
        return false;
    }
    m_readBatches.push_back({ReadBatch::AllPrograms, path});
    m_progressPos = 0;
    for (int n = 1; n <= kStoredPrograms; ++n) {
        std::unique_ptr<SendData> item = BuildProgramRead(m_state, n);
        if (n == kStoredPrograms) {
            item->SetNotifyUp(true);
        }
        EnqueueCounted(std::move(item));
    }
    StartBatchDisplay();
    return true;
}

bool LinkController::SendSystemItem(int item, int n, int ch) {
    const bool known =
        item == ITEM_MODES || item == ITEM_SENSITIVITY || item == ITEM_NAME || item == ITEM_POWER;
    if (!known || n < 0 || n > kStoredPrograms || ch < 0 || ch >= kChannelCount) {
        return false;
    }
    if (item == ITEM_SENSITIVITY) {
        // Input 1 sets CH1; every other channel follows input 2.
        const int byte =
            m_state.image
                .systemBytes[ch == 0 ? sysbyte::kSensitivity1 : sysbyte::kSensitivity1 + 1];
        if (byte >= 0 && byte < static_cast<int>(kGainForSensitivity.size())) {
            m_model.SetInputGain(ch, kGainForSensitivity[static_cast<std::size_t>(byte)]);
        }
    }
    if (m_linked) {
        m_command.Enqueue(BuildItemWrite(m_state, item, n));
    }
    return true;
}

void LinkController::BeginWrites() {
    m_writes.clear();
    m_sentTags.clear();
    m_writesOpen = true;
}

std::size_t LinkController::AddSlot(int program) {
    SlotWrite slot;
    slot.program = program;
    m_writes.push_back(std::move(slot));
    return m_writes.size() - 1;
}

void LinkController::EnqueueWrite(std::size_t slot, std::unique_ptr<SendData> item, bool name,
                                  bool last) {
    item->SetTag(++m_nextTag);
    SlotWrite& w = m_writes[slot];
    w.RecordFrame(item->Frame());
    (name ? w.nameTags : w.dataTags).push_back(item->Tag());
    if (last && !m_verifyWrites) {
        item->SetNotifyDown(true);
    }
    EnqueueCounted(std::move(item));
}

void LinkController::EnqueueReadBack(std::size_t slot) {
    if (!m_verifyWrites) {
        return;
    }
    const SlotWrite& w = m_writes[slot];
    std::unique_ptr<SendData> read;
    if (w.program == 0) {
        read = BuildRecall(m_state, 0);  // the recall of program 0 returns the live program
    } else {
        if (!w.name.empty()) {
            EnqueueCounted(BuildItemRead(m_state, ITEM_NAME, w.program));
        }
        read = BuildProgramRead(m_state, w.program);
    }
    read->SetNotifyUp(true);
    EnqueueCounted(std::move(read));
    m_readBatches.push_back({ReadBatch::ReadBack, {}, static_cast<int>(slot)});
}

void LinkController::OnReadBack(std::size_t slot) {
    if (slot >= m_writes.size() || !m_writesOpen) {
        m_missed.clear();
        return;
    }
    SlotWrite& w = m_writes[slot];
    if (!m_missed.empty()) {
        w.outcome = SlotOutcome::Differs;
        w.differs = m_state.ui.Text(TextId::SlotNoReadBack);
    } else {
        w.differs = CompareWithImage(w, m_state.image, m_state.ui);
        w.outcome = w.differs.empty() ? SlotOutcome::Verified : SlotOutcome::Differs;
    }
    m_missed.clear();
    if (slot + 1 == m_writes.size()) {
        EndWrites();
    }
}

void LinkController::EndWrites() {
    m_writesOpen = false;
    const bool verified = AllVerified(m_writes);
    if (verified) {
        m_view.ShowTransferDone(TransferDirection::Down);
    } else {
        m_view.ShowBusy(BusyState::Hidden);
        m_state.ui.Report(TextId::WriteNotVerified, MessageKind::Warning,
                          DescribeSlots(m_writes, m_state.ui) + '.');
    }
    emit writesVerified(verified);
}

void LinkController::SettleWrites(std::vector<SlotWrite>& written) const {
    const auto acked = [this](const std::vector<std::uint64_t>& tags) {
        return std::none_of(tags.begin(), tags.end(),
                            [this](std::uint64_t t) { return m_command.HoldsTag(t); });
    };
    for (SlotWrite& w : written) {
        if (w.outcome == SlotOutcome::Verified || w.outcome == SlotOutcome::Differs) {
            continue;
        }
        const bool nameDone = !w.nameTags.empty() && acked(w.nameTags);
        // A write that went out unanswered may have been applied: only the amplifier knows.
        const auto sentUnanswered = [this](const std::vector<std::uint64_t>& tags) {
            return std::any_of(tags.begin(), tags.end(), [this](std::uint64_t t) {
                return m_command.HoldsTag(t) && m_sentTags.count(t) != 0;
            });
        };
        if (acked(w.dataTags) && (w.nameTags.empty() || nameDone)) {
            w.outcome = SlotOutcome::Acknowledged;
        } else if (sentUnanswered(w.nameTags) || sentUnanswered(w.dataTags)) {
            w.outcome = SlotOutcome::SentUnknown;
        } else if (nameDone) {
            w.outcome = SlotOutcome::NameOnly;
        } else {
            w.outcome = SlotOutcome::NotSent;
        }
    }
}

std::vector<SlotWrite> LinkController::WriteOutcome() const {
    std::vector<SlotWrite> written = m_writes;
    if (m_writesOpen) {
        SettleWrites(written);
    }
    return written;
}

bool LinkController::CutWrites() {
    if (!m_writesOpen) {
        return false;
    }
    SettleWrites(m_writes);
    m_writesOpen = false;
    return true;
}

void LinkController::ReportCut(bool cut, LinkCloseReason reason) {
    // The operator who closed the link knows why; the tool reads WriteOutcome itself.
    if (cut && reason != LinkCloseReason::Operator) {
        m_state.ui.Report(TextId::WriteCutOff, MessageKind::Warning,
                          DescribeSlots(m_writes, m_state.ui) + '.');
    }
}

void LinkController::OnReadsDone() {
    if (m_readBatches.empty()) {
        // An "up" item queued by no batch of ours: nothing to verify it against.
        m_missed.clear();
        m_view.ShowTransferDone(TransferDirection::Up);
        return;
    }
    const PendingReads batch = std::move(m_readBatches.front());
    m_readBatches.pop_front();
    if (batch.kind == ReadBatch::ReadBack) {
        OnReadBack(static_cast<std::size_t>(batch.slot));
        return;
    }
    const bool complete = m_missed.empty();
    if (complete) {
        if (batch.kind == ReadBatch::AllPrograms) {
            m_view.WriteAllProgramsFile(batch.path);
        }
        m_view.ShowTransferDone(TransferDirection::Up);
    } else {
        std::string detail = DescribeMissing();
        if (!m_liveKnown) {
            detail += ' ';
            detail += m_state.ui.Text(TextId::EditsWaitForLiveProgram);
        }
        m_missed.clear();
        m_view.ShowBusy(BusyState::Hidden);
        m_state.ui.Report(TextId::ReadIncomplete, MessageKind::Warning, detail);
    }
    if (batch.kind == ReadBatch::Recall) {
        // A refused recall leaves the amplifier and the records as they were: edits go on
        // flowing when they did before it.
        m_model.SetSending(m_liveKnown);
    }
    if (batch.kind == ReadBatch::LinkUp) {
        emit linkUpFinished(complete);
    }
}

std::string LinkController::DescribeMissing() const {
    struct Group {
        TextId label;
        std::vector<int> programs;  // numbered groups; empty for a single item
        bool any = false;
    };
    Group names{TextId::MissingNames, {}, false};
    Group programs{TextId::MissingPrograms, {}, false};
    Group live{TextId::MissingLive, {}, false};
    Group modes{TextId::MissingModes, {}, false};
    Group sensitivity{TextId::MissingSensitivity, {}, false};
    Group power{TextId::MissingPower, {}, false};
    for (const ReplyEvent& missed : m_missed) {
        Group* g = nullptr;
        if (missed.command == CMD_READ_PROGRAM) {
            g = &programs;
        } else if (missed.command == CMD_RECALL) {
            g = &live;
        } else if (missed.item == ITEM_NAME) {
            g = &names;
        } else if (missed.item == ITEM_MODES) {
            g = &modes;
        } else if (missed.item == ITEM_SENSITIVITY) {
            g = &sensitivity;
        } else {
            g = &power;
        }
        g->any = true;
        if (g == &names || g == &programs) {
            g->programs.push_back(missed.program);
        }
    }
    std::string text;
    for (const Group* g : {&live, &programs, &names, &modes, &sensitivity, &power}) {
        if (!g->any) {
            continue;
        }
        text += text.empty() ? "" : "; ";
        text += m_state.ui.Text(g->label);
        for (std::size_t i = 0; i < g->programs.size(); ++i) {
            text += i == 0 ? " " : ", ";
            text += IntText(g->programs[i]);
        }
    }
    return text + '.';
}

void LinkController::ForgetReads() {
    m_readBatches.clear();
    m_missed.clear();
}

}  // namespace tolmarin
