#include "utils/executable_check.h"

#include <algorithm>
#include <cstring>

namespace {

constexpr size_t LfanewAt = 0x3C;
constexpr uint8_t DosSignature[2] = {'M', 'Z'};
constexpr uint8_t NtSignature[4] = {'P', 'E', 0, 0};
constexpr size_t MagicAt = 4 + 20;

uint32_t Load32(const uint8_t* p) noexcept {
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

// Copies the part of the piece of Size bytes at offset At that falls in the span of Length bytes
// at Start into Target, which holds that span.
void CopyOverlap(uint8_t* Target, uint64_t Start, size_t Length, const uint8_t* Data, uint64_t At,
                 size_t Size) noexcept {
    const uint64_t from = std::max(Start, At);
    const uint64_t to = std::min(Start + Length, At + Size);
    if (from < to) {
        std::memcpy(Target + (from - Start), Data + (from - At), size_t(to - from));
    }
}

// The installer file is as unusable as a damaged one, and the user is told the same.
[[noreturn]] void RaiseNotAProgram() {
    throw EPayloadDamaged(u"The packed product is damaged: it is not a Windows program.");
}

} // namespace

void TExecutableCheck::Feed(const uint8_t* Data, size_t Size) noexcept {
    if (FRefused || Size == 0) {
        return;
    }
    CopyOverlap(FDosHeader, 0, DosHeaderSize, Data, FFed, Size);
    if (!FNtHeadKnown && FFed + Size >= DosHeaderSize) {
        // e_lfanew is a signed LONG: a negative one points nowhere.
        const uint32_t lfanew = Load32(FDosHeader + LfanewAt);
        if (lfanew >= 0x80000000u) {
            FRefused = true;
            return;
        }
        FNtHeadAt = lfanew;
        FNtHeadKnown = true;
        // The headers may overlap the DOS header, as in the smallest programs.
        CopyOverlap(FNtHead, FNtHeadAt, NtHeadSize, FDosHeader, 0, DosHeaderSize);
    }
    if (FNtHeadKnown) {
        CopyOverlap(FNtHead, FNtHeadAt, NtHeadSize, Data, FFed, Size);
    }
    FFed += Size;
    Judge();
}

bool TExecutableCheck::Passed() const noexcept {
    return !FRefused && FNtHeadKnown && FFed >= NtHeadEnd();
}

// Each byte is judged as soon as it is there, so that the piece that shows the product is not a
// program is the last one taken.
void TExecutableCheck::Judge() noexcept {
    if (std::memcmp(FDosHeader, DosSignature, Known(0, sizeof(DosSignature))) != 0) {
        FRefused = true;
    } else if (FNtHeadKnown) {
        // The magic is 0x10B or 0x20B: a low byte of 0x0B, a high byte of 1 or 2.
        const uint8_t low = FNtHead[MagicAt], high = FNtHead[MagicAt + 1];
        FRefused = std::memcmp(FNtHead, NtSignature, Known(FNtHeadAt, sizeof(NtSignature))) != 0 ||
                   (Known(FNtHeadAt + MagicAt, 1) == 1 && low != 0x0B) ||
                   (Known(FNtHeadAt + MagicAt + 1, 1) == 1 && high != 0x01 && high != 0x02);
    }
}

size_t TExecutableCheck::Known(uint64_t At, size_t Size) const noexcept {
    return FFed <= At ? 0 : size_t(std::min<uint64_t>(FFed - At, Size));
}

uint64_t UnpackProgram(uint64_t ResourceSize, const TPayloadReader& Read, const TPayloadWriter& Write) {
    TExecutableCheck check;
    const uint64_t size = UnpackProduct(ResourceSize, Read, [&](const uint8_t* Data, size_t Size) {
        check.Feed(Data, Size);
        if (check.Refused()) {
            RaiseNotAProgram();
        }
        Write(Data, Size);
    });
    if (!check.Passed()) {
        RaiseNotAProgram();
    }
    return size;
}
