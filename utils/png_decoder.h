// Decoding of the PNG images that the program carries. Only what a well-formed 8-bit image
// needs is supported; anything malformed or outside that raises EPngError and never reads
// beyond the input.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "utils/exception.h"

// A PNG that is corrupt, truncated or of a kind this decoder does not read.
class EPngError : public EError {
public:
    using EError::EError;
};

// Pixels as four bytes R, G, B, A each (straight alpha), rows top-down without padding.
struct TRgbaImage {
    uint32_t Width = 0;
    uint32_t Height = 0;
    std::vector<uint8_t> Pixels;
};

// The largest image accepted, in pixels: far above any of the program's images, small enough
// that a lying header cannot make the decoder allocate without bound.
inline constexpr uint64_t MaxPngPixels = 16u * 1024 * 1024;

// Reads an 8-bit, non-interlaced PNG of colour type grey, RGB, palette, grey + alpha or RGBA
// (with tRNS transparency where the format allows it).
TRgbaImage DecodePng(const uint8_t* Data, size_t Size);
