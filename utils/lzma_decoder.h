// A decoder of raw LZMA streams (the range-coded LZ77 format of the LZMA SDK and of xz's
// "lzma1" filter, without a container around it). It streams: compressed bytes come from a
// reader in pieces, and decoded bytes leave through a writer from a window of the
// dictionary's size, so its memory is bounded by the dictionary, not by the product.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

#include "utils/exception.h"

// The compressed data is not a valid LZMA stream of the promised size; Reason says how.
class ELzmaError : public EError {
public:
    explicit ELzmaError(std::u16string Reason)
        : EError(u"The LZMA data is damaged: " + Reason + u"."), FReason(std::move(Reason)) {}
    const std::u16string& Reason() const noexcept { return FReason; }

private:
    std::u16string FReason;
};

struct TLzmaProperties {
    // Literal context bits, literal position bits and position bits.
    unsigned Lc = 3;
    unsigned Lp = 0;
    unsigned Pb = 2;
    uint32_t DictionarySize = 1 << 23;

    // The properties byte ((Pb * 5 + Lp) * 9 + Lc) of a stream header; raises ELzmaError when
    // a value is out of range.
    static TLzmaProperties FromByte(uint8_t Byte, uint32_t DictionarySize);
};

class TLzmaDecoder {
public:
    // Fills Buffer with up to Capacity bytes and returns how many; 0 at the end of the input.
    using TReader = std::function<size_t(uint8_t* Buffer, size_t Capacity)>;
    // Takes the next decoded bytes; may raise to abandon the decoding.
    using TWriter = std::function<void(const uint8_t* Data, size_t Size)>;

    TLzmaDecoder(const TLzmaProperties& Properties, uint64_t UnpackedSize);

    // Decodes the whole stream. Exactly UnpackedSize bytes reach Write, in order; an end
    // marker may follow them. Raises ELzmaError when the input ends early, refers back before
    // the start of the data or beyond the dictionary, ends before UnpackedSize bytes or goes on
    // after them. At most about the dictionary (capped at UnpackedSize) plus 64 KiB is held.
    void Decode(const TReader& Read, const TWriter& Write);

    // How many compressed bytes the last Decode consumed.
    uint64_t ConsumedInput() const noexcept { return FConsumed; }

private:
    TLzmaProperties FProperties;
    uint64_t FUnpackedSize;
    uint64_t FConsumed = 0;
};
