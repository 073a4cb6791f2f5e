// Peak heap use of converting one generated file of 1M events, counted by a
// replacement of the global operator new: engine_peak <format> [events].
#include <cstdio>
#include <cstdlib>
#include <memory>

#include "ByteBuffer.h"
#include "CnvLarkWrentoHeron.h"
#include "CountingAllocator.h"
#include "VelaBuilder.h"

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: engine_peak <format 0|1> [events, default 1000000]\n");
        return 2;
    }
    vela::CLargeInputOptions options;
    options.byFormat = static_cast<std::uint8_t>(std::atoi(argv[1]));
    options.nEvents = argc > 2 ? static_cast<std::uint32_t>(std::atol(argv[2])) : 1000000u;
    options.bRegisterWrites = true;
    options.nSeed = 20240 + options.nEvents;
    const vela::Bytes input = vela::MakeLargeInput(options);
    perf::ResetHeapPeak();
    std::int32_t nResult = 0;
    {
        auto pConverter = std::make_unique<CCnvLarkWrentoHeron>();
        ByteBuffer output;
        nResult = pConverter->Convert(input.data(), static_cast<std::int32_t>(input.size()), output);
    }
    std::printf("input_bytes %zu\npeak_heap_bytes %zu\n", input.size(), perf::HeapPeakSinceReset());
    return nResult == 1 ? 0 : 1;
}
