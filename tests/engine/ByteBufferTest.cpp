// Byte buffer primitives, the variable-length quantity and the CRC-16.
#include <gtest/gtest.h>

#include <cstring>
#include <random>

#include "ByteBuffer.h"
#include "Crc16.h"
#include "TestUtil.h"

using testutil::Bytes;
using testutil::Hex;

namespace {

struct VarLenCase {
    std::uint32_t nValue;
    const char* pszBytes;
};

void PrintTo(const VarLenCase& c, std::ostream* os) { *os << c.nValue << " -> " << c.pszBytes; }

class VarLenTable : public ::testing::TestWithParam<VarLenCase> {};

TEST_P(VarLenTable, AppendsSevenBitGroupsMostSignificantFirst) {
    ByteBuffer buffer;
    AppendByte(buffer, 0xAA);  // appends after what is there
    const std::size_t nSize = AppendVarLen(buffer, GetParam().nValue);
    Bytes expected = Hex(GetParam().pszBytes);
    expected.insert(expected.begin(), 0xAA);
    EXPECT_EQ(buffer.Bytes(), expected);
    EXPECT_EQ(nSize, buffer.Size());
}

INSTANTIATE_TEST_SUITE_P(Values, VarLenTable,
                         ::testing::Values(VarLenCase{0, "00"}, VarLenCase{0x7F, "7F"}, VarLenCase{0x80, "81 00"},
                                           VarLenCase{0x3FFF, "FF 7F"}, VarLenCase{0x4000, "81 80 00"},
                                           VarLenCase{0x1FFFFF, "FF FF 7F"}, VarLenCase{0x200000, "81 80 80 00"},
                                           VarLenCase{0x0FFFFFFF, "FF FF FF 7F"}, VarLenCase{96, "60"},
                                           VarLenCase{480, "83 60"}),
                         [](const ::testing::TestParamInfo<VarLenCase>& info) {
                             return "Value" + std::to_string(info.param.nValue);
                         });

TEST(ByteBuffer, AppendBytesKeepsOrderAndZeroCountAddsNothing) {
    ByteBuffer buffer;
    const std::uint8_t abyData[] = {1, 2, 3};
    AppendBytes(buffer, abyData, 3);
    AppendBytes(buffer, abyData, 0);
    EXPECT_EQ(buffer.Bytes(), Hex("01 02 03"));
}

TEST(ByteBuffer, AppendBE32IsMostSignificantFirst) {
    ByteBuffer buffer;
    AppendBE32(buffer, 0x12345678);
    EXPECT_EQ(buffer.Bytes(), Hex("12 34 56 78"));
}

TEST(ByteBuffer, PatchBE32OverwritesOnlyItsFourBytes) {
    ByteBuffer buffer;
    for (int i = 0; i < 10; ++i) {
        AppendByte(buffer, 0xEE);
    }
    PatchBE32(buffer, 4, 0x00000105);
    EXPECT_EQ(buffer.Bytes(), Hex("EE EE EE EE 00 00 01 05 EE EE"));
}

TEST(Crc16, CheckValueAndEmptyInput) {
    const char* pszCheck = "123456789";
    EXPECT_EQ(Crc16(reinterpret_cast<const std::uint8_t*>(pszCheck), 9), 0xD64E);
    EXPECT_EQ(Crc16(reinterpret_cast<const std::uint8_t*>(pszCheck), 0), 0x0000);
    EXPECT_EQ(Crc16(reinterpret_cast<const std::uint8_t*>(pszCheck), -3), 0x0000);
    EXPECT_EQ(Crc16(nullptr, 0), 0x0000);
}

TEST(Crc16, TableMatchesTheGenerator) {
    EXPECT_EQ(Crc16Table[0], 0x0000);
    EXPECT_EQ(Crc16Table[1], 0x1021);
    for (unsigned i = 0; i < 256; ++i) {
        unsigned r = i << 8;
        for (int bit = 0; bit < 8; ++bit) {
            r = ((r & 0x8000) ? (r << 1) ^ 0x1021 : r << 1) & 0xFFFF;
        }
        ASSERT_EQ(Crc16Table[i], r) << "entry " << i;
    }
}

// Bitwise reference, one generator step per bit.
std::uint16_t ReferenceCrc(const Bytes& bytes) {
    std::uint16_t crc = 0xFFFF;
    for (std::uint8_t by : bytes) {
        crc = static_cast<std::uint16_t>(crc ^ (by << 8));
        for (int i = 0; i < 8; ++i) {
            crc = static_cast<std::uint16_t>((crc & 0x8000) ? (crc << 1) ^ 0x1021 : crc << 1);
        }
    }
    return static_cast<std::uint16_t>(~crc);
}

TEST(Crc16, AgreesWithBitwiseReferenceOnRandomData) {
    std::mt19937 rng(12345);
    for (int n = 0; n < 300; n += 7) {
        Bytes bytes(static_cast<std::size_t>(n));
        for (auto& by : bytes) {
            by = static_cast<std::uint8_t>(rng());
        }
        EXPECT_EQ(Crc16(bytes.data(), n), ReferenceCrc(bytes)) << "length " << n;
    }
}

TEST(Crc16, StoreWritesHighByteAtSlotAndLeavesOtherBytes) {
    ByteBuffer buffer;
    for (std::uint8_t by : Hex("31 32 33 34 35 36 37 38 39 AA BB CC")) {
        AppendByte(buffer, by);
    }
    StoreCrc16(buffer, 0, 9, 10);
    EXPECT_EQ(buffer.Bytes(), Hex("31 32 33 34 35 36 37 38 39 AA D6 4E"));
    StoreCrc16(buffer, 0, 0, 0);  // empty range: CRC 0000
    EXPECT_EQ(buffer.Bytes(), Hex("00 00 33 34 35 36 37 38 39 AA D6 4E"));
}

}  // namespace
