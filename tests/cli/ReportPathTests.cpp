// Where kestrel-cli may put its --report: never on an input or an output of
// the run (however the path is spelt), through a device or a named pipe
// rather than over it, and through a link to the file it leads to. Outputs
// that are links follow the same rule, so none may lead to an input.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>

#include "CliProcess.h"
#include "NonRegularFiles.h"
#include "TempTree.h"
#include "TestInputs.h"

namespace fs = std::filesystem;

namespace {

using Bytes = std::vector<std::uint8_t>;

const Bytes kOld = {'o', 'l', 'd'};

class ReportPathTest : public ::testing::Test {
protected:
    std::string Path(const std::string& strRelative) const { return m_tree.Path(strRelative); }
    void Write(const std::string& strRelative, const Bytes& vecData) { m_tree.Write(strRelative, vecData); }
    Bytes Read(const std::string& strRelative) const { return m_tree.Read(strRelative); }

    // A usage error before anything is converted: exit 2, one line that
    // names strNamed, no output written.
    void ExpectRefusedNaming(const CliResult& result, const std::string& strNamed, const std::string& strCase) {
        EXPECT_EQ(result.nExit, 2) << strCase << "\n" << result.strErr;
        EXPECT_EQ(std::count(result.strErr.begin(), result.strErr.end(), '\n'), 1) << strCase << result.strErr;
        EXPECT_NE(result.strErr.find(strNamed), std::string::npos) << strCase << "\n" << result.strErr;
        EXPECT_EQ(result.strOut, "") << strCase;
    }

