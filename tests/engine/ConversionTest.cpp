// Whole-file conversions of builder-made inputs, checked by the independent
// structure checker and by a few pinned values.
#include <gtest/gtest.h>

#include "HeronChecker.h"
#include "SampleFiles.h"
#include "TestUtil.h"

using testutil::Bytes;
using testutil::Hex;
using vela::CSequenceBuilder;
using vela::CSetupBuilder;

namespace {

struct CConverted {
    std::int32_t nResult = 0;
    ByteBuffer out;
    heron::CFileCheck check;
    heron::CSequenceWalk sequence;
};

CConverted ConvertAndCheck(const Bytes& file) {
    CConverted c;
    c.nResult = testutil::Convert(file, c.out);
    if (c.nResult == 1) {
        c.check = heron::CheckFileLayout(c.out.Data(), c.out.Size());
        c.sequence = heron::WalkSequence(c.out.Data() + c.check.layout.nSequenceBody, c.check.layout.nSequenceSize);
    }
    return c;
}

TEST(Conversion, EverySampleConvertsToAWellFormedFile) {
    for (const auto& sample : vela::MakeSampleFiles()) {
        const CConverted c = ConvertAndCheck(sample.vecBytes);
        ASSERT_EQ(c.nResult, 1) << sample.strPath;
        EXPECT_TRUE(c.check.vecProblems.empty()) << sample.strPath << "\n" << heron::JoinProblems(c.check.vecProblems);
        EXPECT_EQ(testutil::Slice(c.out, 16, 5), Hex("00 39 01 F8 00")) << sample.strPath;
        EXPECT_EQ(c.check.layout.nTrackCrcSlot, 57u);
        EXPECT_EQ(c.check.layout.nContentsCrcSlot, 67u);
        EXPECT_EQ(c.check.layout.nTrackChunk, 89u) << "behind the head, CNTI and OPDA";
        const bool bMaster = sample.strPath == "format0_tempo.mmf";
        EXPECT_EQ(c.check.layout.bHasMasterTrack, bMaster) << sample.strPath;
        EXPECT_EQ(c.out[21 + 27], bMaster ? 1 : 0) << "RF record flag of " << sample.strPath;
        EXPECT_EQ(c.check.layout.bHasWaveChunk, sample.strPath == "album/format1_audio.mmf");
    }
}

TEST(Conversion, LargeGeneratedInputsOfBothFormats) {
    for (std::uint8_t byFormat : {std::uint8_t{0}, std::uint8_t{1}}) {
        const Bytes file = vela::MakeLargeInput({byFormat, 5000, true, 3});
        const CConverted c = ConvertAndCheck(file);
        ASSERT_EQ(c.nResult, 1) << "format " << int(byFormat);
        EXPECT_TRUE(c.check.vecProblems.empty()) << heron::JoinProblems(c.check.vecProblems);
        EXPECT_GT(c.sequence.vecEvents.size(), 4000u);
        EXPECT_EQ(c.check.layout.bHasMasterTrack, byFormat == 0);
    }
}

TEST(Conversion, SameInputSameOutput) {
    const Bytes file = vela::MakeLargeInput({1, 800, true, 11});
    ByteBuffer a;
    ByteBuffer b;
    ASSERT_EQ(testutil::Convert(file, a), 1);
    ASSERT_EQ(testutil::Convert(file, b), 1);
    EXPECT_EQ(a.Bytes(), b.Bytes());
}

TEST(Conversion, StartAndStopPointsReachTheProRecord) {
    CSequenceBuilder seq;
    seq.Note(0, 0, 1, 1, 10).Note(240, 0, 1, 2, 10);
    const std::uint32_t nStop = seq.Offset();
    seq.Note(240, 0, 1, 3, 10).EndOfSequence(10);
    const Bytes file = vela::CVelaFile()
                           .Add(vela::ContentsInfo(0x00))
                           .Add(vela::ScoreTrack(0).Add(vela::SeekAndPhrase(3, nStop)).Add(vela::ScoreSequence(seq)))
                           .ToBytes();
    const CConverted c = ConvertAndCheck(file);
    ASSERT_EQ(c.nResult, 1);
    EXPECT_EQ(testutil::Slice(c.out, 21 + 56, 12), Hex("00 00 00 00 00 00 00 00 00 00 00 F0"));
}

TEST(Conversion, Format1RangeControlsFollowTheSequenceStart) {
    CConverted c;
    for (const auto& sample : vela::MakeSampleFiles()) {
        if (sample.strPath == "format1_registers.mmf") c = ConvertAndCheck(sample.vecBytes);
    }
    ASSERT_EQ(c.nResult, 1);
    // Channel 2 jumps about 5.1 semitones: range 6. Nothing else overflows.
    EXPECT_EQ(testutil::Slice(c.out, c.check.layout.nSequenceBody, 14),
              Hex("00 F0 07 43 79 08 7F 20 7F F7 00 32 0F 06"));
    ASSERT_GE(c.sequence.vecEvents.size(), 3u);
    EXPECT_NE(c.sequence.vecEvents[2].byStatus & 0xF0, 0x30);
}

TEST(Conversion, Format0GetsNoRangeControls) {
    CSequenceBuilder seq;
    seq.KeyOn(0, 2, 580, 4).KeyOn(10, 2, 780, 4).KeyOff(10, 2).EndOfSequence(0);
    const CConverted c = ConvertAndCheck(testutil::OneTrackFile(seq, 0x00, 0));
    ASSERT_EQ(c.nResult, 1);
    ASSERT_GE(c.sequence.vecEvents.size(), 2u);
    EXPECT_EQ(c.sequence.vecEvents[1].byStatus, 0x12) << "the key-on note follows the sequence start";
}

TEST(Conversion, IgnoredAudioControlsPassTheirTimeOn) {
    CSequenceBuilder audio;
    audio.NoteByte(0, 0x01, 5).Panpot(10, 0, 0x40).ProgramChange(0, 0, 3).NoteByte(10, 0x02, 5).EndOfSequence(5);
    const Bytes file = vela::CVelaFile()
                           .Add(vela::ContentsInfo(0x31))
                           .Add(vela::AudioTrack(5).Add(vela::AudioSequence(audio)))
                           .ToBytes();
    const CConverted c = ConvertAndCheck(file);
    ASSERT_EQ(c.nResult, 1);
    EXPECT_TRUE(c.check.vecProblems.empty()) << heron::JoinProblems(c.check.vecProblems);
    std::vector<std::pair<std::uint32_t, std::uint32_t>> notes;  // (delta, time)
    for (const auto& ev : c.sequence.vecEvents) {
        if (ev.byStatus == 0x90) notes.emplace_back(ev.nDelta, ev.nTime);
    }
    EXPECT_EQ(notes, (std::vector<std::pair<std::uint32_t, std::uint32_t>>{{0, 0}, {20, 20}}));
}

TEST(Conversion, VoiceOfAHighSlotIsDroppedAndItsProgramKept) {
    CSetupBuilder setup;
    setup.VoiceFormat1(16, 0, 6, vela::Format1VoiceParams(0));
    CSequenceBuilder seq;
    seq.ProgramChange(0, 0, 6).EndOfSequence(0);
    const Bytes file = vela::CVelaFile()
                           .Add(vela::ContentsInfo(0x31))
                           .Add(vela::ScoreTrack(1).Add(vela::Setup(setup)).Add(vela::ScoreSequence(seq)))
                           .ToBytes();
    const CConverted c = ConvertAndCheck(file);
    ASSERT_EQ(c.nResult, 1);
    EXPECT_TRUE(c.check.vecProblems.empty()) << heron::JoinProblems(c.check.vecProblems);
    EXPECT_EQ(c.check.layout.nSetupSize, 9u);
    ASSERT_GE(c.sequence.vecEvents.size(), 2u);
    EXPECT_EQ(c.sequence.vecEvents[1].byStatus, 0x40);
    EXPECT_EQ(c.sequence.vecEvents[1].vecData, Bytes{0x06});
}

TEST(Conversion, TwoDefinitionsOfOneSlotGiveTwoMessagesWithOneNumber) {
    CSetupBuilder setup;
    setup.VoiceFormat0(2, 0, 1, vela::Format0VoiceParams(0)).VoiceFormat0(2, 0, 3, vela::Format0VoiceParams(1));
    CSequenceBuilder seq;
    seq.EndOfSequence(0);
    const Bytes file = vela::CVelaFile()
                           .Add(vela::ContentsInfo(0x00))
                           .Add(vela::ScoreTrack(0).Add(vela::Setup(setup)).Add(vela::ScoreSequence(seq)))
                           .ToBytes();
    const CConverted c = ConvertAndCheck(file);
    ASSERT_EQ(c.nResult, 1);
    ASSERT_EQ(c.check.layout.nSetupSize, 9u + 2 * 37u);
    const std::size_t nFirst = c.check.layout.nSetupBody + 9;
    EXPECT_EQ(c.out[nFirst + 9], 0x00);
    EXPECT_EQ(c.out[nFirst + 37 + 9], 0x00);
}

// Delta and gate times above the largest variable-length quantity cannot be
// written: the conversion fails instead of writing a corrupt file.
TEST(Conversion, TimesBeyondTheVariableLengthRangeFailTheWriter) {
    CSequenceBuilder longDelta;
    for (int i = 0; i < 16300; ++i) longDelta.ShortFF(vela::kMaxShortDuration, 0x10);  // ignored events
    longDelta.Note(0, 0, 1, 1, 1).EndOfSequence(0);
    ByteBuffer out;
    EXPECT_LT(testutil::Convert(testutil::OneTrackFile(longDelta), out), 0);
    EXPECT_TRUE(out.Empty());

    CSequenceBuilder longGate;
    longGate.KeyOn(0, 0, 580, 4);
    for (int i = 0; i < 16300; ++i) longGate.ShortFF(vela::kMaxShortDuration, 0x10);
    longGate.KeyOff(0, 0).EndOfSequence(0);
    EXPECT_LT(testutil::Convert(testutil::OneTrackFile(longGate, 0x31, 1), out), 0);
    EXPECT_TRUE(out.Empty());

    CSequenceBuilder justBelow;  // 16000 x 16511 ticks still fit
    for (int i = 0; i < 16000; ++i) justBelow.ShortFF(vela::kMaxShortDuration, 0x10);
    justBelow.Note(0, 0, 1, 1, 1).EndOfSequence(0);
    EXPECT_EQ(testutil::Convert(testutil::OneTrackFile(justBelow), out), 1);
}

// The checker itself must notice damage, or the tests above prove nothing.
TEST(HeronChecker, ReportsDamage) {
    ByteBuffer out;
    ASSERT_EQ(testutil::Convert(vela::MakeSampleFiles()[0].vecBytes, out), 1);
    const Bytes good = out.Bytes();
    ASSERT_TRUE(heron::CheckFile(good.data(), good.size()).empty());
    auto damaged = [&](std::size_t nOffset, std::uint8_t byXor, bool bReseal) {
        Bytes bad = good;
        bad[nOffset] ^= byXor;
        if (bReseal) vela::FixSizeAndCrc(bad);
        return !heron::CheckFile(bad.data(), bad.size()).empty();
    };
    EXPECT_TRUE(damaged(good.size() - 1, 0x01, false)) << "file CRC";
    EXPECT_TRUE(damaged(7, 0x01, false)) << "size field";
    EXPECT_TRUE(damaged(57, 0x01, true)) << "A0 slot";
    EXPECT_TRUE(damaged(67, 0x01, true)) << "A2 slot";
    EXPECT_TRUE(damaged(100, 0x01, true)) << "track data under A0";
    EXPECT_TRUE(damaged(96, 0x02, true)) << "MTR size field";
    EXPECT_TRUE(damaged(good.size() - 3, 0x2F, true)) << "end of sequence";

    Bytes cut = good;  // master track removed, sealed again
    const auto layout = heron::CheckFileLayout(good.data(), good.size()).layout;
    cut.erase(cut.begin() + static_cast<std::ptrdiff_t>(layout.nMasterChunk), cut.end() - 2);
    vela::FixSizeAndCrc(cut);
    EXPECT_FALSE(heron::CheckFile(cut.data(), cut.size()).empty()) << "A0 range includes the master body";
}

TEST(HeronChecker, SequenceWalkerRejectsMalformedEvents) {
    const struct {
        const char* pszBody;
        bool bOk;
    } cases[] = {
        {"00 FF 2F 00", true},
        {"00 10 45 7F 81 00 00 FF 2F 00", true},
        {"00 10 45 7F 81", false},           // gate cut short
        {"00 20 45 00 FF 2F 00", false},     // unknown status
        {"00 30 07 80 00 FF 2F 00", false},  // data byte with bit 7
        {"00 94 01 4B 01 00 FF 2F 00", false},  // audio channel above 3
        {"00 F0 03 43 00 F6 00 FF 2F 00", false},  // exclusive without F7
        {"00 FF 2F 00 00 FF 2F 00", false},  // bytes after the end
        {"00 FF 05", false},                 // no end
        {"FF FF FF FF 7F FF 2F 00", false},  // five-byte delta
    };
    for (const auto& c : cases) {
        const Bytes body = Hex(c.pszBody);
        EXPECT_EQ(heron::WalkSequence(body.data(), body.size()).vecProblems.empty(), c.bOk) << c.pszBody;
    }
}

}  // namespace
