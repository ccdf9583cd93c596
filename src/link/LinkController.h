#pragma once

#include <QObject>
#include <array>
#include <deque>
#include <memory>
#include <set>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "link/LinkConfig.h"
#include "link/LinkModel.h"
#include "link/LinkScheduler.h"
#include "link/LinkTransport.h"
#include "link/LinkView.h"
#include "link/WriteCheck.h"
#include "protocol/CommandQueue.h"
#include "protocol/DeviceImage.h"

namespace tolmarin {

// Why a link ended, for the tool and the tests; the operator sees the messages.
enum class LinkCloseReason {
    Operator,       // the Link button or a caller closed it
    NoReply,        // USB: no reply after the retransmission
    NetworkGaveUp,  // network: the fourth time-out, or a reconnection failed
};

// The answer to the link-up's question when the PC holds edits the amplifier does not.
enum class LiveChoice { TakeAmplifier, SendPc };

// The link controller: opens and closes the chosen transport, queues the link-up reads,
// paces the command queue with the 50 ms tick (one frame outstanding, polls when idle),
// retransmits, reconnects and gives up, runs the batch transfers and reacts to what the
// reply parser announces. It touches the form only through LinkView and reports messages
// through the shared UiState, so it runs headless; its signals carry only the link's
// lifecycle (see LinkView.h for which route carries what). It never asks the operator
// anything: the form runs the Connect dialog and the file chooser, then calls OpenLink or
// ReadAllPrograms with the answer.
//
// Reads are verified: a batch whose reads were answered without their data is not
// announced as done, an all-programs file is written only when all twenty arrived, and a
// link-up whose live program did not arrive leaves change sending off. A refused read is
// not retried: the amplifier answered, and asking again at once would only double the
// wait before the operator is told; the operator can repeat the request.
//
// Writes are verified too (unless switched off): after a batch that writes programs, each
// program is read back and compared byte for byte with a copy of what was sent. Only a
// batch whose every program matched ends with the done popup; otherwise a message names
// each program and what differs. A batch cut off (link lost, closed) is told per program:
// verified, acknowledged but not verified, name acknowledged but data not, not sent.
//
// Public operations check their arguments and refuse (false, nothing queued) rather than
// throw into the event loop.
//
// Nothing here blocks: a network connect and a reconnection's waits run on the scheduler,
// and while a reconnection is under way the tick services nothing.
//
// One source file per job, each with its test file of the same name in tests/link: the
// connection phases and reconnection, pacing and retransmission, transfers, edit tracking,
// the status display; LinkController.cpp is the front that routes between them.
class LinkController : public QObject, private CommandOwner {
    Q_OBJECT
public:
    // Borrowed, all of them, for the controller's life. A null scheduler means Qt's.
    LinkController(SharedState& state, CommandQueue& command, LinkModel& model, LinkView& view,
                   LinkTransport& serial, LinkTransport& network,
                   std::unique_ptr<LinkScheduler> scheduler = nullptr, QObject* parent = nullptr);
    ~LinkController() override;

    // After the form's Connect dialog ended with OK: opens a link of that kind (the serial
    // port of SetSerialPort, or the network target). linkOpened or linkOpenFailed
    // follows; a serial open has finished when this returns. Nothing happens while a link is
    // open or opening: the Link button closes it first (CloseLink, which also abandons a
    // network connect under way).
    void OpenLink(LinkKind kind);
    // Linked, or a network connect under way: what the Link button closes.
    bool LinkActive() const { return m_linked || m_phase == Phase::Opening; }

    // Opens the serial port of SetSerialPort. True when the link is up.
    bool OpenSerialLink();
    // The serial port the operator chose (a listed line, or a device path from the tool);
    // empty until one was chosen, and opening then fails as for a missing port.
    void SetSerialPort(const std::string& port) { m_serialPort = port; }
    const std::string& SerialPort() const { return m_serialPort; }
    // Starts connecting to the network target; linkOpened or linkOpenFailed follows.
    void OpenNetworkLink();
    // For the tool and tests: a given serial port (a listed name or a device path) or TCP
    // host and port.
    bool OpenSerialLinkTo(const std::string& port);
    void OpenNetworkLinkTo(const std::string& host, int port);
    // False, changing nothing, unless the USB link is up.
    bool CloseSerialLink();
    void CloseNetworkLink();
    // Closes whatever is open or opening.
    void CloseLink();

    void RequestInitialData();
    // n = 0 the live program, 1 to 20 a recall of that slot. False for any other n.
    bool RequestLive(int n);

