// What the page shows of a finished run beside its rows: the check line
// over every output written, and the details of one entry, both over the
// in-memory tree the run left.
#include <gtest/gtest.h>

#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "BatchRun.h"
#include "BatchState.h"
#include "EntryDetails.h"
#include "FileDescription.h"
#include "InputCollection.h"
#include "MemoryPlatform.h"
#include "OutputCheck.h"
#include "RecordingObserver.h"
#include "TestInputs.h"
#include "TextReport.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

// Two songs that convert and one that does not, run below "/in".
class PageDetails : public ::testing::Test {
protected:
    void SetUp() override {
        m_platform.AddFile("/in/a.mmf", m_vecSong);
        m_platform.AddFile("/in/b.mmf", testinput::ValidSong(7));
        m_platform.AddFile("/in/bad.mmf", testinput::InvalidSong());
        ResetBatchState("/");
        CollectDroppedFiles(m_platform, {"/in"});
        CRecordingObserver observer;
        RunBatch(m_platform, observer, 1);
        ASSERT_EQ(g_vecFileItems.size(), 3u);
    }
    const FileItem& Item(const std::string& strPath) const {
        for (const FileItem& item : g_vecFileItems) {
            if (item.strPath == strPath) {
                return item;
            }
        }
        throw std::runtime_error("no entry " + strPath);
    }

    Bytes m_vecSong = testinput::ValidSong(5);
    CMemoryPlatform m_platform;
};

TEST_F(PageDetails, EveryWrittenOutputIsCheckedAndADamagedOneIsNamed) {
    const COutputCheck good = CheckWrittenOutputs(m_platform);
    EXPECT_EQ(good.nChecked, 2u);
    EXPECT_EQ(OutputCheckLine(good), "2 outputs checked: all pass");

    // The last byte belongs to the file's CRC.
    Bytes vecDamaged = *m_platform.Contents("/OUTPUT/in/b.mmf");
    vecDamaged.back() ^= 0x01;
    ASSERT_EQ(m_platform.ReplaceExistingFile("/OUTPUT/in/b.mmf", vecDamaged.data(), vecDamaged.size()).eResult,
              EWriteResult::Ok);
    const std::string strLine = OutputCheckLine(CheckWrittenOutputs(m_platform));
    EXPECT_EQ(strLine.rfind("2 outputs checked: 1 fails: /OUTPUT/in/b.mmf (file-crc: ", 0), 0u) << strLine;
}

TEST(PageCheckLine, CountsAndNamesAFewFailures) {
    EXPECT_EQ(OutputCheckLine({}), "No outputs to check.");
    EXPECT_EQ(OutputCheckLine({1, {}}), "1 output checked: passes");
    COutputCheck many{9, {"/1", "/2", "/3", "/4", "/5", "/6", "/7"}};
    EXPECT_EQ(OutputCheckLine(many), "9 outputs checked: 7 fail: /1; /2; /3; /4; /5; and 2 more");
}

TEST_F(PageDetails, AConvertedEntryGetsSummaryRollAndTheCheckOfItsOutput) {
    const CEntryDetails details = DescribeEntry(m_platform, Item("/in/a.mmf"), m_vecSong.data(), m_vecSong.size());
    std::ostringstream summary;
    fileinfo::WriteSummary(summary, fileinfo::DescribeFile("/in/a.mmf", m_vecSong.data(), m_vecSong.size(), {}));
    EXPECT_EQ(details.strSummary, summary.str());
    EXPECT_NE(details.strRoll.find("<rect class=\"note\""), std::string::npos);
    EXPECT_NE(details.strRoll.find("converted notes"), std::string::npos) << "the converted panel";
    EXPECT_EQ(details.strCheck, "OK: /OUTPUT/in/a.mmf\n");
}

TEST_F(PageDetails, AnEntryThatDidNotConvertGetsItsSummaryOnly) {
    const Bytes vecBad = testinput::InvalidSong();
    const CEntryDetails details = DescribeEntry(m_platform, Item("/in/bad.mmf"), vecBad.data(), vecBad.size());
    EXPECT_NE(details.strSummary.find("  valid       no: "), std::string::npos) << details.strSummary;
    EXPECT_EQ(details.strRoll, "");
    EXPECT_EQ(details.strCheck, "");
}

}  // namespace
