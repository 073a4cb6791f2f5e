// Generated source files that stress the event ordering and the two lookups:
// several tracks with equal event times, register writes to the F-number and
// key-on registers at the same time, program changes that match (or almost
// match) setup voices, and repeated notes that overlap.
#pragma once

#include <cstdint>

#include "VelaBuilder.h"

#include "TestRandom.h"

namespace perf {

// The shared generator, seeded the way these tests always were.
class CRandom : public CTestRandom {
public:
    explicit CRandom(std::uint32_t nSeed) : CTestRandom(nSeed * 2654435761u + 1u) {}
};

struct CStressOptions {
    std::uint8_t byFormat = 0;
    std::uint32_t nSeed = 1;
    std::uint32_t nEventsPerTrack = 60;
};

// A valid file (size field and CRC correct) of the given format.
vela::Bytes MakeStressInput(const CStressOptions& options);

}  // namespace perf
