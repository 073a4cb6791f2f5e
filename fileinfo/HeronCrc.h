// The CRC-16 of the file format (generator 0x1021, preset 0xFFFF, most
// significant bit first, complemented), computed by the checker itself so
// that a fault in the converter's CRC cannot pass its check.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

namespace heron {

namespace crc_detail {
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
inline constexpr std::array<std::uint16_t, 256> kTable = MakeTable();
}  // namespace crc_detail

inline std::uint16_t FileCrc(const std::uint8_t* pBytes, std::size_t nCount) {
    std::uint16_t nCrc = 0xFFFF;
    for (std::size_t i = 0; i < nCount; ++i) {
        nCrc = static_cast<std::uint16_t>((nCrc << 8) ^ crc_detail::kTable[((nCrc >> 8) ^ pBytes[i]) & 0xFF]);
    }
    return static_cast<std::uint16_t>(nCrc ^ 0xFFFF);
}

}  // namespace heron
