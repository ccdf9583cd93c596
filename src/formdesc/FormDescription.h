#pragma once

// The main form described once: every control's identity, kind, place, pictures and the
// parameter it edits. The editor builds its widgets from it and the artwork lays its labels
// around it.

#include <array>
#include <string>
#include <string_view>
#include <vector>

#include "formdesc/DialogUnits.h"
#include "formdesc/FormIds.h"

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

// The unit of a field that shows its parameter otherwise than in the parameter's own.
enum class FieldUnit { Own, Metres, Feet };

// One control of the form: where it sits in dialog units and how it is set up.
struct ControlDef {
    int id = 0;
    ControlKind kind = ControlKind::SkinButton;
    int x = 0, y = 0, w = 0, h = 0;  // dialog units
    bool hidden = false;
    // NumField: its spin, and the unit it shows its parameter in when that is not the
    // parameter's own (a delay as a distance). Ranges and steps are the parameter's.
    int spinId = 0;
    FieldUnit unit = FieldUnit::Own;
    // SkinButton: the six pictures (on look three times, off look three times); Picture:
    // bitmaps[0]. Fader: track, thumb, active thumb.
    std::array<int, 6> bitmaps{};
    int margin = 0;  // Fader: inset of the thumb's travel from the top of the track

    Control control = Control::Language;
    int index = 0;           // channel (0, 1) or band (0 to 7) of a column's control
    std::string objectName;  // the kind's name, followed by the index in a column
    // The parameter the control edits (band and sensitivity controls take the band or
    // input from index), empty when it edits none.
    std::string_view param;
    // Pictures that follow the language, in the order of bitmaps; empty when none do.
    std::array<int, 6> bitmapsEn{};
    std::array<int, 6> bitmapsZh{};
    // Buttons, faders and the degree sign take their picture's size; zero for the others.
    PixelSize pictureSize{};
};

// Every control of the form, in creation order (top bar, graph, channel panel, channel
// sections, band columns, the strip below the equaliser).
const std::vector<ControlDef>& FormControls();

// The controls of the strip below the equaliser, for work to come (the count of edits
// waiting to be sent, undo, redo and the A/B toggle).
// Not created yet: a hidden widget would still be reachable by id and tests, doing nothing.
const std::vector<ControlDef>& ReservedControls();

// The control with this id among both lists, or null.
const ControlDef* FindControl(int id);

// Where the control's widget stands on the form, in pixels. A field's rectangle holds its
// spin too.
PixelRect PlacedRect(const ControlDef& control);

// The form's size in pixels: its background picture.
inline constexpr int kFormWidth = picture::kFormSize.width;
inline constexpr int kFormHeight = picture::kFormSize.height;

// The strip along the form's bottom, below the equaliser and its background picture. The
// form grows into it by the strip's height; the window keeps its size.
inline constexpr int kStripTopDu = 400;  // 700 pixels: the background picture's bottom
inline constexpr int kStripHeight = 28;  // pixels, 16 dialog units
inline constexpr int kFormHeightWithStrip = kFormHeight + kStripHeight;
PixelRect StripRect();

}  // namespace tolmarin::form
