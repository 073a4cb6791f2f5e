#include "Crc16.h"

#include <cassert>

std::uint16_t Crc16(const std::uint8_t* pBytes, std::int64_t nCount) {
    std::uint16_t nCrc = 0xFFFF;
    for (std::int64_t i = 0; i < nCount; ++i) {
        nCrc = static_cast<std::uint16_t>((nCrc << 8) ^ Crc16Table[((nCrc >> 8) ^ pBytes[i]) & 0xFF]);
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
