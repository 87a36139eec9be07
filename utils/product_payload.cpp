#include "utils/product_payload.h"

#include <algorithm>
#include <cstring>
#include <memory>

#include "utils/branch_filter.h"
#include "utils/crc32.h"
#include "utils/lzma_decoder.h"

namespace {

constexpr uint8_t Magic[4] = {'Q', 'V', 'Z', 0x1A};
constexpr uint8_t FormatVersion = 1;
constexpr uint64_t MaxProductSize = 0xFFFFFFFF;
constexpr size_t CopyBufferSize = 1 << 16;

[[noreturn]] void Damaged(const std::u16string& Why) {
    throw EPayloadDamaged(u"The packed product is damaged: " + Why + u".");
}

uint32_t Load32(const uint8_t* p) noexcept {
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

uint64_t Load64(const uint8_t* p) noexcept {
    return uint64_t(Load32(p)) | uint64_t(Load32(p + 4)) << 32;
}

// The resource's bytes in order, never more than it holds; one that ends before its size was
// cut short.
class TResourceSource {
public:
    TResourceSource(const TPayloadReader& Read, uint64_t Size) : FRead(Read), FLeft(Size) {}

    size_t Read(uint8_t* Buffer, size_t Capacity) {
        if (FLeft == 0 || Capacity == 0) {
            return 0;
        }
        const size_t got = FRead(Buffer, size_t(std::min<uint64_t>(Capacity, FLeft)));
        if (got == 0) {
            Damaged(u"the installer file ends before its product does");
        }
        FLeft -= std::min<uint64_t>(got, FLeft);
        return got;
    }

    // Exactly Size bytes, or the resource was cut short.
    void ReadAll(uint8_t* Buffer, size_t Size) {
        while (Size > 0) {
            const size_t got = Read(Buffer, Size);
            if (got == 0) {
                Damaged(u"the installer file ends before its product does");
            }
            Buffer += got;
            Size -= got;
        }
    }

    uint64_t Left() const noexcept { return FLeft; }

private:
    const TPayloadReader& FRead;
    uint64_t FLeft;
};

// Where the decoded bytes go: back through the branch filter when the packer applied it, then
// counted and checked against the header's CRC on their way to the writer.
class TProductSink {
public:
    TProductSink(const TPayloadWriter& Write, bool Filtered)
        : FWrite(Write), FFilter(TBranchFilter::fdDecode),
          FBuffer(Filtered ? new uint8_t[CopyBufferSize] : nullptr) {}

    void Put(const uint8_t* Data, size_t Size) {
        if (!FBuffer) {
            Emit(Data, Size);
            return;
        }
        while (Size > 0) {
            const size_t part = std::min(Size, CopyBufferSize - FHeld);
            std::memcpy(FBuffer.get() + FHeld, Data, part);
            FHeld += part;
            Data += part;
            Size -= part;
            if (FHeld == CopyBufferSize) {
                Convert(false);
            }
        }
    }

    void Finish(const TPayloadHeader& Header) {
        if (FBuffer) {
            Convert(true);
        }
        if (FWritten != Header.ProductSize || FCrc != Header.ProductCrc) {
            Damaged(u"its checksum does not match");
        }
    }

private:
    void Convert(bool Last) {
        const size_t done = FFilter.Convert(FBuffer.get(), FHeld, Last);
        Emit(FBuffer.get(), done);
        std::memmove(FBuffer.get(), FBuffer.get() + done, FHeld - done);
        FHeld -= done;
    }

    void Emit(const uint8_t* Data, size_t Size) {
        FCrc = Crc32(FCrc, Data, Size);
        FWritten += Size;
        FWrite(Data, Size);
    }

    const TPayloadWriter& FWrite;
    TBranchFilter FFilter;
    std::unique_ptr<uint8_t[]> FBuffer;
    size_t FHeld = 0;
    uint64_t FWritten = 0;
    uint32_t FCrc = 0;
};

void CopyThrough(TResourceSource& Source, uint64_t Size, const TPayloadWriter& Write) {
    const auto buffer = std::make_unique<uint8_t[]>(size_t(std::min<uint64_t>(Size, CopyBufferSize)));
    while (Size > 0) {
        const size_t part = size_t(std::min<uint64_t>(Size, CopyBufferSize));
        Source.ReadAll(buffer.get(), part);
        Write(buffer.get(), part);
        Size -= part;
    }
}

void DecodeLzma(const TPayloadHeader& Header, TResourceSource& Source, TProductSink& Sink) {
    try {
        TLzmaDecoder decoder(TLzmaProperties::FromByte(Header.LzmaProperties, Header.DictionarySize),
                             Header.ProductSize);
        decoder.Decode([&](uint8_t* Buffer, size_t Capacity) { return Source.Read(Buffer, Capacity); },
                       [&](const uint8_t* Data, size_t Size) { Sink.Put(Data, Size); });
        if (decoder.ConsumedInput() != Header.PackedSize) {
            Damaged(u"data follows the end of its compressed stream");
        }
    } catch (const ELzmaError& e) {
        Damaged(e.Reason());
    }
}

} // namespace

bool HasPayloadMagic(const uint8_t* Data, size_t Size) noexcept {
    return Size >= sizeof(Magic) && std::memcmp(Data, Magic, sizeof(Magic)) == 0;
}

bool IsHeaderWithDamagedMagic(const uint8_t* Data, size_t Size) noexcept {
    if (Size < TPayloadHeader::Size) {
        return false;
    }
    // A product that by chance ends its first 36 bytes with the CRC of the magic and the 28
    // bytes after it: one in four billion.
    const uint32_t crc = Crc32(Crc32(0, Magic, sizeof(Magic)), Data + sizeof(Magic), 32 - sizeof(Magic));
    return crc == Load32(Data + 32);
}

TPayloadHeader ParsePayloadHeader(const uint8_t* Data, size_t Size, uint64_t ResourceSize) {
    if (Size < TPayloadHeader::Size || !HasPayloadMagic(Data, Size)) {
        Damaged(u"its header is incomplete");
    }
    if (Crc32(0, Data, 32) != Load32(Data + 32)) {
        Damaged(u"its header's checksum does not match");
    }
    if (Data[4] != FormatVersion) {
        Damaged(u"it has a format this installer does not know");
    }
    TPayloadHeader header;
    header.Method = TPayloadHeader::TMethod(Data[5]);
    header.Filter = TPayloadHeader::TFilter(Data[6]);
    header.LzmaProperties = Data[7];
    header.DictionarySize = Load32(Data + 8);
    header.ProductSize = Load64(Data + 12);
    header.PackedSize = Load64(Data + 20);
    header.ProductCrc = Load32(Data + 28);
    if (header.Method > TPayloadHeader::pmLzma || header.Filter > TPayloadHeader::pfBranch) {
        Damaged(u"it has a format this installer does not know");
    }
    if (ResourceSize < TPayloadHeader::Size || header.PackedSize != ResourceSize - TPayloadHeader::Size) {
        Damaged(u"its size does not match its header");
    }
    if (header.ProductSize > MaxProductSize) {
        Damaged(u"its header gives an impossible size");
    }
    if (header.Method == TPayloadHeader::pmStored && header.PackedSize != header.ProductSize) {
        Damaged(u"its size does not match its header");
    }
    if (header.Method == TPayloadHeader::pmLzma &&
        header.DictionarySize > TPayloadHeader::MaxDictionarySize) {
        Damaged(u"its header asks for more memory than an installer may take");
    }
    return header;
}

uint64_t UnpackProduct(uint64_t ResourceSize, const TPayloadReader& Read, const TPayloadWriter& Write) {
    TResourceSource source(Read, ResourceSize);
    uint8_t head[TPayloadHeader::Size];
    const size_t headSize = size_t(std::min<uint64_t>(ResourceSize, sizeof(head)));
    source.ReadAll(head, headSize);
    if (!HasPayloadMagic(head, headSize)) {
        if (IsHeaderWithDamagedMagic(head, headSize)) {
            Damaged(u"its header is damaged");
        }
        // The product put there as it is: written unchanged, with nothing to check it against.
        Write(head, headSize);
        CopyThrough(source, source.Left(), Write);
        return ResourceSize;
    }
    const TPayloadHeader header = ParsePayloadHeader(head, headSize, ResourceSize);
    TProductSink sink(Write, header.Filter == TPayloadHeader::pfBranch);
    if (header.Method == TPayloadHeader::pmStored) {
        CopyThrough(source, header.PackedSize,
                    [&](const uint8_t* Data, size_t Size) { sink.Put(Data, Size); });
    } else {
        DecodeLzma(header, source, sink);
    }
    sink.Finish(header);
    return header.ProductSize;
}
