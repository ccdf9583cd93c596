// The fuzzer's seed corpus of valid replies, fed to the command object in every way a
// link can deliver it, and checked against the independent reference receiver.

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <random>

#include "protocol/CommandQueue.h"
#include "protocol/FrameBuilder.h"
#include "support/Fresh.h"
#include "support/NetworkFeed.h"
#include "support/ReferenceReceiver.h"

namespace tolmarin {
namespace {

using testing::Bytes;
using testing::FreshState;
using testing::Observe;
using testing::Observed;
using testing::RecordingOwner;
using testing::ReferenceReceiver;

struct Seed {
    std::string name;
    Bytes bytes;
};

std::vector<Seed> Corpus() {
    std::vector<Seed> seeds;
    for (const auto& entry : std::filesystem::directory_iterator(TOLMARIN_REPLY_CORPUS)) {
        std::ifstream in(entry.path(), std::ios::binary);
        seeds.push_back(
            {entry.path().filename().string(), Bytes(std::istreambuf_iterator<char>(in), {})});
    }
    std::sort(seeds.begin(), seeds.end(), [](auto& a, auto& b) { return a.name < b.name; });
    return seeds;
}

// A command object with two items queued, the first flagged both ways.
struct Rig {
    Rig() : cmd(*s) {
        cmd.SetOwner(&owner);
        auto first = BuildPoll(*s);
        first->SetNotifyUp(1);
        first->SetNotifyDown(1);
        cmd.Enqueue(std::move(first));
        cmd.Enqueue(BuildPoll(*s));
    }
    Observed Now() { return Observe(*s, cmd, owner); }
    FreshState s;
    RecordingOwner owner;
    CommandQueue cmd;
};

Observed Whole(const Bytes& b) {
    Rig r;
    r.cmd.FeedBytes(b);
    return r.Now();
}

TEST(ReplyCorpus, HoldsTheRepliesTheFuzzerStartsFrom) {
    const auto seeds = Corpus();
    ASSERT_GE(seeds.size(), 20u);
    int acted = 0;
    for (const auto& seed : seeds) {
        ASSERT_GE(seed.bytes.size(), 14u) << seed.name;
        EXPECT_EQ(seed.bytes.back(), 0xAA) << seed.name;
        Rig r;
        r.cmd.FeedBytes(seed.bytes);
        EXPECT_EQ(r.cmd.Counts().badChecksum + r.cmd.Counts().badTrailer, 0) << seed.name;
        acted += r.cmd.Counts().acted;
    }
    EXPECT_GE(acted, 18);
}

TEST(ReplyCorpus, EverySplitAndByteByByteEqualsOnePiece) {
    for (const auto& seed : Corpus()) {
        const Observed whole = Whole(seed.bytes);
        for (std::size_t cut = 0; cut <= seed.bytes.size(); ++cut) {
            Rig r;
            r.cmd.FeedBytes(std::span(seed.bytes).first(cut));
            r.cmd.FeedBytes(std::span(seed.bytes).subspan(cut));
            ASSERT_EQ(r.Now(), whole) << seed.name << " cut at " << cut;
        }
        Rig bytewise;
        for (std::uint8_t b : seed.bytes) {
            bytewise.cmd.FeedBytes(std::span(&b, 1));
        }
        EXPECT_EQ(bytewise.Now(), whole) << seed.name << " one byte at a time";
        Rig network;
        Bytes rx(800, 0);
        for (std::size_t at = 0; at < seed.bytes.size(); at += 7) {
            const std::size_t n = std::min<std::size_t>(7, seed.bytes.size() - at);
            std::copy_n(seed.bytes.begin() + static_cast<long>(at), n, rx.begin());
            testing::FeedNetworkBytes(network.cmd, rx, static_cast<int>(n));
        }
        EXPECT_EQ(network.Now(), whole) << seed.name << " in TCP segments of 7";
    }
}

// A flipped bit is either caught (nothing happens) or lands on bytes the true reply would
// have written with the same value: it never stores a wrong one.
TEST(ReplyCorpus, NoSingleBitFlipStoresADifferentValue) {
    const Bytes initial = [] {
        Rig r;
        return r.Now().memory;
    }();
    for (const auto& seed : Corpus()) {
        const Observed right = Whole(seed.bytes);
        for (std::size_t bit = 0; bit < seed.bytes.size() * 8; ++bit) {
            Bytes flipped = seed.bytes;
            flipped[bit / 8] ^= static_cast<std::uint8_t>(1u << (bit % 8));
            const Observed got = Whole(flipped);
            for (std::size_t i = 0; i < got.memory.size(); ++i) {
                if (got.memory[i] != initial[i] && got.memory[i] != right.memory[i]) {
                    FAIL() << seed.name << ": bit " << bit << " stored a wrong byte at " << i;
                }
            }
            if (!got.notes.empty()) {
                EXPECT_EQ(got.notes, right.notes) << seed.name << " bit " << bit;
            }
        }
    }
}

// A small, deterministic run of what the fuzzer does at length: mutated streams of corpus
// replies in random chunks, with resets, against the reference receiver.
TEST(ReplyCorpus, MutatedStreamsMatchTheReferenceReceiver) {
    const auto seeds = Corpus();
    std::mt19937 rng(410);
    for (int round = 0; round < 1500; ++round) {
        Bytes stream;
        const int parts = 1 + static_cast<int>(rng() % 4);
        for (int p = 0; p < parts; ++p) {
            const Bytes& b = seeds[rng() % seeds.size()].bytes;
            stream.insert(stream.end(), b.begin(), b.end());
        }
        const int mutations = static_cast<int>(rng() % 4);
        for (int m = 0; m < mutations && !stream.empty(); ++m) {
            const std::size_t at = rng() % stream.size();
            switch (rng() % 4) {
                case 0:
                    stream[at] ^= static_cast<std::uint8_t>(1u << (rng() % 8));
                    break;
                case 1:
                    stream.erase(stream.begin() + static_cast<long>(at));
                    break;
                case 2:
                    stream.insert(stream.begin() + static_cast<long>(at), 0x5A);
                    break;
                default:
                    stream[at] = static_cast<std::uint8_t>(rng());
                    break;
            }
        }
        Rig r;
        ReferenceReceiver ref(*r.s, {{true, true}, {false, false}});
        std::size_t at = 0;
        while (at < stream.size()) {
            const std::size_t n = std::min<std::size_t>(1 + rng() % 900, stream.size() - at);
            const auto chunk = std::span(stream).subspan(at, n);
            r.cmd.FeedBytes(chunk);
            ref.Feed(chunk);
            at += n;
            if (rng() % 8 == 0) {
                r.cmd.ResetReceiver();
                ref.Reset();
            }
            ASSERT_EQ(r.Now(), ref.Now()) << "round " << round << " at " << at;
        }
    }
}

}  // namespace
}  // namespace tolmarin
