#include "controls/BitmapSource.h"

#include <QColor>
#include <QImage>
#include <QPainter>
#include <utility>

namespace tolmarin {

namespace {
// How much of a disabled picture covers the background behind it.
constexpr double kDisabledOpacity = 0.45;

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

QPixmap DisabledLook(const QPixmap& picture) {
    if (picture.isNull()) {
        return picture;
    }
    // Grey keeps the picture's transparency: converted to grey, an alpha channel would go.
    QImage image = picture.toImage().convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < image.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            const int grey = qGray(line[x]);
            line[x] = qRgba(grey, grey, grey, static_cast<int>(qAlpha(line[x]) * kDisabledOpacity));
        }
    }
    QPixmap out = QPixmap::fromImage(image);
    out.setDevicePixelRatio(picture.devicePixelRatio());
    return out;
}

QColor DisabledTextColour(const QColor& colour) {
    QColor faded = colour;
    const int grey = qGray(colour.rgb());
    faded.setRgb(grey, grey, grey);
    faded.setAlphaF(static_cast<float>(kDisabledOpacity));
    return faded;
}

}  // namespace tolmarin
