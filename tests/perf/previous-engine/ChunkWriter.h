// Opening and closing output chunks: the size is appended as a placeholder
// when a chunk opens and patched with the body length when it closes.
#pragma once

#include <cstddef>
#include <cstdint>

#include "ByteBuffer.h"

namespace previous_engine {

class CChunkWriter {
public:
    // Appends the 4-byte ID and the size placeholder.
    CChunkWriter(ByteBuffer& out, const char* pId, std::uint8_t byLastIdByte)
        : m_out(out) {
        AppendBytes(out, reinterpret_cast<const std::uint8_t*>(pId), 3);
        AppendByte(out, byLastIdByte);
        m_nSizeField = out.Size();
        AppendBE32(out, 0);
        m_nBodyStart = out.Size();
    }
    CChunkWriter(ByteBuffer& out, const char* pId)
        : CChunkWriter(out, pId, static_cast<std::uint8_t>(pId[3])) {}

    // Patches the size field with the bytes appended since the chunk opened
    // and returns that body size.
    std::uint32_t Close() {
        const std::uint32_t nBody = static_cast<std::uint32_t>(m_out.Size() - m_nBodyStart);
        PatchBE32(m_out, m_nSizeField, nBody);
        return nBody;
    }

private:
    ByteBuffer& m_out;
    std::size_t m_nSizeField = 0;
    std::size_t m_nBodyStart = 0;
};

inline void AppendText(ByteBuffer& out, const char* pText, std::size_t nCount) {
    AppendBytes(out, reinterpret_cast<const std::uint8_t*>(pText), nCount);
}

}  // namespace previous_engine
