// Bounds-checked access to the untrusted input bytes. Every position the
// analysis takes from the file (chunk sizes, message lengths) goes through
// here before a byte is read, so nothing is read outside the input.
#pragma once

#include <cstddef>
#include <cstdint>

namespace previous_engine {

class CInputReader {
public:
    CInputReader(const std::uint8_t* pBytes, std::size_t nSize) : m_pBytes(pBytes), m_nSize(nSize) {}

    std::size_t Size() const { return m_nSize; }
    const std::uint8_t* At(std::size_t nPos) const { return m_pBytes + nPos; }

    // True when the nCount bytes at nPos lie wholly inside the input.
    bool Has(std::size_t nPos, std::uint64_t nCount) const {
        return nPos <= m_nSize && nCount <= m_nSize - nPos;
    }
    bool ReadByte(std::size_t nPos, std::uint8_t& byOut) const {
        if (!Has(nPos, 1)) {
            return false;
        }
        byOut = m_pBytes[nPos];
        return true;
    }
    bool ReadBE32(std::size_t nPos, std::uint32_t& nOut) const {
        if (!Has(nPos, 4)) {
            return false;
        }
        const std::uint8_t* p = m_pBytes + nPos;
        nOut = (std::uint32_t{p[0]} << 24) | (std::uint32_t{p[1]} << 16) | (std::uint32_t{p[2]} << 8) | p[3];
        return true;
    }
    // Compares the nCount bytes at nPos with pText; false when they lie
    // (partly) outside the input.
    bool Matches(std::size_t nPos, const char* pText, std::size_t nCount) const {
        if (!Has(nPos, nCount)) {
            return false;
        }
        for (std::size_t i = 0; i < nCount; ++i) {
            if (m_pBytes[nPos + i] != static_cast<std::uint8_t>(pText[i])) {
                return false;
            }
        }
        return true;
    }

private:
    const std::uint8_t* m_pBytes;
    std::size_t m_nSize;
};

}  // namespace previous_engine
