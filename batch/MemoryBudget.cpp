#include "MemoryBudget.h"

#include <limits>

CMemoryBudget::CReservation::~CReservation() {
    if (m_pBudget != nullptr && m_nHeld > 0) {
        m_pBudget->Give(m_nHeld);
    }
}

void CMemoryBudget::CReservation::Reserve(std::uint64_t nBytes) {
    if (m_pBudget != nullptr && nBytes > 0) {
        m_pBudget->Take(nBytes);
        m_nHeld += nBytes;
    }
}

std::uint64_t CMemoryBudget::Held() {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_nHeld;
}

void CMemoryBudget::Take(std::uint64_t nBytes) {
    std::unique_lock<std::mutex> lock(m_mutex);
    const std::uint64_t nTicket = m_nNextTicket++;
    m_changed.wait(lock, [&] {
        return nTicket == m_nServing && (m_nHeld == 0 || m_nHeld + nBytes <= m_nLimit);
    });
    m_nHeld += nBytes;
    ++m_nServing;
    m_changed.notify_all();
}

void CMemoryBudget::Give(std::uint64_t nBytes) {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_nHeld -= nBytes;
    m_changed.notify_all();
}

std::uint64_t EstimatedJobMemory(std::uint64_t nInputBytes) {
    constexpr std::uint64_t kBytesPerInputByte = 17;
    constexpr std::uint64_t kFixedBytes = 256 * 1024;
    if (nInputBytes > (std::numeric_limits<std::uint64_t>::max() - kFixedBytes) / kBytesPerInputByte) {
        return std::numeric_limits<std::uint64_t>::max();
    }
    return nInputBytes * kBytesPerInputByte + kFixedBytes;
}
