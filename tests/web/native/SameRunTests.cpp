// The batch over the page's in-memory tree against the batch over the real
// file system: the same tree placed at "/" and in a scratch folder gives the
// same rows (the scratch folder's prefix aside), counts and output bytes.
#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "BatchRun.h"
#include "BatchState.h"
#include "InputCollection.h"
#include "MemoryPlatform.h"
#include "PosixPlatform.h"
#include "RecordingObserver.h"
#include "SampleFiles.h"
#include "TempTree.h"
#include "TestInputs.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

// The command line's answer without a terminal: keep the existing output.
class CSkippingPosixPlatform : public CPosixPlatform {
public:
    EAnswer AskYesNoCancel(const std::string&) override { return EAnswer::No; }
    void ShowNotice(const std::string&) override {}
};

// A tree of the sample files below "samples", beside a few inputs that fail
// in each of the ways a page can meet.
std::map<std::string, Bytes> MakeTree() {
    std::map<std::string, Bytes> mapTree;
    for (const vela::CSampleFile& sample : vela::MakeSampleFiles()) {
        mapTree["samples/" + sample.strPath] = sample.vecBytes;
    }
    mapTree["samples/notes.txt"] = Bytes{'h', 'i'};
    mapTree["samples/empty.mmf"] = Bytes{};
    mapTree["samples/sub/damaged.mmf"] = testinput::InvalidSong();
    mapTree["samples/sub/deeper/UPPER.MMF"] = testinput::ValidSong(7);
    mapTree["samples/sub/deeper/overflow.mmf"] = testinput::OverflowingSong();
    mapTree["single.mmf"] = testinput::ValidSong(9);
    return mapTree;
}

// Outside files served from a list of byte strings.
class CListedFiles : public IOutsideFiles {
public:
    bool SizeOf(std::uint32_t nSource, std::uint64_t& nSize, std::string& strFailure) override {
        if (nSource >= m_vecFiles.size()) {
            strFailure = "NotFoundError: the file is gone";
            return false;
        }
        nSize = m_vecFiles[nSource].size();
        return true;
    }
    std::string Read(std::uint32_t nSource, std::uint8_t* pBuffer, std::uint64_t nSize) override {
        std::copy(m_vecFiles[nSource].begin(), m_vecFiles[nSource].begin() + static_cast<std::ptrdiff_t>(nSize),
                  pBuffer);
        return {};
    }
    std::vector<Bytes> m_vecFiles;
};

struct RunResult {
    std::vector<std::string> vecEvents;
    std::map<std::string, Bytes> mapOutputs;  // below OUTPUT, '/'-separated
};

// vecDropped relative to the tree's top; rows with the top's prefix removed.
RunResult RunOnDisk(const std::map<std::string, Bytes>& mapTree, const std::vector<std::string>& vecDropped) {
    CTempTree tree("kestrel-web");
    for (const auto& [strPath, vecBytes] : mapTree) {
        tree.Write(strPath, vecBytes);
    }
    const std::string strTop = tree.Root().string();
    std::vector<std::string> vecPaths;
    for (const std::string& strDropped : vecDropped) {
        vecPaths.push_back(strTop + "/" + strDropped);
    }
    ResetBatchState(strTop);
    CSkippingPosixPlatform platform;
    CRecordingObserver observer;
    CollectDroppedFiles(platform, vecPaths);
    RunBatch(platform, observer, 1);

    RunResult result;
    for (std::string strEvent : observer.m_vecEvents) {
        for (std::size_t nPos; (nPos = strEvent.find(strTop)) != std::string::npos;) {
            strEvent.erase(nPos, strTop.size());
        }
        result.vecEvents.push_back(strEvent);
    }
    result.mapOutputs["OUTPUT"] = Bytes{'/'};
    for (const auto& entry : std::filesystem::recursive_directory_iterator(tree.Root() / "OUTPUT")) {
        const std::string strRelative = std::filesystem::relative(entry.path(), tree.Root()).string();
        result.mapOutputs[strRelative] = entry.is_directory() ? Bytes{'/'} : tree.Read(strRelative);
    }
    return result;
}

