// The LZMA decoder against what liblzma and the xz program made of varied inputs, and on
// streams that are not what they claim to be.
#include <gtest/gtest.h>

#include <algorithm>

#include "tests/unit/lzma_vectors.h"
#include "utils/lzma_decoder.h"

namespace {

struct TDecoded {
    TBytes Data;
    size_t LargestPiece = 0;
    uint64_t Consumed = 0;
};

TDecoded Decode(const TBytes& Stream, unsigned Properties, uint32_t Dictionary, uint64_t Size,
                size_t Piece = SIZE_MAX) {
    TDecoded result;
    TLzmaDecoder decoder(TLzmaProperties::FromByte(uint8_t(Properties), Dictionary), Size);
    decoder.Decode(TPieceReader{Stream, Piece}, [&](const uint8_t* Data, size_t Length) {
        result.Data.insert(result.Data.end(), Data, Data + Length);
        result.LargestPiece = std::max(result.LargestPiece, Length);
    });
    result.Consumed = decoder.ConsumedInput();
    return result;
}

// An .lzma file: properties, dictionary size, the data's size (all ones: unknown), stream.
struct TAloneFile {
    unsigned Properties = 0;
    uint32_t Dictionary = 0;
    uint64_t Size = 0;
    TBytes Stream;
};

TAloneFile SplitAlone(const TBytes& File) {
    TAloneFile result;
    result.Properties = File.at(0);
    for (int i = 0; i < 4; ++i) {
        result.Dictionary |= uint32_t(File.at(1 + i)) << (8 * i);
    }
    for (int i = 0; i < 8; ++i) {
        result.Size |= uint64_t(File.at(5 + i)) << (8 * i);
    }
    result.Stream.assign(File.begin() + 13, File.end());
    return result;
}

TBytes RawStream(const std::string& Input, TLzmaVector& Vector) {
    for (const TLzmaVector& v : LzmaVectors("raw")) {
        if (v.Original == Input + ".bin" && v.Dictionary == (1u << 20)) {
            Vector = v;
            return ReadVectorFile(v.Stream);
        }
    }
    ADD_FAILURE() << "no raw stream of " << Input;
    return {};
}

TEST(LzmaDecoder, DecodesWhatLiblzmaMade) {
    const auto vectors = LzmaVectors("raw");
    ASSERT_GE(vectors.size(), 40u) << "the test data was not made";
    for (const TLzmaVector& v : vectors) {
        SCOPED_TRACE(v.Stream);
        const TBytes original = ReadVectorFile(v.Original);
        const TBytes stream = ReadVectorFile(v.Stream);
        const TDecoded decoded = Decode(stream, v.Properties, v.Dictionary, original.size());
        EXPECT_TRUE(decoded.Data == original);
        EXPECT_EQ(decoded.Consumed, stream.size());
        // Never more at a time than the window: the dictionary, or the data when it is smaller.
        EXPECT_LE(decoded.LargestPiece, std::min<size_t>(v.Dictionary, std::max<size_t>(original.size(), 1)));
    }
}

TEST(LzmaDecoder, DecodesWhatXzMadeUpToItsEndMarker) {
    const auto vectors = LzmaVectors("alone");
    ASSERT_GE(vectors.size(), 10u);
    for (const TLzmaVector& v : vectors) {
        SCOPED_TRACE(v.Stream);
        const TBytes original = ReadVectorFile(v.Original);
        const TAloneFile file = SplitAlone(ReadVectorFile(v.Stream));
        EXPECT_EQ(file.Size, ~uint64_t(0)); // xz does not know the size ahead: it ends with a marker
        const TDecoded decoded = Decode(file.Stream, file.Properties, file.Dictionary, original.size());
        EXPECT_TRUE(decoded.Data == original);
        EXPECT_EQ(decoded.Consumed, file.Stream.size());
    }
}

TEST(LzmaDecoder, InputInPiecesOfAnySizeGivesTheSameOutput) {
    for (const char* input : {"pe-0", "text-mix", "dict-plus-1", "block-65537"}) {
        TLzmaVector v;
        const TBytes stream = RawStream(input, v);
        const TBytes original = ReadVectorFile(v.Original);
        for (const size_t piece :
             {size_t(1), size_t(2), size_t(7), size_t(4096), size_t(65535), size_t(65537)}) {
            SCOPED_TRACE(testing::Message() << input << " in pieces of " << piece);
            EXPECT_TRUE(Decode(stream, v.Properties, v.Dictionary, original.size(), piece).Data == original);
        }
    }
}

TEST(LzmaDecoder, RejectsStreamsThatAreNotWhatTheyClaim) {
    TLzmaVector v;
    const TBytes stream = RawStream("text-mix", v);
    const uint64_t size = ReadVectorFile(v.Original).size();
    const auto cut = [&](size_t length) {
        return TBytes(stream.begin(), stream.begin() + std::ptrdiff_t(length));
    };
    TBytes wrongStart = stream;
    wrongStart[0] = 1;
    const struct {
        const char* What;
        TBytes Stream;
        uint64_t Size;
    } cases[] = {
        {"nothing at all", {}, size},
        {"cut inside the range coder's start", cut(4), size},
        {"cut after the start", cut(5), size},
        {"cut in the middle", cut(stream.size() / 2), size},
        {"cut by one byte", cut(stream.size() - 1), size},
        {"a first byte that is not zero", wrongStart, size},
        {"more data promised than it holds", stream, size + 1},
        {"less data promised than it holds", stream, size - 1},
        {"no data promised", stream, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.What);
        EXPECT_THROW(Decode(c.Stream, v.Properties, v.Dictionary, c.Size), ELzmaError);
    }
    EXPECT_THROW(TLzmaProperties::FromByte(225, 4096), ELzmaError);
    TLzmaProperties tooWide;
    tooWide.Lc = 9;
    EXPECT_THROW(TLzmaDecoder(tooWide, 1), ELzmaError);
}

TEST(LzmaDecoder, ReportsWhereItsStreamEnded) {
    // Bytes after the stream are not the decoder's to judge; it tells how far it read.
    TLzmaVector v;
    TBytes stream = RawStream("repeated", v);
    const size_t length = stream.size();
    stream.insert(stream.end(), {0xDE, 0xAD, 0xBE, 0xEF});
    const TBytes original = ReadVectorFile(v.Original);
    const TDecoded decoded = Decode(stream, v.Properties, v.Dictionary, original.size());
    EXPECT_TRUE(decoded.Data == original);
    EXPECT_EQ(decoded.Consumed, length);
}

TEST(LzmaDecoder, AWriterThatRaisesStopsTheDecoding) {
    TLzmaVector v;
    const TBytes stream = RawStream("zeros", v);
    TLzmaDecoder decoder(TLzmaProperties::FromByte(uint8_t(v.Properties), 4096), 300000);
    int calls = 0;
    EXPECT_THROW(decoder.Decode(TPieceReader{stream, SIZE_MAX},
                                [&](const uint8_t*, size_t) {
                                    ++calls;
                                    throw EError(u"disk full");
                                }),
                 EError);
    EXPECT_EQ(calls, 1);
}

TEST(LzmaDecoder, DamagedBytesEndInAnErrorOrInExactlyThePromisedSize) {
    // Damage alone may decode to other data: the packed product's CRC is what catches that.
    // The decoder itself must only never read or write out of bounds, nor overrun the size.
    TLzmaVector v;
    const TBytes stream = RawStream("pe-0", v);
    const uint64_t size = ReadVectorFile(v.Original).size();
    int errors = 0;
    for (size_t at = 0; at < stream.size(); at += stream.size() / 97 + 1) {
        TBytes damaged = stream;
        damaged[at] ^= 0x5A;
        try {
            EXPECT_EQ(Decode(damaged, v.Properties, v.Dictionary, size).Data.size(), size) << "byte " << at;
        } catch (const ELzmaError&) {
            ++errors;
        }
    }
    // Almost every damage shows: a flipped byte throws the range coder off for good.
    EXPECT_GT(errors, 80);
}

} // namespace
