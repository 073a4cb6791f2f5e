// The POSIX platform working relative to the output folder in use: the same
// results as by whole paths, odd names included, and never through a handle
// of a folder that was renamed or replaced since.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <filesystem>

#include "BatchRun.h"
#include "BatchState.h"
#include "InputCollection.h"
#include "PosixPlatform.h"
#include "RecordingObserver.h"
#include "TempTree.h"
#include "TemporaryNames.h"
#include "TestInputs.h"

namespace fs = std::filesystem;

namespace {

using Bytes = std::vector<std::uint8_t>;
using Strings = std::vector<std::string>;

class CRoadPlatform : public CPosixPlatform {
public:
    explicit CRoadPlatform(bool bNamedFiles) { UseUnnamedFiles(!bNamedFiles); }
};

Strings FolderNames(const fs::path& folder) {
    Strings vecNames;
    for (const auto& entry : fs::directory_iterator(folder)) {
        vecNames.push_back(entry.path().filename().string());
    }
    std::sort(vecNames.begin(), vecNames.end());
    return vecNames;
}

class HeldFolderWriteTest : public ::testing::TestWithParam<bool> {
protected:
    void SetUp() override {
        fs::create_directories(m_tree.Root() / "out");
        ASSERT_TRUE(m_platform.UseFolder(m_tree.Path("out")));
    }
    void TearDown() override { m_platform.EndFolderUse(); }

