// Engine-only timing, built once against the engine of this tree and once
// against an older engine (scripts/bench.sh), so the two are compared with
// the same inputs, flags and loop:
//   engine_bench times [rounds]    small tree and 100k/1M-event files, CPU time
//   engine_bench work <case> [n]   a fixed amount of work, for instruction
//                                  counting (callgrind); case small|f0|f1
// Each conversion uses a fresh converter object, as the batch does.
#include <time.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "ByteBuffer.h"
#include "CnvLarkWrentoHeron.h"
#include "SmallTree.h"
#include "VelaBuilder.h"

namespace {

double ThreadSeconds() {
    timespec ts{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) * 1e-9;
}

// Not inlined: instruction counts are taken inside this function only
// (callgrind --toggle-collect='*ConvertOne*').
[[gnu::noinline]] std::size_t ConvertOne(const vela::Bytes& input) {
    CCnvLarkWrentoHeron converter;
    ByteBuffer output;
    if (converter.Convert(input.data(), static_cast<std::int32_t>(input.size()), output) != 1) {
        std::fprintf(stderr, "conversion failed\n");
        std::exit(1);
    }
    return output.Size();
}

std::vector<vela::Bytes> SmallTree() {
    std::vector<vela::Bytes> files;
    for (long i = 0; i < bench::kSmallTreeDistinct; ++i) {
        files.push_back(bench::SmallTreeFile(i));
    }
    return files;
}

vela::Bytes LargeFile(std::uint8_t byFormat, std::uint32_t nEvents) {
    vela::CLargeInputOptions options;
    options.byFormat = byFormat;
    options.nEvents = nEvents;
    options.bRegisterWrites = true;
    options.nSeed = 20240 + nEvents;
    return vela::MakeLargeInput(options);
}

// Seconds of one pass over the small tree.
double TimeSmallTree(const std::vector<vela::Bytes>& files) {
    std::size_t nOut = 0;
    const double t0 = ThreadSeconds();
    for (const vela::Bytes& file : files) {
        nOut += ConvertOne(file);
    }
    const double t1 = ThreadSeconds();
    if (nOut == 0) {
        std::exit(1);
    }
    return t1 - t0;
}

double TimeOne(const vela::Bytes& input) {
    const double t0 = ThreadSeconds();
    ConvertOne(input);
    return ThreadSeconds() - t0;
}

// Lines "name value": the best (lowest) CPU time of the rounds.
int Times(int nRounds) {
    const std::vector<vela::Bytes> tree = SmallTree();
    std::size_t nTreeBytes = 0;
    for (const vela::Bytes& file : tree) {
        nTreeBytes += file.size();
    }
    struct CLarge {
        const char* pName;
        vela::Bytes input;
        double dBest;
    };
    std::vector<CLarge> large;
    for (std::uint8_t byFormat : {0, 1}) {
        for (std::uint32_t nEvents : {100000u, 1000000u}) {
            const std::string strName = "f" + std::to_string(byFormat) + (nEvents == 100000 ? "_100k" : "_1M");
            large.push_back({strdup(strName.c_str()), LargeFile(byFormat, nEvents), 1e9});
        }
    }
    double dTreeBest = 1e9;
    TimeSmallTree(tree);  // warm-up
    for (int r = 0; r < nRounds; ++r) {
        dTreeBest = std::min(dTreeBest, TimeSmallTree(tree));
        for (CLarge& l : large) {
            l.dBest = std::min(l.dBest, TimeOne(l.input));
        }
    }
    std::printf("small_files %zu\n", tree.size());
    std::printf("small_bytes %zu\n", nTreeBytes);
    std::printf("small_ns_per_file %.1f\n", dTreeBest * 1e9 / static_cast<double>(tree.size()));
    std::printf("small_mb_per_s %.2f\n", static_cast<double>(nTreeBytes) / dTreeBest / 1e6);
    for (const CLarge& l : large) {
        std::printf("%s_ms %.3f\n", l.pName, l.dBest * 1e3);
        std::printf("%s_mb_per_s %.2f\n", l.pName, static_cast<double>(l.input.size()) / l.dBest / 1e6);
    }
    return 0;
}

int Work(const std::string& strCase, int nCount) {
    if (strCase == "small") {
        const std::vector<vela::Bytes> tree = SmallTree();
        for (int i = 0; i < nCount; ++i) {
            TimeSmallTree(tree);
        }
        return 0;
    }
    if (strCase == "f0" || strCase == "f1") {
        const vela::Bytes input = LargeFile(strCase == "f0" ? 0 : 1, 1000000);
        for (int i = 0; i < nCount; ++i) {
            ConvertOne(input);
        }
        return 0;
    }
    std::fprintf(stderr, "unknown case %s\n", strCase.c_str());
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    const std::string strMode = argc > 1 ? argv[1] : "times";
    if (strMode == "times") {
        return Times(argc > 2 ? std::atoi(argv[2]) : 5);
    }
    if (strMode == "work" && argc > 2) {
        return Work(argv[2], argc > 3 ? std::atoi(argv[3]) : 1);
    }
    std::fprintf(stderr, "usage: engine_bench times [rounds] | work small|f0|f1 [count]\n");
    return 2;
}
