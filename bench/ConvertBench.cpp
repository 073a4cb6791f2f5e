// Conversion throughput on generated inputs of 1k to 1M sequence events, in
// both formats and with FM register writes. Reports time per conversion,
// input bytes per second and events per second.
#include <benchmark/benchmark.h>

#include <map>
#include <memory>
#include <utility>

#include "ByteBuffer.h"
#include "CnvLarkWrentoHeron.h"
#include "VelaBuilder.h"

namespace {

// Inputs are built once per (format, size) and shared by the repetitions.
const vela::Bytes& GeneratedInput(std::uint8_t byFormat, std::uint32_t nEvents) {
    static std::map<std::pair<int, std::uint32_t>, vela::Bytes> s_mapInputs;
    auto& input = s_mapInputs[{byFormat, nEvents}];
    if (input.empty()) {
        vela::CLargeInputOptions options;
        options.byFormat = byFormat;
        options.nEvents = nEvents;
        options.bRegisterWrites = true;
        options.nSeed = 20240 + nEvents;
        input = vela::MakeLargeInput(options);
    }
    return input;
}

void BM_Convert(benchmark::State& state) {
    const auto byFormat = static_cast<std::uint8_t>(state.range(0));
    const auto nEvents = static_cast<std::uint32_t>(state.range(1));
    const vela::Bytes& input = GeneratedInput(byFormat, nEvents);
    std::size_t nOutput = 0;
    for (auto _ : state) {
        auto pConverter = std::make_unique<CCnvLarkWrentoHeron>();
        ByteBuffer output;
        const std::int32_t nResult =
            pConverter->Convert(input.data(), static_cast<std::int32_t>(input.size()), output);
        if (nResult != 1) {
            state.SkipWithError("conversion failed");
            break;
        }
        nOutput = output.Size();
        benchmark::DoNotOptimize(output.Data());
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * static_cast<std::int64_t>(input.size()));
    state.counters["events/s"] = benchmark::Counter(static_cast<double>(nEvents), benchmark::Counter::kIsIterationInvariantRate);
    state.counters["input_bytes"] = static_cast<double>(input.size());
    state.counters["output_bytes"] = static_cast<double>(nOutput);
}

void ConvertSizes(benchmark::internal::Benchmark* pBench) {
    for (int nFormat : {0, 1}) {
        for (int nEvents : {1000, 10000, 100000, 1000000}) {
            pBench->Args({nFormat, nEvents});
        }
    }
}

BENCHMARK(BM_Convert)->ArgNames({"format", "events"})->Apply(ConvertSizes)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
