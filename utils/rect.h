// A rectangle in device pixels, as the platform's RECT holds one (right and bottom exclusive),
// for code that has no <windows.h>.
#pragma once

#include <algorithm>

struct TRect {
    int Left = 0;
    int Top = 0;
    int Right = 0;
    int Bottom = 0;

    int Width() const noexcept { return Right - Left; }
    int Height() const noexcept { return Bottom - Top; }
    bool Empty() const noexcept { return Right <= Left || Bottom <= Top; }
    // Grown by By on every side; shrunk for a negative By.
    TRect Inflated(int By) const noexcept { return {Left - By, Top - By, Right + By, Bottom + By}; }
    friend bool operator==(const TRect&, const TRect&) = default;
};

inline TRect IntersectRects(const TRect& a, const TRect& b) noexcept {
    return {std::max(a.Left, b.Left), std::max(a.Top, b.Top), std::min(a.Right, b.Right),
            std::min(a.Bottom, b.Bottom)};
}
