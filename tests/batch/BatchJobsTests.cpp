// Runs with jobs: the bar step before each conversion, an entry that runs
// out of memory, outputs that would land on inputs, outputs that touch (one
// where another needs a folder, one reached by two spellings). (Colliding
// outputs under --jobs are checked end to end in the reliability suite.)
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <mutex>
#include <new>
#include <set>
#include <thread>

#include "BatchRun.h"
#include "BatchState.h"
#include "FakePlatform.h"
#include "InputCollection.h"
#include "RecordingObserver.h"
#include "TestInputs.h"

namespace {

using Strings = std::vector<std::string>;
using Bytes = std::vector<std::uint8_t>;

// Gives other threads a chance to overtake on every read, and throws
// std::bad_alloc for inputs whose path contains "huge".
class CSlowFakePlatform : public CFakePlatform {
public:
    ReadOutcome ReadWholeFile(const std::string& strPath, std::vector<std::uint8_t>& vecData, std::uint64_t nMaxBytes,
                              const std::function<void(std::uint64_t)>& fnReserve) override {
        {
            std::lock_guard<std::mutex> lock(m_mutexLog);
            m_vecLog.push_back("read " + strPath);
        }
        if (strPath.find("huge") != std::string::npos) {
            throw std::bad_alloc();
        }
        std::this_thread::sleep_for(std::chrono::microseconds(50 * (m_nReads++ % 3)));
        return CFakePlatform::ReadWholeFile(strPath, vecData, nMaxBytes, fnReserve);
    }
    std::mutex m_mutexLog;
    Strings m_vecLog;
    std::atomic<int> m_nReads{0};
};

// Logs the bar steps into the platform's log, so their order against the
// reads shows.
class CStepLogger : public CRecordingObserver {
public:
    explicit CStepLogger(CSlowFakePlatform& fake) : m_fake(fake) {}
    void OnEntryStarted(int nIndex) override {
        CRecordingObserver::OnEntryStarted(nIndex);
        std::lock_guard<std::mutex> lock(m_fake.m_mutexLog);
        m_fake.m_vecLog.push_back("step " + std::to_string(nIndex));
    }

private:
    CSlowFakePlatform& m_fake;
};

TEST(BatchJobs, TheBarShowsEachEntryBeforeItIsConverted) {
    ResetBatchState("C:\\app");
    CSlowFakePlatform fake;
    fake.AddFolder("C:\\app");
    std::vector<std::string> vecPaths;
    for (int i = 0; i < 12; ++i) {
        vecPaths.push_back("C:\\m\\s" + std::to_string(i) + ".mmf");
        fake.AddFile(vecPaths.back(), testinput::ValidSong());
    }
    CollectDroppedFiles(fake, vecPaths);
    CStepLogger observer(fake);
    RunBatch(fake, observer, 3);
    const Strings& vecLog = fake.m_vecLog;
    for (int i = 0; i < 12; ++i) {
        const auto itStep = std::find(vecLog.begin(), vecLog.end(), "step " + std::to_string(i));
        const auto itRead = std::find(vecLog.begin(), vecLog.end(), "read " + vecPaths[static_cast<std::size_t>(i)]);
        ASSERT_NE(itRead, vecLog.end());
        EXPECT_LT(itStep, itRead) << "entry " << i;
    }
    EXPECT_EQ(observer.Rows().size(), 12u);
}

TEST(BatchJobs, AnEntryThatExhaustsMemoryFailsAloneAndTheRunGoesOn) {
    for (const int nJobs : {1, 2}) {
        ResetBatchState("C:\\app");
        CSlowFakePlatform fake;
        fake.AddFolder("C:\\app");
        fake.AddFile("C:\\m\\huge.mmf", testinput::ValidSong());
        fake.AddFile("C:\\m\\next.mmf", testinput::ValidSong());
        CollectDroppedFiles(fake, {"C:\\m\\huge.mmf", "C:\\m\\next.mmf"});
        CRecordingObserver observer;
        RunBatch(fake, observer, nJobs);
        EXPECT_EQ(observer.Rows(), (Strings{"huge.mmf|NG: Convert error.|C:\\m\\huge.mmf",
                                            "next.mmf|OK: Convert success.|C:\\m\\next.mmf"}));
        EXPECT_EQ(observer.m_vecEvents.back(), "finished");
    }
}

TEST(BatchJobs, AnOutputOnAnotherInputOfTheRunIsRefused) {
    ResetBatchState("C:\\app");
    CFakePlatform fake;
    fake.AddFolder("C:\\app");
    fake.AddFile("C:\\x\\b.mmf", testinput::ValidSong(1));
    fake.AddFile("C:\\m\\b.mmf", testinput::ValidSong(2));
    fake.m_dequeAnswers = {EAnswer::Yes};
    // Base folder C:\x, outputs straight into C:\m: the first entry's output
    // is the second entry's input (and that one's output is itself).
    CollectDroppedFiles(fake, {"C:\\x\\b.mmf", "C:\\m\\b.mmf"});
    g_strOutputRoot = "C:\\m";
    CRecordingObserver observer;
    RunBatch(fake, observer);
    EXPECT_EQ(observer.Rows(), (Strings{"b.mmf|NG: Output file open error.|C:\\x\\b.mmf",
                                        "b.mmf|NG: Output file open error.|C:\\m\\b.mmf"}));
    EXPECT_EQ(fake.Contents("C:\\m\\b.mmf"), testinput::ValidSong(2));
    EXPECT_TRUE(fake.m_vecQuestions.empty());
}

// Holds up the named paths (an input being read, an output folder being
// made), so that a later entry gets ahead when jobs run side by side.
class CDelayingFakePlatform : public CFakePlatform {
public:
    ReadOutcome ReadWholeFile(const std::string& strPath, std::vector<std::uint8_t>& vecData, std::uint64_t nMaxBytes,
                              const std::function<void(std::uint64_t)>& fnReserve) override {
        Delay(strPath);
        return CFakePlatform::ReadWholeFile(strPath, vecData, nMaxBytes, fnReserve);
    }
    bool UseFolder(const std::string& strFolder) override {
        Delay(strFolder);
        return CFakePlatform::UseFolder(strFolder);
    }
    std::set<std::string> m_setSlow;

private:
    void Delay(const std::string& strPath) const {
        if (m_setSlow.count(strPath) != 0) {
            std::this_thread::sleep_for(std::chrono::milliseconds(40));
        }
    }
};

// Everything a run shows and leaves: its events, its questions, the tree.
Strings RunRecord(const std::function<void(CDelayingFakePlatform&)>& fnBuild, const Strings& vecDrop,
                  const std::string& strBase, int nJobs) {
    ResetBatchState("C:\\app");
    CDelayingFakePlatform fake;
    fake.AddFolder("C:\\app");
    fnBuild(fake);
    fake.m_dequeAnswers = {EAnswer::Yes};
    CollectDroppedFiles(fake, vecDrop);
    if (!strBase.empty()) {
        g_strBaseDir = strBase;
    }
    CRecordingObserver observer;
    RunBatch(fake, observer, nJobs);
    Strings vecRecord = observer.m_vecEvents;
    vecRecord.insert(vecRecord.end(), fake.m_vecQuestions.begin(), fake.m_vecQuestions.end());
    for (const std::string& strPath : fake.AllPaths()) {
        const Bytes vecData = fake.IsFolder(strPath) ? Bytes{} : fake.Contents(strPath);
        vecRecord.push_back(strPath + (fake.IsFolder(strPath) ? "\\" : "=" + std::string(vecData.begin(), vecData.end())));
    }
    return vecRecord;
}

TEST(BatchJobs, AnOutputWhereAnotherNeedsItsFolderComesOutAsWithOneJob) {
    // C:\other\sub.mmf goes to C:\m\OUTPUT\sub.mmf, where C:\m\sub.mmf\x.mmf
    // needs a folder; each order, with the earlier entry held up.
    const auto Build = [](CDelayingFakePlatform& fake) {
        fake.AddFile("C:\\other\\sub.mmf", testinput::ValidSong(1));
        fake.AddFile("C:\\m\\sub.mmf\\x.mmf", testinput::ValidSong(2));
        fake.m_setSlow = {"C:\\other\\sub.mmf", "C:\\m\\OUTPUT\\sub.mmf"};
    };
    for (const Strings& vecDrop : {Strings{"C:\\other\\sub.mmf", "C:\\m\\sub.mmf"},
                                   Strings{"C:\\m\\sub.mmf", "C:\\other\\sub.mmf"}}) {
        const Strings vecOne = RunRecord(Build, vecDrop, "C:\\m", 1);
        EXPECT_EQ(RunRecord(Build, vecDrop, "C:\\m", 2), vecOne) << vecDrop[0];
        EXPECT_EQ(RunRecord(Build, vecDrop, "C:\\m", 3), vecOne) << vecDrop[0];
    }
}

TEST(BatchJobs, OneOutputReachedThroughALinkComesOutAsWithOneJob) {
    // OUTPUT\b leads to OUTPUT\a: both songs write OUTPUT\a\song.mmf.
    const auto Build = [](CDelayingFakePlatform& fake) {
        fake.AddFile("C:\\m\\a\\song.mmf", testinput::ValidSong(1));
        fake.AddFile("C:\\m\\b\\song.mmf", testinput::ValidSong(2));
        fake.AddFolder("C:\\m\\OUTPUT\\a");
        fake.AddFolderLink("C:\\m\\OUTPUT\\b", "C:\\m\\OUTPUT\\a");
        fake.m_setSlow = {"C:\\m\\a\\song.mmf"};
    };
    const Strings vecDrop = {"C:\\m\\a", "C:\\m\\b"};
    const Strings vecOne = RunRecord(Build, vecDrop, "", 1);
    EXPECT_EQ(RunRecord(Build, vecDrop, "", 2), vecOne);
    // One question: the second song finds the first one's output.
    EXPECT_EQ(std::count_if(vecOne.begin(), vecOne.end(),
                            [](const std::string& s) { return s.find("has already exists") != std::string::npos; }),
              1);
}

}  // namespace
