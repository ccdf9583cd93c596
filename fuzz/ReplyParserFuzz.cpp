// Fuzzes the reply parser: the input is a byte stream from the amplifier. It is fed three
// ways (as one serial read, in small chunks with receiver resets between some of them, and
// through the network receive buffer), each time beside the reference receiver; any
// difference, any change to the builders' scratch, and any sanitizer report is a crash.

#include <array>
#include <cstdint>
#include <cstdlib>
#include <span>
#include <vector>

#include "protocol/CommandQueue.h"
#include "protocol/FrameBuilder.h"
#include "support/NetworkFeed.h"
#include "support/ReferenceReceiver.h"

namespace {

using namespace tolmarin;
using testing::RecordingOwner;
using testing::ReferenceReceiver;

const std::vector<std::pair<bool, bool>> kFlags = {
    {true, true}, {false, false}, {true, false}, {false, true}, {false, false}};

void Check(bool ok) {
    if (!ok) {
        std::abort();
    }
}

enum class Way { Whole, Chunks, Network };

// The state at start-up and its memory, made once; every pass starts from a copy.
struct Start {
    Start() {
        InitDeviceImage(state);
        InitSystemBytes(state.image);
        memory = testing::MemoryOf(state);
    }
    SharedState state;
    testing::Bytes memory;
};

void Run(std::span<const std::uint8_t> input, Way way, std::size_t step) {
    static const Start start;
    static SharedState work;
    work = start.state;
    SharedState* s = &work;
    CommandQueue cmd(*s);
    RecordingOwner owner;
    cmd.SetOwner(&owner);
    for (const auto& [up, down] : kFlags) {
        auto item = BuildPoll(*s);
        item->SetNotifyUp(up);
        item->SetNotifyDown(down);
        cmd.Enqueue(std::move(item));
    }
    const auto header = s->frames.header;
    const auto scratch = s->frames.payload;
    ReferenceReceiver ref(start.memory, kFlags);

    if (way == Way::Whole) {
        cmd.FeedBytes(input);
        ref.Feed(input);
    } else {
        std::vector<std::uint8_t> rx(800, 0);
        std::size_t index = 0;
        for (std::size_t at = 0; at < input.size(); at += step, ++index) {
            const auto chunk = input.subspan(at, std::min(step, input.size() - at));
            if (way == Way::Chunks) {
                cmd.FeedBytes(chunk);
            } else {
                std::copy(chunk.begin(), chunk.end(), rx.begin());
                testing::FeedNetworkBytes(cmd, rx, static_cast<int>(chunk.size()));
                for (std::size_t i = 0; i < chunk.size(); ++i) {
                    Check(rx[i] == 0);
                }
            }
            ref.Feed(chunk);
            // A cheap look after every chunk; the whole memory at the end.
            Check(cmd.QueueCount() == ref.Queued());
            Check(cmd.Collected() <= kReceiveBufferSize);
            if (way == Way::Chunks && index % 5 == 4) {
                cmd.ResetReceiver();
                ref.Reset();
            }
        }
    }
    Check(ref.Matches(*s, cmd, owner));
    Check(s->frames.header == header);
    Check(s->frames.payload == scratch);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::span<const std::uint8_t> input(data, size);
    Run(input, Way::Whole, 0);
    if (size > 0) {
        Run(input, Way::Chunks, data[size - 1] % 61 + 1);
        Run(input, Way::Network, data[size / 2] % 23 + 1);
    }
    return 0;
}
