#pragma once

#include <QObject>
#include <cstdint>
#include <vector>

#include "model/Parameters.h"

class QComboBox;
class QWidget;

namespace tolmarin {

class ChannelSet;
class Fader;
class NumberField;
class NumberSpin;
class OutputChannel;
class PictureButton;
class ResponseGraph;
struct SharedState;

// Connects every control of the form that edits a parameter to the channel set: an edit
// goes into the model, the parameter's other controls follow, a linked CH1/CH2 pair copies
// the filter it shaped and the graph redraws that filter. Showing a channel refreshes every
// bound control from it. Ranges, units and list entries come from the parameter table.
//
// Which channel a control edits: a channel switch (mute, polarity) sits in its channel's
// column and edits that channel; a system list edits its input's system byte; everything
// else edits the channel shown.
class ParameterBinder : public QObject {
    Q_OBJECT
public:
    // The field's unit is its parameter's own.
    static constexpr int kOwnUnit = -1;
    // The amplifier mode and power stay with the form: changing them reshapes the whole form
    // or switches the whole amplifier.
    static bool Binds(const ParamDef& param);

    ParameterBinder(SharedState& state, ChannelSet& channels);

    // index: the band (0-7), or the channel column or input (0-1), of the control.
    void BindField(const ParamDef& param, int index, NumberField* field, NumberSpin* spin,
                   int unit = kOwnUnit);
    void BindFader(const ParamDef& param, int index, Fader* fader);
    void BindList(const ParamDef& param, int index, QComboBox* list);
    void BindSwitch(const ParamDef& param, int index, PictureButton* button);
    // The graph the edited filters are redrawn on; its drags come back to the controls.
    void SetGraph(ResponseGraph* graph);

    // (Re)fills every bound list in the current language, keeping its selection.
    void FillLists();
    // Shows channel n's values in every control that edits the shown channel.
    void ShowChannel(int n);
    // Shows both columns' switches and the input sensitivities.
    void ShowColumns();
    // The graph changed a filter: position 0-7 band, 8 high-pass, 9 low-pass.
    void ShowFilter(int position);
    // The graph changed a filter: a linked partner takes it over now.
    void MirrorFilter(int position);
    int Shown() const { return m_shown; }

signals:
    // A system byte was edited and must go to the amplifier: its item code and input.
    void systemItemEdited(std::uint8_t item, int index);
    // Any edit has gone into the model (after the system item was sent, if any).
    void edited();

private:
    struct Binding {
        const ParamDef* param = nullptr;
        int index = 0;
        NumberField* field = nullptr;
        NumberSpin* spin = nullptr;
        Fader* fader = nullptr;
        QComboBox* list = nullptr;
        PictureButton* button = nullptr;
    };

    std::size_t Add(const Binding& b);
    void OnEdited(std::size_t at, int value);
    void OnSystemEdited(const Binding& b, int value);
    OutputChannel& Target(const Binding& b);
    int Constrain(const Binding& b, OutputChannel& ch, int value);
    void Show(const Binding& b, int value);
    // Every other control of the same parameter and index shows value.
    void ShowSiblings(const Binding& source, int value);
    void AfterEdit(const Binding& b, OutputChannel& ch, int value);
    void Redraw(const Binding& b);

    void ShowBandBypass(int band, bool bypass);
    void ShowBandKind(int band, int kind);
    void ShowParam(Param p, int index, int value);
    template <typename Fn>
    void ForEach(Param p, int index, Fn fn);

    SharedState& m_state;
    ChannelSet& m_channels;
    ResponseGraph* m_graph = nullptr;
    std::vector<Binding> m_bindings;
    int m_shown = 0;
};

}  // namespace tolmarin
