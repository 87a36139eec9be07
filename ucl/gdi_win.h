// Owning wrappers for the GDI handles that painting uses, and the drawing routines that every
// control shares: solid fills, PNG images with alpha at any size, and double-buffered paints.
#pragma once

#include <windows.h>

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

#include "utils/rect.h"
#include "utils/unique_handle.h"
#include "utils/theme.h"

inline RECT ToRECT(const TRect& r) noexcept {
    return {r.Left, r.Top, r.Right, r.Bottom};
}
inline TRect FromRECT(const RECT& r) noexcept {
    return {r.left, r.top, r.right, r.bottom};
}

// A font, brush, pen or bitmap, deleted with DeleteObject. The object must not be selected
// into a DC when it is deleted, which TSelectObject, declared after it, guarantees.
template <typename T> using TGdiObject = TUniqueHandle<T, DeleteObject>;

using TFontHandle = TGdiObject<HFONT>;
using TBrushHandle = TGdiObject<HBRUSH>;
using TPenHandle = TGdiObject<HPEN>;
using TBitmapHandle = TGdiObject<HBITMAP>;

// Selects an object into a DC for its lifetime and puts the previous object back.
class TSelectObject {
public:
    TSelectObject(HDC dc, HGDIOBJ object) noexcept : FDC(dc), FPrevious(SelectObject(dc, object)) {}
    TSelectObject(const TSelectObject&) = delete;
    TSelectObject& operator=(const TSelectObject&) = delete;
    TSelectObject(TSelectObject&& other) noexcept
        : FDC(std::exchange(other.FDC, nullptr)), FPrevious(std::exchange(other.FPrevious, nullptr)) {}
    TSelectObject& operator=(TSelectObject&&) = delete;
    ~TSelectObject() {
        if (FDC && FPrevious && FPrevious != HGDI_ERROR) {
            SelectObject(FDC, FPrevious);
        }
    }

private:
    HDC FDC;
    HGDIOBJ FPrevious;
};

// The DC of a WM_PAINT, from BeginPaint to EndPaint.
class TPaintDC {
public:
    explicit TPaintDC(HWND window) noexcept : FWindow(window) { FDC = BeginPaint(window, &FInfo); }
    TPaintDC(const TPaintDC&) = delete;
    TPaintDC& operator=(const TPaintDC&) = delete;
    ~TPaintDC() { EndPaint(FWindow, &FInfo); }

    HDC DC() const noexcept { return FDC; }
    TRect PaintRect() const noexcept { return FromRECT(FInfo.rcPaint); }

private:
    HWND FWindow;
    PAINTSTRUCT FInfo{};
    HDC FDC;
};

// A window's client DC from GetDC to ReleaseDC.
class TWindowDC {
public:
    explicit TWindowDC(HWND window) noexcept : FWindow(window), FDC(GetDC(window)) {}
    TWindowDC(const TWindowDC&) = delete;
    TWindowDC& operator=(const TWindowDC&) = delete;
    TWindowDC(TWindowDC&& other) noexcept
        : FWindow(std::exchange(other.FWindow, nullptr)), FDC(std::exchange(other.FDC, nullptr)) {}
    TWindowDC& operator=(TWindowDC&&) = delete;
    ~TWindowDC() {
        if (FDC) {
            ReleaseDC(FWindow, FDC);
        }
    }

    HDC DC() const noexcept { return FDC; }

private:
    HWND FWindow;
    HDC FDC;
};

// An off-screen surface: a memory DC with a top-down 32-bit DIB section of its own selected
// into it, whose pixels the caller can reach through Bits. A DIB section rather than a bitmap
// of the display's kind: drawing into it stays in the process, where a display bitmap may send
// every text run and fill to the display driver, and making one costs a tenth as much.
class TMemoryDC {
public:
    TMemoryDC(HDC compatible, int width, int height, void** Bits = nullptr) noexcept;
    TMemoryDC(const TMemoryDC&) = delete;
    TMemoryDC& operator=(const TMemoryDC&) = delete;
    TMemoryDC(TMemoryDC&& other) noexcept;
    TMemoryDC& operator=(TMemoryDC&&) = delete;
    ~TMemoryDC();

    bool Valid() const noexcept { return FDC && FBitmap; }
    HDC DC() const noexcept { return FDC; }
    HBITMAP Bitmap() const noexcept { return FBitmap.Get(); }

private:
    HDC FDC = nullptr;
    TBitmapHandle FBitmap;
    HGDIOBJ FPrevious = nullptr;
};

void FillSolidRect(HDC DC, const TRect& R, TColor Color) noexcept;

// A font of Face with Height (the platform's font height: a negative value is the character
// height in pixels), regular weight, underlined on request.
TFontHandle CreateFontOf(const std::u16string& Face, int Height, bool Underline = false);

struct TTextExtent {
    int Width = 0;
    int Height = 0;
};
// The size of Text in the DC's current font.
TTextExtent TextExtent(HDC DC, std::u16string_view Text) noexcept;
// Draws Text at (X, Y) in the DC's current font and Color. With Background the text cell is
// filled with it, as text drawn with a solid brush; without, only the glyphs are drawn.
void DrawTextAt(HDC DC, int X, int Y, std::u16string_view Text, TColor Color,
                std::optional<TColor> Background = std::nullopt) noexcept;
// A line from (X1, Y1) to (X2, Y2) with a pen Width pixels wide; the end point is not drawn.
void DrawLine(HDC DC, int X1, int Y1, int X2, int Y2, TColor Color, int Width) noexcept;
// The outline of R with a pen Width pixels wide centred on its edges; nothing is filled.
void FrameRectangle(HDC DC, const TRect& R, TColor Color, int Width) noexcept;
// R filled with Fill and outlined with a pen Width pixels wide in Pen.
void FillFramedRectangle(HDC DC, const TRect& R, TColor Fill, TColor Pen, int Width) noexcept;

// Draws Image stretched into Dest with its alpha (smooth when the size differs); only the part
// inside the DC's clipping region is computed. With Tint, the picture's shape in that colour.
void DrawPngImage(HDC DC, const TPngImage& Image, const TRect& Dest,
                  std::optional<TColor> Tint = std::nullopt);
// The outline of R in one-pixel dots two pixels apart: the focus cue and the disabled border
// of the high-contrast look, which tell a state by shape rather than by colour.
void FrameDotted(HDC DC, const TRect& R, TColor Color) noexcept;

// Answers WM_PAINT through an off-screen buffer of the client size: Paint draws into the
// buffer, which then replaces the screen in one copy, so nothing flickers.
void PaintBuffered(HWND Window, const std::function<void(HDC DC, const TRect& Client)>& Paint);
