// Any bytes as a product, fed to the check in pieces the first byte chooses: its answer after
// every piece and at the end must be the one read off the whole buffer at once, by the plain
// rules below, whatever the pieces were.
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "utils/executable_check.h"

namespace {

uint32_t Load32(const uint8_t* p) {
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

bool IsProgram(const uint8_t* d, size_t n) {
    if (n < 64 || d[0] != 'M' || d[1] != 'Z') {
        return false;
    }
    const uint32_t lfanew = Load32(d + 0x3C);
    if (lfanew >= 0x80000000u || uint64_t(lfanew) + 26 > n || std::memcmp(d + lfanew, "PE\0\0", 4) != 0) {
        return false;
    }
    const unsigned magic = d[lfanew + 24] | d[lfanew + 25] << 8;
    return magic == 0x10B || magic == 0x20B;
}

// Whether more bytes after these could still make a program.
bool CouldBecomeProgram(const uint8_t* d, size_t n) {
    if ((n >= 1 && d[0] != 'M') || (n >= 2 && d[1] != 'Z')) {
        return false;
    }
    if (n < 64) {
        return true;
    }
    const uint32_t lfanew = Load32(d + 0x3C);
    if (lfanew >= 0x80000000u) {
        return false;
    }
    for (size_t i = 0; i < 4; ++i) {
        if (lfanew + i < n && d[lfanew + i] != "PE\0\0"[i]) {
            return false;
        }
    }
    if (lfanew + 24 < n && d[lfanew + 24] != 0x0B) {
        return false;
    }
    return !(lfanew + 25 < n && d[lfanew + 25] != 0x01 && d[lfanew + 25] != 0x02);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1) {
        return 0;
    }
    const uint8_t* product = data + 1;
    const size_t length = size - 1;
    // Pieces of one size up to 127 bytes, or of sizes that change from piece to piece.
    const size_t fixed = data[0] & 0x7F;
    TExecutableCheck check;
    size_t fed = 0;
    for (unsigned step = 0; fed < length; ++step) {
        size_t piece = fixed != 0 ? fixed : 1 + (step * 37 + fed) % 91;
        piece = piece < length - fed ? piece : length - fed;
        check.Feed(product + fed, piece);
        fed += piece;
        if (check.Refused() == CouldBecomeProgram(product, fed) ||
            check.Passed() != IsProgram(product, fed)) {
            __builtin_trap();
        }
    }
    if (check.Refused() == CouldBecomeProgram(product, length) ||
        check.Passed() != IsProgram(product, length)) {
        __builtin_trap();
    }
    return 0;
}
