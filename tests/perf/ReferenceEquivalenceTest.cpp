// The engine's merge insertion and its two lookup indexes against the plain
// linear-scan versions: same result, same output bytes, same event lists.
#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <vector>

#include "ByteBuffer.h"
#include "CnvLarkWrentoHeron.h"
#include "FuzzSeeds.h"
#include "RandomInputs.h"
#include "ReferenceConverter.h"
#include "SampleFiles.h"
#include "VelaBuilder.h"

namespace {

bool SameRecord(const EventRecord& a, const EventRecord& b) {
    return a.kind == b.kind && a.time == b.time && a.duration == b.duration && a.length == b.length &&
           a.data == b.data && a.track == b.track;
}

::testing::AssertionResult SameList(const std::vector<EventRecord>& engine, const std::vector<EventRecord>& reference,
                                    const char* pName) {
    if (engine.size() != reference.size()) {
        return ::testing::AssertionFailure() << pName << ": " << engine.size() << " records, reference "
                                             << reference.size();
    }
    for (std::size_t i = 0; i < engine.size(); ++i) {
        if (!SameRecord(engine[i], reference[i])) {
            return ::testing::AssertionFailure()
                   << pName << " differs at record " << i << ": kind " << int{engine[i].kind} << " time "
                   << engine[i].time << " track " << int{engine[i].track} << ", reference kind "
                   << int{reference[i].kind} << " time " << reference[i].time << " track "
                   << int{reference[i].track};
        }
    }
    return ::testing::AssertionSuccess();
}

struct CComparison {
    std::int32_t nResult = 0;
    std::size_t nEvents = 0;
    std::size_t nVoiceLookups = 0;
    std::size_t nKeyOnLookups = 0;
};

// Converts input with both converters and checks every observable outcome.
CComparison ExpectEquivalent(const vela::Bytes& input, const std::string& strWhat) {
    SCOPED_TRACE(strWhat);
    CCnvLarkWrentoHeron engine;
    CReferenceConverter reference;
    ByteBuffer engineOut;
    ByteBuffer referenceOut;
    const auto nSize = static_cast<std::int32_t>(input.size());
    const std::int32_t nEngine = engine.Convert(input.data(), nSize, engineOut);
    const std::int32_t nReference = reference.Convert(input.data(), nSize, referenceOut);
    EXPECT_EQ(nEngine, nReference);
    EXPECT_TRUE(engineOut.Bytes() == referenceOut.Bytes()) << "output bytes differ";
    EXPECT_TRUE(SameList(engine.m_vecEvents, reference.m_vecEvents, "m_vecEvents"));
    EXPECT_TRUE(SameList(engine.m_vecMasterEvents, reference.m_vecMasterEvents, "m_vecMasterEvents"));
    EXPECT_EQ(engine.m_nStartPoint, reference.m_nStartPoint);
    EXPECT_EQ(engine.m_nStopPoint, reference.m_nStopPoint);
    return {nEngine, engine.m_vecEvents.size(), reference.m_nVoiceLookups, reference.m_nKeyOnLookups};
}

void RunSeeds(std::uint8_t byFormat, std::uint32_t nSeeds, std::uint32_t nEventsPerTrack) {
    std::size_t nConverted = 0;
    std::size_t nVoiceLookups = 0;
    std::size_t nKeyOnLookups = 0;
    for (std::uint32_t nSeed = 1; nSeed <= nSeeds; ++nSeed) {
        const vela::Bytes input = perf::MakeStressInput({byFormat, nSeed, nEventsPerTrack});
        const CComparison c = ExpectEquivalent(input, "format " + std::to_string(byFormat) + " seed " +
                                                          std::to_string(nSeed));
        nConverted += c.nResult == 1 ? 1 : 0;
        nVoiceLookups += c.nVoiceLookups;
        nKeyOnLookups += c.nKeyOnLookups;
        if (::testing::Test::HasFailure()) {
            return;  // one seed's report is enough
        }
    }
    // The generated files are valid, and they do reach both lookups.
    EXPECT_EQ(nConverted, nSeeds);
    EXPECT_GT(nVoiceLookups, nSeeds);
    EXPECT_GT(nKeyOnLookups, nSeeds / 4);
}

TEST(ReferenceEquivalence, Format0GeneratedInputs) { RunSeeds(0, 400, 40); }

TEST(ReferenceEquivalence, Format1GeneratedInputs) { RunSeeds(1, 400, 40); }

TEST(ReferenceEquivalence, LongerTracksWithManyEqualTimes) {
    RunSeeds(0, 12, 500);
    RunSeeds(1, 12, 500);
}

TEST(ReferenceEquivalence, LargeInputsAndSampleFiles) {
    for (std::uint8_t byFormat : {0, 1}) {
        for (bool bRegisters : {false, true}) {
            vela::CLargeInputOptions options;
            options.byFormat = byFormat;
            options.nEvents = 3000;
            options.bRegisterWrites = bRegisters;
            options.nSeed = 11u + byFormat;
            const CComparison c = ExpectEquivalent(vela::MakeLargeInput(options), "large input");
            EXPECT_EQ(c.nResult, 1);
        }
    }
    for (const vela::CSampleFile& sample : vela::MakeSampleFiles()) {
        EXPECT_EQ(ExpectEquivalent(sample.vecBytes, sample.strPath).nResult, 1);
    }
}

// Equal times across tracks, checked by position rather than only by
// agreement: track 1 before track 2, file order within a track, setup voices
// first.
TEST(ReferenceEquivalence, EqualTimesKeepTrackThenFileOrder) {
    vela::CSetupBuilder setup;
    setup.VoiceFormat1(0, 0, 1, vela::Format1VoiceParams(0));
    vela::CSequenceBuilder t1;
    t1.Note(5, 0, 1, 1, 10).Note(0, 1, 1, 2, 10).EndOfSequence(0);
    vela::CSequenceBuilder t2;
    t2.Note(0, 0, 1, 3, 10).Note(5, 2, 1, 4, 10).EndOfSequence(0);
    const vela::Bytes input = vela::CVelaFile()
                                  .Add(vela::ContentsInfo(0x01))
                                  .Add(vela::ScoreTrack(2).Add(vela::ScoreSequence(t2)))
                                  .Add(vela::ScoreTrack(1).Add(vela::Setup(setup)).Add(vela::ScoreSequence(t1)))
                                  .ToBytes();
    ExpectEquivalent(input, "hand-made");
    CReferenceConverter reference;
    ByteBuffer out;
    ASSERT_EQ(reference.Convert(input.data(), static_cast<std::int32_t>(input.size()), out), 1);
    // (time, kind, note byte) of every record; track 2 comes first in the
    // file but track 1's events precede it at equal times.
    std::vector<std::tuple<std::uint32_t, int, int>> order;
    for (const EventRecord& r : reference.m_vecEvents) {
        order.emplace_back(r.time, r.kind, r.kind == kKindNote ? r.data[0] : -1);
    }
    const std::vector<std::tuple<std::uint32_t, int, int>> expected = {
        {0, kKindSetupVoice, -1}, {0, kKindNote, 0x13},   {5, kKindNote, 0x11},
        {5, kKindNote, 0x52},     {5, kKindNote, 0x94},   {15, kKindEndOfSequence, -1}};
    EXPECT_EQ(order, expected);
}

}  // namespace

