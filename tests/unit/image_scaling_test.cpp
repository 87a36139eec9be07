#include <gtest/gtest.h>

#include <random>
#include <set>

#include "utils/image_scaling.h"

namespace {

constexpr uint32_t Argb(uint32_t a, uint32_t r, uint32_t g, uint32_t b) {
    return a << 24 | r << 16 | g << 8 | b;
}

TPremultipliedImage Image(int w, int h, std::vector<uint32_t> pixels) {
    return {w, h, std::move(pixels)};
}

TEST(Premultiply, ScalesColoursByAlphaAndPacksThemForTheDib) {
    TRgbaImage rgba{3, 1, {255, 128, 0, 128, 10, 20, 30, 0, 1, 2, 3, 255}};
    const TPremultipliedImage p = Premultiply(rgba);
    ASSERT_EQ(p.Width, 3);
    ASSERT_EQ(p.Height, 1);
    EXPECT_EQ(p.Pixels[0], Argb(128, 128, 64, 0));
    EXPECT_EQ(p.Pixels[1], 0u) << "an invisible pixel keeps no colour";
    EXPECT_EQ(p.Pixels[2], Argb(255, 1, 2, 3));
}

TEST(TintImage, KeepsTheShapeInOneColour) {
    TPremultipliedImage image{3, 1, {0xFF123456, 0x80402010, 0x00000000}};
    TintImage(image, 0x0000FF00); // green, as 0x00BBGGRR
    EXPECT_EQ(image.Pixels, (std::vector<uint32_t>{0xFF00FF00, 0x80008000, 0x00000000}));
    TintImage(image, 0x00FF0000); // blue
    EXPECT_EQ(image.Pixels, (std::vector<uint32_t>{0xFF0000FF, 0x80000080, 0x00000000}));
}

TEST(StretchImage, SameSizeCopiesAndClipSelectsOneFrame) {
    // A strip of four 2 × 2 frames, each of one colour.
    std::vector<uint32_t> pixels;
    for (int y = 0; y < 2; ++y) {
        for (int x = 0; x < 8; ++x) {
            pixels.push_back(Argb(255, uint32_t(x / 2 * 60), 0, 0));
        }
    }
    const TPremultipliedImage strip = Image(8, 2, pixels);
    // Frame 2 shown: the strip is moved left by two frames and clipped to the client area.
    const TStretchedPart part = StretchImage(strip, {-4, 0, 4, 2}, {0, 0, 2, 2});
    EXPECT_EQ(part.Bounds, (TRect{0, 0, 2, 2}));
    EXPECT_EQ(part.Image.Pixels, std::vector<uint32_t>(4, Argb(255, 120, 0, 0)));

    const TStretchedPart whole = StretchImage(strip, {5, 7, 13, 9}, {0, 0, 100, 100});
    EXPECT_EQ(whole.Bounds, (TRect{5, 7, 13, 9}));
    EXPECT_EQ(whole.Image.Pixels, pixels);
}

TEST(StretchImage, ShrinkingAveragesAreasWithoutDarkFringes) {
    // Opaque red beside fully transparent: the average is half-transparent red, not dark red.
    const TPremultipliedImage source = Image(2, 2, {Argb(255, 255, 0, 0), 0, Argb(255, 255, 0, 0), 0});
    const TStretchedPart part = StretchImage(source, {0, 0, 1, 1}, {0, 0, 1, 1});
    ASSERT_EQ(part.Image.Pixels.size(), 1u);
    const uint32_t p = part.Image.Pixels[0];
    EXPECT_EQ(p >> 24, 128u);
    EXPECT_EQ(p >> 16 & 0xFF, 128u) << "premultiplied red equals alpha: pure red";
    EXPECT_EQ(p & 0xFFFF, 0u);

    // Three columns into two: each output takes one and a half inputs.
    const TPremultipliedImage ramp =
        Image(3, 1, {Argb(255, 0, 0, 0), Argb(255, 90, 0, 0), Argb(255, 180, 0, 0)});
    const TStretchedPart two = StretchImage(ramp, {0, 0, 2, 1}, {0, 0, 2, 1});
    EXPECT_EQ(two.Image.Pixels[0] >> 16 & 0xFF, 30u);  // (0 + 0.5 * 90) / 1.5
    EXPECT_EQ(two.Image.Pixels[1] >> 16 & 0xFF, 150u); // (0.5 * 90 + 180) / 1.5
}

TEST(StretchImage, GrowingIsSmoothNotBlocky) {
    const TPremultipliedImage source = Image(2, 1, {Argb(255, 0, 0, 0), Argb(255, 255, 255, 255)});
    const TStretchedPart part = StretchImage(source, {0, 0, 16, 1}, {0, 0, 16, 1});
    std::set<uint32_t> levels;
    uint32_t previous = 0;
    for (uint32_t p : part.Image.Pixels) {
        const uint32_t level = p & 0xFF;
        EXPECT_GE(level, previous) << "the ramp never steps back";
        previous = level;
        levels.insert(level);
    }
    EXPECT_EQ(part.Image.Pixels.front() & 0xFF, 0u);
    EXPECT_EQ(part.Image.Pixels.back() & 0xFF, 255u);
    EXPECT_GE(levels.size(), 8u) << "nearest-neighbour would give two levels";
}

TEST(StretchImage, AClippedPartEqualsTheSameRegionOfTheWhole) {
    std::mt19937 random(7);
    std::vector<uint32_t> pixels(13 * 9);
    for (uint32_t& p : pixels) {
        const uint32_t a = random() % 256;
        p = Argb(a, random() % (a + 1), random() % (a + 1), random() % (a + 1));
    }
    const TPremultipliedImage source = Image(13, 9, pixels);
    for (const TRect dest : {TRect{-10, -5, 30, 20}, TRect{3, 2, 9, 7}, TRect{-3, 1, 40, 3}}) {
        const TStretchedPart whole = StretchImage(source, dest, dest);
        const TRect clip{0, 0, 16, 16};
        const TStretchedPart part = StretchImage(source, dest, clip);
        ASSERT_EQ(part.Bounds, IntersectRects(dest, clip));
        for (int y = part.Bounds.Top; y < part.Bounds.Bottom; ++y) {
            for (int x = part.Bounds.Left; x < part.Bounds.Right; ++x) {
                const uint32_t p =
                    part.Image
                        .Pixels[size_t(y - part.Bounds.Top) * part.Bounds.Width() + (x - part.Bounds.Left)];
                EXPECT_EQ(p, whole.Image.Pixels[size_t(y - dest.Top) * dest.Width() + (x - dest.Left)]);
                const uint32_t a = p >> 24;
                EXPECT_LE(p >> 16 & 0xFF, a);
                EXPECT_LE(p >> 8 & 0xFF, a);
                EXPECT_LE(p & 0xFF, a);
            }
        }
    }
}

TEST(StretchImage, NothingVisibleGivesAnEmptyPart) {
    const TPremultipliedImage source = Image(1, 1, {Argb(255, 1, 2, 3)});
    EXPECT_TRUE(StretchImage(source, {0, 0, 10, 10}, {20, 20, 30, 30}).Image.Pixels.empty());
    EXPECT_TRUE(StretchImage(source, {5, 5, 5, 10}, {0, 0, 30, 30}).Image.Pixels.empty());
    EXPECT_TRUE(StretchImage(TPremultipliedImage{}, {0, 0, 10, 10}, {0, 0, 30, 30}).Image.Pixels.empty());
}

} // namespace
