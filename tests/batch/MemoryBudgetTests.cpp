// The memory budget of parallel jobs: never overdrawn except by one job
// alone. (A run under a real memory limit is in the reliability suite.)
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <thread>
#include <vector>

#include "MemoryBudget.h"

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

TEST(MemoryBudget, EstimateCoversInputConverterAndOutputAndNeverWraps) {
    EXPECT_GE(EstimatedJobMemory(1000), 16u * 1000);
    EXPECT_EQ(EstimatedJobMemory(~std::uint64_t{0} / 2), ~std::uint64_t{0});
}

}  // namespace
