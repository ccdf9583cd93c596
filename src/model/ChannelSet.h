#pragma once

#include <array>
#include <functional>
#include <memory>
#include <vector>

#include "model/OutputChannel.h"
#include "model/SendMode.h"
#include "protocol/SendData.h"

namespace tolmarin {

struct SharedState;

// Where a frame built outside the pending scan goes: normally the command queue's Enqueue.
using FrameSink = std::function<void(std::unique_ptr<SendData>)>;

// The four channel records, CH1 to CH4, owned; position equals the record's index.
class FourChannels {
public:
    FourChannels() = default;
    FourChannels(const FourChannels&) = delete;
    FourChannels& operator=(const FourChannels&) = delete;

    OutputChannel& Add(std::unique_ptr<OutputChannel> record);
    // std::out_of_range outside 0 to Count() - 1.
    OutputChannel& At(int i);
    const OutputChannel& At(int i) const;
    int Count() const { return static_cast<int>(m_records.size()); }

private:
    std::vector<std::unique_ptr<OutputChannel>> m_records;
};

// The editor's model of the amplifier's output side. It owns its records, their link groups
// and the send mode they mark changes by, moves all records into and out of the live
// program, and answers the pacing tick with the next frame to send.
class ChannelSet {
public:
    explicit ChannelSet(SharedState& state);
    ChannelSet(const ChannelSet&) = delete;
    ChannelSet& operator=(const ChannelSet&) = delete;

    OutputChannel& Channel(int i) { return m_channels.At(i); }
    const OutputChannel& Channel(int i) const { return m_channels.At(i); }
    FourChannels& Channels() { return m_channels; }
    int ChannelCount() const { return m_channels.Count(); }
    SharedState& State() { return *m_state; }

    // Adjusts the live program to the amplifier modes and input sensitivities, then loads
    // every record from it. Marks nothing pending.
    void LoadAllFromImage();
    // Writes every record into the live program, sending nothing.
    void WriteAllToImage();
    // Exactly one frame: the first pending sub-block of CH1 to CH4, else a status poll.
    std::unique_ptr<SendData> NextPendingFrame();
    void ClearAllPending(bool value);
    // No mark left on any channel, no crossover ramp under way (see OutputChannel).
    void DropAllPending();

    // --- The linked-pair rule, the one place it is written ----------------------------------
    // An edit as the form makes it: the record first, then each linked partner takes it
    // over (see FollowEdit); the graph redraws after. The output switch, name, input gain
    // and routing stay on their own channel; the input sensitivities are system items.
    void Edit(const ParamDef& d, int ch, int index, int value);
    // What the partners of source take over after d changed on it: polarity with delay (a
    // bridged pair's polarity inverted), the limiter, the volume, a table-held value. The
    // records' setters call it; filters, which know no set, go through Edit or MirrorFilter.
    void FollowEdit(const OutputChannel& source, const ParamDef& d);
    // The partners of ch take filter position over whole: band 0 to 7, then the high-pass
    // and the low-pass. After a graph drag or a room EQ fit.
    void MirrorFilter(int ch, int position);

    // CH2 follows CH1 from now on. With the amplifier link open, CH2's whole block goes
    // out at once through send.
    void LinkCh1Ch2(bool linkOpen, const FrameSink& send);
    // Both channels keep their values; nothing is sent.
    void UnlinkCh1Ch2();
    bool Ch1Ch2Linked() const;
    // Only CH2's group changes, values stay: for a restore that brings the link back.
    void SetCh1Ch2Linked(bool linked);

    // Channels in one group mirror each other's edits; each starts in its own.
    int LinkGroup(int ch) const { return m_linkGroup.at(static_cast<std::size_t>(ch)); }
    void SetLinkGroup(int ch, int group) { m_linkGroup.at(static_cast<std::size_t>(ch)) = group; }
    // True when another channel shares the link group of ch.
    bool IsLinked(int ch) const;

    // On while the records and the amplifier agree: set by the link, and cleared around a
    // restore that must not send.
    const SendMode& Mode() const { return m_mode; }
    void SetSending(bool on) { m_mode.on = on; }
    bool Sending() const { return m_mode.on; }

private:
    template <typename Fn>
    void ForEachPartner(int ch, Fn fn);

    SharedState* m_state;
    SendMode m_mode;
    std::array<int, kChannelCount> m_linkGroup{0, 1, 2, 3};
    FourChannels m_channels;
};

}  // namespace tolmarin
