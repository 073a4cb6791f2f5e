// The table-driven CRC-16 against the bit-by-bit definition (generator
// 0x1021, preset 0xFFFF, most significant bit first, complemented result) on
// every length around the eight-byte blocks and on every offset alignment.
#include <gtest/gtest.h>

#include <vector>

#include "Crc16.h"
#include "RandomInputs.h"
#include "TestRandom.h"

namespace {

TEST(Crc16Reference, MatchesBitwiseDefinitionOnAllLengthsAndAlignments) {
    perf::CRandom rng(99);
    std::vector<std::uint8_t> bytes(4200);
    for (auto& by : bytes) {
        by = rng.Byte();
    }
    for (std::size_t nOffset = 0; nOffset < 8; ++nOffset) {
        for (std::size_t nCount = 0; nCount <= 80; ++nCount) {
            ASSERT_EQ(Crc16(bytes.data() + nOffset, static_cast<std::int64_t>(nCount)),
                      BitwiseCrc16(bytes.data() + nOffset, nCount))
                << "offset " << nOffset << " count " << nCount;
        }
    }
    EXPECT_EQ(Crc16(bytes.data(), 4199), BitwiseCrc16(bytes.data(), 4199));
    const std::vector<std::uint8_t> ones(64, 0xFF);
    EXPECT_EQ(Crc16(ones.data(), 64), BitwiseCrc16(ones.data(), 64));
}

TEST(Crc16Reference, CheckValueAndEmptyInput) {
    const std::uint8_t kDigits[] = {'1', '2', '3', '4', '5', '6', '7', '8', '9'};
    EXPECT_EQ(Crc16(kDigits, 9), 0xD64E);
    EXPECT_EQ(Crc16(kDigits, 0), 0x0000);
    EXPECT_EQ(Crc16(kDigits, -5), 0x0000);
}

}  // namespace
