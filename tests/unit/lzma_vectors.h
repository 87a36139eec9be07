// The decoder's test data, made by the standard tools when the tests are built
// (tests/tools/make_lzma_vectors.py): raw LZMA streams, xz's .lzma files, packed products and
// filtered PE files, each beside the input it was made of.
#pragma once

#include <algorithm>
#include <cstdint>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

using TBytes = std::vector<uint8_t>;

struct TLzmaVector {
    std::string Kind; // raw, alone, packed or filter
    std::string Stream;
    std::string Original;
    unsigned Properties = 0;
    uint32_t Dictionary = 0;
};

inline std::string LzmaVectorPath(const std::string& Name) {
    return std::string(QV_LZMA_VECTORS) + "/" + Name;
}

inline TBytes ReadVectorFile(const std::string& Name) {
    std::ifstream file(LzmaVectorPath(Name), std::ios::binary);
    return TBytes(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

// The vectors of one kind; empty when the manifest is missing, which the callers check.
inline std::vector<TLzmaVector> LzmaVectors(const std::string& Kind) {
    std::ifstream manifest(LzmaVectorPath("vectors.txt"));
    std::vector<TLzmaVector> result;
    std::string line;
    while (std::getline(manifest, line)) {
        std::istringstream fields(line);
        TLzmaVector vector;
        fields >> vector.Kind >> vector.Stream >> vector.Original;
        if (vector.Kind == "raw") {
            fields >> vector.Properties >> vector.Dictionary;
        }
        if (vector.Kind == Kind) {
            result.push_back(vector);
        }
    }
    return result;
}

// A reader over Data that hands out at most Piece bytes a call.
struct TPieceReader {
    const TBytes& Data;
    size_t Piece;
    size_t Offset = 0;
    size_t operator()(uint8_t* Buffer, size_t Capacity) {
        const size_t n = std::min({Capacity, Piece, Data.size() - Offset});
        std::copy(Data.begin() + std::ptrdiff_t(Offset), Data.begin() + std::ptrdiff_t(Offset + n), Buffer);
        Offset += n;
        return n;
    }
};
