// The optional-data chunk "OPDA": fixed records, master-track flag, start and
// stop points, CRC slot offsets.
#include <gtest/gtest.h>

#include "TestUtil.h"

using testutil::Bytes;
using testutil::Hex;

namespace {

const Bytes kTempoMessage = Hex("F0 06 43 02 80 31 0F F7");

TEST(OptionalData, Format0WithTempoExactBytes) {
    CCnvLarkWrentoHeron cnv;
    cnv.m_nFormat = 0;
    cnv.m_vecMasterEvents.push_back(testutil::Record(kKindTempo, kTempoMessage, 0));
    cnv.m_nStartPoint = 480;
    cnv.m_nStopPoint = 960;
    ByteBuffer out;
    EXPECT_EQ(cnv.WriteOptionalData(out), 1);
    EXPECT_EQ(testutil::ToHex(out.Bytes()),
              "4F 50 44 41 00 00 00 3C 44 63 68 FF 00 00 00 20 45 53 00 01 F8 52 46 00 03 01 00 01 41 30 00 06 5A "
              "51 31 30 00 00 41 32 00 06 5A 51 31 30 00 00 50 72 6F 05 00 00 00 0C 00 00 00 00 00 00 01 E0 00 00 "
              "03 C0");
    EXPECT_EQ(cnv.m_nTrackCrcPos, 36u);
    EXPECT_EQ(cnv.m_nContentsCrcPos, 46u);
    EXPECT_EQ(cnv.m_nOptionSize, 60u);
}

TEST(OptionalData, MasterFlagOnlyForFormat0WithTempo) {
    const struct {
        std::uint8_t byFormat;
        bool bTempo;
        std::uint8_t byFlag;
    } cases[] = {{0, true, 1}, {0, false, 0}, {1, true, 0}, {1, false, 0}};
    for (const auto& c : cases) {
        CCnvLarkWrentoHeron cnv;
        cnv.m_nFormat = c.byFormat;
        if (c.bTempo) {
            cnv.m_vecMasterEvents.push_back(testutil::Record(kKindTempo, kTempoMessage, 0));
        }
        ByteBuffer out;
        for (int i = 0; i < 21; ++i) AppendByte(out, 0);  // behind the file head, as in a conversion
        ASSERT_EQ(cnv.WriteOptionalData(out), 1);
        ASSERT_EQ(out.Size(), 21u + 68u);
        EXPECT_EQ(out[21 + 27], c.byFlag) << "format " << int(c.byFormat) << " tempo " << c.bTempo;
        EXPECT_EQ(cnv.m_nTrackCrcPos, 57u);
        EXPECT_EQ(cnv.m_nContentsCrcPos, 67u);
        // Slots are placeholders until the driver seals the file.
        EXPECT_EQ(testutil::Slice(out, 57, 2), Hex("00 00"));
        EXPECT_EQ(testutil::Slice(out, 67, 2), Hex("00 00"));
    }
}

}  // namespace
