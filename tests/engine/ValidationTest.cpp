// Input validation: every rejection rule, the content-type table and the
// copy status of the output.
#include <gtest/gtest.h>

#include "Crc16.h"
#include "TestUtil.h"

using testutil::Bytes;
using testutil::Hex;

namespace {

Bytes MinimalFile(std::uint8_t byContentType = 0x00, std::uint8_t byCopyStatus = 0x00) {
    vela::CContentsInfo info;
    info.byContentType = byContentType;
    info.byCopyStatus = byCopyStatus;
    return vela::CVelaFile().Add(vela::ContentsInfo(info)).ToBytes();
}

std::int32_t ConvertFile(const Bytes& file) {
    ByteBuffer out;
    const std::int32_t nResult = testutil::Convert(file, out);
    if (nResult != 1) {
        EXPECT_TRUE(out.Empty()) << "a rejected input must leave the output empty";
    }
    return nResult;
}

TEST(Validation, MinimalWellFormedFileIsAccepted) {
    EXPECT_EQ(ConvertFile(MinimalFile()), 1);
}

TEST(Validation, NullOrTinyInputIsRejected) {
    CCnvLarkWrentoHeron cnv;
    ByteBuffer out;
    EXPECT_EQ(cnv.Convert(nullptr, 100, out), 0);
    const Bytes file = MinimalFile();
    CCnvLarkWrentoHeron cnv8;
    EXPECT_EQ(cnv8.Convert(file.data(), 8, out), 0);
    CCnvLarkWrentoHeron cnvNegative;
    EXPECT_EQ(cnvNegative.Convert(file.data(), -1, out), 0);
    EXPECT_TRUE(out.Empty());
}

TEST(Validation, SeventeenByteFileIsRejectedEvenWhenSealed) {
    Bytes file = Hex("4D 4D 4D 44 00 00 00 09 43 4E 54 49 00 00 00 00 00");
    vela::FixSizeAndCrc(file);
    ASSERT_EQ(file.size(), 17u);
    EXPECT_EQ(ConvertFile(file), 0);
}

TEST(Validation, WrongMagicIsRejected) {
    Bytes file = MinimalFile();
    file[3] = 'd';
    vela::FixSizeAndCrc(file);
    EXPECT_EQ(ConvertFile(file), 0);
}

TEST(Validation, SizeFieldMustBeLengthMinusEight) {
    for (int nOffBy : {-1, 1}) {
        Bytes file = MinimalFile();
        file[7] = static_cast<std::uint8_t>(file[7] + nOffBy);
        const std::uint16_t nCrc = Crc16(file.data(), static_cast<std::int64_t>(file.size() - 2));
        file[file.size() - 2] = static_cast<std::uint8_t>(nCrc >> 8);
        file[file.size() - 1] = static_cast<std::uint8_t>(nCrc);
        EXPECT_EQ(ConvertFile(file), 0) << "size field off by " << nOffBy;
    }
}

TEST(Validation, WrongCrcIsRejected) {
    Bytes file = MinimalFile();
    file.back() ^= 0x01;
    EXPECT_EQ(ConvertFile(file), 0);
    file = MinimalFile();
    file[file.size() - 2] ^= 0x80;
    EXPECT_EQ(ConvertFile(file), 0);
}

// Format number of content type t, or -1 when t is not acceptable.
int ExpectedFormat(int t) {
    if (t == 0x00) return 0;
    if (t <= 0x2F) return 1;
    if (t >= 0x60) return -1;
    const int nLow = t & 0x0F;
    return nLow <= 1 ? nLow : -1;
}

TEST(Validation, ContentTypeTableForAllByteValues) {
    for (int t = 0; t < 256; ++t) {
        const Bytes file = MinimalFile(static_cast<std::uint8_t>(t));
        CCnvLarkWrentoHeron cnv;
        ByteBuffer out;
        const std::int32_t nResult = cnv.Convert(file.data(), static_cast<std::int32_t>(file.size()), out);
        const int nExpected = ExpectedFormat(t);
        if (nExpected < 0) {
            EXPECT_EQ(nResult, 0) << "content type " << t;
        } else {
            EXPECT_EQ(nResult, 1) << "content type " << t;
            EXPECT_EQ(cnv.m_nFormat, nExpected) << "content type " << t;
        }
    }
}

TEST(Validation, NamedContentTypes) {
    EXPECT_EQ(ExpectedFormat(0x10), 1);
    EXPECT_EQ(ExpectedFormat(0x21), 1);
    EXPECT_EQ(ExpectedFormat(0x30), 0);
    EXPECT_EQ(ExpectedFormat(0x51), 1);
    EXPECT_EQ(ExpectedFormat(0x32), -1);
    EXPECT_EQ(ExpectedFormat(0x60), -1);
}

TEST(Validation, ContentTypeIsReadAtOffset17WhateverTheFirstChunkIs) {
    // The chunk ID at offset 8 is not examined.
    const Bytes file = vela::CVelaFile().Add(vela::CChunk("XXXX").Raw({0x00, 0x31, 0x00, 0x00, 0x00})).ToBytes();
    CCnvLarkWrentoHeron cnv;
    ByteBuffer out;
    EXPECT_EQ(cnv.Convert(file.data(), static_cast<std::int32_t>(file.size()), out), 1);
    EXPECT_EQ(cnv.m_nFormat, 1);
}

TEST(Validation, CopyStatusGetsBitsF8AndHeadBytesAreFixed) {
    const struct {
        std::uint8_t byIn;
        std::uint8_t byOut;
    } cases[] = {{0x00, 0xF8}, {0x03, 0xFB}, {0xFF, 0xFF}, {0x05, 0xFD}};
    for (const auto& c : cases) {
        ByteBuffer out;
        ASSERT_EQ(testutil::Convert(MinimalFile(0x31, c.byIn), out), 1);
        EXPECT_EQ(testutil::Slice(out, 8, 13),
                  testutil::Join({Hex("43 4E 54 49 00 00 00 05 00 39 01"), Bytes{c.byOut, 0x00}}))
            << "copy status " << int(c.byIn);
    }
}

}  // namespace
