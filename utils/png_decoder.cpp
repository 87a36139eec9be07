#include "utils/png_decoder.h"

#include "utils/crc32.h"

#include <zlib.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <string_view>

namespace {

constexpr uint8_t Signature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};

enum TColorType : uint8_t { ctGrey = 0, ctRgb = 2, ctPalette = 3, ctGreyAlpha = 4, ctRgba = 6 };

[[noreturn]] void Fail(const char16_t* reason) {
    throw EPngError(std::u16string(u"Invalid PNG image: ") + reason);
}

uint32_t Big32(const uint8_t* p) {
    return uint32_t(p[0]) << 24 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 | p[3];
}

struct TChunk {
    std::string_view Type;
    const uint8_t* Data;
    uint32_t Length;
};

// Walks the chunks of the file, checking each one's bounds and CRC before handing it out.
class TChunkReader {
public:
    TChunkReader(const uint8_t* data, size_t size) : FData(data), FSize(size) {}

    TChunk Next() {
        if (FSize - FPos < 12) {
            Fail(u"truncated data");
        }
        const uint32_t length = Big32(FData + FPos);
        if (length > 0x7FFFFFFFu || FSize - FPos - 12 < length) {
            Fail(u"truncated data");
        }
        const uint8_t* type = FData + FPos + 4;
        const uint32_t stored = Big32(type + 4 + length);
        if (Crc32(0, type, size_t(length) + 4) != stored) {
            Fail(u"bad chunk CRC");
        }
        for (int i = 0; i < 4; ++i) {
            const uint8_t c = type[i] | 0x20;
            if (c < 'a' || c > 'z') {
                Fail(u"bad chunk type");
            }
        }
        FPos += 12 + size_t(length);
        return {std::string_view(reinterpret_cast<const char*>(type), 4), type + 4, length};
    }

private:
    const uint8_t* FData;
    size_t FSize;
    size_t FPos = sizeof(Signature);
};

struct THeader {
    uint32_t Width, Height;
    TColorType ColorType;
    unsigned Channels;
};

THeader ReadHeader(const TChunk& chunk) {
    if (chunk.Type != "IHDR" || chunk.Length != 13) {
        Fail(u"missing header");
    }
    const uint8_t* d = chunk.Data;
    THeader h{Big32(d), Big32(d + 4), TColorType(d[9]), 0};
    if (h.Width == 0 || h.Height == 0 || h.Width > 0x7FFFFFFFu || h.Height > 0x7FFFFFFFu ||
        uint64_t(h.Width) * h.Height > MaxPngPixels) {
        Fail(u"unsupported dimensions");
    }
    switch (h.ColorType) {
    case ctGrey:
        h.Channels = 1;
        break;
    case ctRgb:
        h.Channels = 3;
        break;
    case ctPalette:
        h.Channels = 1;
        break;
    case ctGreyAlpha:
        h.Channels = 2;
        break;
    case ctRgba:
        h.Channels = 4;
        break;
    default:
        Fail(u"bad colour type");
    }
    if (d[8] != 8) {
        Fail(u"unsupported bit depth");
    }
    if (d[10] != 0 || d[11] != 0) {
        Fail(u"unknown compression or filter method");
    }
    if (d[12] != 0) {
        Fail(d[12] == 1 ? u"interlaced images are not supported" : u"unknown interlace method");
    }
    return h;
}

// Inflates the concatenated IDAT data into exactly the size the header implies. The buffer
// grows with the data actually inflated, so a header that lies about the size costs nothing.
class TImageData {
public:
    explicit TImageData(size_t expected) : FExpected(expected) {
        if (inflateInit(&FStream) != Z_OK) {
            Fail(u"decompressor unavailable");
        }
    }
    TImageData(const TImageData&) = delete;
    TImageData& operator=(const TImageData&) = delete;
    ~TImageData() { inflateEnd(&FStream); }

