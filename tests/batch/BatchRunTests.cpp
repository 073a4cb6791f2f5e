// The worker loop: notification order, counts, stop and cancel, on the
// Windows-like in-memory file system.
#include <gtest/gtest.h>

#include <algorithm>
#include <thread>

#include "BatchRun.h"
#include "BatchState.h"
#include "FakePlatform.h"
#include "InputCollection.h"
#include "RecordingObserver.h"
#include "TestInputs.h"

namespace {

using Strings = std::vector<std::string>;

const std::vector<std::uint8_t> kOld = {'o', 'l', 'd'};

class BatchRunTest : public ::testing::Test {
protected:
    void SetUp() override {
        ResetBatchState("C:\\app");
        m_fake.AddFolder("C:\\app");
    }

    // n valid songs C:\m\s0.mmf ... in the list, collected like a drop.
    void Songs(int nCount) {
        std::vector<std::string> vecPaths;
        for (int i = 0; i < nCount; ++i) {
            vecPaths.push_back("C:\\m\\s" + std::to_string(i) + ".mmf");
            m_fake.AddFile(vecPaths.back(), testinput::ValidSong());
        }
        CollectDroppedFiles(m_fake, vecPaths);
    }

    void Run() { RunBatch(m_fake, m_observer); }

    CFakePlatform m_fake;
    CRecordingObserver m_observer;
};

TEST_F(BatchRunTest, NotificationOrder) {
    m_fake.AddFile("C:\\m\\a.mmf", testinput::ValidSong());
    m_fake.AddFile("C:\\m\\b.txt", {1});
    CollectDroppedFiles(m_fake, {"C:\\m\\a.mmf", "C:\\m\\b.txt"});
    m_fake.m_strCurrent = "C:\\m";
    Run();
    EXPECT_EQ(m_observer.m_vecEvents,
              (Strings{"init 2", "button Stop", "counts 0 0 2",
                       "step 0", "row a.mmf|OK: Convert success.|C:\\m\\a.mmf", "counts 1 0 2",
                       "step 1", "row b.txt|NG: Input file is not VELA.|C:\\m\\b.txt", "counts 1 1 2",
                       "enable", "button Ok", "finished"}));
    EXPECT_EQ(g_bConverting.load(), 0);
    EXPECT_EQ(m_fake.m_strCurrent, "C:\\app");
    EXPECT_EQ(g_vecFileItems[0].nResult, 1);
    EXPECT_EQ(g_vecFileItems[1].nResult, -3);
    EXPECT_EQ(m_fake.Contents("C:\\m\\OUTPUT\\a.mmf"), testinput::Converted(testinput::ValidSong()));
}

TEST_F(BatchRunTest, EmptyDropStillRunsAndFinishes) {
    m_fake.AddFolder("C:\\m\\empty");
    CollectDroppedFiles(m_fake, {"C:\\m\\empty"});
    Run();
    EXPECT_EQ(m_observer.m_vecEvents,
              (Strings{"init 0", "button Stop", "counts 0 0 0", "enable", "button Ok", "finished"}));
}

TEST_F(BatchRunTest, StopTakesEffectBetweenEntries) {
    Songs(10);
    m_observer.m_fnOnStep = [](int nIndex) {
        if (nIndex == 3) {
            g_bConverting.store(0);  // Stop pressed while entry 3 converts
        }
    };
    Run();
    EXPECT_EQ(m_observer.Rows().size(), 4u);
    const Strings& vecEvents = m_observer.m_vecEvents;
    EXPECT_EQ(std::find(vecEvents.begin(), vecEvents.end(), "step 4"), vecEvents.end());
    EXPECT_EQ(vecEvents[vecEvents.size() - 4], "counts 4 0 10");
    EXPECT_EQ(vecEvents.back(), "finished");
    EXPECT_TRUE(m_fake.Exists("C:\\m\\OUTPUT\\s3.mmf"));
    EXPECT_FALSE(m_fake.Exists("C:\\m\\OUTPUT\\s4.mmf"));
    EXPECT_TRUE(g_vecFileItems[4].strResult.empty());
}

TEST_F(BatchRunTest, CancelAtTheQuestionEndsTheRunWithoutARow) {
    Songs(5);
    m_fake.AddFile("C:\\m\\OUTPUT\\s2.mmf", kOld);
    m_fake.AddFile("C:\\m\\OUTPUT\\s3.mmf", kOld);
    m_fake.m_dequeAnswers = {EAnswer::Cancel};
    Run();
    EXPECT_EQ(m_observer.Rows().size(), 2u);
    const Strings& vecEvents = m_observer.m_vecEvents;
    // Entry 2 counts as converted; nothing after it runs.
    EXPECT_EQ(vecEvents[vecEvents.size() - 4], "counts 3 0 5");
    EXPECT_EQ(std::find(vecEvents.begin(), vecEvents.end(), "step 3"), vecEvents.end());
    EXPECT_EQ(m_fake.Contents("C:\\m\\OUTPUT\\s2.mmf"), kOld);
    EXPECT_EQ(m_fake.m_vecQuestions, Strings{"s2.mmf has already exists. Overwrite all ?"});
    EXPECT_EQ(vecEvents.back(), "finished");
}

TEST_F(BatchRunTest, NoCountsAsConvertedAndAsksAgain) {
    Songs(3);
    m_fake.AddFile("C:\\m\\OUTPUT\\s0.mmf", kOld);
    m_fake.AddFile("C:\\m\\OUTPUT\\s1.mmf", kOld);
    m_fake.m_dequeAnswers = {EAnswer::No, EAnswer::No};
    Run();
    EXPECT_EQ(m_observer.Rows(), (Strings{"s0.mmf|NG: Convert cancel.|C:\\m\\s0.mmf",
                                          "s1.mmf|NG: Convert cancel.|C:\\m\\s1.mmf",
                                          "s2.mmf|OK: Convert success.|C:\\m\\s2.mmf"}));
    EXPECT_EQ(m_fake.m_vecQuestions.size(), 2u);
    const Strings& vecEvents = m_observer.m_vecEvents;
    EXPECT_EQ(vecEvents[vecEvents.size() - 4], "counts 3 0 3");
}

TEST_F(BatchRunTest, YesOverwritesTheRestOfTheRunButNotReadOnlyOutputs) {
    Songs(4);
    m_fake.AddFile("C:\\m\\OUTPUT\\s0.mmf", kOld);
    m_fake.AddFile("C:\\m\\OUTPUT\\s1.mmf", kOld, /*bReadOnly=*/true);
    m_fake.AddFile("C:\\m\\OUTPUT\\s3.mmf", kOld);
    m_fake.m_dequeAnswers = {EAnswer::Yes};
    Run();
    EXPECT_EQ(m_fake.m_vecQuestions.size(), 1u);
    EXPECT_EQ(m_observer.Rows()[1], "s1.mmf|NG: File write error.|C:\\m\\s1.mmf");
    EXPECT_EQ(m_fake.Contents("C:\\m\\OUTPUT\\s1.mmf"), kOld);
    EXPECT_EQ(m_fake.Contents("C:\\m\\OUTPUT\\s3.mmf"), testinput::Converted(testinput::ValidSong()));
    const Strings& vecEvents = m_observer.m_vecEvents;
    EXPECT_EQ(vecEvents[vecEvents.size() - 4], "counts 3 1 4");
}

TEST_F(BatchRunTest, EachRunStartsByAskingAgain) {
    Songs(1);
    m_fake.AddFile("C:\\m\\OUTPUT\\s0.mmf", kOld);
    g_nOverwriteMode.store(kOverwriteAll);  // left over from an earlier run
    m_fake.m_dequeAnswers = {EAnswer::No};
    Run();
    EXPECT_EQ(m_fake.m_vecQuestions.size(), 1u);
}

TEST_F(BatchRunTest, OutputFileNamedOutputFailsEveryJob) {
    Songs(2);
    m_fake.AddFile("C:\\m\\OUTPUT", kOld);
    Run();
    EXPECT_EQ(m_observer.Rows(), (Strings{"s0.mmf|NG: Output file open error.|C:\\m\\s0.mmf",
                                          "s1.mmf|NG: Output file open error.|C:\\m\\s1.mmf"}));
    EXPECT_EQ(m_fake.Contents("C:\\m\\OUTPUT"), kOld);
}

TEST_F(BatchRunTest, MirroredFoldersAreCreatedDuringTheRun) {
    m_fake.AddFile("C:\\m\\album\\x.mmf", testinput::ValidSong());
    m_fake.AddFile("C:\\m\\album\\cd1\\y.mmf", testinput::ValidSong(9));
    CollectDroppedFiles(m_fake, {"C:\\m\\album"});
    Run();
    EXPECT_EQ(m_fake.Contents("C:\\m\\OUTPUT\\album\\x.mmf"), testinput::Converted(testinput::ValidSong()));
    EXPECT_EQ(m_fake.Contents("C:\\m\\OUTPUT\\album\\cd1\\y.mmf"), testinput::Converted(testinput::ValidSong(9)));
}

TEST_F(BatchRunTest, StoredCodesAreLowBytesAndOnlyOneCountsAsConverted) {
    m_fake.AddFile("C:\\m\\bad.mmf", testinput::InvalidSong());
    m_fake.AddFile("C:\\m\\empty.mmf", {});
    m_fake.AddFile("C:\\m\\ok.mmf", testinput::ValidSong());
    CollectDroppedFiles(m_fake, {"C:\\m\\bad.mmf", "C:\\m\\empty.mmf", "C:\\m\\ok.mmf", "C:\\m\\gone.mmf"});
    Run();
    // gone.mmf has no attributes: treated as a folder, one notice, no entry.
    EXPECT_EQ(m_fake.m_vecNotices.size(), 1u);
    ASSERT_EQ(g_vecFileItems.size(), 3u);
    EXPECT_EQ(g_vecFileItems[0].nResult, 0);
    EXPECT_EQ(g_vecFileItems[1].nResult, -4);
    EXPECT_EQ(g_vecFileItems[2].nResult, 1);
    const Strings& vecEvents = m_observer.m_vecEvents;
    EXPECT_EQ(vecEvents[vecEvents.size() - 4], "counts 1 2 3");
}

TEST_F(BatchRunTest, RunsOnAWorkerThread) {
    Songs(3);
    std::thread worker([this] { Run(); });
    worker.join();
    EXPECT_EQ(m_observer.Rows().size(), 3u);
    EXPECT_EQ(m_observer.m_vecEvents.back(), "finished");
}

}  // namespace
