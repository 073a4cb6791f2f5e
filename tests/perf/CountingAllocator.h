// A counting global operator new/delete, linked into perf_tests only: it
// tracks the bytes currently allocated and their peak, so a test can measure
// how much memory one conversion needs.
#pragma once

#include <cstddef>

namespace perf {

std::size_t LiveHeapBytes();
// Starts a measurement: the peak restarts from the bytes live now.
void ResetHeapPeak();
// Highest number of live bytes since ResetHeapPeak, minus those live then.
std::size_t HeapPeakSinceReset();

}  // namespace perf
