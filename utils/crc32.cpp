#include "utils/crc32.h"

#include <array>

namespace {

constexpr std::array<uint32_t, 256> MakeTable() {
    std::array<uint32_t, 256> table{};
    for (uint32_t n = 0; n < 256; ++n) {
        uint32_t c = n;
        for (int k = 0; k < 8; ++k) {
            c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
        }
        table[n] = c;
    }
    return table;
}

constexpr std::array<uint32_t, 256> Table = MakeTable();

} // namespace

uint32_t Crc32(uint32_t Crc, const uint8_t* Data, size_t Size) noexcept {
    uint32_t c = ~Crc;
    for (size_t i = 0; i < Size; ++i) {
        c = Table[(c ^ Data[i]) & 0xFF] ^ (c >> 8);
    }
    return ~c;
}
