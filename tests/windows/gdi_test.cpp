#include <gtest/gtest.h>

#include "tests/unit/png_builder.h"
#include "ucl/gdi_win.h"

namespace {

bool Deleted(HGDIOBJ object) {
    return GetObjectType(object) == 0;
}

// A 32-bit surface whose pixels the test reads directly (0xAARRGGBB, top-down).
struct TSurface {
    TSurface(int w, int h) : Width(w), Memory(TWindowDC(nullptr).DC(), w, h, &Bits) {}
    uint32_t At(int x, int y) const { return static_cast<const uint32_t*>(Bits)[y * Width + x] & 0xFFFFFF; }
    int Width;
    void* Bits = nullptr;
    TMemoryDC Memory;
};

TPngImage MakeImage(const TPngBuilder& builder) {
    const std::vector<uint8_t> png = builder.Build();
    TPngImage image;
    image.LoadFromBytes(png.data(), png.size());
    return image;
}

TEST(GdiWrappers, SelectObjectPutsThePreviousObjectBack) {
    TSurface surface(4, 4);
    const HDC dc = surface.Memory.DC();
    const HGDIOBJ original = GetCurrentObject(dc, OBJ_PEN);
    TPenHandle pen(CreatePen(PS_SOLID, 1, RGB(1, 2, 3)));
    {
        TSelectObject select(dc, pen.Get());
        EXPECT_EQ(GetCurrentObject(dc, OBJ_PEN), pen.Get());
        TSelectObject moved(std::move(select)); // the moved-from one restores nothing
    }
    EXPECT_EQ(GetCurrentObject(dc, OBJ_PEN), original);
}

TEST(GdiWrappers, AnObjectOwnedBeforeItsSelectionIsDeletedAfterIt) {
    TSurface surface(4, 4);
    HBRUSH handle;
    {
        TBrushHandle brush(CreateSolidBrush(RGB(9, 9, 9)));
        handle = brush.Get();
        TSelectObject select(surface.Memory.DC(), brush.Get());
        EXPECT_FALSE(Deleted(handle));
    }
    EXPECT_TRUE(Deleted(handle));
    EXPECT_NE(GetCurrentObject(surface.Memory.DC(), OBJ_BRUSH), handle);
}

TEST(GdiWrappers, OwnershipMovesAndResetDeletes) {
    TFontHandle first(CreateFontW(-13, 0, 0, 0, FW_NORMAL, 0, 0, 0, DEFAULT_CHARSET, 0, 0, 0, 0, L"Arial"));
    const HFONT handle = first.Get();
    TFontHandle second(std::move(first));
    EXPECT_FALSE(first);
    EXPECT_EQ(second.Get(), handle);
    TFontHandle third;
    third = std::move(second);
    EXPECT_FALSE(Deleted(handle));
    third.Reset();
    EXPECT_TRUE(Deleted(handle));
    EXPECT_FALSE(third);
}

TEST(GdiWrappers, MemoryDcFreesItsBitmapAfterDeselectingIt) {
    HBITMAP bitmap;
    {
        TSurface surface(3, 2);
        ASSERT_TRUE(surface.Memory.Valid());
        bitmap = surface.Memory.Bitmap();
        EXPECT_EQ(GetCurrentObject(surface.Memory.DC(), OBJ_BITMAP), bitmap);
        TMemoryDC moved(std::move(surface.Memory));
        EXPECT_FALSE(surface.Memory.Valid());
        EXPECT_EQ(moved.Bitmap(), bitmap);
    }
    EXPECT_TRUE(Deleted(bitmap));
    TMemoryDC empty(TWindowDC(nullptr).DC(), 0, 5);
    EXPECT_FALSE(empty.Valid());
}

// A buffer of the display's kind sent each text run of a paint to the display driver.
TEST(GdiWrappers, MemoryDcDrawsIntoADibSectionOfItsOwn) {
    const TMemoryDC buffer(TWindowDC(nullptr).DC(), 30, 20);
    ASSERT_TRUE(buffer.Valid());
    DIBSECTION section{};
    ASSERT_EQ(GetObjectW(buffer.Bitmap(), sizeof(section), &section), int(sizeof(section)));
    EXPECT_NE(section.dsBm.bmBits, nullptr);
    EXPECT_EQ(section.dsBm.bmBitsPixel, 32);
    EXPECT_EQ(section.dsBm.bmWidth, 30);
    EXPECT_EQ(section.dsBm.bmHeight, 20);
}

TEST(GdiWrappers, WindowDcIsReleasedOnce) {
    TWindowDC dc(nullptr);
    ASSERT_NE(dc.DC(), nullptr);
    TWindowDC moved(std::move(dc));
    EXPECT_EQ(dc.DC(), nullptr);
    EXPECT_NE(GetDeviceCaps(moved.DC(), BITSPIXEL), 0);
}

TEST(GdiDrawing, FillSolidRectFillsExactlyAndKeepsTheBackgroundColour) {
    TSurface surface(4, 4);
    const HDC dc = surface.Memory.DC();
    SetBkColor(dc, RGB(7, 7, 7));
    FillSolidRect(dc, {0, 0, 4, 4}, RGB(255, 255, 255));
    FillSolidRect(dc, {1, 1, 3, 2}, RGB(0x21, 0x88, 0xFF));
    EXPECT_EQ(surface.At(1, 1), 0x2188FFu);
    EXPECT_EQ(surface.At(2, 1), 0x2188FFu);
    EXPECT_EQ(surface.At(3, 1), 0xFFFFFFu);
    EXPECT_EQ(surface.At(1, 2), 0xFFFFFFu);
    EXPECT_EQ(GetBkColor(dc), RGB(7, 7, 7));
}

TEST(GdiDrawing, PngAlphaBlendsPerPixelOverTheBackground) {
    TPngBuilder b;
    b.Width = 3;
    b.Samples = {0, 0, 255, 255, 255, 0, 0, 128, 10, 20, 30, 0};
    const TPngImage image = MakeImage(b);
    TSurface surface(3, 1);
    FillSolidRect(surface.Memory.DC(), {0, 0, 3, 1}, RGB(255, 255, 255));
    DrawPngImage(surface.Memory.DC(), image, {0, 0, 3, 1});
    EXPECT_EQ(surface.At(0, 0), 0x0000FFu);
    const uint32_t half = surface.At(1, 0);
    EXPECT_EQ(half >> 16, 255u);
    EXPECT_NEAR(int(half >> 8 & 0xFF), 127, 2);
    EXPECT_NEAR(int(half & 0xFF), 127, 2);
    EXPECT_EQ(surface.At(2, 0), 0xFFFFFFu) << "an invisible pixel leaves the background";
}

TEST(GdiDrawing, PngStretchesSmoothlyAndStaysInsideTheClip) {
    TPngBuilder b;
    b.Width = 2;
    b.Samples = {0, 0, 0, 255, 255, 255, 255, 255};
    const TPngImage image = MakeImage(b);
    TSurface surface(12, 2);
    const HDC dc = surface.Memory.DC();
    FillSolidRect(dc, {0, 0, 12, 2}, RGB(255, 0, 0));
    IntersectClipRect(dc, 0, 0, 10, 1);
    DrawPngImage(dc, image, {0, 0, 10, 2});
    int levels = 0;
    for (int x = 1; x < 10; ++x) {
        const uint32_t p = surface.At(x, 0);
        EXPECT_EQ(p >> 16, p & 0xFF) << "grey at " << x;
        EXPECT_GE(p & 0xFF, surface.At(x - 1, 0) & 0xFF);
        levels += (p & 0xFF) != (surface.At(x - 1, 0) & 0xFF);
    }
    EXPECT_GE(levels, 5) << "a smooth ramp, not two blocks";
    EXPECT_EQ(surface.At(10, 0), 0xFF0000u);
    EXPECT_EQ(surface.At(3, 1), 0xFF0000u) << "outside the clip nothing is drawn";
}

} // namespace