namespace {

// The key-on index answers questions in any order, as the plain scan does:
// in time order (the translation), starting over (the second pass), from
// behind its end, and at times with several channels or none.
TEST(ReferenceEquivalence, KeyOnQuestionsInAnyOrder) {
    std::vector<std::vector<std::uint8_t>> messages;
    const std::uint32_t anTimes[] = {10, 10, 20, 30, 30, 30, 45};
    const std::uint8_t abyRegisters[] = {0xC3, 0xC5, 0xC3, 0xB3, 0xC0, 0xCF, 0xC3};
    const std::uint8_t abyValues[] = {0x31, 0x21, 0x11, 0x31, 0x22, 0x3F, 0x20};
    for (std::size_t i = 0; i < 7; ++i) {
        messages.push_back({0xF0, 0x06, 0x43, 0x03, 0x90, abyRegisters[i], abyValues[i], 0xF7});
    }
    CCnvLarkWrentoHeron engine;
    CReferenceConverter reference;
    for (std::size_t i = 0; i < 7; ++i) {
        EventRecord record;
        record.kind = kKindRegisterWrite;
        record.time = anTimes[i];
        record.length = 8;
        record.data = messages[i].data();
        engine.m_vecEvents.push_back(record);
        reference.m_vecEvents.push_back(record);
    }
    const std::uint32_t anQuestions[] = {0, 10, 10, 20, 30, 31, 45, 46, 10, 30, 5, 45, 20, 1000, 30, 10};
    std::size_t nYes = 0;
    for (std::uint32_t nTime : anQuestions) {
        for (std::uint8_t byChannel = 0; byChannel < 16; ++byChannel) {
            const bool bEngine = engine.HasKeyOnAt(nTime, byChannel);
            ASSERT_EQ(bEngine, reference.HasKeyOnAt(nTime, byChannel)) << "time " << nTime << " channel " << int{byChannel};
            nYes += bEngine ? 1 : 0;
        }
    }
    EXPECT_GT(nYes, 6u);
}

// One random change: flip, overwrite, insert, delete or truncate bytes, or
// overwrite a 32-bit size field with a nearby or wild value.
void Damage(vela::Bytes& file, perf::CRandom& rng) {
    if (file.size() < 24) {
        return;
    }
    const std::size_t nAt = 8 + rng.Below(static_cast<std::uint32_t>(file.size() - 8));
    switch (rng.Below(6)) {
        case 0:
            file[nAt] ^= static_cast<std::uint8_t>(1u << rng.Below(8));
            break;
        case 1:
            file[nAt] = rng.OneIn(2) ? 0xFF : rng.Byte();
            break;
        case 2:
            file.insert(file.begin() + static_cast<std::ptrdiff_t>(nAt), rng.Byte());
            break;
        case 3:
            file.erase(file.begin() + static_cast<std::ptrdiff_t>(nAt));
            break;
        case 4:
            file.resize(nAt);
            break;
        default: {
            if (nAt + 4 <= file.size()) {
                const std::uint32_t nValue = rng.OneIn(2) ? rng.Below(64) : rng.Next();
                for (int i = 0; i < 4; ++i) {
                    file[nAt + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(nValue >> (24 - 8 * i));
                }
            }
            break;
        }
    }
}

// Damaged files, most with their frame (size field and CRC) made valid
// again so that the damage reaches the analysis and the writers.
TEST(ReferenceEquivalence, DamagedInputsAndFuzzSeeds) {
    perf::CRandom rng(4242);
    std::size_t nAccepted = 0;
    std::size_t nRejected = 0;
    // The seeds reach the audio track, wave data, seek points and tags.
    const std::vector<CFuzzSeed> seeds = MakeFuzzSeeds();
    for (const CFuzzSeed& seed : seeds) {
        ExpectEquivalent(seed.vecBytes, seed.strName);
    }
    for (std::uint32_t i = 0; i < 6000; ++i) {
        vela::Bytes file = i % 3 == 2   ? seeds[i / 3 % seeds.size()].vecBytes
                           : i % 3 == 0 ? perf::MakeStressInput({static_cast<std::uint8_t>(i % 2), i + 1, 12})
                                        : vela::MakeLargeInput({static_cast<std::uint8_t>(i % 2), 30, i % 4 != 0, i});
        const std::uint32_t nChanges = 1 + rng.Below(4);
        for (std::uint32_t c = 0; c < nChanges; ++c) {
            Damage(file, rng);
        }
        if (!rng.OneIn(8)) {
            vela::FixSizeAndCrc(file);
        }
        (ExpectEquivalent(file, "damaged input " + std::to_string(i)).nResult == 1 ? nAccepted : nRejected)++;
        if (::testing::Test::HasFailure()) {
            return;  // one input's report is enough
        }
    }
    // Both outcomes are well represented.
    EXPECT_GT(nAccepted, 500u);  // about 800
    EXPECT_GT(nRejected, 2000u);
}

}  // namespace
