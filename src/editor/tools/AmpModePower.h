#pragma once

#include <QObject>
#include <cstdint>
#include <functional>

namespace tolmarin {

class ChannelSet;
class EditHistory;
struct SharedState;

// The amplifier's mode of the CH1/CH2 pair and its power switch, as the operator sets them:
// what changes in the model, what is sent, what the history records. Showing is the form's.
class AmpModePower : public QObject {
    Q_OBJECT
public:
    // Sends a system item (its code and input) to the amplifier.
    using SystemItemSender = std::function<void(std::uint8_t item, int index)>;
    // Asks the operator whether to go on; answer(true) goes on. It may answer later.
    using Confirm = std::function<void(std::function<void(bool)> answer)>;

    // All borrowed for the tool's life.
    AmpModePower(SharedState& state, ChannelSet& channels, EditHistory& history,
                 QObject* parent = nullptr);

    // Unset, nothing is sent (no link, tests of the model).
    void SetSender(SystemItemSender send) { m_send = std::move(send); }

    int Mode() const;
    // A new mode: the live program is written and read back under it (the routing, a bridged
    // pair's polarity), CH1 and CH2 are unlinked, modeChanged is emitted, the mode item is
    // sent and the history records one step. The mode already set changes nothing. Returns
    // whether it changed.
    bool SetMode(int mode);

    bool PowerOn() const;
    // Turns the power over. Switching on goes at once; switching off silences the room, so
    // it goes only when confirm answers yes. powerShown says what the switch shows after.
    void TogglePower(const Confirm& confirm);

signals:
    // The mode is now mode and CH1 and CH2 are unlinked; the item is not yet sent.
    void modeChanged(int mode);
    // What the power switch shows: on after a refused switch-off, else the new state.
    void powerShown(bool on);

private:
    void SetPower(bool on);

    SharedState& m_state;
    ChannelSet& m_channels;
    EditHistory& m_history;
    SystemItemSender m_send;
};

}  // namespace tolmarin
