#include "protocol/CommandQueue.h"

#include <algorithm>
#include <stdexcept>

namespace tolmarin {

namespace {

// Frame buffer indices (the buffer starts at the H, frame offset 3).
constexpr int kAtCode = 1;
constexpr int kAtProgram = 2;
constexpr int kAtItem = 6;
constexpr int kAtLengthLow = 7;
constexpr int kAtLengthHigh = 8;
constexpr int kAtPayload = 9;
constexpr int kHeaderCollected = 11;  // H through the length field
constexpr int kFromHOverhead = 11;    // H, header bytes 4 to 11, checksum, trailer
// Any run of more than three Z is as useless as four; saturating keeps the counter bounded.
constexpr int kZSaturated = 4;
constexpr std::uint8_t kBlank = 0x20;
constexpr int kNameChars = 15;

bool IsActedOn(std::uint8_t code) {
    switch (code) {
        case CMD_READ_ITEM:
        case CMD_RECALL:
        case CMD_READ_PROGRAM:
        case CMD_POLL:
        case ACK_AA:
        case ACK_AB:
            return true;
        default:
            return false;
    }
}

// Frame offsets of a request (the whole frame, from the first Z).
constexpr std::size_t kAtRequestCode = 4;
constexpr std::size_t kAtRequestProgram = 5;
constexpr std::size_t kAtRequestItem = 9;

// Whether a reply carries the data the request at the head asked for. Writes and polls
// are answered by any acted-on reply.
bool Answers(std::span<const std::uint8_t> request, std::uint8_t code, int program, int item) {
    if (request.size() <= kAtRequestItem) {
        return true;
    }
    const std::uint8_t asked = request[kAtRequestCode];
    switch (asked) {
        case CMD_READ_ITEM:
            return code == asked && item == request[kAtRequestItem] &&
                   (item != ITEM_NAME || program == request[kAtRequestProgram]);
        case CMD_RECALL:
            return code == asked;  // the live program, whatever number the reply carries
        case CMD_READ_PROGRAM:
            return code == asked && program == request[kAtRequestProgram];
        default:
            return true;
    }
}

std::uint8_t CleanNameByte(std::uint8_t b) {
    return (b < 0x20 || b > 0x7F) ? kBlank : b;
}

}  // namespace

CommandQueue::CommandQueue(SharedState& state) : state_(state) {}

CommandQueue::~CommandQueue() = default;

bool CommandQueue::HoldsTag(std::uint64_t tag) const {
    return std::any_of(queue_.begin(), queue_.end(),
                       [tag](const auto& item) { return item->Tag() == tag; });
}

void CommandQueue::Enqueue(std::unique_ptr<SendData> item) {
    if (!item) {
        throw std::invalid_argument("Enqueue: no item");
    }
    queue_.push_back(std::move(item));
}

SendData& CommandQueue::Head() {
    if (queue_.empty()) {
        throw std::logic_error("Head: the queue is empty");
    }
    return *queue_.front();
}

const SendData& CommandQueue::Head() const {
    if (queue_.empty()) {
        throw std::logic_error("Head: the queue is empty");
    }
    return *queue_.front();
}

void CommandQueue::ClearQueue() {
    queue_.clear();
    inFlight_ = nullptr;
}

bool CommandQueue::TransmitHead() {
    if (queue_.empty() || transport_ == nullptr) {
        return false;
    }
    const SendData& head = *queue_.front();
    inFlight_ = &head;
    return transport_->Write(head.Frame());
}

bool CommandQueue::CompleteHead() {
    bool completed = false;
    {
        Busy busy(*this);
        completed = CompleteHeadPosting();
    }
    DeliverPosted();
    return completed;
}

bool CommandQueue::CompleteHeadPosting() {
    if (queue_.empty()) {
        return false;
    }
    const SendData& head = *queue_.front();
    if (head.NotifyUp()) {
        Post(ReplyEvent::Done(TransferDirection::Up));
    }
    if (head.NotifyDown()) {
        Post(ReplyEvent::Done(TransferDirection::Down));
    }
    if (inFlight_ == &head) {
        inFlight_ = nullptr;
    }
    queue_.pop_front();
    frame_.fill(kBlank);
    input_.fill(kBlank);
    return true;
}

void CommandQueue::ResetReceiver() {
    if (transport_ != nullptr) {
        transport_->Purge();
    }
    frame_.fill(kBlank);
    input_.fill(kBlank);
    count_ = 0;
    synced_ = false;
}

void CommandQueue::FeedBytes(std::span<const std::uint8_t> bytes) {
    {
        Busy busy(*this);
        while (!bytes.empty()) {
            const std::size_t take = std::min<std::size_t>(bytes.size(), kReceiveBufferSize);
            std::copy_n(bytes.begin(), take, input_.begin());
            ParseBytes(static_cast<int>(take));
            bytes = bytes.subspan(take);
        }
    }
    DeliverPosted();
}

void CommandQueue::ParseBytes(int n) {
    if (n <= 0) {
        return;
    }
    int i = 0;
    if (!synced_) {
        for (; i < n; ++i) {
            const std::uint8_t b = input_[i];
            if (b == FRAME_Z) {
                zCount_ = std::min(zCount_ + 1, kZSaturated);
            } else if (b == FRAME_H && zCount_ == 3) {
                synced_ = true;
                zCount_ = 0;
                break;
            } else {
                synced_ = false;
                zCount_ = 0;
            }
        }
        if (!synced_) {
            return;
        }
    }

    // The frame buffer never takes more than its 800 bytes; the rest of the chunk is lost.
    const int take = std::min(n - i, kReceiveBufferSize - count_);
    std::copy_n(input_.begin() + i, take, frame_.begin() + count_);
    count_ += take;
    counts_.bytesDropped += (n - i) - take;

    if (count_ >= kHeaderCollected) {
        expected_ = frame_[kAtLengthHigh] * 256 + frame_[kAtLengthLow] + kFromHOverhead;
        if (expected_ > kReceiveBufferSize) {
            // Can never complete in the frame buffer: no reply is this long, so the header
            // is garbage. Hunt again rather than sit collecting until the next reset.
            ++counts_.oversize;
            BackToHunting();
            return;
        }
        if (count_ >= expected_) {
            DispatchReply();
        }
    }
}

void CommandQueue::DispatchReply() {
    const int e = expected_;
    if (frame_[e - 1] != FRAME_END) {
        ++counts_.badTrailer;
        BackToHunting();
        return;
    }
    std::uint8_t checksum = 0;
    for (int j = 1; j <= e - 3; ++j) {
        checksum ^= frame_[j];
    }
    if (frame_[e - 2] != checksum) {
        ++counts_.badChecksum;
        BackToHunting();
        return;
    }

    const std::uint8_t code = frame_[kAtCode];
    if (!IsActedOn(code)) {
        // Left collecting with the frame in place until the pacing service resets.
        ++counts_.unknownCode;
        return;
    }
    // Nothing was asked for, so nothing is taken: a stray reply after the queue was
    // cleared must not overwrite what the editor holds.
    if (queue_.empty()) {
        ++counts_.discarded;
        BackToHunting();
        return;
    }
    const int payloadLength = frame_[kAtLengthLow] + 256 * frame_[kAtLengthHigh];
    const std::span<const std::uint8_t> payload(frame_.data() + kAtPayload,
                                                static_cast<std::size_t>(payloadLength));
    if (!Act(code, frame_[kAtProgram], frame_[kAtItem], payload)) {
        ++counts_.discarded;
        BackToHunting();
        return;
    }
    ++counts_.acted;
    counts_.acknowledged += code == ACK_AA || code == ACK_AB ? 1 : 0;
    const std::span<const std::uint8_t> asked = queue_.front()->Frame();
    if (!Answers(asked, code, frame_[kAtProgram], frame_[kAtItem])) {
        ++counts_.unanswered;
        Post(ReplyEvent::Unanswered(asked[kAtRequestProgram], asked[kAtRequestCode],
                                    asked[kAtRequestItem]));
    } else if (code == CMD_READ_PROGRAM && payloadLength > 0) {
        ++counts_.programData[frame_[kAtProgram]];  // 1 to 20, as Act has checked
    }
    CompleteHeadPosting();
    BackToHunting();
}

// Copies never leave the addressed area: a longer payload has its excess discarded, a
// shorter one fills only what it carries. A reply addressing a program slot that does not
// exist is refused whole (false) and treated like a corrupt frame: the head stays out.
bool CommandQueue::Act(std::uint8_t code, int program, int item,
                       std::span<const std::uint8_t> payload) {
    DeviceImage& image = state_.image;
    const auto fill = [&](std::span<std::uint8_t> area) {
        const std::size_t n = std::min(area.size(), payload.size());
        std::copy_n(payload.begin(), n, area.begin());
    };
    switch (code) {
        case CMD_READ_ITEM:
            switch (item) {
                case ITEM_MODES:
                    fill(std::span(image.systemBytes).subspan(sysbyte::kModeCh12, 2));
                    break;
                case ITEM_SENSITIVITY:
                    fill(std::span(image.systemBytes).subspan(sysbyte::kSensitivity1, 4));
                    break;
                case ITEM_NAME: {
                    if (program > kStoredPrograms) {
                        return false;
                    }
                    auto name = image.Name(program);
                    const std::size_t n = std::min<std::size_t>(kNameChars, payload.size());
                    for (std::size_t i = 0; i < n; ++i) {
                        name[i] = CleanNameByte(payload[i]);
                    }
                    break;
                }
                case ITEM_POWER:
                    fill(std::span(image.systemBytes).subspan(sysbyte::kPower, 1));
                    Post(ReplyEvent::System(program));
                    break;
                default:
                    break;
            }
            return true;
        case CMD_RECALL:
            fill(image.Data(0));
            Post(ReplyEvent::Live(program));
            return true;
        case CMD_READ_PROGRAM:
            if (program < 1 || program > kStoredPrograms) {
                return false;
            }
            fill(image.Data(program));
            if (program == kStoredPrograms) {
                Post(ReplyEvent::AllPrograms(kStoredPrograms));
            }
            return true;
        case CMD_POLL: {
            const std::size_t n = std::min<std::size_t>(kStatusByteCount, payload.size());
            for (std::size_t i = 0; i < n; ++i) {
                status_[i] = payload[i];
            }
            Post(ReplyEvent::StatusArrived());
            return true;
        }
        case ACK_AA:
        case ACK_AB:
            return true;
        default:
            return false;
    }
}

void CommandQueue::BackToHunting() {
    count_ = 0;
    synced_ = false;
}

void CommandQueue::Post(const ReplyEvent& event) {
    posted_.push_back(event);
}

void CommandQueue::DeliverPosted() {
    if (busy_ > 0 || delivering_) {
        return;  // the outer call (or the delivery loop already running) hands them over
    }
    delivering_ = true;
    struct Reset {
        bool& flag;
        ~Reset() { flag = false; }
    } reset{delivering_};
    while (!posted_.empty()) {
        const ReplyEvent event = posted_.front();
        posted_.pop_front();
        if (owner_ != nullptr) {
            owner_->Notify(event);
        }
    }
}

}  // namespace tolmarin
