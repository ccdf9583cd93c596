#pragma once

// Shared palette, fonts and drawing helpers of the artwork (internal to the library).

#include <QColor>
#include <QFont>
#include <QImage>
#include <QRectF>
#include <QString>

#include "text/Texts.h"

class QPainter;

namespace tolmarin::art {

// One palette for every picture, so that form, buttons and faders read as one panel.
namespace palette {
inline const QColor kBaseTop{214, 217, 224};
inline const QColor kBaseBottom{196, 200, 209};
inline const QColor kTopBarTop{58, 63, 73};
inline const QColor kTopBarBottom{34, 37, 43};
inline const QColor kTopBarText{214, 220, 228};
inline const QColor kTopBarDim{140, 148, 160};
inline const QColor kPanel{227, 228, 238};  // the dialogs' background, for one family of greys
inline const QColor kPanelEdge{140, 146, 158};
inline const QColor kPanelLight{250, 250, 253};
inline const QColor kTitleTop{78, 85, 98};
inline const QColor kTitleBottom{56, 61, 71};
inline const QColor kTitleText{246, 248, 250};
inline const QColor kAccent{74, 150, 220};
inline const QColor kLabel{52, 57, 66};
inline const QColor kScale{88, 94, 105};
inline const QColor kGroove{38, 41, 47};
inline const QColor kScreenFrame{28, 30, 35};
inline const QColor kKey{255, 0, 255};  // thumb transparency: no face pixel ever has it
inline const QColor kFaceTop{250, 251, 252};
inline const QColor kFaceBottom{201, 205, 213};
inline const QColor kFaceEdge{112, 118, 130};
inline const QColor kFaceText{36, 40, 47};
inline const QColor kDarkFaceTop{96, 103, 116};
inline const QColor kDarkFaceBottom{60, 65, 75};
inline const QColor kDarkFaceEdge{22, 24, 28};
inline const QColor kLedOff{120, 126, 136};
inline const QColor kRed{214, 44, 38};
inline const QColor kAmber{240, 164, 40};
inline const QColor kGreen{52, 178, 82};
}  // namespace palette

// Text weights used by the artwork.
enum class Weight { Normal, Bold };

// The artwork's font at a pixel size: Arial (resolved to its metric twin), with a CJK face
// for Chinese. Pixel sizes keep pictures independent of the screen's resolution.
QFont ArtFont(int pixelSize, Weight weight = Weight::Normal);

// Installs the font substitutions once per process.
void EnsureFontSubstitutions();

// A cleared canvas of the given size, device pixel ratio 1.
QImage NewCanvas(int width, int height, const QColor& fill = Qt::transparent);

// A rounded, vertically shaded face with a one-pixel edge and a highlight line.
void PaintFace(QPainter& p, const QRectF& r, const QColor& top, const QColor& bottom,
               const QColor& edge, qreal radius);

// A round lamp of the given colour; lit lamps get a soft glow.
void PaintLed(QPainter& p, const QPointF& centre, qreal radius, const QColor& colour, bool lit);

// A word of the catalogue in the picture's language.
inline QString ArtText(TextId id, bool english) {
    return QString::fromUtf8(Tr(id, english ? Language::English : Language::Chinese));
}

// Single-line text centred in the box.
void PaintText(QPainter& p, const QRectF& box, const QString& text, const QFont& font,
               const QColor& colour, Qt::Alignment align = Qt::AlignCenter);

}  // namespace tolmarin::art
