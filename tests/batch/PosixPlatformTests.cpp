// The batch on real folder trees through the POSIX platform.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "BatchRun.h"
#include "BatchState.h"
#include "InputCollection.h"
#include "PosixPlatform.h"
#include "RecordingObserver.h"
#include "TempTree.h"
#include "TestInputs.h"

namespace fs = std::filesystem;

namespace {

using Bytes = std::vector<std::uint8_t>;
using Strings = std::vector<std::string>;

// Records the folders listed and the notices shown.
class CCountingPlatform : public CPosixPlatform {
public:
    bool ListFolder(const std::string& strFolder, std::vector<FolderEntry>& vecEntries) override {
        m_vecListed.push_back(strFolder);
        return CPosixPlatform::ListFolder(strFolder, vecEntries);
    }
    void ShowNotice(const std::string& strText) override { m_vecNotices.push_back(strText); }
    EAnswer AskYesNoCancel(const std::string& strText) override {
        m_vecQuestions.push_back(strText);
        return m_eAnswer;
    }
    Strings m_vecListed;
    Strings m_vecNotices;
    Strings m_vecQuestions;
    EAnswer m_eAnswer = EAnswer::Cancel;
};

class PosixTreeTest : public ::testing::Test {
protected:
    void SetUp() override { ResetBatchState(fs::current_path().string()); }

    std::string Path(const std::string& strRelative) const { return m_tree.Path(strRelative); }
    void Write(const std::string& strRelative, const Bytes& vecData) { m_tree.Write(strRelative, vecData); }
    Bytes Read(const std::string& strRelative) const { return m_tree.Read(strRelative); }

    Strings CollectedRelative() const {
        Strings vecPaths;
        for (const FileItem& item : g_vecFileItems) {
            vecPaths.push_back(fs::path(item.strPath).lexically_relative(m_root).string());
        }
        return vecPaths;
    }

