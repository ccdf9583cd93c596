#pragma once

#include <array>
#include <cstdint>
#include <deque>
#include <span>
#include <vector>

#include "protocol/CommandQueue.h"
#include "protocol/DeviceImage.h"
#include "support/ReplyFrames.h"

// A second, deliberately plain model of the reply receiver, written from the reply rules
// without the command object's fixed buffers: a growing vector for the frame, whole-memory
// byte arrays for the image. Tests and the fuzzer feed both the same chunks and demand the
// same outcome, so a slip in either shows up as a difference.

namespace tolmarin::testing {

// Everything a reply can change, as one comparable value.
struct Observed {
    Bytes memory;  // records 0 to 20, system bytes, status bytes (one byte each)
    std::vector<ReplyEvent> notes;
    int queued = 0;
    bool synced = false;
    int collected = 0;
    bool operator==(const Observed&) const = default;
};

// The state's memory and the queue's status bytes (a fresh queue's zeros when none is given).
inline Bytes MemoryOf(const SharedState& s, const CommandQueue* cmd = nullptr) {
    Bytes all;
    all.reserve(kProgramCount * kProgramRecordSize + kSystemByteCount + kStatusByteCount);
    for (int n = 0; n < kProgramCount; ++n) {
        auto r = s.image.ProgramRecord(n);
        all.insert(all.end(), r.begin(), r.end());
    }
    all.insert(all.end(), s.image.systemBytes.begin(), s.image.systemBytes.end());
    for (int i = 0; i < kStatusByteCount; ++i) {
        all.push_back(cmd != nullptr ? static_cast<std::uint8_t>(cmd->Status()[i]) : 0);
    }
    return all;
}

inline Observed Observe(const SharedState& s, const CommandQueue& cmd, const RecordingOwner& o) {
    return {MemoryOf(s, &cmd), o.notes, cmd.QueueCount(), cmd.Synced(), cmd.Collected()};
}

class ReferenceReceiver {
public:
    static constexpr std::size_t kCap = 800;
    static constexpr std::size_t kRecord = 656;
    static constexpr std::size_t kSystemAt = 21 * kRecord;
    static constexpr std::size_t kStatusAt = kSystemAt + 8;

    // Starts from the same memory as the command object's state, with these queued items.
    ReferenceReceiver(const SharedState& s, std::vector<std::pair<bool, bool>> upDown)
        : ReferenceReceiver(MemoryOf(s), std::move(upDown)) {}
    // The same from that state's memory, taken beforehand.
    ReferenceReceiver(Bytes memory, std::vector<std::pair<bool, bool>> upDown)
        : memory_(std::move(memory)), queue_(upDown.begin(), upDown.end()) {}

    // One read of at most 800 bytes.
    void Chunk(std::span<const std::uint8_t> c) {
        std::size_t i = 0;
        if (!synced_) {
            bool found = false;
            for (; i < c.size(); ++i) {
                if (c[i] == 0x5A) {
                    ++z_;
                } else if (c[i] == 0x48 && z_ == 3) {
                    found = true;
                    z_ = 0;
                    break;
                } else {
                    z_ = 0;
                }
            }
            if (!found) {
                return;
            }
            synced_ = true;
        }
        for (; i < c.size(); ++i) {
            if (frame_.size() < kCap) {
                frame_.push_back(c[i]);
            }
        }
        if (frame_.size() >= 11) {
            const std::size_t expected = frame_[7] + 256u * frame_[8] + 11;
            if (expected > kCap) {
                Hunt();
            } else if (frame_.size() >= expected) {
                Dispatch(expected);
            }
        }
    }

    // Any length, as the serial feed slices it.
    void Feed(std::span<const std::uint8_t> bytes) {
        while (!bytes.empty()) {
            const std::size_t n = std::min<std::size_t>(bytes.size(), kCap);
            Chunk(bytes.first(n));
            bytes = bytes.subspan(n);
        }
    }

    void Reset() {
        frame_.clear();
        synced_ = false;
    }

