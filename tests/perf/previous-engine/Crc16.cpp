#include "Crc16.h"

#include <array>
#include <cassert>

namespace previous_engine {

namespace {

// Slicing tables: entry k of byte b is the CRC register contribution of b
// followed by k zero bytes, so eight bytes fold into the register with eight
// independent lookups instead of a chain of eight dependent ones. Table 0 is
// Crc16Table itself. The result is the same as the byte-at-a-time loop; the
// CRC runs over every input and output byte (four passes per conversion), so
// it was the largest single cost of converting a small file.
constexpr std::array<std::array<std::uint16_t, 256>, 8> MakeSliceTables() {
    std::array<std::array<std::uint16_t, 256>, 8> tables{};
    for (unsigned i = 0; i < 256; ++i) {
        tables[0][i] = Crc16Table[i];
    }
    for (std::size_t k = 1; k < 8; ++k) {
        for (unsigned i = 0; i < 256; ++i) {
            const std::uint16_t v = tables[k - 1][i];
            tables[k][i] = static_cast<std::uint16_t>((v << 8) ^ Crc16Table[v >> 8]);
        }
    }
    return tables;
}

constexpr std::array<std::array<std::uint16_t, 256>, 8> kSlices = MakeSliceTables();

}  // namespace

std::uint16_t Crc16(const std::uint8_t* pBytes, std::int64_t nCount) {
    std::uint16_t nCrc = 0xFFFF;
    for (; nCount >= 8; nCount -= 8, pBytes += 8) {
        // The 16-bit register only reaches the first two bytes of the block.
        const std::uint8_t by0 = static_cast<std::uint8_t>(pBytes[0] ^ (nCrc >> 8));
        const std::uint8_t by1 = static_cast<std::uint8_t>(pBytes[1] ^ (nCrc & 0xFF));
        nCrc = static_cast<std::uint16_t>(kSlices[7][by0] ^ kSlices[6][by1] ^ kSlices[5][pBytes[2]] ^
                                          kSlices[4][pBytes[3]] ^ kSlices[3][pBytes[4]] ^ kSlices[2][pBytes[5]] ^
                                          kSlices[1][pBytes[6]] ^ kSlices[0][pBytes[7]]);
    }
    for (; nCount > 0; --nCount, ++pBytes) {
        nCrc = static_cast<std::uint16_t>((nCrc << 8) ^ Crc16Table[((nCrc >> 8) ^ *pBytes) & 0xFF]);
    }
    return static_cast<std::uint16_t>(nCrc ^ 0xFFFF);
}

void StoreCrc16(ByteBuffer& buffer, std::size_t nStart, std::int64_t nCount, std::size_t nSlot) {
    assert(nSlot + 2 <= buffer.Size());
    assert(nCount <= 0 || nStart + static_cast<std::size_t>(nCount) <= buffer.Size());
    const std::uint16_t nCrc = Crc16(buffer.Data() + nStart, nCount);
    buffer[nSlot] = static_cast<std::uint8_t>(nCrc >> 8);
    buffer[nSlot + 1] = static_cast<std::uint8_t>(nCrc & 0xFF);
}

}  // namespace previous_engine
