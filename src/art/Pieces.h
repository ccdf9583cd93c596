#pragma once

// The drawing of each kind of picture (internal to the library). Every function returns
// a fresh image at the picture's size; Artwork.cpp maps resource numbers onto them.

#include <QImage>
#include <QSize>

namespace tolmarin::art {

// Sizes in pixels. The form places each picture's control at the picture's own size.
inline constexpr QSize kFormSize{980, 700};
inline constexpr QSize kVolumeTrackSize{35, 90};
inline constexpr QSize kVolumeThumbSize{24, 11};
inline constexpr QSize kGainTrackSize{45, 115};
inline constexpr QSize kGainThumbSize{19, 9};
inline constexpr QSize kTopButtonSize{75, 30};  // 50 dialog units wide, like the controls
inline constexpr QSize kPowerButtonSize{48, 30};
inline constexpr QSize kChannelButtonSize{76, 22};
inline constexpr QSize kSwitchButtonSize{56, 20};
inline constexpr QSize kBypassButtonSize{23, 44};  // 15 x 25 dialog units
inline constexpr QSize kDegreeSize{20, 18};

// The faders' travel as the form sets it up: the thumb runs along the track's left edge and
// its centre moves from this margin plus half a thumb down to half a thumb above the
// bottom; position 0 (the largest value, the faders read reversed) is at the top.
struct FaderTravel {
    QSize track;
    QSize thumb;
    int topMargin;
    int range;
    int CentreX() const { return thumb.width() / 2; }
    int CentreY(int position) const {
        const int travel = track.height() - topMargin - thumb.height();
        return topMargin + thumb.height() / 2 +
               static_cast<int>(static_cast<double>(position) / range * travel);
    }
};
inline constexpr FaderTravel kVolumeTravel{kVolumeTrackSize, kVolumeThumbSize, 17, 60};
inline constexpr FaderTravel kGainTravel{kGainTrackSize, kGainThumbSize, 25, 400};

QImage PaintBackground(bool english);

QImage PaintVolumeTrack();
QImage PaintGainTrack();
QImage PaintVolumeThumb(bool active);
QImage PaintGainThumb(bool active);

QImage PaintPageButton(int page, bool english, bool hover);
QImage PaintLinkButton(bool english, bool on, bool hover);
QImage PaintPowerButton(bool on);
QImage PaintChannelButton(int channel, bool english, bool on);
QImage PaintOutputButton(bool english, bool outputOn);
QImage PaintPolarityButton(bool english, bool inverted);
QImage PaintBypassButton(int band, bool on);
QImage PaintDegreeSign();

}  // namespace tolmarin::art
