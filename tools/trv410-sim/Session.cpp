#include "Session.h"

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
    if (out_ == nullptr) {
        return;
    }
    std::fprintf(out_, "%s %s\n", mark, Hex(frame).c_str());
    std::fflush(out_);
}

void Trace::Note(std::string_view text) {
    if (out_ == nullptr) {
        return;
    }
    std::fprintf(out_, "# %.*s\n", static_cast<int>(text.size()), text.data());
    std::fflush(out_);
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
    : amp_(amp), faults_(faults), counter_(counter), trace_(trace) {}

std::vector<Outgoing> Session::Receive(std::span<const std::uint8_t> bytes) {
    std::vector<Outgoing> out;
    if (finished_) {
        return out;
    }
    for (const auto& request : parser_.Feed(bytes)) {
        if (trace_ != nullptr) {
            trace_->Received(request);
        }
        ++framesReceived_;
        Outgoing o;
        if (!faults_.noReply && !silent_) {
            if (faults_.refuseReads && IsRead(request)) {
                o.bytes = RefusedReply(request);
            } else if (Ignored(faults_, request)) {
                o.bytes = MakeReply(ACK_AA, request[5], request[7], request[8], request[9], {});
            } else {
                o.bytes = amp_.Handle(request);
            }
            if (IsWrite(request)) {
                o.extraDelayMs = faults_.writeDelayMs;
            }
            const long k = ++counter_.replies;
            if (faults_.unknownEvery > 0 && k % faults_.unknownEvery == 0) {
                o.bytes[4] = faults_.unknownCode;
                o.bytes[o.bytes.size() - 2] = ReplyChecksum(o.bytes);
            }
            if (faults_.badChecksumEvery > 0 && k % faults_.badChecksumEvery == 0) {
                o.bytes[o.bytes.size() - 2] ^= 0xFF;
            }
            if (trace_ != nullptr) {
                trace_->Sent(o.bytes);
            }
        }
        o.closeAfter = faults_.closeAfterFrames > 0 && framesReceived_ >= faults_.closeAfterFrames;
        if (!o.bytes.empty() || o.closeAfter) {
            out.push_back(std::move(o));
        }
        if (out.size() > 0 && out.back().closeAfter) {
            finished_ = true;  // whatever followed in this read is never seen
            break;
        }
    }
    return out;
}

}  // namespace tolmarin::sim
