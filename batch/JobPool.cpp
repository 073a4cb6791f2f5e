#include "JobPool.h"

#include <system_error>
#include <utility>

CJobPool::CJobPool(int nThreads, int nTotal, std::function<void(int)> fnJob)
    : m_fnJob(std::move(fnJob)), m_vecDone(static_cast<std::size_t>(nTotal > 0 ? nTotal : 0), 0) {
    for (int i = 0; i < nThreads && i < nTotal; ++i) {
        try {
            m_vecThreads.emplace_back([this] { Work(); });
        } catch (const std::system_error&) {
            break;  // no more threads: the ones there are do the work
        }
    }
}

CJobPool::~CJobPool() {
    {
        std::unique_lock<std::mutex> lock(m_mutex);
        m_changed.wait(lock, [this] { return m_nInFlight == 0; });
        m_bEnd = true;
    }
    m_work.notify_all();
    for (std::thread& thread : m_vecThreads) {
        thread.join();
    }
}

bool CJobPool::QueueHasRoom() {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_dequeWaiting.size() < m_vecThreads.size();
}

void CJobPool::Queue(int nIndex) {
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_dequeWaiting.push_back(nIndex);
        ++m_nInFlight;
    }
    m_work.notify_one();
}

void CJobPool::ConvertHere(int nIndex) {
    m_fnJob(nIndex);
    std::lock_guard<std::mutex> lock(m_mutex);
    m_vecDone[static_cast<std::size_t>(nIndex)] = 1;
    ++m_nFinished;
}

bool CJobPool::ConvertQueuedHere() {
    int nIndex = -1;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (m_dequeWaiting.empty()) {
            return false;
        }
        nIndex = m_dequeWaiting.front();
        m_dequeWaiting.pop_front();
    }
    m_fnJob(nIndex);
    Finish(nIndex);
    return true;
}

bool CJobPool::IsDone(int nIndex) {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_vecDone[static_cast<std::size_t>(nIndex)] != 0;
}

void CJobPool::WaitForChange() {
    std::unique_lock<std::mutex> lock(m_mutex);
    m_changed.wait(lock, [this] { return m_nFinished != m_nSeen || m_nInFlight == 0; });
    m_nSeen = m_nFinished;
}

void CJobPool::Finish(int nIndex) {
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_vecDone[static_cast<std::size_t>(nIndex)] = 1;
        --m_nInFlight;
        ++m_nFinished;
    }
    m_changed.notify_all();
}

void CJobPool::Work() {
    for (;;) {
        int nIndex = -1;
        {
            std::unique_lock<std::mutex> lock(m_mutex);
            m_work.wait(lock, [this] { return m_bEnd || !m_dequeWaiting.empty(); });
            if (m_dequeWaiting.empty()) {
                return;
            }
            nIndex = m_dequeWaiting.front();
            m_dequeWaiting.pop_front();
        }
        // The job catches what the conversion throws; nothing may end this
        // thread with an entry in flight.
        m_fnJob(nIndex);
        Finish(nIndex);
    }
}
