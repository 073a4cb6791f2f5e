// Growable output byte sequence and the integer encodings every writer uses.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

// Output is built strictly by appending; values known only later (chunk sizes,
// CRCs) are written as placeholders and patched by offset. Offsets stay valid
// while the buffer grows, pointers would not, so writers keep offsets.
class ByteBuffer {
public:
    std::size_t Size() const { return m_vecBytes.size(); }
    bool Empty() const { return m_vecBytes.empty(); }
    const std::uint8_t* Data() const { return m_vecBytes.data(); }
    std::uint8_t& operator[](std::size_t nOffset) { return m_vecBytes[nOffset]; }
    std::uint8_t operator[](std::size_t nOffset) const { return m_vecBytes[nOffset]; }
    void Clear() { m_vecBytes.clear(); }
    void Swap(ByteBuffer& other) noexcept { m_vecBytes.swap(other.m_vecBytes); }
    void Reserve(std::size_t nBytes) { m_vecBytes.reserve(nBytes); }
    const std::vector<std::uint8_t>& Bytes() const { return m_vecBytes; }

    // Makes room for nCount more bytes and returns where they begin: hot
    // writers store through the pointer, with no check per byte, and end
    // the buffer with Commit.
    std::uint8_t* Extend(std::size_t nCount) {
        const std::size_t nSize = m_vecBytes.size();
        m_vecBytes.resize(nSize + nCount);
        return m_vecBytes.data() + nSize;
    }
    // Ends the buffer at pEnd, which lies in the room that Extend made.
    void Commit(const std::uint8_t* pEnd) { m_vecBytes.resize(static_cast<std::size_t>(pEnd - m_vecBytes.data())); }

    void Push(std::uint8_t byValue) { m_vecBytes.push_back(byValue); }
    void Push(const std::uint8_t* pBytes, std::size_t nCount) {
        m_vecBytes.insert(m_vecBytes.end(), pBytes, pBytes + nCount);
    }

private:
    std::vector<std::uint8_t> m_vecBytes;
};

// Largest value the variable-length quantity can hold (four 7-bit groups).
inline constexpr std::uint32_t kMaxVarLen = 0x0FFFFFFF;

// Inline: the writers append most of the output one byte at a time.
inline void AppendByte(ByteBuffer& buffer, std::uint8_t byValue) { buffer.Push(byValue); }
inline void AppendBytes(ByteBuffer& buffer, const std::uint8_t* pBytes, std::size_t nCount) {
    if (nCount != 0) {
        buffer.Push(pBytes, nCount);
    }
}
// Longest variable-length quantity.
inline constexpr std::size_t kMaxVarLenBytes = 4;

// Writes 1 to 4 bytes at p, most significant 7-bit group first,
// continuation bit 0x80 on all but the last, and returns the end. Callers
// keep value <= kMaxVarLen.
inline std::uint8_t* WriteVarLen(std::uint8_t* p, std::uint32_t nValue) {
    if (nValue < 0x80) {
        p[0] = static_cast<std::uint8_t>(nValue);
        return p + 1;
    }
    if (nValue < 0x4000) {
        p[0] = static_cast<std::uint8_t>(0x80 | (nValue >> 7));
        p[1] = static_cast<std::uint8_t>(nValue & 0x7F);
        return p + 2;
    }
    if (nValue < 0x200000) {
        p[0] = static_cast<std::uint8_t>(0x80 | (nValue >> 14));
        p[1] = static_cast<std::uint8_t>(0x80 | ((nValue >> 7) & 0x7F));
        p[2] = static_cast<std::uint8_t>(nValue & 0x7F);
        return p + 3;
    }
    p[0] = static_cast<std::uint8_t>(0x80 | ((nValue >> 21) & 0x7F));
    p[1] = static_cast<std::uint8_t>(0x80 | ((nValue >> 14) & 0x7F));
    p[2] = static_cast<std::uint8_t>(0x80 | ((nValue >> 7) & 0x7F));
    p[3] = static_cast<std::uint8_t>(nValue & 0x7F);
    return p + 4;
}

// Appends the variable-length quantity of WriteVarLen. Returns the buffer
// size after appending.
std::size_t AppendVarLen(ByteBuffer& buffer, std::uint32_t nValue);
void AppendBE32(ByteBuffer& buffer, std::uint32_t nValue);
// Overwrites the four existing bytes at nOffset, most significant first.
void PatchBE32(ByteBuffer& buffer, std::size_t nOffset, std::uint32_t nValue);
