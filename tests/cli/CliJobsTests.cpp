// kestrel-cli --jobs: entries converted in parallel are reported exactly as a
// sequential run reports them, in list order, with identical outputs.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <string>

#include "CliProcess.h"
#include "TempTree.h"
#include "TestInputs.h"
#include "VelaBuilder.h"

namespace fs = std::filesystem;

namespace {

class CliJobsTest : public ::testing::Test {
protected:
    void Write(const fs::path& path, const std::vector<std::uint8_t>& vecData) {
        fs::create_directories(path.parent_path());
        std::ofstream file(path, std::ios::binary);
        file.write(reinterpret_cast<const char*>(vecData.data()), static_cast<std::streamsize>(vecData.size()));
    }

    // The same mixed tree (valid, rejected, foreign, empty inputs in three
    // levels, some with existing outputs) below root/tree.
    void MakeTree(const fs::path& root) {
        for (int i = 0; i < 40; ++i) {
            const fs::path folder = root / "tree" / (i % 3 == 0 ? "" : (i % 3 == 1 ? "a" : "a/b"));
            const std::string strName = "song" + std::to_string(i);
            if (i % 7 == 3) {
                Write(folder / (strName + ".mmf"), testinput::InvalidSong());
            } else if (i % 11 == 5) {
                Write(folder / (strName + ".txt"), {1, 2, 3});
            } else if (i % 13 == 6) {
                Write(folder / (strName + ".mmf"), {});
            } else {
                Write(folder / (strName + ".mmf"), testinput::ValidSong(static_cast<std::uint8_t>(1 + i % 12)));
            }
        }
        const fs::path existing = root / "OUTPUT" / "tree" / "a" / "song4.mmf";
        Write(existing, {'o', 'l', 'd'});
    }

    // Every file below root, relative path -> contents.
    static std::map<std::string, std::string> Snapshot(const fs::path& root) {
        std::map<std::string, std::string> files;
        for (const auto& entry : fs::recursive_directory_iterator(root)) {
            if (entry.is_regular_file() && entry.path().filename().string()[0] != '.') {
                files[fs::relative(entry.path(), root).string()] = CCliProcess::ReadFile(entry.path());
            }
        }
        return files;
    }

    CliResult Run(const fs::path& root, const std::string& strJobs, const std::string& strPolicy) {
        fs::create_directories(root);
        MakeTree(root);
        return RunCli({"--jobs", strJobs, "--overwrite=" + strPolicy, "--report", (root / "report.csv").string(),
                       (root / "tree").string()},
                      root);
    }

    CTempTree m_tree{"kestrel-jobs"};
    const fs::path m_root = m_tree.Root();
};

TEST_F(CliJobsTest, ParallelRunMatchesSequentialRowsCountsReportAndOutputs) {
    for (const char* pszPolicy : {"skip", "all"}) {
        const fs::path sequential = m_root / (std::string("seq-") + pszPolicy);
        const fs::path parallel = m_root / (std::string("par-") + pszPolicy);
        const CliResult one = Run(sequential, "1", pszPolicy);
        const CliResult two = Run(parallel, "2", pszPolicy);
        EXPECT_EQ(one.nExit, 1);
        EXPECT_EQ(two.nExit, one.nExit);
        // Paths differ only by the run's own folder.
        std::string strExpected = one.strOut;
        for (std::size_t at = strExpected.find(sequential.string()); at != std::string::npos;
             at = strExpected.find(sequential.string(), at)) {
            strExpected.replace(at, sequential.string().size(), parallel.string());
        }
        EXPECT_EQ(two.strOut, strExpected) << pszPolicy;
        auto filesOne = Snapshot(sequential);
        auto filesTwo = Snapshot(parallel);
        filesOne.erase("report.csv");
        filesTwo.erase("report.csv");
        EXPECT_EQ(filesOne, filesTwo) << pszPolicy;
        EXPECT_NE(two.strOut.find("Total files :\t40 / 40\n"), std::string::npos);
    }
}

// Outputs that touch: a file where another entry needs its folder, and one
// output reached by two spellings through a link inside the output tree.
// The entry that is first in the list is the slower one to convert, so that
// a run that did not order them would let the second get ahead.
class CliJobsTouchingTest : public CliJobsTest {
protected:
    static std::vector<std::uint8_t> SlowSong() {
        vela::CLargeInputOptions options;
        options.nEvents = 60000;
        return vela::MakeLargeInput(options);
    }

