// The master track "MSTR" with its tempo sequence.
#include <gtest/gtest.h>

#include "TestUtil.h"

using testutil::Bytes;
using testutil::Hex;

namespace {

Bytes SetupTempo(std::uint8_t byCode) { return {0xF0, 0x06, 0x43, 0x02, 0x80, 0x31, byCode, 0xF7}; }

TEST(MasterTrack, WorkedExample) {
    const Bytes tempo = SetupTempo(0x0F);
    CCnvLarkWrentoHeron cnv;
    cnv.m_byTimebaseD = 2;
    cnv.m_vecMasterEvents.push_back(testutil::Record(kKindTempo, tempo, 0));
    ByteBuffer out;
    EXPECT_EQ(cnv.WriteMasterTrack(out), 31);
    EXPECT_EQ(testutil::ToHex(out.Bytes()),
              "4D 53 54 52 00 00 00 17 01 00 02 00 4D 73 73 71 00 00 00 0B 00 FF 51 03 06 B4 71 00 FF 2F 00");
    EXPECT_EQ(cnv.m_nMasterChunkSize, 23u);
}

TEST(MasterTrack, TempoCodeFromTrackMessageAndDeltas) {
    // Track tempo messages are recorded with length 8: the code is byte 6.
    const Bytes slow = Hex("F0 06 43 01 80 31 00 F7");
    const Bytes fast = Hex("F0 06 43 01 80 31 FF F7");
    CCnvLarkWrentoHeron cnv;
    cnv.m_byTimebaseD = 0x13;
    cnv.m_vecMasterEvents.push_back(testutil::Record(kKindTempo, slow, 1, 0));
    cnv.m_vecMasterEvents.push_back(testutil::Record(kKindTempo, fast, 1, 480));
    cnv.m_vecMasterEvents.push_back(testutil::Record(kKindTempo, slow, 1, 480));
    ByteBuffer out;
    for (int i = 0; i < 3; ++i) AppendByte(out, 0);
    const std::int32_t nResult = cnv.WriteMasterTrack(out);
    EXPECT_EQ(nResult, static_cast<std::int32_t>(out.Size()));
    EXPECT_EQ(testutil::ToHex(testutil::Slice(out, 3, out.Size() - 3)),
              "4D 53 54 52 00 00 00 26 01 00 13 00 4D 73 73 71 00 00 00 1A "
              "00 FF 51 03 00 6B 47 "    // X = 0 at time 0
              "83 60 FF 51 03 6B 47 18 "  // X = 255 at 480: 7030552
              "00 FF 51 03 00 6B 47 "     // same time
              "00 FF 2F 00");
    EXPECT_EQ(cnv.m_nMasterChunkSize, 0x26u);
}

}  // namespace
