#pragma once

#include <QRect>
#include <array>
#include <vector>

namespace tolmarin::form {

// What sort of widget a form control is; the form creates and sets each kind up alike.
enum class ControlKind {
    SkinButton,  // PictureButton: picture button
    DropList,    // QComboBox, list only
    ComboEdit,   // QComboBox with an edit field
    Progress,    // QProgressBar
    Graph,       // ResponseGraph
    LinkCheck,   // PictureRadio check box
    TempLabel,   // TransparentLabel
    Picture,     // a fixed picture
    Lamp,        // Lamp
    NumField,    // NumberField with its NumberSpin
    Fader,       // Fader, vertical
};

// One control of the form: where it sits in dialog units and how it is set up.
struct ControlDef {
    int id = 0;
    ControlKind kind = ControlKind::SkinButton;
    int x = 0, y = 0, w = 0, h = 0;  // dialog units
    bool hidden = false;
    // NumField: its spin, unit kind, step, offset and range. Fader: range.
    int spinId = 0;
    int unitKind = 0;
    double step = 0.0;
    double offset = 0.0;
    int min = 0, max = 0;
    // SkinButton: the six pictures (on look three times, off look three times); Picture:
    // bitmaps[0]. Fader: track, thumb, active thumb.
    std::array<int, 6> bitmaps{};
    int margin = 0;  // Fader: inset of the thumb's travel from the top of the track
};

// Dialog units to pixels of the form: x * 1.5, y * 1.75.
QRect DialogRect(int x, int y, int w, int h);

// Every control of the form, in creation order (top bar, graph, channel panel, channel
// sections, band columns).
const std::vector<ControlDef>& FormControls();

// The form's size in pixels: its background picture.
inline constexpr int kFormWidth = 980;
inline constexpr int kFormHeight = 700;

}  // namespace tolmarin::form
