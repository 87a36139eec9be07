// Draws the installer's images at every scale and writes them as 8-bit RGBA PNGs, together
// with the application icon. Every shape is described by its signed distance in device
// pixels and drawn at the target size, so each scale gets edges of its own rather than a
// resampled copy of another. The output is deterministic: the build checks that running this
// again reproduces the committed files byte for byte.
//
// usage: imagegen OUTPUT_FOLDER   (writes images/*.png and app.ico below it)
#include <zlib.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

namespace {

constexpr double Pi = 3.14159265358979323846;

struct TColor {
    double R, G, B, A = 1.0;
};

TColor Hex(uint32_t rgb, double alpha = 1.0) {
    return {((rgb >> 16) & 0xFF) / 255.0, ((rgb >> 8) & 0xFF) / 255.0, (rgb & 0xFF) / 255.0, alpha};
}

// A distance field: negative inside the shape, in device pixels.
using TShape = std::function<double(double x, double y)>;
using TPaint = std::function<TColor(double x, double y)>;

TPaint Solid(TColor c) {
    return [c](double, double) { return c; };
}

// Premultiplied floating-point pixels; shapes are composited with "over".
class TCanvas {
public:
    TCanvas(int width, int height)
        : FWidth(width), FHeight(height), FPixels(size_t(width) * height * 4, 0.0) {}

    int Width() const { return FWidth; }
    int Height() const { return FHeight; }

    // Draws the shape into the band of rows [top, top + height) with coordinates relative to it.
    void Fill(const TShape& shape, const TPaint& paint, int top = 0, int height = -1) {
        if (height < 0) {
            height = FHeight;
        }
        for (int y = top; y < top + height; ++y) {
            for (int x = 0; x < FWidth; ++x) {
                const double px = x + 0.5, py = y - top + 0.5;
                const double coverage = std::clamp(0.5 - shape(px, py), 0.0, 1.0);
                if (coverage <= 0.0) {
                    continue;
                }
                const TColor c = paint(px, py);
                const double a = c.A * coverage;
                double* p = &FPixels[(size_t(y) * FWidth + x) * 4];
                p[0] = c.R * a + p[0] * (1 - a);
                p[1] = c.G * a + p[1] * (1 - a);
                p[2] = c.B * a + p[2] * (1 - a);
                p[3] = a + p[3] * (1 - a);
            }
        }
    }

