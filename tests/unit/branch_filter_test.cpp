// The x86-64 branch filter: the conversions it makes, its streaming, and its agreement with
// the build's packer.
#include <gtest/gtest.h>

#include <random>

#include "tests/unit/lzma_vectors.h"
#include "utils/branch_filter.h"

namespace {

TBytes ConvertWhole(TBranchFilter::TDirection Direction, TBytes Data) {
    TBranchFilter filter(Direction);
    EXPECT_EQ(filter.Convert(Data.data(), Data.size(), true), Data.size());
    return Data;
}

// As the installer feeds it: pieces of Piece bytes, the undecided tail carried over.
TBytes ConvertInPieces(TBranchFilter::TDirection Direction, const TBytes& Data, size_t Piece) {
    TBranchFilter filter(Direction);
    TBytes out, held;
    for (size_t at = 0; at < Data.size(); at += Piece) {
        held.insert(held.end(), Data.begin() + std::ptrdiff_t(at),
                    Data.begin() + std::ptrdiff_t(std::min(at + Piece, Data.size())));
        const size_t done = filter.Convert(held.data(), held.size(), false);
        EXPECT_GE(done + TBranchFilter::Lookahead, held.size() + 1);
        out.insert(out.end(), held.begin(), held.begin() + std::ptrdiff_t(done));
        held.erase(held.begin(), held.begin() + std::ptrdiff_t(done));
    }
    EXPECT_EQ(filter.Convert(held.data(), held.size(), true), held.size());
    out.insert(out.end(), held.begin(), held.end());
    return out;
}

// Bytes that look like x86-64 code: many calls, jumps and rip-relative operands among noise.
TBytes CodeLikeBytes(size_t Size, unsigned Seed) {
    std::mt19937 random(Seed);
    const std::vector<TBytes> pieces = {{0xE8},
                                        {0xE9},
                                        {0x0F, 0x84},
                                        {0xFF, 0x15},
                                        {0x48, 0x8D, 0x05},
                                        {0x8B, 0x0D},
                                        {0x4C, 0x8B, 0x3D},
                                        {0x00, 0x00},
                                        {0xFF, 0xFF},
                                        {0x48}};
    TBytes data;
    while (data.size() < Size) {
        const TBytes& piece = pieces[random() % pieces.size()];
        data.insert(data.end(), piece.begin(), piece.end());
        data.push_back(uint8_t(random()));
    }
    data.resize(Size);
    return data;
}

TEST(BranchFilter, ConvertsTheDisplacementsItKnows) {
    const struct {
        const char* What;
        TBytes Plain;
        TBytes Encoded;
    } cases[] = {
        {"call", {0xE8, 0x10, 0, 0, 0}, {0xE8, 0x15, 0, 0, 0}},
        {"jmp backwards", {0xE9, 0xF0, 0xFF, 0xFF, 0xFF}, {0xE9, 0xF5, 0xFF, 0xFF, 0xFF}},
        {"a call beyond 16 MiB stays", {0xE8, 0, 0, 0, 0x12}, {0xE8, 0, 0, 0, 0x12}},
        {"jcc", {0x0F, 0x85, 0x00, 0x01, 0, 0}, {0x0F, 0x85, 0x06, 0x01, 0, 0}},
        {"call [rip]", {0xFF, 0x15, 0x08, 0, 0, 0}, {0xFF, 0x15, 0x0E, 0, 0, 0}},
        {"lea rax, [rip]", {0x48, 0x8D, 0x05, 0, 0, 0, 0}, {0x48, 0x8D, 0x05, 0x07, 0, 0, 0}},
        {"mov eax, [rip]", {0x8B, 0x05, 0x10, 0, 0, 0}, {0x8B, 0x05, 0x16, 0, 0, 0}},
        {"an operand at [rbp + 8] stays",
         {0x48, 0x8B, 0x45, 0x08, 0, 0, 0, 0},
         {0x48, 0x8B, 0x45, 0x08, 0, 0, 0, 0}},
        {"a displacement past the end stays", {0xE8, 0x01, 0, 0}, {0xE8, 0x01, 0, 0}},
        {"the scan goes on behind a kept displacement",
         {0xE8, 0xE8, 0, 0, 0x12, 0, 0, 0, 0},
         {0xE8, 0xE8, 0, 0, 0x12, 0, 0, 0, 0}},
        {"the target wraps within 25 bits", {0xE8, 0xFF, 0xFF, 0xFF, 0x00}, {0xE8, 0x04, 0, 0, 0xFF}},
        {"the position counts", {0x90, 0x90, 0xE8, 0, 0, 0, 0}, {0x90, 0x90, 0xE8, 0x07, 0, 0, 0}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.What);
        EXPECT_EQ(ConvertWhole(TBranchFilter::fdEncode, c.Plain), c.Encoded);
        EXPECT_EQ(ConvertWhole(TBranchFilter::fdDecode, c.Encoded), c.Plain);
    }
}

TEST(BranchFilter, DecodingUndoesEncodingInPiecesOfAnySize) {
    for (const unsigned seed : {1u, 2u, 3u}) {
        const TBytes plain = CodeLikeBytes(50000 + seed * 7, seed);
        const TBytes encoded = ConvertWhole(TBranchFilter::fdEncode, plain);
        ASSERT_NE(encoded, plain);
        for (const size_t piece : {size_t(1), size_t(3), size_t(7), size_t(8), size_t(100), size_t(4096)}) {
            SCOPED_TRACE(testing::Message() << "seed " << seed << ", pieces of " << piece);
            EXPECT_EQ(ConvertInPieces(TBranchFilter::fdEncode, plain, piece), encoded);
            EXPECT_EQ(ConvertInPieces(TBranchFilter::fdDecode, encoded, piece), plain);
        }
    }
}

TEST(BranchFilter, AgreesWithTheBuildsPacker) {
    const auto vectors = LzmaVectors("filter");
    ASSERT_GE(vectors.size(), 10u) << "the test data was not made";
    for (const TLzmaVector& v : vectors) {
        SCOPED_TRACE(v.Stream);
        const TBytes original = ReadVectorFile(v.Original);
        const TBytes filtered = ReadVectorFile(v.Stream);
        EXPECT_TRUE(ConvertWhole(TBranchFilter::fdEncode, original) == filtered);
        EXPECT_TRUE(ConvertInPieces(TBranchFilter::fdDecode, filtered, 65536) == original);
    }
}

} // namespace
