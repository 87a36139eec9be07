#include <gtest/gtest.h>

#include "tests/unit/png_builder.h"
#include "tests/windows/test_host.h"
#include "ucl/image_control_win.h"

namespace {

TPngImage Opaque(uint32_t w, uint32_t h, uint8_t alpha = 255) {
    TPngBuilder b;
    b.Width = w;
    b.Height = h;
    for (uint32_t i = 0; i < w * h; ++i) {
        b.Samples.insert(b.Samples.end(), {0, 0, 255, alpha});
    }
    const auto png = b.Build();
    TPngImage image;
    image.LoadFromBytes(png.data(), png.size());
    return image;
}

TEST(ImageControl, StartsEmptyAt105Square) {
    TImage image(nullptr);
    EXPECT_EQ(image.BoundsRect(), (TRect{0, 0, 105, 105}));
    EXPECT_TRUE(image.Picture().Empty());
    EXPECT_FALSE(image.Opaque());
    EXPECT_FALSE(image.Stretch() || image.Center() || image.Proportional() || image.Transparent());
}

TEST(ImageControl, DestinationFollowsTheLayoutFlags) {
    TImage image(nullptr);
    image.SetBounds(0, 0, 32, 32);
    const TPngImage wide = Opaque(64, 32);
    image.SetPicture(&wide);
    EXPECT_EQ(image.DestRect(), (TRect{0, 0, 64, 32})) << "no flag: the picture's own size";
    image.SetProportional(true);
    EXPECT_EQ(image.DestRect(), (TRect{0, 0, 32, 16}));
    image.SetCenter(true);
    EXPECT_EQ(image.DestRect(), (TRect{0, 8, 32, 24}));
    image.SetProportional(false);
    image.SetStretch(true);
    EXPECT_EQ(image.DestRect(), (TRect{0, 0, 32, 32}));
}

TEST(ImageControl, OpaqueOnlyWhenAnOpaquePictureCoversTheControl) {
    TImage image(nullptr);
    image.SetBounds(0, 0, 64, 64);
    const TPngImage small = Opaque(16, 16);
    image.SetPicture(&small);
    EXPECT_FALSE(image.Opaque());
    image.SetCenter(true);
    EXPECT_FALSE(image.Opaque()) << "centring alone keeps a small picture small";
    image.SetStretch(true);
    EXPECT_TRUE(image.Opaque());
    image.SetTransparent(true);
    EXPECT_TRUE(image.Picture().Transparent()) << "the flag is passed on to the graphic";
    EXPECT_FALSE(image.Opaque());
    image.SetTransparent(false);
    EXPECT_TRUE(image.Opaque());
    image.SetPicture(static_cast<const TPngImage*>(nullptr));
    EXPECT_FALSE(image.Opaque());
}

TEST(ImageControl, AutoSizeTakesThePictureSize) {
    TImage image(nullptr);
    image.SetBounds(5, 6, 50, 50);
    image.SetAutoSize(true);
    const TPngImage picture = Opaque(20, 12);
    image.SetPicture(&picture);
    EXPECT_EQ(image.BoundsRect(), (TRect{5, 6, 25, 18}));
}

TEST(ImageControl, CanvasOnlyForABitmap) {
    TImage image(nullptr);
    image.SetBounds(0, 0, 8, 4);
    const HDC canvas = image.Canvas();
    ASSERT_NE(canvas, nullptr);
    ASSERT_NE(image.Picture().Bitmap(), nullptr);
    EXPECT_EQ(image.Picture().Width(), 8);
    EXPECT_EQ(image.Canvas(), canvas);
    const TPngImage png = Opaque(2, 2);
    image.SetPicture(&png);
    try {
        image.Canvas();
        FAIL() << "no error";
    } catch (const EError& e) {
        EXPECT_EQ(e.Message(), u"Can only modify an image if it contains a bitmap");
    }
}

TEST(ImageControl, PaintsOnItsParentInsideItsBoundsAndInvalidatesThem) {
    TTestHost host(120, 80);
    TImage image(host.Handle());
    image.SetBounds(10, 20, 30, 30);
    const TPngImage big = Opaque(100, 100);
    host.OnPaint = [&](HDC dc) { image.Paint(dc); };
    host.Settle();
    RECT update;
    image.SetPicture(&big);
    ASSERT_TRUE(GetUpdateRect(host.Handle(), &update, FALSE));
    EXPECT_EQ(FromRECT(update), image.BoundsRect());
    host.Settle();
    int w, h;
    auto pixels = host.Capture(w, h);
    EXPECT_EQ(pixels[size_t(20) * w + 10], 0x0000FFu);
    EXPECT_EQ(pixels[size_t(49) * w + 39], 0x0000FFu);
    EXPECT_EQ(pixels[size_t(50) * w + 40], 0xFFFFFFu) << "a big picture is cut at the bounds";
    EXPECT_EQ(pixels[size_t(19) * w + 10], 0xFFFFFFu);

    image.SetVisible(false);
    host.Settle();
    pixels = host.Capture(w, h);
    EXPECT_EQ(pixels[size_t(20) * w + 10], 0xFFFFFFu);
}

} // namespace
