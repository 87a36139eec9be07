// Premultiplication and smooth resampling of images, so that a picture can be drawn with its
// per-pixel alpha into a rectangle of any size.
#pragma once

#include <cstdint>
#include <vector>

#include "utils/png_decoder.h"
#include "utils/rect.h"

// Premultiplied pixels packed as 0xAARRGGBB, rows top-down: the layout of a top-down 32-bit
// DIB section that the platform's alpha blending takes.
struct TPremultipliedImage {
    int Width = 0;
    int Height = 0;
    std::vector<uint32_t> Pixels;
};

TPremultipliedImage Premultiply(const TRgbaImage& Image);

// The part of Source that becomes visible inside Clip when Source is stretched onto Dest.
struct TStretchedPart {
    TRect Bounds;              // Dest ∩ Clip, in destination pixels
    TPremultipliedImage Image; // Bounds' size
};

// Samples Source stretched onto Dest: area averaging where it shrinks, bilinear where it grows,
// the plain pixels where the size is unchanged. Only the pixels inside Clip are computed, so
// a strip of frames clipped to one frame costs one frame.
TStretchedPart StretchImage(const TPremultipliedImage& Source, const TRect& Dest, const TRect& Clip);

// Every pixel in Color (0x00BBGGRR) with its own alpha: the shape of a picture in one colour,
// as a high-contrast scheme draws glyphs.
void TintImage(TPremultipliedImage& Image, uint32_t Color) noexcept;
