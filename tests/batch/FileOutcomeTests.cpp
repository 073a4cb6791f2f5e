// An entry's outcome is one value: its result text and code come from it,
// and what the job records always agrees with what it returns.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "BatchRun.h"
#include "ConvertFile.h"
#include "FakePlatform.h"
#include "FileOutcome.h"
#include "InputCollection.h"
#include "RecordingObserver.h"
#include "TestInputs.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

TEST(FileOutcomeTest, EveryOutcomeHasItsTextAndCode) {
    struct Case {
        EFileOutcome eOutcome;
        const char* pszText;
        int nCode;
    };
    const Case aCases[] = {
        {EFileOutcome::Pending, "", 0},
        {EFileOutcome::Converted, "OK: Convert success.", 1},
        {EFileOutcome::Declined, "NG: Convert cancel.", 1},
        {EFileOutcome::Cancelled, "", 1},
        {EFileOutcome::NotVela, "NG: Input file is not VELA.", -3},
        {EFileOutcome::InputOpenError, "NG: File open error.", -2},
        {EFileOutcome::InputEmpty, "NG: Input file size is 0. ", -4},
        {EFileOutcome::FormatInvalid, "NG: Input file format is invalid.", 0},
        {EFileOutcome::OutOfMemory, "NG: Convert error.", -5},
        {EFileOutcome::OutputOpenError, "NG: Output file open error.", -2},
        {EFileOutcome::WriteError, "NG: File write error.", -1},
    };
    for (const Case& testCase : aCases) {
        EXPECT_EQ(std::string(ResultText(testCase.eOutcome)), testCase.pszText);
        EXPECT_EQ(ResultCode(testCase.eOutcome), testCase.nCode) << testCase.pszText;
        EXPECT_EQ(IsConverted(testCase.eOutcome), testCase.eOutcome == EFileOutcome::Converted);
    }
    // The converter's own failure passes its result on.
    EXPECT_EQ(std::string(ResultText(EFileOutcome::ConvertFailed)), "NG: Convert error.");
    EXPECT_EQ(ResultCode(EFileOutcome::ConvertFailed, -1), -1);
    EXPECT_EQ(ResultCode(EFileOutcome::ConvertFailed, -2), -2);
}

class JobOutcomeTest : public ::testing::Test {
protected:
    void SetUp() override {
        ResetBatchState("C:\\app");
        m_fake.AddFolder("C:\\app");
        m_fake.AddFolder("C:\\in\\OUTPUT");
    }

    // Converts the entry and checks that its text and code are those of its outcome.
    EFileOutcome Outcome(const std::string& strName, const std::string& strOutDir = "C:\\in\\OUTPUT") {
        FileItem item{"C:\\in\\" + strName, 0, {}, {}};
        const int nCode = ConvertFileItem(m_fake, item, strOutDir);
        EXPECT_EQ(item.strResult, ResultText(item.eOutcome)) << strName;
        EXPECT_EQ(nCode, ResultCode(item.eOutcome, nCode)) << strName;
        return item.eOutcome;
    }

    CFakePlatform m_fake;
};

TEST_F(JobOutcomeTest, EachSituationRecordsItsOutcome) {
    m_fake.AddFile("C:\\in\\a.mmf", testinput::ValidSong());
    EXPECT_EQ(Outcome("a.mmf"), EFileOutcome::Converted);
    m_fake.AddFile("C:\\in\\a.txt", {1});
    EXPECT_EQ(Outcome("a.txt"), EFileOutcome::NotVela);
    EXPECT_EQ(Outcome("gone.mmf"), EFileOutcome::InputOpenError);
    m_fake.AddFile("C:\\in\\empty.mmf", {});
    EXPECT_EQ(Outcome("empty.mmf"), EFileOutcome::InputEmpty);
    m_fake.AddFile("C:\\in\\bad.mmf", testinput::InvalidSong());
    EXPECT_EQ(Outcome("bad.mmf"), EFileOutcome::FormatInvalid);
    m_fake.AddFile("C:\\in\\late.mmf", testinput::OverflowingSong());
    EXPECT_EQ(Outcome("late.mmf"), EFileOutcome::ConvertFailed);
    m_fake.AddFile("C:\\in\\b.mmf", testinput::ValidSong());
    EXPECT_EQ(Outcome("b.mmf", "C:\\in\\NOWHERE"), EFileOutcome::OutputOpenError);

    m_fake.AddFile("C:\\in\\OUTPUT\\ro.mmf", {1}, true);
    m_fake.AddFile("C:\\in\\ro.mmf", testinput::ValidSong());
    EXPECT_EQ(Outcome("ro.mmf"), EFileOutcome::WriteError);

    m_fake.AddFile("C:\\in\\OUTPUT\\a.mmf", {1});
    m_fake.m_dequeAnswers = {EAnswer::No};
    EXPECT_EQ(Outcome("a.mmf"), EFileOutcome::Declined);
    m_fake.m_dequeAnswers = {EAnswer::Cancel};
    EXPECT_EQ(Outcome("a.mmf"), EFileOutcome::Cancelled);
    g_nOverwriteMode.store(kOverwriteAll);
    m_fake.m_bFailWrites = true;
    EXPECT_EQ(Outcome("a.mmf"), EFileOutcome::WriteError);
}

TEST_F(JobOutcomeTest, RowsCarryTheOutcomeOfTheirEntry) {
    m_fake.AddFile("C:\\in\\a.mmf", testinput::ValidSong());
    m_fake.AddFile("C:\\in\\b.txt", {1});
    m_fake.AddFile("C:\\in\\c.mmf", testinput::InvalidSong());
    CollectDroppedFiles(m_fake, {"C:\\in\\a.mmf", "C:\\in\\b.txt", "C:\\in\\c.mmf"});
    CRecordingObserver observer;
    RunBatch(m_fake, observer);
    EXPECT_EQ(observer.m_vecOutcomes, (std::vector<EFileOutcome>{EFileOutcome::Converted, EFileOutcome::NotVela,
                                                                  EFileOutcome::FormatInvalid}));
}

}  // namespace
