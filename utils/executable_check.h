// Whether the product about to be installed is a Windows program at all. A checksum proves only
// that the packed product arrived as it was packed; an empty resource, or one a vendor's tooling
// filled with the wrong file, would otherwise be installed, registered and reported as a
// success. The test is the one the loader starts with: a DOS header ("MZ", at least 64 bytes)
// whose e_lfanew points, inside the file, at "PE\0\0", a complete COFF file header and the
// optional header's magic (PE32 or PE32+).
#pragma once

#include <cstddef>
#include <cstdint>

#include "utils/product_payload.h"

// Takes a product's bytes in order, in pieces of any size, and keeps only the few it needs:
// the DOS header and the 26 bytes at e_lfanew.
class TExecutableCheck {
public:
    static constexpr size_t DosHeaderSize = 64;
    // "PE\0\0", the COFF file header and the optional header's magic.
    static constexpr size_t NtHeadSize = 4 + 20 + 2;

    void Feed(const uint8_t* Data, size_t Size) noexcept;
    // The bytes so far cannot begin a program, whatever follows them.
    bool Refused() const noexcept { return FRefused; }
    // The bytes fed, all of them, begin a program.
    bool Passed() const noexcept;

private:
    void Judge() noexcept;
    // How many of the Size bytes at offset At have been fed.
    size_t Known(uint64_t At, size_t Size) const noexcept;
    uint64_t NtHeadEnd() const noexcept { return FNtHeadAt + NtHeadSize; }

    uint8_t FDosHeader[DosHeaderSize] = {};
    uint8_t FNtHead[NtHeadSize] = {};
    uint64_t FFed = 0;
    // Where e_lfanew points, once the DOS header is complete.
    uint64_t FNtHeadAt = 0;
    bool FNtHeadKnown = false;
    bool FRefused = false;
};

// Writes the product as UnpackProduct does and raises EPayloadDamaged when it is not a Windows
// program: as soon as the bytes show it, before the piece that shows it is written (for most
// files, the first), and otherwise after the last byte, before the caller keeps anything.
uint64_t UnpackProgram(uint64_t ResourceSize, const TPayloadReader& Read, const TPayloadWriter& Write);
