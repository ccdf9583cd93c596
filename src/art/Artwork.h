#pragma once

#include <QPixmap>
#include <span>

#include "formdesc/Pictures.h"

namespace tolmarin::art {

// Resource numbers of the pictures, as the form's description names them.
namespace id = form::picture;

// The picture with the given resource number, drawn once and then served from a cache.
// Pictures have a device pixel ratio of 1 whatever the screen. Unknown ids give a null
// pixmap. Needs a QGuiApplication.
QPixmap Bitmap(int id);

// Every resource number Bitmap() knows, in ascending order.
std::span<const int> KnownBitmaps();

// Makes the Windows face names the program asks for ("Arial", "Times New Roman") resolve to
// their installed metric-compatible twins, with a CJK face behind them. Done once per
// process; Bitmap() does it before it draws, the application may do it at start-up.
void InstallFontSubstitutions();

// The size Bitmap(id) has, or an empty size for an unknown id (no drawing involved).
QSize BitmapSize(int id);

}  // namespace tolmarin::art
