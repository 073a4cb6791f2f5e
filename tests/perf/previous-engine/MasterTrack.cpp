// The master track "MSTR": one set-tempo event per source tempo message.
#include "ChunkWriter.h"
#include "CnvLarkWrentoHeron.h"

namespace previous_engine {

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
    std::uint32_t nLast = 0;
    for (const EventRecord& record : m_vecMasterEvents) {
        AppendTime(out, record.time - nLast);
        if (m_bTimeOverflow) {
            NoteTimeOverflow(ETimePlace::MasterDelta, record.time - nLast, record);
        }
        const std::uint32_t T = TempoMicroseconds(record.data[record.length - 2]);
        const std::uint8_t kTempo[] = {0xFF, 0x51, 0x03, static_cast<std::uint8_t>(T >> 16),
                                       static_cast<std::uint8_t>(T >> 8), static_cast<std::uint8_t>(T)};
        AppendBytes(out, kTempo, sizeof kTempo);
        nLast = record.time;
    }
    static const std::uint8_t kEnd[] = {0x00, 0xFF, 0x2F, 0x00};
    AppendBytes(out, kEnd, sizeof kEnd);
    sequence.Close();

    m_nMasterChunkSize = master.Close();
    if (m_bTimeOverflow) {
        return kResultTimeOverflow;
    }
    return static_cast<std::int32_t>(out.Size());
}

}  // namespace previous_engine
