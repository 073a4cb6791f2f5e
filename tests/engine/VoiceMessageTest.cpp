// Voice messages re-encoded from setup voice definitions of both formats.
#include <gtest/gtest.h>

#include "TestUtil.h"

using testutil::Bytes;
using testutil::Hex;

namespace {

std::vector<std::int32_t> VoiceMap(int nSlot, std::int32_t nVoice) {
    std::vector<std::int32_t> map(16, -1);
    map[static_cast<std::size_t>(nSlot)] = nVoice;
    return map;
}

Bytes WriteVoice(int nFormat, const Bytes& source, const std::vector<std::int32_t>& map) {
    CCnvLarkWrentoHeron cnv;
    cnv.m_nFormat = static_cast<std::uint8_t>(nFormat);
    const EventRecord record = testutil::Record(kKindSetupVoice, source, 0);
    ByteBuffer out;
    if (nFormat == 0) {
        EXPECT_EQ(cnv.WriteVoiceFormat0(record, map.data(), out), 1);
    } else {
        cnv.WriteVoiceFormat1(record, map.data(), out);
    }
    return out.Bytes();
}

TEST(VoiceMessage, Format0Example) {
    const Bytes source = Hex("F0 13 43 02 01 00 05 F1 8A 5B 6C 7D 1E 2F 3C 4D B7 D2 E9 4A F7");
    EXPECT_EQ(testutil::ToHex(WriteVoice(0, source, VoiceMap(1, 0x31))),
              "F0 23 43 79 08 7F 21 7C 02 31 00 00 00 00 79 C0 00 74 9B 1C 00 00 0D 00 00 C0 00 49 8F 10 05 00 0D 00 "
              "00 20 F7");
}

TEST(VoiceMessage, Format1TwoBlockExample) {
    const Bytes source = Hex("F0 12 43 03 00 00 01 39 02 E2 5F 10 20 C8 B4 A5 96 87 41 F7");
    EXPECT_EQ(testutil::ToHex(WriteVoice(1, source, VoiceMap(0, 0x30))),
              "F0 23 43 79 08 7F 21 7C 02 30 00 00 00 00 7A 01 50 4F 10 20 16 00 07 00 00 F0 00 A5 96 87 02 00 08 00 "
              "00 A0 F7");
}

TEST(VoiceMessage, Format1FourBlockExample) {
    const Bytes source =
        Hex("F0 1C 43 03 02 00 01 2A 05 17 3C 42 5A 63 8E A1 B2 C3 D4 E6 12 34 56 78 C9 21 43 65 87 F7");
    EXPECT_EQ(testutil::ToHex(WriteVoice(1, source, VoiceMap(2, 0x32))),
              "F0 37 43 79 08 7F 21 7C 02 32 00 00 00 00 79 02 01 4C 42 5A 42 00 1D 00 00 10 00 41 B2 C3 27 00 20 00 "
              "00 80 00 42 34 56 72 00 00 00 00 F0 21 21 43 65 05 00 38 00 00 C0 F7");
}

TEST(VoiceMessage, ConnectionNumberSelectsTwoOrFourBlocks) {
    for (std::uint8_t byConnection = 0; byConnection < 8; ++byConnection) {
        vela::CSetupBuilder setup;
        setup.VoiceFormat1(0, 0, 0, vela::Format1VoiceParams(byConnection));
        Bytes source(setup.Body().begin() + 1, setup.Body().end());  // from the F0
        const Bytes message = WriteVoice(1, source, VoiceMap(0, 0));
        const bool bTwo = byConnection <= 1;
        ASSERT_EQ(message.size(), bTwo ? 37u : 57u) << "connection " << int(byConnection);
        EXPECT_EQ(message[1], bTwo ? 0x23 : 0x37);
        EXPECT_EQ(message.back(), 0xF7);
    }
}

// A definition cut short reads its missing parameter bytes as 0: the same
// message as from a full definition whose trailing bytes are zero (the
// closing F7 of the short message is read as a parameter byte).
TEST(VoiceMessage, ShortDefinitionReadsMissingBytesAsZero) {
    for (int nFormat : {0, 1}) {
        const std::uint8_t byType = nFormat == 0 ? 0x02 : 0x03;
        Bytes shortMsg = {0xF0, 0x0A, 0x43, byType, 0x01, 0x00, 0x05, 0x2B, 0x8A, 0x5B, 0x6C, 0xF7};
        const std::size_t nFull = nFormat == 0 ? 21 : 30;
        Bytes fullMsg = shortMsg;
        fullMsg.resize(nFull - 1, 0x00);
        fullMsg.push_back(0xF7);
        fullMsg[1] = static_cast<std::uint8_t>(nFull - 2);
        EXPECT_EQ(WriteVoice(nFormat, shortMsg, VoiceMap(1, 7)), WriteVoice(nFormat, fullMsg, VoiceMap(1, 7)))
            << "format " << nFormat;
    }
}

}  // namespace
