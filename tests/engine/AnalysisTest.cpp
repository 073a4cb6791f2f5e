// Input analysis: chunk walk, event decoding, ordering, start and stop points,
// voice numbering, key-on pairing, channel tags and wave chunks.
#include <gtest/gtest.h>

#include <algorithm>
#include <string_view>

#include "TestUtil.h"

using testutil::Bytes;
using testutil::Hex;
using testutil::Kinds;
using testutil::OneTrackFile;
using vela::CSequenceBuilder;
using vela::CSetupBuilder;

namespace {

TEST(ShortDuration, BuilderEncodesBothForms) {
    Bytes out;
    vela::AppendShortDuration(out, 127);
    vela::AppendShortDuration(out, 128);
    vela::AppendShortDuration(out, 261);
    vela::AppendShortDuration(out, 16511);
    EXPECT_EQ(out, Hex("7F 80 00 81 05 FF 7F"));
}

TEST(Analysis, ShortDurationDeltaTimes) {
    for (const auto& [raw, nTime] : std::vector<std::pair<Bytes, std::uint32_t>>{
             {Hex("81 05"), 261}, {Hex("80 00"), 128}, {Hex("7F"), 127}, {Hex("FF 7F"), 16511}}) {
        CSequenceBuilder seq;
        seq.Raw(raw).Raw({0x25, 0x10}).EndOfSequence(0);
        const Bytes file = OneTrackFile(seq);
        CCnvLarkWrentoHeron cnv;
        ASSERT_EQ(testutil::Analyze(cnv, file), 1);
        ASSERT_EQ(cnv.m_vecEvents.size(), 2u);
        EXPECT_EQ(cnv.m_vecEvents[0].time, nTime) << testutil::ToHex(raw);
        EXPECT_EQ(cnv.m_vecEvents[0].duration, 16u);
    }
}

struct DecodeCase {
    const char* pszBody;  // event body after a zero delta
    int nKind;            // 0: ignored, no record
    std::uint32_t nLength;
    int nDataOffset;      // where data points, from the body start
};

void PrintTo(const DecodeCase& c, std::ostream* os) { *os << '"' << c.pszBody << '"'; }

class EventDecoding : public ::testing::TestWithParam<DecodeCase> {};

// Each event is followed by a note at delta 5: that note's time proves that
// exactly the listed bytes were consumed.
TEST_P(EventDecoding, KindLengthDataAndConsumption) {
    const DecodeCase& c = GetParam();
    const Bytes body = Hex(c.pszBody);
    CSequenceBuilder seq;
    seq.Delta(0).Raw(body).Note(5, 1, 1, 1, 7).EndOfSequence(0);
    const Bytes file = OneTrackFile(seq);
    CCnvLarkWrentoHeron cnv;
    ASSERT_EQ(testutil::Analyze(cnv, file), 1);
    const auto& events = cnv.m_vecEvents;
    std::vector<EventRecord> all = events;
    if (c.nKind == kKindTempo) {
        ASSERT_EQ(cnv.m_vecMasterEvents.size(), 1u);
        all.insert(all.begin(), cnv.m_vecMasterEvents[0]);
    } else {
        EXPECT_TRUE(cnv.m_vecMasterEvents.empty());
    }
    const std::size_t nExpected = c.nKind == 0 ? 2u : 3u;  // [event,] note, closing record
    ASSERT_EQ(all.size(), nExpected) << c.pszBody;
    const EventRecord& note = all[nExpected - 2];
    EXPECT_EQ(note.kind, kKindNote);
    EXPECT_EQ(note.time, 5u) << "bytes consumed wrongly for " << c.pszBody;
    EXPECT_EQ(all.back().kind, kKindEndOfSequence);
    if (c.nKind != 0) {
        const EventRecord& ev = all[0];
        EXPECT_EQ(ev.kind, c.nKind) << c.pszBody;
        EXPECT_EQ(ev.length, c.nLength) << c.pszBody;
        EXPECT_EQ(ev.time, 0u);
        EXPECT_EQ(ev.track, 0);
        // data points into the input: the event body follows the "Mtsq"
        // head and the one-byte delta.
        const char* const pszId = "Mtsq";
        const std::uint8_t* pSeq = std::search(file.data(), file.data() + file.size(), pszId, pszId + 4);
        EXPECT_EQ(ev.data, pSeq + 8 + 1 + c.nDataOffset) << c.pszBody;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Table, EventDecoding,
    ::testing::Values(
        DecodeCase{"25 10", kKindNote, 1, 0},
        DecodeCase{"E5 81 00", kKindNote, 1, 0},  // two-byte gate
        DecodeCase{"00 30 05", kKindProgramChange, 3, 0}, DecodeCase{"00 F1 05", kKindBankSelect, 3, 0},
        DecodeCase{"00 72 81", kKindOctaveShift, 3, 0}, DecodeCase{"00 B3 40", kKindModulation, 3, 0},
        DecodeCase{"00 34 40", kKindPitchBend, 3, 0}, DecodeCase{"00 77 64", kKindVolume, 3, 0},
        DecodeCase{"00 3A 40", kKindPanpot, 3, 0}, DecodeCase{"00 FB 7F", kKindExpression, 3, 0},
        DecodeCase{"00 35 01", 0, 0, 0}, DecodeCase{"00 36 01", 0, 0, 0}, DecodeCase{"00 38 01", 0, 0, 0},
        DecodeCase{"00 39 01", 0, 0, 0}, DecodeCase{"00 3C 01", 0, 0, 0}, DecodeCase{"00 7F 01", 0, 0, 0},
        DecodeCase{"00 29", kKindModulation, 2, 0}, DecodeCase{"00 D5", kKindPitchBend, 2, 0},
        DecodeCase{"00 4C", kKindExpression, 2, 0}, DecodeCase{"00 01", kKindExpression, 2, 0},
        DecodeCase{"00 00 05", 0, 0, 0},
        DecodeCase{"FF 05", kKindShortFF, 2, 0}, DecodeCase{"FF 10", 0, 0, 0}, DecodeCase{"FF 2F", 0, 0, 0},
        DecodeCase{"FF F0 06 43 03 90 C0 32 F7", kKindRegisterWrite, 8, 1},
        DecodeCase{"FF F0 06 43 03 91 00 10 F7", kKindVoiceAssign, 8, 1},
        DecodeCase{"FF F0 06 43 01 80 31 0F F7", kKindTempo, 8, 1},
        // Longer messages are recorded with length 8 and fully consumed.
        DecodeCase{"FF F0 08 43 03 90 B1 44 00 00 F7", kKindRegisterWrite, 8, 1},
        DecodeCase{"FF F0 06 43 03 92 00 10 F7", 0, 0, 0}, DecodeCase{"FF F0 03 11 22 33", 0, 0, 0},
        // Messages too short to hold the two bytes they carry are ignored.
        DecodeCase{"FF F0 04 43 03 90 C0", 0, 0, 0}, DecodeCase{"FF F0 03 43 03 91", 0, 0, 0},
        DecodeCase{"FF F0 04 43 01 80 31", 0, 0, 0}),
    [](const ::testing::TestParamInfo<DecodeCase>& info) {
        return "Case" + std::to_string(info.index) + "Kind" + std::to_string(info.param.nKind);
    });

TEST(Analysis, TrackEndCoversTheLongestNote) {
    CSequenceBuilder seq;
    seq.Note(0, 0, 1, 1, 100).EndOfSequence(10);
    const Bytes file = OneTrackFile(seq);
    CCnvLarkWrentoHeron cnv;
    ASSERT_EQ(testutil::Analyze(cnv, file), 1);
    ASSERT_EQ(cnv.m_vecEvents.size(), 2u);
    EXPECT_EQ(cnv.m_vecEvents.back().kind, kKindEndOfSequence);
    EXPECT_EQ(cnv.m_vecEvents.back().time, 100u);
    EXPECT_EQ(cnv.m_vecEvents.back().data, nullptr);
    EXPECT_EQ(cnv.m_vecEvents.back().length, 3u);
    EXPECT_EQ(cnv.m_nStopPoint, 100u);
    EXPECT_EQ(cnv.m_nStartPoint, 0u);
}

TEST(Analysis, EqualTimesKeepTrackOrderAndSetupComesFirst) {
    CSetupBuilder setup;
    setup.VoiceFormat1(0, 0, 1, vela::Format1VoiceParams(0));
    CSequenceBuilder t1;
    t1.Note(10, 0, 1, 1, 5).Note(10, 0, 1, 2, 5).EndOfSequence(0);
    CSequenceBuilder t2;
    t2.Note(5, 1, 1, 3, 5).Note(5, 1, 1, 4, 5).EndOfSequence(0);
    const Bytes file = vela::CVelaFile()
                           .Add(vela::ContentsInfo(0x31))
                           .Add(vela::ScoreTrack(2).Add(vela::ScoreSequence(t2)))  // file order does not matter
                           .Add(vela::ScoreTrack(1).Add(vela::Setup(setup)).Add(vela::ScoreSequence(t1)))
                           .ToBytes();
    CCnvLarkWrentoHeron cnv;
    ASSERT_EQ(testutil::Analyze(cnv, file), 1);
    const auto& ev = cnv.m_vecEvents;
    ASSERT_EQ(ev.size(), 6u);
    EXPECT_EQ(ev[0].kind, kKindSetupVoice);
    EXPECT_EQ(ev[0].track, 0);
    EXPECT_EQ(ev[0].length, ev[0].data[1] + 2u);
    EXPECT_EQ(ev[0].data[0], 0xF0);
    // time 5 (track 2), time 10 (track 1 first), time 10 (track 2), time 20 (track 1)
    EXPECT_EQ(ev[1].time, 5u);
    EXPECT_EQ(ev[1].track, 2);
    EXPECT_EQ(ev[2].time, 10u);
    EXPECT_EQ(ev[2].track, 1);
    EXPECT_EQ(ev[3].time, 10u);
    EXPECT_EQ(ev[3].track, 2);
    EXPECT_EQ(ev[4].time, 20u);
    EXPECT_EQ(ev[4].track, 1);
    EXPECT_EQ(ev[5].kind, kKindEndOfSequence);
    EXPECT_EQ(ev[5].time, 25u);  // latest track end: note at 20 lasting 5
}

TEST(Analysis, Format0ReadsTracks0To5AndFormat1NeverTrack0) {
    CSequenceBuilder a;
    a.Note(1, 0, 1, 1, 1).EndOfSequence(0);
    CSequenceBuilder b;
    b.Note(2, 1, 1, 1, 1).EndOfSequence(0);
    for (std::uint8_t byType : {std::uint8_t{0x00}, std::uint8_t{0x31}}) {
        const Bytes file = vela::CVelaFile()
                               .Add(vela::ContentsInfo(byType))
                               .Add(vela::ScoreTrack(0).Add(vela::ScoreSequence(a)))
                               .Add(vela::ScoreTrack(3).Add(vela::ScoreSequence(b)))
                               .ToBytes();
        CCnvLarkWrentoHeron cnv;
        ASSERT_EQ(testutil::Analyze(cnv, file), 1);
        std::vector<int> tracks;
        for (const auto& ev : cnv.m_vecEvents) {
            if (ev.kind == kKindNote) tracks.push_back(ev.track);
        }
        if (byType == 0x00) {
            EXPECT_EQ(tracks, (std::vector<int>{0, 3}));
        } else {
            EXPECT_EQ(tracks, (std::vector<int>{3}));
        }
    }
}

TEST(Analysis, ChannelTagsOnlyInFormat1) {
    using namespace std::string_view_literals;
    const struct {
        std::string_view option;
        std::vector<int> flags;
    } cases[] = {
        {"L2:\x0D,"sv, {4, 5, 6, 7}},
        {"L2:\x0C,"sv, {0, 1, 2, 3}},
        {"L2:\x0E,"sv, {8, 9, 10, 11}},
        {"L2:\x0F,"sv, {12}},
        {"L2:\x10,"sv, {}},
        {"L2:\x00,L2:\x0B,"sv, {0, 11}},
        {"L2:\x05;"sv, {}},
        {"xxL2:\x03,yy"sv, {3}},
    };
    for (const auto& c : cases) {
        for (std::uint8_t byType : {std::uint8_t{0x00}, std::uint8_t{0x31}}) {
            const Bytes file = vela::CVelaFile().Add(vela::ContentsInfo(byType, c.option)).ToBytes();
            CCnvLarkWrentoHeron cnv;
            ASSERT_EQ(testutil::Analyze(cnv, file), 1);
            std::vector<int> flags;
            for (int i = 0; i < 13; ++i) {
                if (cnv.m_abChannelFlag[i]) flags.push_back(i);
            }
            EXPECT_EQ(flags, byType == 0x00 ? std::vector<int>{} : c.flags) << "option bytes " << c.option.size();
        }
    }
}

struct SeekResult {
    std::uint32_t nStart;
    std::uint32_t nStop;
};

SeekResult AnalyzeSeek(const vela::CChunk& seek) {
    CSequenceBuilder seq;
    seq.Note(0, 0, 1, 1, 10).Note(30, 0, 1, 2, 10).Note(30, 0, 1, 3, 10).EndOfSequence(40);
    const Bytes file = vela::CVelaFile()
                           .Add(vela::ContentsInfo(0x00))
                           .Add(vela::ScoreTrack(0).Add(seek).Add(vela::ScoreSequence(seq)))
                           .ToBytes();
    CCnvLarkWrentoHeron cnv;
    EXPECT_EQ(testutil::Analyze(cnv, file), 1);
    return {cnv.m_nStartPoint, cnv.m_nStopPoint};
}

TEST(Analysis, StartAndStopPointsFromSeekAndPhrase) {
    // Events at byte offsets 0, 3, 6 and 9 with deltas 0, 30, 30, 40. A point
    // takes the running time reached before the event at its offset, that
    // is before that event's own delta.
    auto r = AnalyzeSeek(vela::SeekAndPhrase(6, 9));
    EXPECT_EQ(r.nStart, 30u);
    EXPECT_EQ(r.nStop, 60u);
    r = AnalyzeSeek(vela::SeekAndPhrase(0, 3));
    EXPECT_EQ(r.nStart, 0u);
    EXPECT_EQ(r.nStop, 0u);
}

TEST(Analysis, StartPointOffTheEventGridBecomesZeroAndStopTheTrackEnd) {
    const auto r = AnalyzeSeek(vela::SeekAndPhrase(4, 5));
    EXPECT_EQ(r.nStart, 0u);
    EXPECT_EQ(r.nStop, 100u);
}

TEST(Analysis, SeekBodyShorterThan16BytesIsNotRead) {
    const auto r = AnalyzeSeek(vela::CChunk("MspI").Raw(Bytes(15, 0x00)));
    EXPECT_EQ(r.nStart, 0u);
    EXPECT_EQ(r.nStop, 100u);
}

TEST(Analysis, NoSequenceDataGivesOnlyTheClosingRecord) {
    const Bytes file = vela::CVelaFile().Add(vela::ContentsInfo(0x31)).ToBytes();
    CCnvLarkWrentoHeron cnv;
    ASSERT_EQ(testutil::Analyze(cnv, file), 1);
    EXPECT_EQ(Kinds(cnv.m_vecEvents), std::vector<int>{kKindEndOfSequence});
    EXPECT_EQ(cnv.m_vecEvents[0].time, 0u);
    EXPECT_EQ(cnv.m_nStartPoint, 0u);
    EXPECT_EQ(cnv.m_nStopPoint, 0xFFFFFFFFu);
}

TEST(Analysis, MalformedSetupMessagesRejectTheFile) {
    const char* const apszSetup[] = {
        "FF F0 02 43 F7",              // L below 3
        "FF F0 05 42 02 00 00 F7",     // not 43
        "FF F0 05 43 01 00 00 F7",     // neither 02 nor 03
        "FF F0 05 43 02 00 00 00",     // no F7 at the end
        "FE F0 05 43 02 00 00 F7",     // not FF F0
    };
    for (const char* pszSetup : apszSetup) {
        CSequenceBuilder seq;
        seq.EndOfSequence(0);
        const Bytes file = vela::CVelaFile()
                               .Add(vela::ContentsInfo(0x00))
                               .Add(vela::ScoreTrack(0)
                                        .Add(vela::Setup(CSetupBuilder().Raw(Hex(pszSetup))))
                                        .Add(vela::ScoreSequence(seq)))
                               .ToBytes();
        ByteBuffer out;
        EXPECT_EQ(testutil::Convert(file, out), 0) << pszSetup;
    }
}

TEST(Analysis, SetupRecordsAndTempoList) {
    CSetupBuilder setup;
    setup.Tempo(0x10).VoiceFormat0(1, 0, 7, vela::Format0VoiceParams()).Exclusive({0x43, 0x03, 0x80, 0x00});
    CSequenceBuilder seq;
    seq.Tempo(10, 0x20).EndOfSequence(0);
    const Bytes file = vela::CVelaFile()
                           .Add(vela::ContentsInfo(0x00))
                           .Add(vela::ScoreTrack(0).Add(vela::Setup(setup)).Add(vela::ScoreSequence(seq)))
                           .ToBytes();
    CCnvLarkWrentoHeron cnv;
    ASSERT_EQ(testutil::Analyze(cnv, file), 1);
    // 43 03 80 is a voice exclusive (slot 0x80): only 43 02 80 is a tempo message.
    EXPECT_EQ(Kinds(cnv.m_vecEvents), (std::vector<int>{kKindSetupVoice, kKindSetupVoice, kKindEndOfSequence}));
    ASSERT_EQ(cnv.m_vecMasterEvents.size(), 2u);
    EXPECT_EQ(cnv.m_vecMasterEvents[0].length, 8u);
    EXPECT_EQ(cnv.m_vecMasterEvents[0].time, 0u);
    EXPECT_EQ(cnv.m_vecMasterEvents[1].time, 10u);
    EXPECT_EQ(cnv.m_anVoiceMap[1], 0) << "renumbered from program 7 to the first free number";
}

TEST(Analysis, OnlyTheFirstSetupChunkIsRead) {
    CSetupBuilder first;
    first.VoiceFormat1(0, 0, 1, vela::Format1VoiceParams(0));
    CSetupBuilder second;
    second.VoiceFormat1(1, 0, 2, vela::Format1VoiceParams(0)).VoiceFormat1(2, 0, 3, vela::Format1VoiceParams(0));
    const Bytes file = vela::CVelaFile()
                           .Add(vela::ContentsInfo(0x31))
                           .Add(vela::ScoreTrack(1).Add(vela::Setup(first)))
                           .Add(vela::ScoreTrack(2).Add(vela::Setup(second)))
                           .ToBytes();
    CCnvLarkWrentoHeron cnv;
    ASSERT_EQ(testutil::Analyze(cnv, file), 1);
    EXPECT_EQ(Kinds(cnv.m_vecEvents), (std::vector<int>{kKindSetupVoice, kKindEndOfSequence}));
    EXPECT_EQ(cnv.m_anVoiceMap[1], -1);
}

TEST(Analysis, VoiceNumberingTakesTheSmallestFreeNumber) {
    CSetupBuilder setup;
    setup.VoiceFormat1(0, 0, 5, vela::Format1VoiceParams(0))
        .VoiceFormat1(2, 0, 5, vela::Format1VoiceParams(0))
        .VoiceFormat1(3, 0, 0, vela::Format1VoiceParams(0));
    const Bytes file =
        vela::CVelaFile().Add(vela::ContentsInfo(0x31)).Add(vela::ScoreTrack(1).Add(vela::Setup(setup))).ToBytes();
    CCnvLarkWrentoHeron cnv;
    ASSERT_EQ(testutil::Analyze(cnv, file), 1);
    const std::vector<int> expected = {1, -1, 2, 3, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1};
    EXPECT_EQ(std::vector<int>(cnv.m_anVoiceMap, cnv.m_anVoiceMap + 16), expected);
}

TEST(Analysis, LaterDefinitionOfTheSameSlotWinsAndHighSlotsAreNotMapped) {
    CSetupBuilder setup;
    setup.VoiceFormat1(4, 0, 9, vela::Format1VoiceParams(0))
        .VoiceFormat1(4, 0, 2, vela::Format1VoiceParams(0))
        .VoiceFormat1(20, 0, 1, vela::Format1VoiceParams(0));
    const Bytes file =
        vela::CVelaFile().Add(vela::ContentsInfo(0x31)).Add(vela::ScoreTrack(1).Add(vela::Setup(setup))).ToBytes();
    CCnvLarkWrentoHeron cnv;
    ASSERT_EQ(testutil::Analyze(cnv, file), 1);
    EXPECT_EQ(Kinds(cnv.m_vecEvents),
              (std::vector<int>{kKindSetupVoice, kKindSetupVoice, kKindSetupVoice, kKindEndOfSequence}));
    EXPECT_EQ(cnv.m_anVoiceMap[4], 0);
    int nMapped = 0;
    for (int v : cnv.m_anVoiceMap) nMapped += v != -1;
    EXPECT_EQ(nMapped, 1);
}

TEST(Analysis, KeyOnPairingInFormat1) {
    CSequenceBuilder seq;
    seq.RegisterWrite(10, 0xC3, 0x32)   // key on, time 10
        .RegisterWrite(10, 0xC3, 0x33)  // second key on while open: ignored
        .RegisterWrite(30, 0xC3, 0x12)  // key off, time 50
        .RegisterWrite(5, 0xC4, 0x12)   // key off without an open record
        .RegisterWrite(5, 0xC3, 0x32)   // reopened at 60, never closed
        .EndOfSequence(0);
    for (std::uint8_t byType : {std::uint8_t{0x31}, std::uint8_t{0x00}}) {
        const Bytes file = OneTrackFile(seq, byType, byType == 0x31 ? 1 : 0);
        CCnvLarkWrentoHeron cnv;
        ASSERT_EQ(testutil::Analyze(cnv, file), 1);
        std::vector<std::uint32_t> durations;
        for (const auto& ev : cnv.m_vecEvents) {
            if (ev.kind == kKindRegisterWrite) durations.push_back(ev.duration);
        }
        if (byType == 0x31) {
            EXPECT_EQ(durations, (std::vector<std::uint32_t>{40, 0, 0, 0, 0}));
        } else {
            EXPECT_EQ(durations, (std::vector<std::uint32_t>{0, 0, 0, 0, 0})) << "no pairing in format 0";
        }
    }
}

TEST(Analysis, WaveChunksInFormat1Only) {
    CSequenceBuilder audio;
    audio.EndOfSequence(0);
    auto build = [&](std::uint8_t byType) {
        return vela::CVelaFile()
            .Add(vela::ContentsInfo(byType))
            .Add(vela::AudioTrack(5)
                     .Add(vela::AudioSequence(audio))
                     .Add(vela::WaveData(9, {1, 2, 3}))
                     .Add(vela::WaveData(0, {4}))
                     .Add(vela::WaveData(2, {5, 6}))
                     .Add(vela::WaveData(63, {7}))
                     .Add(vela::WaveData(62, {8})))
            .ToBytes();
    };
    const Bytes file1 = build(0x31);
    CCnvLarkWrentoHeron cnv;
    ASSERT_EQ(testutil::Analyze(cnv, file1), 1);
    std::vector<int> numbers;
    for (const auto& wave : cnv.m_vecWaveChunks) {
        numbers.push_back(wave.data[3]);
        EXPECT_EQ(wave.kind, kKindWaveData);
        EXPECT_EQ(wave.track, 5);
        EXPECT_EQ(wave.data[0], 'A');
        EXPECT_EQ(wave.length, 8u + ((wave.data[4] << 24) | (wave.data[5] << 16) | (wave.data[6] << 8) | wave.data[7]));
    }
    EXPECT_EQ(numbers, (std::vector<int>{2, 9, 62}));

    const Bytes file0 = build(0x00);
    CCnvLarkWrentoHeron cnv0;
    ASSERT_EQ(testutil::Analyze(cnv0, file0), 1);
    EXPECT_TRUE(cnv0.m_vecWaveChunks.empty());
}

TEST(Analysis, TrackHeadersFillTimebasesAndChannelStatus) {
    CSequenceBuilder seq;
    seq.EndOfSequence(0);
    vela::CTrackHeader h1;
    h1.byTimebaseD = 0x11;
    h1.byTimebaseG = 0x12;
    h1.abyChannelStatus[0] = 0xAB;
    h1.abyChannelStatus[1] = 0xCD;
    vela::CAudioHeader ha;
    ha.byWaveType = 0x21;
    ha.byWaveStatus = 0x43;
    ha.byTimebaseD = 0x03;
    ha.byTimebaseG = 0x04;
    const Bytes file = vela::CVelaFile()
                           .Add(vela::ContentsInfo(0x31))
                           .Add(vela::ScoreTrack(3, h1).Add(vela::ScoreSequence(seq)))
                           .Add(vela::AudioTrack(5, ha).Add(vela::AudioSequence(seq)))
                           .ToBytes();
    CCnvLarkWrentoHeron cnv;
    ASSERT_EQ(testutil::Analyze(cnv, file), 1);
    EXPECT_EQ(cnv.m_awChannelStatus[2][0], 0xAB);
    EXPECT_EQ(cnv.m_awChannelStatus[2][1], 0xCD);
    EXPECT_EQ(cnv.m_awChannelStatus[4][0], 0x21);
    EXPECT_EQ(cnv.m_awChannelStatus[4][1], 0x43);
    EXPECT_EQ(cnv.m_awChannelStatus[0][0], 0x00);
    // The audio header was read last.
    EXPECT_EQ(cnv.m_byTimebaseD, 0x03);
    EXPECT_EQ(cnv.m_byTimebaseG, 0x04);
}

}  // namespace

namespace {

TEST(Analysis, OnlyTheFirstTrackWithDataPlacesTheStopPoint) {
    CSequenceBuilder t2;
    t2.Note(0, 0, 1, 1, 100).EndOfSequence(0);
    CSequenceBuilder t3;
    t3.Note(0, 0, 1, 1, 300).EndOfSequence(0);
    const Bytes file = vela::CVelaFile()
                           .Add(vela::ContentsInfo(0x31))
                           .Add(vela::ScoreTrack(3).Add(vela::ScoreSequence(t3)))
                           .Add(vela::ScoreTrack(2).Add(vela::ScoreSequence(t2)))
                           .ToBytes();
    CCnvLarkWrentoHeron cnv;
    ASSERT_EQ(testutil::Analyze(cnv, file), 1);
    EXPECT_EQ(cnv.m_nStartPoint, 0u);
    EXPECT_EQ(cnv.m_nStopPoint, 100u) << "track 2 is read before track 3";
    EXPECT_EQ(cnv.m_vecEvents.back().time, 300u);
}

TEST(Analysis, SeekChunkOfTheAudioTrackIsFound) {
    CSequenceBuilder audio;
    audio.NoteByte(0, 0x01, 10).NoteByte(50, 0x02, 10).NoteByte(50, 0x03, 10).EndOfSequence(10);
    const Bytes file = vela::CVelaFile()
                           .Add(vela::ContentsInfo(0x31))
                           .Add(vela::AudioTrack(5).Add(vela::SeekAndPhrase(6, 9, true)).Add(vela::AudioSequence(audio)))
                           .ToBytes();
    CCnvLarkWrentoHeron cnv;
    ASSERT_EQ(testutil::Analyze(cnv, file), 1);
    EXPECT_EQ(cnv.m_nStartPoint, 50u);
    EXPECT_EQ(cnv.m_nStopPoint, 100u);
}

}  // namespace
