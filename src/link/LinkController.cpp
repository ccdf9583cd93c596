// The link controller's front: it wires the transports and the reply parser to the
// controller and routes each of the parser's notifications to the job it concerns; the jobs
// themselves live in LinkConnection, LinkPacing, LinkTransfers, LinkEditTracking and
// LinkStatusDisplay.

#include "link/LinkController.h"

#include <algorithm>

#include "link/LinkMessages.h"

namespace tolmarin {

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

void LinkController::OpenLink(LinkKind kind) {
    if (kind == LinkKind::Usb) {
        OpenSerialLink();
    } else if (kind == LinkKind::Network) {
        OpenNetworkLink();
    }
}

void LinkController::CloseLink() {
    if (m_linkType == LinkKind::Usb) {
        CloseSerialLink();
    } else {
        CloseNetworkLink();
    }
}

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

}  // namespace tolmarin
