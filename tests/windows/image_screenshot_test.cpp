// Paints every image of the theme through the image control and every loader frame through
// the animation, at 100 % and 150 % in both palettes, reads the window back, compares it with
// the images blended over the window colour, and keeps the screenshots as PNG files.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "tests/windows/screenshot.h"
#include "tests/windows/test_host.h"
#include "ucl/animation_win.h"
#include "app/run_services.h"
#include "ucl/image_control_win.h"
#include "utils/theme_win.h"

namespace {

class ImageScreenshot : public ::testing::TestWithParam<std::tuple<float, const char16_t*>> {
protected:
    void SetUp() override {
        FServices.AdoptTheme(std::make_unique<TTheme>(std::get<0>(GetParam())));
        Theme->SetThemeName(std::get<1>(GetParam()));
    }
    TRunServices FServices{u"English"};
};

TEST_P(ImageScreenshot, EveryImageBlendsWithTheWindowColour) {
    const int s100 = TTheme::ScaleToPercent(Theme->ScaleFactor());
    auto r = [](int n) { return ScaleValue(n); };
    TTestHost host(r(504), r(208));
    host.Background = Theme->WindowColor();

    struct TPlaced {
        TResourceImage Image;
        int Left;
    };
    const TPlaced placed[] = {
        {imgAppIcon, 8}, {imgApplicationIcon, 32}, {imgFolderEx, 104}, {imgSwitch, 128}};
    std::vector<std::unique_ptr<TImage>> images;
    for (const TPlaced& p : placed) {
        auto image = std::make_unique<TImage>(host.Handle());
        const TPngImage* png = Theme->GetImage(p.Image);
        image->SetBounds(r(p.Left), r(8), png->Width(), png->Height());
        image->SetPicture(png);
        images.push_back(std::move(image));
    }
    host.OnPaint = [&](HDC dc) {
        for (auto& image : images) {
            image->Paint(dc);
        }
    };
    std::vector<std::unique_ptr<TAnimation>> frames;
    for (int k = 0; k < 36; ++k) {
        auto animation = std::make_unique<TAnimation>(host.Handle());
        animation->SetFrameWidth(24);
        animation->SetFrameCount(36);
        animation->SetBounds(r(160 + k % 12 * 28), r(8 + k / 12 * 28), r(24), r(24));
        for (int step = 0; step < k; ++step) {
            animation->FrameStep(nullptr);
        }
        animation->SetVisible(true);
        frames.push_back(std::move(animation));
    }
    host.Settle();
    TScreenshot shot;
    shot.Pixels = host.Capture(shot.Width, shot.Height);
    const std::string name = Theme->IsLight() ? "light" : "dark";
    SavePng(ArtefactFolder() + "/images_" + name + "_" + std::to_string(s100) + ".png", shot.Pixels,
            shot.Width, shot.Height);

    const TColor window = Theme->WindowColor();
    for (const auto& image : images) {
        const TPngImage& png = *image->Picture().Png();
        int edges = 0;
        EXPECT_EQ(Mismatches(shot, image->Left(), image->Top(), png.Pixels(), 0, 0, png.Width(), png.Height(),
                             window, &edges),
                  0)
            << "image at " << image->Left();
        EXPECT_GT(edges, 0) << "anti-aliased edges to blend";
    }
    // The logo's corner is the window itself.
    const uint32_t bgRgb = (window & 0xFF) << 16 | (window & 0xFF00) | (window >> 16 & 0xFF);
    EXPECT_EQ(shot.At(images[1]->Left(), images[1]->Top()), bgRgb);

    const TPremultipliedImage& strip = Theme->GetImage(imgLoader)->Pixels();
    const int edge = strip.Height;
    for (int k = 0; k < 36; ++k) {
        const TAnimation& a = *frames[size_t(k)];
        EXPECT_EQ(Mismatches(shot, a.Left(), a.Top(), strip, k * edge, 0, edge, edge, window), 0)
            << "frame " << k;
        const TAnimation& next = *frames[size_t((k + 1) % 36)];
        int differing = 0;
        for (int y = 0; y < edge; ++y) {
            for (int x = 0; x < edge; ++x) {
                differing += shot.At(a.Left() + x, a.Top() + y) != shot.At(next.Left() + x, next.Top() + y);
            }
        }
        EXPECT_GE(differing, 8) << "frames " << k << " and " << (k + 1) % 36 << " look alike";
    }
}

INSTANTIATE_TEST_SUITE_P(ScalesAndPalettes, ImageScreenshot,
                         ::testing::Combine(::testing::Values(1.0f, 1.5f),
                                            ::testing::Values(u"Light", u"Dark")));

} // namespace