    int Queued() const { return static_cast<int>(queue_.size()); }

    // The same as Observe(...) == Now(), without copying the memory.
    bool Matches(const SharedState& s, const CommandQueue& cmd, const RecordingOwner& o) const {
        if (cmd.QueueCount() != Queued() || cmd.Synced() != synced_ ||
            cmd.Collected() != static_cast<int>(frame_.size()) || o.notes != notes_) {
            return false;
        }
        for (int n = 0; n < kProgramCount; ++n) {
            const auto r = s.image.ProgramRecord(n);
            if (!std::equal(r.begin(), r.end(), memory_.begin() + n * kRecord)) {
                return false;
            }
        }
        const auto& sys = s.image.systemBytes;
        if (!std::equal(sys.begin(), sys.end(), memory_.begin() + kSystemAt)) {
            return false;
        }
        for (int i = 0; i < kStatusByteCount; ++i) {
            if (cmd.Status()[i] != memory_[kStatusAt + i]) {
                return false;
            }
        }
        return true;
    }

    Observed Now() const {
        return {memory_, notes_, static_cast<int>(queue_.size()), synced_,
                static_cast<int>(frame_.size())};
    }

private:
    void Hunt() {
        frame_.clear();
        synced_ = false;
    }

    void Copy(std::size_t at, std::size_t room, const Bytes& payload) {
        for (std::size_t k = 0; k < room && k < payload.size(); ++k) {
            memory_[at + k] = payload[k];
        }
    }

    void Dispatch(std::size_t e) {
        if (frame_[e - 1] != 0xAA) {
            return Hunt();
        }
        std::uint8_t x = 0;
        for (std::size_t j = 1; j + 2 < e; ++j) {
            x ^= frame_[j];
        }
        if (frame_[e - 2] != x) {
            return Hunt();
        }
        const int code = frame_[1];
        const int n = frame_[2];
        const int item = frame_[6];
        if (code != 0xA2 && code != 0xA3 && code != 0xA5 && code != 0xA9 && code != 0xAA &&
            code != 0xAB) {
            return;  // stays collecting
        }
        if (queue_.empty()) {
            return Hunt();
        }
        const Bytes payload(frame_.begin() + 9, frame_.begin() + static_cast<long>(e) - 2);
        if (code == 0xA2) {
            if (item == 3) {
                Copy(kSystemAt, 2, payload);
            } else if (item == 4) {
                Copy(kSystemAt + 2, 4, payload);
            } else if (item == 6) {
                if (n > 20) {
                    return Hunt();
                }
                for (std::size_t k = 0; k < 15 && k < payload.size(); ++k) {
                    const std::uint8_t b = payload[k];
                    memory_[n * kRecord + k] = (b < 0x20 || b > 0x7F) ? 0x20 : b;
                }
            } else if (item == 7) {
                Copy(kSystemAt + 7, 1, payload);
                notes_.push_back(ReplyEvent::System(n));
            }
        } else if (code == 0xA3) {
            Copy(16, 640, payload);
            notes_.push_back(ReplyEvent::Live(n));
        } else if (code == 0xA5) {
            if (n < 1 || n > 20) {
                return Hunt();
            }
            Copy(n * kRecord + 16, 640, payload);
            if (n == 20) {
                notes_.push_back(ReplyEvent::AllPrograms(20));
            }
        } else if (code == 0xA9) {
            Copy(kStatusAt, 8, payload);
            notes_.push_back(ReplyEvent::StatusArrived());
        }
        const auto [up, down] = queue_.front();
        if (up) {
            notes_.push_back(ReplyEvent::Done(TransferDirection::Up));
        }
        if (down) {
            notes_.push_back(ReplyEvent::Done(TransferDirection::Down));
        }
        queue_.pop_front();
        Hunt();
    }

    Bytes memory_;
    std::deque<std::pair<bool, bool>> queue_;
    std::vector<ReplyEvent> notes_;
    Bytes frame_;
    bool synced_ = false;
    int z_ = 0;
};

}  // namespace tolmarin::testing
