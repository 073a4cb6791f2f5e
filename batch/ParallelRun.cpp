#include "ParallelRun.h"

#include <condition_variable>
#include <mutex>
#include <thread>
#include <vector>

#include "BatchRun.h"
#include "BatchState.h"
#include "IPlatform.h"

namespace {

// Hands out entry indexes in list order until a stop or cancel, and records
// which entries are converted.
class CEntryQueue {
public:
    explicit CEntryQueue(int nTotal) : m_vecDone(static_cast<std::size_t>(nTotal), 0) {}

    // The next entry to convert, or -1 once the list is exhausted or the run
    // was stopped or cancelled.
    int Take() {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (m_nNext >= static_cast<int>(m_vecDone.size()) || g_bConverting.load() == 0 ||
            g_nOverwriteMode.load() == kOverwriteCancel) {
            m_bClosed = true;
            m_changed.notify_all();
            return -1;
        }
        return m_nNext++;
    }

    void MarkDone(int nIndex) {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_vecDone[static_cast<std::size_t>(nIndex)] = 1;
        m_changed.notify_all();
    }

    // Waits until entry nIndex is converted (true) or will never start (false).
    bool WaitFor(int nIndex) {
        std::unique_lock<std::mutex> lock(m_mutex);
        m_changed.wait(lock, [&] {
            return m_vecDone[static_cast<std::size_t>(nIndex)] != 0 || (m_bClosed && nIndex >= m_nNext);
        });
        return m_vecDone[static_cast<std::size_t>(nIndex)] != 0;
    }

private:
    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::vector<char> m_vecDone;
    int m_nNext = 0;
    bool m_bClosed = false;
};

}  // namespace

void RunBatchParallel(IPlatform& platform, IBatchObserver& observer, int nJobs) {
    if (nJobs <= 1) {
        RunBatch(platform, observer);
        return;
    }
    g_nOverwriteMode.store(kOverwriteAsk);
    const int nTotal = static_cast<int>(g_vecFileItems.size());
    observer.OnProgressInit(nTotal);
    observer.OnProgressButton(true);
    observer.OnCounts(0, 0, nTotal);

    CEntryQueue queue(nTotal);
    std::vector<std::thread> vecWorkers;
    for (int j = 0; j < nJobs && j < nTotal; ++j) {
        vecWorkers.emplace_back([&platform, &queue] {
            for (int i = queue.Take(); i >= 0; i = queue.Take()) {
                ConvertEntry(platform, i);
                queue.MarkDone(i);
            }
        });
    }
    for (int i = 0; i < nTotal && queue.WaitFor(i); ++i) {
        observer.OnProgressStep(i);
        ReportEntry(platform, observer, i);
    }
    for (std::thread& worker : vecWorkers) {
        worker.join();
    }

    g_bConverting.store(0);
    observer.OnControlsEnable(true);
    observer.OnProgressButton(false);
    platform.ChangeFolder(g_strAppDir);
    observer.OnFinished();
}
