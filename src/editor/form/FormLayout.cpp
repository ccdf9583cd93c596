#include "editor/form/FormLayout.h"

namespace tolmarin::form {

QRect ToQRect(const PixelRect& r) {
    return {r.x, r.y, r.width, r.height};
}

QRect DialogRect(int x, int y, int w, int h) {
    return ToQRect(FromDialogUnits(x, y, w, h));
}

}  // namespace tolmarin::form
