// Builds PNG files inside the tests, valid or broken on purpose, with zlib doing the deflate.
#pragma once

#include <zlib.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

struct TPngChunk {
    std::string Type;
    std::vector<uint8_t> Data;
    bool BadCrc = false;
};

class TPngBuilder {
public:
    uint32_t Width = 1;
    uint32_t Height = 1;
    uint8_t BitDepth = 8;
    uint8_t ColorType = 6;
    uint8_t Interlace = 0;
    // Filter bytes per row; the rows are filtered with them. Missing rows use filter 0.
    std::vector<uint8_t> Filters;
    // Samples per row without filter bytes; Width × channels per row.
    std::vector<uint8_t> Samples;
    std::vector<TPngChunk> BeforeData; // e.g. PLTE, tRNS
    size_t IdatPieces = 1;

    static uint32_t Channels(uint8_t colorType) {
        return colorType == 0 || colorType == 3 ? 1 : colorType == 2 ? 3 : colorType == 4 ? 2 : 4;
    }

    // The filtered scanlines that go into the compressed stream.
    std::vector<uint8_t> Scanlines() const {
        const size_t stride = size_t(Width) * Channels(ColorType);
        const unsigned bpp = Channels(ColorType);
        std::vector<uint8_t> out;
        for (uint32_t y = 0; y < Height; ++y) {
            const uint8_t filter = y < Filters.size() ? Filters[y] : 0;
            out.push_back(filter);
            for (size_t i = 0; i < stride; ++i) {
                auto at = [&](uint32_t row, size_t col) -> int { return Samples[row * stride + col]; };
                const int a = i >= bpp ? at(y, i - bpp) : 0;
                const int b = y > 0 ? at(y - 1, i) : 0;
                const int c = y > 0 && i >= bpp ? at(y - 1, i - bpp) : 0;
                int predictor = 0;
                if (filter == 1) {
                    predictor = a;
                } else if (filter == 2) {
                    predictor = b;
                } else if (filter == 3) {
                    predictor = (a + b) / 2;
                } else if (filter == 4) {
                    const int p = a + b - c, pa = std::abs(p - a), pb = std::abs(p - b), pc = std::abs(p - c);
                    predictor = pa <= pb && pa <= pc ? a : pb <= pc ? b : c;
                }
                out.push_back(uint8_t(at(y, i) - predictor));
            }
        }
        return out;
    }

    static std::vector<uint8_t> Compress(const std::vector<uint8_t>& data) {
        uLongf size = compressBound(uLong(data.size()));
        std::vector<uint8_t> out(size);
        compress2(out.data(), &size, data.data(), uLong(data.size()), 9);
        out.resize(size);
        return out;
    }

    std::vector<TPngChunk> Chunks() const { return ChunksWithData(Compress(Scanlines())); }

    std::vector<TPngChunk> ChunksWithData(const std::vector<uint8_t>& compressed) const {
        std::vector<TPngChunk> chunks;
        std::vector<uint8_t> header;
        Put32(header, Width);
        Put32(header, Height);
        header.insert(header.end(), {BitDepth, ColorType, 0, 0, Interlace});
        chunks.push_back({"IHDR", header});
        chunks.insert(chunks.end(), BeforeData.begin(), BeforeData.end());
        const size_t piece = (compressed.size() + IdatPieces - 1) / IdatPieces;
        for (size_t pos = 0; pos < compressed.size(); pos += piece) {
            const size_t end = std::min(compressed.size(), pos + piece);
            chunks.push_back({"IDAT", std::vector<uint8_t>(compressed.begin() + long(pos),
                                                           compressed.begin() + long(end))});
        }
        chunks.push_back({"IEND", {}});
        return chunks;
    }

    std::vector<uint8_t> Build() const { return Serialize(Chunks()); }

    static std::vector<uint8_t> Serialize(const std::vector<TPngChunk>& chunks) {
        std::vector<uint8_t> png = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
        for (const TPngChunk& chunk : chunks) {
            Put32(png, uint32_t(chunk.Data.size()));
            const size_t start = png.size();
            png.insert(png.end(), chunk.Type.begin(), chunk.Type.end());
            png.insert(png.end(), chunk.Data.begin(), chunk.Data.end());
            uint32_t crc = uint32_t(crc32(0, png.data() + start, uInt(png.size() - start)));
            Put32(png, chunk.BadCrc ? crc ^ 1 : crc);
        }
        return png;
    }

    static void Put32(std::vector<uint8_t>& out, uint32_t v) {
        for (int shift = 24; shift >= 0; shift -= 8) {
            out.push_back(uint8_t(v >> shift));
        }
    }
};

// An RGBA image of the given size whose pixels follow a simple pattern.
inline TPngBuilder PatternPng(uint32_t width, uint32_t height) {
    TPngBuilder b;
    b.Width = width;
    b.Height = height;
    for (uint32_t y = 0; y < height; ++y) {
        for (uint32_t x = 0; x < width; ++x) {
            b.Samples.insert(b.Samples.end(),
                             {uint8_t(x * 37 + y), uint8_t(y * 53), uint8_t(x ^ y), uint8_t(255 - x * 7)});
        }
    }
    return b;
}
