// The score track chunk "MTR" + 0x07: header, channel-status bytes, setup
// body, sequence start and wave chunks.
#include <gtest/gtest.h>

#include "TestUtil.h"

using testutil::Bytes;
using testutil::Hex;
using testutil::Join;
using testutil::Repeat;

namespace {

// Channel-status bytes (track offsets 12..43) of a score track written from
// an empty event list.
Bytes ChannelStatusBytes(CCnvLarkWrentoHeron& cnv) {
    ByteBuffer out;
    EXPECT_EQ(cnv.WriteScoreTrack(out), 1);
    return testutil::Slice(out, 12, 32);
}

TEST(ScoreTrack, WorkedExampleWithWaveChunks) {
    const Bytes wave3 = Hex("41 77 61 03 00 00 00 04 AA BB CC DD");
    const Bytes wave40 = Hex("41 77 61 28 00 00 00 02 11 22");
    const Bytes wave7 = Hex("41 77 61 07 00 00 00 01 EE");
    CCnvLarkWrentoHeron cnv;
    cnv.m_nFormat = 1;
    cnv.m_byTimebaseD = 2;
    cnv.m_byTimebaseG = 2;
    cnv.m_awChannelStatus[4][0] = 0x01;
    for (const Bytes* pWave : {&wave3, &wave40, &wave7}) {
        cnv.m_vecWaveChunks.push_back(testutil::Record(kKindWaveData, *pWave, 5));
    }
    ByteBuffer out;
    for (int i = 0; i < 5; ++i) AppendByte(out, 0xEE);  // the chunk starts behind earlier output
    ASSERT_EQ(cnv.WriteScoreTrack(out), 1);
    const Bytes expected = Join({
        Hex("4D 54 52 07 00 00 00 6A 03 00 02 02"), Repeat(0x40, 16), Repeat(0x00, 16),
        Hex("4D 74 73 75 00 00 00 09 F0 07 43 79 08 7F 22 00 F7"),
        Hex("4D 74 73 71 00 00 00 0A 00 F0 07 43 79 08 7F 20 7F F7"),
        Hex("4D 74 73 70 00 00 00 1B"),
        Hex("4D 77 61 03 00 00 00 07 20 1F 40 AA BB CC DD"),
        Hex("4D 77 61 07 00 00 00 04 20 1F 40 EE"),
    });
    ASSERT_EQ(expected.size(), 114u);
    EXPECT_EQ(testutil::ToHex(testutil::Slice(out, 5, out.Size() - 5)), testutil::ToHex(expected));
    EXPECT_EQ(cnv.m_nTrackChunkStart, 5u);
    EXPECT_EQ(cnv.m_nTrackChunkSize, 106u);
}

TEST(ScoreTrack, RateWordUsesOnlyTheLowNibbleOfTheWaveType) {
    const Bytes wave = Hex("41 77 61 01 00 00 00 01 55");
    for (const auto& [byType, pszRate] : std::vector<std::pair<std::uint8_t, const char*>>{
             {0x10, "0F A0"}, {0x00, "0F A0"}, {0x01, "1F 40"}, {0xF2, "1F 40"}}) {
        CCnvLarkWrentoHeron cnv;
        cnv.m_nFormat = 1;
        cnv.m_awChannelStatus[4][0] = byType;
        cnv.m_vecWaveChunks.push_back(testutil::Record(kKindWaveData, wave, 5));
        ByteBuffer out;
        ASSERT_EQ(cnv.WriteScoreTrack(out), 1);
        EXPECT_EQ(testutil::Slice(out, out.Size() - 3, 2), Hex(pszRate)) << "wave type " << int(byType);
    }
}

TEST(ScoreTrack, OnlyHighNumberedWavesGiveAnEmptyWaveChunk) {
    const Bytes wave = Hex("41 77 61 21 00 00 00 01 55");  // wave 33
    CCnvLarkWrentoHeron cnv;
    cnv.m_nFormat = 1;
    cnv.m_vecWaveChunks.push_back(testutil::Record(kKindWaveData, wave, 5));
    ByteBuffer out;
    ASSERT_EQ(cnv.WriteScoreTrack(out), 1);
    EXPECT_EQ(testutil::Slice(out, out.Size() - 8, 8), Hex("4D 74 73 70 00 00 00 00"));
    EXPECT_EQ(cnv.m_nTrackChunkSize, out.Size() - 8);
}

TEST(ScoreTrack, Format0ChannelStatusAndDeviceSetup) {
    CCnvLarkWrentoHeron cnv;
    cnv.m_nFormat = 0;
    cnv.m_awChannelStatus[0][0] = 0xF0;
    cnv.m_awChannelStatus[0][1] = 0x5A;
    cnv.m_awChannelStatus[1][0] = 0xFF;  // other pairs are not used by format 0
    ByteBuffer out;
    ASSERT_EQ(cnv.WriteScoreTrack(out), 1);
    EXPECT_EQ(testutil::Slice(out, 12, 32), Join({Hex("A7 44 65 86"), Repeat(0x00, 28)}));
    // No voice definitions: the setup body holds only the device setup message.
    EXPECT_EQ(testutil::Slice(out, 44, 17), Hex("4D 74 73 75 00 00 00 09 F0 07 43 79 08 7F 22 12 F7"));
    EXPECT_EQ(testutil::Slice(out, 61, 18), Hex("4D 74 73 71 00 00 00 0A 00 F0 07 43 79 08 7F 20 7F F7"));
    EXPECT_EQ(out.Size(), 79u) << "no wave chunk without waves";
}

TEST(ScoreTrack, Format1ChannelStatusWithFlags) {
    CCnvLarkWrentoHeron cnv;
    cnv.m_nFormat = 1;
    const std::uint8_t abyStatus[8] = {0xF0, 0x5A, 0x12, 0x34, 0x56, 0x78, 0x9A, 0xBC};
    for (int i = 0; i < 8; ++i) cnv.m_awChannelStatus[i / 2][i % 2] = abyStatus[i];
    for (int flag : {0, 5, 11, 12}) cnv.m_abChannelFlag[flag] = 1;
    EXPECT_EQ(testutil::ToHex(ChannelStatusBytes(cnv)),
              testutil::ToHex(Join({Hex("A7 40 61 82 41 46 43 60 61 62 63 84 81 82 83 A0"), Repeat(0x04, 16)})));
}

TEST(ScoreTrack, Format1FlagsNeverReachChannels12To15) {
    CCnvLarkWrentoHeron cnv;
    cnv.m_nFormat = 1;
    for (auto& flag : cnv.m_abChannelFlag) flag = 1;
    EXPECT_EQ(ChannelStatusBytes(cnv), Join({Repeat(0x44, 12), Repeat(0x40, 4), Repeat(0x04, 16)}));

    CCnvLarkWrentoHeron plain;
    plain.m_nFormat = 1;
    for (auto& pair : plain.m_awChannelStatus) pair[0] = pair[1] = 0xFF;
    EXPECT_EQ(ChannelStatusBytes(plain), Join({Repeat(0xA3, 16), Repeat(0x00, 16)}));
}

}  // namespace
