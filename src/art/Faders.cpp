// Fader pictures: the volume and band gain tracks with their scales, and the thumbs in
// their normal and active looks. The fader draws the thumb with the colour of its pixel
// (0, 0) left out, so every thumb keeps one key colour outside its face.

#include <QPainter>
#include <QString>
#include <cmath>
#include <string>
#include <vector>

#include "art/Painting.h"
#include "art/Pieces.h"
#include "model/Codec.h"

namespace tolmarin::art {

namespace {

using namespace palette;

struct Tick {
    int position;
    const char* label;  // nullptr for a minor tick; empty for a major tick labelled elsewhere
};

// The groove under the thumb's centre and the scale to its left.
void PaintTrack(QImage& image, const FaderTravel& travel, int labelRight, int labelPx,
                const std::vector<Tick>& ticks, int zeroPosition) {
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing, true);
    const int grooveX = travel.CentreX();
    const int top = travel.CentreY(0);
    const int bottom = travel.CentreY(travel.range);

    const QRectF groove(grooveX - 2.0, top - 3.5, 5.0, bottom - top + 7.0);
    p.setPen(Qt::NoPen);
    p.setBrush(kPanelLight);
    p.drawRoundedRect(groove.adjusted(0, 0, 1, 1), 2.5, 2.5);
    p.setBrush(kGroove);
    p.drawRoundedRect(groove, 2.5, 2.5);

    p.setRenderHint(QPainter::Antialiasing, false);
    const int tickTo = grooveX - 4;
    for (const Tick& t : ticks) {
        const int y = travel.CentreY(t.position);
        const bool major = t.label != nullptr;
        const bool labelHere = major && t.label[0] != '\0';
        const bool zero = t.position == zeroPosition;
        p.setPen(QPen(zero ? kLabel : kScale, 1.0));
        // A major tick labelled outside the track runs to its edge, to meet its number.
        const int tickFrom = !major ? tickTo - 4 : labelHere ? labelRight + 2 : 0;
        p.drawLine(tickFrom, y, tickTo, y);
        if (labelHere) {
            PaintText(p, QRectF(0, y - 6, labelRight, 12), QString::fromLatin1(t.label),
                      ArtFont(labelPx, zero ? Weight::Bold : Weight::Normal), kLabel,
                      Qt::AlignRight | Qt::AlignVCenter);
        }
    }
}

// Face of a thumb on its key colour: a grey cap with a centre index line, lit blue when
// the thumb is held. Edges are hard so no blended pixel can come near the key colour.
QImage PaintThumb(QSize size, int faceWidth, bool active) {
    QImage face = NewCanvas(size.width(), size.height());
    {
        QPainter p(&face);
        p.setRenderHint(QPainter::Antialiasing, true);
        const QRectF r(0.5, 0.5, faceWidth - 1.0, size.height() - 1.0);
        QLinearGradient shade(r.topLeft(), r.bottomLeft());
        shade.setColorAt(0.0, active ? QColor(236, 244, 252) : QColor(246, 247, 249));
        shade.setColorAt(0.45, active ? QColor(190, 212, 236) : QColor(206, 209, 215));
        shade.setColorAt(0.55, active ? QColor(170, 196, 226) : QColor(182, 186, 194));
        shade.setColorAt(1.0, active ? QColor(120, 150, 186) : QColor(132, 137, 147));
        p.setPen(QPen(QColor(30, 33, 38), 1.0));
        p.setBrush(shade);
        p.drawRoundedRect(r, 2.0, 2.0);
        p.setRenderHint(QPainter::Antialiasing, false);
        const int mid = size.height() / 2;
        p.setPen(QPen(active ? QColor(20, 90, 190) : QColor(24, 26, 30), 1.0));
        p.drawLine(2, mid, faceWidth - 3, mid);
    }
    // Flatten onto the key colour: a pixel is either face (opaque) or key.
    QImage out = NewCanvas(size.width(), size.height(), kKey);
    for (int y = 0; y < size.height(); ++y) {
        for (int x = 0; x < size.width(); ++x) {
            const QColor c = face.pixelColor(x, y);
            if (c.alpha() >= 128) {
                out.setPixelColor(x, y, QColor(c.red(), c.green(), c.blue()));
            }
        }
    }
    return out;
}

}  // namespace

QImage PaintVolumeTrack() {
    QImage image = NewCanvas(kVolumeTrackSize.width(), kVolumeTrackSize.height(), kPanel);
    // Positions 0..60 are 0 dB down to -60 dB; the track is too narrow for the numbers,
    // which the form's background prints beside it.
    PaintTrack(image, kVolumeTravel, 0, 8,
               {{0, ""}, {10, nullptr}, {20, ""}, {30, nullptr}, {40, ""}, {50, nullptr}, {60, ""}},
               0);
    return image;
}

QImage PaintGainTrack() {
    QImage image = NewCanvas(kGainTrackSize.width(), kGainTrackSize.height(), kPanel);
    // Position 0 is the highest gain step; a tick every 5 dB, a number every 10 dB.
    const Codec& gain = codec::kBandGain;
    constexpr int kTickSteps = 50, kNumberSteps = 100;
    std::vector<std::string> numbers;
    for (int pos = 0; pos <= gain.high - gain.low; pos += kNumberSteps) {
        const long db = std::lround(gain.Display(gain.high - pos));
        numbers.push_back((db > 0 ? "+" : "") + std::to_string(db));
    }
    std::vector<Tick> ticks;
    for (int pos = 0; pos <= gain.high - gain.low; pos += kTickSteps) {
        const bool number = pos % kNumberSteps == 0;
        ticks.push_back({pos, number ? numbers[static_cast<std::size_t>(pos / kNumberSteps)].c_str()
                                     : nullptr});
    }
    PaintTrack(image, kGainTravel, 18, 9, ticks, gain.high - gain.Flat());
    return image;
}

QImage PaintVolumeThumb(bool active) {
    return PaintThumb(kVolumeThumbSize, kVolumeTravel.FaceWidth(), active);
}

QImage PaintGainThumb(bool active) {
    return PaintThumb(kGainThumbSize, kGainTravel.FaceWidth(), active);
}

}  // namespace tolmarin::art
