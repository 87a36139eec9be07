#include "utils/lzma_decoder.h"

#include <algorithm>
#include <cstring>
#include <iterator>
#include <memory>
#include <vector>

namespace {

constexpr unsigned NumStates = 12;
constexpr unsigned PosStatesMax = 1 << 4;
constexpr unsigned EndPosModelIndex = 14;
constexpr unsigned NumFullDistances = 1 << (EndPosModelIndex >> 1);
constexpr unsigned NumAlignBits = 4;
constexpr unsigned MatchMinLength = 2;
constexpr unsigned ProbabilityBits = 11;
constexpr unsigned MoveBits = 5;
constexpr uint32_t RangeTop = 1u << 24;
constexpr uint32_t MinDictionarySize = 1 << 12;
constexpr uint32_t EndMarkerDistance = 0xFFFFFFFF;

// One symbol reads far fewer bytes than this: the input is refilled before a symbol whenever
// fewer are left, and zeros of this length follow the real end so that a damaged stream is
// caught after its symbol rather than read past its buffer.
constexpr size_t SymbolInputMax = 64;
constexpr size_t InputBufferSize = 1 << 16;

using TProb = uint16_t;
constexpr TProb ProbInit = 1 << (ProbabilityBits - 1);

struct TLengthProbs {
    TProb Choice;
    TProb Choice2;
    TProb Low[PosStatesMax][1 << 3];
    TProb Mid[PosStatesMax][1 << 3];
    TProb High[1 << 8];
};

struct TProbs {
    TProb IsMatch[NumStates][PosStatesMax];
    TProb IsRep[NumStates];
    TProb IsRepG0[NumStates];
    TProb IsRepG1[NumStates];
    TProb IsRepG2[NumStates];
    TProb IsRep0Long[NumStates][PosStatesMax];
    TProb PosSlot[4][1 << 6];
    TProb PosSpecial[1 + NumFullDistances - EndPosModelIndex];
    TProb Align[1 << NumAlignBits];
    TLengthProbs Length;
    TLengthProbs RepLength;

    TProbs() {
        static_assert(sizeof(TProbs) % sizeof(TProb) == 0);
        std::fill_n(reinterpret_cast<TProb*>(this), sizeof(TProbs) / sizeof(TProb), ProbInit);
    }
};

[[noreturn]] void Damaged(const char16_t* Why) {
    throw ELzmaError(Why);
}

// The range decoder over the reader's pieces.
class TRangeDecoder {
public:
    explicit TRangeDecoder(const TLzmaDecoder::TReader& Read)
        : FRead(Read), FBuffer(new uint8_t[InputBufferSize + SymbolInputMax]), FNext(FBuffer.get()),
          FEnd(FBuffer.get()) {
        Prepare();
        if (FEnd - FNext < 5) {
            Damaged(u"the compressed stream is too short");
        }
        if (*FNext++ != 0) {
            Damaged(u"the compressed stream does not start as LZMA");
        }
        for (int i = 0; i < 4; ++i) {
            FCode = (FCode << 8) | *FNext++;
        }
        if (FCode == FRange) {
            Damaged(u"the compressed stream does not start as LZMA");
        }
    }

    // Before each symbol: its bytes are in the buffer, and the last one read no further than
    // the input went.
    void Prepare() {
        if (size_t(FEnd - FNext) < SymbolInputMax && !FExhausted) {
            Refill();
        }
        if (FNext > FEnd) {
            Damaged(u"the compressed stream ends too early");
        }
    }

    unsigned Bit(TProb& Prob) {
        const uint32_t bound = (FRange >> ProbabilityBits) * Prob;
        unsigned bit;
        if (FCode < bound) {
            FRange = bound;
            Prob = TProb(Prob + (((1u << ProbabilityBits) - Prob) >> MoveBits));
            bit = 0;
        } else {
            FRange -= bound;
            FCode -= bound;
            Prob = TProb(Prob - (Prob >> MoveBits));
            bit = 1;
        }
        Normalize();
        return bit;
    }

    // A symbol of Bits bits from a binary tree of probabilities, highest bit first.
    template <unsigned Bits> unsigned Tree(TProb (&Probs)[1 << Bits]) {
        unsigned m = 1;
        for (unsigned i = 0; i < Bits; ++i) {
            m = (m << 1) | Bit(Probs[m]);
        }
        return m - (1u << Bits);
    }

    // The same, lowest bit first, over Probs[1] … Probs[2^Bits - 1].
    unsigned ReverseTree(TProb* Probs, unsigned Bits) {
        unsigned m = 1;
        unsigned symbol = 0;
        for (unsigned i = 0; i < Bits; ++i) {
            const unsigned bit = Bit(Probs[m]);
            m = (m << 1) | bit;
            symbol |= bit << i;
        }
        return symbol;
    }

    // Bits of equal probability.
    uint32_t DirectBits(unsigned Count) {
        uint32_t result = 0;
        do {
            FRange >>= 1;
            FCode -= FRange;
            const uint32_t mask = 0 - (FCode >> 31);
            FCode += FRange & mask;
            if (FCode == FRange) {
                Damaged(u"a distance in the compressed stream is out of range");
            }
            Normalize();
            result = (result << 1) + (mask + 1);
        } while (--Count);
        return result;
    }

