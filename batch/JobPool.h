// The threads that convert entries while the run's own thread reports them.
// Entries are handed over one at a time by index; without threads (one job)
// each is converted at once on the calling thread, so a run of one job and a
// run of many take the same road.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

class CJobPool {
public:
    // Starts up to nThreads threads (fewer when the system refuses more;
    // none for nThreads <= 1) for entries 0..nTotal-1.
    CJobPool(int nThreads, int nTotal, std::function<void(int)> fnJob);
    // Lets the started entries finish, then ends the threads.
    ~CJobPool();
    CJobPool(const CJobPool&) = delete;
    CJobPool& operator=(const CJobPool&) = delete;

    // Whether another entry may start now.
    bool HasRoom();
    // Hands entry nIndex to a thread, or converts it here without threads.
    void Start(int nIndex);
    bool IsDone(int nIndex);
    // Waits until an entry finished since the last call (returns at once
    // when one did, or when nothing is in progress).
    void WaitForChange();

private:
    void Work();

    std::function<void(int)> m_fnJob;
    std::mutex m_mutex;
    std::condition_variable m_work;     // to the threads: an entry is waiting, or the end
    std::condition_variable m_changed;  // to the run: an entry is done
    std::deque<int> m_dequeWaiting;
    std::vector<char> m_vecDone;
    int m_nInFlight = 0;
    std::uint64_t m_nFinished = 0;
    std::uint64_t m_nSeen = 0;
    bool m_bEnd = false;
    std::vector<std::thread> m_vecThreads;
};
