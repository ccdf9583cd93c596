// Writes one file per valid reply into a directory: the simulator's answer to every kind
// of request the editor sends, and hand-made replies at the edges of the format. Used as
// the fuzzer's seed corpus and by the tests that feed each reply in every split.
//
//   trv410-reply-seeds DIR

#include <cstdio>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "protocol/FrameBuilder.h"
#include "sim/Amplifier.h"

namespace {

using Bytes = std::vector<std::uint8_t>;
using tolmarin::sim::MakeReply;

Bytes Noise(std::size_t n, unsigned seed) {
    Bytes b(n);
    for (auto& x : b) {
        seed = seed * 1103515245u + 12345u;
        x = static_cast<std::uint8_t>((seed >> 16) & 0xFF);
        if (x == tolmarin::FRAME_Z) {
            x = 0x11;  // keep noise free of frame starts
        }
    }
    return b;
}

}  // namespace

int main(int argc, char** argv) {
    using namespace tolmarin;
    if (argc != 2) {
        std::fprintf(stderr, "usage: trv410-reply-seeds DIR\n");
        return 2;
    }
    const std::string dir = argv[1];
    int written = 0;
    const auto put = [&](const std::string& name, const Bytes& bytes) {
        char prefix[8];
        std::snprintf(prefix, sizeof prefix, "%02d-", written);
        std::ofstream out(dir + "/" + prefix + name + ".bin", std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(bytes.data()),
                  static_cast<std::streamsize>(bytes.size()));
        ++written;
    };

    sim::Amplifier amp(7);
    amp.SystemBytes() = {2, 1, 1, 2, 0, 1, 0, 1};
    SharedState s;
    InitDeviceImage(s);
    InitSystemBytes(s.image);
    const auto ask = [&](const std::unique_ptr<SendData>& item) {
        return amp.Handle(item->Frame());
    };

    put("item-modes", ask(BuildItemRead(s, ITEM_MODES, 0)));
    put("item-sensitivity", ask(BuildItemRead(s, ITEM_SENSITIVITY, 0)));
    put("item-name-3", ask(BuildItemRead(s, ITEM_NAME, 3)));
    put("item-power", ask(BuildItemRead(s, ITEM_POWER, 0)));
    put("recall-0", ask(BuildRecall(s, 0)));
    put("program-read-19", ask(BuildProgramRead(s, 19)));
    put("program-read-20", ask(BuildProgramRead(s, 20)));
    put("poll", ask(BuildPoll(s)));
    put("ack-subblock", ask(BuildChannelSubBlock(s, 1, 4)));
    put("ack-channel-block", ask(BuildChannelBlock(s, 5, 2)));
    put("ack-program-write", ask(BuildProgramWrite(s, 9)));
    put("ack-name-write", ask(BuildItemWrite(s, ITEM_NAME, 2)));
    put("refused-program-read-0", ask(BuildProgramRead(s, 0)));

    const Bytes oddName = {'M', 0x07, 'x', 0xC8, 0x7F, 0x80, ' ', 'Z',
                           'Z', 'Z',  'H', 'a',  'b',  'c',  'd', 0};
    put("item-name-live-dirty", MakeReply(CMD_READ_ITEM, 0, SECTION_ITEM, 0, ITEM_NAME, oddName));
    put("status-long", MakeReply(CMD_POLL, 0, 0, 0, 0, Noise(12, 3)));
    put("status-short", MakeReply(CMD_POLL, 0, 0, 0, 0, Noise(3, 4)));
    put("recall-long", MakeReply(CMD_RECALL, 4, 0, 0, 0, Noise(700, 5)));
    put("status-fills-buffer", MakeReply(CMD_POLL, 0, 0, 0, 0, Noise(789, 6)));
    put("ack-ab", MakeReply(ACK_AB, 0, 0, 0, 0, {}));
    put("unknown-a4", MakeReply(CMD_WRITE_CHANNEL, 0, 0, 0, 0, Noise(8, 7)));
    put("program-read-21", MakeReply(CMD_READ_PROGRAM, 21, 0, 0, 0, Noise(640, 8)));
    Bytes afterNoise = Noise(40, 9);
    afterNoise.insert(afterNoise.end(), {0x5A, 0x5A, 0x5A, 0x5A, 0x48});  // four Z: no start
    const Bytes ack = MakeReply(ACK_AA, 0, 0, 0, 0, {});
    afterNoise.insert(afterNoise.end(), ack.begin(), ack.end());
    put("ack-after-noise", afterNoise);

    std::printf("%d replies written to %s\n", written, dir.c_str());
    return 0;
}
