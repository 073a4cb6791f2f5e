// Generated source files that stress the event ordering and the two lookups:
// several tracks with equal event times, register writes to the F-number and
// key-on registers at the same time, program changes that match (or almost
// match) setup voices, and repeated notes that overlap.
#pragma once

#include <cstdint>

#include "VelaBuilder.h"

namespace perf {

// Small deterministic generator, the same on every platform.
class CRandom {
public:
    explicit CRandom(std::uint32_t nSeed) : m_nState(nSeed * 2654435761u + 1u) {}
    std::uint32_t Next() {
        m_nState ^= m_nState << 13;
        m_nState ^= m_nState >> 17;
        m_nState ^= m_nState << 5;
        return m_nState;
    }
    std::uint32_t Below(std::uint32_t nLimit) { return Next() % nLimit; }
    bool OneIn(std::uint32_t n) { return Below(n) == 0; }
    std::uint8_t Byte(std::uint32_t nLimit = 256) { return static_cast<std::uint8_t>(Below(nLimit)); }

private:
    std::uint32_t m_nState;
};

struct CStressOptions {
    std::uint8_t byFormat = 0;
    std::uint32_t nSeed = 1;
    std::uint32_t nEventsPerTrack = 60;
};

// A valid file (size field and CRC correct) of the given format.
vela::Bytes MakeStressInput(const CStressOptions& options);

}  // namespace perf