    CTempTree m_tree{"kestrel-cli-report"};
    const fs::path m_root = m_tree.Root();
};

TEST_F(ReportPathTest, AReportOnAnInputOfTheRunIsAUsageError) {
    const Bytes vecSong = testinput::ValidSong();
    Write("in/song.mmf", vecSong);
    Write("in/other.mmf", testinput::ValidSong(7));
    fs::create_hard_link(m_root / "in/song.mmf", m_root / "hard.csv");
    fs::create_symlink(m_root / "in/other.mmf", m_root / "soft.csv");
    const struct {
        std::string strReport;  // as given, run in the tree's root
        std::string strNamed;
    } aCases[] = {
        {"in/song.mmf", Path("in/song.mmf")},
        {Path("in/./song.mmf"), Path("in/song.mmf")},
        {"hard.csv", Path("in/song.mmf")},   // the same file by another name
        {"soft.csv", Path("in/other.mmf")},  // a link to an input
    };
    for (const auto& testCase : aCases) {
        const CliResult result = RunCli({"--overwrite=all", "--report", testCase.strReport, "in"}, m_root);
        ExpectRefusedNaming(result, testCase.strNamed, testCase.strReport);
        EXPECT_EQ(Read("in/song.mmf"), vecSong);
        EXPECT_EQ(specialfiles::PathKind(m_root / "soft.csv"), static_cast<unsigned>(S_IFLNK));
        EXPECT_FALSE(fs::exists(m_root / "OUTPUT")) << "converted before refusing " << testCase.strReport;
    }
}

TEST_F(ReportPathTest, AReportOnAnOutputOfTheRunIsAUsageErrorWhetherItExistsOrNot) {
    const Bytes vecConverted = testinput::Converted(testinput::ValidSong());
    Write("in/song.mmf", testinput::ValidSong());
    // Not converted yet: the place where the output will go, also through
    // a link to its folder.
    fs::create_directories(m_root / "OUTPUT/in");
    fs::create_directory_symlink(m_root / "OUTPUT/in", m_root / "outlink");
    for (const std::string& strReport : {std::string("OUTPUT/in/song.mmf"), Path("outlink/song.mmf")}) {
        const CliResult result = RunCli({"--overwrite=all", "--report", strReport, "in"}, m_root);
        ExpectRefusedNaming(result, Path("OUTPUT/in/song.mmf"), strReport);
        EXPECT_FALSE(fs::exists(m_root / "OUTPUT/in/song.mmf")) << strReport;
    }
    // Converted: an existing output, by any name.
    ASSERT_EQ(RunCli({"-q", "in"}, m_root).nExit, 0);
    ASSERT_EQ(Read("OUTPUT/in/song.mmf"), vecConverted);
    fs::create_hard_link(m_root / "OUTPUT/in/song.mmf", m_root / "hard.csv");
    for (const std::string& strReport : {std::string("OUTPUT/in/song.mmf"), Path("outlink/song.mmf"),
                                         std::string("hard.csv")}) {
        for (const char* pszPolicy : {"--overwrite=skip", "--overwrite=all"}) {
            const CliResult result = RunCli({pszPolicy, "--report", strReport, "in"}, m_root);
            ExpectRefusedNaming(result, Path("OUTPUT/in/song.mmf"), strReport + " " + pszPolicy);
            EXPECT_EQ(Read("OUTPUT/in/song.mmf"), vecConverted) << strReport;
        }
    }
}

TEST_F(ReportPathTest, AReportBesideTheOutputsIsStillWritten) {
    Write("in/song.mmf", testinput::ValidSong());
    const CliResult result = RunCli({"-q", "--report", "OUTPUT/in/report.csv", "in"}, m_root);
    EXPECT_EQ(result.nExit, 0) << result.strErr;
    const std::string strCsv = CCliProcess::ReadFile(m_root / "OUTPUT/in/report.csv");
    EXPECT_NE(strCsv.find("song.mmf,OK: Convert success."), std::string::npos) << strCsv;
}

TEST_F(ReportPathTest, ADeviceNodeIsWrittenThroughAndStaysADevice) {
    Write("in/song.mmf", testinput::ValidSong());
    if (!specialfiles::MakeNullDevice(m_root / "null")) {
        GTEST_SKIP() << "this process may not make device nodes";
    }
    const CliResult result = RunCli({"-q", "--report", Path("null"), "in"}, m_root);
    EXPECT_EQ(result.nExit, 0) << result.strErr;
    EXPECT_EQ(specialfiles::PathKind(m_root / "null"), static_cast<unsigned>(S_IFCHR));
}

TEST_F(ReportPathTest, ANamedPipeIsWrittenThroughOrRefusedWithoutAReader) {
    Write("in/song.mmf", testinput::ValidSong());
    ASSERT_TRUE(specialfiles::MakePipe(m_root / "pipe"));
    {
        specialfiles::CPipeReader reader(m_root / "pipe");
        const CliResult result = RunCli({"-q", "--report", Path("pipe"), "in"}, m_root);
        EXPECT_EQ(result.nExit, 0) << result.strErr;
        EXPECT_NE(reader.Finish().find("song.mmf,OK: Convert success."), std::string::npos) << reader.Finish();
    }
    EXPECT_EQ(specialfiles::PathKind(m_root / "pipe"), static_cast<unsigned>(S_IFIFO));
    // Nobody reads: the report cannot be written, and nothing waits for one.
    const CliResult result = RunCli({"-q", "--overwrite=all", "--report", Path("pipe"), "in"}, m_root);
    EXPECT_EQ(result.nExit, 1);
    EXPECT_NE(result.strErr.find("cannot write the report " + Path("pipe")), std::string::npos) << result.strErr;
    EXPECT_EQ(specialfiles::PathKind(m_root / "pipe"), static_cast<unsigned>(S_IFIFO));
}

TEST_F(ReportPathTest, ALinkIsFollowedAndItsTargetReplacedWithItsPermissions) {
    Write("in/song.mmf", testinput::ValidSong());
    Write("reports/r.csv", kOld);
    fs::permissions(m_root / "reports/r.csv", fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    fs::create_symlink("reports/r.csv", m_root / "r.csv");  // relative, as links often are
    const CliResult result = RunCli({"-q", "--report", Path("r.csv"), "in"}, m_root);
    EXPECT_EQ(result.nExit, 0) << result.strErr;
    EXPECT_EQ(specialfiles::PathKind(m_root / "r.csv"), static_cast<unsigned>(S_IFLNK));
    EXPECT_EQ(fs::read_symlink(m_root / "r.csv"), fs::path("reports/r.csv"));
    const std::string strCsv = CCliProcess::ReadFile(m_root / "reports/r.csv");
    EXPECT_NE(strCsv.find("song.mmf,OK: Convert success."), std::string::npos) << strCsv;
    EXPECT_EQ(fs::status(m_root / "reports/r.csv").permissions(),
              fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    for (const auto& entry : fs::directory_iterator(m_root)) {
        EXPECT_EQ(entry.path().filename().string().rfind(".~kst", 0), std::string::npos) << entry.path();
    }
}

TEST_F(ReportPathTest, AnOutputThatIsALinkReplacesItsFileButNeverAnInput) {
    const Bytes vecOther = testinput::ValidSong(9);
    Write("in/a.mmf", testinput::ValidSong());
    Write("in/b.mmf", vecOther);
    Write("elsewhere/c.mmf", kOld);
    Write("in/c.mmf", testinput::ValidSong(3));
    fs::create_directories(m_root / "OUTPUT/in");
    fs::create_symlink(m_root / "in/b.mmf", m_root / "OUTPUT/in/a.mmf");
    fs::create_symlink(m_root / "elsewhere/c.mmf", m_root / "OUTPUT/in/c.mmf");
    const CliResult result = RunCli({"--overwrite=all", "in"}, m_root);
    EXPECT_EQ(result.nExit, 1);
    EXPECT_NE(result.strOut.find("a.mmf\tNG: Output file open error.\t" + Path("in/a.mmf") +
                                 "\tthe output would overwrite another input of this run\n"),
              std::string::npos)
        << result.strOut;
    EXPECT_EQ(Read("in/b.mmf"), vecOther);
    EXPECT_EQ(Read("elsewhere/c.mmf"), testinput::Converted(testinput::ValidSong(3)));
    EXPECT_EQ(specialfiles::PathKind(m_root / "OUTPUT/in/a.mmf"), static_cast<unsigned>(S_IFLNK));
    EXPECT_EQ(specialfiles::PathKind(m_root / "OUTPUT/in/c.mmf"), static_cast<unsigned>(S_IFLNK));
}

}  // namespace
