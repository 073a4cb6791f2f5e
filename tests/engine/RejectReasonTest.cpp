// The reason recorded with every rejection: one built input per rule, its
// code and the numbers that locate the fault.
#include <gtest/gtest.h>

#include <new>

#include "TestRandom.h"
#include "TestUtil.h"

using testutil::Bytes;
using testutil::Hex;
using vela::CSequenceBuilder;
using vela::CSetupBuilder;

namespace {

Bytes MinimalFile() { return vela::CVelaFile().Add(vela::ContentsInfo(0x00)).ToBytes(); }

// A format-0 file whose score track 0 holds only the given setup body: the
// track chunk is at 21, "Mtsu" at 35, its body at 43.
Bytes SetupFile(const Bytes& setupBody) {
    return vela::CVelaFile()
        .Add(vela::ContentsInfo(0x00))
        .Add(vela::ScoreTrack(0).Add(vela::Setup(CSetupBuilder().Raw(setupBody))))
        .ToBytes();
}

std::uint32_t Id(const char* pszId) {
    return (std::uint32_t{static_cast<std::uint8_t>(pszId[0])} << 24) |
           (std::uint32_t{static_cast<std::uint8_t>(pszId[1])} << 16) |
           (std::uint32_t{static_cast<std::uint8_t>(pszId[2])} << 8) | static_cast<std::uint8_t>(pszId[3]);
}
std::uint32_t IdOf(const CRejectReason& reason) {
    return (std::uint32_t{reason.abyId[0]} << 24) | (std::uint32_t{reason.abyId[1]} << 16) |
           (std::uint32_t{reason.abyId[2]} << 8) | reason.abyId[3];
}

struct CExpected {
    ERejectCode eCode;
    std::uint64_t nOffset = 0;
    std::uint64_t nSize = 0;
    std::uint64_t nValue = 0;
    std::uint64_t nExpected = 0;
    std::uint8_t byDetail = 0;
    std::uint8_t byTrack = 0;
    std::uint32_t nId = 0;
    std::uint32_t nTick = 0;
};

struct CCase {
    const char* pszWhat;
    Bytes file;
    std::int32_t nResult;
    CExpected expected;
};

void ExpectReason(const CCase& c) {
    SCOPED_TRACE(c.pszWhat);
    CCnvLarkWrentoHeron cnv;
    ByteBuffer out;
    EXPECT_EQ(cnv.Convert(c.file.data(), static_cast<std::int32_t>(c.file.size()), out), c.nResult);
    const CRejectReason& r = cnv.m_rejection;
    EXPECT_EQ(r.eCode, c.expected.eCode);
    EXPECT_EQ(r.nOffset, c.expected.nOffset);
    EXPECT_EQ(r.nSize, c.expected.nSize);
    EXPECT_EQ(r.nValue, c.expected.nValue);
    EXPECT_EQ(r.nExpected, c.expected.nExpected);
    EXPECT_EQ(r.byDetail, c.expected.byDetail);
    EXPECT_EQ(r.byTrack, c.expected.byTrack);
    EXPECT_EQ(IdOf(r), c.expected.nId);
    EXPECT_EQ(r.nTick, c.expected.nTick);
    if (c.expected.eCode != ERejectCode::NoInput) {
        EXPECT_EQ(r.nLength, c.file.size());
    }
    if (c.nResult == 0) {
        // The analysis alone gives the same reason.
        CCnvLarkWrentoHeron analysis;
        EXPECT_EQ(analysis.AnalyzeInput(c.file.data(), static_cast<std::int32_t>(c.file.size())), 0);
        EXPECT_EQ(analysis.m_rejection.eCode, c.expected.eCode);
        EXPECT_EQ(analysis.m_rejection.nOffset, c.expected.nOffset);
    }
}

Bytes Resealed(Bytes file) {
    vela::FixSizeAndCrc(file);
    return file;
}

TEST(RejectReason, ValidationRules) {
    Bytes wrongMagic = MinimalFile();
    wrongMagic[3] = 'd';
    Bytes sizeOff = MinimalFile();
    sizeOff[7] = static_cast<std::uint8_t>(sizeOff[7] + 1);
    const std::uint16_t nSizeOffCrc = BitwiseCrc16(sizeOff.data(), sizeOff.size() - 2);
    sizeOff[sizeOff.size() - 2] = static_cast<std::uint8_t>(nSizeOffCrc >> 8);
    sizeOff[sizeOff.size() - 1] = static_cast<std::uint8_t>(nSizeOffCrc);
    Bytes badCrc = MinimalFile();
    const std::uint16_t nGoodCrc = BitwiseCrc16(badCrc.data(), badCrc.size() - 2);
    badCrc.back() ^= 0x01;
    const std::uint16_t nStoredCrc = static_cast<std::uint16_t>((badCrc[badCrc.size() - 2] << 8) | badCrc.back());
    vela::CContentsInfo info;
    info.byContentType = 0x32;
    Bytes eight = MinimalFile();
    eight.resize(8);

    const CCase cases[] = {
        {"eight bytes", eight, 0, {ERejectCode::TooShort}},
        {"seventeen bytes", Resealed(Hex("4D 4D 4D 44 00 00 00 09 43 4E 54 49 00 00 00 00 00")), 0,
         {ERejectCode::TooShort}},
        {"magic", Resealed(wrongMagic), 0, {ERejectCode::NotVela, 0, 0, 0x4D4D4D64}},
        {"size field", sizeOff, 0, {ERejectCode::SizeField, 0, 0, sizeOff.size() - 7, sizeOff.size() - 8}},
        {"content type", vela::CVelaFile().Add(vela::ContentsInfo(info)).ToBytes(), 0,
         {ERejectCode::ContentType, 0, 0, 0x32}},
        {"CRC", badCrc, 0, {ERejectCode::CrcMismatch, 0, 0, nStoredCrc, nGoodCrc}},
    };
    for (const CCase& c : cases) {
        ExpectReason(c);
    }
}

TEST(RejectReason, NoInputAndSuccess) {
    CCnvLarkWrentoHeron cnv;
    ByteBuffer out;
    EXPECT_EQ(cnv.Convert(nullptr, 100, out), 0);
    EXPECT_EQ(cnv.m_rejection.eCode, ERejectCode::NoInput);

    const Bytes file = MinimalFile();
    CCnvLarkWrentoHeron good;
    EXPECT_EQ(good.Convert(file.data(), static_cast<std::int32_t>(file.size()), out), 1);
    EXPECT_EQ(good.m_rejection.eCode, ERejectCode::None);
}

TEST(RejectReason, ChunksAndEventsPastTheEnd) {
    CSequenceBuilder seq;
    seq.Note(0, 0, 1, 1, 10).EndOfSequence(10);
    const Bytes sequenceOverrun =
        vela::CVelaFile()
            .Add(vela::ContentsInfo(0x31))
            .Add(vela::ScoreTrack(1).Add(vela::ScoreSequence(seq).OverrideSize(200)))
            .ToBytes();
    // Five stray bytes behind the contents chunk: a head cut off by the CRC.
    const Bytes headCut = vela::CVelaFile().Add(vela::ContentsInfo(0x00)).Raw({'X', 'Y', 'Z', 'W', 0}).ToBytes();
    // A track chunk of two body bytes at the end cannot hold its header.
    const Bytes headerCut =
        vela::CVelaFile().Add(vela::ContentsInfo(0x00)).Add(vela::CChunk("MTR", 0).Raw({1, 2})).ToBytes();
    // The last event, at sequence offset 3, claims 127 bytes.
    CSequenceBuilder cut;
    cut.Note(0, 0, 1, 1, 10).Raw(Hex("00 FF F0 7F 43 03 90"));
    const Bytes eventOverrun = testutil::OneTrackFile(cut, 0x31, 2);

    const CCase cases[] = {
        {"Mtsq size", sequenceOverrun, 0, {ERejectCode::ChunkPastEnd, 35, 200, 0, 0, 0, 0, Id("Mtsq")}},
        {"head cut", headCut, 0, {ERejectCode::ChunkHeadPastEnd, 21}},
        {"track header cut", headerCut, 0,
         {ERejectCode::TrackHeaderPastEnd, 21, 2, 0, 0, 0, 0, Id("MTR\x00")}},
        {"event", eventOverrun, 0, {ERejectCode::EventPastEnd, 46, 0, 0, 0, 0, 2}},
    };
    for (const CCase& c : cases) {
        ExpectReason(c);
    }
}

TEST(RejectReason, EverySetupRule) {
    // A valid tempo message (9 bytes) first: the broken one is at 43 + 9.
    const Bytes tempo = Hex("FF F0 06 43 02 80 31 0F F7");
    const struct {
        const char* pszBody;
        ESetupRule eRule;
        std::uint64_t nFound;
    } rules[] = {
        {"FE F0 03 43 02 F7", ESetupRule::NotExclusive, 0xFEF0},
        {"FF F0 02 43 F7", ESetupRule::LengthBelow3, 2},
        {"FF F0 7F 43 02 00 00", ESetupRule::PastEnd, 0x7F},
        {"FF F0 03 44 02 F7", ESetupRule::Not43, 0x44},
        {"FF F0 03 43 04 F7", ESetupRule::Not02Or03, 0x04},
        {"FF F0 03 43 02 F6", ESetupRule::NoF7, 0xF6},
    };
    for (const auto& rule : rules) {
        const CCase c{rule.pszBody, SetupFile(testutil::Join({tempo, Hex(rule.pszBody)})), 0,
                      {ERejectCode::SetupMessage, 52, 0, rule.nFound, 0, static_cast<std::uint8_t>(rule.eRule)}};
        ExpectReason(c);
    }
}

TEST(RejectReason, TimesBeyond28Bits) {
    constexpr std::uint32_t kSteps = 16300;
    constexpr std::uint32_t kLate = kSteps * vela::kMaxShortDuration;  // 269,129,300 > 0x0FFFFFFF

    CSequenceBuilder longDelta;  // ignored events pass their time on to the note
    for (std::uint32_t i = 0; i < kSteps; ++i) longDelta.ShortFF(vela::kMaxShortDuration, 0x10);
    longDelta.Note(0, 0, 1, 1, 1).EndOfSequence(0);

    CSequenceBuilder longGate;  // key on at 0, key off much later: the note's gate
    longGate.KeyOn(0, 3, 580, 4);
    for (std::uint32_t i = 0; i < kSteps; ++i) longGate.ShortFF(vela::kMaxShortDuration, 0x10);
    longGate.KeyOff(0, 3).EndOfSequence(0);

    CSequenceBuilder lateTempo;  // kept short events keep score deltas small
    for (std::uint32_t i = 0; i < kSteps; ++i) lateTempo.ShortFF(vela::kMaxShortDuration, 0x01);
    lateTempo.Tempo(0, 20).EndOfSequence(0);

    const CCase cases[] = {
        {"delta", testutil::OneTrackFile(longDelta), CCnvLarkWrentoHeron::kResultTimeOverflow,
         {ERejectCode::TimeOverflow, 0, 0, kLate, 0, static_cast<std::uint8_t>(ETimePlace::Delta), 0, 0, kLate}},
        {"gate", testutil::OneTrackFile(longGate, 0x31, 1), CCnvLarkWrentoHeron::kResultTimeOverflow,
         {ERejectCode::TimeOverflow, 0, 0, kLate, 0, static_cast<std::uint8_t>(ETimePlace::Gate), 1, 0, 0}},
        {"master delta", testutil::OneTrackFile(lateTempo), CCnvLarkWrentoHeron::kResultTimeOverflow,
         {ERejectCode::TimeOverflow, 0, 0, kLate, 0, static_cast<std::uint8_t>(ETimePlace::MasterDelta), 0, 0,
          kLate}},
    };
    for (const CCase& c : cases) {
        ExpectReason(c);
    }
}

// A converter whose list work runs out of memory.
class COutOfMemoryConverter : public CCnvLarkWrentoHeron {
public:
    void InsertTrackEvents(std::vector<EventRecord>&, std::size_t) override { throw std::bad_alloc(); }
};

TEST(RejectReason, MemoryExhausted) {
    CSequenceBuilder seq;
    seq.Note(0, 0, 1, 1, 10).EndOfSequence(10);
    const Bytes file = testutil::OneTrackFile(seq);
    COutOfMemoryConverter cnv;
    ByteBuffer out;
    EXPECT_EQ(cnv.Convert(file.data(), static_cast<std::int32_t>(file.size()), out),
              CCnvLarkWrentoHeron::kResultOutOfMemory);
    EXPECT_EQ(cnv.m_rejection.eCode, ERejectCode::OutOfMemory);
    EXPECT_TRUE(out.Empty());
    COutOfMemoryConverter analysis;
    EXPECT_EQ(analysis.AnalyzeInput(file.data(), static_cast<std::int32_t>(file.size())), 0);
    EXPECT_EQ(analysis.m_rejection.eCode, ERejectCode::OutOfMemory);
}

// What the analysis records per track for readers.
TEST(RejectReason, TrackLengthsAndIgnoredEvents) {
    CSequenceBuilder seq;
    seq.Note(0, 0, 1, 1, 100).ShortFF(5, 0x20).Control(5, 1, 0x05, 1).EndOfSequence(10);
    const Bytes file = testutil::OneTrackFile(seq, 0x31, 2);
    CCnvLarkWrentoHeron cnv;
    ASSERT_EQ(cnv.AnalyzeInput(file.data(), static_cast<std::int32_t>(file.size())), 1);
    EXPECT_EQ(cnv.m_abTrackRead[2], 1);
    EXPECT_EQ(cnv.m_abTrackRead[1], 0);
    EXPECT_EQ(cnv.m_anTrackLength[2], 100u) << "the note's end, later than the end of sequence at 20";
    EXPECT_EQ(cnv.m_anIgnoredEvents[2], 2u);
}

}  // namespace
