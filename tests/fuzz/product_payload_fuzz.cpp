// Any bytes as the EXE_FILE resource: unpacking raises EPayloadDamaged or writes exactly the
// product's size (the header's, or the resource's own for a product without a header). When
// the bytes start with the magic, the header's checksum is made right first, so that the
// fuzzer reaches the fields and the data behind it rather than stopping at the checksum.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "utils/crc32.h"
#include "utils/product_payload.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::vector<uint8_t> resource(data, data + size);
    uint64_t expected = size;
    if (size >= TPayloadHeader::Size && HasPayloadMagic(data, size)) {
        const uint32_t crc = Crc32(0, resource.data(), 32);
        for (int i = 0; i < 4; ++i) {
            resource[32 + i] = uint8_t(crc >> (8 * i));
        }
        expected = 0;
        for (int i = 7; i >= 0; --i) {
            expected = expected << 8 | resource[12 + i];
        }
    }
    size_t offset = 0;
    uint64_t written = 0;
    try {
        const uint64_t result = UnpackProduct(
            resource.size(),
            [&](uint8_t* buffer, size_t capacity) {
                const size_t n = resource.size() - offset < capacity ? resource.size() - offset : capacity;
                for (size_t i = 0; i < n; ++i) {
                    buffer[i] = resource[offset + i];
                }
                offset += n;
                return n;
            },
            [&](const uint8_t*, size_t n) {
                written += n;
                if (written > expected) {
                    __builtin_trap();
                }
            });
        if (result != expected || written != expected) {
            __builtin_trap();
        }
    } catch (const EPayloadDamaged&) {
    }
    return 0;
}
