#include "support/qt/ScriptedLink.h"

#include <string>

#include "support/ReplyFrames.h"

namespace tolmarin::testing {

void ScriptedLink::Open(const LinkTarget& target, OpenDone done) {
    if (m_open || m_pendingDone) {
        Close();
    }
    ++opens;
    targets.push_back(target);
    if (deferOpen) {
        m_pendingDone = std::move(done);
        return;
    }
    m_open = openResult;
    done(openResult);
}

void ScriptedLink::FinishOpen(bool ok) {
    OpenDone done = std::move(m_pendingDone);
    m_pendingDone = nullptr;
    m_open = ok;
    if (done) {
        done(ok);
    }
}

bool ScriptedLink::Close() {
    const bool was = m_open || static_cast<bool>(m_pendingDone);
    m_open = false;
    m_pendingDone = nullptr;
    inbox.clear();
    if (was) {
        ++closes;
    }
    return was;
}

void ScriptedLink::Write(std::span<const std::uint8_t> bytes) {
    if (!m_open) {
        ++droppedWrites;
        return;
    }
    writes.emplace_back(bytes.begin(), bytes.end());
    if (responder) {
        for (Bytes& chunk : responder(writes.back())) {
            inbox.push_back(std::move(chunk));
        }
    }
}

int ScriptedLink::Flush() {
    int delivered = 0;
    while (!inbox.empty() && m_open) {
        Bytes chunk = std::move(inbox.front());
        inbox.erase(inbox.begin());
        Deliver(chunk);
        ++delivered;
    }
    return delivered;
}

Bytes LiveDataPattern(int program) {
    return Pattern(kProgramDataSize, static_cast<unsigned>(program) + 77u);
}

std::vector<Bytes> AmplifierReply(const Bytes& frame, const std::array<std::uint8_t, 8>& status) {
    const std::uint8_t code = frame[4];
    const std::uint8_t program = frame[5];
    const std::uint8_t item = frame[9];
    switch (code) {
        case CMD_READ_ITEM: {
            Bytes payload;
            if (item == ITEM_NAME) {
                const std::string name = "PROG " + std::to_string(program);
                payload.assign(16, ' ');
                std::copy(name.begin(), name.end(), payload.begin());
                payload[15] = 0;
            } else if (item == ITEM_MODES) {
                payload = {1, 0};
            } else if (item == ITEM_SENSITIVITY) {
                payload = {2, 1, 0, 0};
            } else {
                payload = {1};
            }
            return {MakeReplyFrame(CMD_READ_ITEM, program, item, payload)};
        }
        case CMD_RECALL:
            return {MakeReplyFrame(CMD_RECALL, program, 0, LiveDataPattern(program))};
        case CMD_READ_PROGRAM:
            return {MakeReplyFrame(CMD_READ_PROGRAM, program, 0, LiveDataPattern(program))};
        case CMD_POLL:
            return {MakeReplyFrame(CMD_POLL, 0, 0, Bytes(status.begin(), status.end()))};
        default:
            return {MakeReplyFrame(ACK_AA, 0, 0, {})};
    }
}

}  // namespace tolmarin::testing
