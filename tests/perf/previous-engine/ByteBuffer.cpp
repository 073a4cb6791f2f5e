#include "ByteBuffer.h"

#include <cassert>

namespace previous_engine {

std::size_t AppendVarLen(ByteBuffer& buffer, std::uint32_t nValue) {
    assert(nValue <= kMaxVarLen);
    std::uint32_t nAcc = nValue & 0x7F;
    nValue >>= 7;
    while (nValue != 0) {
        nAcc = (nAcc << 8) | 0x80 | (nValue & 0x7F);
        nValue >>= 7;
    }
    for (;;) {
        const std::uint8_t byLow = static_cast<std::uint8_t>(nAcc & 0xFF);
        buffer.Push(byLow);
        if ((byLow & 0x80) == 0) {
            break;
        }
        nAcc >>= 8;
    }
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

}  // namespace previous_engine
