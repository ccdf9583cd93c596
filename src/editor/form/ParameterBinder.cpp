#include "editor/form/ParameterBinder.h"

#include <QComboBox>

#include "controls/Fader.h"
#include "controls/NumberField.h"
#include "controls/NumberSpin.h"
#include "controls/PictureButton.h"
#include "editor/graph/ResponseGraph.h"
#include "model/ChannelSet.h"
#include "protocol/DeviceImage.h"
#include "text/NumberText.h"

namespace tolmarin {

namespace {

// The graph's positions of the crossover filters; bands are 0 to 7.
constexpr int kHighPassPosition = GraphInteraction::kHighPassPosition;
constexpr int kLowPassPosition = GraphInteraction::kLowPassPosition;

// What a bypassed band's gain field reads: the flat step's number, without its unit.
const QString kFlatGainText = QString::fromStdString(
    FixedText(codec::kBandGain.Display(codec::kBandGain.Flat()), codec::kBandGain.decimals));

int FilterPosition(const ParamDef& p, int index) {
    switch (p.filter) {
        case FilterPart::Band:
            return index;
        case FilterPart::HighPass:
            return kHighPassPosition;
        case FilterPart::LowPass:
            return kLowPassPosition;
        case FilterPart::None:
            break;
    }
    return -1;
}

// A channel switch sits in its channel's column and edits that channel.
bool EditsItsColumn(const ParamDef& p) {
    return p.scope == ParamScope::Channel && p.edit == EditKind::Switch;
}

}  // namespace

ParameterBinder::ParameterBinder(SharedState& state, ChannelSet& channels)
    : m_state(state), m_channels(channels) {}

bool ParameterBinder::Binds(const ParamDef& param) {
    return param.id != Param::SystemMode && param.id != Param::SystemPower;
}

void ParameterBinder::SetGraph(ResponseGraph* graph) {
    m_graph = graph;
    connect(graph, &ResponseGraph::filterChanged, this, &ParameterBinder::ShowFilter);
    // The linked partner follows each change at once; the fields follow the notice.
    connect(graph, &ResponseGraph::filterEdited, this, &ParameterBinder::MirrorFilter);
    // A band's gain dragged on the graph moves its fader at once.
    connect(graph, &ResponseGraph::gainDragged, this, [this](int band, int step) {
        ForEach(Param::BandGain, band, [step](const Binding& b) {
            if (b.fader != nullptr) {
                b.fader->SetPosReversed(step);
            }
        });
    });
}

// ---- Binding ----

std::size_t ParameterBinder::Add(const Binding& b) {
    m_bindings.push_back(b);
    const ParamDef& p = *b.param;
    if (p.scope == ParamScope::Channel && !EditsItsColumn(p)) {
        m_bindings.back().index = 0;  // every such control edits the channel shown
    }
    return m_bindings.size() - 1;
}

void ParameterBinder::BindField(const ParamDef& param, int index, NumberField* field,
                                NumberSpin* spin, int unit) {
    const NumberEntry& e = param.number;
    field->SetKind(unit == kOwnUnit ? e.unit : unit);
    if (e.step != 0.0) {
        field->SetStep(e.step);
    }
    if (e.offset != 0.0) {
        field->SetOffset(e.offset);
    }
    spin->SetBuddy(field);
    spin->SetRange(e.low, e.high);
    const std::size_t at = Add({&param, index, field, spin});
    const auto edited = [this, at](int) { OnEdited(at, m_bindings[at].spin->GetPos()); };
    connect(field, &NumberField::commandSent, this, edited);
    connect(spin, &NumberSpin::commandSent, this, edited);
}

void ParameterBinder::BindFader(const ParamDef& param, int index, Fader* fader) {
    fader->SetRange(param.number.low, param.number.high, false);
    fader->SetPos(0);
    Binding b{&param, index};
    b.fader = fader;
    const std::size_t at = Add(b);
    const auto moved = [this, at](int, int) {
        OnEdited(at, m_bindings[at].fader->GetPosReversed());
    };
    connect(fader, &Fader::faderChanging, this, moved);
    connect(fader, &Fader::faderChanged, this, moved);
}

void ParameterBinder::BindList(const ParamDef& param, int index, QComboBox* list) {
    Binding b{&param, index};
    b.list = list;
    const std::size_t at = Add(b);
    connect(list, &QComboBox::activated, this, [this, at](int selection) {
        if (selection >= 0) {
            OnEdited(at, selection);
        }
    });
}

void ParameterBinder::BindSwitch(const ParamDef& param, int index, PictureButton* button) {
    Binding b{&param, index};
    b.button = button;
    const std::size_t at = Add(b);
    connect(button, &QAbstractButton::clicked, this, [this, at] {
        const Binding& s = m_bindings[at];
        // A band's switch turns from what it shows; a channel's from its record.
        const bool on = s.param->scope == ParamScope::Band
                            ? s.button->IsOn()
                            : ReadValueOf(*s.param, Target(s), s.index) != 0;
        OnEdited(at, on ? 0 : 1);
    });
}

// ---- Edits: the model first (the channel set has the linked partner follow), then the
// parameter's other controls and the graph ----

OutputChannel& ParameterBinder::Target(const Binding& b) {
    return m_channels.Channel(EditsItsColumn(*b.param) ? b.index : m_shown);
}

void ParameterBinder::OnEdited(std::size_t at, int value) {
    const Binding b = m_bindings[at];
    if (b.param->scope == ParamScope::System) {
        OnSystemEdited(b, value);
        return;
    }
    OutputChannel& ch = Target(b);
    value = Constrain(b, ch, value);
    m_channels.Edit(*b.param, ch.GetIndex(), b.index, value);
    ShowSiblings(b, value);
    if (b.button != nullptr) {
        Show(b, ReadValueOf(*b.param, ch, b.index));
    }
    AfterEdit(b, ch, value);
    Redraw(b);
    emit edited();
}

void ParameterBinder::OnSystemEdited(const Binding& b, int value) {
    auto& byte = m_state.image.systemBytes[static_cast<std::size_t>(b.param->offset + b.index)];
    if (value == byte) {
        return;
    }
    byte = static_cast<std::uint8_t>(value);
    emit systemItemEdited(b.param->item, b.index);
    emit edited();
}

// A crossover frequency never passes the other crossover filter's.
int ParameterBinder::Constrain(const Binding& b, OutputChannel& ch, int value) {
    int limited = value;
    if (b.param->id == Param::HpFreq) {
        limited = std::min(value, ch.LowPass().GetFreq());
    } else if (b.param->id == Param::LpFreq) {
        limited = std::max(value, ch.HighPass().GetFreq());
    }
    if (limited != value && b.spin != nullptr) {
        b.spin->SetPos(limited);
    }
    return limited;
}

void ParameterBinder::ShowSiblings(const Binding& source, int value) {
    for (const Binding& b : m_bindings) {
        const bool same = b.spin == source.spin && b.fader == source.fader &&
                          b.list == source.list && b.button == source.button;
        if (b.param == source.param && b.index == source.index && !same) {
            Show(b, value);
        }
    }
}

void ParameterBinder::AfterEdit(const Binding& b, OutputChannel& ch, int value) {
    switch (b.param->id) {
        case Param::BandGain:
            ShowBandBypass(b.index, ch.Band(b.index).GetBypass());
            break;
        case Param::BandBypass:
            if (ch.Band(b.index).GetBypass()) {
                ShowBandBypass(b.index, true);
            } else {
                ShowParam(Param::BandGain, b.index, ch.Band(b.index).GetGainStep());
            }
            break;
        case Param::BandType:
            ShowBandKind(b.index, value);
            ShowParam(Param::BandFreq, b.index, ch.Band(b.index).GetFreq());
            break;
        case Param::Polarity:
            // CH2 of a linked pair has followed: its switch shows what it took.
            if (m_channels.Ch1Ch2Linked()) {
                const int other = 1 - b.index;
                ShowParam(Param::Polarity, other, m_channels.Channel(other).GetPolarity());
            }
            break;
        default:
            break;
    }
}

void ParameterBinder::Redraw(const Binding& b) {
    const int position = FilterPosition(*b.param, b.index);
    if (position >= 0 && m_graph != nullptr) {
        m_graph->ShowFilter(position);
    }
}

// ---- Showing ----

void ParameterBinder::Show(const Binding& b, int value) {
    if (b.spin != nullptr) {
        b.spin->SetPos(value);
    } else if (b.fader != nullptr) {
        b.fader->SetPosReversed(value);
    } else if (b.list != nullptr) {
        b.list->setCurrentIndex(value);
    } else if (b.button != nullptr) {
        b.button->SetOn(value != 0);
    }
}

template <typename Fn>
void ParameterBinder::ForEach(Param p, int index, Fn fn) {
    for (const Binding& b : m_bindings) {
        if (b.param->id == p && b.index == index) {
            fn(b);
        }
    }
}

void ParameterBinder::ShowParam(Param p, int index, int value) {
    ForEach(p, index, [this, value](const Binding& b) { Show(b, value); });
}

// A bypassed band shows flat whatever its gain.
void ParameterBinder::ShowBandBypass(int band, bool bypass) {
    ShowParam(Param::BandBypass, band, bypass ? 1 : 0);
    if (!bypass) {
        return;
    }
    ForEach(Param::BandGain, band, [](const Binding& b) {
        if (b.field != nullptr) {
            b.field->setText(kFlatGainText);
        }
    });
    ShowParam(Param::BandGain, band, kFlatGainStep);
}

// Only a peaking band has a Q; shelves keep to their side of the split frequency.
void ParameterBinder::ShowBandKind(int band, int kind) {
    const bool peaking = kind == filter::kPeaking;
    ForEach(Param::BandWidth, band, [peaking](const Binding& b) {
        if (b.field != nullptr) {
            b.field->setEnabled(peaking);
            b.spin->setEnabled(peaking);
        }
    });
    const StepRange range = BandFreqEntryRange(kind);
    ForEach(Param::BandFreq, band, [range](const Binding& b) {
        if (b.spin != nullptr) {
            b.spin->SetRange(range.low, range.high);
        }
    });
}

void ParameterBinder::FillLists() {
    for (const Binding& b : m_bindings) {
        if (b.list == nullptr) {
            continue;
        }
        const int selection = b.list->currentIndex();
        b.list->clear();
        for (const std::string& text : ListTexts(b.param->list, m_state.ui.language)) {
            b.list->addItem(QString::fromStdString(text));
        }
        b.list->setCurrentIndex(selection);
    }
}

void ParameterBinder::ShowChannel(int n) {
    m_shown = n;
    OutputChannel& ch = m_channels.Channel(n);
    // The type first: it sets the frequency range the frequency is then shown in. The
    // bypass last: a bypassed band's gain controls read flat.
    const auto showWhere = [&](auto pick) {
        for (const Binding& b : m_bindings) {
            const ParamDef& p = *b.param;
            if (p.scope == ParamScope::System || EditsItsColumn(p) || !pick(p.id)) {
                continue;
            }
            const int value = ReadValueOf(p, ch, b.index);
            if (p.id == Param::BandType) {
                ShowBandKind(b.index, value);
            }
            if (p.id == Param::BandBypass) {
                ShowBandBypass(b.index, value != 0);
            } else {
                Show(b, value);
            }
        }
    };
    showWhere([](Param p) { return p == Param::BandType; });
    showWhere([](Param p) { return p != Param::BandType && p != Param::BandBypass; });
    showWhere([](Param p) { return p == Param::BandBypass; });
}

void ParameterBinder::ShowColumns() {
    for (const Binding& b : m_bindings) {
        const ParamDef& p = *b.param;
        if (p.scope == ParamScope::System) {
            Show(b, m_state.image.systemBytes[static_cast<std::size_t>(p.offset + b.index)]);
        } else if (EditsItsColumn(p)) {
            Show(b, ReadValueOf(p, m_channels.Channel(b.index), b.index));
        }
    }
}

void ParameterBinder::ShowFilter(int position) {
    const bool band = position >= 0 && position < kEqBandCount;
    if (!band && position != kHighPassPosition && position != kLowPassPosition) {
        return;
    }
    OutputChannel& ch = m_channels.Channel(m_shown);
    const Binding* any = nullptr;
    for (const Binding& b : m_bindings) {
        const ParamDef& p = *b.param;
        if (p.edit != EditKind::Number || FilterPosition(p, b.index) != position) {
            continue;
        }
        Show(b, ReadValueOf(p, ch, b.index));
        any = &b;
    }
    if (band) {
        ShowBandBypass(position, ch.Band(position).GetBypass());
    }
    if (any != nullptr) {
        m_channels.MirrorFilter(m_shown, position);
    }
    if (m_graph != nullptr) {
        m_graph->ShowFilter(position);
    }
}

void ParameterBinder::MirrorFilter(int position) {
    m_channels.MirrorFilter(m_shown, position);
}

}  // namespace tolmarin
