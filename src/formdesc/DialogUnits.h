#pragma once

// Pixel geometry of the form and its dialogs, in plain integers so that the artwork and the
// editor read the same numbers.
namespace tolmarin::form {

struct PixelSize {
    int width = 0;
    int height = 0;
    bool operator==(const PixelSize&) const = default;
};

struct PixelRect {
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
    int Right() const { return x + width; }  // one past the last column
    int Bottom() const { return y + height; }
    bool Intersects(const PixelRect& other) const {
        return x < other.Right() && other.x < Right() && y < other.Bottom() && other.y < Bottom();
    }
    bool operator==(const PixelRect&) const = default;
};

// Dialog units of the templates: a unit is 1.5 pixels across and 1.75 down.
inline constexpr double kPixelsPerDialogUnitX = 1.5;
inline constexpr double kPixelsPerDialogUnitY = 1.75;

// Each edge is rounded to the nearest pixel on its own (not the size), so that controls
// that touch in dialog units touch on the screen too.
PixelRect FromDialogUnits(int x, int y, int width, int height);

}  // namespace tolmarin::form
