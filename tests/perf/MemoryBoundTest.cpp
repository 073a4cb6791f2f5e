// Peak heap use of one conversion stays within a fixed multiple of the input
// size plus a constant: the engine keeps one record per event and an output
// about as large as the input, never anything that grows faster.
#include <gtest/gtest.h>

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "ByteBuffer.h"
#include "CnvLarkWrentoHeron.h"
#include "CountingAllocator.h"
#include "RandomInputs.h"
#include "VelaBuilder.h"

namespace {

// Measured on generated inputs of 1k to 300k events (both formats, with
// register writes): the peak is about 9 to 15 times the input size. The
// bound leaves room for allocator and library differences.
constexpr std::size_t kBytesPerInputByte = 20;
constexpr std::size_t kFixedBytes = 256 * 1024;

struct CPeak {
    std::size_t nInput = 0;
    std::size_t nPeak = 0;
    std::int32_t nResult = 0;
};

CPeak MeasureConversion(const vela::Bytes& input) {
    CPeak peak;
    peak.nInput = input.size();
    perf::ResetHeapPeak();
    {
        auto pConverter = std::make_unique<CCnvLarkWrentoHeron>();  // the converter itself counts too
        ByteBuffer output;
        peak.nResult = pConverter->Convert(input.data(), static_cast<std::int32_t>(input.size()), output);
    }
    peak.nPeak = perf::HeapPeakSinceReset();
    return peak;
}

void ExpectWithinBound(const CPeak& peak, const char* pWhat) {
    std::printf("[ memory ] %-32s input %9zu bytes  peak %10zu bytes  %.1f x input\n", pWhat, peak.nInput,
                peak.nPeak, static_cast<double>(peak.nPeak) / static_cast<double>(peak.nInput));
    EXPECT_EQ(peak.nResult, 1) << pWhat;
    EXPECT_LE(peak.nPeak, kBytesPerInputByte * peak.nInput + kFixedBytes) << pWhat;
}

TEST(MemoryBound, CountingAllocatorSeesAllocations) {
    perf::ResetHeapPeak();
    const std::size_t nBefore = perf::LiveHeapBytes();
    {
        std::vector<char> block(100000);
        EXPECT_GE(perf::LiveHeapBytes(), nBefore + 100000);
    }
    EXPECT_EQ(perf::LiveHeapBytes(), nBefore);
    EXPECT_GE(perf::HeapPeakSinceReset(), 100000u);
}

TEST(MemoryBound, PeakGrowsLinearlyWithGeneratedInputs) {
    for (std::uint8_t byFormat : {0, 1}) {
        for (std::uint32_t nEvents : {1000u, 10000u, 100000u, 300000u}) {
            vela::CLargeInputOptions options;
            options.byFormat = byFormat;
            options.nEvents = nEvents;
            options.bRegisterWrites = true;
            options.nSeed = nEvents + byFormat;
            const std::string strWhat =
                "format " + std::to_string(byFormat) + ", " + std::to_string(nEvents) + " events";
            ExpectWithinBound(MeasureConversion(vela::MakeLargeInput(options)), strWhat.c_str());
        }
    }
}

TEST(MemoryBound, StressInputsWithEqualTimes) {
    for (std::uint8_t byFormat : {0, 1}) {
        const std::string strWhat = "stress, format " + std::to_string(byFormat);
        ExpectWithinBound(MeasureConversion(perf::MakeStressInput({byFormat, 7, 5000})), strWhat.c_str());
    }
}

// A rejected input allocates almost nothing, however large it claims to be.
TEST(MemoryBound, RejectedInputAllocatesLittle) {
    vela::Bytes input = vela::MakeLargeInput({0, 20000, true, 3});
    input[input.size() - 1] ^= 0xFF;  // CRC no longer matches
    const CPeak peak = MeasureConversion(input);
    EXPECT_EQ(peak.nResult, 0);
    EXPECT_LE(peak.nPeak, kFixedBytes);
}

}  // namespace
