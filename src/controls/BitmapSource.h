#pragma once

#include <QPixmap>
#include <functional>

namespace tolmarin {

// Controls name their pictures by resource number (the form's table gives the numbers)
// and never draw artwork themselves. The application installs the artwork's loader at
// start-up; a test installs its own. Without a loader every picture is a null pixmap.
using BitmapLoader = std::function<QPixmap(int id)>;

void SetBitmapLoader(BitmapLoader loader);
QPixmap LoadBitmap(int id);

// A picture as a disabled control shows it: grey and faded, so that a control that ignores
// input never looks ready for it.
QPixmap DisabledLook(const QPixmap& picture);
// The colour of a disabled control's text drawn over the artwork.
QColor DisabledTextColour(const QColor& colour);

}  // namespace tolmarin
