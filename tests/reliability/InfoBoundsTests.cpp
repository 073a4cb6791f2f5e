// kestrel-info under a memory limit: a 64 MB file of nothing but empty
// chunks is described in every mode within three times its size, with the
// chunks beyond the description's bounds counted; a large Heron file is
// checked and described without keeping its events.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "Sanitized.h"
#include "FileInfoInputs.h"
#include "HugeInputs.h"
#include "InfoProcess.h"
#include "TempTree.h"

namespace {

TEST(InfoBounds, ManyChunksStayWithinAMemoryLimitInEveryMode) {
    if (kSanitized) {
        GTEST_SKIP() << "address-space limits do not apply under the sanitizers";
    }
    constexpr std::size_t kSize = 64u << 20;
    CTempTree tree{"kestrel-info-memory"};
    CTempTree capture{"kestrel-info-memory-out"};
    tree.Write("many.mmf", fileinfotest::ManyEmptyChunks(kSize));
    for (const std::vector<std::string>& vecMode :
         {std::vector<std::string>{}, {"--json"}, {"--check"}, {"--events"}}) {
        std::vector<std::string> vecArgs = vecMode;
        vecArgs.push_back("many.mmf");
        const CInfoResult result = RunInfoLimited(vecArgs, tree.Root(), capture.Root(), 3 * kSize);
        const std::string strMode = vecMode.empty() ? "summary" : vecMode[0];
        EXPECT_EQ(result.nExit, 1) << strMode << ": " << result.strErr;
        EXPECT_TRUE(result.strErr.empty()) << strMode << ": " << result.strErr;
        EXPECT_LT(result.strOut.size(), 1u << 20) << strMode;
        if (vecMode.empty()) {
            EXPECT_NE(result.strOut.find("too large to describe in full: "), std::string::npos) << result.strOut;
        }
    }
}

TEST(InfoBounds, HeronSequencesAreCheckedWithoutKeepingTheirEvents) {
    if (kSanitized) {
        GTEST_SKIP() << "address-space limits do not apply under the sanitizers";
    }
    vela::CLargeInputOptions options;
    options.nEvents = 1500000;
    options.bRegisterWrites = false;
    const vela::Bytes heron = fileinfotest::Converted(vela::MakeLargeInput(options));
    ASSERT_GT(heron.size(), 4u << 20);
    CTempTree tree{"kestrel-info-memory"};
    CTempTree capture{"kestrel-info-memory-out"};
    tree.Write("big.mmf", heron);
    // The file, the reader's own share, and little else.
    const std::uint64_t nLimit = 3 * heron.size() + (64u << 20);
    for (const char* pszMode : {"--check", "--json"}) {
        const CInfoResult result = RunInfoLimited({pszMode, "big.mmf"}, tree.Root(), capture.Root(), nLimit);
        EXPECT_EQ(result.nExit, 0) << pszMode << ": " << result.strErr;
        EXPECT_TRUE(result.strErr.empty()) << pszMode << ": " << result.strErr;
    }
}

}  // namespace
