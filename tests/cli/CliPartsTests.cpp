// The pieces that let one batch be split over several runs: path lists,
// shards, and the default number of jobs.
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>

#include "BatchState.h"
#include "CliOptions.h"
#include "PathList.h"
#include "Shard.h"
#include "TempTree.h"

namespace {

using Paths = std::vector<std::string>;

TEST(PathList, NewlineListsDropEmptyLinesAndTheCrOfWindowsLineEnds) {
    EXPECT_EQ(SplitPathList("a.mmf\n\nsub dir/b.mmf\r\n\r\n c.mmf \nlast", false),
              (Paths{"a.mmf", "sub dir/b.mmf", " c.mmf ", "last"}));
    // Only the CR of the line end goes; one inside a name stays.
    EXPECT_EQ(SplitPathList("x\ry\r\r\n", false), (Paths{"x\ry\r"}));
    EXPECT_EQ(SplitPathList("", false), Paths{});
    EXPECT_EQ(SplitPathList("\n\r\n", false), Paths{});
}

TEST(PathList, NulListsKeepLineBreaksAndCarriageReturns) {
    const std::string strList("two\nlines.mmf\0cr\r\0\0tail", 23);
    EXPECT_EQ(SplitPathList(strList, true), (Paths{"two\nlines.mmf", "cr\r", "tail"}));
    EXPECT_EQ(SplitPathList(std::string("\0\0", 2), true), Paths{});
}

TEST(PathList, AnUnreadableListGivesTheSystemsReason) {
    std::string strText = "stale";
    EXPECT_EQ(ReadPathList("/nonexistent-folder/list", strText), "No such file or directory");
    EXPECT_EQ(ReadPathList("/", strText), "Is a directory");
    EXPECT_EQ(strText, "");
}

TEST(PathList, AListLongerThanTheCapIsRefused) {
    CTempTree tree("kestrel-list");
    const std::string strFile = tree.Path("list");
    std::string strText(kMaxPathListBytes, '\n');
    {
        std::ofstream list(strFile, std::ios::binary);
        list << strText;
    }
    EXPECT_EQ(ReadPathList(strFile, strText), "");
    EXPECT_EQ(strText.size(), kMaxPathListBytes);
    std::ofstream(strFile, std::ios::binary | std::ios::app) << 'x';
    EXPECT_NE(ReadPathList(strFile, strText).find("longer than 64 MiB"), std::string::npos);
    EXPECT_EQ(strText, "");
}

TEST(Shard, OnlyTheFormKSlashNWithKBelowN) {
    ShardChoice shard;
    ASSERT_TRUE(ParseShard("3/4", shard));
    EXPECT_EQ(shard.nIndex, 3);
    EXPECT_EQ(shard.nCount, 4);
    ASSERT_TRUE(ParseShard("0/1", shard));
    EXPECT_EQ(shard.nCount, 1);
    for (const char* pszBad : {"4/4", "1/0", "0/0", "-1/4", "1/-4", "+1/4", "1/4/2", "1", "/4", "1/", " 1/4",
                               "1/4 ", "a/4", "1.0/4", "1/99999999999", "0/1000000000", ""}) {
        ShardChoice untouched{7, 9};
        EXPECT_FALSE(ParseShard(pszBad, untouched)) << pszBad;
        EXPECT_EQ(untouched.nIndex, 7) << pszBad;
    }
    // Up to the largest N the rule names.
    ASSERT_TRUE(ParseShard("999999998/999999999", shard));
    EXPECT_EQ(shard.nIndex, 999999998);
    ASSERT_TRUE(ParseShard("0000000000000/0000000000002", shard));
    EXPECT_EQ(shard.nCount, 2);
    EXPECT_NE(ShardRule().find("N <= 999999999"), std::string::npos);
}

TEST(Shard, EveryEntryLandsInExactlyOneShardInListOrder) {
    for (const int nCount : {1, 2, 3, 7, 12}) {
        std::vector<std::string> vecSeen;
        for (int k = 0; k < nCount; ++k) {
            std::vector<FileItem> vecItems;
            for (int i = 0; i < 10; ++i) {
                vecItems.push_back(FileItem{std::to_string(i), 0, {}, {}});
            }
            KeepShardEntries(vecItems, ShardChoice{k, nCount});
            for (std::size_t i = 0; i < vecItems.size(); ++i) {
                EXPECT_EQ(vecItems[i].strPath, std::to_string(k + static_cast<int>(i) * nCount));
                vecSeen.push_back(vecItems[i].strPath);
            }
        }
        std::sort(vecSeen.begin(), vecSeen.end(), [](const std::string& a, const std::string& b) {
            return std::stoi(a) < std::stoi(b);
        });
        ASSERT_EQ(vecSeen.size(), 10u) << nCount;
        for (int i = 0; i < 10; ++i) {
            EXPECT_EQ(vecSeen[static_cast<std::size_t>(i)], std::to_string(i));
        }
    }
}

TEST(DefaultedJobs, OnePerCoreUnlessAskingAndAnExplicitCountWins) {
    CCliOptions options;
    EXPECT_EQ(DefaultedJobs(options, false, 2), 2);
    EXPECT_EQ(DefaultedJobs(options, false, 0), 1);  // the system could not tell
    EXPECT_EQ(DefaultedJobs(options, false, 1000), 256);
    EXPECT_EQ(DefaultedJobs(options, true, 8), 1);
    options.m_bJobsGiven = true;
    options.m_nJobs = 1;
    EXPECT_EQ(DefaultedJobs(options, false, 8), 1);
    options.m_nJobs = 3;
    EXPECT_EQ(DefaultedJobs(options, true, 8), 3);  // cut to one, with the warning, by the caller
}

}  // namespace