    void Append(const uint8_t* data, uint32_t length) {
        if (FFinished) {
            if (length) {
                Fail(u"wrong image data size");
            }
            return;
        }
        FStream.next_in = const_cast<Bytef*>(data);
        FStream.avail_in = length;
        while (FStream.avail_in > 0 && !FFinished) {
            if (FStream.avail_out == 0 && FOut.size() < FExpected) {
                Grow();
            }
            // With the output full, inflate still reads the stream's trailer; more image data
            // than the header allows leaves it stuck, which it reports as a buffer error.
            const int result = inflate(&FStream, Z_NO_FLUSH);
            if (result == Z_STREAM_END) {
                FFinished = true;
            } else if (result == Z_BUF_ERROR) {
                Fail(u"wrong image data size");
            } else if (result != Z_OK) {
                Fail(u"corrupt image data");
            }
        }
        if (FFinished && FStream.avail_in > 0) {
            Fail(u"wrong image data size");
        }
    }

    std::vector<uint8_t> Finish() {
        if (!FFinished || FStream.total_out != FExpected) {
            Fail(u"wrong image data size");
        }
        FOut.resize(FExpected);
        return std::move(FOut);
    }

private:
    void Grow() {
        const size_t size = FOut.size();
        const size_t step = std::min(FExpected - size, std::max<size_t>(size, 64 * 1024));
        FOut.resize(size + step);
        FStream.next_out = FOut.data() + size;
        FStream.avail_out = uInt(step);
    }

    z_stream FStream{};
    size_t FExpected;
    std::vector<uint8_t> FOut;
    bool FFinished = false;
};

uint8_t Paeth(uint8_t a, uint8_t b, uint8_t c) {
    const int p = int(a) + b - c;
    const int pa = std::abs(p - a), pb = std::abs(p - b), pc = std::abs(p - c);
    return pa <= pb && pa <= pc ? a : pb <= pc ? b : c;
}

// Reverses the row filters in place; each row keeps its filter byte in front.
void Unfilter(std::vector<uint8_t>& data, uint32_t height, size_t stride, unsigned bpp) {
    const uint8_t* prior = nullptr;
    for (uint32_t y = 0; y < height; ++y) {
        uint8_t* row = data.data() + y * (stride + 1);
        const uint8_t filter = row[0];
        uint8_t* p = row + 1;
        if (filter > 4) {
            Fail(u"bad filter type");
        }
        for (size_t i = 0; i < stride; ++i) {
            const uint8_t a = i >= bpp ? p[i - bpp] : 0;
            const uint8_t b = prior ? prior[i] : 0;
            const uint8_t c = prior && i >= bpp ? prior[i - bpp] : 0;
            switch (filter) {
            case 1:
                p[i] = uint8_t(p[i] + a);
                break;
            case 2:
                p[i] = uint8_t(p[i] + b);
                break;
            case 3:
                p[i] = uint8_t(p[i] + ((a + b) >> 1));
                break;
            case 4:
                p[i] = uint8_t(p[i] + Paeth(a, b, c));
                break;
            default:
                break;
            }
        }
        prior = p;
    }
}

struct TTransparency {
    std::array<uint8_t, 256 * 4> Palette{}; // RGBA per index
    unsigned PaletteSize = 0;
    bool HasKey = false;
    std::array<uint16_t, 3> Key{}; // grey in [0], or R, G, B
};

void ReadPalette(const TChunk& chunk, TTransparency& t) {
    if (chunk.Length == 0 || chunk.Length % 3 != 0 || chunk.Length > 256 * 3) {
        Fail(u"bad palette");
    }
    t.PaletteSize = chunk.Length / 3;
    for (unsigned i = 0; i < t.PaletteSize; ++i) {
        std::memcpy(&t.Palette[i * 4], chunk.Data + i * 3, 3);
        t.Palette[i * 4 + 3] = 255;
    }
}

