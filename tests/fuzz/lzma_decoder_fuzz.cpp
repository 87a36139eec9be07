// Any bytes as an LZMA stream with any properties, read in pieces of varying size: the decoder
// raises ELzmaError or hands out exactly the size it was promised, never more, and it always
// ends. The first five bytes choose the properties, the dictionary and the promised size.
#include <cstddef>
#include <cstdint>

#include "utils/lzma_decoder.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 5) {
        return 0;
    }
    const uint32_t dictionary = 4096u << (data[1] % 9);
    const uint64_t promised =
        (uint64_t(data[2]) | uint64_t(data[3]) << 8 | uint64_t(data[4]) << 16) & 0xFFFFF;
    size_t offset = 5;
    uint64_t written = 0;
    try {
        TLzmaDecoder decoder(TLzmaProperties::FromByte(data[0], dictionary), promised);
        decoder.Decode(
            [&](uint8_t* buffer, size_t capacity) {
                // Pieces of 1 to 8 bytes now and then, to cross every border of the input.
                size_t n = size - offset < capacity ? size - offset : capacity;
                if (offset % 3 == 0 && n > 8) {
                    n = 1 + offset % 8;
                }
                for (size_t i = 0; i < n; ++i) {
                    buffer[i] = data[offset + i];
                }
                offset += n;
                return n;
            },
            [&](const uint8_t* out, size_t n) {
                volatile uint8_t sink = n ? out[0] ^ out[n - 1] : 0;
                (void)sink;
                written += n;
                if (written > promised) {
                    __builtin_trap();
                }
            });
        if (written != promised || decoder.ConsumedInput() > size - 5) {
            __builtin_trap();
        }
    } catch (const ELzmaError&) {
    }
    return 0;
}
