// OutputChannel, the channel rule readers use, against the channel the
// translation writes, for every kind with a source channel, every track and
// both formats.
#include <gtest/gtest.h>

#include "EventChannel.h"
#include "TestUtil.h"

using testutil::Bytes;

TEST(EventChannel, MatchesTheTranslation) {
    const struct {
        std::uint8_t byKind;
        std::uint8_t byCode;  // second byte of a 00-prefixed control, without the channel
    } kinds[] = {
        {kKindNote, 0},           {kKindBankSelect, 0x31}, {kKindProgramChange, 0x30}, {kKindPitchBend, 0x34},
        {kKindPanpot, 0x3A},      {kKindVolume, 0x37},     {kKindModulation, 0x33},    {kKindExpression, 0x3B},
    };
    int nCompared = 0;
    for (std::uint8_t byFormat : {0, 1}) {
        for (std::uint8_t byTrack = byFormat == 1 ? 1 : 0; byTrack <= 5; ++byTrack) {  // format 1 reads no track 0
            for (const auto& kind : kinds) {
                for (std::uint8_t bySource = 0; bySource < 4; ++bySource) {
                    const Bytes data = kind.byKind == kKindNote
                                           ? Bytes{static_cast<std::uint8_t>((bySource << 6) | 0x25)}
                                           : Bytes{0x00, static_cast<std::uint8_t>((bySource << 6) | kind.byCode), 0x40};
                    const EventRecord record = testutil::Record(kind.byKind, data, byTrack, 0, 10);
                    CCnvLarkWrentoHeron cnv;
                    cnv.m_nFormat = byFormat;
                    ByteBuffer out;
                    if (cnv.TranslateEvent(record, out, 0) != 1) {
                        continue;  // audio-track controls of format 1 are left out
                    }
                    ASSERT_GE(out.Size(), 2u);
                    EXPECT_EQ(out[1] & 0x0F, OutputChannel(record, byFormat))
                        << "format " << int(byFormat) << " track " << int(byTrack) << " kind " << int(kind.byKind)
                        << " source channel " << int(bySource);
                    ++nCompared;
                }
            }
        }
    }
    EXPECT_GT(nCompared, 300);
}
