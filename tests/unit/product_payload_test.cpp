// The packed product: every form the build makes unpacks to the product, a resource without
// a header passes unchanged, and every kind of damage is caught before anything is kept.
#include <gtest/gtest.h>

#include "tests/unit/lzma_vectors.h"
#include "utils/crc32.h"
#include "utils/product_payload.h"

namespace {

struct TUnpacked {
    TBytes Data;
    uint64_t Size = 0;
};

TUnpacked Unpack(const TBytes& Resource, size_t Piece = SIZE_MAX, uint64_t ResourceSize = UINT64_MAX) {
    TUnpacked result;
    result.Size = UnpackProduct(ResourceSize == UINT64_MAX ? Resource.size() : ResourceSize,
                                TPieceReader{Resource, Piece}, [&](const uint8_t* Data, size_t Length) {
                                    result.Data.insert(result.Data.end(), Data, Data + Length);
                                });
    return result;
}

TBytes Packed(const std::string& Name) {
    return ReadVectorFile(Name);
}

void Put32(TBytes& Data, size_t At, uint32_t Value) {
    for (int i = 0; i < 4; ++i) {
        Data[At + i] = uint8_t(Value >> (8 * i));
    }
}

uint64_t Get64(const TBytes& Data, size_t At) {
    uint64_t value = 0;
    for (int i = 7; i >= 0; --i) {
        value = value << 8 | Data[At + i];
    }
    return value;
}

void Put64(TBytes& Data, size_t At, uint64_t Value) {
    Put32(Data, At, uint32_t(Value));
    Put32(Data, At + 4, uint32_t(Value >> 32));
}

// The header's own checksum made right again after a field was changed on purpose.
void Reseal(TBytes& Data) {
    Put32(Data, 32, Crc32(0, Data.data(), 32));
}

TEST(ProductPayload, UnpacksEveryFormTheBuildMakes) {
    const auto vectors = LzmaVectors("packed");
    ASSERT_GE(vectors.size(), 40u) << "the test data was not made";
    for (const TLzmaVector& v : vectors) {
        SCOPED_TRACE(v.Stream);
        const TBytes original = ReadVectorFile(v.Original);
        const TBytes packed = Packed(v.Stream);
        ASSERT_TRUE(HasPayloadMagic(packed.data(), packed.size()));
        const TUnpacked unpacked = Unpack(packed);
        EXPECT_TRUE(unpacked.Data == original);
        EXPECT_EQ(unpacked.Size, original.size());
        EXPECT_TRUE(Unpack(packed, 999).Data == original);
    }
}

TEST(ProductPayload, TheBestFormOfMachineCodeIsFilteredLzma) {
    // The form the build picks for a real executable: compressed, after the branch filter, and
    // smaller than either other form.
    const TBytes best = Packed("pe-1.best.qvz");
    ASSERT_GE(best.size(), TPayloadHeader::Size);
    const TPayloadHeader header = ParsePayloadHeader(best.data(), best.size(), best.size());
    EXPECT_EQ(header.Method, TPayloadHeader::pmLzma);
    EXPECT_EQ(header.Filter, TPayloadHeader::pfBranch);
    EXPECT_LT(best.size(), Packed("pe-1.lzma.qvz").size());
    EXPECT_LT(best.size() * 2, ReadVectorFile("pe-1.bin").size());
    // Random bytes do not compress: they are stored.
    const TBytes random = Packed("random.best.qvz");
    EXPECT_EQ(ParsePayloadHeader(random.data(), random.size(), random.size()).Method,
              TPayloadHeader::pmStored);
}

TEST(ProductPayload, AResourceWithoutHeaderIsTheProductItself) {
    const TBytes pe = ReadVectorFile("pe-0.bin");
    ASSERT_FALSE(pe.empty());
    for (const TBytes& raw : {pe, TBytes{}, TBytes{'M'}, TBytes{'Q', 'V', 'Z'}, TBytes(36, 0x00)}) {
        SCOPED_TRACE(raw.size());
        const TUnpacked unpacked = Unpack(raw, 1000);
        EXPECT_TRUE(unpacked.Data == raw);
        EXPECT_EQ(unpacked.Size, raw.size());
    }
}

TEST(ProductPayload, EveryDamagedByteIsCaught) {
    for (const char* name : {"pe-0.stored.qvz", "pe-0.lzma-x86.qvz", "text-mix.lzma.qvz"}) {
        const TBytes packed = Packed(name);
        std::vector<size_t> positions;
        for (size_t at = 0; at < TPayloadHeader::Size; ++at) {
            positions.push_back(at); // every header byte, the magic included
        }
        for (size_t at = TPayloadHeader::Size; at < packed.size(); at += packed.size() / 50 + 1) {
            positions.push_back(at);
        }
        positions.push_back(packed.size() - 1);
        for (const size_t at : positions) {
            SCOPED_TRACE(testing::Message() << name << ", byte " << at);
            TBytes damaged = packed;
            damaged[at] ^= 0x01;
            EXPECT_THROW(Unpack(damaged), EPayloadDamaged);
        }
    }
}

TEST(ProductPayload, AResourceCutShortIsCaught) {
    const TBytes packed = Packed("pe-0.lzma-x86.qvz");
    for (const size_t length :
         {size_t(10), TPayloadHeader::Size, TPayloadHeader::Size + 1, packed.size() / 2, packed.size() - 1}) {
        SCOPED_TRACE(length);
        const TBytes cut(packed.begin(), packed.begin() + std::ptrdiff_t(length));
        // The resource says how long it is: either its size does not match the header …
        EXPECT_THROW(Unpack(cut), EPayloadDamaged);
        // … or the file holding it ends before that size.
        EXPECT_THROW(Unpack(cut, SIZE_MAX, packed.size()), EPayloadDamaged);
    }
}

TEST(ProductPayload, HeadersThatCannotBeTrustedAreRefused) {
    const TBytes packed = Packed("text-mix.lzma.qvz");
    const TBytes stored = Packed("text-mix.stored.qvz");
    const struct {
        const char* What;
        TBytes Base;
        void (*Change)(TBytes&);
    } cases[] = {
        {"a newer format", packed, [](TBytes& d) { d[4] = 2; }},
        {"an unknown method", packed, [](TBytes& d) { d[5] = 2; }},
        {"an unknown filter", packed, [](TBytes& d) { d[6] = 2; }},
        {"LZMA properties out of range", packed, [](TBytes& d) { d[7] = 225; }},
        {"a dictionary beyond 64 MiB", packed, [](TBytes& d) { Put32(d, 8, (64u << 20) + 1); }},
        {"a product beyond 4 GiB", packed, [](TBytes& d) { Put64(d, 12, uint64_t(1) << 32); }},
        {"a product size one off", packed, [](TBytes& d) { Put64(d, 12, Get64(d, 12) + 1); }},
        {"stored, but sizes that differ", stored, [](TBytes& d) { Put64(d, 12, 5); }},
        {"data after the compressed stream", packed,
         [](TBytes& d) {
             d.push_back(0);
             Put64(d, 20, d.size() - TPayloadHeader::Size);
         }},
        {"a product CRC that does not match", packed, [](TBytes& d) { d[28] ^= 0x80; }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.What);
        TBytes changed = c.Base;
        c.Change(changed);
        Reseal(changed);
        EXPECT_THROW(Unpack(changed), EPayloadDamaged);
    }
}

TEST(ProductPayload, AWriterThatRaisesAbandonsTheUnpacking) {
    const TBytes packed = Packed("zeros.lzma.qvz");
    int calls = 0;
    EXPECT_THROW(UnpackProduct(packed.size(), TPieceReader{packed, SIZE_MAX},
                               [&](const uint8_t*, size_t) {
                                   ++calls;
                                   throw EError(u"cancelled");
                               }),
                 EError);
    EXPECT_EQ(calls, 1);
}

} // namespace
