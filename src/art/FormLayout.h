#pragma once

// Where the main form's controls sit, and where its background picture puts its frames,
// titles and labels around them. The background is drawn from this layout, and a test
// checks that no label lies under a control.

#include <QFont>
#include <QRectF>
#include <QString>
#include <span>
#include <vector>

namespace tolmarin::art {

// Dialog units of the form template to pixels, each edge rounded to the nearest pixel as
// the form places its controls.
inline constexpr double kPixelsPerDialogUnitX = 1.5;
inline constexpr double kPixelsPerDialogUnitY = 1.75;
QRectF FromDialogUnits(double x, double y, double width, double height);

// A control of the main form in pixels. Picture controls take their picture's size;
// fields and lists the height of a single-line field.
struct FormControl {
    int id = 0;  // 0 for the degree signs, which have no control id
    QRectF rect;
    bool hidden = false;
};
std::span<const FormControl> FormControls();

enum class TextRole {
    Brand,         // the product name in the top bar
    TopBarLabel,   // a label on the dark top bar
    SectionTitle,  // in a section's title strip
    ColumnTitle,   // a band's heading in the equaliser's title strip
    FieldLabel,    // beside or above a field
    Scale,         // a value on a fader's scale
};

// The font each kind of text is drawn in.
QFont FontFor(TextRole role);

struct FormText {
    QRectF box;  // the text's own extent, as it is drawn
    QString text;
    TextRole role = TextRole::FieldLabel;
};

struct FormSection {
    QRectF frame;
    qreal titleHeight = 0;
};

struct BackgroundLayout {
    QRectF topBar;
    QRectF graphFrame;
    std::vector<FormSection> sections;
    std::vector<FormText> texts;
    std::vector<qreal> bandDividers;  // x of the lines between equaliser bands
    QRectF bandArea;                  // vertical extent of the dividers
};

// The layout of the English (nonzero) or Chinese (0) background.
BackgroundLayout LayoutBackground(bool english);

}  // namespace tolmarin::art
