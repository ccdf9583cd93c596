#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <span>
#include <string>

#include "model/Colour.h"
#include "model/EqBank.h"
#include "protocol/Protocol.h"
#include "protocol/SendData.h"

namespace tolmarin {

struct SharedState;
class ChannelSet;
struct ParamDef;
enum class Param : int;

// The sub-blocks of a channel block that carry edited values, each sent in a frame of its
// own: the name, the main values, the crossover, the limiter, the volume, eight bands.
namespace subblock {
inline constexpr int kName = 0, kMain = 1, kCrossover = 2, kLimiter = 3, kVolume = 4;
inline constexpr int kFirstBand = 5;
inline constexpr int kValueCount = 13;
}  // namespace subblock

// Everything the editor knows about one output channel, in the amplifier's own step
// encodings, so that it goes into the channel's block of the live program unconverted.
// Setters never send: they copy the change-sending flag into a pending flag, which the
// channel set's scan turns into one frame at a time. Setters of values that follow a
// linked channel (polarity and delay, limiter, volume) update the partners first.
class OutputChannel {
public:
    // A record of set, marking changes as the set's send mode says and mirroring onto its
    // linked partners there.
    OutputChannel(SharedState& state, ChannelSet& set);
    OutputChannel(const OutputChannel&) = delete;
    OutputChannel& operator=(const OutputChannel&) = delete;
    ~OutputChannel();

    // --- Values --------------------------------------------------------------------------
    void SetName(const std::string& name);
    void SetOutputOn(std::uint8_t on);
    void SetPolarity(std::uint8_t polarity);
    void SetDelay(std::int16_t delay);
    void SetInputGain(std::int16_t gain);
    void SetInputRoute(std::uint8_t route);
    void SetLimitThreshold(std::int16_t threshold);
    void SetLimitAttack(std::uint8_t attack);
    void SetLimitRelease(std::uint8_t release);
    // Whole dB above -60 (0 to 60); the stored value is limited to 0 to 600.
    void SetVolumeDb(int db);
    int GetVolumeDb() const { return m_volume / 10; }

    const std::string& GetName() const { return m_name; }
    std::uint8_t GetOutputOn() const { return m_outputOn; }
    std::uint8_t GetPolarity() const { return m_polarity; }
    std::int16_t GetDelay() const { return m_delay; }
    std::int16_t GetInputGain() const { return m_inputGain; }
    std::uint8_t GetInputRoute() const { return m_inputRoute; }
    std::int16_t GetLimitThreshold() const { return m_limitThreshold; }
    std::uint8_t GetLimitAttack() const { return m_limitAttack; }
    std::uint8_t GetLimitRelease() const { return m_limitRelease; }
    std::uint8_t GetVolumeAux() const { return m_volumeAux; }
    std::int16_t GetVolume() const { return m_volume; }

    // A value the parameter table alone describes (no member of its own): held in the
    // block's layout, sent in its row's sub-block, following a linked channel when linked.
    int Value(const ParamDef& def) const;
    void SetValue(const ParamDef& def, int value);
    // Every such value into block (a captured setting); other bytes untouched.
    void WriteTableValues(std::span<std::uint8_t, kChannelBlockSize> block) const;

    bool PendingName() const { return m_pendingName; }
    bool PendingMain() const { return m_pendingMain; }
    bool PendingLimiter() const { return m_pendingLimiter; }
    bool PendingVolume() const { return m_pendingVolume; }

    // --- Filters ---------------------------------------------------------------------------
    EqBank& Eq() { return m_eq; }
    const EqBank& Eq() const { return m_eq; }
    Filter& HighPass() { return m_eq.HighPass(); }
    const Filter& HighPass() const { return m_eq.HighPass(); }
    Filter& LowPass() { return m_eq.LowPass(); }
    const Filter& LowPass() const { return m_eq.LowPass(); }
    Filter& Band(int i) { return m_eq.Band(i); }
    const Filter& Band(int i) const { return m_eq.Band(i); }
    int FilterCount() const { return m_eq.FilterCount(); }

    // --- Identity --------------------------------------------------------------------------
    void SetIndex(std::uint8_t index) { m_index = index; }
    std::uint8_t GetIndex() const { return m_index; }
    void SetColour(RgbColour colour) { m_colour = colour; }
    RgbColour GetColour() const { return m_colour; }
    void SetColourArgb(std::uint32_t argb) { m_colourArgb = argb; }
    std::uint32_t GetColourArgb() const { return m_colourArgb; }

