// What a description holds and prints stays bounded whatever the file:
// chunks nested as deep as the file allows, source tracks nested in each
// other, files of nothing but empty chunks, and files too large or not VELA
// at all, both through the library and through kestrel-info.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>
#include <sstream>
#include <string>
#include <vector>

#include "Sanitized.h"
#include "FileInfoInputs.h"
#include "HeronSequence.h"
#include "HugeInputs.h"
#include "InfoProcess.h"
#include "JsonReport.h"
#include "PianoRoll.h"
#include "TempTree.h"
#include "TextReport.h"

namespace {

struct CTreeShape {
    std::size_t nNodes = 0;
    std::size_t nDepth = 0;  // levels below the file chunk
    std::uint64_t nOmitted = 0;
};

// Walked without recursion: the shape is measured also when it is not bounded.
CTreeShape ShapeOf(const fileinfo::CFileDescription& d) {
    CTreeShape shape;
    std::vector<std::pair<const fileinfo::CChunkNode*, std::size_t>> todo;
    for (const auto& node : d.vecChunks) {
        todo.emplace_back(&node, 0);
    }
    while (!todo.empty()) {
        const auto [pNode, nDepth] = todo.back();
        todo.pop_back();
        ++shape.nNodes;
        shape.nDepth = std::max(shape.nDepth, nDepth);
        shape.nOmitted += pNode->nOmitted;
        for (const auto& child : pNode->vecChildren) {
            todo.emplace_back(&child, nDepth + 1);
        }
    }
    return shape;
}

std::string Summary(const fileinfo::CFileDescription& d) {
    std::ostringstream out;
    fileinfo::WriteSummary(out, d);
    return out.str();
}

std::string Json(const fileinfo::CFileDescription& d) {
    std::ostringstream out;
    fileinfo::CJsonOptions options;
    options.bCheck = true;
    options.bEvents = true;
    fileinfo::WriteJsonItem(out, d, options, 0);
    fileinfo::EndJson(out, 1);
    return out.str();
}

// Every printer runs; their output is returned for the size checks.
std::string PrintEverything(const fileinfo::CFileDescription& d) {
    std::ostringstream out;
    fileinfo::WriteSummary(out, d);
    fileinfo::WriteEvents(out, d);
    fileinfo::WriteCheck(out, d);
    fileinfo::WritePianoRoll(out, d);
    return out.str() + Json(d);
}

constexpr std::size_t kDeepLevels = 35000;  // 280 KB
constexpr std::size_t kNestedTracks = 16000;  // 224 KB

TEST(Bounds, DeepHeronNestingIsCountedNotWalkedRecursively) {
    const auto d = fileinfotest::Describe(fileinfotest::DeepHeron(kDeepLevels));
    ASSERT_EQ(d.eGeneration, fileinfo::EGeneration::Heron);
    const CTreeShape shape = ShapeOf(d);
    EXPECT_LE(shape.nDepth, 33u);
    // Every chunk is either kept or counted: the file chunk, CNTI and the OPDAs.
    EXPECT_EQ(shape.nNodes + shape.nOmitted, kDeepLevels + 2);
    EXPECT_TRUE(d.bChunksTooDeep);
    const std::string strSummary = Summary(d);
    EXPECT_NE(strSummary.find("nested too deep"), std::string::npos) << strSummary;
    EXPECT_NE(strSummary.find(" more chunks\n"), std::string::npos);
    EXPECT_LT(PrintEverything(d).size(), 64u * 1024);
    const auto json = nlohmann::json::parse(Json(d));
    EXPECT_EQ(json[0]["chunks_too_deep"], true);
    EXPECT_EQ(json[0]["check"]["passed"], false);
}

TEST(Bounds, NestedSourceTracksKeepABoundedTree) {
    const auto d = fileinfotest::Describe(fileinfotest::NestedTracks(kNestedTracks));
    ASSERT_EQ(d.eGeneration, fileinfo::EGeneration::Source);
    const CTreeShape shape = ShapeOf(d);
    EXPECT_LE(shape.nDepth, 33u);
    EXPECT_EQ(shape.nNodes + shape.nOmitted, kNestedTracks + 2);
    EXPECT_LE(d.vecTracks.size(), 1000u);
    EXPECT_EQ(d.vecTracks.size() + d.nTracksOmitted, kNestedTracks);
    const std::string strSummary = Summary(d);
    EXPECT_NE(strSummary.find("\xE2\x80\xA6 and 15000 more tracks\n"), std::string::npos);
    EXPECT_LT(PrintEverything(d).size(), 512u * 1024);
}

TEST(Bounds, ManyEmptyChunksAreCountedWithAClearLimit) {
    const fileinfotest::Bytes file = fileinfotest::ManyEmptyChunks(2 << 20);
    const std::size_t nChunks = 1 + (2 << 20) / 8;  // CNTI and the empty ones
    const auto d = fileinfotest::Describe(file);
    const CTreeShape shape = ShapeOf(d);
    EXPECT_EQ(shape.nNodes + shape.nOmitted, nChunks + 1);
    EXPECT_LE(shape.nNodes, 10001u);
    ASSERT_EQ(d.vecChunks.size(), 1u);
    EXPECT_EQ(d.vecChunks[0].vecChildren.size(), 1000u);
    EXPECT_EQ(d.nChunksOmitted, nChunks - 1000);
    const std::string strSummary = Summary(d);
    const std::string strMore = "\xE2\x80\xA6 and " + std::to_string(nChunks - 1000) + " more chunks\n";
    EXPECT_NE(strSummary.find(strMore), std::string::npos);
    EXPECT_NE(strSummary.find("too large to describe in full"), std::string::npos);
    EXPECT_LT(strSummary.size(), 128u * 1024);
    const auto json = nlohmann::json::parse(Json(d));
    EXPECT_EQ(json[0]["chunks_omitted"], nChunks - 1000);
    EXPECT_EQ(json[0]["chunks"][0]["omitted"], nChunks - 1000);
}

TEST(Bounds, FilesWithinTheBoundsDescribeAsBefore) {
    const auto d = fileinfotest::Describe(fileinfotest::SmallSource());
    EXPECT_EQ(ShapeOf(d).nOmitted, 0u);
    EXPECT_FALSE(d.bChunksTooDeep);
    EXPECT_EQ(Json(d).find("omitted"), std::string::npos);
    EXPECT_EQ(Summary(d).find("limit"), std::string::npos);
}

TEST(Bounds, SequenceProblemsAreCountedBeyondAHundred) {
    // 1000 notes whose velocity byte has bit 7 set, then the end.
    fileinfotest::Bytes body;
    for (int i = 0; i < 1000; ++i) {
        body.insert(body.end(), {0x00, 0x10, 0x3C, 0xE4, 0x10});
    }
    body.insert(body.end(), {0x00, 0xFF, 0x2F, 0x00});
    const heron::CSequenceWalk walk = heron::WalkSequence(body.data(), body.size());
    EXPECT_EQ(walk.vecEvents.size(), 1001u);
    ASSERT_EQ(walk.vecProblems.size(), 101u);
    EXPECT_EQ(walk.vecProblems[99].strCheck, "data-byte");
    EXPECT_EQ(walk.vecProblems[100].strCheck, "data-byte");
    EXPECT_EQ(walk.vecProblems[100].strDetail, "\xE2\x80\xA6 and 900 more problems");
}

class BoundsRun : public ::testing::Test {
protected:
    CInfoResult Run(const std::vector<std::string>& vecArgs, std::uint64_t nAddressSpace = 0) {
        return RunInfoLimited(vecArgs, m_tree.Root(), m_capture.Root(), nAddressSpace);
    }
    CTempTree m_tree{"kestrel-info-bounds"};
    CTempTree m_capture{"kestrel-info-bounds-out"};
};

TEST_F(BoundsRun, HostileFilesEndCleanlyInEveryMode) {
    m_tree.Write("deep.mmf", fileinfotest::DeepHeron(kDeepLevels));
    m_tree.Write("tracks.mmf", fileinfotest::NestedTracks(kNestedTracks));
    for (const char* pszFile : {"deep.mmf", "tracks.mmf"}) {
        for (const std::vector<std::string>& vecMode :
             {std::vector<std::string>{}, {"--json"}, {"--check"}, {"--events"}}) {
            std::vector<std::string> vecArgs = vecMode;
            vecArgs.push_back(pszFile);
            const CInfoResult result = Run(vecArgs);
            // 0 or 1 (the nested tracks convert): an ending, not a crash.
            EXPECT_TRUE(result.nExit == 0 || result.nExit == 1)
                << pszFile << " " << (vecMode.empty() ? "" : vecMode[0]) << ": " << result.nExit;
            EXPECT_TRUE(result.strErr.empty()) << result.strErr;
            EXPECT_LT(result.strOut.size(), 512u * 1024) << pszFile;
        }
    }
    EXPECT_NE(Run({"deep.mmf"}).strOut.find("nested too deep"), std::string::npos);
    EXPECT_NE(Run({"--check", "deep.mmf"}).strOut.find("NG: deep.mmf: "), std::string::npos);
}

// Sparse files: only their first bytes are ever written.
void WriteSparse(const std::filesystem::path& path, const std::string& strHead, std::uint64_t nSize) {
    {
        std::ofstream out(path, std::ios::binary);
        out << strHead;
    }
    std::filesystem::resize_file(path, nSize);
}

TEST_F(BoundsRun, LargeFilesAreJudgedByTheirFirstBytes) {
    if (kSanitized) {
        GTEST_SKIP() << "address-space limits do not apply under the sanitizer";
    }
    WriteSparse(m_tree.Root() / "zeros.mmf", "", std::uint64_t{1} << 30);
    std::string strHead = "MMMD";
    strHead += std::string(13, '\0') + "\x39";
    WriteSparse(m_tree.Root() / "huge.mmf", strHead, (std::uint64_t{1} << 31) + 16);
    constexpr std::uint64_t kLimit = 256u << 20;

    CInfoResult result = Run({"zeros.mmf"}, kLimit);
    EXPECT_EQ(result.nExit, 1);
    EXPECT_NE(result.strOut.find("valid       no: the file does not begin with \"MMMD\"\n"
                                 "  size        1073741824 bytes\n"),
              std::string::npos)
        << result.strOut << result.strErr;

    result = Run({"huge.mmf"}, kLimit);
    EXPECT_EQ(result.nExit, 1);
    EXPECT_NE(result.strOut.find("too large to describe"), std::string::npos) << result.strOut << result.strErr;
    result = Run({"--check", "huge.mmf"}, kLimit);
    EXPECT_EQ(result.nExit, 1);
    EXPECT_NE(result.strOut.find("NG: huge.mmf: file-size: the file is too large to describe"), std::string::npos)
        << result.strOut << result.strErr;
}

}  // namespace
