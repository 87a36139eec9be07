#include <gtest/gtest.h>

#include <zlib.h>

#include <vector>

#include "utils/crc32.h"

namespace {

TEST(Crc32, KnownValuesAndZlibAgreement) {
    const uint8_t check[] = {'1', '2', '3', '4', '5', '6', '7', '8', '9'};
    EXPECT_EQ(Crc32(0, check, sizeof(check)), 0xCBF43926u);
    EXPECT_EQ(Crc32(0, nullptr, 0), 0u);
    const uint8_t iend[] = {'I', 'E', 'N', 'D'};
    EXPECT_EQ(Crc32(0, iend, 4), 0xAE426082u);
    std::vector<uint8_t> data(100000);
    for (size_t i = 0; i < data.size(); ++i) {
        data[i] = static_cast<uint8_t>(i * 7919 + (i >> 5));
    }
    const uint32_t whole = Crc32(0, data.data(), data.size());
    // Continuing over pieces gives the same result as one pass.
    EXPECT_EQ(Crc32(Crc32(0, data.data(), 12345), data.data() + 12345, data.size() - 12345), whole);
#ifndef _WIN32
    // Natively zlib's own routine is the reference; the Windows build uses this one in its place.
    EXPECT_EQ(whole, static_cast<uint32_t>(::crc32(0, data.data(), static_cast<uInt>(data.size()))));
#endif
}

} // namespace
