// The x86-64 branch filter of the packed product. Machine code refers to other code and data
// by displacements relative to the instruction; the same target reached from many places thus
// shows as many different byte strings. Turned into positions from the start of the file, they
// repeat, and LZMA finds them. The filter converts the 32-bit displacement that follows
//   E8 / E9                      call / jmp rel32
//   0F 80 … 0F 8F                jcc rel32
//   FF 15 / FF 25                call / jmp [rip + disp32]
//   [REX] op ModRM(mod 00, rm 101)  an operand at [rip + disp32], for the common opcodes
// when its top byte is 00 or FF (a target within 16 MiB), keeping it within the same 25-bit
// range so that the decoder sees the same top byte. After any such opcode the scan goes on
// behind its displacement, converted or not, so the bytes each decision reads are never
// changed by a later one and both directions make the same decisions.
//
// The build applies the forward direction (tools/pack_payload.py, mirrored by Encode here for
// the tests); the installer applies the reverse while it writes the product.
#pragma once

#include <cstddef>
#include <cstdint>

class TBranchFilter {
public:
    enum TDirection { fdEncode, fdDecode };

    explicit TBranchFilter(TDirection Direction) noexcept : FDirection(Direction) {}

    // The bytes a decision can look ahead of its own position.
    static constexpr size_t Lookahead = 7;

    // Converts Data in place, continuing the stream where the previous call ended, and returns
    // how many leading bytes are final. The others, fewer than Lookahead, need the bytes that
    // follow: pass them again at the start of the next call. With Last the stream ends with
    // Data and every byte is final.
    size_t Convert(uint8_t* Data, size_t Size, bool Last) noexcept;

private:
    TDirection FDirection;
    // The stream position of the next call's first byte.
    uint64_t FPosition = 0;
};