    CTempTree m_tree{"kestrel-batch"};
    const fs::path m_root = m_tree.Root();
    CCountingPlatform m_platform;
    CRecordingObserver m_observer;
};

TEST_F(PosixTreeTest, ConvertsATreeBreadthFirstIntoTheMirroredOutput) {
    Write("in/b.mmf", testinput::ValidSong(1));
    Write("in/a.mmf", testinput::ValidSong(2));
    Write("in/.hidden.mmf", testinput::ValidSong(3));
    Write("in/z/deep/d.mmf", testinput::ValidSong(4));
    Write("in/y/c.mmf", testinput::ValidSong(5));
    Write("in/y/notes.txt", {1, 2});
    CollectDroppedFiles(m_platform, {Path("in")});
    EXPECT_EQ(CollectedRelative(), (Strings{"in/.hidden.mmf", "in/a.mmf", "in/b.mmf", "in/y/c.mmf",
                                            "in/y/notes.txt", "in/z/deep/d.mmf"}));
    EXPECT_EQ(g_strBaseDir, m_root.string());

    RunBatch(m_platform, m_observer);
    EXPECT_EQ(Read("OUTPUT/in/a.mmf"), testinput::Converted(testinput::ValidSong(2)));
    EXPECT_EQ(Read("OUTPUT/in/.hidden.mmf"), testinput::Converted(testinput::ValidSong(3)));
    EXPECT_EQ(Read("OUTPUT/in/y/c.mmf"), testinput::Converted(testinput::ValidSong(5)));
    EXPECT_EQ(Read("OUTPUT/in/z/deep/d.mmf"), testinput::Converted(testinput::ValidSong(4)));
    EXPECT_FALSE(fs::exists(m_root / "OUTPUT/in/y/notes.txt"));
    const Strings& vecEvents = m_observer.m_vecEvents;
    EXPECT_EQ(vecEvents[vecEvents.size() - 4], "counts 5 1 6");
    // Nothing but outputs and folders below OUTPUT: no temporary files.
    int nFiles = 0;
    for (const auto& entry : fs::recursive_directory_iterator(m_root / "OUTPUT")) {
        nFiles += entry.is_regular_file() ? 1 : 0;
    }
    EXPECT_EQ(nFiles, 5);
}

TEST_F(PosixTreeTest, SymlinkLoopsEndWithEveryFolderListedOnce) {
    Write("top/a.mmf", testinput::ValidSong());
    Write("top/sub/b.mmf", testinput::ValidSong());
    fs::create_directory_symlink(m_root / "top", m_root / "top/sub/up");
    fs::create_directory_symlink(m_root / "top/sub", m_root / "top/again");
    fs::create_directory_symlink(m_root / "top/sub/up/sub/up", m_root / "top/chain");
    fs::create_symlink(m_root / "nowhere", m_root / "top/dangling");
    CollectDroppedFiles(m_platform, {Path("top")});
    // "again" comes before "sub" in the listing, so sub's files are reached through it.
    EXPECT_EQ(CollectedRelative(), (Strings{"top/a.mmf", "top/dangling", "top/again/b.mmf"}));
    EXPECT_EQ(m_platform.m_vecListed.size(), 2u);
    EXPECT_TRUE(m_platform.m_vecNotices.empty());
}

TEST_F(PosixTreeTest, ReadOnlyOutputAndOverwriteAnswers) {
    Write("in/a.mmf", testinput::ValidSong());
    Write("in/b.mmf", testinput::ValidSong());
    Write("OUTPUT/in/a.mmf", {'o', 'l', 'd'});
    Write("OUTPUT/in/b.mmf", {'o', 'l', 'd'});
    fs::permissions(m_root / "OUTPUT/in/a.mmf", fs::perms::owner_read | fs::perms::group_read);
    m_platform.m_eAnswer = EAnswer::No;
    CollectDroppedFiles(m_platform, {Path("in")});
    RunBatch(m_platform, m_observer);
    EXPECT_EQ(g_vecFileItems[0].strResult, "NG: File write error.");
    EXPECT_EQ(g_vecFileItems[1].strResult, "NG: Convert cancel.");
    EXPECT_EQ(m_platform.m_vecQuestions, Strings{"b.mmf has already exists. Overwrite all ?"});
    EXPECT_EQ(Read("OUTPUT/in/a.mmf"), (Bytes{'o', 'l', 'd'}));
    EXPECT_EQ(Read("OUTPUT/in/b.mmf"), (Bytes{'o', 'l', 'd'}));

    m_platform.m_eAnswer = EAnswer::Yes;
    CollectDroppedFiles(m_platform, {Path("in")});
    RunBatch(m_platform, m_observer);
    EXPECT_EQ(g_vecFileItems[1].strResult, "OK: Convert success.");
    EXPECT_EQ(Read("OUTPUT/in/b.mmf"), testinput::Converted(testinput::ValidSong()));
}

TEST_F(PosixTreeTest, OutputFileBlocksTheOutputFolder) {
    Write("in/a.mmf", testinput::ValidSong());
    Write("in/OUTPUT", {'x'});
    CollectDroppedFiles(m_platform, {Path("in/a.mmf")});
    RunBatch(m_platform, m_observer);
    EXPECT_EQ(g_vecFileItems[0].strResult, "NG: Output file open error.");
}

TEST_F(PosixTreeTest, PipesAreNotReadAndDoNotBlock) {
    fs::create_directories(m_root / "in");
    ASSERT_EQ(::mkfifo(Path("in/pipe.mmf").c_str(), 0644), 0);
    CollectDroppedFiles(m_platform, {Path("in")});
    RunBatch(m_platform, m_observer);
    ASSERT_EQ(g_vecFileItems.size(), 1u);
    EXPECT_EQ(g_vecFileItems[0].strResult, "NG: File open error.");
}

TEST_F(PosixTreeTest, RestoresTheProgramFolderAfterTheRun) {
    const fs::path before = fs::current_path();
    g_strAppDir = m_root.string();
    CollectDroppedFiles(m_platform, {Path("none")});
    RunBatch(m_platform, m_observer);
    EXPECT_EQ(fs::current_path(), m_root);
    fs::current_path(before);
}

// Folder permissions do not stop root, so the collection runs in a child
// process that has given up its privileges.
TEST_F(PosixTreeTest, UnreadableFolderGivesOneNoticeWithoutPrivileges) {
    Write("in/a.mmf", {1});
    Write("in/locked/secret.mmf", {1});
    Write("in/open/b.mmf", {1});
    fs::permissions(m_root, fs::perms::all);
    for (const auto& entry : fs::recursive_directory_iterator(m_root)) {
        fs::permissions(entry.path(), entry.is_directory() ? fs::perms::all : fs::perms::all & ~fs::perms::others_exec);
    }
    fs::permissions(m_root / "in/locked", fs::perms::none);

    const pid_t pid = ::fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
        if (::geteuid() == 0 && (::setgid(65534) != 0 || ::setuid(65534) != 0)) {
            ::_exit(10);
        }
        CCountingPlatform platform;
        const int nNotices = CollectDroppedFiles(platform, {Path("in")});
        const bool bOk = nNotices == 1 && platform.m_vecNotices.size() == 1 &&
                         platform.m_vecNotices[0] == Path("in/locked") + "\r\nThere is no access authority to this folder. " &&
                         g_vecFileItems.size() == 2 && g_vecFileItems[0].strPath == Path("in/a.mmf") &&
                         g_vecFileItems[1].strPath == Path("in/open/b.mmf");
        ::_exit(bOk ? 0 : 1);
    }
    int nStatus = 0;
    ASSERT_EQ(::waitpid(pid, &nStatus, 0), pid);
    ASSERT_TRUE(WIFEXITED(nStatus));
    EXPECT_EQ(WEXITSTATUS(nStatus), 0);
}

}  // namespace

