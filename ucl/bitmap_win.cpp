#include "ucl/bitmap_win.h"

#include "utils/exception.h"

namespace {

TMemoryDC CreateSurface(int width, int height) {
    TWindowDC screen(nullptr);
    void* bits = nullptr;
    TMemoryDC surface(screen.DC(), width, height, &bits);
    if (!surface.Valid()) {
        throw EOutOfResources(u"Out of system resources");
    }
    return surface;
}

} // namespace

TBitmap::TBitmap(int Width, int Height)
    : FWidth(Width), FHeight(Height), FSurface(CreateSurface(Width, Height)) {
    FillSolidRect(FSurface.DC(), {0, 0, Width, Height}, 0xFFFFFF);
}

std::unique_ptr<TBitmap> TBitmap::Clone() const {
    auto copy = std::make_unique<TBitmap>(FWidth, FHeight);
    BitBlt(copy->Canvas(), 0, 0, FWidth, FHeight, Canvas(), 0, 0, SRCCOPY);
    copy->FTransparent = FTransparent;
    return copy;
}

void TBitmap::Draw(HDC DC, const TRect& Dest) const {
    const int previous = SetStretchBltMode(DC, HALFTONE);
    POINT origin;
    SetBrushOrgEx(DC, 0, 0, &origin);
    StretchBlt(DC, Dest.Left, Dest.Top, Dest.Width(), Dest.Height(), Canvas(), 0, 0, FWidth, FHeight,
               SRCCOPY);
    SetBrushOrgEx(DC, origin.x, origin.y, nullptr);
    SetStretchBltMode(DC, previous);
}
