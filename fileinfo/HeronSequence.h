// Reader of Heron sequence bodies ("Mtsq", "Mssq"): every event decoded and
// checked on the way.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <vector>

#include "HeronProblem.h"

namespace heron {

// One decoded sequence event: its delta time, status byte and the bytes that
// follow the status (for 0xFF events the type byte and the data; for 0xF0
// exclusives the length byte, payload and F7).
struct CSequenceEvent {
    std::uint32_t nDelta = 0;
    std::uint8_t byStatus = 0;
    std::vector<std::uint8_t> vecData;
    std::uint32_t nTime = 0;  // running sum of the deltas
    std::size_t nOffset = 0;  // body offset of the event's delta time
};

struct CSequenceWalk {
    std::vector<CSequenceEvent> vecEvents;
    std::vector<CProblem> vecProblems;
};

// Walks a sequence body: every event must have a delta time of at most four
// bytes, a status from the known set (1x/9x note with key, velocity, gate;
// 3x/Bx control; 4x/Cx program; 6x bend; F0 exclusive ending F7; FF 2F 00,
// FF 51 03 tttttt, FF x with x < 0x10), 7-bit data bytes, and the body must
// end with the end-of-sequence event FF 2F 00 and nothing after it.
// Audio-channel statuses (9x, Bx, Cx) must name channels 0 to 3.
// bStrictData: also require every fixed data byte to be below 0x80 (the
// converter limits source values it copies to 7 bits).
CSequenceWalk WalkSequence(const std::uint8_t* pBody, std::size_t nSize, bool bStrictData = true);

// The same walk without keeping the events: onEvent sees each one as it is
// decoded (the object is reused; copy what is kept). A walk keeps at most
// kMaxSequenceProblems problems, then one that counts the rest.
inline constexpr std::size_t kMaxSequenceProblems = 100;
std::vector<CProblem> VisitSequence(const std::uint8_t* pBody, std::size_t nSize, bool bStrictData,
                                    const std::function<void(const CSequenceEvent&)>& onEvent);

}  // namespace heron
