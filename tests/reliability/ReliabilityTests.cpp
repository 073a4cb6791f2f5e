// kestrel-cli under the faults a batch meets in the field, end to end: a full
// disk, a closed standard output, outputs that collide under --jobs, paths
// longer than the system takes, a memory limit, and a folder of 200,000
// entries. Scenarios that need what the machine may not give (mounting, no
// sanitizer) skip with the reason. Kills during a write are tested through
// the platform's write hook (tests/batch/WriteInterruptionTests.cpp).
#include <gtest/gtest.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <map>

#include "Sanitized.h"
#include "CliProcess.h"
#include "TempTree.h"
#include "TestInputs.h"
#include "VelaBuilder.h"

namespace fs = std::filesystem;

namespace {

using Bytes = std::vector<std::uint8_t>;

// A source file of some kilobytes.
Bytes LargerSong(std::uint32_t nSeed) {
    vela::CLargeInputOptions options;
    options.nEvents = 3000;
    options.nSeed = nSeed;
    return vela::MakeLargeInput(options);
}

std::size_t CountLines(const std::string& strText) {
    return static_cast<std::size_t>(std::count(strText.begin(), strText.end(), '\n'));
}

// A scratch folder in memory where the machine has one (many files are made
// there), else below /tmp.
class CScratch {
public:
    CScratch()
        : m_tree(std::string(::access("/dev/shm", W_OK) == 0 ? "../dev/shm/" : "") + "kestrel-rel"),
          m_root(fs::canonical(m_tree.Root())) {}
    const fs::path& Root() const { return m_root; }
    std::string Path(const std::string& strRelative) const { return (m_root / strRelative).string(); }
    void Write(const std::string& strRelative, const Bytes& vecData) const { m_tree.Write(strRelative, vecData); }
    Bytes Read(const std::string& strRelative) const { return m_tree.Read(strRelative); }

private:
    CTempTree m_tree;
    fs::path m_root;
};

class ReliabilityTest : public ::testing::Test {
protected:
    CScratch m_scratch;
    const fs::path m_root = m_scratch.Root();
};

// --- full disk -----------------------------------------------------------------

// A small file system of its own, mounted for the test.
class CSmallDisk {
public:
    explicit CSmallDisk(const fs::path& mountPoint) : m_mountPoint(mountPoint) {
        fs::create_directories(mountPoint);
        m_bMounted = ::geteuid() == 0 &&
                     ::mount("tmpfs", mountPoint.c_str(), "tmpfs", 0, "size=256k,mode=0755") == 0;
    }
    ~CSmallDisk() {
        if (m_bMounted) {
            ::umount2(m_mountPoint.c_str(), MNT_DETACH);
        }
    }
    bool Mounted() const { return m_bMounted; }

private:
    fs::path m_mountPoint;
    bool m_bMounted = false;
};

TEST_F(ReliabilityTest, AFullDiskLeavesCompleteOutputsOldOutputsAndTheOldReport) {
    CSmallDisk disk(m_root / "disk");
    if (!disk.Mounted()) {
        GTEST_SKIP() << "cannot mount a small tmpfs here (needs root and permission to mount)";
    }
    std::map<std::string, Bytes> mapExpected;
    for (int i = 0; i < 24; ++i) {
        const std::string strName = "s" + std::to_string(10 + i) + ".mmf";
        const Bytes vecSong = LargerSong(static_cast<std::uint32_t>(i + 1));
        m_scratch.Write("in/" + strName, vecSong);
        mapExpected[strName] = testinput::Converted(vecSong);
    }
    // Rows enough for a report larger than the room one output leaves.
    for (int i = 0; i < 200; ++i) {
        m_scratch.Write("in/" + std::string(60, 'p') + std::to_string(i) + ".txt", {1});
    }
    const Bytes kOld = {'o', 'l', 'd'};
    m_scratch.Write("disk/OUTPUT/in/s33.mmf", kOld);
    m_scratch.Write("disk/r.csv", kOld);
    // Leave about 48 KiB.
    {
        std::ofstream filler(m_root / "disk/filler", std::ios::binary);
        const std::string strBlock(4096, 'x');
        for (int i = 0; i < 52; ++i) {
            filler << strBlock;
        }
    }
    const CliResult result = RunCli({"--overwrite=all", "--output", m_scratch.Path("disk/OUTPUT"), "--report",
                                     m_scratch.Path("disk/r.csv"), m_scratch.Path("in")},
                                    m_root);
    EXPECT_EQ(result.nExit, 1);
    EXPECT_NE(result.strErr.find("cannot write the report"), std::string::npos) << result.strErr;
    EXPECT_EQ(m_scratch.Read("disk/r.csv"), kOld);
    int nWritten = 0;
    for (const auto& entry : fs::directory_iterator(m_root / "disk/OUTPUT/in")) {
        const std::string strName = entry.path().filename().string();
        ASSERT_TRUE(mapExpected.count(strName)) << "left behind: " << strName;
        const Bytes vecContents = m_scratch.Read("disk/OUTPUT/in/" + strName);
        if (strName == "s33.mmf" && vecContents == kOld) {
            continue;
        }
        EXPECT_EQ(vecContents, mapExpected[strName]) << strName;
        ++nWritten;
    }
    EXPECT_GT(nWritten, 0);
    EXPECT_LT(nWritten, 24);
    EXPECT_NE(result.strOut.find("NG: File write error."), std::string::npos);
    EXPECT_EQ(result.strOut.find("NG: Output file open error."), std::string::npos);
}

// --- a closed standard output --------------------------------------------------

TEST_F(ReliabilityTest, AClosedStandardOutputStopsTheRowsButNotTheRun) {
    for (int i = 0; i < 3000; ++i) {
        m_scratch.Write("tree/note" + std::to_string(1000 + i) + ".txt", {1});
    }
    m_scratch.Write("tree/zz.mmf", testinput::ValidSong());
    for (const bool bReadFirstLine : {false, true}) {
        fs::remove_all(m_root / "OUTPUT");
        CliOptions options;
        options.eStdout = bReadFirstLine ? CliOptions::EStdout::Pipe : CliOptions::EStdout::ClosedPipe;
        CCliProcess process({"--report", m_scratch.Path("r.csv"), m_scratch.Path("tree")}, m_root, options);
        if (bReadFirstLine) {
            EXPECT_EQ(process.ReadOutputLine().rfind("note1000.txt\t", 0), 0u);  // like "| head -1"
            process.CloseOutput();
        }
        const CliResult result = process.Finish();
        EXPECT_EQ(result.nSignal, 0) << "killed by signal " << result.nSignal;
        EXPECT_EQ(result.nExit, 1);
        EXPECT_NE(result.strErr.find("standard output was closed"), std::string::npos) << result.strErr;
        EXPECT_EQ(m_scratch.Read("OUTPUT/tree/zz.mmf"), testinput::Converted(testinput::ValidSong()));
        const std::string strReport = CCliProcess::ReadFile(m_root / "r.csv");
        EXPECT_EQ(CountLines(strReport), 3002u);
        EXPECT_NE(strReport.find("zz.mmf,OK: Convert success."), std::string::npos);
    }
}

// --- colliding outputs under --jobs ----------------------------------------------

TEST_F(ReliabilityTest, CollidingOutputsGiveTheSameRowsAndBytesWithAnyNumberOfJobs) {
    m_scratch.Write("base/first.mmf", testinput::ValidSong(1));
    m_scratch.Write("x/song.mmf", testinput::ValidSong(2));
    m_scratch.Write("y/song.mmf", testinput::ValidSong(3));
    m_scratch.Write("f.mmf", testinput::ValidSong(4));
    const std::vector<std::vector<std::string>> vecDrops = {
        std::vector<std::string>(12, m_scratch.Path("f.mmf")),
        {m_scratch.Path("base/first.mmf"), m_scratch.Path("x/song.mmf"), m_scratch.Path("y/song.mmf"),
         m_scratch.Path("x/song.mmf")},
    };
    for (const std::vector<std::string>& vecDrop : vecDrops) {
        for (const char* pszPolicy : {"--overwrite=skip", "--overwrite=all"}) {
            auto Run = [&](const char* pszJobs) {
                fs::remove_all(m_root / "out");
                std::vector<std::string> vecArgs = {"--jobs", pszJobs, pszPolicy, "--output", m_scratch.Path("out")};
                vecArgs.insert(vecArgs.end(), vecDrop.begin(), vecDrop.end());
                CliResult result = RunCli(vecArgs, m_root);
                std::map<std::string, std::string> mapOutputs;  // by name: listings come in any order
                for (const auto& entry : fs::directory_iterator(m_root / "out")) {
                    mapOutputs[entry.path().filename().string()] = CCliProcess::ReadFile(entry.path());
                }
                for (const auto& [strName, strBytes] : mapOutputs) {
                    result.strOut += strName + "=" + strBytes + "\n";
                }
                return result;
            };
            const CliResult one = Run("1");
            for (int nRound = 0; nRound < 24; ++nRound) {
                const CliResult many = Run(nRound % 2 == 0 ? "2" : "8");
                ASSERT_EQ(many.strOut, one.strOut) << pszPolicy << " round " << nRound;
                ASSERT_EQ(many.nExit, one.nExit);
            }
        }
    }
}

// --- paths longer than the system takes ---------------------------------------

// nLevels nested folders strName below strRoot, each with "f<level>.mmf".
// Made and removed level by level from the current folder, since no whole
// path that long can be opened.
void MakeDeepChain(const fs::path& root, const std::string& strName, int nLevels, const Bytes& vecFile) {
    const fs::path before = fs::current_path();
    fs::current_path(root);
    for (int nLevel = 0; nLevel < nLevels; ++nLevel) {
        fs::create_directory(strName);
        fs::current_path(strName);
        std::ofstream("f" + std::to_string(nLevel) + ".mmf", std::ios::binary)
            .write(reinterpret_cast<const char*>(vecFile.data()), static_cast<std::streamsize>(vecFile.size()));
    }
    fs::current_path(before);
}

void RemoveDeepChain(const fs::path& root, const std::string& strName) {
    const fs::path before = fs::current_path();
    fs::current_path(root);
    int nDepth = 0;
    for (; fs::is_directory(strName); ++nDepth) {
        fs::current_path(strName);
    }
    for (; nDepth > 0; --nDepth) {
        for (const auto& entry : fs::directory_iterator(".")) {
            fs::remove(entry.path());
        }
        fs::current_path("..");
        fs::remove(strName);
    }
    fs::current_path(before);
}

TEST_F(ReliabilityTest, FoldersBeyondTheLongestPathGetOneNoticeAndNoRow) {
    const std::string strName(200, 'd');
    fs::create_directories(m_root / "tree");
    MakeDeepChain(m_root / "tree", strName, 40, testinput::ValidSong());  // 8,000 bytes deep
    const CliResult result = RunCli({"--output", m_scratch.Path("out"), m_scratch.Path("tree")}, m_root);
    RemoveDeepChain(m_root / "tree", strName);
    RemoveDeepChain(m_root / "out/tree", strName);
    EXPECT_EQ(result.nExit, 1);
    EXPECT_EQ(result.strOut.find("NG: Input file is not VELA."), std::string::npos) << result.strOut;
    EXPECT_EQ(result.strErr.find("There is no access authority to this folder."),
              result.strErr.rfind("There is no access authority to this folder."));
    EXPECT_NE(result.strErr.find(strName + "\r\nThere is no access authority to this folder. "), std::string::npos);
    EXPECT_NE(result.strOut.find("f0.mmf\tOK: Convert success."), std::string::npos);
}

// --- a memory limit ------------------------------------------------------------

// A file of nSize bytes that takes no room (a hole).
void MakeSparseFile(const fs::path& path, std::uint64_t nSize) {
    std::ofstream(path, std::ios::binary).close();
    fs::resize_file(path, nSize);
}

TEST_F(ReliabilityTest, InputsThatDoNotFitInMemoryFailAloneAndTheRunGoesOn) {
    if (kSanitized) {
        GTEST_SKIP() << "a sanitizer reserves more address space than the limit allows";
    }
    fs::create_directories(m_root / "in");
    MakeSparseFile(m_root / "in/a-big.mmf", (std::uint64_t{2} << 30) - 1);
    m_scratch.Write("in/b.mmf", testinput::ValidSong());
    CliOptions options;
    options.nAddressSpace = std::uint64_t{1000000} * 1024;  // ulimit -v 1000000
    const CliResult result =
        RunCli({"--report", m_scratch.Path("r.csv"), m_scratch.Path("in")}, m_root, {}, options);
    EXPECT_EQ(result.nSignal, 0) << result.strErr;
    EXPECT_EQ(result.nExit, 1);
    EXPECT_NE(result.strOut.find("a-big.mmf\tNG: File open error."), std::string::npos) << result.strOut;
    EXPECT_NE(result.strOut.find("b.mmf\tOK: Convert success."), std::string::npos) << result.strOut;
    EXPECT_EQ(CountLines(CCliProcess::ReadFile(m_root / "r.csv")), 3u);
}

TEST_F(ReliabilityTest, ParallelJobsDoNotHoldMoreInputsThanMemoryAllows) {
    if (kSanitized) {
        GTEST_SKIP() << "a sanitizer reserves more address space than the limit allows";
    }
    // One input at a time fits in the limit, two do not.
    fs::create_directories(m_root / "in");
    for (int i = 0; i < 4; ++i) {
        MakeSparseFile(m_root / ("in/z" + std::to_string(i) + ".mmf"), std::uint64_t{300} << 20);
    }
    CliOptions options;
    options.nAddressSpace = std::uint64_t{1000000} * 1024;
    const CliResult result = RunCli({"--jobs", "4", "-q", "--report", m_scratch.Path("r.csv"),
                                     m_scratch.Path("in")},
                                    m_root, {}, options);
    EXPECT_EQ(result.nSignal, 0) << result.strErr;
    const std::string strReport = CCliProcess::ReadFile(m_root / "r.csv");
    for (int i = 0; i < 4; ++i) {
        EXPECT_NE(strReport.find("z" + std::to_string(i) + ".mmf,NG: Input file format is invalid."),
                  std::string::npos)
            << strReport;
    }
}

// --- a folder of 200,000 entries ---------------------------------------------

// Empty files f0 ... in the folder, made by handle (quicker than streams).
void MakeEmptyFiles(const fs::path& folder, int nCount) {
    fs::create_directories(folder);
    const int nFolder = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    for (int i = 0; i < nCount; ++i) {
        const std::string strName = "f" + std::to_string(i) + ".txt";
        const int nFile = ::openat(nFolder, strName.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0644);
        if (nFile >= 0) {
            ::close(nFile);
        }
    }
    ::close(nFolder);
}

TEST_F(ReliabilityTest, AFolderOf200000EntriesIsHandledInLinearTime) {
    MakeEmptyFiles(m_root / "small", 20000);
    MakeEmptyFiles(m_root / "large", 200000);
    const CliResult small = RunCli({"-q", "--report", m_scratch.Path("small.csv"), m_scratch.Path("small")}, m_root);
    const CliResult large = RunCli({"-q", "--report", m_scratch.Path("large.csv"), m_scratch.Path("large")}, m_root);
    EXPECT_EQ(large.nExit, 1);
    EXPECT_EQ(CountLines(CCliProcess::ReadFile(m_root / "large.csv")), 200001u);
    // Ten times the entries: about ten times the work (sorting adds a
    // little); a quadratic cost would show as a hundred.
    const double dRatio = static_cast<double>(large.nCpuMicroseconds) /
                          static_cast<double>(std::max<long long>(small.nCpuMicroseconds, 1));
    std::printf("[ growth ] 20,000 entries %.2f s, 200,000 entries %.2f s of CPU: %.1fx\n",
                static_cast<double>(small.nCpuMicroseconds) / 1e6, static_cast<double>(large.nCpuMicroseconds) / 1e6,
                dRatio);
    EXPECT_LT(dRatio, 30.0);
}

}  // namespace
