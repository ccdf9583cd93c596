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

LinkController::LinkController(SharedState& state, CommandQueue& command, LinkModel& model,
                               LinkView& view, LinkTransport& serial, LinkTransport& network,
                               std::unique_ptr<LinkScheduler> scheduler, QObject* parent)
    : QObject(parent),
      m_state(state),
      m_command(command),
      m_model(model),
      m_view(view),
      m_serial(serial),
      m_network(network),
      m_scheduler(scheduler ? std::move(scheduler) : std::make_unique<QtLinkScheduler>()) {
    m_networkTarget.host = std::string(kDefaultAmplifierAddress);
    m_networkTarget.tcpPort = kTcpPort;
    m_serial.SetReceiver([this](std::span<const std::uint8_t> b) { OnBytes(m_serial, b); });
    m_network.SetReceiver([this](std::span<const std::uint8_t> b) { OnBytes(m_network, b); });
    EditsSettled();
}

LinkController::~LinkController() {
    CancelWait();
    m_scheduler->StopPacing();
    m_serial.SetReceiver(nullptr);
    m_network.SetReceiver(nullptr);
    if (m_command.Owner() == this) {
        m_command.SetOwner(nullptr);
    }
    if (m_command.Transport() == &m_port) {
        m_command.SetTransport(nullptr);
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

// ---- Link button, open and close ----

void LinkController::OpenLink(LinkKind kind) {
    if (kind == LinkKind::Usb) {
        OpenSerialLink();
    } else if (kind == LinkKind::Network) {
        OpenNetworkLink();
    }
}

bool LinkController::OpenSerialLinkTo(const std::string& port) {
    if (m_phase != Phase::Idle) {
        return false;
    }
    m_state.app.portName = port;
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
    target.port = m_state.app.portName;
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

void LinkController::CloseLink() {
    if (m_linkType == LinkKind::Usb) {
        CloseSerialLink();
    } else {
        CloseNetworkLink();
    }
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

void LinkController::ReportCut(bool cut, LinkCloseReason reason) {
    // The operator who closed the link knows why; the tool reads WriteOutcome itself.
    if (cut && reason != LinkCloseReason::Operator) {
        m_state.ui.Report(TextId::WriteCutOff, MessageKind::Warning,
                          DescribeSlots(m_writes, m_state.ui) + '.');
    }
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

// ---- Queued requests ----

void LinkController::EnqueueCounted(std::unique_ptr<SendData> item) {
    item->SetCountsProgress(true);
    ++m_progressPos;
    m_command.Enqueue(std::move(item));
}

void LinkController::StartBatchDisplay() {
    SetProgressRange(0, m_progressPos);
    SetProgressPos(0);
    m_view.ShowBusy(BusyState::Shown);
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

// ---- Batches of writes and their read-back ----

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

// ---- Pacing ----

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
    serial.port = m_state.app.portName;
    return m_linkType == LinkKind::Usb ? LinkPlaceText(LinkKind::Usb, serial)
                                       : LinkPlaceText(LinkKind::Network, m_networkTarget);
}

void LinkController::SetLamp(LinkLamp lamp) {
    if (lamp != m_lamp) {
        m_lamp = lamp;
        m_view.SetLinkLamp(lamp);
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

// ---- Progress bar ----

void LinkController::SetProgressRange(int low, int high) {
    m_barLow = low;
    m_barHigh = high;
    m_view.SetProgressRange(low, high);
}

void LinkController::SetProgressPos(int pos) {
    // The bar holds a position inside its range; the next advance counts from there.
    m_barPos = std::clamp(pos, m_barLow, std::max(m_barLow, m_barHigh));
    m_view.SetProgressPos(m_barPos);
}

// ---- Notifications of the reply parser ----

void LinkController::Notify(const ReplyEvent& event) {
    switch (event.kind) {
        case ReplyEventKind::LiveLoaded: {
            if (!m_readBatches.empty() && m_readBatches.front().kind == ReadBatch::ReadBack) {
                break;  // a read-back of what was just sent: the records stay as they are
            }
            if (!m_readBatches.empty() && m_readBatches.front().kind == ReadBatch::LinkUp &&
                !UnsentEdits().empty()) {
                // Reloading now would overwrite the PC's edits: the operator chooses first.
                m_liveChoicePending = true;
                emit liveChoiceNeeded();
                break;
            }
            TakeLiveProgram();
            break;
        }
        case ReplyEventKind::ProgramsLoaded:
            break;  // the file waits until the batch has ended with all twenty (OnReadsDone)
        case ReplyEventKind::SystemLoaded:
            m_view.ShowSystemState(m_state.image.systemBytes[sysbyte::kModeCh12],
                                   m_state.image.systemBytes[sysbyte::kPower]);
            break;
        case ReplyEventKind::Status:
            OnStatus();
            break;
        case ReplyEventKind::ReadUnanswered:
            m_missed.push_back(event);
            break;
        case ReplyEventKind::TransferDone:
            if (event.direction == TransferDirection::Up) {
                OnReadsDone();
            } else {
                if (m_writesOpen) {
                    SettleWrites(m_writes);  // unverified: acknowledged is all there is
                    m_writesOpen = false;
                }
                m_view.ShowTransferDone(event.direction);
            }
            break;
    }
}

void LinkController::TakeLiveProgram() {
    m_model.UnlinkCh1Ch2();
    m_view.ClearLinkCheckBox();
    m_model.LoadAllFromImage();
    m_view.ShowState();
    m_model.SetSending(true);
    m_liveKnown = true;
    EditsSettled();
}

// ---- Edits on their way to the amplifier ----

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

void LinkController::OnStatus() {
    const auto& status = m_state.app.status;
    m_view.ShowLevels(status[0], status[1]);
    for (int i = 0; i < 2; ++i) {
        const int value = status[static_cast<std::size_t>(4 + i)];
        int& stored = m_temperature[static_cast<std::size_t>(i)];
        if (value != stored) {
            stored = std::clamp(value, 0, 100);
            m_view.ShowTemperature(i, stored - 10);
        }
    }
}

}  // namespace tolmarin