    // Rows, counts, exit status and every output after a run with --jobs.
    std::string Record(const std::vector<std::string>& vecArgs, const char* pszJobs) {
        fs::remove_all(m_root / "out");
        if (m_bLinkInOutput) {
            fs::create_directories(m_root / "out" / "a");
            fs::create_directory_symlink("a", m_root / "out" / "b");
        }
        std::vector<std::string> vecAll = {"--jobs", pszJobs, "--overwrite=all", "--output", (m_root / "out").string()};
        vecAll.insert(vecAll.end(), vecArgs.begin(), vecArgs.end());
        const CliResult result = RunCli(vecAll, m_root);
        std::string strRecord = result.strOut + "exit " + std::to_string(result.nExit) + "\n";
        for (const auto& [strPath, strBytes] : Snapshot(m_root / "out")) {
            strRecord += strPath + " " + std::to_string(std::hash<std::string>{}(strBytes)) + "\n";
        }
        return strRecord;
    }

    void ExpectSameWithJobs(const std::vector<std::string>& vecArgs) {
        const std::string strOne = Record(vecArgs, "1");
        for (int nRound = 0; nRound < 6; ++nRound) {
            ASSERT_EQ(Record(vecArgs, nRound % 2 == 0 ? "2" : "4"), strOne) << "round " << nRound;
        }
    }

    bool m_bLinkInOutput = false;
};

TEST_F(CliJobsTouchingTest, AFileWhereAnotherEntryNeedsItsFolderComesOutAsWithOneJob) {
    // other/sub.mmf lies outside the base folder, so its output is
    // out/sub.mmf: where base/sub.mmf/x.mmf needs the folder out/sub.mmf.
    Write(m_root / "other" / "sub.mmf", SlowSong());
    Write(m_root / "base" / "sub.mmf" / "x.mmf", testinput::ValidSong(2));
    const std::string strBase = (m_root / "base").string();
    ExpectSameWithJobs({"--base", strBase, (m_root / "other" / "sub.mmf").string(), strBase + "/sub.mmf"});
    ExpectSameWithJobs({"--base", strBase, strBase + "/sub.mmf", (m_root / "other" / "sub.mmf").string()});
}

TEST_F(CliJobsTouchingTest, OneOutputReachedThroughALinkInTheOutputTreeComesOutAsWithOneJob) {
    // out/b leads to out/a: both songs write out/a/song.mmf.
    Write(m_root / "base" / "a" / "song.mmf", SlowSong());
    Write(m_root / "base" / "b" / "song.mmf", testinput::ValidSong(2));
    m_bLinkInOutput = true;
    ExpectSameWithJobs({(m_root / "base" / "a").string(), (m_root / "base" / "b").string()});
}

TEST_F(CliJobsTest, AskPolicyFallsBackToOneFileAtATime) {
    const CliResult result = Run(m_root / "ask", "2", "ask");
    EXPECT_NE(result.strErr.find("converting one file at a time"), std::string::npos);
    EXPECT_NE(result.strOut.find("Total files :\t"), std::string::npos);
}

TEST_F(CliJobsTest, JobsOutOfRangeIsAUsageError) {
    EXPECT_EQ(RunCli({"--jobs", "0", m_root.string()}, m_root).nExit, 2);
    EXPECT_EQ(RunCli({"--jobs", "x", m_root.string()}, m_root).nExit, 2);
}

}  // namespace
