// Small text helpers of the Heron reader and checker.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace heron {

// "0x1f".
std::string Hex(std::size_t n);
// The four ID bytes at p as text: printable characters kept, others as \xNN.
std::string IdText(const std::uint8_t* p);

}  // namespace heron