namespace {

// Takes the road of file systems without unnamed files when asked.
class CRoadPlatform : public CPosixPlatform {
public:
    explicit CRoadPlatform(bool bNamedFiles) { UseUnnamedFiles(!bNamedFiles); }
};

class PosixWriteTest : public ::testing::TestWithParam<bool> {
protected:
    std::vector<std::string> FolderNames(const std::string& strRelative) const {
        std::vector<std::string> vecNames;
        for (const auto& entry : fs::directory_iterator(m_tree.Root() / strRelative)) {
            vecNames.push_back(entry.path().filename().string());
        }
        std::sort(vecNames.begin(), vecNames.end());
        return vecNames;
    }

    CTempTree m_tree{"kestrel-write"};
    CRoadPlatform m_platform{GetParam()};
    const Bytes kNew = {'n', 'e', 'w'};
};

TEST_P(PosixWriteTest, NewFilesNeverReplaceAndFailuresLeaveNothing) {
    m_tree.Write("out/taken.mmf", {'o', 'l', 'd'});
    EXPECT_EQ(m_platform.WriteNewFile(m_tree.Path("out/fresh.mmf"), kNew.data(), kNew.size()).eResult,
              EWriteResult::Ok);
    const WriteOutcome taken = m_platform.WriteNewFile(m_tree.Path("out/taken.mmf"), kNew.data(), kNew.size());
    EXPECT_EQ(taken.eResult, EWriteResult::Exists);
    EXPECT_EQ(taken.nSystemError, EEXIST);
    const WriteOutcome missing = m_platform.WriteNewFile(m_tree.Path("none/x.mmf"), kNew.data(), kNew.size());
    EXPECT_EQ(missing.eResult, EWriteResult::OpenFailed);
    EXPECT_EQ(missing.nSystemError, ENOENT);
    EXPECT_FALSE(m_platform.SystemErrorText(missing.nSystemError).empty());
    fs::create_directories(m_tree.Root() / "out/folder.mmf");
    EXPECT_EQ(m_platform.ReplaceExistingFile(m_tree.Path("out/folder.mmf"), kNew.data(), kNew.size()).eResult,
              EWriteResult::OpenFailed);
    EXPECT_EQ(m_platform.ReplaceExistingFile(m_tree.Path("out/taken.mmf"), kNew.data(), kNew.size()).eResult,
              EWriteResult::Ok);
    EXPECT_EQ(m_tree.Read("out/fresh.mmf"), kNew);
    EXPECT_EQ(m_tree.Read("out/taken.mmf"), kNew);
    EXPECT_EQ(FolderNames("out"), (std::vector<std::string>{"folder.mmf", "fresh.mmf", "taken.mmf"}));
}

TEST_P(PosixWriteTest, ReplacingKeepsThePermissionBits) {
    for (const fs::perms perms : {fs::perms::owner_read | fs::perms::owner_write,
                                  fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read,
                                  fs::perms::owner_all | fs::perms::group_read | fs::perms::others_read}) {
        m_tree.Write("out/a.mmf", {'o', 'l', 'd'});
        fs::permissions(m_tree.Root() / "out/a.mmf", perms);
        ASSERT_EQ(m_platform.ReplaceExistingFile(m_tree.Path("out/a.mmf"), kNew.data(), kNew.size()).eResult,
                  EWriteResult::Ok);
        EXPECT_EQ(fs::status(m_tree.Root() / "out/a.mmf").permissions(), perms);
        EXPECT_EQ(m_tree.Read("out/a.mmf"), kNew);
    }
}

TEST_P(PosixWriteTest, SameFileMeansTheSameFileNotTheSameText) {
    m_tree.Write("in/a.mmf", {1});
    m_tree.Write("in/b.mmf", {1});
    fs::create_directory_symlink(m_tree.Root() / "in", m_tree.Root() / "link");
    fs::create_hard_link(m_tree.Root() / "in/a.mmf", m_tree.Root() / "hard.mmf");
    EXPECT_TRUE(m_platform.IsSameFile(m_tree.Path("in/a.mmf"), m_tree.Path("link/a.mmf")));
    EXPECT_TRUE(m_platform.IsSameFile(m_tree.Path("in/a.mmf"), m_tree.Path("in/../in/a.mmf")));
    EXPECT_TRUE(m_platform.IsSameFile(m_tree.Path("in/a.mmf"), m_tree.Path("hard.mmf")));
    EXPECT_FALSE(m_platform.IsSameFile(m_tree.Path("in/a.mmf"), m_tree.Path("in/b.mmf")));
    EXPECT_FALSE(m_platform.IsSameFile(m_tree.Path("in/a.mmf"), m_tree.Path("in/none.mmf")));
}

INSTANTIATE_TEST_SUITE_P(Roads, PosixWriteTest, ::testing::Values(false, true),
                         [](const ::testing::TestParamInfo<bool>& info) {
                             return std::string(info.param ? "NamedFiles" : "UnnamedFiles");
                         });

// Folder permissions do not stop root, so this runs in a child process that
// has given up its privileges.
TEST_F(PosixTreeTest, AFolderThatTakesNoNewFilesKeepsItsOutputsWhole) {
    Write("in/a.mmf", testinput::ValidSong());
    Write("OUTPUT/in/a.mmf", {'o', 'l', 'd'});
    fs::permissions(m_root, fs::perms::all);
    fs::permissions(m_root / "OUTPUT", fs::perms::all);
    fs::permissions(m_root / "OUTPUT/in/a.mmf", fs::perms::all);
    // Anyone may rewrite the output, nobody may add a file beside it.
    fs::permissions(m_root / "OUTPUT/in", fs::perms::all & ~(fs::perms::owner_write | fs::perms::group_write |
                                                             fs::perms::others_write));
    const pid_t pid = ::fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
        if (::geteuid() == 0 && (::setgid(65534) != 0 || ::setuid(65534) != 0)) {
            ::_exit(10);
        }
        CCountingPlatform platform;
        platform.m_eAnswer = EAnswer::Yes;
        CRecordingObserver observer;
        CollectDroppedFiles(platform, {Path("in")});
        RunBatch(platform, observer);
        ::_exit(g_vecFileItems[0].strResult == "NG: Output file open error." ? 0 : 1);
    }
    int nStatus = 0;
    ASSERT_EQ(::waitpid(pid, &nStatus, 0), pid);
    ASSERT_TRUE(WIFEXITED(nStatus));
    EXPECT_EQ(WEXITSTATUS(nStatus), 0);
    EXPECT_EQ(Read("OUTPUT/in/a.mmf"), (Bytes{'o', 'l', 'd'}));
}

}  // namespace
