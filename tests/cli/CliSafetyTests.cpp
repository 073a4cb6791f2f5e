// kestrel-cli against hostile use: outputs that would land on inputs,
// unusable output folders, names with control characters, a report that
// cannot be replaced, a first path in the file-system root.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>

#include "CliProcess.h"
#include "TempTree.h"
#include "TestInputs.h"

namespace fs = std::filesystem;

namespace {

using Bytes = std::vector<std::uint8_t>;

class CliSafetyTest : public ::testing::Test {
protected:
    std::string Path(const std::string& strRelative) const { return m_tree.Path(strRelative); }
    void Write(const std::string& strRelative, const Bytes& vecData) { m_tree.Write(strRelative, vecData); }
    Bytes Read(const std::string& strRelative) const { return m_tree.Read(strRelative); }

    CTempTree m_tree{"kestrel-cli-safety"};
    const fs::path m_root = m_tree.Root();
};

TEST_F(CliSafetyTest, AnOutputNeverReplacesAnInputOfTheRun) {
    const Bytes vecSong = testinput::ValidSong();
    struct Case {
        std::vector<std::string> vecArgs;  // run in in/
        std::string strRows;
    };
    const std::string kRefused = "NG: Output file open error.";
    const std::string kItself = "\tthe output would overwrite the input itself\n";
    const std::vector<Case> vecCases = {
        // The output folder is the input's own folder.
        {{"--overwrite=all", "--output", ".", "song.mmf"},
         "song.mmf\t" + kRefused + "\t" + Path("in/song.mmf") + kItself},
        // ... reached through a link to it.
        {{"--overwrite=all", "--output", Path("link"), "song.mmf"},
         "song.mmf\t" + kRefused + "\t" + Path("in/song.mmf") + kItself},
        // The output of one entry is the input of a later one.
        {{"--overwrite=all", "--output", Path("in/sub"), Path("other/song.mmf"), Path("in/sub/song.mmf")},
         "song.mmf\t" + kRefused + "\t" + Path("other/song.mmf") +
             "\tthe output would overwrite another input of this run\n"},
    };
    for (const Case& testCase : vecCases) {
        Write("in/song.mmf", vecSong);
        Write("in/sub/song.mmf", vecSong);
        Write("other/song.mmf", testinput::ValidSong(9));
        fs::remove(m_root / "link");
        fs::create_directory_symlink(m_root / "in", m_root / "link");
        const CliResult result = RunCli(testCase.vecArgs, m_root / "in");
        EXPECT_EQ(result.nExit, 1) << testCase.vecArgs[2];
        EXPECT_EQ(result.strOut.substr(0, testCase.strRows.size()), testCase.strRows) << result.strOut;
        EXPECT_EQ(Read("in/song.mmf"), vecSong);
        EXPECT_EQ(Read("in/sub/song.mmf"), vecSong);
    }
}

TEST_F(CliSafetyTest, UnusableOutputFolderIsAUsageErrorNamingIt) {
    fs::create_directories(m_root / "locked/inner");
    fs::permissions(m_root / "locked", fs::perms::owner_read | fs::perms::owner_write);
    fs::permissions(m_root, fs::perms::all);
    fs::create_symlink(m_root / "loop1", m_root / "loop2");
    fs::create_symlink(m_root / "loop2", m_root / "loop1");
    Write("in/a.mmf", testinput::ValidSong());
    const std::vector<std::string> vecFolders = {Path(std::string(300, 'x')), Path("loop1/out"),
                                                 Path("locked/inner/out")};
    for (const std::string& strFolder : vecFolders) {
        CliOptions options;
        options.bDropPrivileges = true;  // root may enter any folder
        const CliResult result = RunCli({"--output", strFolder, Path("in")}, m_root, {}, options);
        EXPECT_EQ(result.nExit, 2) << strFolder << "\n" << result.strErr;
        EXPECT_EQ(result.nSignal, 0) << strFolder;
        EXPECT_EQ(result.strErr.rfind("kestrel-cli: cannot use " + strFolder + " as the output folder: ", 0), 0u)
            << result.strErr;
        EXPECT_EQ(std::count(result.strErr.begin(), result.strErr.end(), '\n'), 1) << result.strErr;
    }
}

TEST_F(CliSafetyTest, ControlCharactersInNamesAreEscapedInRowsAndKeptInTheReport) {
    Write("in/a\tb.mmf", testinput::ValidSong());
    Write("in/c\nd\re\x1b.txt", {1});
    const CliResult result = RunCli({"--report", Path("r.csv"), Path("in")}, m_root);
    EXPECT_EQ(result.strOut, "a\\tb.mmf\tOK: Convert success.\t" + Path("in") + "/a\\tb.mmf\t\n" +
                                 "c\\nd\\re\\x1B.txt\tNG: Input file is not VELA.\t" + Path("in") +
                                 "/c\\nd\\re\\x1B.txt\tthe name does not end in .mmf\n"
                                 "Total files :\t2 / 2\nConvert files :\t1\nError files :\t1\n"
                                 "Finished the converting.\n");
    EXPECT_EQ(Read("OUTPUT/in/a\tb.mmf"), testinput::Converted(testinput::ValidSong()));
    const std::string strCsv = CCliProcess::ReadFile(m_root / "r.csv");
    EXPECT_NE(strCsv.find("\"c\nd\re\x1b.txt\""), std::string::npos);
}

TEST_F(CliSafetyTest, AReportThatDoesNotFitKeepsTheOldOne) {
    // Writes beyond 16 KiB fail as on a full disk; the rows need more.
    const std::string strLong(200, 'n');
    for (int i = 0; i < 60; ++i) {
        Write("in/" + strLong + std::to_string(i) + ".txt", {1});
    }
    Write("r.csv", {'o', 'l', 'd'});
    CliOptions options;
    options.nFileSize = 16 * 1024;
    const CliResult result = RunCli({"-q", "--report", Path("r.csv"), Path("in")}, m_root, {}, options);
    EXPECT_EQ(result.nExit, 1);
    EXPECT_NE(result.strErr.find("cannot write the report " + Path("r.csv")), std::string::npos) << result.strErr;
    EXPECT_EQ(Read("r.csv"), (Bytes{'o', 'l', 'd'}));
    for (const auto& entry : fs::directory_iterator(m_root)) {
        EXPECT_EQ(entry.path().filename().string().rfind(".~kst", 0), std::string::npos);
    }
}

TEST_F(CliSafetyTest, AnEmptyBaseFolderIsTakenFromALaterPath) {
    Write("x/c.mmf", testinput::ValidSong());
    const CliResult result = RunCli({"-q", "--output", Path("OUT"), "/nonexistent-kestrel", Path("x/c.mmf")}, m_root);
    EXPECT_EQ(result.nExit, 1);  // the missing path gives its notice
    EXPECT_EQ(Read("OUT/c.mmf"), testinput::Converted(testinput::ValidSong()));
    EXPECT_FALSE(fs::exists(m_root / "OUT" / m_root.relative_path()));
}

}  // namespace
