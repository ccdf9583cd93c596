#include "sim/Session.h"

namespace tolmarin::sim {

std::string Hex(std::span<const std::uint8_t> bytes) {
    static const char digits[] = "0123456789ABCDEF";
    std::string s;
    s.reserve(bytes.size() * 3);
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        if (i != 0) {
            s.push_back(' ');
        }
        s.push_back(digits[bytes[i] >> 4]);
        s.push_back(digits[bytes[i] & 0xF]);
    }
    return s;
}

void Trace::Line(const char* mark, std::span<const std::uint8_t> frame) {
    if (m_out == nullptr) {
        return;
    }
    std::fprintf(m_out, "%s %s\n", mark, Hex(frame).c_str());
    std::fflush(m_out);
}

void Trace::Note(std::string_view text) {
    if (m_out == nullptr) {
        return;
    }
    std::fprintf(m_out, "# %.*s\n", static_cast<int>(text.size()), text.data());
    std::fflush(m_out);
}

namespace {

bool IsRead(std::span<const std::uint8_t> request) {
    const std::uint8_t code = request.size() > 4 ? request[4] : 0;
    return code == CMD_READ_ITEM || code == CMD_RECALL || code == CMD_READ_PROGRAM;
}

bool IsWrite(std::span<const std::uint8_t> request) {
    const std::uint8_t code = request.size() > 4 ? request[4] : 0;
    return code == CMD_WRITE || code == CMD_WRITE_CHANNEL || code == CMD_WRITE_PROGRAM;
}

// A write the faults say to acknowledge and leave unapplied.
bool Ignored(const Faults& f, std::span<const std::uint8_t> request) {
    if (!IsWrite(request) || request.size() < static_cast<std::size_t>(kFrameHeaderSize)) {
        return false;
    }
    const bool item = request[4] == CMD_WRITE && request[7] == SECTION_ITEM;
    return f.ignoreWrites || (f.ignoreProgram >= 0 && request[5] == f.ignoreProgram) ||
           (f.ignoreItem >= 0 && item && request[9] == f.ignoreItem);
}

std::vector<std::uint8_t> RefusedReply(std::span<const std::uint8_t> request) {
    const auto at = [&](std::size_t i) -> std::uint8_t {
        return i < request.size() ? request[i] : 0;
    };
    return MakeReply(kRefusedReply, at(5), at(7), at(8), at(9), {});
}

}  // namespace

Session::Session(Amplifier& amp, const Faults& faults, ReplyCounter& counter, Trace* trace)
    : m_amp(amp), m_faults(faults), m_counter(counter), m_trace(trace) {}

std::vector<Outgoing> Session::Receive(std::span<const std::uint8_t> bytes) {
    std::vector<Outgoing> out;
    if (m_finished) {
        return out;
    }
    for (const auto& request : m_parser.Feed(bytes)) {
        if (m_trace != nullptr) {
            m_trace->Received(request);
        }
        ++m_framesReceived;
        Outgoing o;
        if (!m_faults.noReply && !m_silent) {
            if (m_faults.refuseReads && IsRead(request)) {
                o.bytes = RefusedReply(request);
            } else if (Ignored(m_faults, request)) {
                o.bytes = MakeReply(ACK_AA, request[5], request[7], request[8], request[9], {});
            } else {
                o.bytes = m_amp.Handle(request);
            }
            if (IsWrite(request)) {
                o.extraDelayMs = m_faults.writeDelayMs;
            }
            const long k = ++m_counter.replies;
            if (m_faults.unknownEvery > 0 && k % m_faults.unknownEvery == 0) {
                o.bytes[4] = m_faults.unknownCode;
                o.bytes[o.bytes.size() - 2] = ReplyChecksum(o.bytes);
            }
            if (m_faults.badChecksumEvery > 0 && k % m_faults.badChecksumEvery == 0) {
                o.bytes[o.bytes.size() - 2] ^= 0xFF;
            }
            if (m_trace != nullptr) {
                m_trace->Sent(o.bytes);
            }
        }
        o.closeAfter =
            m_faults.closeAfterFrames > 0 && m_framesReceived >= m_faults.closeAfterFrames;
        if (!o.bytes.empty() || o.closeAfter) {
            out.push_back(std::move(o));
        }
        if (out.size() > 0 && out.back().closeAfter) {
            m_finished = true;  // whatever followed in this read is never seen
            break;
        }
    }
    return out;
}

}  // namespace tolmarin::sim
