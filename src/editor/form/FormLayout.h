#pragma once

// The form's description in Qt's terms, for the widgets that place themselves by it.

#include <QRect>

#include "formdesc/FormDescription.h"

namespace tolmarin::form {

QRect ToQRect(const PixelRect& r);

// Dialog units to pixels of the form and its dialogs: x * 1.5, y * 1.75.
QRect DialogRect(int x, int y, int w, int h);

}  // namespace tolmarin::form