RunResult RunInMemory(const std::map<std::string, Bytes>& mapTree, const std::vector<std::string>& vecDropped) {
    CMemoryPlatform platform;
    CListedFiles outside;
    platform.SetOutsideFiles(&outside);
    for (const auto& [strPath, vecBytes] : mapTree) {
        outside.m_vecFiles.push_back(vecBytes);
        platform.AddOutsideInput("/" + strPath, static_cast<std::uint32_t>(outside.m_vecFiles.size() - 1));
    }
    std::vector<std::string> vecPaths;
    for (const std::string& strDropped : vecDropped) {
        vecPaths.push_back("/" + strDropped);
    }
    ResetBatchState("/");
    CRecordingObserver observer;
    CollectDroppedFiles(platform, vecPaths);
    RunBatch(platform, observer, 1);

    RunResult result{observer.m_vecEvents, {}};
    for (const std::string& strFolder : platform.FoldersBelow("/OUTPUT")) {
        result.mapOutputs[strFolder.substr(1)] = Bytes{'/'};
    }
    for (const std::string& strPath : platform.WrittenFiles()) {
        result.mapOutputs[strPath.substr(1)] = *platform.Contents(strPath);
    }
    return result;
}

TEST(PageRun, SameRowsCountsAndOutputsAsOnDisk) {
    const std::map<std::string, Bytes> mapTree = MakeTree();
    // A folder first (it fixes the base folder), then a file beside it.
    const std::vector<std::string> vecDropped{"samples", "single.mmf"};
    const RunResult disk = RunOnDisk(mapTree, vecDropped);
    const RunResult memory = RunInMemory(mapTree, vecDropped);

    EXPECT_EQ(memory.vecEvents, disk.vecEvents);
    EXPECT_EQ(memory.mapOutputs, disk.mapOutputs);
    // The run met every kind of row, and converted the samples.
    const std::string strAll = [&] {
        std::string strJoined;
        for (const std::string& strEvent : memory.vecEvents) {
            strJoined += strEvent + "\n";
        }
        return strJoined;
    }();
    for (const char* pText : {"OK: Convert success.", "NG: Input file is not VELA.", "NG: Input file size is 0. ",
                              "NG: Input file format is invalid.", "NG: Convert error."}) {
        EXPECT_NE(strAll.find(pText), std::string::npos) << pText;
    }
    EXPECT_TRUE(memory.mapOutputs.count("OUTPUT/samples/sub/deeper/UPPER.MMF"));
    EXPECT_TRUE(memory.mapOutputs.count("OUTPUT/single.mmf"));
}

TEST(PageRun, TheSameFileTwiceKeepsTheFirstOutput) {
    std::map<std::string, Bytes> mapTree;
    mapTree["a.mmf"] = testinput::ValidSong();
    const std::vector<std::string> vecDropped{"a.mmf", "a.mmf"};
    const RunResult disk = RunOnDisk(mapTree, vecDropped);
    const RunResult memory = RunInMemory(mapTree, vecDropped);
    EXPECT_EQ(memory.vecEvents, disk.vecEvents);
    EXPECT_EQ(memory.mapOutputs, disk.mapOutputs);
    ASSERT_EQ(memory.vecEvents.size(), 12u);
    EXPECT_EQ(memory.vecEvents[4], "row a.mmf|OK: Convert success.|/a.mmf");
    EXPECT_EQ(memory.vecEvents[7], "row a.mmf|NG: Convert cancel.|/a.mmf");
}

TEST(PageRun, AFileTheBrowserCannotReadFailsAloneWithItsReason) {
    CMemoryPlatform platform;
    const Bytes vecSong = testinput::ValidSong();
    CListedFiles outside;
    outside.m_vecFiles.push_back(vecSong);
    platform.SetOutsideFiles(&outside);
    platform.AddOutsideInput("/m/gone.mmf", 7);  // beyond the list
    platform.AddOutsideInput("/m/here.mmf", 0);
    ResetBatchState("/");
    CRecordingObserver observer;
    CollectDroppedFiles(platform, {"/m"});
    RunBatch(platform, observer, 1);
    EXPECT_EQ(observer.Rows(), (std::vector<std::string>{"gone.mmf|NG: File open error.|/m/gone.mmf",
                                                         "here.mmf|OK: Convert success.|/m/here.mmf"}));
    ASSERT_EQ(observer.m_vecDetails.size(), 2u);
    EXPECT_NE(observer.m_vecDetails[0].find("NotFoundError: the file is gone"), std::string::npos)
        << observer.m_vecDetails[0];
    EXPECT_EQ(platform.WrittenFiles(), std::vector<std::string>{"/OUTPUT/m/here.mmf"});
    EXPECT_EQ(*platform.Contents("/OUTPUT/m/here.mmf"), testinput::Converted(vecSong));
}

}  // namespace
