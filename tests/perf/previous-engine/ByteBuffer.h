// Growable output byte sequence and the integer encodings every writer uses.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace previous_engine {

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
// Appends 1 to 4 bytes, most significant 7-bit group first, continuation bit
// 0x80 on all but the last. Callers keep value <= kMaxVarLen. Returns the
// buffer size after appending.
std::size_t AppendVarLen(ByteBuffer& buffer, std::uint32_t nValue);
void AppendBE32(ByteBuffer& buffer, std::uint32_t nValue);
// Overwrites the four existing bytes at nOffset, most significant first.
void PatchBE32(ByteBuffer& buffer, std::size_t nOffset, std::uint32_t nValue);

}  // namespace previous_engine
