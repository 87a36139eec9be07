// Where the image control draws its picture inside its client area, and whether the picture
// then hides everything behind the control. Portable, so the rules are tested directly.
#pragma once

#include "utils/rect.h"

struct TImageLayout {
    bool Stretch = false;
    bool Proportional = false;
    bool Center = false;
};

// The destination of a Width × Height picture in a ClientWidth × ClientHeight client area.
TRect ImageDestRect(int Width, int Height, int ClientWidth, int ClientHeight,
                    const TImageLayout& Layout) noexcept;

// A picture hides its background exactly when it is not transparent and covers the client area.
bool ImageCoversClient(const TRect& Dest, int ClientWidth, int ClientHeight, bool Transparent) noexcept;
