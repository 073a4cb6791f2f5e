// The product's checker: it passes what the converter writes and names the
// right check for every kind of damage.
#include <gtest/gtest.h>

#include <algorithm>

#include "DamagedFiles.h"
#include "HeronCrc.h"
#include "SampleFiles.h"

namespace {

bool Names(const std::vector<heron::CProblem>& problems, const char* pszCheck) {
    return std::any_of(problems.begin(), problems.end(),
                       [&](const heron::CProblem& p) { return p.strCheck == pszCheck; });
}

TEST(HeronCheck, PassesEveryConvertedSampleAndLargeInput) {
    std::vector<vela::Bytes> sources;
    for (const auto& sample : vela::MakeSampleFiles()) {
        sources.push_back(sample.vecBytes);
    }
    for (std::uint8_t byFormat : {std::uint8_t{0}, std::uint8_t{1}}) {
        sources.push_back(vela::MakeLargeInput({byFormat, 3000, true, 11}));
    }
    for (const auto& source : sources) {
        const vela::Bytes out = fileinfotest::Converted(source);
        ASSERT_FALSE(out.empty());
        const auto problems = heron::CheckFile(out.data(), out.size());
        EXPECT_TRUE(problems.empty()) << heron::JoinProblems(problems);
    }
}

TEST(HeronCheck, NamesTheCheckOfEachDamage) {
    for (const auto& damaged : fileinfotest::DamagedHeronFiles()) {
        const auto problems = heron::CheckFile(damaged.file.data(), damaged.file.size());
        EXPECT_TRUE(Names(problems, damaged.pszCheck))
            << damaged.strName << " should fail " << damaged.pszCheck << ":\n" << heron::JoinProblems(problems);
    }
}

TEST(HeronCheck, DamageOfOneCrcLeavesTheOthersPassing) {
    for (const auto& damaged : fileinfotest::DamagedHeronFiles()) {
        const auto problems = heron::CheckFile(damaged.file.data(), damaged.file.size());
        if (damaged.strName == "file-crc" || damaged.strName == "contents-crc") {
            ASSERT_EQ(problems.size(), 1u) << damaged.strName << ":\n" << heron::JoinProblems(problems);
        }
        if (damaged.strName == "track-crc") {
            // The contents CRC covers the A0 slot, so it fails too.
            EXPECT_EQ(problems.size(), 2u) << heron::JoinProblems(problems);
        }
    }
}

// The checker's CRC is its own; the bit-by-bit definition keeps it honest.
TEST(HeronCheck, OwnCrcMatchesTheBitwiseDefinition) {
    CTestRandom rng(99);
    std::vector<std::uint8_t> bytes(300);
    for (auto& by : bytes) {
        by = rng.Byte();
    }
    for (std::size_t n = 0; n <= bytes.size(); n += 7) {
        EXPECT_EQ(heron::FileCrc(bytes.data(), n), BitwiseCrc16(bytes.data(), n)) << n;
    }
    const char* pszCheck = "123456789";
    EXPECT_EQ(heron::FileCrc(reinterpret_cast<const std::uint8_t*>(pszCheck), 9), 0xD64E);
}

}  // namespace
