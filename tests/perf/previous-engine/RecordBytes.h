// Reading the raw bytes of an analysed event.
#pragma once

#include <cstdint>

#include "CnvLarkWrentoHeron.h"

namespace previous_engine {

// Byte i of a record's raw message. A message shorter than the bytes a
// writer reads (a truncated voice definition) reads its missing bytes as 0,
// never the bytes of whatever follows it in the file.
inline std::uint8_t RecordByte(const EventRecord& record, std::uint32_t i) {
    return i < record.length ? record.data[i] : std::uint8_t{0};
}

}  // namespace previous_engine
