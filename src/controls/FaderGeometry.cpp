#include "controls/FaderGeometry.h"

#include <algorithm>
#include <cmath>

namespace tolmarin {

int FaderGeometry::Travel() const {
    return vertical ? channelHeight - topMargin - bottomMargin - thumbHeight
                    : channelWidth - leftMargin - rightMargin - thumbWidth;
}

int FaderGeometry::ThumbLength() const {
    return vertical ? thumbHeight : thumbWidth;
}

int FaderGeometry::FirstCentre() const {
    return (vertical ? topMargin : leftMargin) + ThumbLength() / 2;
}

int FaderGeometry::LastCentre() const {
    const int end = vertical ? channelHeight - bottomMargin : channelWidth - rightMargin;
    return std::max(FirstCentre(), end - ThumbLength() / 2);
}

int FaderGeometry::ClampCentre(int centre) const {
    return std::clamp(centre, FirstCentre(), LastCentre());
}

int FaderGeometry::CentreOf(int position) const {
    if (maximum == minimum) {
        return FirstCentre();
    }
    const double fraction = static_cast<double>(position - minimum) / (maximum - minimum);
    return FirstCentre() + static_cast<int>(std::trunc(fraction * Travel()));
}

int FaderGeometry::PositionAt(int centre) const {
    const int travel = Travel();
    if (travel <= 0) {
        return minimum;
    }
    const double fraction = static_cast<double>(centre - FirstCentre()) / travel;
    return static_cast<int>(std::trunc(minimum + fraction * (maximum - minimum)));
}

int FaderGeometry::ThumbX(int position) const {
    return vertical ? leftMargin : CentreOf(position) - thumbWidth / 2;
}

int FaderGeometry::ThumbY(int position) const {
    return vertical ? CentreOf(position) - thumbHeight / 2 : topMargin;
}

}  // namespace tolmarin
