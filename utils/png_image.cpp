#include "utils/png_image.h"

#include "utils/png_decoder.h"

void TPngImage::LoadFromBytes(const uint8_t* Data, size_t Size) {
    FPixels = Premultiply(DecodePng(Data, Size));
}
