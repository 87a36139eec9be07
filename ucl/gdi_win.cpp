#include "ucl/gdi_win.h"

#include <algorithm>
#include <cstring>

TMemoryDC::TMemoryDC(HDC compatible, int width, int height, void** Bits) noexcept
    : FDC(CreateCompatibleDC(compatible)) {
    if (!FDC || width <= 0 || height <= 0) {
        return;
    }
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    FBitmap.Reset(CreateDIBSection(compatible, &info, DIB_RGB_COLORS, Bits ? Bits : &bits, nullptr, 0));
    if (FBitmap) {
        FPrevious = SelectObject(FDC, FBitmap.Get());
    }
}

TMemoryDC::TMemoryDC(TMemoryDC&& other) noexcept
    : FDC(std::exchange(other.FDC, nullptr)), FBitmap(std::move(other.FBitmap)),
      FPrevious(std::exchange(other.FPrevious, nullptr)) {}

TMemoryDC::~TMemoryDC() {
    if (FDC) {
        if (FPrevious) {
            SelectObject(FDC, FPrevious);
        }
        DeleteDC(FDC);
    }
    // FBitmap is deleted after it has left the DC.
}

void FillSolidRect(HDC DC, const TRect& R, TColor Color) noexcept {
    const COLORREF previous = SetBkColor(DC, Color);
    const RECT r = ToRECT(R);
    ExtTextOutW(DC, 0, 0, ETO_OPAQUE, &r, nullptr, 0, nullptr);
    SetBkColor(DC, previous);
}

TFontHandle CreateFontOf(const std::u16string& Face, int Height, bool Underline) {
    LOGFONTW font{};
    font.lfHeight = Height;
    font.lfWeight = FW_NORMAL;
    font.lfUnderline = Underline ? TRUE : FALSE;
    font.lfCharSet = DEFAULT_CHARSET;
    font.lfQuality = DEFAULT_QUALITY;
    const size_t length = std::min<size_t>(Face.size(), LF_FACESIZE - 1);
    std::copy_n(Face.begin(), length, reinterpret_cast<char16_t*>(font.lfFaceName));
    return TFontHandle(CreateFontIndirectW(&font));
}

TTextExtent TextExtent(HDC DC, std::u16string_view Text) noexcept {
    SIZE size{};
    GetTextExtentPoint32W(DC, reinterpret_cast<const wchar_t*>(Text.data()), static_cast<int>(Text.size()),
                          &size);
    return {size.cx, size.cy};
}

void DrawTextAt(HDC DC, int X, int Y, std::u16string_view Text, TColor Color,
                std::optional<TColor> Background) noexcept {
    const COLORREF previousColor = SetTextColor(DC, Color);
    const int previousMode = SetBkMode(DC, Background ? OPAQUE : TRANSPARENT);
    const COLORREF previousBackground = SetBkColor(DC, Background.value_or(GetBkColor(DC)));
    TextOutW(DC, X, Y, reinterpret_cast<const wchar_t*>(Text.data()), static_cast<int>(Text.size()));
    SetBkColor(DC, previousBackground);
    SetBkMode(DC, previousMode);
    SetTextColor(DC, previousColor);
}

void DrawLine(HDC DC, int X1, int Y1, int X2, int Y2, TColor Color, int Width) noexcept {
    TPenHandle pen(CreatePen(PS_SOLID, Width, Color));
    TSelectObject selected(DC, pen.Get());
    MoveToEx(DC, X1, Y1, nullptr);
    LineTo(DC, X2, Y2);
}

void FrameRectangle(HDC DC, const TRect& R, TColor Color, int Width) noexcept {
    TPenHandle pen(CreatePen(PS_SOLID, Width, Color));
    TSelectObject selectedPen(DC, pen.Get());
    TSelectObject selectedBrush(DC, GetStockObject(NULL_BRUSH));
    Rectangle(DC, R.Left, R.Top, R.Right, R.Bottom);
}

void FillFramedRectangle(HDC DC, const TRect& R, TColor Fill, TColor Pen, int Width) noexcept {
    TPenHandle pen(CreatePen(PS_SOLID, Width, Pen));
    TBrushHandle brush(CreateSolidBrush(Fill));
    TSelectObject selectedPen(DC, pen.Get());
    TSelectObject selectedBrush(DC, brush.Get());
    Rectangle(DC, R.Left, R.Top, R.Right, R.Bottom);
}

void FrameDotted(HDC DC, const TRect& R, TColor Color) noexcept {
    for (int x = R.Left; x < R.Right; x += 2) {
        SetPixelV(DC, x, R.Top, Color);
        SetPixelV(DC, x, R.Bottom - 1, Color);
    }
    for (int y = R.Top; y < R.Bottom; y += 2) {
        SetPixelV(DC, R.Left, y, Color);
        SetPixelV(DC, R.Right - 1, y, Color);
    }
}

void DrawPngImage(HDC DC, const TPngImage& Image, const TRect& Dest, std::optional<TColor> Tint) {
    RECT clip;
    const int region = GetClipBox(DC, &clip);
    if (Image.Empty() || region == ERROR || region == NULLREGION) {
        return;
    }
    TStretchedPart part = StretchImage(Image.Pixels(), Dest, FromRECT(clip));
    if (part.Image.Pixels.empty()) {
        return;
    }
    if (Tint) {
        TintImage(part.Image, *Tint);
    }
    void* bits = nullptr;
    TMemoryDC source(DC, part.Image.Width, part.Image.Height, &bits);
    if (!source.Valid() || !bits) {
        return;
    }
    std::memcpy(bits, part.Image.Pixels.data(), part.Image.Pixels.size() * sizeof(uint32_t));
    GdiFlush();
    const BLENDFUNCTION blend{AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
    GdiAlphaBlend(DC, part.Bounds.Left, part.Bounds.Top, part.Image.Width, part.Image.Height, source.DC(), 0,
                  0, part.Image.Width, part.Image.Height, blend);
}

void PaintBuffered(HWND Window, const std::function<void(HDC DC, const TRect& Client)>& Paint) {
    TPaintDC paint(Window);
    RECT client;
    GetClientRect(Window, &client);
    const TRect area = FromRECT(client);
    if (area.Empty()) {
        return;
    }
    TMemoryDC buffer(paint.DC(), area.Width(), area.Height());
    if (!buffer.Valid()) {
        Paint(paint.DC(), area);
        return;
    }
    // The buffer clips like the screen, so partial repaints cost only what they show.
    const TRect dirty = paint.PaintRect();
    IntersectClipRect(buffer.DC(), dirty.Left, dirty.Top, dirty.Right, dirty.Bottom);
    Paint(buffer.DC(), area);
    BitBlt(paint.DC(), dirty.Left, dirty.Top, dirty.Width(), dirty.Height(), buffer.DC(), dirty.Left,
           dirty.Top, SRCCOPY);
}
