#include "measure/Wav.h"

#include <sndfile.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <sstream>

#include "protocol/ProgramFile.h"

namespace tolmarin::measure {

namespace {

// libsndfile reads and writes through these, on bytes in memory: the reader never opens a
// path itself (so a pipe or a device is refused before it is read), and the writer's bytes
// go to the project's one safe file writer.
struct Memory {
    std::string bytes;
    sf_count_t pos = 0;
};

sf_count_t MemLength(void* user) {
    return static_cast<sf_count_t>(static_cast<Memory*>(user)->bytes.size());
}

sf_count_t MemSeek(sf_count_t offset, int whence, void* user) {
    auto* m = static_cast<Memory*>(user);
    const sf_count_t size = static_cast<sf_count_t>(m->bytes.size());
    sf_count_t to = offset;
    if (whence == SEEK_CUR) {
        to = m->pos + offset;
    } else if (whence == SEEK_END) {
        to = size + offset;
    }
    if (to < 0) {
        return -1;
    }
    m->pos = to;
    return m->pos;
}

sf_count_t MemRead(void* ptr, sf_count_t count, void* user) {
    auto* m = static_cast<Memory*>(user);
    const sf_count_t size = static_cast<sf_count_t>(m->bytes.size());
    const sf_count_t n = std::max<sf_count_t>(0, std::min(count, size - m->pos));
    if (n > 0) {
        std::memcpy(ptr, m->bytes.data() + m->pos, static_cast<std::size_t>(n));
        m->pos += n;
    }
    return n;
}

sf_count_t MemWrite(const void* ptr, sf_count_t count, void* user) {
    auto* m = static_cast<Memory*>(user);
    const auto end = static_cast<std::size_t>(m->pos + count);
    if (m->bytes.size() < end) {
        m->bytes.resize(end);
    }
    std::memcpy(m->bytes.data() + m->pos, ptr, static_cast<std::size_t>(count));
    m->pos += count;
    return count;
}

sf_count_t MemTell(void* user) {
    return static_cast<Memory*>(user)->pos;
}

SF_VIRTUAL_IO kMemoryIo{MemLength, MemSeek, MemRead, MemWrite, MemTell};

const char* EncodingName(int subtype) {
    switch (subtype) {
        case SF_FORMAT_PCM_U8:
        case SF_FORMAT_PCM_S8:
            return "8-bit PCM";
        case SF_FORMAT_PCM_32:
            return "32-bit PCM";
        case SF_FORMAT_DOUBLE:
            return "64-bit float";
        case SF_FORMAT_ULAW:
        case SF_FORMAT_ALAW:
            return "telephone (A-law/u-law)";
        default:
            return "compressed";
    }
}

constexpr const char* kSweepTag = "tolmarin-sweep";

std::uint32_t Le32(std::span<const std::uint8_t> b, std::size_t at) {
    return b[at] | (b[at + 1] << 8) | (b[at + 2] << 16) |
           (static_cast<std::uint32_t>(b[at + 3]) << 24);
}

std::uint64_t Le64(std::span<const std::uint8_t> b, std::size_t at) {
    return Le32(b, at) | (static_cast<std::uint64_t>(Le32(b, at + 4)) << 32);
}

void PutLe32(std::string& out, std::uint64_t v) {
    for (int i = 0; i < 4; ++i) {
        out += static_cast<char>((v >> (8 * i)) & 0xFFu);
    }
}

bool IsTag(std::span<const std::uint8_t> b, std::size_t at, const char* tag) {
    return b.size() >= at + 4 && std::memcmp(b.data() + at, tag, 4) == 0;
}

// A chunk's name as it can be shown: its four bytes, any that are not printable as '?'.
std::string ChunkName(std::span<const std::uint8_t> b, std::size_t at) {
    std::string name;
    for (std::size_t i = at; i < at + 4; ++i) {
        name += b[i] >= 0x20 && b[i] < 0x7F ? static_cast<char>(b[i]) : '?';
    }
    return name;
}

Problem Damaged(std::span<const std::uint8_t> b, std::size_t at, std::uint64_t claimed,
                std::uint64_t left) {
    return {TextId::MeasureWavDamaged,
            {ChunkName(b, at), std::to_string(claimed), std::to_string(left)}};
}

// libsndfile is handed only a file rebuilt from checked parts: a RIFF WAVE of the format
// chunk, the INFO list (where a comment is) and the samples, every size within its parent.
// Its own walk through a file's other chunks trusts their sizes: an INFO item of a name it
// does not know claiming 2^32 - 8 bytes wraps its count round and seeks back to the same
// item for ever. libsndfile
// also guesses other formats and hands them to decoders (MP3) that can spin on hostile
// input; only PCM or float samples in a RIFF/RF64 WAVE file get this far.
std::optional<Problem> CheckedWave(std::span<const std::uint8_t> b, std::string& out) {
    const Problem notWav{TextId::MeasureWavUnreadable, {"not WAV"}};
    const bool rf64 = IsTag(b, 0, "RF64");
    if (!(IsTag(b, 0, "RIFF") || rf64) || !IsTag(b, 8, "WAVE")) {
        return notWav;
    }
    std::span<const std::uint8_t> fmt;
    std::span<const std::uint8_t> data;
    bool haveData = false;
    std::uint64_t rf64DataSize = 0;
    std::string info;  // the INFO list's sub-chunks that were whole
    std::size_t pos = 12;
    while (pos + 8 <= b.size()) {
        const std::uint64_t size = Le32(b, pos + 4);
        const std::size_t body = pos + 8;
        const std::uint64_t left = b.size() - body;
        if (IsTag(b, pos, "data") && !haveData) {
            const std::uint64_t claimed = rf64 && size == 0xFFFFFFFFu ? rf64DataSize : size;
            data = b.subspan(body, static_cast<std::size_t>(std::min(claimed, left)));
            haveData = true;
            if (claimed > left) {
                // A recording cut short (a recorder stopped mid-write) keeps what it holds.
                break;
            }
            pos = body + static_cast<std::size_t>(claimed + (claimed & 1u));
            continue;
        }
        if (size > left) {
            return Damaged(b, pos, size, left);
        }
        const auto chunk = b.subspan(body, static_cast<std::size_t>(size));
        if (IsTag(b, pos, "fmt ")) {
            if (size < 16) {
                return notWav;
            }
            fmt = chunk;
        } else if (IsTag(b, pos, "ds64") && rf64) {
            if (size < 24) {
                return notWav;
            }
            rf64DataSize = Le64(chunk, 8);
        } else if (IsTag(b, pos, "LIST") && IsTag(chunk, 0, "INFO")) {
            for (std::size_t at = 4; at + 8 <= chunk.size();) {
                const std::uint64_t subSize = Le32(chunk, at + 4);
                const std::uint64_t subLeft = chunk.size() - at - 8;
                if (subSize > subLeft) {
                    return Damaged(chunk, at, subSize, subLeft);
                }
                // Only its text items (IART, ICMT, ...): libsndfile takes INFO, adtl, exif
                // and data there for markers of other kinds.
                if (chunk[at] == 'I' && !IsTag(chunk, at, "INFO") &&
                    ChunkName(chunk, at).find('?') == std::string::npos) {
                    info.append(reinterpret_cast<const char*>(chunk.data() + at),
                                static_cast<std::size_t>(8 + subSize));
                    if (subSize & 1u) {
                        info += '\0';
                    }
                }
                at += static_cast<std::size_t>(8 + subSize + (subSize & 1u));
            }
        }
        pos = body + static_cast<std::size_t>(size + (size & 1u));
    }
    if (fmt.empty()) {
        return notWav;
    }
    const unsigned tag = fmt[0] | (fmt[1] << 8);
    if (tag != 1 && tag != 3 && tag != 0xFFFE) {  // PCM, IEEE float, extensible
        return notWav;
    }
    if (!haveData) {
        return Problem{TextId::MeasureWavEmpty, {}};
    }
    out.clear();
    out.reserve(64 + fmt.size() + info.size() + data.size());
    out += "RIFF";
    PutLe32(out, 0);  // filled in below
    out += "WAVEfmt ";
    PutLe32(out, fmt.size());
    out.append(reinterpret_cast<const char*>(fmt.data()), fmt.size());
    if (fmt.size() & 1u) {
        out += '\0';
    }
    if (!info.empty()) {
        out += "LIST";
        PutLe32(out, 4 + info.size());
        out += "INFO";
        out += info;
    }
    out += "data";
    PutLe32(out, data.size());
    out.append(reinterpret_cast<const char*>(data.data()), data.size());
    if (data.size() & 1u) {
        out += '\0';
    }
    const std::uint64_t riff = out.size() - 8;
    for (int i = 0; i < 4; ++i) {
        out[4 + static_cast<std::size_t>(i)] = static_cast<char>((riff >> (8 * i)) & 0xFFu);
    }
    return std::nullopt;
}

}  // namespace

WavOutcome ReadWavBytes(std::span<const std::uint8_t> bytes) {
    WavOutcome out;
    if (bytes.size() > kMaxWavBytes) {
        out.problem = {TextId::MeasureWavTooLarge,
                       {"WAV", std::to_string(kMaxWavBytes / (1024u * 1024u))}};
        return out;
    }
    Memory mem;
    if (auto problem = CheckedWave(bytes, mem.bytes)) {
        out.problem = std::move(*problem);
        return out;
    }
    SF_INFO info{};
    SNDFILE* f = sf_open_virtual(&kMemoryIo, SFM_READ, &info, &mem);
    if (f == nullptr) {
        out.problem = {TextId::MeasureWavUnreadable, {sf_strerror(nullptr)}};
        return out;
    }
    struct Closer {
        SNDFILE* f;
        ~Closer() { sf_close(f); }
    } closer{f};
    const int major = info.format & SF_FORMAT_TYPEMASK;
    if (major != SF_FORMAT_WAV && major != SF_FORMAT_WAVEX && major != SF_FORMAT_RF64) {
        out.problem = {TextId::MeasureWavUnreadable, {"not WAV"}};
        return out;
    }
    Audio a;
    switch (info.format & SF_FORMAT_SUBMASK) {
        case SF_FORMAT_PCM_16:
            a.encoding = WavEncoding::Pcm16;
            break;
        case SF_FORMAT_PCM_24:
            a.encoding = WavEncoding::Pcm24;
            break;
        case SF_FORMAT_FLOAT:
            a.encoding = WavEncoding::Float32;
            break;
        default:
            out.problem = {TextId::MeasureWavEncoding,
                           {EncodingName(info.format & SF_FORMAT_SUBMASK)}};
            return out;
    }
    // The header's frame count is not trusted beyond what the bytes can hold.
    const std::uint64_t bytesPerSample = a.encoding == WavEncoding::Pcm16   ? 2
                                         : a.encoding == WavEncoding::Pcm24 ? 3
                                                                            : 4;
    if (info.channels <= 0 || info.samplerate <= 0 || info.frames <= 0 ||
        static_cast<std::uint64_t>(info.frames) * static_cast<std::uint64_t>(info.channels) *
                bytesPerSample >
            bytes.size()) {
        out.problem = {TextId::MeasureWavEmpty, {}};
        return out;
    }
    a.rate = info.samplerate;
    a.channels = info.channels;
    a.samples.resize(static_cast<std::size_t>(info.frames) *
                     static_cast<std::size_t>(info.channels));
    // PCM comes scaled to +-1; float samples come as they are, beyond full scale too.
    sf_command(f, SFC_SET_NORM_DOUBLE, nullptr, SF_TRUE);
    const sf_count_t got = sf_readf_double(f, a.samples.data(), info.frames);
    a.samples.resize(static_cast<std::size_t>(std::max<sf_count_t>(0, got)) *
                     static_cast<std::size_t>(info.channels));
    if (a.samples.empty()) {
        out.problem = {TextId::MeasureWavEmpty, {}};
        return out;
    }
    if (!std::all_of(a.samples.begin(), a.samples.end(),
                     [](double v) { return std::isfinite(v); })) {
        out.problem = {TextId::MeasureWavNotFinite, {}};
        return out;
    }
    if (const char* c = sf_get_string(f, SF_STR_COMMENT)) {
        a.comment = c;
    }
    out.audio = std::move(a);
    return out;
}

WavOutcome ReadWav(const std::string& path) {
    std::string bytes;
    WavOutcome out;
    switch (ReadFileBytes(path, bytes, kMaxWavBytes)) {
        case FileStatus::Ok:
            return ReadWavBytes(
                {reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()});
        case FileStatus::NotAFile:
            out.problem = {TextId::ReadNotRegular, {path}};
            return out;
        case FileStatus::WrongSize:
            out.problem = {TextId::MeasureWavTooLarge,
                           {path, std::to_string(kMaxWavBytes / (1024u * 1024u))}};
            return out;
        default:
            out.problem = {TextId::MeasureWavUnreadable, {path}};
            return out;
    }
}

std::string WavBytes(std::span<const double> mono, int rate, WavEncoding encoding,
                     const std::string& comment) {
    Memory mem;
    SF_INFO info{};
    info.samplerate = rate;
    info.channels = 1;
    info.format = SF_FORMAT_WAV | (encoding == WavEncoding::Pcm16   ? SF_FORMAT_PCM_16
                                   : encoding == WavEncoding::Pcm24 ? SF_FORMAT_PCM_24
                                                                    : SF_FORMAT_FLOAT);
    SNDFILE* f = sf_open_virtual(&kMemoryIo, SFM_WRITE, &info, &mem);
    if (f == nullptr) {
        return {};
    }
    if (!comment.empty()) {
        sf_set_string(f, SF_STR_COMMENT, comment.c_str());
    }
    // PCM is written clipped at full scale rather than wrapped round.
    sf_command(f, SFC_SET_CLIPPING, nullptr, SF_TRUE);
    sf_writef_double(f, mono.data(), static_cast<sf_count_t>(mono.size()));
    sf_close(f);
    return mem.bytes;
}

std::string SweepWavBytes(const Sweep& s) {
    std::ostringstream c;
    c.imbue(std::locale::classic());
    c << kSweepTag << " rate=" << s.params.rate << " samples=" << s.params.samples
      << " from=" << s.params.fromHz << " to=" << s.params.toHz << " level=" << s.params.levelDbfs
      << " lead=" << s.lead << " tail=" << s.tail;
    return WavBytes(s.samples, s.params.rate, WavEncoding::Float32, c.str());
}

SignalOutcome ChannelOf(const Audio& audio, int channel) {
    SignalOutcome out;
    if (channel < 0 || channel >= audio.channels) {
        out.problem = {TextId::MeasureNoChannel,
                       {std::to_string(channel + 1), std::to_string(audio.channels)}};
        return out;
    }
    Signal s;
    s.rate = audio.rate;
    const std::size_t frames = audio.Frames();
    s.samples.resize(frames);
    for (std::size_t i = 0; i < frames; ++i) {
        s.samples[i] = audio.samples[i * static_cast<std::size_t>(audio.channels) +
                                     static_cast<std::size_t>(channel)];
    }
    out.signal = std::move(s);
    return out;
}

SweepOutcome SweepOfAudio(const Audio& audio) {
    SweepOutcome out;
    std::istringstream in(audio.comment);
    in.imbue(std::locale::classic());
    std::string tag;
    in >> tag;
    Sweep s;
    int found = 0;
    for (std::string item; in >> item;) {
        const auto eq = item.find('=');
        if (eq == std::string::npos) {
            continue;
        }
        const std::string key = item.substr(0, eq);
        std::istringstream v(item.substr(eq + 1));
        v.imbue(std::locale::classic());
        double d = 0.0;
        if (!(v >> d) || !std::isfinite(d) || std::fabs(d) > 1e9) {
            break;
        }
        if (key == "rate") {
            s.params.rate = static_cast<int>(d);
        } else if (key == "samples") {
            s.params.samples = static_cast<int>(d);
        } else if (key == "from") {
            s.params.fromHz = d;
        } else if (key == "to") {
            s.params.toHz = d;
        } else if (key == "level") {
            s.params.levelDbfs = d;
        } else if (key == "lead") {
            s.lead = static_cast<int>(d);
        } else if (key == "tail") {
            s.tail = static_cast<int>(d);
        } else {
            continue;
        }
        ++found;
    }
    const std::size_t frames = audio.Frames();
    if (tag != kSweepTag || found != 7 || CheckSweep(s.params) || s.params.rate != audio.rate ||
        audio.channels != 1 || s.lead < 0 || s.tail < 0 ||
        static_cast<std::size_t>(s.lead) + static_cast<std::size_t>(s.params.samples) +
                static_cast<std::size_t>(s.tail) !=
            frames) {
        out.problem = {TextId::MeasureNotASweep, {}};
        return out;
    }
    s.samples = audio.samples;
    out.sweep = std::move(s);
    return out;
}

}  // namespace tolmarin::measure