    CTempTree m_tree{"kestrel-held"};
    CRoadPlatform m_platform{GetParam()};
    const Bytes kNew = {'n', 'e', 'w'};
};

TEST_P(HeldFolderWriteTest, WritesInTheFolderInUseFollowTheRulesOfWholePaths) {
    m_tree.Write("out/taken.mmf", {'o', 'l', 'd'});
    EXPECT_EQ(m_platform.WriteNewFile(m_tree.Path("out/fresh.mmf"), kNew.data(), kNew.size()).eResult,
              EWriteResult::Ok);
    EXPECT_EQ(m_platform.WriteNewFile(m_tree.Path("out/taken.mmf"), kNew.data(), kNew.size()).eResult,
              EWriteResult::Exists);
    fs::create_directories(m_tree.Root() / "out/folder.mmf");
    EXPECT_EQ(m_platform.ReplaceExistingFile(m_tree.Path("out/folder.mmf"), kNew.data(), kNew.size()).eResult,
              EWriteResult::OpenFailed);
    fs::permissions(m_tree.Root() / "out/taken.mmf", fs::perms::owner_read | fs::perms::group_read);
    EXPECT_TRUE(m_platform.QueryAttributes(m_tree.Path("out/taken.mmf")).bReadOnly);
    m_platform.MakeAttributesNormal(m_tree.Path("out/taken.mmf"));
    EXPECT_EQ(fs::status(m_tree.Root() / "out/taken.mmf").permissions(),
              fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    EXPECT_EQ(m_platform.ReplaceExistingFile(m_tree.Path("out/taken.mmf"), kNew.data(), kNew.size()).eResult,
              EWriteResult::Ok);
    EXPECT_EQ(fs::status(m_tree.Root() / "out/taken.mmf").permissions(),
              fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    EXPECT_EQ(m_tree.Read("out/taken.mmf"), kNew);
    // A file of a subfolder is no name of the folder in use.
    EXPECT_EQ(m_platform.WriteNewFile(m_tree.Path("out/none/x.mmf"), kNew.data(), kNew.size()).eResult,
              EWriteResult::OpenFailed);
    EXPECT_EQ(FolderNames(m_tree.Root() / "out"), (Strings{"folder.mmf", "fresh.mmf", "taken.mmf"}));
}

TEST_P(HeldFolderWriteTest, OddNamesAreNamesInTheFolder) {
    const Strings vecNames = {" a b .mmf", "new\nline.mmf", "-dash.mmf", "\xff\xfe.mmf", "..mmf", "tab\t.mmf"};
    for (const std::string& strName : vecNames) {
        const std::string strPath = m_tree.Path("out/" + strName);
        ASSERT_EQ(m_platform.WriteNewFile(strPath, kNew.data(), kNew.size()).eResult, EWriteResult::Ok) << strName;
        EXPECT_TRUE(m_platform.QueryAttributes(strPath).bValid);
        EXPECT_TRUE(m_platform.IsSameFile(strPath, m_tree.Path("out/./" + strName)));
        ASSERT_EQ(m_platform.ReplaceExistingFile(strPath, kNew.data(), 2).eResult, EWriteResult::Ok) << strName;
        Bytes vecRead;
        ASSERT_EQ(m_platform.ReadWholeFile(strPath, vecRead, 100, nullptr).eResult, EReadResult::Ok);
        EXPECT_EQ(vecRead, (Bytes{'n', 'e'}));
    }
    Strings vecExpected = vecNames;
    std::sort(vecExpected.begin(), vecExpected.end());
    EXPECT_EQ(FolderNames(m_tree.Root() / "out"), vecExpected);
}

INSTANTIATE_TEST_SUITE_P(BothRoads, HeldFolderWriteTest, ::testing::Bool(),
                         [](const ::testing::TestParamInfo<bool>& info) {
                             return info.param ? "NamedTemporary" : "Unnamed";
                         });

class HeldFolderRunTest : public ::testing::Test {
protected:
    void SetUp() override { ResetBatchState(fs::current_path().string()); }

    CTempTree m_tree{"kestrel-held-run"};
    CPosixPlatform m_platform;
    CRecordingObserver m_observer;
};

TEST_F(HeldFolderRunTest, AFolderRenamedOrReplacedBetweenEntriesGetsNoMoreOutputs) {
    for (int i = 0; i < 3; ++i) {
        m_tree.Write("in/a/" + std::to_string(i) + ".mmf", testinput::ValidSong(i));
    }
    const fs::path out = m_tree.Root() / "OUTPUT/in";
    m_observer.m_fnOnStep = [&](int nIndex) {
        if (nIndex == 1) {
            fs::rename(out / "a", out / "a.first");  // the run makes a new one
        } else if (nIndex == 2) {
            fs::rename(out / "a", out / "a.second");
            fs::create_directory(out / "a");  // the same path, another folder
        }
    };
    CollectDroppedFiles(m_platform, {m_tree.Path("in")});
    RunBatch(m_platform, m_observer);
    EXPECT_EQ(m_observer.Rows().size(), 3u);
    EXPECT_EQ(FolderNames(out / "a.first"), Strings{"0.mmf"});
    EXPECT_EQ(FolderNames(out / "a.second"), Strings{"1.mmf"});
    EXPECT_EQ(FolderNames(out / "a"), Strings{"2.mmf"});
    EXPECT_EQ(m_tree.Read("OUTPUT/in/a/2.mmf"), testinput::Converted(testinput::ValidSong(2)));
}

TEST_F(HeldFolderRunTest, DeepTreesWithJobsMirrorEveryLevel) {
    std::string strDeep = "in";
    Strings vecOutputs;
    for (int nLevel = 0; nLevel < 40; ++nLevel) {
        strDeep += "/level " + std::to_string(nLevel);
        for (int i = 0; i < 3; ++i) {
            const std::string strFile = strDeep + "/s" + std::to_string(i) + ".mmf";
            m_tree.Write(strFile, testinput::ValidSong(nLevel + i));
            vecOutputs.push_back("OUTPUT/" + strFile);
        }
    }
    CollectDroppedFiles(m_platform, {m_tree.Path("in")});
    RunBatch(m_platform, m_observer, RunSettings{.nJobs = 3, .bYieldAfterEachEntry = false});
    EXPECT_EQ(m_observer.Rows().size(), vecOutputs.size());
    for (const std::string& strOutput : vecOutputs) {
        EXPECT_FALSE(m_tree.Read(strOutput).empty()) << strOutput;
    }
    for (const auto& entry : fs::recursive_directory_iterator(m_tree.Root() / "OUTPUT")) {
        EXPECT_FALSE(IsTemporaryName(entry.path().filename().string())) << entry.path();
    }
}

}  // namespace
