// What the jobs of one run may hold in memory at once. A job reserves what
// its input will cost before reading it and gives it back when it ends; a job
// that would overdraw the budget waits until enough is given back. Requests
// are served in the order they come, and one larger than the whole budget
// runs once nothing else is held, so every job gets its turn.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <mutex>

class CMemoryBudget {
public:
    explicit CMemoryBudget(std::uint64_t nBytes) : m_nLimit(nBytes) {}
    CMemoryBudget(const CMemoryBudget&) = delete;
    CMemoryBudget& operator=(const CMemoryBudget&) = delete;

    // Bytes held by one job; given back when it is destroyed.
    class CReservation {
    public:
        explicit CReservation(CMemoryBudget* pBudget) : m_pBudget(pBudget) {}
        ~CReservation();
        CReservation(const CReservation&) = delete;
        CReservation& operator=(const CReservation&) = delete;
        // Waits until nBytes more may be held and holds them. Without a
        // budget it does nothing.
        void Reserve(std::uint64_t nBytes);

    private:
        CMemoryBudget* m_pBudget;
        std::uint64_t m_nHeld = 0;
    };

    std::uint64_t Held();

private:
    void Take(std::uint64_t nBytes);
    void Give(std::uint64_t nBytes);

    std::mutex m_mutex;
    std::condition_variable m_changed;
    const std::uint64_t m_nLimit;
    std::uint64_t m_nHeld = 0;
    std::uint64_t m_nNextTicket = 0;
    std::uint64_t m_nServing = 0;
};

// What converting an input of nInputBytes may hold at its peak: the input,
// the converter's event records (measured at up to 15 times the input) and
// the output.
std::uint64_t EstimatedJobMemory(std::uint64_t nInputBytes);
