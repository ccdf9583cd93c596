#pragma once

// Where the main form's background picture puts its frames, titles and labels around the
// controls the form's description places. The background is drawn from this layout, and a
// test checks that no label lies under a control.

#include <QFont>
#include <QRectF>
#include <QString>
#include <vector>

#include "formdesc/FormDescription.h"

namespace tolmarin::art {

// Where a control of the form stands, in pixels, as the form's description places it.
QRectF ControlRect(const form::ControlDef& control);

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
