// A drawable bitmap for the image control's canvas: a 32-bit DIB section with a memory DC of
// its own, into which callers draw with GDI.
#pragma once

#include <memory>

#include "ucl/gdi_win.h"

class TBitmap {
public:
    TBitmap(int Width, int Height);

    int Width() const noexcept { return FWidth; }
    int Height() const noexcept { return FHeight; }
    // The DC with the bitmap selected: the canvas to draw on.
    HDC Canvas() const noexcept { return FSurface.DC(); }
    bool Transparent() const noexcept { return FTransparent; }
    void SetTransparent(bool Value) noexcept { FTransparent = Value; }

    std::unique_ptr<TBitmap> Clone() const;
    // Copies the bitmap stretched (smoothly) into Dest of DC; a bitmap has no alpha.
    void Draw(HDC DC, const TRect& Dest) const;

private:
    int FWidth, FHeight;
    TMemoryDC FSurface;
    bool FTransparent = false;
};
