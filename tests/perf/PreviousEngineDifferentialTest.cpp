// The engine against the engine it replaced (a frozen copy in
// previous-engine/, namespace previous_engine): the same result, the same
// rejection reason, the same output bytes and the same analysed lists, over
// the sample files, the fuzz seeds, stress and large inputs, and thousands of
// generated files damaged in ways that do and do not keep the frame valid.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ByteBuffer.h"
#include "CnvLarkWrentoHeron.h"
#include "FuzzSeeds.h"
#include "RandomInputs.h"
#include "SampleFiles.h"
#include "VelaBuilder.h"
#include "previous-engine/CnvLarkWrentoHeron.h"

namespace {

using vela::Bytes;

template <typename A, typename B>
bool SameRecords(const std::vector<A>& a, const std::vector<B>& b) {
    if (a.size() != b.size()) {
        return false;
    }
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (a[i].kind != b[i].kind || a[i].time != b[i].time || a[i].duration != b[i].duration ||
            a[i].length != b[i].length || a[i].data != b[i].data || a[i].track != b[i].track) {
            return false;
        }
    }
    return true;
}

bool SameReason(const CRejectReason& a, const previous_engine::CRejectReason& b) {
    return static_cast<int>(a.eCode) == static_cast<int>(b.eCode) && a.byDetail == b.byDetail &&
           a.byTrack == b.byTrack && std::equal(std::begin(a.abyId), std::end(a.abyId), std::begin(b.abyId)) &&
           a.nOffset == b.nOffset && a.nSize == b.nSize && a.nValue == b.nValue && a.nExpected == b.nExpected &&
           a.nLength == b.nLength && a.nTick == b.nTick;
}

// Converts input with both engines; true when everything agrees.
bool ExpectSameAsPrevious(const Bytes& input, const std::string& strWhat) {
    SCOPED_TRACE(strWhat);
    CCnvLarkWrentoHeron lean;
    previous_engine::CCnvLarkWrentoHeron previous;
    ByteBuffer leanOut;
    previous_engine::ByteBuffer previousOut;
    const auto nSize = static_cast<std::int32_t>(input.size());
    const std::int32_t nLean = lean.Convert(input.data(), nSize, leanOut);
    const std::int32_t nPrevious = previous.Convert(input.data(), nSize, previousOut);
    EXPECT_EQ(nLean, nPrevious);
    EXPECT_TRUE(leanOut.Bytes() == previousOut.Bytes()) << "output bytes differ";
    EXPECT_TRUE(SameReason(lean.m_rejection, previous.m_rejection))
        << "reason " << int(lean.m_rejection.eCode) << ", previously " << int(previous.m_rejection.eCode);
    EXPECT_TRUE(SameRecords(lean.m_vecEvents, previous.m_vecEvents)) << "m_vecEvents differ";
    EXPECT_TRUE(SameRecords(lean.m_vecMasterEvents, previous.m_vecMasterEvents)) << "m_vecMasterEvents differ";
    EXPECT_TRUE(SameRecords(lean.m_vecWaveChunks, previous.m_vecWaveChunks)) << "m_vecWaveChunks differ";
    EXPECT_EQ(lean.m_nStartPoint, previous.m_nStartPoint);
    EXPECT_EQ(lean.m_nStopPoint, previous.m_nStopPoint);

    // The reading of a source file without conversion (file descriptions).
    CCnvLarkWrentoHeron leanAnalysis;
    previous_engine::CCnvLarkWrentoHeron previousAnalysis;
    EXPECT_EQ(leanAnalysis.AnalyzeInput(input.data(), nSize), previousAnalysis.AnalyzeInput(input.data(), nSize));
    EXPECT_TRUE(SameRecords(leanAnalysis.m_vecEvents, previousAnalysis.m_vecEvents)) << "analysed events differ";
    EXPECT_TRUE(SameReason(leanAnalysis.m_rejection, previousAnalysis.m_rejection));
    for (int t = 0; t < 6; ++t) {
        EXPECT_EQ(leanAnalysis.m_abTrackRead[t], previousAnalysis.m_abTrackRead[t]);
        EXPECT_EQ(leanAnalysis.m_anTrackLength[t], previousAnalysis.m_anTrackLength[t]);
        EXPECT_EQ(leanAnalysis.m_anIgnoredEvents[t], previousAnalysis.m_anIgnoredEvents[t]);
    }
    return !::testing::Test::HasFailure();
}

// One random change: flip, overwrite, insert, delete or truncate bytes, or
// overwrite a 32-bit size field with a nearby or wild value.
void Damage(Bytes& file, perf::CRandom& rng) {
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

TEST(PreviousEngineDifferential, SampleFilesAndFuzzSeeds) {
    for (const vela::CSampleFile& sample : vela::MakeSampleFiles()) {
        ASSERT_TRUE(ExpectSameAsPrevious(sample.vecBytes, sample.strPath));
    }
    for (const CFuzzSeed& seed : MakeFuzzSeeds()) {
        ASSERT_TRUE(ExpectSameAsPrevious(seed.vecBytes, seed.strName));
    }
}

TEST(PreviousEngineDifferential, StressAndLargeInputs) {
    for (std::uint8_t byFormat : {0, 1}) {
        for (std::uint32_t nSeed = 1; nSeed <= 300; ++nSeed) {
            ASSERT_TRUE(ExpectSameAsPrevious(perf::MakeStressInput({byFormat, nSeed, 40}),
                                             "stress f" + std::to_string(byFormat) + " seed " + std::to_string(nSeed)));
        }
        for (std::uint32_t nEvents : {1000u, 20000u}) {
            for (bool bRegisters : {false, true}) {
                ASSERT_TRUE(ExpectSameAsPrevious(vela::MakeLargeInput({byFormat, nEvents, bRegisters, nEvents + 7}),
                                                 "large f" + std::to_string(byFormat)));
            }
        }
    }
}

// Damaged files, most with their frame (size field and CRC) made valid
// again so that the damage reaches the analysis and the writers.
TEST(PreviousEngineDifferential, DamagedInputs) {
    perf::CRandom rng(4242);
    std::size_t nAccepted = 0;
    std::size_t nRejected = 0;
    // The seeds reach the audio track, wave data, seek points and tags.
    const std::vector<CFuzzSeed> seeds = MakeFuzzSeeds();
    for (std::uint32_t i = 0; i < 6000; ++i) {
        Bytes file = i % 3 == 2   ? seeds[i / 3 % seeds.size()].vecBytes
                     : i % 3 == 0 ? perf::MakeStressInput({static_cast<std::uint8_t>(i % 2), i + 1, 12})
                                  : vela::MakeLargeInput({static_cast<std::uint8_t>(i % 2), 30, i % 4 != 0, i});
        const std::uint32_t nChanges = 1 + rng.Below(4);
        for (std::uint32_t c = 0; c < nChanges; ++c) {
            Damage(file, rng);
        }
        if (!rng.OneIn(8)) {
            vela::FixSizeAndCrc(file);
        }
        ASSERT_TRUE(ExpectSameAsPrevious(file, "damaged input " + std::to_string(i)));
        CCnvLarkWrentoHeron converter;
        ByteBuffer out;
        (converter.Convert(file.data(), static_cast<std::int32_t>(file.size()), out) == 1 ? nAccepted : nRejected)++;
    }
    // Both outcomes are well represented.
    EXPECT_GT(nAccepted, 500u);  // about 800
    EXPECT_GT(nRejected, 2000u);
}

}  // namespace