void ReadTransparency(const TChunk& chunk, const THeader& h, TTransparency& t) {
    if (h.ColorType == ctPalette) {
        if (t.PaletteSize == 0 || chunk.Length > t.PaletteSize) {
            Fail(u"bad transparency");
        }
        for (uint32_t i = 0; i < chunk.Length; ++i) {
            t.Palette[i * 4 + 3] = chunk.Data[i];
        }
    } else if (h.ColorType == ctGrey || h.ColorType == ctRgb) {
        const uint32_t samples = h.ColorType == ctGrey ? 1 : 3;
        if (chunk.Length != samples * 2) {
            Fail(u"bad transparency");
        }
        t.HasKey = true;
        for (uint32_t i = 0; i < samples; ++i) {
            t.Key[i] = uint16_t(chunk.Data[i * 2] << 8 | chunk.Data[i * 2 + 1]);
        }
    } else {
        Fail(u"bad transparency");
    }
}

void Expand(const std::vector<uint8_t>& raw, const THeader& h, const TTransparency& t, TRgbaImage& out) {
    const size_t stride = size_t(h.Width) * h.Channels;
    out.Pixels.resize(size_t(h.Width) * h.Height * 4);
    uint8_t* q = out.Pixels.data();
    for (uint32_t y = 0; y < h.Height; ++y) {
        const uint8_t* p = raw.data() + y * (stride + 1) + 1;
        for (uint32_t x = 0; x < h.Width; ++x, q += 4) {
            switch (h.ColorType) {
            case ctGrey:
                q[0] = q[1] = q[2] = p[x];
                q[3] = t.HasKey && t.Key[0] == p[x] ? 0 : 255;
                break;
            case ctRgb: {
                const uint8_t* s = p + x * 3;
                std::memcpy(q, s, 3);
                q[3] = t.HasKey && t.Key[0] == s[0] && t.Key[1] == s[1] && t.Key[2] == s[2] ? 0 : 255;
                break;
            }
            case ctPalette:
                if (p[x] >= t.PaletteSize) {
                    Fail(u"palette index out of range");
                }
                std::memcpy(q, &t.Palette[p[x] * 4], 4);
                break;
            case ctGreyAlpha:
                q[0] = q[1] = q[2] = p[x * 2];
                q[3] = p[x * 2 + 1];
                break;
            case ctRgba:
                std::memcpy(q, p + x * 4, 4);
                break;
            }
        }
    }
}

} // namespace

TRgbaImage DecodePng(const uint8_t* Data, size_t Size) {
    if (!Data || Size < sizeof(Signature) || std::memcmp(Data, Signature, sizeof(Signature)) != 0) {
        Fail(u"bad signature");
    }
    TChunkReader reader(Data, Size);
    const THeader header = ReadHeader(reader.Next());
    const size_t stride = size_t(header.Width) * header.Channels;
    TImageData imageData((stride + 1) * header.Height);
    TTransparency transparency;
    enum { BeforeData, InData, AfterData } stage = BeforeData;
    for (;;) {
        const TChunk chunk = reader.Next();
        if (chunk.Type == "IEND") {
            break;
        }
        if (chunk.Type == "IDAT") {
            if (stage == AfterData) {
                Fail(u"image data is not contiguous");
            }
            if (header.ColorType == ctPalette && transparency.PaletteSize == 0) {
                Fail(u"missing palette");
            }
            stage = InData;
            imageData.Append(chunk.Data, chunk.Length);
            continue;
        }
        if (stage == InData) {
            stage = AfterData;
        }
        if (chunk.Type == "IHDR") {
            Fail(u"repeated header");
        } else if (chunk.Type == "PLTE") {
            if (stage != BeforeData || transparency.PaletteSize != 0) {
                Fail(u"misplaced palette");
            }
            ReadPalette(chunk, transparency);
        } else if (chunk.Type == "tRNS") {
            if (stage != BeforeData) {
                Fail(u"misplaced transparency");
            }
            ReadTransparency(chunk, header, transparency);
        } else if (!(chunk.Type[0] & 0x20)) {
            Fail(u"unknown critical chunk");
        }
    }
    if (stage == BeforeData) {
        Fail(u"missing image data");
    }
    std::vector<uint8_t> raw = imageData.Finish();
    Unfilter(raw, header.Height, stride, header.Channels);
    TRgbaImage image;
    image.Width = header.Width;
    image.Height = header.Height;
    Expand(raw, header, transparency, image);
    return image;
}
