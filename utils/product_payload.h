// The product as the installer carries it in its EXE_FILE resource: a 36-byte header (magic,
// format, method, filter, sizes, CRC-32 of the product and of the header) and the product,
// stored or compressed with LZMA after the x86-64 branch filter (tools/pack_payload.py makes
// it). A resource without the header is the product itself, as a vendor's tooling may put it
// there, and is written unchanged. Unpacking streams from reader to writer through small
// buffers and the LZMA window, and checks the product's size and CRC as it goes; a mismatch
// raises EPayloadDamaged after the last byte, before the caller keeps anything.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>

#include "utils/exception.h"

// The packed product is not what its header promises: the installer file is damaged.
class EPayloadDamaged : public EError {
public:
    using EError::EError;
};

struct TPayloadHeader {
    enum TMethod : uint8_t { pmStored = 0, pmLzma = 1 };
    enum TFilter : uint8_t { pfNone = 0, pfBranch = 1 };

    static constexpr size_t Size = 36;
    // The decoder's window is at most this large, whatever a header asks for.
    static constexpr uint32_t MaxDictionarySize = 64u << 20;

    TMethod Method = pmStored;
    TFilter Filter = pfNone;
    uint8_t LzmaProperties = 0;
    uint32_t DictionarySize = 0;
    uint64_t ProductSize = 0;
    uint64_t PackedSize = 0;
    uint32_t ProductCrc = 0;
};

// Whether Data starts with the packed product's magic; false when Size is below 4.
bool HasPayloadMagic(const uint8_t* Data, size_t Size) noexcept;
// Whether Data is a header whose magic alone was damaged: its checksum matches once the magic
// is put back. Such a resource must not pass for a product stored without a header.
bool IsHeaderWithDamagedMagic(const uint8_t* Data, size_t Size) noexcept;
// Reads the header at the start of a resource of ResourceSize bytes (Size of them at Data)
// and checks it against that size; raises EPayloadDamaged.
TPayloadHeader ParsePayloadHeader(const uint8_t* Data, size_t Size, uint64_t ResourceSize);

// Fills Buffer with up to Capacity bytes of the resource, in order; 0 only at its end.
using TPayloadReader = std::function<size_t(uint8_t* Buffer, size_t Capacity)>;
// Takes the product's next bytes; may raise to abandon the unpacking.
using TPayloadWriter = std::function<void(const uint8_t* Data, size_t Size)>;

// Writes the product held in a resource of ResourceSize bytes to Write and returns its size.
// Raises EPayloadDamaged when the resource is shorter than ResourceSize, its header is not
// valid, or the product does not decode to the size and CRC-32 the header gives.
uint64_t UnpackProduct(uint64_t ResourceSize, const TPayloadReader& Read, const TPayloadWriter& Write);
