#include "ByteBuffer.h"

#include <cassert>

std::size_t AppendVarLen(ByteBuffer& buffer, std::uint32_t nValue) {
    assert(nValue <= kMaxVarLen);
    buffer.Commit(WriteVarLen(buffer.Extend(kMaxVarLenBytes), nValue));
    return buffer.Size();
}

void AppendBE32(ByteBuffer& buffer, std::uint32_t nValue) {
    AppendByte(buffer, static_cast<std::uint8_t>(nValue >> 24));
    AppendByte(buffer, static_cast<std::uint8_t>(nValue >> 16));
    AppendByte(buffer, static_cast<std::uint8_t>(nValue >> 8));
    AppendByte(buffer, static_cast<std::uint8_t>(nValue));
}

void PatchBE32(ByteBuffer& buffer, std::size_t nOffset, std::uint32_t nValue) {
    assert(nOffset + 4 <= buffer.Size());
    buffer[nOffset] = static_cast<std::uint8_t>(nValue >> 24);
    buffer[nOffset + 1] = static_cast<std::uint8_t>(nValue >> 16);
    buffer[nOffset + 2] = static_cast<std::uint8_t>(nValue >> 8);
    buffer[nOffset + 3] = static_cast<std::uint8_t>(nValue);
}
