// Inputs that once made the converter fail under the fuzzer, kept with their
// bytes inline. Each runs through Convert as the fuzz target ran it; under
// the sanitizer build any out-of-bounds access fails the test, and each case
// also checks the result the input must give.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "ByteBuffer.h"
#include "CnvLarkWrentoHeron.h"
#include "Crc16.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

// What the framed fuzz target does to its bytes: magic, size field and CRC
// over everything but the last two bytes.
Bytes FrameLikeFuzzer(Bytes bytes) {
    std::memcpy(bytes.data(), "MMMD", 4);
    const auto nField = static_cast<std::uint32_t>(bytes.size() - 8);
    for (int i = 0; i < 4; ++i) {
        bytes[4 + i] = static_cast<std::uint8_t>(nField >> (24 - 8 * i));
    }
    const std::uint16_t nCrc = Crc16(bytes.data(), static_cast<std::int64_t>(bytes.size() - 2));
    bytes[bytes.size() - 2] = static_cast<std::uint8_t>(nCrc >> 8);
    bytes[bytes.size() - 1] = static_cast<std::uint8_t>(nCrc & 0xFF);
    return bytes;
}

std::int32_t ConvertExact(const Bytes& input, ByteBuffer& output) {
    CCnvLarkWrentoHeron converter;
    return converter.Convert(input.data(), static_cast<std::int32_t>(input.size()), output);
}

// 19 bytes: validation read the copy-status byte at offset 19, one byte past
// the input (heap-buffer-overflow).
TEST(FuzzRegression, NineteenByteInputIsReadWithinBounds) {
    const Bytes input = FrameLikeFuzzer({0x4d, 0x4d, 0x34, 0xe4, 0x15, 0x00, 0x00, 0x02, 0x12, 0x02,
                                         0x00, 0x00, 0x4d, 0x74, 0x73, 0x71, 0x00, 0x00, 0x01});
    ByteBuffer output;
    EXPECT_EQ(ConvertExact(input, output), 0);  // the chunk at offset 8 overruns the input
    EXPECT_TRUE(output.Empty());
}

// The same fault on inputs that convert: an 18- or 19-byte file has no
// copy-status byte, so the output carries 0xF8 (status 0 with the fixed bits),
// never a bit of whatever lies behind the input in memory.
TEST(FuzzRegression, ShortInputsWithoutCopyStatusByteGetF8) {
    for (std::size_t nSize : {std::size_t{18}, std::size_t{19}}) {
        SCOPED_TRACE(nSize);
        // One skipped chunk at offset 8 (empty for 18 bytes, one body byte for
        // 19); the free byte is chosen so that the CRC byte at offset 17,
        // which doubles as the content type, names format 0 or 1.
        const std::size_t nFree = nSize == 18 ? 11 : 16;
        bool bFound = false;
        for (int nValue = 0; nValue < 256 && !bFound; ++nValue) {
            Bytes file(nSize, 0x00);
            file[8] = 'X';
            file[9] = 'Y';
            file[10] = 'Z';
            file[15] = nSize == 18 ? 0 : 1;
            file[nFree] = static_cast<std::uint8_t>(nValue);
            file = FrameLikeFuzzer(file);
            if (file[17] > 0x2F) {
                continue;
            }
            bFound = true;
            // Pass the file inside a larger buffer whose next byte is 0xFF, so
            // a read of offset 19 would show in the output.
            Bytes padded = file;
            padded.push_back(0xFF);
            padded.push_back(0xFF);
            ByteBuffer output;
            CCnvLarkWrentoHeron converter;
            ASSERT_EQ(converter.Convert(padded.data(), static_cast<std::int32_t>(nSize), output), 1);
            ASSERT_GT(output.Size(), 20u);
            EXPECT_EQ(output[19], 0xF8);
        }
        EXPECT_TRUE(bFound);
    }
}

}  // namespace
