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
            o.bytes = m_faults.refuseReads && IsRead(request) ? RefusedReply(request)
                                                              : m_amp.Handle(request);
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
