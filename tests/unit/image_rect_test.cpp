#include <gtest/gtest.h>

#include "ucl/image_rect.h"

namespace {

TImageLayout Layout(bool stretch, bool proportional, bool center) {
    return {stretch, proportional, center};
}

TEST(ImageDestRect, APictureKeepsItsSizeUnlessStretched) {
    EXPECT_EQ(ImageDestRect(20, 10, 64, 64, Layout(false, false, false)), (TRect{0, 0, 20, 10}));
    EXPECT_EQ(ImageDestRect(20, 10, 64, 64, Layout(false, true, false)), (TRect{0, 0, 20, 10}))
        << "proportional alone only shrinks";
    EXPECT_EQ(ImageDestRect(20, 10, 64, 64, Layout(false, false, true)), (TRect{22, 27, 42, 37}));
    EXPECT_EQ(ImageDestRect(100, 100, 64, 64, Layout(false, false, false)), (TRect{0, 0, 100, 100}));
    EXPECT_EQ(ImageDestRect(100, 100, 64, 64, Layout(false, false, true)), (TRect{-18, -18, 82, 82}));
}

TEST(ImageDestRect, StretchFillsTheClientArea) {
    EXPECT_EQ(ImageDestRect(20, 10, 64, 48, Layout(true, false, false)), (TRect{0, 0, 64, 48}));
    EXPECT_EQ(ImageDestRect(200, 100, 64, 48, Layout(true, false, true)), (TRect{0, 0, 64, 48}));
}

TEST(ImageDestRect, ProportionalKeepsTheAspect) {
    EXPECT_EQ(ImageDestRect(64, 32, 32, 32, Layout(false, true, false)), (TRect{0, 0, 32, 16}));
    EXPECT_EQ(ImageDestRect(64, 32, 32, 32, Layout(false, true, true)), (TRect{0, 8, 32, 24}));
    // Taller than wide: the height leads.
    EXPECT_EQ(ImageDestRect(30, 90, 60, 60, Layout(false, true, true)), (TRect{20, 0, 40, 60}));
    // Wide picture in a flat area: the width would overflow the height, so the height leads.
    EXPECT_EQ(ImageDestRect(40, 20, 100, 10, Layout(true, true, false)), (TRect{0, 0, 20, 10}));
    // Tall picture in a narrow area: the width limits.
    EXPECT_EQ(ImageDestRect(20, 40, 10, 100, Layout(true, true, false)), (TRect{0, 0, 10, 20}));
    // Stretch with proportional grows a small picture to fit.
    EXPECT_EQ(ImageDestRect(16, 16, 64, 32, Layout(true, true, true)), (TRect{16, 0, 48, 32}));
    // Truncation, not rounding: 100 / (3 / 2) = 66.67.
    EXPECT_EQ(ImageDestRect(300, 200, 100, 100, Layout(false, true, false)), (TRect{0, 0, 100, 66}));
    // An empty picture is stretched like any other.
    EXPECT_EQ(ImageDestRect(0, 0, 50, 40, Layout(true, true, false)), (TRect{0, 0, 50, 40}));
}

TEST(ImageCoversClient, OnlyAnOpaquePictureOverTheWholeAreaHidesTheBackground) {
    EXPECT_TRUE(ImageCoversClient(ImageDestRect(10, 10, 64, 64, Layout(true, false, false)), 64, 64, false));
    EXPECT_FALSE(ImageCoversClient(ImageDestRect(10, 10, 64, 64, Layout(true, false, false)), 64, 64, true));
    EXPECT_FALSE(ImageCoversClient(ImageDestRect(10, 10, 64, 64, Layout(false, false, true)), 64, 64, false));
    EXPECT_FALSE(ImageCoversClient(ImageDestRect(64, 32, 32, 32, Layout(false, true, true)), 32, 32, false));
    EXPECT_TRUE(
        ImageCoversClient(ImageDestRect(100, 100, 64, 64, Layout(false, false, true)), 64, 64, false));
}

} // namespace
