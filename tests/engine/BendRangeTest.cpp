// Bend-range pre-pass over the register writes of format-1 content.
#include <gtest/gtest.h>

#include <deque>

#include "TestUtil.h"

using testutil::Bytes;
using testutil::Record;
using testutil::RegisterWriteBytes;
using testutil::ToHex;

namespace {

struct CPrePass {
    CCnvLarkWrentoHeron cnv;
    std::deque<Bytes> store;  // keeps record bytes in place
    CPrePass() { cnv.m_nFormat = 1; }
    CPrePass& Reg(std::uint32_t nTime, std::uint8_t byRegister, std::uint8_t byValue) {
        store.push_back(RegisterWriteBytes(byRegister, byValue));
        cnv.m_vecEvents.push_back(Record(kKindRegisterWrite, store.back(), 1, nTime));
        return *this;
    }
    // F-number low write and key-on write of channel n at one time.
    CPrePass& KeyOn(std::uint32_t nTime, std::uint8_t n, int nFnum, int nBlock) {
        Reg(nTime, static_cast<std::uint8_t>(0xB0 + n), static_cast<std::uint8_t>(nFnum & 0xFF));
        return Reg(nTime, static_cast<std::uint8_t>(0xC0 + n), static_cast<std::uint8_t>(0x20 | (nBlock << 2) | (nFnum >> 8)));
    }
    std::string Run() {
        ByteBuffer out;
        cnv.PrepareBendRanges(out);
        for (int ch = 0; ch < 16; ++ch) {
            EXPECT_EQ(cnv.m_adBaseFreq[ch], 0.0) << "working state is left idle";
            EXPECT_EQ(cnv.m_awFnum[ch], 0);
            EXPECT_EQ(cnv.m_abyBlock[ch], 0);
        }
        return ToHex(out.Bytes());
    }
};

TEST(BendRanges, NoRegisterWritesNoControls) {
    CPrePass p;
    p.cnv.m_abyBendRange[4] = 9;  // reset by the pass
    p.cnv.m_anBendOverflow[4] = 1;
    const Bytes note = {0x25};
    p.cnv.m_vecEvents.push_back(Record(kKindNote, note, 1, 0, 10));
    EXPECT_EQ(p.Run(), "");
    for (int ch = 0; ch < 16; ++ch) {
        EXPECT_EQ(p.cnv.m_abyBendRange[ch], 2);
        EXPECT_EQ(p.cnv.m_anBendOverflow[ch], 0);
    }
}

TEST(BendRanges, TwoAndAHalfSemitonesFlagButKeepRange2) {
    CPrePass p;
    p.KeyOn(0, 3, 580, 4).Reg(10, 0xB3, 0x9E);  // F-number 670: about +2.49 semitones
    EXPECT_EQ(p.Run(), "00 33 0F 02");
    EXPECT_EQ(p.cnv.m_anBendOverflow[3], 1);
    EXPECT_EQ(p.cnv.m_abyBendRange[3], 2);
}

TEST(BendRanges, MinusThreePointTwoGivesRange4) {
    CPrePass p;
    p.KeyOn(0, 1, 580, 4).KeyOn(10, 1, 483, 4);  // about -3.18 semitones
    EXPECT_EQ(p.Run(), "00 31 0F 04");
    EXPECT_EQ(p.cnv.m_abyBendRange[1], 4);
}

TEST(BendRanges, ThirtySemitonesAreLimitedTo24) {
    CPrePass p;
    p.KeyOn(0, 0, 580, 4).KeyOn(10, 0, 820, 6);  // about +30 semitones
    EXPECT_EQ(p.Run(), "00 30 0F 18");
}

TEST(BendRanges, SeveralChannelsInAscendingOrder) {
    CPrePass p;
    p.KeyOn(0, 3, 580, 4).KeyOn(0, 1, 580, 4).Reg(10, 0xB3, 0x9E).KeyOn(20, 1, 483, 4).KeyOn(0, 9, 580, 4);
    EXPECT_EQ(p.Run(), "00 31 0F 04 00 33 0F 02");
}

TEST(BendRanges, FnumWriteAtTheTimeOfAKeyOnIsNotEvaluated) {
    CPrePass skipped;
    skipped.KeyOn(0, 0, 580, 4).Reg(10, 0xC0, 0x32).Reg(10, 0xB0, 0x00);
    EXPECT_EQ(skipped.Run(), "");
    CPrePass evaluated;  // the same F-number write without the key-on: -2.17 semitones
    evaluated.KeyOn(0, 0, 580, 4).Reg(10, 0xB0, 0x00);
    EXPECT_EQ(evaluated.Run(), "00 30 0F 02");
}

TEST(BendRanges, KeyOffStartsAFreshNote) {
    CPrePass p;
    p.KeyOn(0, 2, 580, 4).Reg(5, 0xC2, 0x12).KeyOn(10, 2, 820, 6);
    EXPECT_EQ(p.Run(), "");
}

TEST(BendRanges, RangeNeverShrinks) {
    CPrePass p;
    p.KeyOn(0, 5, 580, 4).KeyOn(10, 5, 820, 6).KeyOn(20, 5, 483, 4);
    EXPECT_EQ(p.Run(), "00 35 0F 18");
}

}  // namespace
