// A PNG picture held decoded and premultiplied, ready to be drawn with its alpha at any size.
#pragma once

#include <cstddef>
#include <cstdint>

#include "utils/image_scaling.h"

class TPngImage {
public:
    // Decodes Data; raises EPngError and keeps the previous content when it is malformed.
    void LoadFromBytes(const uint8_t* Data, size_t Size);

    int Width() const noexcept { return FPixels.Width; }
    int Height() const noexcept { return FPixels.Height; }
    bool Empty() const noexcept { return FPixels.Pixels.empty(); }
    const TPremultipliedImage& Pixels() const noexcept { return FPixels; }

    // The picture's own transparency flag, set by the image control from its Transparent.
    bool Transparent() const noexcept { return FTransparent; }
    void SetTransparent(bool Value) noexcept { FTransparent = Value; }

private:
    TPremultipliedImage FPixels;
    bool FTransparent = false;
};
