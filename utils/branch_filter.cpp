#include "utils/branch_filter.h"

#include <array>

namespace {

// Opcodes whose ModRM byte may name an operand at [rip + disp32]: the arithmetic and logic
// groups, movsxd, imul, test, xchg, mov and lea. None of them is a byte that starts another
// pattern (E8, E9, 0F, FF or a REX prefix). A bit for each of the 256 bytes.
constexpr std::array<uint32_t, 8> MakeModRmOpcodes() {
    std::array<uint32_t, 8> bits{};
    for (const uint8_t op :
         {0x01, 0x03, 0x09, 0x0B, 0x21, 0x23, 0x29, 0x2B, 0x31, 0x33, 0x39, 0x3B, 0x63, 0x69, 0x80,
          0x81, 0x83, 0x85, 0x87, 0x88, 0x89, 0x8A, 0x8B, 0x8D, 0xC6, 0xC7, 0xF6, 0xF7, 0xFE}) {
        bits[op >> 5] |= 1u << (op & 31);
    }
    return bits;
}

constexpr std::array<uint32_t, 8> ModRmOpcodes = MakeModRmOpcodes();

bool IsModRmOpcode(uint8_t Op) noexcept {
    return (ModRmOpcodes[Op >> 5] >> (Op & 31)) & 1;
}

bool IsRipRelative(uint8_t ModRm) noexcept {
    return (ModRm & 0xC7) == 0x05;
}

// The length of the opcode at Data[0] when a displacement follows it, else 0. Reads at most
// three bytes; the caller makes sure they are there.
size_t OpcodeLength(const uint8_t* Data) noexcept {
    const uint8_t op = Data[0];
    if (op == 0xE8 || op == 0xE9) {
        return 1;
    }
    if (op == 0x0F) {
        return (Data[1] & 0xF0) == 0x80 ? 2 : 0;
    }
    if (op == 0xFF) {
        return Data[1] == 0x15 || Data[1] == 0x25 ? 2 : 0;
    }
    if ((op & 0xF0) == 0x40) {
        return IsModRmOpcode(Data[1]) && IsRipRelative(Data[2]) ? 3 : 0;
    }
    return IsModRmOpcode(op) && IsRipRelative(Data[1]) ? 2 : 0;
}

uint32_t Load32(const uint8_t* p) noexcept {
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

void Store32(uint8_t* p, uint32_t Value) noexcept {
    p[0] = uint8_t(Value);
    p[1] = uint8_t(Value >> 8);
    p[2] = uint8_t(Value >> 16);
    p[3] = uint8_t(Value >> 24);
}

// Keeps the low 25 bits, sign-extended: the top byte stays 00 or FF.
uint32_t SignExtend25(uint32_t Value) noexcept {
    Value &= 0x01FFFFFF;
    return (Value & 0x01000000) ? Value | 0xFE000000 : Value;
}

} // namespace

size_t TBranchFilter::Convert(uint8_t* Data, size_t Size, bool Last) noexcept {
    size_t i = 0;
    while (Last ? i < Size : Size - i >= Lookahead) {
        // The shortest pattern takes five bytes; near the real end no complete one fits.
        const size_t length = Size - i >= 5 ? OpcodeLength(Data + i) : 0;
        if (length == 0 || Size - i < length + 4) {
            ++i;
            continue;
        }
        uint8_t* displacement = Data + i + length;
        if (displacement[3] == 0x00 || displacement[3] == 0xFF) {
            const auto next = uint32_t(FPosition + (displacement - Data) + 4);
            const uint32_t value = Load32(displacement);
            Store32(displacement, SignExtend25(FDirection == fdEncode ? value + next : value - next));
        }
        i += length + 4;
    }
    FPosition += i;
    return i;
}
