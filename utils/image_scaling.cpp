#include "utils/image_scaling.h"

#include <algorithm>
#include <cmath>

namespace {

struct TTap {
    int Index;
    float Weight;
};

// The source pixels and weights that make up each destination pixel along one axis. Dest pixel
// d (from first to first + count - 1) covers [d - destStart, d - destStart + 1) of a destination
// extent destLength onto which sourceLength pixels are spread.
std::vector<std::vector<TTap>> AxisTaps(int sourceLength, int destStart, int destLength, int first,
                                        int count) {
    std::vector<std::vector<TTap>> taps(static_cast<size_t>(count));
    const double ratio = double(sourceLength) / destLength;
    for (int i = 0; i < count; ++i) {
        const double d = first + i - destStart;
        auto& list = taps[size_t(i)];
        if (ratio > 1.0) {
            // Shrinking: the exact share of every source pixel under the destination pixel.
            const double from = d * ratio, to = std::min((d + 1) * ratio, double(sourceLength));
            for (int s = int(std::floor(from)); s < to && s < sourceLength; ++s) {
                const double overlap = std::min(to, s + 1.0) - std::max(from, double(s));
                if (overlap > 0) {
                    list.push_back({s, float(overlap / (to - from))});
                }
            }
        } else {
            // Growing: linear between the two nearest source pixel centres.
            const double centre = (d + 0.5) * ratio - 0.5;
            const int s0 = int(std::floor(centre));
            const float f = float(centre - s0);
            const int a = std::clamp(s0, 0, sourceLength - 1), b = std::clamp(s0 + 1, 0, sourceLength - 1);
            list.push_back({a, 1.0f - f});
            list.push_back({b, f});
        }
    }
    return taps;
}

uint32_t Pack(const float* c) {
    auto channel = [](float v) { return uint32_t(std::clamp(std::lround(v), 0L, 255L)); };
    const uint32_t a = channel(c[3]);
    // Rounding may not leave a colour above its alpha, or blending would overflow.
    const uint32_t r = std::min(channel(c[0]), a), g = std::min(channel(c[1]), a),
                   b = std::min(channel(c[2]), a);
    return a << 24 | r << 16 | g << 8 | b;
}

} // namespace

TPremultipliedImage Premultiply(const TRgbaImage& Image) {
    TPremultipliedImage out;
    out.Width = int(Image.Width);
    out.Height = int(Image.Height);
    out.Pixels.resize(size_t(Image.Width) * Image.Height);
    const uint8_t* p = Image.Pixels.data();
    for (uint32_t& pixel : out.Pixels) {
        const uint32_t a = p[3];
        auto mul = [a](uint32_t c) { return (c * a + 127) / 255; };
        pixel = a << 24 | mul(p[0]) << 16 | mul(p[1]) << 8 | mul(p[2]);
        p += 4;
    }
    return out;
}

TStretchedPart StretchImage(const TPremultipliedImage& Source, const TRect& Dest, const TRect& Clip) {
    TStretchedPart part;
    part.Bounds = IntersectRects(Dest, Clip);
    if (part.Bounds.Empty() || Source.Width <= 0 || Source.Height <= 0) {
        part.Bounds = {};
        return part;
    }
    const int width = part.Bounds.Width(), height = part.Bounds.Height();
    part.Image.Width = width;
    part.Image.Height = height;
    part.Image.Pixels.resize(size_t(width) * height);
    const int offsetX = part.Bounds.Left - Dest.Left, offsetY = part.Bounds.Top - Dest.Top;

    if (Dest.Width() == Source.Width && Dest.Height() == Source.Height) {
        for (int y = 0; y < height; ++y) {
            const uint32_t* from = &Source.Pixels[size_t(offsetY + y) * Source.Width + offsetX];
            std::copy(from, from + width, &part.Image.Pixels[size_t(y) * width]);
        }
        return part;
    }

    const auto columns = AxisTaps(Source.Width, Dest.Left, Dest.Width(), part.Bounds.Left, width);
    const auto rows = AxisTaps(Source.Height, Dest.Top, Dest.Height(), part.Bounds.Top, height);
    std::vector<float> line(size_t(width) * 4);
    for (int y = 0; y < height; ++y) {
        std::fill(line.begin(), line.end(), 0.0f);
        for (const TTap& row : rows[size_t(y)]) {
            const uint32_t* source = &Source.Pixels[size_t(row.Index) * Source.Width];
            for (int x = 0; x < width; ++x) {
                float* acc = &line[size_t(x) * 4];
                for (const TTap& column : columns[size_t(x)]) {
                    const uint32_t p = source[column.Index];
                    const float w = row.Weight * column.Weight;
                    acc[0] += w * float(p >> 16 & 0xFF);
                    acc[1] += w * float(p >> 8 & 0xFF);
                    acc[2] += w * float(p & 0xFF);
                    acc[3] += w * float(p >> 24);
                }
            }
        }
        for (int x = 0; x < width; ++x) {
            part.Image.Pixels[size_t(y) * width + x] = Pack(&line[size_t(x) * 4]);
        }
    }
    return part;
}

void TintImage(TPremultipliedImage& Image, uint32_t Color) noexcept {
    const uint32_t red = Color & 0xFF, green = Color >> 8 & 0xFF, blue = Color >> 16 & 0xFF;
    for (uint32_t& pixel : Image.Pixels) {
        const uint32_t alpha = pixel >> 24;
        // Premultiplied, rounded to the nearest.
        const auto scale = [alpha](uint32_t channel) { return (channel * alpha + 127) / 255; };
        pixel = alpha << 24 | scale(red) << 16 | scale(green) << 8 | scale(blue);
    }
}
