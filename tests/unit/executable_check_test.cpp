// The test of a product as a program: the headers the loader starts with, every way they can
// be missing, cut short or wrong, fed in pieces of every size; and the unpacking that refuses
// a product that is not a program before it is kept, as early as its bytes allow.
#include <gtest/gtest.h>

#include "tests/unit/lzma_vectors.h"
#include "utils/executable_check.h"

namespace {

constexpr uint32_t StandardLfanew = 0x80;

void Put16(TBytes& Data, size_t At, uint16_t Value) {
    Data.at(At) = uint8_t(Value);
    Data.at(At + 1) = uint8_t(Value >> 8);
}

void Put32(TBytes& Data, size_t At, uint32_t Value) {
    Put16(Data, At, uint16_t(Value));
    Put16(Data, At + 2, uint16_t(Value >> 16));
}

// The least a program's headers hold: a DOS header pointing at Lfanew, "PE\0\0", a COFF file
// header for Machine and the optional header's Magic, and nothing after it.
TBytes Headers(uint16_t Magic = 0x20B, uint32_t Lfanew = StandardLfanew, uint16_t Machine = 0x8664) {
    TBytes data(std::max<size_t>(64, Lfanew + TExecutableCheck::NtHeadSize), 0);
    data[0] = 'M';
    data[1] = 'Z';
    Put32(data, 0x3C, Lfanew);
    data.at(Lfanew) = 'P';
    data.at(Lfanew + 1) = 'E';
    Put16(data, Lfanew + 4, Machine);
    Put16(data, Lfanew + 4 + 16, Magic == 0x10B ? 0xE0 : 0xF0); // SizeOfOptionalHeader
    Put16(data, Lfanew + 4 + 18, 0x0022);                       // executable, large-address-aware
    Put16(data, Lfanew + 24, Magic);
    return data;
}

TBytes Cut(TBytes Data, size_t Size) {
    Data.resize(Size);
    return Data;
}

TBytes Text(const std::string& Text) {
    return TBytes(Text.begin(), Text.end());
}

TBytes WithLfanew(uint32_t Lfanew, size_t Size) {
    TBytes data = Cut(Headers(), Size);
    Put32(data, 0x3C, Lfanew);
    return data;
}

TBytes WithByte(TBytes Data, size_t At, uint8_t Value) {
    Data.at(At) = Value;
    return Data;
}

struct TVerdict {
    bool Passed = false;
    bool Refused = false;
};

TVerdict Check(const TBytes& Data, size_t Piece) {
    TExecutableCheck check;
    for (size_t at = 0; at < Data.size(); at += Piece) {
        check.Feed(Data.data() + at, std::min(Piece, Data.size() - at));
    }
    return {check.Passed(), check.Refused()};
}

struct TCase {
    const char* What;
    TBytes Data;
    bool Passed;
    // Already shown not to be a program: no byte after these could make it one.
    bool Refused;
};

std::vector<TCase> Cases() {
    const size_t end = StandardLfanew + TExecutableCheck::NtHeadSize;
    return {
        {"nothing", {}, false, false},
        {"an M alone", Text("M"), false, false},
        {"one other byte", Text("Q"), false, true},
        {"MZ alone", Text("MZ"), false, false},
        {"ZM", Text("ZM\x90"), false, true},
        {"text", Text("This is not a program, only a text a vendor's tooling embedded.\r\n"), false, true},
        {"a packed product's header", Text("QVZ\x1a\x01\x01\x01"), false, true},
        {"a PE32 program", Headers(0x10B, StandardLfanew, 0x14C), true, false},
        {"a PE32+ program", Headers(), true, false},
        {"a program with more after its headers",
         [] {
             TBytes data = Headers();
             data.resize(100000, 0xCC);
             return data;
         }(),
         true, false},
        // The smallest programs put their headers inside the DOS header's unused fields.
        {"headers inside the DOS header", Headers(0x10B, 4, 0x14C), true, false},
        {"a DOS header one byte short", Cut(Headers(), 63), false, false},
        {"a DOS header and nothing after it", Cut(Headers(), 64), false, false},
        {"e_lfanew at the end of the file", Cut(Headers(), StandardLfanew), false, false},
        {"e_lfanew past the end", WithLfanew(0x1000, 0x200), false, false},
        {"e_lfanew at the largest positive value", WithLfanew(0x7FFFFFFF, 0x200), false, false},
        {"a negative e_lfanew", WithLfanew(0x80000000, 0x200), false, true},
        {"e_lfanew of -1", WithLfanew(0xFFFFFFFF, 0x200), false, true},
        {"e_lfanew at the DOS header itself", WithLfanew(0, 0x200), false, true},
        {"a signature cut short", Cut(Headers(), StandardLfanew + 3), false, false},
        {"an NE signature", WithByte(Headers(), StandardLfanew, 'N'), false, true},
        {"PE without its zeros", WithByte(Headers(), StandardLfanew + 3, 1), false, true},
        {"a COFF header cut short", Cut(Headers(), StandardLfanew + 4 + 10), false, false},
        {"a COFF header and no magic", Cut(Headers(), StandardLfanew + 24), false, false},
        {"half a magic", Cut(Headers(), end - 1), false, false},
        {"a ROM image's magic", Headers(0x107), false, true},
        {"a magic of zero", Headers(0), false, true},
        {"a magic one off", Headers(0x20C), false, true},
        {"a magic with its bytes swapped", Headers(0x0B02), false, true},
    };
}

TEST(ExecutableCheck, KnowsAProgramByItsHeadersInPiecesOfEverySize) {
    for (const TCase& c : Cases()) {
        const size_t largest = std::max<size_t>(c.Data.size(), 1);
        for (size_t piece = 1; piece <= std::min<size_t>(largest, 300); ++piece) {
            SCOPED_TRACE(testing::Message() << c.What << ", pieces of " << piece);
            const TVerdict verdict = Check(c.Data, piece);
            ASSERT_EQ(verdict.Passed, c.Passed);
            ASSERT_EQ(verdict.Refused, c.Refused);
        }
        SCOPED_TRACE(c.What);
        EXPECT_EQ(Check(c.Data, largest).Passed, c.Passed);
    }
}

TEST(ExecutableCheck, ARefusalComesWithTheFirstByteThatShowsIt) {
    // Sound up to the byte that is changed: the check says so at that byte and not before.
    const TBytes program = Headers();
    for (const size_t at : {size_t(0), size_t(1), size_t(StandardLfanew), size_t(StandardLfanew + 2),
                            size_t(StandardLfanew + 24), size_t(StandardLfanew + 25)}) {
        SCOPED_TRACE(at);
        const TBytes wrong = WithByte(program, at, uint8_t(program[at] ^ 0x40));
        TExecutableCheck check;
        for (size_t i = 0; i < wrong.size(); ++i) {
            check.Feed(&wrong[i], 1);
            ASSERT_EQ(check.Refused(), i >= at) << "after byte " << i;
        }
        EXPECT_FALSE(check.Passed());
    }
}

TEST(ExecutableCheck, RealProgramsPass) {
    for (const char* name : {"pe-0.bin", "pe-1.bin"}) {
        const TBytes program = ReadVectorFile(name);
        ASSERT_GT(program.size(), 100000u) << name << ": the test data was not made";
        for (const size_t piece : {size_t(1), size_t(7), size_t(4096), size_t(65536), program.size()}) {
            SCOPED_TRACE(testing::Message() << name << ", pieces of " << piece);
            const TVerdict verdict = Check(program, piece);
            EXPECT_TRUE(verdict.Passed);
            EXPECT_FALSE(verdict.Refused);
        }
    }
}

struct TWritten {
    TBytes Data;
    uint64_t Size = 0;
};

TWritten UnpackInto(const TBytes& Resource, size_t Piece, TBytes& Written) {
    TWritten result;
    result.Size = UnpackProgram(
        Resource.size(), TPieceReader{Resource, Piece},
        [&](const uint8_t* Data, size_t Length) { Written.insert(Written.end(), Data, Data + Length); });
    result.Data = Written;
    return result;
}

std::u16string RefusalOf(const TBytes& Resource, TBytes& Written) {
    try {
        UnpackInto(Resource, SIZE_MAX, Written);
    } catch (const EPayloadDamaged& e) {
        return e.Message();
    }
    return u"(accepted)";
}

constexpr char16_t NotAProgram[] = u"The packed product is damaged: it is not a Windows program.";

TEST(ExecutableCheck, ProgramsUnpackByteForByteWhetherPackedOrNot) {
    const TBytes program = ReadVectorFile("pe-0.bin");
    ASSERT_FALSE(program.empty());
    for (const char* name : {"pe-0.bin", "pe-0.stored.qvz", "pe-0.lzma-x86.qvz", "pe-0.best.qvz"}) {
        SCOPED_TRACE(name);
        TBytes written;
        const TWritten unpacked = UnpackInto(ReadVectorFile(name), 1000, written);
        EXPECT_TRUE(unpacked.Data == program);
        EXPECT_EQ(unpacked.Size, program.size());
    }
}

TEST(ExecutableCheck, AProductThatIsNotAProgramIsRefusedLikeADamagedOne) {
    TBytes wiped = ReadVectorFile("pe-0.bin");
    ASSERT_GT(wiped.size(), 0x40u);
    const size_t signature = size_t(wiped[0x3C] | wiped[0x3D] << 8);
    ASSERT_EQ(wiped.at(signature), 'P');
    wiped[signature] = 0;
    const struct {
        const char* What;
        TBytes Resource;
        // At most this much of it may reach the writer before the refusal.
        size_t MostWritten;
    } cases[] = {
        {"an empty resource", {}, 0},
        {"a text", ReadVectorFile("text-mix.bin"), 0},
        {"a packed text", ReadVectorFile("text-mix.best.qvz"), 0},
        {"packed random bytes", ReadVectorFile("random.stored.qvz"), 0},
        {"a packed empty product", ReadVectorFile("empty.stored.qvz"), 0},
        {"MZ alone", Text("MZ"), 2},
        {"headers cut short", Cut(Headers(), StandardLfanew + 20), StandardLfanew + 20},
        // The bytes before the signature may be written; none from it on.
        {"a program without its signature", wiped, signature},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.What);
        TBytes written;
        EXPECT_EQ(RefusalOf(c.Resource, written), NotAProgram);
        EXPECT_LE(written.size(), c.MostWritten);
    }
}

TEST(ExecutableCheck, DamageIsStillReportedAsDamage) {
    TBytes damaged = ReadVectorFile("pe-0.lzma-x86.qvz");
    ASSERT_GT(damaged.size(), 1000u);
    damaged[damaged.size() - 10] ^= 0x01;
    TBytes written;
    const std::u16string message = RefusalOf(damaged, written);
    EXPECT_EQ(message.rfind(u"The packed product is damaged: ", 0), 0u);
    EXPECT_NE(message, NotAProgram);
}

} // namespace
