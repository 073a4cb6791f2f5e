// The threads that convert entries beside the run's own thread. The run
// thread hands entries over by index into a short queue, from which the
// threads take them as soon as they are free, and converts entries itself
// in between reporting them; without threads (one job) it converts every
// entry itself, so a run of one job and a run of many take the same road.
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
    // none for nThreads <= 0) for entries 0..nTotal-1.
    CJobPool(int nThreads, int nTotal, std::function<void(int)> fnJob);
    // Lets the handed-over entries finish, then ends the threads.
    ~CJobPool();
    CJobPool(const CJobPool&) = delete;
    CJobPool& operator=(const CJobPool&) = delete;

    // Whether the queue takes another entry: one waiting entry per thread,
    // so a thread that finishes finds its next one without waiting for the
    // run thread. Always false without threads.
    bool QueueHasRoom();
    // Hands entry nIndex to the threads.
    void Queue(int nIndex);
    // Converts entry nIndex on the calling thread.
    void ConvertHere(int nIndex);
    // Takes the oldest queued entry and converts it on the calling thread;
    // false when none is waiting.
    bool ConvertQueuedHere();
    bool IsDone(int nIndex);
    // Waits until an entry finished since the last call (returns at once
    // when one did, or when nothing is queued or in progress).
    void WaitForChange();

private:
    void Work();
    void Finish(int nIndex);

    std::function<void(int)> m_fnJob;
    std::mutex m_mutex;
    std::condition_variable m_work;     // to the threads: an entry is waiting, or the end
    std::condition_variable m_changed;  // to the run: an entry is done
    std::deque<int> m_dequeWaiting;
    std::vector<char> m_vecDone;
    int m_nInFlight = 0;  // queued or being converted from the queue
    std::uint64_t m_nFinished = 0;
    std::uint64_t m_nSeen = 0;
    bool m_bEnd = false;
    std::vector<std::thread> m_vecThreads;
};