    // Straight (not premultiplied) 8-bit RGBA, as PNG stores it; invisible pixels are zero.
    std::vector<uint8_t> Rgba() const {
        std::vector<uint8_t> out(FPixels.size());
        for (size_t i = 0; i < FPixels.size(); i += 4) {
            const double a = FPixels[i + 3];
            const int alpha = int(std::lround(std::clamp(a, 0.0, 1.0) * 255));
            if (alpha == 0) {
                continue;
            }
            for (int k = 0; k < 3; ++k) {
                out[i + k] = uint8_t(std::lround(std::clamp(FPixels[i + k] / a, 0.0, 1.0) * 255));
            }
            out[i + 3] = uint8_t(alpha);
        }
        return out;
    }

private:
    int FWidth, FHeight;
    std::vector<double> FPixels;
};

// ---- Distance functions ----

TShape RoundRect(double x0, double y0, double x1, double y1, double r) {
    return [=](double x, double y) {
        const double cx = (x0 + x1) / 2, cy = (y0 + y1) / 2;
        const double qx = std::fabs(x - cx) - (x1 - x0) / 2 + r;
        const double qy = std::fabs(y - cy) - (y1 - y0) / 2 + r;
        return std::hypot(std::max(qx, 0.0), std::max(qy, 0.0)) + std::min(std::max(qx, qy), 0.0) - r;
    };
}

TShape Circle(double cx, double cy, double r) {
    return [=](double x, double y) { return std::hypot(x - cx, y - cy) - r; };
}

TShape Ring(double cx, double cy, double r, double halfWidth) {
    return [=](double x, double y) { return std::fabs(std::hypot(x - cx, y - cy) - r) - halfWidth; };
}

TShape Capsule(double ax, double ay, double bx, double by, double halfWidth) {
    return [=](double x, double y) {
        const double dx = bx - ax, dy = by - ay;
        const double t = std::clamp(((x - ax) * dx + (y - ay) * dy) / (dx * dx + dy * dy), 0.0, 1.0);
        return std::hypot(x - ax - t * dx, y - ay - t * dy) - halfWidth;
    };
}

// An arc of a ring with round caps; angles in degrees clockwise from twelve o'clock.
TShape Arc(double cx, double cy, double r, double halfWidth, double from, double to) {
    return [=](double x, double y) {
        double angle = std::atan2(x - cx, -(y - cy)) * 180 / Pi;
        const double sweep = to - from;
        double rel = std::fmod(angle - from, 360.0);
        if (rel < 0) {
            rel += 360;
        }
        if (rel <= sweep) {
            return std::fabs(std::hypot(x - cx, y - cy) - r) - halfWidth;
        }
        auto capDistance = [&](double deg) {
            const double a = deg * Pi / 180;
            return std::hypot(x - (cx + r * std::sin(a)), y - (cy - r * std::cos(a)));
        };
        return std::min(capDistance(from), capDistance(to)) - halfWidth;
    };
}

TShape Union(TShape a, TShape b) {
    return [=](double x, double y) { return std::min(a(x, y), b(x, y)); };
}

TShape Subtract(TShape a, TShape b) {
    return [=](double x, double y) { return std::max(a(x, y), -b(x, y)); };
}

// ---- The images ----

// The application mark: a rounded tile in the product's teal-to-blue with a white "Q" whose
// tail leaves the ring like a request going out.
void DrawAppMark(TCanvas& canvas) {
    const double n = canvas.Width();
    const double inset = n <= 24 ? 0.0 : n / 32.0;
    const double radius = n * 0.22;
    const TColor top = Hex(0x14B8A6), bottom = Hex(0x2563EB);
    canvas.Fill(RoundRect(inset, inset, n - inset, n - inset, radius), [=](double x, double y) {
        const double t = std::clamp((x + y) / (2 * n), 0.0, 1.0);
        return TColor{top.R + (bottom.R - top.R) * t, top.G + (bottom.G - top.G) * t,
                      top.B + (bottom.B - top.B) * t, 1.0};
    });
    const double stroke = std::max(2.0, n * 0.11);
    const double c = n * 0.48;
    const double r = n * 0.24 - stroke / 2 + (n <= 20 ? 0.5 : 0.0);
    const TShape ring = Ring(c, c, r, stroke / 2);
    // A short, flat tail that starts inside the bowl makes the ring a letter.
    const double dx = std::cos(30 * Pi / 180), dy = std::sin(30 * Pi / 180);
    const double from = r * 0.35, to = r + stroke * 0.9;
    const TShape tail =
        Capsule(c + from * dx, c + from * dy + r * 0.25, c + to * dx, c + to * dy + r * 0.25, stroke / 2);
    canvas.Fill(Union(ring, tail), Solid(Hex(0xFFFFFF)));
}

// The folder glyph of the browse button: warm amber, readable on light and dark fields.
void DrawFolder(TCanvas& canvas) {
    const double s = canvas.Width() / 16.0;
    const double r = 1.5 * s;
    const TShape back =
        Union(RoundRect(1 * s, 2 * s, 7.5 * s, 7 * s, r), RoundRect(1 * s, 4 * s, 15 * s, 14 * s, r));
    canvas.Fill(back, Solid(Hex(0xD9961A)));
    canvas.Fill(RoundRect(1 * s, 6 * s, 15 * s, 14 * s, r), Solid(Hex(0xFFC83D)));
}

struct TSwitchLook {
    TColor Stroke, Fill, Knob;
    bool On, Filled, Hover;
};

// One 24 x 16 switch frame (at 100 %) in the band starting at row top.
void DrawSwitchFrame(TCanvas& canvas, int top, double s, const TSwitchLook& look) {
    const int height = int(std::lround(16 * s));
    const double w = canvas.Width();
    const double margin = std::lround(s);
    const double trackHeight = 2 * std::lround(7 * s);
    const double y0 = (height - trackHeight) / 2, y1 = y0 + trackHeight;
    const TShape track = RoundRect(margin, y0, w - margin, y1, trackHeight / 2);
    if (look.Filled) {
        canvas.Fill(track, Solid(look.Fill), top, height);
    } else {
        const double strokeWidth = std::max(1.0, double(std::lround(s)));
        const TShape inner = RoundRect(margin + strokeWidth, y0 + strokeWidth, w - margin - strokeWidth,
                                       y1 - strokeWidth, trackHeight / 2 - strokeWidth);
        if (look.Fill.A > 0) {
            canvas.Fill(inner, Solid(look.Fill), top, height);
        }
        canvas.Fill(Subtract(track, inner), Solid(look.Stroke), top, height);
    }
    const double knobRadius = trackHeight * (look.On ? 0.32 : 0.28) + (look.Hover ? 0.6 * s : 0.0);
    const double gap = trackHeight / 2;
    const double knobX = look.On ? w - margin - gap : margin + gap;
    canvas.Fill(Circle(knobX, height / 2.0, knobRadius), Solid(look.Knob), top, height);
}

void DrawSwitch(TCanvas& canvas, double s) {
    const TColor none{0, 0, 0, 0};
    // Frames: off, on, off hovered, on hovered, off disabled, on disabled; light then dark.
    const std::array<TSwitchLook, 12> looks = {{
        {Hex(0x6B778C), none, Hex(0x6B778C), false, false, false},
        {none, Hex(0x2188FF), Hex(0xFFFFFF), true, true, false},
        {Hex(0x323E51), Hex(0xEAEDEF), Hex(0x323E51), false, false, true},
        {none, Hex(0x1B6FD6), Hex(0xFFFFFF), true, true, true},
        {Hex(0xC8CCCE), none, Hex(0xC8CCCE), false, false, false},
        {none, Hex(0xC8CCCE), Hex(0xFFFFFF), true, true, false},
        {Hex(0x9A9A9A), none, Hex(0x9A9A9A), false, false, false},
        {none, Hex(0x3D97FF), Hex(0xFFFFFF), true, true, false},
        {Hex(0xDFDFDF), Hex(0x2C2C2C), Hex(0xDFDFDF), false, false, true},
        {none, Hex(0x5CA9FF), Hex(0xFFFFFF), true, true, true},
        {Hex(0x505050), none, Hex(0x505050), false, false, false},
        {none, Hex(0x505050), Hex(0x8C8C8C), true, true, false},
    }};
    const int frameHeight = int(std::lround(16 * s));
    for (int i = 0; i < 12; ++i) {
        DrawSwitchFrame(canvas, i * frameHeight, s, looks[i]);
    }
}

// The busy indicator: an accent arc that turns once per strip while it grows and shrinks,
// over a faint track that shows on both window colours.
void DrawLoader(TCanvas& canvas, double s) {
    const int frame = int(std::lround(24 * s));
    const double halfWidth = 1.25 * s;
    const double r = 9.5 * s - halfWidth;
    const TColor accent = Hex(0x2188FF);
    for (int k = 0; k < 36; ++k) {
        const double x0 = k * frame, c = frame / 2.0;
        const TShape local = Ring(x0 + c, c, r, halfWidth);
        canvas.Fill(local, Solid(Hex(0x2188FF, 0.2)));
        const double t = k / 36.0;
        const double centre = 360 * t;
        const double length = 50 + 200 * std::pow(std::sin(Pi * t), 2);
        canvas.Fill(Arc(x0 + c, c, r, halfWidth, centre - length / 2, centre + length / 2), Solid(accent));
    }
}

// ---- PNG and ICO writing ----

void PutBig32(std::vector<uint8_t>& out, uint32_t v) {
    for (int shift = 24; shift >= 0; shift -= 8) {
        out.push_back(uint8_t(v >> shift));
    }
}

void PutChunk(std::vector<uint8_t>& out, const char* type, const std::vector<uint8_t>& data) {
    PutBig32(out, uint32_t(data.size()));
    const size_t start = out.size();
    out.insert(out.end(), type, type + 4);
    out.insert(out.end(), data.begin(), data.end());
    PutBig32(out, uint32_t(crc32(0, out.data() + start, uInt(out.size() - start))));
}

int Paeth(int a, int b, int c) {
    const int p = a + b - c, pa = std::abs(p - a), pb = std::abs(p - b), pc = std::abs(p - c);
    return pa <= pb && pa <= pc ? a : pb <= pc ? b : c;
}

std::vector<uint8_t> FilterRow(int filter, const uint8_t* row, const uint8_t* prior, size_t length) {
    std::vector<uint8_t> out(length + 1);
    out[0] = uint8_t(filter);
    for (size_t i = 0; i < length; ++i) {
        const int a = i >= 4 ? row[i - 4] : 0, b = prior ? prior[i] : 0,
                  c = prior && i >= 4 ? prior[i - 4] : 0;
        const int predictor = filter == 1   ? a
                              : filter == 2 ? b
                              : filter == 3 ? (a + b) / 2
                              : filter == 4 ? Paeth(a, b, c)
                                            : 0;
        out[i + 1] = uint8_t(row[i] - predictor);
    }
    return out;
}

std::vector<uint8_t> Deflate(const std::vector<uint8_t>& data, int strategy) {
    z_stream z{};
    deflateInit2(&z, 9, Z_DEFLATED, 15, 9, strategy);
    std::vector<uint8_t> out(deflateBound(&z, uLong(data.size())));
    z.next_in = const_cast<Bytef*>(data.data());
    z.avail_in = uInt(data.size());
    z.next_out = out.data();
    z.avail_out = uInt(out.size());
    deflate(&z, Z_FINISH);
    out.resize(z.total_out);
    deflateEnd(&z);
    return out;
}

// Tries the fixed filters and a per-row choice with each deflate strategy; keeps the smallest.
std::vector<uint8_t> CompressImage(const std::vector<uint8_t>& rgba, int width, int height) {
    const size_t stride = size_t(width) * 4;
    std::vector<uint8_t> best;
    for (int mode = 0; mode <= 5; ++mode) {
        std::vector<uint8_t> filtered;
        for (int y = 0; y < height; ++y) {
            const uint8_t* row = &rgba[y * stride];
            const uint8_t* prior = y ? row - stride : nullptr;
            std::vector<uint8_t> chosen;
            if (mode < 5) {
                chosen = FilterRow(mode, row, prior, stride);
            } else {
                long bestSum = -1;
                for (int f = 0; f <= 4; ++f) {
                    std::vector<uint8_t> candidate = FilterRow(f, row, prior, stride);
                    long sum = 0;
                    for (size_t i = 1; i < candidate.size(); ++i) {
                        sum += std::abs(int(int8_t(candidate[i])));
                    }
                    if (bestSum < 0 || sum < bestSum) {
                        bestSum = sum;
                        chosen = std::move(candidate);
                    }
                }
            }
            filtered.insert(filtered.end(), chosen.begin(), chosen.end());
        }
        for (int strategy : {Z_DEFAULT_STRATEGY, Z_FILTERED}) {
            std::vector<uint8_t> packed = Deflate(filtered, strategy);
            if (best.empty() || packed.size() < best.size()) {
                best = std::move(packed);
            }
        }
    }
    return best;
}

std::vector<uint8_t> EncodePng(const TCanvas& canvas) {
    std::vector<uint8_t> png = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    std::vector<uint8_t> header;
    PutBig32(header, uint32_t(canvas.Width()));
    PutBig32(header, uint32_t(canvas.Height()));
    header.insert(header.end(), {8, 6, 0, 0, 0}); // 8-bit RGBA, deflate, adaptive, no interlace
    PutChunk(png, "IHDR", header);
    PutChunk(png, "IDAT", CompressImage(canvas.Rgba(), canvas.Width(), canvas.Height()));
    PutChunk(png, "IEND", {});
    return png;
}

std::vector<uint8_t> EncodeIco(const std::vector<int>& sizes) {
    std::vector<std::vector<uint8_t>> images;
    for (int size : sizes) {
        TCanvas canvas(size, size);
        DrawAppMark(canvas);
        images.push_back(EncodePng(canvas));
    }
    std::vector<uint8_t> ico;
    auto put16 = [&](uint32_t v) { ico.insert(ico.end(), {uint8_t(v), uint8_t(v >> 8)}); };
    auto put32 = [&](uint32_t v) {
        ico.insert(ico.end(), {uint8_t(v), uint8_t(v >> 8), uint8_t(v >> 16), uint8_t(v >> 24)});
    };
    put16(0);
    put16(1);
    put16(uint32_t(sizes.size()));
    uint32_t offset = uint32_t(6 + 16 * sizes.size());
    for (size_t i = 0; i < sizes.size(); ++i) {
        ico.push_back(uint8_t(sizes[i] >= 256 ? 0 : sizes[i]));
        ico.push_back(uint8_t(sizes[i] >= 256 ? 0 : sizes[i]));
        ico.push_back(0); // no palette
        ico.push_back(0);
        put16(1);  // planes
        put16(32); // bits per pixel
        put32(uint32_t(images[i].size()));
        put32(offset);
        offset += uint32_t(images[i].size());
    }
    for (const auto& image : images) {
        ico.insert(ico.end(), image.begin(), image.end());
    }
    return ico;
}

bool WriteFile(const std::string& path, const std::vector<uint8_t>& data) {
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) {
        return false;
    }
    const bool ok = std::fwrite(data.data(), 1, data.size(), f) == data.size();
    return std::fclose(f) == 0 && ok;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: imagegen OUTPUT_FOLDER\n");
        return 2;
    }
    const std::string folder = argv[1];
    bool ok = true;
    for (int percent : {100, 125, 150, 175, 200}) {
        const double s = percent / 100.0;
        const std::string suffix = std::to_string(percent) + ".png";
        auto size = [&](int n) { return int(std::lround(n * s)); };
        TCanvas appIcon(size(16), size(16)), applicationIcon(size(64), size(64)),
            folderEx(size(16), size(16));
        TCanvas switchStrip(size(24), size(192)), loader(size(864), size(24));
        DrawAppMark(appIcon);
        DrawAppMark(applicationIcon);
        DrawFolder(folderEx);
        DrawSwitch(switchStrip, s);
        DrawLoader(loader, s);
        ok = WriteFile(folder + "/images/APPICON" + suffix, EncodePng(appIcon)) && ok;
        ok = WriteFile(folder + "/images/APPLICATIONICON" + suffix, EncodePng(applicationIcon)) && ok;
        ok = WriteFile(folder + "/images/FOLDEREX" + suffix, EncodePng(folderEx)) && ok;
        ok = WriteFile(folder + "/images/SWITCH" + suffix, EncodePng(switchStrip)) && ok;
        ok = WriteFile(folder + "/images/LOADER" + suffix, EncodePng(loader)) && ok;
    }
    ok = WriteFile(folder + "/app.ico", EncodeIco({16, 20, 24, 32, 40, 48, 64, 256})) && ok;
    if (!ok) {
        std::fprintf(stderr, "imagegen: cannot write below %s\n", folder.c_str());
        return 1;
    }
    return 0;
}
