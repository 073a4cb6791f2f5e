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

namespace {

// A CRC continued over a range through the range's own register and the
// zero-byte shift equals the CRC read straight through, for range lengths
// around every power of two the shift tables hold.
TEST(Crc16Reference, RangeRegisterContinuesALongerCrc) {
    perf::CRandom rng(7);
    std::vector<std::uint8_t> bytes(70000);
    for (auto& by : bytes) {
        by = rng.Byte();
    }
    std::vector<std::size_t> lengths = {0, 1, 2, 7, 8, 9, 65, 1000};
    for (std::size_t n = 16; n < 65536; n *= 2) {
        lengths.insert(lengths.end(), {n - 1, n, n + 1});
    }
    for (std::size_t nLength : lengths) {
        const std::size_t nStart = 1 + nLength % 97;
        ASSERT_LE(nStart + nLength + 5, bytes.size());
        const std::uint16_t nRange = Crc16Register(0xFFFF, bytes.data() + nStart, static_cast<std::int64_t>(nLength));
        std::uint16_t r = Crc16Register(0xFFFF, bytes.data(), static_cast<std::int64_t>(nStart));
        r = static_cast<std::uint16_t>(nRange ^ Crc16ZeroShift(r ^ 0xFFFF, nLength));
        r = Crc16Register(r, bytes.data() + nStart + nLength, 5);
        ASSERT_EQ(static_cast<std::uint16_t>(r ^ 0xFFFF), BitwiseCrc16(bytes.data(), nStart + nLength + 5))
            << "length " << nLength;
    }
    // Zero bytes shifted by the tables and read one by one agree.
    const std::vector<std::uint8_t> zeros(5000, 0);
    for (std::size_t nLength : {std::size_t{0}, std::size_t{3}, std::size_t{4097}}) {
        EXPECT_EQ(Crc16ZeroShift(0x1234, nLength), Crc16Register(0x1234, zeros.data(), static_cast<std::int64_t>(nLength)));
    }
}

}  // namespace
