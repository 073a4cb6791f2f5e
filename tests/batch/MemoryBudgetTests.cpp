// The memory budget of parallel jobs: never overdrawn except by one job
// alone, served in order, and a run of many jobs holds no more inputs at
// once than the budget allows.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <thread>
#include <vector>

#include "BatchRun.h"
#include "FakePlatform.h"
#include "InputCollection.h"
#include "MemoryBudget.h"
#include "RecordingObserver.h"
#include "TestInputs.h"

namespace {

TEST(MemoryBudget, HoldsAtMostTheLimitExceptForOneJobAlone) {
    CMemoryBudget budget(100);
    std::atomic<std::uint64_t> nMaxSeen{0};
    std::atomic<int> nHolders{0};
    std::atomic<int> nMaxHoldersOfBig{0};
    const std::uint64_t aSizes[] = {30, 60, 250, 10, 90, 40, 250, 70};
    std::vector<std::thread> vecThreads;
    for (const std::uint64_t nSize : aSizes) {
        vecThreads.emplace_back([&, nSize] {
            CMemoryBudget::CReservation reservation(&budget);
            reservation.Reserve(nSize);
            const int nNow = ++nHolders;
            if (nSize > 100) {
                nMaxHoldersOfBig = std::max(nMaxHoldersOfBig.load(), nNow);
            }
            const std::uint64_t nHeld = budget.Held();
            if (nHeld > nMaxSeen) {
                nMaxSeen = nHeld;
            }
            EXPECT_TRUE(nHeld <= 100 || nHeld == nSize) << nHeld;
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
            --nHolders;
        });
    }
    for (std::thread& thread : vecThreads) {
        thread.join();
    }
    EXPECT_EQ(budget.Held(), 0u);
    EXPECT_EQ(nMaxHoldersOfBig.load(), 1);
}

TEST(MemoryBudget, WithoutABudgetNothingWaits) {
    CMemoryBudget::CReservation reservation(nullptr);
    reservation.Reserve(std::uint64_t{1} << 62);
    SUCCEED();
}

TEST(MemoryBudget, EstimateCoversInputConverterAndOutputAndNeverWraps) {
    EXPECT_GE(EstimatedJobMemory(1000), 16u * 1000);
    EXPECT_EQ(EstimatedJobMemory(~std::uint64_t{0} / 2), ~std::uint64_t{0});
}

// Counts the jobs between their reservation and their output.
class CHoldingFakePlatform : public CFakePlatform {
public:
    ReadOutcome ReadWholeFile(const std::string& strPath, std::vector<std::uint8_t>& vecData, std::uint64_t nMaxBytes,
                              const std::function<void(std::uint64_t)>& fnReserve) override {
        return CFakePlatform::ReadWholeFile(strPath, vecData, nMaxBytes, [&](std::uint64_t nSize) {
            fnReserve(nSize);
            m_nMaxHeld = std::max(m_nMaxHeld.load(), ++m_nHeld);
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        });
    }
    WriteOutcome WriteNewFile(const std::string& strPath, const std::uint8_t* pData, std::size_t nSize) override {
        --m_nHeld;
        return CFakePlatform::WriteNewFile(strPath, pData, nSize);
    }
    std::atomic<int> m_nHeld{0};
    std::atomic<int> m_nMaxHeld{0};
};

TEST(MemoryBudget, ParallelJobsHoldNoMoreInputsThanTheBudgetAllows) {
    const std::uint64_t nOne = EstimatedJobMemory(testinput::ValidSong().size());
    for (const auto& [nBudget, nExpectedMax] : {std::pair{nOne + nOne / 2, 1}, std::pair{nOne * 2, 2}}) {
        ResetBatchState("C:\\app");
        CHoldingFakePlatform fake;
        fake.AddFolder("C:\\app");
        fake.m_nMemoryForJobs = nBudget;
        std::vector<std::string> vecPaths;
        for (int i = 0; i < 16; ++i) {
            vecPaths.push_back("C:\\m\\s" + std::to_string(i) + ".mmf");
            fake.AddFile(vecPaths.back(), testinput::ValidSong());
        }
        CollectDroppedFiles(fake, vecPaths);
        CRecordingObserver observer;
        RunBatch(fake, observer, 4);
        EXPECT_LE(fake.m_nMaxHeld.load(), nExpectedMax);
        EXPECT_EQ(observer.Rows().size(), 16u);
    }
}

}  // namespace
