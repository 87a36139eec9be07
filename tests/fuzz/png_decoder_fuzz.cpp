// Any bytes: the decoder either returns a consistent image or raises EPngError, and whatever
// it returns can be premultiplied and drawn scaled without leaving the buffers.
#include <cstddef>
#include <cstdint>

#include "utils/image_scaling.h"
#include "utils/png_decoder.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    try {
        const TRgbaImage image = DecodePng(data, size);
        if (image.Pixels.size() != size_t(image.Width) * image.Height * 4) {
            __builtin_trap();
        }
        const TPremultipliedImage premultiplied = Premultiply(image);
        const int w = int(size % 7) + 1, h = int(size % 5) + 1;
        StretchImage(premultiplied, {-1, -1, w, h}, {0, 0, 4, 4});
    } catch (const EPngError&) {
    }
    return 0;
}
