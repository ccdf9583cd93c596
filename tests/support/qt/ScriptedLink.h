#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

#include "link/LinkTransport.h"

namespace tolmarin::testing {

using Bytes = std::vector<std::uint8_t>;

// A scripted link transport. It records what is sent, answers through an optional
// responder whose chunks wait in an inbox until Flush (as real bytes arrive only from the
// event loop), and opens at once or when the test says so.
class ScriptedLink : public LinkTransport {
public:
    using Responder = std::function<std::vector<Bytes>(const Bytes& frame)>;

    explicit ScriptedLink(LinkKind kind) : m_kind(kind) {}

    LinkKind Kind() const override { return m_kind; }
    void Open(const LinkTarget& target, OpenDone done) override;
    bool Close() override;
    bool IsOpen() const override { return m_open; }
    void Purge() override { ++purges; }

    // With deferOpen set, Open waits for FinishOpen; otherwise it completes with openResult.
    void FinishOpen(bool ok);
    bool OpenPending() const { return static_cast<bool>(m_pendingDone); }

    // Delivers every chunk waiting in the inbox, including chunks the responder adds while
    // the delivered ones are handled. Returns the number delivered.
    int Flush();
    // Hands bytes to the receiver now.
    void Inject(const Bytes& bytes) { Deliver(bytes); }

    bool openResult = true;
    bool deferOpen = false;
    Responder responder;
    std::vector<Bytes> inbox;

    std::vector<Bytes> writes;
    std::vector<LinkTarget> targets;
    int opens = 0;
    int closes = 0;
    int purges = 0;
    int droppedWrites = 0;

protected:
    void Write(std::span<const std::uint8_t> bytes) override;

private:
    LinkKind m_kind;
    bool m_open = false;
    OpenDone m_pendingDone;
};

// The answer a well-behaved amplifier gives to one frame: item reads with small known
// values (program n's name is "PROG n"), recall and program reads with 640 data bytes
// derived from the program number, polls with the given status bytes, and a 0xAA
// acknowledgement for every write.
std::vector<Bytes> AmplifierReply(const Bytes& frame, const std::array<std::uint8_t, 8>& status);
Bytes LiveDataPattern(int program);

}  // namespace tolmarin::testing
