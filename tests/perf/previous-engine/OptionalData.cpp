// The optional-data chunk "OPDA": fixed records, the two CRC slots that the
// driver fills last, and the playback start and stop points.
#include "ChunkWriter.h"
#include "CnvLarkWrentoHeron.h"

namespace previous_engine {

std::int32_t CCnvLarkWrentoHeron::WriteOptionalData(ByteBuffer& out) {
    CChunkWriter opda(out, "OPDA");

    CChunkWriter dch(out, "Dch", 0xFF);
    static const std::uint8_t kEs[] = {'E', 'S', 0x00, 0x01, 0xF8};
    AppendBytes(out, kEs, sizeof kEs);
    const bool bMasterTrack = m_nFormat != 1 && !m_vecMasterEvents.empty();
    static const std::uint8_t kRf[] = {'R', 'F', 0x00, 0x03, 0x01, 0x00};
    AppendBytes(out, kRf, sizeof kRf);
    AppendByte(out, bMasterTrack ? 1 : 0);
    static const std::uint8_t kA0[] = {'A', '0', 0x00, 0x06, 'Z', 'Q', '1', '0', 0x00, 0x00};
    AppendBytes(out, kA0, sizeof kA0);
    m_nTrackCrcPos = static_cast<std::uint32_t>(out.Size() - 2);
    static const std::uint8_t kA2[] = {'A', '2', 0x00, 0x06, 'Z', 'Q', '1', '0', 0x00, 0x00};
    AppendBytes(out, kA2, sizeof kA2);
    m_nContentsCrcPos = static_cast<std::uint32_t>(out.Size() - 2);
    dch.Close();

    CChunkWriter pro(out, "Pro", 0x05);
    AppendBE32(out, 0);
    AppendBE32(out, m_nStartPoint);
    AppendBE32(out, m_nStopPoint);
    pro.Close();

    m_nOptionSize = opda.Close();
    return 1;
}

}  // namespace previous_engine
