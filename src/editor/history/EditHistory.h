#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QUndoStack>
#include <cstdint>
#include <functional>
#include <memory>

#include "model/ChannelSet.h"
#include "model/Setting.h"
#include "response/FilterMath.h"
#include "text/Texts.h"

namespace tolmarin {

struct SharedState;

// What the amplifier must be sent besides the pending sub-blocks when a step that changed
// the amplifier mode, a sensitivity or the CH1/CH2 link is undone or redone: what the
// original action sent. Unset functions send nothing (no link, tests of the model).
struct HistorySender {
    std::function<void(std::uint8_t item, int index)> systemItem;
    std::function<void()> ch2Block;  // CH2's whole block, as linking sends it
};

// The document's history of edits and its A/B compare. The model is edited as always; Commit
// then records what changed since the last step as one step: the sub-blocks before and
// after, so that undo and redo are a restore of bytes that marks those sub-blocks pending
// like any edit, and the pacing sends them. A gesture (a drag from press to release) and a
// group (ApplyAsOneStep) defer the recording to their end, so each is one step.
//
// A and B are two settings of CH1 and CH2; the model holds the active one, the history the
// other. Switching, and copying one onto the other, are steps.
class EditHistory : public QObject {
    Q_OBJECT
public:
    // Names a step whose values alone do not say what it was.
    enum class StepKind { Edit, Program, Switch, CopyAToB, CopyBToA };

    // Wheel notches on one control closer than this, with no other edit between, are one
    // step: an operator turning a wheel makes one change, not one per notch.
    static constexpr qint64 kWheelMergeMs = 500;
    // Milliseconds of a steady clock.
    using Clock = std::function<qint64()>;

    EditHistory(SharedState& state, ChannelSet& channels, QObject* parent = nullptr);
    ~EditHistory() override;

    // Tests set the time the wheel's notches are measured by.
    void SetClock(Clock clock) { m_clock = std::move(clock); }

    QUndoStack& Stack() { return m_stack; }
    void SetSender(HistorySender sender) { m_sender = std::move(sender); }

    // Records the change since the last step as one step; nothing when nothing changed or
    // while a gesture or group is open.
    void Commit(StepKind kind = StepKind::Edit);
    // A wheel notch on control (any identity) is about to edit: the step it makes joins the
    // last one when that was made by the same control's wheel, less than kWheelMergeMs
    // before, with nothing else between.
    void WheelTurned(const void* control);
    // Any other input: the next step is one of its own.
    void OtherInput() {
        m_joinNext = false;
        m_wheelControl = nullptr;
    }
    // A drag or a held spin: the steps it makes are one, recorded at the end. A notice the
    // control posts on its release and that arrives after the end (a fader's last value)
    // joins that step, as long as no other input came between.
    void BeginGesture();
    void EndGesture();
    bool InGesture() const { return m_gesture > 0; }
    // Runs edits (any number of model edits, e.g. fitted bands applied together) and records
    // them as one step, named by name when given.
    void ApplyAsOneStep(const std::function<void()>& edits, TextId name = TextId::Count);

    // A new history: no steps, and A and B both the model's present setting (the live
    // program just loaded from the amplifier).
    void Reset();

    void Undo();
    void Redo();

    // --- A/B -------------------------------------------------------------------------------
    bool BActive() const { return m_bActive; }
    void SwitchAb();
    void CopyAToB();
    void CopyBToA();
    // The setting not in the model (its CH1 and CH2 are what the graph draws faintly).
    const Setting& Other() const { return m_other; }
    // The summed response of channel ch (0 or 1) in the other setting.
    GridResponse OtherResponse(int ch) const;

    // The step undo (redo) would take, named in language; empty when there is none.
    std::string UndoText(Language language) const;
    std::string RedoText(Language language) const;

signals:
    // Undo, redo or a switch changed the model: the form shows it again.
    void restored();
    // Which setting is active, or the other setting, changed.
    void compareChanged();

private:
    class Step;
    class EditStep;
    class SwapStep;
    class CopyStep;

    Setting Capture() const;
    void Apply(const SettingDelta& delta, bool after);
    void Swap();
    std::string Describe(const QUndoCommand* command, Language language) const;
    std::string DescribeDelta(const SettingDelta& delta, TextId name, Language language) const;
    void Push(QUndoCommand* step);
    qint64 Now() const;

    SharedState& m_state;
    ChannelSet& m_channels;
    QUndoStack m_stack;
    HistorySender m_sender;
    Clock m_clock;
    QElapsedTimer m_steady;
    // Joining: the step the next commit may join (the last one made) and whether it may: a
    // wheel notch that continues the same control's turn, or a control's notice that comes
    // after its gesture ended, before any other input.
    const QUndoCommand* m_joinStep = nullptr;
    bool m_joinNext = false;
    const void* m_wheelControl = nullptr;  // the control last turned, and when
    qint64 m_wheelAt = 0;
    Setting m_last;   // the model as the last step left it
    Setting m_other;  // the inactive A/B setting
    bool m_bActive = false;
    int m_gesture = 0;
    TextId m_groupName = TextId::Count;
    // Value texts of a step are made on a scratch channel set.
    std::unique_ptr<SharedState> m_scratchState;
    std::unique_ptr<ChannelSet> m_scratch;
};

}  // namespace tolmarin
