// kestrel-cli killed while it replaces outputs (a kill delivered by strace at
// the moment an output is about to be renamed over the old one), and the
// temporary files such a kill leaves: the next run removes those of dead
// processes in the folders it writes to, leaves every other one alone, and a
// file that only looks like one is reported like any other file.
#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/file.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <set>

#include "CliProcess.h"
#include "TempTree.h"
#include "TemporaryNames.h"
#include "TestInputs.h"

namespace fs = std::filesystem;

namespace {

using Bytes = std::vector<std::uint8_t>;

const Bytes kOld = {'o', 'l', 'd'};

// The temporary files in folder (not below it).
std::set<std::string> TemporariesIn(const fs::path& folder) {
    std::set<std::string> setNames;
    for (const auto& entry : fs::directory_iterator(folder)) {
        if (IsTemporaryName(entry.path().filename().string())) {
            setNames.insert(entry.path().filename().string());
        }
    }
    return setNames;
}

// A process number that no process has now: a child that has ended.
unsigned long DeadProcess() {
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::_exit(0);
    }
    ::waitpid(pid, nullptr, 0);
    return static_cast<unsigned long>(pid);
}

class WriteSafetyTest : public ::testing::Test {
protected:
    std::string Path(const std::string& strRelative) const { return m_tree.Path(strRelative); }
    void Write(const std::string& strRelative, const Bytes& vecData) { m_tree.Write(strRelative, vecData); }
    Bytes Read(const std::string& strRelative) const { return m_tree.Read(strRelative); }

    CTempTree m_tree{"kestrel-write-safety"};
    const fs::path m_root = m_tree.Root();
};

TEST_F(WriteSafetyTest, AKillWhileReplacingLeavesWholeFilesAndTheNextRunNoTemporaries) {
    if (std::system("strace -V >/dev/null 2>&1") != 0) {
        GTEST_SKIP() << "strace is not installed";
    }
    std::vector<std::string> vecNames;
    for (int i = 0; i < 12; ++i) {
        vecNames.push_back("s" + std::to_string(10 + i) + ".mmf");
        Write("in/" + vecNames.back(), testinput::ValidSong(static_cast<std::uint8_t>(1 + i)));
    }
    // The kill comes as a job is about to rename its first, third or fifth
    // output over the old file (strace counts each thread's calls), with
    // two jobs writing.
    for (const int nWhen : {1, 3, 5}) {
        for (const std::string& strName : vecNames) {
            Write("out/in/" + strName, kOld);
        }
        const std::string strCommand =
            "cd '" + m_root.string() + "' && strace -f -qq -o /dev/null -e trace=rename,renameat,renameat2 "
            "-e inject=rename,renameat,renameat2:signal=KILL:when=" + std::to_string(nWhen) + " '" KESTREL_CLI_PATH
            "' -q --jobs 2 --overwrite=all --output out in >/dev/null 2>&1";
        std::system(strCommand.c_str());
        EXPECT_FALSE(TemporariesIn(m_root / "out/in").empty()) << "the kill came too late to test anything";
        for (const std::string& strName : vecNames) {
            const Bytes vecNow = Read("out/in/" + strName);
            EXPECT_TRUE(vecNow == kOld || vecNow == testinput::Converted(Read("in/" + strName)))
                << strName << " is neither the old output nor the new one";
        }
        const CliResult rerun = RunCli({"-q", "--jobs", "2", "--overwrite=all", "--output", "out", "in"}, m_root);
        EXPECT_EQ(rerun.nExit, 0) << rerun.strErr;
        EXPECT_EQ(TemporariesIn(m_root / "out/in"), std::set<std::string>()) << "after the kill at rename " << nWhen;
        for (const std::string& strName : vecNames) {
            EXPECT_EQ(Read("out/in/" + strName), testinput::Converted(Read("in/" + strName))) << strName;
        }
    }
}

TEST_F(WriteSafetyTest, OnlyTemporariesOfEndedProcessesAreRemovedAndOnlyWhereTheRunWrites) {
    Write("in/song.mmf", testinput::ValidSong());
    const std::string strDead = TemporaryName(DeadProcess(), 1);
    const std::string strLive = TemporaryName(static_cast<unsigned long>(::getpid()), 1);  // this test runs
    const std::string strHeld = TemporaryName(DeadProcess(), 2);  // held by a writer elsewhere
    for (const std::string& strName : {strDead, strLive, strHeld}) {
        Write("OUTPUT/in/" + strName, kOld);
        Write("elsewhere/" + strName, kOld);
    }
    const int nHeld = ::open(Path("OUTPUT/in/" + strHeld).c_str(), O_RDONLY | O_CLOEXEC);
    ASSERT_GE(nHeld, 0);
    ASSERT_EQ(::flock(nHeld, LOCK_EX), 0);
    const CliResult result = RunCli({"-q", "in"}, m_root);
    ::close(nHeld);
    EXPECT_EQ(result.nExit, 0) << result.strErr;
    EXPECT_EQ(TemporariesIn(m_root / "OUTPUT/in"), (std::set<std::string>{strLive, strHeld}));
    EXPECT_EQ(TemporariesIn(m_root / "elsewhere"), (std::set<std::string>{strDead, strLive, strHeld}));
    EXPECT_EQ(Read("OUTPUT/in/" + strLive), kOld);
}

TEST_F(WriteSafetyTest, AFileThatOnlyLooksLikeATemporaryGetsARow) {
    const std::string strLookalike = TemporaryName(DeadProcess(), 7);
    const std::string strHeld = TemporaryName(static_cast<unsigned long>(::getpid()), 8);  // being written
    Write("in/" + strLookalike, {1});
    Write("in/" + strHeld, {1});
    Write("in/song.mmf", testinput::ValidSong());
    const int nHeld = ::open(Path("in/" + strHeld).c_str(), O_RDONLY | O_CLOEXEC);
    ASSERT_GE(nHeld, 0);
    ASSERT_EQ(::flock(nHeld, LOCK_EX), 0);
    const CliResult result = RunCli({"in"}, m_root);
    ::close(nHeld);
    EXPECT_EQ(result.nExit, 1);
    EXPECT_EQ(result.strOut.substr(0, result.strOut.find("Total files")),
              strLookalike + "\tNG: Input file is not VELA.\t" + Path("in/" + strLookalike) +
                  "\tthe name does not end in .mmf\n"
                  "song.mmf\tOK: Convert success.\t" + Path("in/song.mmf") + "\t\n");
    EXPECT_TRUE(fs::exists(m_root / "in" / strLookalike));
}

}  // namespace
