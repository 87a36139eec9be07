// Screenshots of the control tests: the test window read back into pixels, kept as PNG files
// in the build folder's "screenshots" folder, and compared with theme colours at fixed points.
#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include <zlib.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <tuple>
#include <string>
#include <vector>

#include "app/run_services.h"
#include "tests/windows/test_host.h"
#include "utils/png_image.h"
#include "utils/theme.h"

inline void SavePng(const std::string& path, const std::vector<uint32_t>& pixels, int width, int height) {
    std::vector<uint8_t> raw;
    for (int y = 0; y < height; ++y) {
        raw.push_back(0);
        for (int x = 0; x < width; ++x) {
            const uint32_t p = pixels[size_t(y) * width + x];
            raw.insert(raw.end(), {uint8_t(p >> 16), uint8_t(p >> 8), uint8_t(p)});
        }
    }
    uLongf size = compressBound(uLong(raw.size()));
    std::vector<uint8_t> packed(size);
    compress2(packed.data(), &size, raw.data(), uLong(raw.size()), 9);
    packed.resize(size);
    std::vector<uint8_t> png = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    auto put32 = [&](uint32_t v) {
        for (int s = 24; s >= 0; s -= 8) {
            png.push_back(uint8_t(v >> s));
        }
    };
    auto chunk = [&](const char* type, const std::vector<uint8_t>& data) {
        put32(uint32_t(data.size()));
        const size_t start = png.size();
        png.insert(png.end(), type, type + 4);
        png.insert(png.end(), data.begin(), data.end());
        put32(uint32_t(crc32(0, png.data() + start, uInt(png.size() - start))));
    };
    std::vector<uint8_t> header;
    std::swap(png, header);
    put32(uint32_t(width));
    put32(uint32_t(height));
    std::swap(png, header);
    header.insert(header.end(), {8, 2, 0, 0, 0});
    chunk("IHDR", header);
    chunk("IDAT", packed);
    chunk("IEND", {});
    if (FILE* f = std::fopen(path.c_str(), "wb")) {
        std::fwrite(png.data(), 1, png.size(), f);
        std::fclose(f);
    }
}

inline std::string ArtefactFolder() {
    const char* binary = std::getenv("QV_BINARY_DIR");
    std::string folder = std::string(binary ? binary : ".") + "/screenshots";
    CreateDirectoryA(folder.c_str(), nullptr);
    return folder;
}

// A theme colour (0x00BBGGRR) as a captured pixel (0x00RRGGBB).
inline uint32_t Rgb(TColor color) {
    return (color & 0xFF) << 16 | (color & 0xFF00) | (color >> 16 & 0xFF);
}

inline int Distance(uint32_t a, uint32_t b) {
    int worst = 0;
    for (int s = 0; s <= 16; s += 8) {
        worst = std::max(worst, std::abs(int(a >> s & 0xFF) - int(b >> s & 0xFF)));
    }
    return worst;
}

struct TScreenshot {
    std::vector<uint32_t> Pixels;
    int Width = 0, Height = 0;
    uint32_t At(int x, int y) const { return Pixels[size_t(y) * Width + x]; }
    // The pixel at (x, y) of the window relative to the host.
    uint32_t At(HWND window, HWND host, int x, int y) const {
        POINT p{x, y};
        MapWindowPoints(window, host, &p, 1);
        return At(p.x, p.y);
    }
    // How many pixels of the rectangle have exactly Color.
    int Count(int left, int top, int right, int bottom, uint32_t color) const {
        int count = 0;
        for (int y = std::max(top, 0); y < std::min(bottom, Height); ++y) {
            for (int x = std::max(left, 0); x < std::min(right, Width); ++x) {
                count += At(x, y) == color;
            }
        }
        return count;
    }
};

// Premultiplied 0xAARRGGBB over an opaque 0x00BBGGRR background, as 0x00RRGGBB.
inline uint32_t Over(uint32_t p, TColor background) {
    const uint32_t a = p >> 24;
    const uint32_t bg[3] = {background & 0xFF, background >> 8 & 0xFF, background >> 16 & 0xFF};
    const uint32_t fg[3] = {p >> 16 & 0xFF, p >> 8 & 0xFF, p & 0xFF};
    uint32_t out = 0;
    for (int i = 0; i < 3; ++i) {
        out = out << 8 | (fg[i] + (bg[i] * (255 - a) + 127) / 255);
    }
    return out;
}

// Compares the region at (left, top) with Source's part (sx, sy, w, h) blended over the window
// colour; returns how many pixels differ by more than rounding, and counts the edge pixels.
inline int Mismatches(const TScreenshot& shot, int left, int top, const TPremultipliedImage& source, int sx,
                      int sy, int w, int h, TColor background, int* edges = nullptr) {
    int bad = 0;
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            const uint32_t p = source.Pixels[size_t(sy + y) * source.Width + sx + x];
            if (edges && (p >> 24) > 0 && (p >> 24) < 255) {
                ++*edges;
            }
            if (Distance(shot.At(left + x, top + y), Over(p, background)) > 2) {
                ++bad;
            }
        }
    }
    return bad;
}

// Paints what is pending, reads the host back and keeps it as Name.png.
inline TScreenshot TakeScreenshot(TTestHost& host, const std::string& name) {
    host.Settle();
    TScreenshot shot;
    shot.Pixels = host.Capture(shot.Width, shot.Height);
    SavePng(ArtefactFolder() + "/" + name + ".png", shot.Pixels, shot.Width, shot.Height);
    return shot;
}

// Tests run at a scale and in a look: a theme of their own, and names that say which.
class TThemedScreenshotTest : public ::testing::TestWithParam<std::tuple<float, const char16_t*>> {
protected:
    void SetUp() override {
        FServices.AdoptTheme(std::make_unique<TTheme>(std::get<0>(GetParam())));
        Theme->SetThemeName(std::get<1>(GetParam()));
        Host.Background = Theme->WindowColor();
    }
    // What_light_100 and so on.
    std::string Name(const std::string& What) const {
        return What + "_" + (Theme->IsLight() ? "light" : "dark") + "_" +
               std::to_string(TTheme::ScaleToPercent(Theme->ScaleFactor()));
    }

    // In English, as every screenshot is taken.
    TRunServices FServices{u"English"};
    TTestHost Host{720, 400, 40, 40};
};
