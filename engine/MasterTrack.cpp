// The master track "MSTR": one set-tempo event per source tempo message.
#include <cstring>

#include "ChunkWriter.h"
#include "CnvLarkWrentoHeron.h"

namespace {

// Quarter-note length in microseconds for tempo code X.
std::uint32_t TempoMicroseconds(std::uint8_t byCode) {
    return static_cast<std::uint32_t>(60000000.0 / (8739.0 / ((byCode + 1) * 4.0)));
}

}  // namespace

std::int32_t CCnvLarkWrentoHeron::WriteMasterTrack(ByteBuffer& out) {
    CChunkWriter master(out, "MSTR");
    AppendByte(out, 0x01);
    AppendByte(out, 0x00);
    AppendByte(out, m_byTimebaseD);
    AppendByte(out, 0x00);

    CChunkWriter sequence(out, "Mssq");
    // Room for every event at once: a delta time and six bytes each.
    static const std::uint8_t kEnd[] = {0x00, 0xFF, 0x2F, 0x00};
    std::uint8_t* p = out.Extend(m_vecMasterEvents.size() * (kMaxVarLenBytes + 6) + sizeof kEnd);
    std::uint32_t nLast = 0;
    for (const EventRecord& record : m_vecMasterEvents) {
        p = WriteTime(p, record.time - nLast);
        if (m_bTimeOverflow) {
            NoteTimeOverflow(ETimePlace::MasterDelta, record.time - nLast, record);
        }
        const std::uint32_t T = TempoMicroseconds(record.data[record.length - 2]);
        p[0] = 0xFF;
        p[1] = 0x51;
        p[2] = 0x03;
        p[3] = static_cast<std::uint8_t>(T >> 16);
        p[4] = static_cast<std::uint8_t>(T >> 8);
        p[5] = static_cast<std::uint8_t>(T);
        p += 6;
        nLast = record.time;
    }
    std::memcpy(p, kEnd, sizeof kEnd);
    out.Commit(p + sizeof kEnd);
    sequence.Close();

    m_nMasterChunkSize = master.Close();
    if (m_bTimeOverflow) {
        return kResultTimeOverflow;
    }
    return static_cast<std::int32_t>(out.Size());
}
