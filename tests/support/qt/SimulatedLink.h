#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "link/LinkTransport.h"
#include "sim/Amplifier.h"
#include "sim/Session.h"

namespace tolmarin::testing {

// A link to the simulated amplifier in this process, with no clock of its own: frames
// written go to the amplifier's request handling, and its replies wait until Flush hands
// them over, as real bytes arrive only from the event loop; a network connect, too, ends
// in the next Flush. A network link starts a new
// session with every open, as the amplifier does for every TCP connection; a serial line
// keeps its one session. The faults apply as the simulator applies them, but for the
// timed ones (delays and chunk gaps).
class SimulatedLink : public LinkTransport {
public:
    SimulatedLink(LinkKind kind, sim::Amplifier& amp, const sim::Faults& faults = {});
    ~SimulatedLink() override;

    LinkKind Kind() const override { return m_kind; }
    void Open(const LinkTarget& target, OpenDone done) override;
    bool Close() override;
    bool IsOpen() const override { return m_open; }

    // Ends a connect under way, then delivers every reply waiting. Returns the number of chunks
    // delivered.
    int Flush();
    // Requests the amplifier has read, on every connection so far.
    int FramesReceived() const { return m_frames; }

    bool openResult = true;
    // Unplugged or switched off: connects fail and what is written is lost.
    bool away = false;
    // Opens asked for, successful or not.
    int opens = 0;

protected:
    void Write(std::span<const std::uint8_t> bytes) override;

private:
    void FinishOpen(OpenDone done);

    LinkKind m_kind;
    sim::Amplifier& m_amp;
    sim::Faults m_faults;
    sim::ReplyCounter m_counter;
    std::unique_ptr<sim::Session> m_session;
    std::vector<std::vector<std::uint8_t>> m_inbox;
    OpenDone m_pendingOpen;
    bool m_open = false;
    int m_frames = 0;
};

}  // namespace tolmarin::testing
