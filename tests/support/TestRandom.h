// A small deterministic random generator (xorshift), the same on every
// platform and standard library, for generated test inputs.
#pragma once

#include <cstddef>
#include <cstdint>

class CTestRandom {
public:
    explicit CTestRandom(std::uint32_t nSeed) : m_nState(nSeed ? nSeed : 0x9E3779B9u) {}
    std::uint32_t Next() {
        m_nState ^= m_nState << 13;
        m_nState ^= m_nState >> 17;
        m_nState ^= m_nState << 5;
        return m_nState;
    }
    std::uint32_t Below(std::uint32_t nLimit) { return Next() % nLimit; }
    bool OneIn(std::uint32_t n) { return Below(n) == 0; }
    std::uint8_t Byte(std::uint32_t nLimit = 256) { return static_cast<std::uint8_t>(Below(nLimit)); }

private:
    std::uint32_t m_nState;
};

// The CRC-16 of the file format computed bit by bit from its definition
// (generator 0x1021, preset 0xFFFF, most significant bit first, complemented),
// so that a fault in the engine's table-driven CRC cannot pass unnoticed.
inline std::uint16_t BitwiseCrc16(const std::uint8_t* pBytes, std::size_t nCount) {
    std::uint16_t nCrc = 0xFFFF;
    for (std::size_t i = 0; i < nCount; ++i) {
        nCrc = static_cast<std::uint16_t>(nCrc ^ (pBytes[i] << 8));
        for (int bit = 0; bit < 8; ++bit) {
            nCrc = static_cast<std::uint16_t>((nCrc & 0x8000) ? (nCrc << 1) ^ 0x1021 : nCrc << 1);
        }
    }
    return static_cast<std::uint16_t>(nCrc ^ 0xFFFF);
}
