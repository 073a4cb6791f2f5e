// Damaged inputs: cut files, sizes that overrun, flipped bits. Every
// conversion must end with 0 (rejected) or 1 (converted) and never read
// outside the input (the sanitizer build checks the reads); an accepted
// input must still give a structurally sound file.
#include <gtest/gtest.h>

#include <random>

#include "HeronChecker.h"
#include "SampleFiles.h"
#include "TestUtil.h"

using testutil::Bytes;
using testutil::Hex;
using vela::CSequenceBuilder;
using vela::CSetupBuilder;

namespace {

// Converts from a buffer of exactly the file's size, so that any read past
// the end is a heap overflow the sanitizer reports.
::testing::AssertionResult ConvertsSafely(const Bytes& file) {
    std::unique_ptr<std::uint8_t[]> exact(new std::uint8_t[file.empty() ? 1 : file.size()]);
    std::copy(file.begin(), file.end(), exact.get());
    CCnvLarkWrentoHeron cnv;
    ByteBuffer out;
    const std::int32_t nResult = cnv.Convert(exact.get(), static_cast<std::int32_t>(file.size()), out);
    if (nResult != 0 && nResult != 1) {
        return ::testing::AssertionFailure() << "result " << nResult;
    }
    if (nResult == 0) {
        return out.Empty() ? ::testing::AssertionSuccess() : ::testing::AssertionFailure() << "output on rejection";
    }
    const auto problems = heron::CheckFile(out.Data(), out.Size(), /*bStrictData=*/true);
    if (!problems.empty()) {
        return ::testing::AssertionFailure() << "accepted input gave a malformed file:\n" << heron::JoinProblems(problems);
    }
    return ::testing::AssertionSuccess();
}

std::int32_t ResultOf(const Bytes& file) {
    ByteBuffer out;
    return testutil::Convert(file, out);
}

TEST(MalformedInput, EveryTruncationOfEverySample) {
    for (const auto& sample : vela::MakeSampleFiles()) {
        const std::size_t nStep = sample.vecBytes.size() > 4000 ? 13 : 1;
        int nAccepted = 0;
        for (std::size_t n = 0; n <= sample.vecBytes.size(); n += nStep) {
            Bytes cut(sample.vecBytes.begin(), sample.vecBytes.begin() + static_cast<std::ptrdiff_t>(n));
            vela::FixSizeAndCrc(cut);
            ASSERT_TRUE(ConvertsSafely(cut)) << sample.strPath << " cut to " << n << " bytes";
            nAccepted += ResultOf(cut) == 1;
        }
        EXPECT_GT(nAccepted, 0) << sample.strPath << ": some short prefixes (just the contents chunk) convert";
    }
}

TEST(MalformedInput, RandomBitFlipsWithSizeAndCrcFixed) {
    std::mt19937 rng(20240611);
    for (const auto& sample : vela::MakeSampleFiles()) {
        const int nRounds = sample.vecBytes.size() > 4000 ? 150 : 1500;
        for (int round = 0; round < nRounds; ++round) {
            Bytes file = sample.vecBytes;
            const int nFlips = 1 + static_cast<int>(rng() % 4);
            for (int i = 0; i < nFlips; ++i) {
                const std::size_t nPos = 8 + rng() % (file.size() - 10);
                file[nPos] ^= static_cast<std::uint8_t>(1u << (rng() % 8));
            }
            vela::FixSizeAndCrc(file);
            ASSERT_TRUE(ConvertsSafely(file)) << sample.strPath << " round " << round;
        }
    }
}

TEST(MalformedInput, RandomBodiesBehindAValidHead) {
    std::mt19937 rng(7);
    for (int round = 0; round < 2000; ++round) {
        Bytes file = vela::CVelaFile().Add(vela::ContentsInfo(round % 2 ? 0x31 : 0x00)).ToBytes();
        file.resize(file.size() - 2);
        const char* const apszIds[] = {"MTR\x01", "MTR", "ATR\x05", "Mtsq", "Mtsu", "Atsq", "MspI", "Awa\x01"};
        const int nChunks = 1 + static_cast<int>(rng() % 4);
        for (int c = 0; c < nChunks; ++c) {
            const char* pszId = apszIds[rng() % 8];
            for (int i = 0; i < 4; ++i) file.push_back(static_cast<std::uint8_t>(pszId[i]));
            const std::uint32_t nSize = rng() % 64;
            vela::AppendBE32(file, rng() % 5 == 0 ? rng() : nSize);
            for (std::uint32_t i = 0; i < nSize; ++i) file.push_back(static_cast<std::uint8_t>(rng()));
        }
        file.push_back(0);
        file.push_back(0);
        vela::FixSizeAndCrc(file);
        ASSERT_TRUE(ConvertsSafely(file)) << "round " << round;
    }
}

// Chunk sizes reaching beyond the input reject the file.
TEST(MalformedInput, OverrunningChunkSizes) {
    CSequenceBuilder seq;
    seq.Note(0, 0, 1, 1, 10).EndOfSequence(10);
    CSetupBuilder setup;
    setup.VoiceFormat1(0, 0, 0, vela::Format1VoiceParams(0));
    const std::uint32_t anSizes[] = {200, 0x7FFFFFFF, 0xFFFFFFF0, 0xFFFFFFF8, 0xFFFFFFFF};
    for (std::uint32_t nSize : anSizes) {
        const auto track = [&](vela::CChunk inner) {
            return vela::CVelaFile().Add(vela::ContentsInfo(0x31)).Add(vela::ScoreTrack(1).Add(inner)).ToBytes();
        };
        const struct {
            const char* pszWhat;
            Bytes file;
        } cases[] = {
            {"CNTI", vela::CVelaFile().Add(vela::ContentsInfo(0x31).OverrideSize(nSize)).Add(vela::ScoreTrack(1).Add(vela::ScoreSequence(seq))).ToBytes()},
            {"MTR", vela::CVelaFile().Add(vela::ContentsInfo(0x31)).Add(vela::ScoreTrack(1).Add(vela::ScoreSequence(seq)).OverrideSize(nSize)).ToBytes()},
            {"Mtsq", track(vela::ScoreSequence(seq).OverrideSize(nSize))},
            {"Mtsu", track(vela::Setup(setup).OverrideSize(nSize))},
            {"MspI", track(vela::SeekAndPhrase(0, 3).OverrideSize(nSize))},
            {"Awa", vela::CVelaFile().Add(vela::ContentsInfo(0x31)).Add(vela::AudioTrack(5).Add(vela::WaveData(1, {1, 2, 3}).OverrideSize(nSize))).ToBytes()},
        };
        for (const auto& c : cases) {
            EXPECT_TRUE(ConvertsSafely(c.file)) << c.pszWhat << " size " << nSize;
            EXPECT_EQ(ResultOf(c.file), 0) << c.pszWhat << " size " << nSize;
        }
    }
}

TEST(MalformedInput, MessagesReachingBeyondTheInput) {
    // The sequence is the last chunk: its final exclusive claims 127 bytes.
    CSequenceBuilder seq;
    seq.Note(0, 0, 1, 1, 10).Raw(Hex("00 FF F0 7F 43 03 90"));
    const Bytes seqFile = testutil::OneTrackFile(seq, 0x31, 1);
    EXPECT_TRUE(ConvertsSafely(seqFile));
    EXPECT_EQ(ResultOf(seqFile), 0);

    // A setup message whose length runs past the end of the file.
    const Bytes setupFile = vela::CVelaFile()
                                .Add(vela::ContentsInfo(0x00))
                                .Add(vela::ScoreTrack(0).Add(vela::Setup(CSetupBuilder().Raw(Hex("FF F0 7F 43 02 00 00")))))
                                .ToBytes();
    EXPECT_TRUE(ConvertsSafely(setupFile));
    EXPECT_EQ(ResultOf(setupFile), 0);
}

TEST(MalformedInput, EventsStraddlingTheSequenceEndInsideTheInput) {
    // The sequence chunk ends in the middle of a note; the rest of the note
    // is the next chunk's bytes. Reading stays inside the input.
    CSequenceBuilder seq;
    seq.Note(0, 0, 1, 1, 10).Raw({0x00, 0x25});
    const Bytes file = vela::CVelaFile()
                           .Add(vela::ContentsInfo(0x00))
                           .Add(vela::ScoreTrack(0).Add(vela::ScoreSequence(seq)).Add(vela::CChunk("Mtsp").Raw({0x01})))
                           .ToBytes();
    EXPECT_TRUE(ConvertsSafely(file));
}

}  // namespace
