#include "formdesc/DialogUnits.h"

#include <cmath>

namespace tolmarin::form {

PixelRect FromDialogUnits(int x, int y, int width, int height) {
    const auto px = [](int units, double scale) {
        return static_cast<int>(std::lround(units * scale));
    };
    const int left = px(x, kPixelsPerDialogUnitX);
    const int top = px(y, kPixelsPerDialogUnitY);
    const int right = px(x + width, kPixelsPerDialogUnitX);
    const int bottom = px(y + height, kPixelsPerDialogUnitY);
    return {left, top, right - left, bottom - top};
}

}  // namespace tolmarin::form
