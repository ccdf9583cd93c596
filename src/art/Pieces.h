#pragma once

// The drawing of each kind of picture (internal to the library). Every function returns
// a fresh image at the picture's size; Artwork.cpp maps resource numbers onto them.

#include <QImage>
#include <QSize>

#include "formdesc/Pictures.h"
#include "text/Texts.h"

namespace tolmarin::art {

// Sizes in pixels. The form places each picture's control at the picture's own size, so
// those sizes come from its description.
constexpr QSize ToQSize(form::PixelSize size) {
    return {size.width, size.height};
}
inline constexpr QSize kFormSize = ToQSize(form::picture::kFormSize);
inline constexpr QSize kVolumeTrackSize = ToQSize(form::picture::kVolumeTrackSize);
inline constexpr QSize kVolumeThumbSize{24, 11};
inline constexpr QSize kGainTrackSize = ToQSize(form::picture::kGainTrackSize);
inline constexpr QSize kGainThumbSize{19, 9};
inline constexpr QSize kTopButtonSize = ToQSize(form::picture::kTopButtonSize);
inline constexpr QSize kPowerButtonSize = ToQSize(form::picture::kPowerButtonSize);
inline constexpr QSize kChannelButtonSize = ToQSize(form::picture::kChannelButtonSize);
inline constexpr QSize kSwitchButtonSize = ToQSize(form::picture::kSwitchButtonSize);
inline constexpr QSize kBypassButtonSize = ToQSize(form::picture::kBypassButtonSize);
inline constexpr QSize kDegreeSize = ToQSize(form::picture::kDegreeSize);
inline constexpr QSize kStripButtonSize = ToQSize(form::picture::kStripButtonSize);

// The faders' travel as the form sets it up: the thumb is inset from the track's left edge
// (the part of it past the track's right edge is cut off, so its face is only as wide as
// what shows) and its centre runs from half a thumb below the top margin to half a thumb
// above the bottom; position 0 (the largest value, faders read reversed) is at the top.
struct FaderTravel {
    QSize track;
    QSize thumb;
    int thumbLeft;
    int topMargin;
    int range;
    constexpr int FaceWidth() const {
        return thumb.width() < track.width() - thumbLeft ? thumb.width()
                                                         : track.width() - thumbLeft;
    }
    constexpr int CentreX() const { return thumbLeft + FaceWidth() / 2; }
    int CentreY(int position) const {
        const int travel = track.height() - topMargin - thumb.height();
        return topMargin + thumb.height() / 2 +
               static_cast<int>(static_cast<double>(position) / range * travel);
    }
};
inline constexpr FaderTravel kVolumeTravel{kVolumeTrackSize, kVolumeThumbSize, 17, 0, 60};
inline constexpr FaderTravel kGainTravel{kGainTrackSize, kGainThumbSize, 25, 0, 400};

QImage PaintBackground(bool english);

QImage PaintVolumeTrack();
QImage PaintGainTrack();
QImage PaintVolumeThumb(bool active);
QImage PaintGainThumb(bool active);

QImage PaintPageButton(int page, bool english, bool hover);
QImage PaintLinkButton(bool english, bool on, bool hover);
QImage PaintLinkConnectingButton(bool english, bool hover);
QImage PaintPowerButton(bool on);
QImage PaintChannelButton(int channel, bool english, bool on);
QImage PaintOutputButton(bool english, bool outputOn);
QImage PaintPolarityButton(bool english, bool inverted);
QImage PaintBypassButton(int band, bool on);
QImage PaintDegreeSign();
// A button of the strip below the equaliser, labelled with a catalogue text.
QImage PaintStripButton(TextId label, bool english, bool hover);

}  // namespace tolmarin::art
