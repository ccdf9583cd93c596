#pragma once

namespace tolmarin {

// Where a fader's thumb sits for a position and which position a thumb centre means.
// Coordinates run along the travel (y for a vertical fader, x for a horizontal one);
// the minimum is at the top or at the left.
class FaderGeometry {
public:
    int channelWidth = 0;
    int channelHeight = 0;
    int thumbWidth = 0;
    int thumbHeight = 0;
    int leftMargin = 0;
    int topMargin = 0;
    int rightMargin = 0;
    int bottomMargin = 0;
    bool vertical = true;
    int minimum = 0;
    int maximum = 100;

    // Length the thumb centre can move.
    int Travel() const;
    // Thumb size along the travel.
    int ThumbLength() const;
    // The lowest and highest centre coordinate.
    int FirstCentre() const;
    int LastCentre() const;
    int ClampCentre(int centre) const;
    int CentreOf(int position) const;
    int PositionAt(int centre) const;
    // Top-left corner of the thumb picture for a position.
    int ThumbX(int position) const;
    int ThumbY(int position) const;
};

}  // namespace tolmarin
