// The description of both kinds of file: chunk tree and event listing
// pinned on small built files, the summary's facts, rejected and unknown
// files, and the words for every rejection reason.
#include <gtest/gtest.h>

#include <cstring>
#include <sstream>

#include "FileInfoInputs.h"
#include "JsonReport.h"
#include "PianoRoll.h"
#include "SampleFiles.h"
#include "TestRandom.h"
#include "RejectText.h"
#include "TextReport.h"

using fileinfotest::Bytes;

namespace {

// The "chunks" section of the summary.
std::string ChunkSection(const fileinfo::CFileDescription& d) {
    std::ostringstream out;
    fileinfo::WriteSummary(out, d);
    const std::string s = out.str();
    const std::size_t nBegin = s.find("  chunks\n");
    const std::size_t nEnd = s.find("  tracks\n");
    return nBegin == std::string::npos || nEnd == std::string::npos ? s : s.substr(nBegin, nEnd - nBegin);
}

std::string Events(const fileinfo::CFileDescription& d) {
    std::ostringstream out;
    fileinfo::WriteEvents(out, d);
    return out.str();
}

TEST(Describe, SourceChunkTreeAndEventsArePinned) {
    const auto d = fileinfotest::Describe(fileinfotest::SmallSource());
    ASSERT_TRUE(d.bValid) << d.strReason;
    EXPECT_EQ(d.eGeneration, fileinfo::EGeneration::Source);
    EXPECT_EQ(ChunkSection(d),
              "  chunks\n"
              "    MMMD                 offset 0, body 97\n"
              "      CNTI               offset 8, body 5\n"
              "      MTR\\x00            offset 21, body 74\n"
              "        Mtsu             offset 35, body 31\n"
              "        Mtsq             offset 74, body 21\n");
    // Keys as the converter makes them: (2 + 3) x 12 + 5, then (1 - 1 + 3) x 12
    // after the octave shift of channel 1; the tempo of the setup data merged in.
    EXPECT_EQ(Events(d),
              "small.mmf\n"
              "        tick  track  ch  event\n"
              "           0      0    -  setup-voice slot 1 bank 0 program 5 voice 0\n"
              "           0      0    1  program-change program 5\n"
              "           0      0    0  note key 65 gate 96\n"
              "           0      0    -  tempo code 20\n"
              "          10      0    1  octave-shift shift -1\n"
              "          48      0    1  note key 36 gate 48\n"
              "         144      0    -  end-of-sequence\n");
}

TEST(Describe, HeronChunkTreeAndEventsArePinned) {
    const auto d = fileinfotest::Describe(fileinfotest::SmallHeron());
    ASSERT_TRUE(d.bValid) << d.strReason;
    EXPECT_EQ(d.eGeneration, fileinfo::EGeneration::Heron);
    EXPECT_EQ(ChunkSection(d),
              "  chunks\n"
              "    MMMD                 offset 0, body 247\n"
              "      CNTI               offset 8, body 5\n"
              "      OPDA               offset 21, body 60\n"
              "        Dch\\xff          offset 29, body 32\n"
              "        Pro\\x05          offset 69, body 12\n"
              "      MTR\\x07            offset 89, body 125\n"
              "        Mtsu             offset 133, body 46\n"
              "        Mtsq             offset 187, body 27\n"
              "      MSTR               offset 222, body 23\n"
              "        Mssq             offset 234, body 11\n");
    // The program is the assigned voice number; the tempo code 20 is
    // 60000000 / (8739 / (21 x 4)) microseconds.
    EXPECT_EQ(Events(d),
              "small.mmf\n"
              "        tick  track  ch  event\n"
              "           0      7    -  exclusive length 7 command 0x20\n"
              "           0      7    1  program-change program 0\n"
              "           0      7    0  note key 65 velocity 127 gate 96\n"
              "          48      7    1  note key 36 velocity 127 gate 48\n"
              "         144      7    -  end-of-sequence\n"
              "           0      0    -  tempo microseconds 576725\n"
              "           0      0    -  end-of-sequence\n");
}

TEST(Describe, SummaryFacts) {
    const auto s = fileinfotest::Describe(fileinfotest::SmallSource(), false, false);
    ASSERT_EQ(s.vecTracks.size(), 1u);
    EXPECT_EQ(s.vecTracks[0].vecChannelStatus, (std::vector<std::uint8_t>{0x5A, 0x00}));
    EXPECT_EQ(s.vecTracks[0].nEvents, 4u) << "program change, two notes, octave shift";
    EXPECT_EQ(s.vecTracks[0].nIgnored, 1u);
    EXPECT_EQ(s.vecTracks[0].nLengthTicks, 144u);
    ASSERT_EQ(s.vecVoices.size(), 1u);
    EXPECT_EQ(s.vecVoices[0].nSlot, 1);
    EXPECT_EQ(s.vecVoices[0].nVoice, 0);
    ASSERT_EQ(s.vecTempos.size(), 1u);
    EXPECT_EQ(s.vecTempos[0].nTrack, -1) << "from the setup data";
    EXPECT_TRUE(s.bConvertedOk);
    EXPECT_EQ(s.nConvertedSize, fileinfotest::SmallHeron().size());
    EXPECT_TRUE(s.vecEvents.empty()) << "events only when asked for";

    const auto h = fileinfotest::Describe(fileinfotest::SmallHeron(), false, false);
    ASSERT_EQ(h.vecCrcs.size(), 3u);
    for (const auto& crc : h.vecCrcs) {
        EXPECT_TRUE(crc.Ok()) << crc.strName;
    }
    ASSERT_EQ(h.vecTracks.size(), 2u);
    EXPECT_EQ(h.vecTracks[0].vecChannelStatus.size(), 32u);
    EXPECT_EQ(h.vecTracks[0].vecChannelStatus[0], 0x65);
    ASSERT_EQ(h.vecTempos.size(), 1u);
    EXPECT_EQ(h.vecTempos[0].nMicroseconds, 576725u);
}

TEST(Describe, SamplesWithAudioAndWaves) {
    // Wave chunks 1, 2 and 40 of the audio sample: 40 is not carried over.
    vela::CSequenceBuilder audio;
    audio.NoteByte(0, 0x05, 10).EndOfSequence(10);
    const Bytes file = vela::CVelaFile()
                           .Add(vela::ContentsInfo(0x31))
                           .Add(vela::AudioTrack(5).Add(vela::AudioSequence(audio)).Add(vela::WaveData(1, {1, 2, 3}))
                                    .Add(vela::WaveData(40, {4})))
                           .ToBytes();
    const auto s = fileinfotest::Describe(file);
    ASSERT_TRUE(s.bValid) << s.strReason;
    ASSERT_EQ(s.vecWaves.size(), 2u);
    EXPECT_EQ(s.vecWaves[0].nSize, 3u);
    EXPECT_TRUE(s.vecWaves[0].bConverted);
    EXPECT_FALSE(s.vecWaves[1].bConverted);
    ASSERT_EQ(s.vecNotes.size(), 1u);
    EXPECT_TRUE(s.vecNotes[0].bAudio);
    EXPECT_EQ(s.vecNotes[0].byKey, 4) << "audio key of value 5";
    ASSERT_EQ(s.vecConvertedNotes.size(), 1u);
    EXPECT_EQ(s.vecConvertedNotes[0].byKey, 4);

    const auto h = fileinfotest::Describe(fileinfotest::Converted(file));
    ASSERT_EQ(h.vecWaves.size(), 1u);
    EXPECT_EQ(h.vecWaves[0].nNumber, 1);
    EXPECT_EQ(h.vecWaves[0].nSize, 3u);
}

TEST(Describe, RejectedAndUnknownFiles) {
    Bytes bad = fileinfotest::SmallSource();
    bad.back() ^= 0x01;
    const auto d = fileinfotest::Describe(bad);
    EXPECT_EQ(d.eGeneration, fileinfo::EGeneration::Source);
    EXPECT_FALSE(d.bValid);
    EXPECT_EQ(d.strReasonCode, "crc-mismatch");
    EXPECT_NE(d.strReason.find("differs from the computed CRC"), std::string::npos) << d.strReason;
    EXPECT_EQ(d.vecChunks.size(), 1u) << "the chunk tree is still shown";
    EXPECT_EQ(d.nFormat, 0);

    const Bytes text = {'h', 'e', 'l', 'l', 'o', '\n'};
    const auto u = fileinfotest::Describe(text);
    EXPECT_EQ(u.eGeneration, fileinfo::EGeneration::Unknown);
    EXPECT_FALSE(u.bValid);
    EXPECT_EQ(u.strReasonCode, "not-vela");

    // Cut files of both kinds never read outside their bytes (the sanitizer
    // build checks) and are never valid.
    for (const Bytes& whole : {fileinfotest::SmallSource(), fileinfotest::SmallHeron()}) {
        for (std::size_t n = 0; n + 1 < whole.size(); ++n) {
            const Bytes cut(whole.begin(), whole.begin() + static_cast<std::ptrdiff_t>(n));
            std::ostringstream sink;
            const auto c = fileinfotest::Describe(cut);
            fileinfo::WriteSummary(sink, c);
            EXPECT_FALSE(c.bValid) << n;
        }
    }
}

// Damaged files of both kinds go through every output without a fault (the
// sanitizer build checks the reads); a rejected source always says why.
TEST(Describe, RandomDamageOfBothKinds) {
    CTestRandom rng(2024);
    std::vector<Bytes> files;
    for (const auto& sample : vela::MakeSampleFiles()) {
        files.push_back(sample.vecBytes);
        files.push_back(fileinfotest::Converted(sample.vecBytes));
    }
    for (int round = 0; round < 400; ++round) {
        Bytes file = files[rng.Below(static_cast<std::uint32_t>(files.size()))];
        for (int i = 0, n = 1 + static_cast<int>(rng.Below(4)); i < n; ++i) {
            file[8 + rng.Below(static_cast<std::uint32_t>(file.size() - 10))] ^= static_cast<std::uint8_t>(1u << rng.Below(8));
        }
        if (rng.OneIn(2)) {
            vela::FixSizeAndCrc(file);
        }
        const auto d = fileinfotest::Describe(file);
        std::ostringstream sink;
        fileinfo::WriteSummary(sink, d);
        fileinfo::WriteEvents(sink, d);
        fileinfo::WriteJson(sink, {d}, {true, true});
        fileinfo::WritePianoRoll(sink, d);
        if (d.eGeneration == fileinfo::EGeneration::Source && !d.bValid) {
            EXPECT_NE(d.rejection.eCode, ERejectCode::None) << "round " << round;
            EXPECT_FALSE(d.strReason.empty());
        }
    }
}

CRejectReason R(ERejectCode eCode, std::uint8_t byDetail = 0, std::uint8_t byTrack = 0, const char* pszId = "\0\0\0\0",
                std::uint64_t nOffset = 0, std::uint64_t nSize = 0, std::uint64_t nValue = 0, std::uint64_t nExpected = 0,
                std::uint64_t nLength = 0, std::uint32_t nTick = 0) {
    CRejectReason r;
    r.eCode = eCode;
    r.byDetail = byDetail;
    r.byTrack = byTrack;
    std::memcpy(r.abyId, pszId, 4);
    r.nOffset = nOffset;
    r.nSize = nSize;
    r.nValue = nValue;
    r.nExpected = nExpected;
    r.nLength = nLength;
    r.nTick = nTick;
    return r;
}

TEST(RejectText, EveryCodeHasANameAndItsNumbers) {
    const struct {
        CRejectReason reason;
        const char* pszName;
        const char* pszWords;
    } cases[] = {
        {R(ERejectCode::NoInput), "no-input", "no input bytes"},
        {R(ERejectCode::TooShort, 0, 0, "\0\0\0\0", 0, 0, 0, 0, 17), "too-short",
         "the input is 17 bytes long, shorter than the 18 bytes of a file head"},
        {R(ERejectCode::NotVela, 0, 0, "\0\0\0\0", 0, 0, 0x4D5A9000), "not-vela", "the first bytes are 4D 5A 90 00, not \"MMMD\""},
        {R(ERejectCode::SizeField, 0, 0, "\0\0\0\0", 0, 0, 100, 92), "size-field",
         "the size field says 100, but the length minus 8 is 92"},
        {R(ERejectCode::ContentType, 0, 0, "\0\0\0\0", 0, 0, 0x32), "content-type",
         "the content type 0x32 is not one the converter accepts"},
        {R(ERejectCode::CrcMismatch, 0, 0, "\0\0\0\0", 0, 0, 0x1234, 0xABCD), "crc-mismatch",
         "the stored CRC 0x1234 differs from the computed CRC 0xABCD"},
        {R(ERejectCode::ChunkHeadPastEnd, 0, 0, "\0\0\0\0", 21, 0, 0, 0, 28), "chunk-head-past-end",
         "the chunk head at offset 21 reaches past the end of the input (length 28)"},
        {R(ERejectCode::ChunkPastEnd, 0, 0, "Mtsq", 35, 200, 0, 0, 60), "chunk-past-end",
         "chunk \"Mtsq\" at offset 35 with size 200 reaches past the end of the input (length 60)"},
        {R(ERejectCode::TrackHeaderPastEnd, 0, 0, "MTR\x01", 21, 2, 0, 0, 33), "track-header-past-end",
         "track chunk \"MTR\\x01\" at offset 21 with size 2 ends before its 6-byte header (input length 33)"},
        {R(ERejectCode::EventPastEnd, 0, 2, "\0\0\0\0", 46, 0, 0, 0, 55), "event-past-end",
         "the event of track 2 at offset 46 reaches past the end of the input (length 55)"},
        {R(ERejectCode::SetupMessage, static_cast<std::uint8_t>(ESetupRule::NotExclusive), 0, "\0\0\0\0", 52, 0, 0xFEF0),
         "setup-message", "the setup message at offset 52 does not begin FF F0 (found FE F0)"},
        {R(ERejectCode::SetupMessage, static_cast<std::uint8_t>(ESetupRule::LengthBelow3), 0, "\0\0\0\0", 52, 0, 2),
         "setup-message", "the setup message at offset 52 has the length 2, below 3"},
        {R(ERejectCode::SetupMessage, static_cast<std::uint8_t>(ESetupRule::PastEnd), 0, "\0\0\0\0", 52, 0, 127, 0, 60),
         "setup-message",
         "the setup message at offset 52 with length 127 reaches past the end of the input (length 60)"},
        {R(ERejectCode::SetupMessage, static_cast<std::uint8_t>(ESetupRule::Not43), 0, "\0\0\0\0", 52, 0, 0x44),
         "setup-message", "the setup message at offset 52 does not continue with 43 (found 0x44)"},
        {R(ERejectCode::SetupMessage, static_cast<std::uint8_t>(ESetupRule::Not02Or03), 0, "\0\0\0\0", 52, 0, 4),
         "setup-message", "the setup message at offset 52 has 0x04 where 02 or 03 belongs"},
        {R(ERejectCode::SetupMessage, static_cast<std::uint8_t>(ESetupRule::NoF7), 0, "\0\0\0\0", 52, 0, 0xF6),
         "setup-message", "the setup message at offset 52 has no F7 where its length ends (found 0xF6)"},
        {R(ERejectCode::TimeOverflow, static_cast<std::uint8_t>(ETimePlace::Delta), 0, "\0\0\0\0", 0, 0, 269129300, 0, 0,
          269129300),
         "time-overflow", "the delta time 269129300 before the event at tick 269129300 of track 0 does not fit 28 bits"},
        {R(ERejectCode::TimeOverflow, static_cast<std::uint8_t>(ETimePlace::Gate), 5, "\0\0\0\0", 0, 0, 300000000),
         "time-overflow",
         "the gate time 300000000 of the note at tick 0 of the audio track (5) does not fit 28 bits"},
        {R(ERejectCode::TimeOverflow, static_cast<std::uint8_t>(ETimePlace::MasterDelta), 0, "\0\0\0\0", 0, 0, 300000000, 0,
          0, 300000000),
         "time-overflow",
         "the delta time 300000000 before the tempo message at tick 300000000 does not fit 28 bits"},
        {R(ERejectCode::OutOfMemory), "out-of-memory", "memory ran out while converting"},
    };
    for (const auto& c : cases) {
        EXPECT_STREQ(fileinfo::RejectCodeName(c.reason.eCode), c.pszName);
        EXPECT_EQ(fileinfo::DescribeRejection(c.reason), c.pszWords);
    }
}

}  // namespace
