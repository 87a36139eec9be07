#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "tests/unit/png_builder.h"
#include "utils/png_decoder.h"

namespace {

TRgbaImage Decode(const std::vector<uint8_t>& png) {
    return DecodePng(png.data(), png.size());
}

std::u16string ErrorOf(const std::vector<uint8_t>& png) {
    try {
        Decode(png);
    } catch (const EPngError& e) {
        return e.Message();
    }
    return u"(decoded)";
}

TEST(PngDecoder, DecodesRgbaThroughEveryFilter) {
    TPngBuilder b = PatternPng(7, 10);
    b.Filters = {0, 1, 2, 3, 4, 4, 3, 2, 1, 0};
    const TRgbaImage image = Decode(b.Build());
    EXPECT_EQ(image.Width, 7u);
    EXPECT_EQ(image.Height, 10u);
    EXPECT_EQ(image.Pixels, b.Samples);
}

TEST(PngDecoder, ImageDataMaySpanManyChunksWithOthersBefore) {
    TPngBuilder b = PatternPng(5, 4);
    b.IdatPieces = 1000; // one byte per IDAT
    b.BeforeData = {{"tEXt", {'a', 0, 'b'}}};
    EXPECT_EQ(Decode(b.Build()).Pixels, b.Samples);
}

TEST(PngDecoder, ExpandsTheOtherColourTypesToRgba) {
    TPngBuilder grey;
    grey.ColorType = 0;
    grey.Width = 3;
    grey.Samples = {0, 100, 255};
    grey.BeforeData = {{"tRNS", {0, 100}}};
    EXPECT_EQ(Decode(grey.Build()).Pixels,
              (std::vector<uint8_t>{0, 0, 0, 255, 100, 100, 100, 0, 255, 255, 255, 255}));

    TPngBuilder rgb;
    rgb.ColorType = 2;
    rgb.Width = 2;
    rgb.Samples = {1, 2, 3, 4, 5, 6};
    rgb.Filters = {1};
    rgb.BeforeData = {{"tRNS", {0, 4, 0, 5, 0, 6}}};
    EXPECT_EQ(Decode(rgb.Build()).Pixels, (std::vector<uint8_t>{1, 2, 3, 255, 4, 5, 6, 0}));

    TPngBuilder greyAlpha;
    greyAlpha.ColorType = 4;
    greyAlpha.Width = 2;
    greyAlpha.Samples = {10, 20, 30, 40};
    EXPECT_EQ(Decode(greyAlpha.Build()).Pixels, (std::vector<uint8_t>{10, 10, 10, 20, 30, 30, 30, 40}));

    TPngBuilder palette;
    palette.ColorType = 3;
    palette.Width = 3;
    palette.Samples = {2, 0, 1};
    palette.BeforeData = {{"PLTE", {9, 8, 7, 6, 5, 4, 3, 2, 1}}, {"tRNS", {50}}};
    EXPECT_EQ(Decode(palette.Build()).Pixels,
              (std::vector<uint8_t>{3, 2, 1, 255, 9, 8, 7, 50, 6, 5, 4, 255}));
}

TEST(PngDecoder, RejectsBrokenFiles) {
    const TPngBuilder good = PatternPng(4, 3);
    std::vector<uint8_t> png = good.Build();
    png[1] = 'Q';
    EXPECT_EQ(ErrorOf(png), u"Invalid PNG image: bad signature");
    EXPECT_EQ(ErrorOf({}), u"Invalid PNG image: bad signature");

    auto chunks = good.Chunks();
    chunks[1].BadCrc = true;
    EXPECT_EQ(ErrorOf(TPngBuilder::Serialize(chunks)), u"Invalid PNG image: bad chunk CRC");

    chunks = good.Chunks();
    chunks.pop_back();
    EXPECT_EQ(ErrorOf(TPngBuilder::Serialize(chunks)), u"Invalid PNG image: truncated data");

    chunks = good.Chunks();
    chunks.erase(chunks.begin());
    EXPECT_EQ(ErrorOf(TPngBuilder::Serialize(chunks)), u"Invalid PNG image: missing header");

    chunks = good.Chunks();
    chunks.insert(chunks.begin() + 1, {"QUUX", {1}});
    EXPECT_EQ(ErrorOf(TPngBuilder::Serialize(chunks)), u"Invalid PNG image: unknown critical chunk");

    chunks = good.Chunks();
    chunks.insert(chunks.begin() + 2, {"tEXt", {'x'}});
    chunks.insert(chunks.begin() + 3, chunks[1]);
    EXPECT_EQ(ErrorOf(TPngBuilder::Serialize(chunks)), u"Invalid PNG image: image data is not contiguous");

    chunks = good.Chunks();
    chunks.erase(chunks.begin() + 1);
    EXPECT_EQ(ErrorOf(TPngBuilder::Serialize(chunks)), u"Invalid PNG image: missing image data");

    chunks = good.Chunks();
    chunks[1].Data = {0x78, 0x9C, 0xFF, 0xFF, 0xFF};
    EXPECT_EQ(ErrorOf(TPngBuilder::Serialize(chunks)), u"Invalid PNG image: corrupt image data");
}

TEST(PngDecoder, EveryTruncationFailsCleanly) {
    TPngBuilder b = PatternPng(9, 9);
    b.IdatPieces = 3;
    const std::vector<uint8_t> png = b.Build();
    for (size_t length = 0; length < png.size(); ++length) {
        // An exact-sized copy, so that reading past it is caught by the sanitizer.
        const std::vector<uint8_t> prefix(png.begin(), png.begin() + long(length));
        EXPECT_THROW(DecodePng(prefix.data(), prefix.size()), EPngError) << "length " << length;
    }
}

TEST(PngDecoder, RejectsUnsupportedFormatsAndAbsurdSizes) {
    auto withHeader = [](uint32_t w, uint32_t h, uint8_t depth, uint8_t type, uint8_t interlace) {
        TPngBuilder b;
        b.Width = w;
        b.Height = h;
        b.BitDepth = depth;
        b.ColorType = type;
        b.Interlace = interlace;
        // A token stream: the header must be refused before its size matters.
        return b.ChunksWithData(TPngBuilder::Compress({0, 0, 0, 0, 0}));
    };
    auto error = [&](uint32_t w, uint32_t h, uint8_t depth, uint8_t type, uint8_t interlace) {
        return ErrorOf(TPngBuilder::Serialize(withHeader(w, h, depth, type, interlace)));
    };
    EXPECT_EQ(error(1, 1, 8, 6, 1), u"Invalid PNG image: interlaced images are not supported");
    EXPECT_EQ(error(1, 1, 8, 6, 2), u"Invalid PNG image: unknown interlace method");
    EXPECT_EQ(error(1, 1, 16, 6, 0), u"Invalid PNG image: unsupported bit depth");
    EXPECT_EQ(error(1, 1, 4, 3, 0), u"Invalid PNG image: unsupported bit depth");
    EXPECT_EQ(error(1, 1, 8, 5, 0), u"Invalid PNG image: bad colour type");
    EXPECT_EQ(error(0, 1, 8, 6, 0), u"Invalid PNG image: unsupported dimensions");
    EXPECT_EQ(error(1, 0, 8, 6, 0), u"Invalid PNG image: unsupported dimensions");
    EXPECT_EQ(error(0x80000000u, 1, 8, 6, 0), u"Invalid PNG image: unsupported dimensions");
    EXPECT_EQ(error(4097, 4096, 8, 6, 0), u"Invalid PNG image: unsupported dimensions");
    // The largest accepted size is refused only for its missing data, without allocating it.
    EXPECT_EQ(error(4096, 4096, 8, 6, 0), u"Invalid PNG image: wrong image data size");

    TPngBuilder b = PatternPng(2, 2);
    auto chunks = b.Chunks();
    chunks[0].Data[10] = 1;
    EXPECT_EQ(ErrorOf(TPngBuilder::Serialize(chunks)),
              u"Invalid PNG image: unknown compression or filter method");
}

TEST(PngDecoder, RejectsBadFiltersAndWrongDataSizes) {
    TPngBuilder b = PatternPng(3, 3);
    auto scanlines = b.Scanlines();
    scanlines[(3 * 4 + 1) * 2] = 5; // the third row's filter byte
    EXPECT_EQ(ErrorOf(TPngBuilder::Serialize(b.ChunksWithData(TPngBuilder::Compress(scanlines)))),
              u"Invalid PNG image: bad filter type");

    scanlines = b.Scanlines();
    scanlines.pop_back();
    EXPECT_EQ(ErrorOf(TPngBuilder::Serialize(b.ChunksWithData(TPngBuilder::Compress(scanlines)))),
              u"Invalid PNG image: wrong image data size");
    scanlines = b.Scanlines();
    scanlines.insert(scanlines.end(), 13, 0);
    EXPECT_EQ(ErrorOf(TPngBuilder::Serialize(b.ChunksWithData(TPngBuilder::Compress(scanlines)))),
              u"Invalid PNG image: wrong image data size");

    // Bytes after the end of the compressed stream.
    auto compressed = TPngBuilder::Compress(b.Scanlines());
    compressed.push_back(0);
    EXPECT_EQ(ErrorOf(TPngBuilder::Serialize(b.ChunksWithData(compressed))),
              u"Invalid PNG image: wrong image data size");
}

TEST(PngDecoder, RejectsBadPalettes) {
    TPngBuilder b;
    b.ColorType = 3;
    b.Width = 2;
    b.Samples = {0, 1};
    EXPECT_EQ(ErrorOf(b.Build()), u"Invalid PNG image: missing palette");
    b.BeforeData = {{"PLTE", {1, 2, 3}}};
    EXPECT_EQ(ErrorOf(b.Build()), u"Invalid PNG image: palette index out of range");
    b.BeforeData = {{"PLTE", {1, 2, 3, 4}}};
    EXPECT_EQ(ErrorOf(b.Build()), u"Invalid PNG image: bad palette");
    b.BeforeData = {{"PLTE", {1, 2, 3, 4, 5, 6}}, {"tRNS", {1, 2, 3}}};
    EXPECT_EQ(ErrorOf(b.Build()), u"Invalid PNG image: bad transparency");
    b.BeforeData = {{"PLTE", {1, 2, 3, 4, 5, 6}}, {"PLTE", {1, 2, 3}}};
    EXPECT_EQ(ErrorOf(b.Build()), u"Invalid PNG image: misplaced palette");

    TPngBuilder rgba = PatternPng(1, 1);
    rgba.BeforeData = {{"tRNS", {0, 0}}};
    EXPECT_EQ(ErrorOf(rgba.Build()), u"Invalid PNG image: bad transparency");
}

// ---- The program's own images ----

std::vector<uint8_t> ReadFile(const std::string& path) {
    std::vector<uint8_t> data;
    if (FILE* f = std::fopen(path.c_str(), "rb")) {
        uint8_t buffer[4096];
        size_t n;
        while ((n = std::fread(buffer, 1, sizeof(buffer), f)) > 0) {
            data.insert(data.end(), buffer, buffer + n);
        }
        std::fclose(f);
    }
    return data;
}

TEST(ProgramImages, EveryImageDecodesAtItsSize) {
    struct TExpected {
        const char* Stem;
        int Width, Height;
    };
    const TExpected expected[] = {{"APPICON", 16, 16},
                                  {"APPLICATIONICON", 64, 64},
                                  {"FOLDEREX", 16, 16},
                                  {"SWITCH", 24, 192},
                                  {"LOADER", 864, 24}};
    size_t total = 0;
    for (int percent : {100, 125, 150, 175, 200}) {
        for (const TExpected& e : expected) {
            const std::string name = std::string(e.Stem) + std::to_string(percent);
            const std::vector<uint8_t> png =
                ReadFile(std::string(QV_SOURCE_DIR) + "/resources/images/" + name + ".png");
            ASSERT_FALSE(png.empty()) << name;
            total += png.size();
            const TRgbaImage image = DecodePng(png.data(), png.size());
            EXPECT_EQ(image.Width, uint32_t(e.Width * percent / 100)) << name;
            EXPECT_EQ(image.Height, uint32_t(e.Height * percent / 100)) << name;
        }
    }
    total += ReadFile(std::string(QV_SOURCE_DIR) + "/resources/app.ico").size();
    EXPECT_LT(total, 70u * 1024) << "the images outgrew their share of the installer";
}

TEST(ProgramImages, LoaderFramesDifferAndSwitchFramesFollowTheirStates) {
    for (int percent : {100, 150, 200}) {
        const std::string dir = std::string(QV_SOURCE_DIR) + "/resources/images/";
        const auto loaderPng = ReadFile(dir + "LOADER" + std::to_string(percent) + ".png");
        const TRgbaImage loader = DecodePng(loaderPng.data(), loaderPng.size());
        const uint32_t edge = loader.Height;
        auto frame = [&](const TRgbaImage& image, uint32_t x0, uint32_t y0, uint32_t w, uint32_t h) {
            std::vector<uint8_t> pixels;
            for (uint32_t y = y0; y < y0 + h; ++y) {
                const uint8_t* row = &image.Pixels[(size_t(y) * image.Width + x0) * 4];
                pixels.insert(pixels.end(), row, row + w * 4);
            }
            return pixels;
        };
        for (uint32_t k = 0; k < 36; ++k) {
            EXPECT_NE(frame(loader, k * edge, 0, edge, edge),
                      frame(loader, (k + 1) % 36 * edge, 0, edge, edge))
                << percent << "% frame " << k;
        }
        const auto switchPng = ReadFile(dir + "SWITCH" + std::to_string(percent) + ".png");
        const TRgbaImage strip = DecodePng(switchPng.data(), switchPng.size());
        const uint32_t h = strip.Height / 12;
        for (uint32_t a = 0; a < 12; ++a) {
            for (uint32_t b = a + 1; b < 12; ++b) {
                EXPECT_NE(frame(strip, 0, a * h, strip.Width, h), frame(strip, 0, b * h, strip.Width, h))
                    << percent << "% switch frames " << a << " and " << b;
            }
        }
    }
}

} // namespace