    // The encoder's final flush leaves the code at zero.
    bool FinishedCleanly() const noexcept { return FCode == 0; }
    uint64_t Consumed() const noexcept { return FTotalRead - uint64_t(FEnd - FNext); }

private:
    void Normalize() {
        if (FRange < RangeTop) {
            FRange <<= 8;
            FCode = (FCode << 8) | *FNext++;
        }
    }

    void Refill() {
        const size_t left = size_t(FEnd - FNext);
        std::memmove(FBuffer.get(), FNext, left);
        FNext = FBuffer.get();
        FEnd = FBuffer.get() + left;
        uint8_t* const limit = FBuffer.get() + InputBufferSize;
        while (FEnd < limit) {
            const size_t got = FRead(FEnd, size_t(limit - FEnd));
            if (got == 0) {
                FExhausted = true;
                std::memset(FEnd, 0, SymbolInputMax);
                break;
            }
            FEnd += std::min(got, size_t(limit - FEnd));
            FTotalRead += got;
        }
    }

    const TLzmaDecoder::TReader& FRead;
    std::unique_ptr<uint8_t[]> FBuffer;
    const uint8_t* FNext;
    uint8_t* FEnd;
    uint64_t FTotalRead = 0;
    bool FExhausted = false;
    uint32_t FRange = 0xFFFFFFFF;
    uint32_t FCode = 0;
};

// The last bytes decoded, as far back as the dictionary reaches; each time it fills up, its
// bytes go to the writer and it starts again from its beginning.
class TWindow {
public:
    TWindow(size_t Size, const TLzmaDecoder::TWriter& Write)
        : FBuffer(new uint8_t[Size]), FSize(Size), FWrite(Write) {}

    void Put(uint8_t Byte) {
        FBuffer[FPos] = Byte;
        if (++FPos == FSize) {
            Flush();
        }
    }

    // The byte Distance positions back; 1 is the last one.
    uint8_t Back(size_t Distance) const {
        return FBuffer[FPos >= Distance ? FPos - Distance : FPos + FSize - Distance];
    }

    // Repeats Length bytes from Distance back; the source may overlap what is written.
    void CopyMatch(size_t Distance, size_t Length) {
        size_t from = FPos >= Distance ? FPos - Distance : FPos + FSize - Distance;
        while (Length > 0) {
            const size_t run = std::min({Length, FSize - FPos, FSize - from});
            uint8_t* out = FBuffer.get() + FPos;
            const uint8_t* in = FBuffer.get() + from;
            for (size_t i = 0; i < run; ++i) {
                out[i] = in[i];
            }
            FPos += run;
            from += run;
            Length -= run;
            if (from == FSize) {
                from = 0;
            }
            if (FPos == FSize) {
                Flush();
            }
        }
    }

    void Flush() {
        if (FPos > FFlushed) {
            FWrite(FBuffer.get() + FFlushed, FPos - FFlushed);
        }
        if (FPos == FSize) {
            FPos = 0;
        }
        FFlushed = FPos;
    }

private:
    std::unique_ptr<uint8_t[]> FBuffer;
    const size_t FSize;
    const TLzmaDecoder::TWriter& FWrite;
    size_t FPos = 0;
    size_t FFlushed = 0;
};

unsigned DecodeLength(TRangeDecoder& Rc, TLengthProbs& Probs, unsigned PosState) {
    if (Rc.Bit(Probs.Choice) == 0) {
        return Rc.Tree<3>(Probs.Low[PosState]);
    }
    if (Rc.Bit(Probs.Choice2) == 0) {
        return 8 + Rc.Tree<3>(Probs.Mid[PosState]);
    }
    return 16 + Rc.Tree<8>(Probs.High);
}

// The distance of a new match, 0 for the last byte; EndMarkerDistance marks the end.
uint32_t DecodeDistance(TRangeDecoder& Rc, TProbs& Probs, unsigned Length) {
    const unsigned slot = Rc.Tree<6>(Probs.PosSlot[std::min(Length, 3u)]);
    if (slot < 4) {
        return slot;
    }
    const unsigned directBits = (slot >> 1) - 1;
    uint32_t distance = (2 | (slot & 1)) << directBits;
    if (slot < EndPosModelIndex) {
        return distance + Rc.ReverseTree(Probs.PosSpecial + distance - slot, directBits);
    }
    distance += Rc.DirectBits(directBits - NumAlignBits) << NumAlignBits;
    return distance + Rc.ReverseTree(Probs.Align, NumAlignBits);
}

unsigned NextStateAfterLiteral(unsigned State) {
    return State < 4 ? 0 : State < 10 ? State - 3 : State - 6;
}

} // namespace

TLzmaProperties TLzmaProperties::FromByte(uint8_t Byte, uint32_t DictionarySize) {
    if (Byte >= 9 * 5 * 5) {
        Damaged(u"the LZMA properties are out of range");
    }
    TLzmaProperties result;
    result.Lc = Byte % 9;
    result.Lp = (Byte / 9) % 5;
    result.Pb = Byte / 45;
    result.DictionarySize = DictionarySize;
    return result;
}