    // --- The channel's block of the live program -----------------------------------------
    // Each writes its sub-block of the live block; those with send return its frame
    // (nullptr otherwise). A name of 8 characters or more is refused with the length
    // message and the slot keeps its bytes; the frame of sub-block 0 is returned anyway.
    std::unique_ptr<SendData> EmitName();
    std::unique_ptr<SendData> EmitMain(bool send);
    std::unique_ptr<SendData> EmitCrossover(bool send);
    std::unique_ptr<SendData> EmitLimiter(bool send);
    std::unique_ptr<SendData> EmitVolume(bool send);
    // Band k's record, stepped while the channel is linked; returns the frame of subBlock.
    std::unique_ptr<SendData> EmitBand(int k, int subBlock);
    // The whole block, bands unstepped, nothing sent. The crossover frequencies are the
    // sent ones while changes are being sent, else the filters' own.
    void WriteAll();
    // Takes every value from a block without marking anything pending; the volume is
    // limited to 0 to 600.
    void LoadFromBlock(std::span<const std::uint8_t, kChannelBlockSize> block);

    // Takes the values sub-block subBlock of values holds (name, main, crossover, limiter,
    // volume or a band, as LoadFromBlock reads them, the name untrimmed) and marks that
    // sub-block pending as an edit does. Nothing follows on a linked channel; a band's
    // bypass is the caller's.
    void RestoreSubBlock(std::span<const std::uint8_t, kChannelBlockSize> values, int subBlock);
    // True when either crossover filter was pending; each pending one advances its sent
    // frequency one step (and stays pending until it arrives).
    bool ConsumeCrossoverPending();
    // The main, limiter and volume flags and every filter take value; the name flag stays.
    void ClearPending(bool value);
    // Every mark dropped, the name's too, and no crossover ramp left under way.
    void DropPending();
    // Takes the linked values of source (filters, polarity, delay, limiter, volume) and
    // sets the routing this channel needs in the current CH1/CH2 mode. Nothing is marked.
    void CopyLinkedFrom(const OutputChannel& source);

    // Scan support: clears the flag and reports whether it was set.
    bool TakePendingName();
    bool TakePendingMain();
    bool TakePendingVolume();
    bool TakePendingLimiter();

    // --- Display texts (parameter table), in the current interface language -------------
    std::string VolumeText() const;
    std::string OutputOnText() const;
    std::string PolarityText() const;
    std::string DelayText() const;
    std::string InputText(int n) const;
    std::string ThresholdText() const;
    std::string AttackText() const;
    std::string ReleaseText() const;

    // A linked partner's edit taken over, marked as the set's send mode says. Only the
    // channel set calls these: it decides which channel follows which edit, and how.
    void FollowMain(const OutputChannel& source, bool invertPolarity);  // polarity and delay
    void FollowLimiter(const OutputChannel& source);
    void FollowVolume(const OutputChannel& source);  // with the byte that travels with it
    void FollowValue(const OutputChannel& source, const ParamDef& def);

private:
    bool Mark() const;
    // Tells the set, whose linked partners follow.
    void Changed(Param id);
    std::span<std::uint8_t, kChannelBlockSize> LiveBlock();
    std::unique_ptr<SendData> Frame(int subBlock);
    void WriteMain();
    void WriteCrossover(bool sentFreq);
    void WriteLimiter();
    void WriteVolume();
    void WriteTableValues(std::span<std::uint8_t, kChannelBlockSize> block, int subBlock) const;
    void LoadTableValues(std::span<const std::uint8_t, kChannelBlockSize> block, int subBlock);
    bool* PendingOf(int subBlock);

    SharedState* m_state;
    ChannelSet* m_set;
    std::array<std::uint8_t, kChannelBlockSize> m_tableValues{};

    std::string m_name;
    EqBank m_eq;
    std::uint8_t m_polarity = 1;
    std::uint8_t m_outputOn = 0;
    std::int16_t m_inputGain = 66;
    std::int16_t m_delay = 0;
    std::uint8_t m_inputRoute = 1;
    std::int16_t m_limitThreshold = 200;
    std::uint8_t m_limitAttack = 106;
    std::uint8_t m_limitRelease = 0;
    std::uint8_t m_volumeAux = 0;
    std::int16_t m_volume = 0;
    bool m_pendingName = false;
    bool m_pendingVolume = false;
    bool m_pendingMain = false;
    bool m_pendingLimiter = false;
    std::uint8_t m_index = 0;
    RgbColour m_colour;
    std::uint32_t m_colourArgb = kOpaqueBlackArgb;
};

}  // namespace tolmarin
