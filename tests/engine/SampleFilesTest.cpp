// The committed sample files are exactly what make_samples writes.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

#include "SampleFiles.h"

namespace {

TEST(SampleFiles, CommittedSamplesMatchTheGenerator) {
    for (const auto& sample : vela::MakeSampleFiles()) {
        const std::string strPath = std::string(KESTREL_SAMPLES_DIR) + "/" + sample.strPath;
        std::ifstream in(strPath, std::ios::binary);
        ASSERT_TRUE(in) << strPath << " is missing: run make_samples samples";
        const vela::Bytes bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        EXPECT_EQ(bytes, sample.vecBytes) << strPath << " is stale: run make_samples samples";
    }
}

}  // namespace
