#pragma once

#include <array>
#include <cstdint>
#include <deque>
#include <memory>
#include <span>

#include "protocol/DeviceImage.h"
#include "protocol/Protocol.h"
#include "protocol/ReplyEvent.h"
#include "protocol/SendData.h"

namespace tolmarin {

// A link the command object writes frames to: the serial port or the TCP socket. Kept
// thin so the Qt links (and test fakes) implement it in a few lines.
class ByteTransport {
public:
    virtual ~ByteTransport() = default;
    // Writes the whole frame within the link's write time-out; false when it did not.
    virtual bool Write(std::span<const std::uint8_t> bytes) = 0;
    // Drops whatever the driver still holds in either direction.
    virtual void Purge() = 0;
};

// The receiver of what the command object announces.
class CommandOwner {
public:
    virtual ~CommandOwner() = default;
    virtual void Notify(const ReplyEvent& event) = 0;
};

// What became of the frames the receiver saw; for diagnostics and tests.
struct ReceiverCounts {
    int acted = 0;         // stored (or acknowledged) and completed the head
    int badTrailer = 0;    // last byte not 0xAA
    int badChecksum = 0;   // XOR after the H did not match
    int unknownCode = 0;   // a code the PC does not act on: receiver left collecting
    int discarded = 0;     // well-formed but refused: empty queue or no such program slot
    int unanswered = 0;    // completed a read at the head without its data
    int oversize = 0;      // announced a frame longer than the frame buffer
    int bytesDropped = 0;  // bytes beyond the frame buffer's 800
    int acknowledged = 0;  // acted-on acknowledgements (0xAA, 0xAB): writes that arrived
    // Per stored program 1 to 20: replies that completed a read with its data.
    std::array<int, kStoredPrograms + 1> programData{};
};

// The command object: the queue of transmission items, the link it writes to, and the
// reply parser both links feed. Exactly one frame is outstanding at a time: only a reply
// the parser acts on completes the head. Any such reply completes a write; a read (item,
// recall, program) completed by a reply that does not carry what it asked for is also
// announced as ReadUnanswered, so no one takes the stale copy for the amplifier's data.
//
// Notifications are posted, not sent: they are collected while bytes are parsed (or the
// head is completed) and handed to the owner, in the order posted, once that work has
// finished. A notification posted while the owner is handling an earlier one waits
// behind those already posted. The owner may call back into the object from Notify but
// must not destroy it there.
class CommandQueue {
public:
    explicit CommandQueue(SharedState& state);
    ~CommandQueue();
    CommandQueue(const CommandQueue&) = delete;
    CommandQueue& operator=(const CommandQueue&) = delete;

    void SetOwner(CommandOwner* owner) { owner_ = owner; }
    CommandOwner* Owner() const { return owner_; }
    // The open link (serial port or socket); null when none is open.
    void SetTransport(ByteTransport* link) { transport_ = link; }
    ByteTransport* Transport() const { return transport_; }

    // The queue owns every item given to it.
    void Enqueue(std::unique_ptr<SendData> item);
    int QueueCount() const { return static_cast<int>(queue_.size()); }
    // Throws std::logic_error on an empty queue.
    SendData& Head();
    const SendData& Head() const;
    // Deletes every item unsent or in flight.
    void ClearQueue();
    // True while an item with this tag is queued (unsent or in flight, not yet answered).
    bool HoldsTag(std::uint64_t tag) const;

    // Writes the head's frame to the link and remembers it as the item in flight. False
    // with an empty queue, without a link or when the link refused the write; the flags
    // of the item are the caller's business either way.
    bool TransmitHead();
    // The head last transmitted while it is still queued, else null.
    const SendData* InFlight() const { return inFlight_; }
    // Posts the head's transfer notifications (up before down) and deletes it; false
    // (nothing happens) with an empty queue.
    bool CompleteHead();

    // Purges the link, blanks both buffers and goes back to hunting for a frame start.
    // A partial run of Z bytes is kept.
    void ResetReceiver();
    // Parses bytes a link has received; more than 800 are parsed 800 at a time, as
    // successive reads.
    void FeedBytes(std::span<const std::uint8_t> bytes);

    // Receiver state.
    bool Synced() const { return synced_; }
    int Collected() const { return count_; }
    int ZCount() const { return zCount_; }
    const ReceiverCounts& Counts() const { return counts_; }
    // The eight payload bytes of the amplifier's last status reply, 0 before the first.
    const std::array<int, kStatusByteCount>& Status() const { return status_; }

private:
    // Holds delivery back while the object is busy; delivers when the outermost leaves.
    class Busy {
    public:
        explicit Busy(CommandQueue& c) : c_(c) { ++c_.busy_; }
        ~Busy() { --c_.busy_; }
        Busy(const Busy&) = delete;
        Busy& operator=(const Busy&) = delete;

    private:
        CommandQueue& c_;
    };

    void ParseBytes(int n);
    void DispatchReply();
    bool Act(std::uint8_t code, int program, int item, std::span<const std::uint8_t> payload);
    bool CompleteHeadPosting();
    void Post(const ReplyEvent& event);
    void DeliverPosted();
    void BackToHunting();

    SharedState& state_;
    CommandOwner* owner_ = nullptr;
    ByteTransport* transport_ = nullptr;
    std::deque<std::unique_ptr<SendData>> queue_;
    const SendData* inFlight_ = nullptr;
    std::array<int, kStatusByteCount> status_{};

    std::array<std::uint8_t, kReceiveBufferSize> frame_{};  // from the H (frame offset 3) on
    std::array<std::uint8_t, kReceiveBufferSize> input_{};  // the chunk just received
    int expected_ = 0;                                      // frame length from its H to its 0xAA
    int zCount_ = 0;
    int count_ = 0;
    bool synced_ = false;
    ReceiverCounts counts_;

    std::deque<ReplyEvent> posted_;
    int busy_ = 0;
    bool delivering_ = false;
};

}  // namespace tolmarin
