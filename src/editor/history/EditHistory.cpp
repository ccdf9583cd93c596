#include "editor/history/EditHistory.h"

#include <algorithm>
#include <set>
#include <utility>

#include "model/OutputChannel.h"
#include "model/Parameters.h"
#include "protocol/DeviceImage.h"
#include "text/NumberText.h"
#include "text/SelectionLists.h"

namespace tolmarin {

namespace {

// A and B cover the two channels the form shows.
constexpr int kComparedChannels = 2;

std::string Fill(std::string pattern, std::initializer_list<std::string> args) {
    int n = 1;
    for (const std::string& arg : args) {
        const std::string mark = "%" + IntText(n++);
        if (const auto at = pattern.find(mark); at != std::string::npos) {
            pattern.replace(at, mark.size(), arg);
        }
    }
    return pattern;
}

TextId NameOf(Param p) {
    return ParamOf(p).stepName;
}

std::string OnOff(bool on, Language language) {
    return Tr(on ? TextId::HistoryOn : TextId::HistoryOff, language);
}

// A value as its codec shows it (a band's bandwidth as bandwidth, whatever its type; a
// bypassed band's gain flat), read straight from the recorded bytes.
std::string StepText(const ParamDef& def, std::span<const std::uint8_t> block, int band,
                     bool bypass, Language language) {
    if (def.id == Param::BandBypass) {
        return OnOff(bypass, language);
    }
    if (def.codec == nullptr) {
        return {};
    }
    const bool flat = def.id == Param::BandGain && bypass;
    return def.codec->Text(flat ? def.codec->Flat() : ReadParam(block, def, band), language);
}

struct Changed {
    const ParamDef* def = nullptr;
    int band = 0;
    const SubBlockPatch* patch = nullptr;
};

// The edited parameters a patch changes; a band's slope counts only without its type.
void CollectChanges(const SubBlockPatch& p, std::vector<Changed>& out) {
    std::array<std::uint8_t, kChannelBlockSize> before{};
    std::array<std::uint8_t, kChannelBlockSize> after{};
    std::ranges::copy(p.before, before.begin() + p.subBlock * kSubBlockSize);
    std::ranges::copy(p.after, after.begin() + p.subBlock * kSubBlockSize);
    const bool bandBlock = p.subBlock >= kFirstBandSubBlock;
    const int band = bandBlock ? p.subBlock - kFirstBandSubBlock : 0;
    // A band's slope follows its type in the type list, and its bypass follows a gain.
    bool typeChanged = false;
    bool gainChanged = false;
    for (const ParamDef& def : AllParams()) {
        if (NameOf(def.id) == TextId::Count || (def.scope == ParamScope::Band) != bandBlock) {
            continue;
        }
        bool differs = false;
        if (def.id == Param::BandBypass) {
            differs = p.bypassBefore != p.bypassAfter;
        } else if (ParamOffset(def, band) / kSubBlockSize == p.subBlock) {
            differs = ReadParam(before, def, band) != ReadParam(after, def, band);
        }
        if ((def.id == Param::BandSlope && typeChanged) ||
            (def.id == Param::BandBypass && gainChanged)) {
            differs = false;
        }
        if (differs) {
            typeChanged = typeChanged || def.id == Param::BandType;
            gainChanged = gainChanged || def.id == Param::BandGain;
            const bool known = std::ranges::any_of(
                out, [&](const Changed& c) { return c.def == &def && c.band == band; });
            if (!known) {
                out.push_back({&def, band, &p});
            }
        }
    }
}

// older followed by newer as one change: each sub-block from as it was before older to as it
// is after newer; a sub-block that came back to where it was drops out.
SettingDelta Joined(const SettingDelta& older, const SettingDelta& newer) {
    SettingDelta out = older;
    out.after = newer.after;
    for (const SubBlockPatch& p : newer.patches) {
        const auto same = std::ranges::find_if(out.patches, [&p](const SubBlockPatch& q) {
            return q.channel == p.channel && q.subBlock == p.subBlock;
        });
        if (same == out.patches.end()) {
            out.patches.push_back(p);
        } else {
            same->after = p.after;
            same->bypassAfter = p.bypassAfter;
        }
    }
    std::erase_if(out.patches, [](const SubBlockPatch& p) {
        return p.before == p.after && p.bypassBefore == p.bypassAfter;
    });
    return out;
}

}  // namespace

// --- Steps -----------------------------------------------------------------------------------

class EditHistory::Step : public QUndoCommand {
public:
    explicit Step(EditHistory& history) : m_history(history) {}
    virtual std::string Describe(Language language) const = 0;

protected:
    EditHistory& m_history;
};

// Values the model already holds: the first redo (the push) has nothing to do.
class EditHistory::EditStep : public Step {
public:
    EditStep(EditHistory& history, SettingDelta delta, TextId name)
        : Step(history), m_delta(std::move(delta)), m_name(name) {
        m_delta.patches.shrink_to_fit();
    }
    void redo() override {
        if (std::exchange(m_pushed, false)) {
            return;
        }
        m_history.Apply(m_delta, true);
    }
    void undo() override { m_history.Apply(m_delta, false); }
    std::string Describe(Language language) const override {
        return m_history.DescribeDelta(m_delta, m_name, language);
    }
    // The model already holds the joined change.
    void Join(const SettingDelta& later) { m_delta = Joined(m_delta, later); }

private:
    SettingDelta m_delta;
    TextId m_name;
    bool m_pushed = true;
};

// A switch is its own inverse.
class EditHistory::SwapStep : public Step {
public:
    SwapStep(EditHistory& history, bool toB) : Step(history), m_toB(toB) {}
    void redo() override { m_history.Swap(); }
    void undo() override { m_history.Swap(); }
    std::string Describe(Language language) const override {
        return Fill(Tr(TextId::CompareSwitch, language),
                    {Tr(m_toB ? TextId::CompareB : TextId::CompareA, language)});
    }

private:
    bool m_toB;  // the setting the switch goes to
};

// Copying the active setting onto the other changes only the other; the reverse changes the
// model.
class EditHistory::CopyStep : public Step {
public:
    CopyStep(EditHistory& history, bool aToB) : Step(history), m_aToB(aToB) {}
    void redo() override {
        const bool ontoOther = m_aToB != m_history.BActive();
        if (ontoOther) {
            m_savedOther = m_history.m_other;
            const Setting now = m_history.Capture();
            for (int c = 0; c < kComparedChannels; ++c) {
                m_history.m_other.channels[static_cast<std::size_t>(c)] =
                    now.channels[static_cast<std::size_t>(c)];
            }
            emit m_history.compareChanged();
            return;
        }
        if (!m_computed) {
            const Setting now = m_history.Capture();
            Setting target = now;
            for (int c = 0; c < kComparedChannels; ++c) {
                target.channels[static_cast<std::size_t>(c)] =
                    m_history.m_other.channels[static_cast<std::size_t>(c)];
            }
            m_delta = Diff(now, target, kComparedChannels);
            m_computed = true;
        }
        m_history.Apply(m_delta, true);
    }
    void undo() override {
        if (m_aToB != m_history.BActive()) {
            m_history.m_other = m_savedOther;
            emit m_history.compareChanged();
        } else {
            m_history.Apply(m_delta, false);
        }
    }
    std::string Describe(Language language) const override {
        return Tr(m_aToB ? TextId::CompareCopyAToB : TextId::CompareCopyBToA, language);
    }

private:
    bool m_aToB;
    bool m_computed = false;
    Setting m_savedOther;
    SettingDelta m_delta;
};

// --- The history ------------------------------------------------------------------------------

EditHistory::EditHistory(SharedState& state, ChannelSet& channels, QObject* parent)
    : QObject(parent),
      m_state(state),
      m_channels(channels),
      m_scratchState(std::make_unique<SharedState>()),
      m_scratch(std::make_unique<ChannelSet>(*m_scratchState)) {
    m_steady.start();
    Reset();
}

EditHistory::~EditHistory() {
    m_stack.clear();
}

Setting EditHistory::Capture() const {
    return CaptureSetting(m_channels, m_state);
}

void EditHistory::Push(QUndoCommand* step) {
    m_joinStep = nullptr;
    m_stack.push(step);
    m_last = Capture();
}

void EditHistory::Commit(StepKind kind) {
    if (m_gesture > 0) {
        return;
    }
    Setting now = Capture();
    if (now == m_last) {
        return;
    }
    TextId name = m_groupName;
    if (kind == StepKind::Program) {
        name = TextId::HistoryProgram;
    }
    const bool join = std::exchange(m_joinNext, false) && name == TextId::Count &&
                      m_joinStep != nullptr && m_stack.index() == m_stack.count() &&
                      m_stack.command(m_stack.count() - 1) == m_joinStep;
    if (join) {
        // QUndoStack's own merging cannot serve: it would run redo on a step the model
        // already holds. The strip's texts follow the joined step.
        auto* step = static_cast<EditStep*>(const_cast<QUndoCommand*>(m_joinStep));
        step->Join(Diff(m_last, now));
        m_last = now;
        emit m_stack.indexChanged(m_stack.index());
        return;
    }
    auto* step = new EditStep(*this, Diff(m_last, now), name);
    m_stack.push(step);
    m_joinStep = step;
    m_last = now;
}

qint64 EditHistory::Now() const {
    return m_clock ? m_clock() : m_steady.elapsed();
}

void EditHistory::WheelTurned(const void* control) {
    const qint64 now = Now();
    m_joinNext = control == m_wheelControl && now - m_wheelAt < kWheelMergeMs;
    m_wheelControl = control;
    m_wheelAt = now;
}

void EditHistory::BeginGesture() {
    OtherInput();
    ++m_gesture;
}

void EditHistory::EndGesture() {
    if (m_gesture > 0 && --m_gesture == 0) {
        const int before = m_stack.count();
        Commit();
        m_joinNext = m_stack.count() > before;  // the control's last notice may follow
    }
}

void EditHistory::ApplyAsOneStep(const std::function<void()>& edits, TextId name) {
    Commit();  // what came before is a step of its own
    m_groupName = name;
    BeginGesture();
    edits();
    EndGesture();
    m_groupName = TextId::Count;
}

void EditHistory::Reset() {
    m_joinStep = nullptr;
    m_stack.clear();
    m_gesture = 0;
    m_last = Capture();
    m_other = m_last;
    m_bActive = false;
    emit compareChanged();
}

void EditHistory::Undo() {
    if (m_gesture > 0) {
        return;  // a drag is not yet a step
    }
    Commit();
    m_joinStep = nullptr;  // what a wheel does next is a step of its own
    m_stack.undo();
}

void EditHistory::Redo() {
    if (m_gesture > 0) {
        return;
    }
    Commit();
    m_joinStep = nullptr;
    m_stack.redo();
}

void EditHistory::Apply(const SettingDelta& delta, bool after) {
    // Mode, sensitivity and link steps send what the original action sent; their values
    // come into the live program unsent, as the original action left them.
    const bool system = delta.SystemChanged();
    ApplyDelta(m_channels, m_state, delta, after, !system);
    if (system) {
        const SystemValues& from = after ? delta.before : delta.after;
        const SystemValues& to = after ? delta.after : delta.before;
        if (from.mode != to.mode) {
            m_channels.WriteAllToImage();  // as a change of mode leaves the live program
        }
        if (m_sender.systemItem) {
            if (from.mode != to.mode) {
                m_sender.systemItem(ITEM_MODES, 0);
            }
            for (int i = 0; i < 2; ++i) {
                if (from.sensitivity[static_cast<std::size_t>(i)] !=
                    to.sensitivity[static_cast<std::size_t>(i)]) {
                    m_sender.systemItem(ITEM_SENSITIVITY, i);
                }
            }
        }
        if (from.linked != to.linked && m_sender.ch2Block) {
            m_sender.ch2Block();
        }
    }
    m_last = Capture();
    emit restored();
}

void EditHistory::Swap() {
    const Setting now = Capture();
    Setting target = now;
    for (int c = 0; c < kComparedChannels; ++c) {
        target.channels[static_cast<std::size_t>(c)] =
            m_other.channels[static_cast<std::size_t>(c)];
    }
    ApplyDelta(m_channels, m_state, Diff(now, target, kComparedChannels), true, true);
    for (int c = 0; c < kComparedChannels; ++c) {
        m_other.channels[static_cast<std::size_t>(c)] = now.channels[static_cast<std::size_t>(c)];
    }
    m_bActive = !m_bActive;
    m_last = Capture();
    emit restored();
    emit compareChanged();
}

void EditHistory::SwitchAb() {
    if (m_gesture > 0) {
        return;
    }
    Commit();
    Push(new SwapStep(*this, !m_bActive));
}

void EditHistory::CopyAToB() {
    Commit();
    Push(new CopyStep(*this, true));
}

void EditHistory::CopyBToA() {
    Commit();
    Push(new CopyStep(*this, false));
}

GridResponse EditHistory::OtherResponse(int ch) const {
    const ChannelValues& v = m_other.channels.at(static_cast<std::size_t>(ch));
    OutputChannel& scratch = m_scratch->Channel(0);
    scratch.LoadFromBlock(v.block);
    for (int k = 0; k < kEqBandCount; ++k) {
        scratch.Band(k).SetBypass((v.bypass >> k) & 1);
    }
    return scratch.Eq().SummedResponse();
}

// --- Names of steps -------------------------------------------------------------------------

std::string EditHistory::UndoText(Language language) const {
    const int at = m_stack.index() - 1;
    return at >= 0 ? Describe(m_stack.command(at), language) : std::string();
}

std::string EditHistory::RedoText(Language language) const {
    const int at = m_stack.index();
    return at < m_stack.count() ? Describe(m_stack.command(at), language) : std::string();
}

std::string EditHistory::Describe(const QUndoCommand* command, Language language) const {
    const auto* step = dynamic_cast<const Step*>(command);
    return step != nullptr ? step->Describe(language) : std::string();
}

std::string EditHistory::DescribeDelta(const SettingDelta& delta, TextId name,
                                       Language language) const {
    if (name != TextId::Count) {
        return Tr(name, language);
    }
    const auto change = [language](const std::string& what, const std::string& from,
                                   const std::string& to) {
        return Fill(Tr(TextId::HistoryChange, language), {what, from, to});
    };
    const SystemValues& a = delta.before;
    const SystemValues& b = delta.after;
    if (a.mode != b.mode) {
        const auto modes = ListTexts(SelectionList::AmpMode, language);
        const auto text = [&modes](int m) {
            return m < static_cast<int>(modes.size()) ? modes[static_cast<std::size_t>(m)]
                                                      : IntText(m);
        };
        return change(Tr(TextId::HistoryAmpMode, language), text(a.mode), text(b.mode));
    }
    for (int i = 0; i < 2; ++i) {
        const auto k = static_cast<std::size_t>(i);
        if (a.sensitivity[k] != b.sensitivity[k]) {
            const auto levels = ListTexts(SelectionList::Sensitivity, language);
            const auto text = [&levels](int s) {
                return s < static_cast<int>(levels.size()) ? levels[static_cast<std::size_t>(s)]
                                                           : IntText(s);
            };
            return change(Fill(Tr(TextId::HistorySensitivity, language), {IntText(i + 1)}),
                          text(a.sensitivity[k]), text(b.sensitivity[k]));
        }
    }
    if (a.linked != b.linked) {
        return change(Tr(TextId::HistoryLink, language), OnOff(a.linked, language),
                      OnOff(b.linked, language));
    }

    std::vector<Changed> changed;
    for (const SubBlockPatch& p : delta.patches) {
        CollectChanges(p, changed);
    }
    if (changed.size() != 1) {
        return Fill(Tr(TextId::HistoryManyValues, language), {IntText(std::ssize(changed))});
    }
    const Changed& c = changed.front();
    const auto valueAt = [&](const std::array<std::uint8_t, kSubBlockSize>& bytes, bool bypass) {
        if (c.def->id == Param::Name) {
            const auto end = std::ranges::find(bytes, std::uint8_t{0});
            return std::string(bytes.begin(), end);
        }
        std::array<std::uint8_t, kChannelBlockSize> block{};
        std::ranges::copy(bytes, block.begin() + c.patch->subBlock * kSubBlockSize);
        return StepText(*c.def, block, c.band, bypass, language);
    };
    std::string what = Tr(NameOf(c.def->id), language);
    if (c.def->scope == ParamScope::Band) {
        what = Fill(Tr(TextId::HistoryBandValue, language), {IntText(c.band + 1), what});
    }
    return change(what, valueAt(c.patch->before, c.patch->bypassBefore),
                  valueAt(c.patch->after, c.patch->bypassAfter));
}

}  // namespace tolmarin
