#include "JobPool.h"

#include <system_error>
#include <utility>

CJobPool::CJobPool(int nThreads, int nTotal, std::function<void(int)> fnJob)
    : m_fnJob(std::move(fnJob)), m_vecDone(static_cast<std::size_t>(nTotal > 0 ? nTotal : 0), 0) {
    for (int i = 0; nThreads > 1 && i < nThreads && i < nTotal; ++i) {
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

bool CJobPool::HasRoom() {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_nInFlight < static_cast<int>(m_vecThreads.size()) || m_vecThreads.empty();
}

void CJobPool::Start(int nIndex) {
    if (m_vecThreads.empty()) {
        m_fnJob(nIndex);
        std::lock_guard<std::mutex> lock(m_mutex);
        m_vecDone[static_cast<std::size_t>(nIndex)] = 1;
        ++m_nFinished;
        return;
    }
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_dequeWaiting.push_back(nIndex);
        ++m_nInFlight;
    }
    m_work.notify_one();
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
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            m_vecDone[static_cast<std::size_t>(nIndex)] = 1;
            --m_nInFlight;
            ++m_nFinished;
        }
        m_changed.notify_all();
    }
}