TLzmaDecoder::TLzmaDecoder(const TLzmaProperties& Properties, uint64_t UnpackedSize)
    : FProperties(Properties), FUnpackedSize(UnpackedSize) {
    if (FProperties.Lc > 8 || FProperties.Lp > 4 || FProperties.Pb > 4) {
        Damaged(u"the LZMA properties are out of range");
    }
}

void TLzmaDecoder::Decode(const TReader& Read, const TWriter& Write) {
    const uint32_t dictionary = std::max(FProperties.DictionarySize, MinDictionarySize);
    const unsigned lc = FProperties.Lc;
    const unsigned pbMask = (1u << FProperties.Pb) - 1;
    const unsigned lpMask = (1u << FProperties.Lp) - 1;
    const uint64_t size = FUnpackedSize;

    auto probs = std::make_unique<TProbs>();
    std::vector<TProb> literals(size_t(0x300) << (lc + FProperties.Lp), ProbInit);
    TRangeDecoder rc(Read);
    TWindow window(size_t(std::max<uint64_t>(1, std::min<uint64_t>(dictionary, size))), Write);

    uint64_t pos = 0;
    unsigned state = 0;
    uint32_t rep0 = 0, rep1 = 0, rep2 = 0, rep3 = 0;
    unsigned previous = 0;
    while (pos < size) {
        rc.Prepare();
        const unsigned posState = unsigned(pos) & pbMask;
        if (rc.Bit(probs->IsMatch[state][posState]) == 0) {
            TProb* literal = &literals[0x300 * (((unsigned(pos) & lpMask) << lc) + (previous >> (8 - lc)))];
            unsigned symbol = 1;
            if (state >= 7) {
                unsigned matchByte = window.Back(size_t(rep0) + 1);
                do {
                    const unsigned matchBit = (matchByte >> 7) & 1;
                    matchByte <<= 1;
                    const unsigned bit = rc.Bit(literal[((1 + matchBit) << 8) + symbol]);
                    symbol = (symbol << 1) | bit;
                    if (matchBit != bit) {
                        break;
                    }
                } while (symbol < 0x100);
            }
            while (symbol < 0x100) {
                symbol = (symbol << 1) | rc.Bit(literal[symbol]);
            }
            previous = symbol & 0xFF;
            window.Put(uint8_t(previous));
            ++pos;
            state = NextStateAfterLiteral(state);
            continue;
        }

        unsigned length;
        if (rc.Bit(probs->IsRep[state]) != 0) {
            if (pos == 0) {
                Damaged(u"the compressed stream repeats data before any was decoded");
            }
            if (rc.Bit(probs->IsRepG0[state]) == 0) {
                if (rc.Bit(probs->IsRep0Long[state][posState]) == 0) {
                    // One byte from the last distance.
                    state = state < 7 ? 9 : 11;
                    previous = window.Back(size_t(rep0) + 1);
                    window.Put(uint8_t(previous));
                    ++pos;
                    continue;
                }
            } else {
                uint32_t distance;
                if (rc.Bit(probs->IsRepG1[state]) == 0) {
                    distance = rep1;
                } else {
                    if (rc.Bit(probs->IsRepG2[state]) == 0) {
                        distance = rep2;
                    } else {
                        distance = rep3;
                        rep3 = rep2;
                    }
                    rep2 = rep1;
                }
                rep1 = rep0;
                rep0 = distance;
            }
            length = DecodeLength(rc, probs->RepLength, posState);
            state = state < 7 ? 8 : 11;
        } else {
            rep3 = rep2;
            rep2 = rep1;
            rep1 = rep0;
            length = DecodeLength(rc, probs->Length, posState);
            state = state < 7 ? 7 : 10;
            rep0 = DecodeDistance(rc, *probs, length);
            if (rep0 == EndMarkerDistance) {
                Damaged(u"the compressed stream ends before all of the data");
            }
            if (rep0 >= pos || rep0 >= dictionary) {
                Damaged(u"the compressed stream refers back beyond the data");
            }
        }
        length += MatchMinLength;
        if (length > size - pos) {
            Damaged(u"the compressed stream goes on after the end of the data");
        }
        window.CopyMatch(size_t(rep0) + 1, length);
        pos += length;
        previous = window.Back(1);
    }
    window.Flush();

    // All the data is there: either the stream stops here or an end marker follows.
    rc.Prepare();
    if (!rc.FinishedCleanly()) {
        const unsigned posState = unsigned(pos) & pbMask;
        if (rc.Bit(probs->IsMatch[state][posState]) == 0 || rc.Bit(probs->IsRep[state]) != 0 ||
            DecodeDistance(rc, *probs, DecodeLength(rc, probs->Length, posState)) != EndMarkerDistance) {
            Damaged(u"the compressed stream goes on after the end of the data");
        }
        rc.Prepare();
        if (!rc.FinishedCleanly()) {
            Damaged(u"the compressed stream goes on after the end of the data");
        }
    }
    FConsumed = rc.Consumed();
}