    void StoreAllPrograms();
    void SendLiveProgram();
    // Stores the live program in slot n (1 to 20) under name. False, nothing queued, for any
    // other n, unlinked ("Please Link!") or a name too long for the slot ("char Len error!").
    bool StoreLiveToSlot(int n, std::string_view name, bool refresh);
    // After the form's file chooser gave path: reads the twenty stored programs; the view
    // writes them to path when all twenty have arrived. False, nothing queued, when not
    // linked ("Please Link!") or the path is empty.
    bool ReadAllPrograms(const std::string& path);
    // item ITEM_MODES, ITEM_SENSITIVITY, ITEM_NAME or ITEM_POWER, n 0 to 20, ch 0 to 3.
    // False, changing nothing, for anything else.
    bool SendSystemItem(int item, int n, int ch);

    // One tick of the pacing of the link of this kind.
    void OnPacingTick(LinkKind kind);

    // The network target: the amplifier address and port 8899 unless set otherwise.
    void SetNetworkTarget(const std::string& host, int port);
    const LinkTarget& NetworkTarget() const { return m_networkTarget; }

    LinkKind LinkType() const { return m_linkType; }
    void SetLinkType(LinkKind kind) { m_linkType = kind; }
    bool Linked() const { return m_linked; }
    bool Opening() const { return m_phase == Phase::Opening; }
    bool Reconnecting() const;
    int ProgressPos() const { return m_progressPos; }
    // Reconnections for the fault under way; a valid reply after one starts the count again.
    int NetRetries() const { return m_netRetries; }
    // What the last time-out waited through: no reply at all, or only a corrupt one.
    LinkFailure LastFault() const { return m_lastFault; }

    // What the Link button's lamp shows: up only once the amplifier has answered.
    LinkLamp Lamp() const { return m_lamp; }

    // The live program has arrived on this link: edits reach the amplifier.
    bool LiveKnown() const { return m_liveKnown; }

    // Read back and compare what a batch of writes sent (on by default).
    void SetVerifyWrites(bool verify) { m_verifyWrites = verify; }
    bool VerifyWrites() const { return m_verifyWrites; }
    // The programs of the last batch of writes and what became of each, as of now (a batch
    // under way counts what has been acknowledged so far).
    std::vector<SlotWrite> WriteOutcome() const;
    // A batch of writes is under way.
    bool WritingBatch() const { return m_writesOpen; }

    // The operator's values the amplifier has not acknowledged: marked, queued, in flight,
    // or edited while unlinked, since the last link-up or file load.
    std::vector<UnsentEdit> UnsentEdits();
    // The records as they are now are in step with the amplifier (a file was loaded and is
    // being sent, or nothing was ever linked).
    void EditsSettled();
    // Queues a frame of an edit built outside the pending scan (CH2's block when CH1 and CH2
    // are linked), so that its arrival is accounted for.
    void SendEdit(std::unique_ptr<SendData> item);
    // The live program arrived at link-up while the PC held unsent edits: the records wait,
    // unreloaded and unsent, for ResolveLiveChoice.
    bool LiveChoicePending() const { return m_liveChoicePending; }
    // TakeAmplifier reloads the records from the amplifier's live program, as every link-up
    // does; SendPc writes the records (adjusted to the amplifier's mode and sensitivities)
    // into the live program and sends its 640 data bytes.
    void ResolveLiveChoice(LiveChoice choice);

signals:
    // The link's lifecycle only; everything the form shows goes through LinkView.
    void linkOpened(tolmarin::LinkKind kind);
    void linkOpenFailed(tolmarin::LinkKind kind);
    // The link-up's reads have all been answered, once per link. complete: everything
    // arrived (names, system items, live program). Edits flow when the live program
    // arrived (LiveKnown), whether or not the rest did.
    void linkUpFinished(bool complete);
    void linkClosed(tolmarin::LinkCloseReason reason);
    void reconnecting(int attempt);
    // A verified batch of writes has ended: verified when every program read back equal
    // (the done popup has been shown), otherwise the message has named what differs.
    void writesVerified(bool verified);
    // The live program arrived while the PC held unsent edits: the form asks the operator
    // and answers with ResolveLiveChoice. Delivered from inside the reply handling: the
    // form must ask later (a queued connection), never from this call.
    void liveChoiceNeeded();

private:
    enum class Phase {
        Idle,
        Opening,              // network connect of an opening under way
        Linked,               // ticks service the queue
        ReconnectClosing,     // socket closed, waiting before connecting again
        ReconnectConnecting,  // connect of a reconnection under way
        ReconnectSettling,    // connected again, waiting before resending
    };

