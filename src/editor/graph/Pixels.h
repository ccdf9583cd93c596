#pragma once

namespace tolmarin {

// Integer pixel point in graph coordinates.
struct Point {
    int x = 0;
    int y = 0;
    friend bool operator==(const Point&, const Point&) = default;
};

// Fractional point, for the anti-aliased curves.
struct PointF {
    double x = 0.0;
    double y = 0.0;
    friend bool operator==(const PointF&, const PointF&) = default;
};

// Pixel rectangle; right and bottom lie just outside it, as the painter and the hit
// tests expect.
struct Rect {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;

    int Width() const { return right - left; }
    int Height() const { return bottom - top; }
    bool IsEmpty() const { return right <= left || bottom <= top; }
    bool Contains(Point p) const {
        return p.x >= left && p.x < right && p.y >= top && p.y < bottom;
    }
    // Integer centre, rounded toward zero.
    Point Center() const { return {(left + right) / 2, (top + bottom) / 2}; }
    friend bool operator==(const Rect&, const Rect&) = default;
};

}  // namespace tolmarin
