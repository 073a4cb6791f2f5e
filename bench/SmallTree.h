// The mix of small source files that the batch benchmarks convert: file i of
// a tree, the same bytes for the same i. The mix repeats every kDistinct
// files.
#pragma once

#include <cstdint>

#include "VelaBuilder.h"

namespace bench {

inline constexpr long kSmallTreeDistinct = 2000;

inline vela::Bytes SmallTreeFile(long i) {
    const long n = i % kSmallTreeDistinct;
    vela::CLargeInputOptions options;
    options.byFormat = static_cast<std::uint8_t>(n % 2);
    options.nEvents = 50 + static_cast<std::uint32_t>((n * 37) % 400);
    options.bRegisterWrites = n % 3 != 0;
    options.nSeed = static_cast<std::uint32_t>(n + 1);
    return vela::MakeLargeInput(options);
}

}  // namespace bench
