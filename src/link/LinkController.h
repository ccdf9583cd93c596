#pragma once

#include <QObject>
#include <array>
#include <memory>
#include <string>

#include "link/LinkConfig.h"
#include "link/LinkModel.h"
#include "link/LinkScheduler.h"
#include "link/LinkTransport.h"
#include "link/LinkView.h"
#include "protocol/DataDefine.h"
#include "protocol/KTVCommand.h"

namespace tolmarin {

// Why a link ended, for the tool and the tests; the operator sees the messages.
enum class LinkCloseReason {
    Operator,       // the Link button or a caller closed it
    NoReply,        // USB: no reply after the retransmission
    NetworkGaveUp,  // network: the fourth time-out, or a reconnection failed
};

// The link controller: opens and closes the chosen transport, queues the link-up reads,
// paces the command queue with the 50 ms tick (one frame outstanding, polls when idle),
// retransmits, reconnects and gives up, runs the batch transfers and reacts to what the
// reply parser announces. It touches the form only through LinkView and reports messages
// through the shared UiState, so it runs headless.
//
// Nothing here blocks: a network connect and a reconnection's waits run on the scheduler,
// and while a reconnection is under way the tick services nothing.
class LinkController : public QObject, private CommandOwner {
    Q_OBJECT
public:
    // Borrowed, all of them, for the controller's life. A null scheduler means Qt's.
    LinkController(SharedState& state, KTVCommand& command, LinkModel& model, LinkView& view,
                   LinkTransport& serial, LinkTransport& network,
                   std::unique_ptr<LinkScheduler> scheduler = nullptr, QObject* parent = nullptr);
    ~LinkController() override;

    // The Link button: closes the open link; otherwise runs the Connect dialog and opens the
    // link it chose. A click while a network connect is still under way abandons it.
    void OnLinkButton();

    // Opens the serial port named in AppState.portName. True when the link is up.
    bool OpenSerialLink();
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
    void RequestLive(int n);

    void StoreAllPrograms();
    void SendLiveProgram();
    void StoreLiveToSlot(int n, bool refresh);
    bool ReadAllPrograms();
    void SendSystemItem(int item, int n, int ch);

    // One tick of pacing timer id (kUsbPacingTimer or kNetworkPacingTimer).
    void OnPacingTick(int timerId);

    // The network target: the amplifier address and port 8899 unless set otherwise.
    void SetNetworkTarget(const std::string& host, int port);
    const LinkTarget& NetworkTarget() const { return m_networkTarget; }

    LinkKind LinkType() const { return m_linkType; }
    void SetLinkType(LinkKind kind) { m_linkType = kind; }
    bool Linked() const { return m_linked != 0; }
    bool Opening() const { return m_phase == Phase::Opening; }
    bool Reconnecting() const;
    int ProgressPos() const { return m_progressPos; }
    int NetRetries() const { return m_netRetries; }

signals:
    void linkOpened(tolmarin::LinkKind kind);
    void linkOpenFailed(tolmarin::LinkKind kind);
    // The live program of the link-up has arrived; edits now reach the amplifier.
    void linkUpComplete();
    void linkClosed(tolmarin::LinkCloseReason reason);
    void reconnecting(int attempt);
    void liveLoaded(int program);
    void programsLoaded();
    void systemLoaded();
    void statusUpdated();
    void transferDone(int direction);

private:
    enum class Phase {
        Idle,
        Opening,              // network connect of an opening under way
        Linked,               // ticks service the queue
        ReconnectClosing,     // socket closed, waiting before connecting again
        ReconnectConnecting,  // connect of a reconnection under way
        ReconnectSettling,    // connected again, waiting before resending
    };

    void Notify(Notification what, int wParam, int lParam) override;
    void OnStatus();
    void OnBytes(LinkTransport& from, std::span<const std::uint8_t> bytes);

    void FinishSerialOpen(bool ok);
    void FinishNetworkOpen(bool ok);
    void LinkUp(LinkTransport& link, int timerId);
    bool DoCloseSerial(LinkCloseReason reason);
    void DoCloseNetwork(LinkCloseReason reason);

    void ServiceSerial();
    void ServiceNetwork();
    void TransmitHead(SendData& head);
    void ReconnectNetwork();
    void NetworkGiveUp();
    void CancelWait();

    void EnqueueCounted(std::unique_ptr<SendData> item);
    void StartBatchDisplay();
    void SetProgressRange(int low, int high);
    void SetProgressPos(int pos);

    SharedState& m_state;
    KTVCommand& m_command;
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
    int m_linked = 0;
    int m_progressPos = 0;
    LinkKind m_linkType = LinkKind::Usb;
    int m_netRetries = 0;
    LinkTarget m_networkTarget;
    int m_wait = 0;  // handle of the reconnection wait under way, 0 when none
    bool m_awaitingLinkUp = false;
    std::string m_programsFile;

    // The progress bar as last set, clamped to its range as the control clamps it.
    int m_barLow = 0;
    int m_barHigh = 100;
    int m_barPos = 0;

    // The temperature readouts' stored values; -1 until the first status shows them.
    std::array<int, 2> m_temperature{-1, -1};
};

}  // namespace tolmarin