    // A batch of reads in the queue, in queue order; each ends with its "up" notification.
    enum class ReadBatch { LinkUp, Recall, AllPrograms, ReadBack };
    struct PendingReads {
        ReadBatch kind;
        std::string path;  // AllPrograms: where the view writes them
        int slot = 0;      // ReadBack: index into m_writes
    };

    // The front (LinkController.cpp): the parser's notifications, routed by job.
    void Notify(const ReplyEvent& event) override;

    // Connection phases and reconnection (LinkConnection.cpp).
    void OnBytes(LinkTransport& from, std::span<const std::uint8_t> bytes);
    void FinishSerialOpen(bool ok);
    void FinishNetworkOpen(bool ok);
    void LinkUp(LinkTransport& link);
    bool DoCloseSerial(LinkCloseReason reason);
    void DoCloseNetwork(LinkCloseReason reason);
    void ReconnectNetwork();
    void NetworkGiveUp(LinkFailure failure);
    std::string Place() const;
    void ReportGiveUp(TextId neverAnswered, LinkFailure failure);
    void CancelWait();

    // Pacing and retransmission (LinkPacing.cpp).
    void ServiceSerial();
    void ServiceNetwork();
    void TransmitHead(SendData& head);
    void NoteTimeOut();

    // Transfers: batches, read-back, progress (LinkTransfers.cpp).
    void EnqueueCounted(std::unique_ptr<SendData> item);
    void BeginWrites();
    std::size_t AddSlot(int program);
    void EnqueueWrite(std::size_t slot, std::unique_ptr<SendData> item, bool name, bool last);
    void EnqueueReadBack(std::size_t slot);
    void OnReadBack(std::size_t slot);
    void EndWrites();
    void SettleWrites(std::vector<SlotWrite>& written) const;
    bool CutWrites();
    void ReportCut(bool cut, LinkCloseReason reason);
    void OnReadsDone();
    std::string DescribeMissing() const;
    void ForgetReads();

    // Edit tracking: the ledger and the live-program choice (LinkEditTracking.cpp).
    void TakeLiveProgram();
    void TrackEdit(SendData& item);
    void SettleEdits();
    void NoteLostEdits();

    // Status display: lamp, progress bar, readouts (LinkStatusDisplay.cpp).
    void SetLamp(LinkLamp lamp);
    void StartBatchDisplay();
    void SetProgressRange(int low, int high);
    void SetProgressPos(int pos);
    void OnStatus();

    SharedState& m_state;
    CommandQueue& m_command;
    LinkModel& m_model;
    LinkView& m_view;
    LinkTransport& m_serial;
    LinkTransport& m_network;
    std::unique_ptr<LinkScheduler> m_scheduler;

    // Hands the command object's writes to whichever transport is open.
    class CommandPort : public ByteTransport {
    public:
        LinkTransport* link = nullptr;
        bool Write(std::span<const std::uint8_t> bytes) override;
        void Purge() override;
    };
    CommandPort m_port;

    Phase m_phase = Phase::Idle;
    bool m_linked = false;
    int m_progressPos = 0;
    LinkKind m_linkType = LinkKind::Usb;
    int m_netRetries = 0;
    bool m_corruptReply = false;  // a reply failed its checksum since the last valid one
    LinkFailure m_lastFault = LinkFailure::NoAnswer;
    LinkTarget m_networkTarget;
    std::string m_serialPort;
    int m_wait = 0;  // handle of the reconnection wait under way, 0 when none
    bool m_liveKnown = false;
    LinkLamp m_lamp = LinkLamp::Off;
    // The amplifier has answered on this opening of the link: a give-up then reads as a
    // link lost, not as one that never opened.
    bool m_answered = false;
    int m_quietTicks = 0;  // pacing ticks since the last valid reply (or the link-up)
    std::deque<PendingReads> m_readBatches;
    // Reads answered without their data since the last batch ended.
    std::vector<ReplyEvent> m_missed;

    // What the amplifier holds of the live program, and the edit frames still queued.
    EditLedger m_ledger;
    std::vector<std::pair<std::uint64_t, std::vector<std::uint8_t>>> m_editFrames;
    bool m_liveChoicePending = false;
    std::string m_lostEdits;  // the edits a link just lost took with it

    bool m_verifyWrites = true;
    bool m_writesOpen = false;
    std::vector<SlotWrite> m_writes;
    std::set<std::uint64_t> m_sentTags;  // writes of the batch that have gone out
    std::uint64_t m_nextTag = 0;

    // The progress bar as last set, clamped to its range as the control clamps it.
    int m_barLow = 0;
    int m_barHigh = 100;
    int m_barPos = 0;

    // The temperature readouts' stored values; -1 until the first status shows them.
    std::array<int, 2> m_temperature{-1, -1};
};

}  // namespace tolmarin
