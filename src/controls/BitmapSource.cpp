#include "controls/BitmapSource.h"

#include <utility>

namespace tolmarin {

namespace {
BitmapLoader& Loader() {
    static BitmapLoader loader;
    return loader;
}
}  // namespace

void SetBitmapLoader(BitmapLoader loader) {
    Loader() = std::move(loader);
}

QPixmap LoadBitmap(int id) {
    return Loader() ? Loader()(id) : QPixmap();
}

}  // namespace tolmarin
