// The single score track "MTR"+0x07 of the output: header with 32
// channel-status bytes, setup data, translated sequence and wave data.
#include "ChunkWriter.h"
#include "CnvLarkWrentoHeron.h"

namespace {

const std::uint8_t kDeviceSetupFormat0[] = {0xF0, 0x07, 0x43, 0x79, 0x08, 0x7F, 0x22, 0x12, 0xF7};
const std::uint8_t kDeviceSetupFormat1[] = {0xF0, 0x07, 0x43, 0x79, 0x08, 0x7F, 0x22, 0x00, 0xF7};
const std::uint8_t kSequenceStart[] = {0x00, 0xF0, 0x07, 0x43, 0x79, 0x08, 0x7F, 0x20, 0x7F, 0xF7};

std::uint32_t ReadBE32(const std::uint8_t* p) {
    return (std::uint32_t{p[0]} << 24) | (std::uint32_t{p[1]} << 16) | (std::uint32_t{p[2]} << 8) | p[3];
}

}  // namespace

std::uint8_t CCnvLarkWrentoHeron::ChannelStatusByte(int nChannel) const {
    const int nSourceChannels = m_nFormat == 0 ? 4 : 16;
    if (nChannel >= nSourceChannels) {
        return (m_nFormat == 1 && m_abChannelFlag[12] == 1) ? 0x04 : 0x00;
    }
    const std::uint8_t byPacked = m_awChannelStatus[nChannel / 4][(nChannel / 2) % 2];
    const std::uint8_t s = (nChannel % 2 == 0) ? (byPacked >> 4) : (byPacked & 0x0F);
    std::uint8_t byStatus = (s & 0x08) ? 0x80 : 0x40;
    byStatus |= (s & 0x04) << 3;
    const bool bFlag = m_nFormat == 0 || (nChannel < 12 && m_abChannelFlag[nChannel] == 1);
    if (bFlag) {
        byStatus |= 0x04;
    }
    byStatus |= s & 0x03;
    return byStatus;
}

std::int32_t CCnvLarkWrentoHeron::WriteScoreTrack(ByteBuffer& out) {
    m_nTrackChunkStart = static_cast<std::uint32_t>(out.Size());
    CChunkWriter track(out, "MTR", 0x07);
    AppendByte(out, 0x03);
    AppendByte(out, 0x00);
    AppendByte(out, m_byTimebaseD);
    AppendByte(out, m_byTimebaseG);
    for (int ch = 0; ch < 32; ++ch) {
        AppendByte(out, ChannelStatusByte(ch));
    }

    CChunkWriter setup(out, "Mtsu");
    if (m_nFormat == 0) {
        AppendBytes(out, kDeviceSetupFormat0, sizeof kDeviceSetupFormat0);
    } else {
        AppendBytes(out, kDeviceSetupFormat1, sizeof kDeviceSetupFormat1);
    }
    BuildEventIndexes();
    for (const EventRecord* pRecord : m_vecSetupVoices) {
        if (m_nFormat == 0) {
            WriteVoiceFormat0(*pRecord, m_anVoiceMap, out);
        } else {
            WriteVoiceFormat1(*pRecord, m_anVoiceMap, out);
        }
    }
    setup.Close();

    CChunkWriter sequence(out, "Mtsq");
    AppendBytes(out, kSequenceStart, sizeof kSequenceStart);
    if (m_nFormat == 1) {
        PrepareBendRanges(out);
    }
    TranslateSequence(out);
    sequence.Close();

    if (!m_vecWaveChunks.empty()) {
        CChunkWriter waves(out, "Mtsp");
        const bool bHighRate = (m_awChannelStatus[4][0] & 0x0F) != 0;
        for (const EventRecord& wave : m_vecWaveChunks) {
            const std::uint8_t byNumber = wave.data[3];
            if (byNumber > 32) {
                continue;
            }
            const std::uint32_t nLength = ReadBE32(wave.data + 4);
            AppendText(out, "Mwa", 3);
            AppendByte(out, byNumber);
            AppendBE32(out, nLength + 3);
            AppendByte(out, 0x20);
            AppendByte(out, bHighRate ? 0x1F : 0x0F);
            AppendByte(out, bHighRate ? 0x40 : 0xA0);
            AppendBytes(out, wave.data + 8, nLength);
        }
        waves.Close();
    }

    m_nTrackChunkSize = track.Close();
    return m_bTimeOverflow ? kResultTimeOverflow : 1;
}
