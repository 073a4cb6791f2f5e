// The files of a run that a report or drawing may not take the place of,
// on the Windows-like file system in memory: spellings that differ in case
// and separators, folder links, outputs not written yet.
#include <gtest/gtest.h>

#include "BatchState.h"
#include "FakePlatform.h"
#include "RunFiles.h"
#include "WholeFileWrite.h"

namespace {

class RunFilesTest : public ::testing::Test {
protected:
    void SetUp() override {
        g_strBaseDir = "C:\\m";
        g_strOutputRoot.clear();
        m_fake.AddFile("C:\\m\\a.mmf", {1});
        m_fake.AddFile("C:\\m\\notes.txt", {2});
        m_fake.AddFolder("C:\\m\\OUTPUT");
        m_fake.AddFolderLink("C:\\l", "C:\\m\\OUTPUT");
        m_files = CRunFiles::OfBatch(m_fake, {FileItem{"C:\\m\\a.mmf", 0, {}, {}},
                                              FileItem{"C:\\m\\notes.txt", 0, {}, {}}});
    }
    void TearDown() override { g_strBaseDir.clear(); }

    std::string At(const std::string& strPath) {
        const RunFile* pFile = m_files.FileAt(m_fake, strPath);
        return pFile == nullptr ? std::string() : DescribeRunFile(*pFile);
    }

    CFakePlatform m_fake;
    CRunFiles m_files;
};

TEST_F(RunFilesTest, InputsAndOutputsHoweverSpelt) {
    EXPECT_EQ(At("c:/M/A.mmf"), "the input C:\\m\\a.mmf");
    EXPECT_EQ(At("C:\\m\\notes.txt"), "the input C:\\m\\notes.txt");
    // Not written yet: by its path, and by its name in the same folder
    // reached through a link.
    EXPECT_EQ(At("C:\\m\\output\\A.MMF"), "the output C:\\m\\OUTPUT\\a.mmf");
    EXPECT_EQ(At("C:\\l\\a.mmf"), "the output C:\\m\\OUTPUT\\a.mmf");
    // Only VELA files get outputs; other names are free.
    EXPECT_EQ(At("C:\\m\\OUTPUT\\notes.txt"), "");
    EXPECT_EQ(At("C:\\m\\OUTPUT\\b.mmf"), "");
    EXPECT_EQ(At("C:\\m\\r.csv"), "");
    // Written: the same file through the link.
    m_fake.AddFile("C:\\m\\OUTPUT\\a.mmf", {3});
    EXPECT_EQ(At("C:\\l\\a.mmf"), "the output C:\\m\\OUTPUT\\a.mmf");
}

TEST_F(RunFilesTest, TheWriterRefusesThemAndLeavesThemAlone) {
    const std::uint8_t abyReport[] = {'r'};
    EXPECT_EQ(WriteWholeFile(m_fake, "C:\\M\\A.MMF", abyReport, 1, m_files), "it is the input C:\\m\\a.mmf of this run");
    EXPECT_EQ(m_fake.Contents("C:\\m\\a.mmf"), std::vector<std::uint8_t>{1});
    EXPECT_EQ(WriteWholeFile(m_fake, "C:\\l\\a.mmf", abyReport, 1, m_files),
              "it is the output C:\\m\\OUTPUT\\a.mmf of this run");
    EXPECT_FALSE(m_fake.Exists("C:\\m\\OUTPUT\\a.mmf"));
    EXPECT_EQ(WriteWholeFile(m_fake, "C:\\m\\r.csv", abyReport, 1, m_files), "");
    EXPECT_EQ(m_fake.Contents("C:\\m\\r.csv"), std::vector<std::uint8_t>{'r'});
}

}  // namespace
