// CRC-16 that validates input files and seals output files: generator 0x1021,
// preset 0xFFFF, most significant bit first, result complemented.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

#include "ByteBuffer.h"

namespace crc16_detail {
constexpr std::array<std::uint16_t, 256> MakeTable() {
    std::array<std::uint16_t, 256> table{};
    for (unsigned i = 0; i < 256; ++i) {
        unsigned r = i << 8;
        for (int bit = 0; bit < 8; ++bit) {
            r = (r & 0x8000) ? ((r << 1) ^ 0x1021) & 0xFFFF : (r << 1) & 0xFFFF;
        }
        table[i] = static_cast<std::uint16_t>(r);
    }
    return table;
}
}  // namespace crc16_detail

// Built at compile time: read-only, so any number of threads may share it.
inline constexpr std::array<std::uint16_t, 256> Crc16Table = crc16_detail::MakeTable();

// CRC of nCount bytes; nCount <= 0 means no bytes (result 0x0000).
std::uint16_t Crc16(const std::uint8_t* pBytes, std::int64_t nCount);

// The CRC register before its final complement: Crc16 is
// Crc16Register(0xFFFF, bytes) ^ 0xFFFF. Continues from nRegister.
std::uint16_t Crc16Register(std::uint16_t nRegister, const std::uint8_t* pBytes, std::int64_t nCount);
// The register after nCount zero bytes. The register is linear in its start
// value, so the register after a run of bytes from start value s is the
// register from 0xFFFF XOR Crc16ZeroShift(s ^ 0xFFFF, length): a CRC of a
// range already known continues a longer CRC without reading the range.
std::uint16_t Crc16ZeroShift(std::uint16_t nRegister, std::uint64_t nCount);
// Writes the CRC of buffer[nStart .. nStart+nCount-1] to buffer[nSlot] (high
// byte) and buffer[nSlot+1] (low byte).
void StoreCrc16(ByteBuffer& buffer, std::size_t nStart, std::int64_t nCount, std::size_t nSlot);
