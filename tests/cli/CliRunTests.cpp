// kestrel-cli end to end: the built binary converts real folder trees.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>

#include "CliProcess.h"
#include "TempTree.h"
#include "TestInputs.h"

namespace fs = std::filesystem;

namespace {

using Bytes = std::vector<std::uint8_t>;

const Bytes kOld = {'o', 'l', 'd'};
const std::string kNoAccess = "\r\nThere is no access authority to this folder. ";

class CliTest : public ::testing::Test {
protected:
    std::string Path(const std::string& strRelative) const { return m_tree.Path(strRelative); }
    void Write(const std::string& strRelative, const Bytes& vecData) { m_tree.Write(strRelative, vecData); }
    Bytes Read(const std::string& strRelative) const { return m_tree.Read(strRelative); }

    std::string Row(const std::string& strName, const std::string& strResult, const std::string& strRelative,
                    const std::string& strDetail = {}) {
        return strName + "\t" + strResult + "\t" + Path(strRelative) + "\t" + strDetail + "\n";
    }

    // Three songs in in/, each with an existing output holding "old".
    void SongsWithOldOutputs() {
        for (const char* pszName : {"a.mmf", "b.mmf", "c.mmf"}) {
            Write(std::string("in/") + pszName, testinput::ValidSong());
            Write(std::string("OUTPUT/in/") + pszName, kOld);
        }
    }

    CTempTree m_tree{"kestrel-cli"};
    const fs::path m_root = m_tree.Root();
};

TEST_F(CliTest, ConvertsATreeWithRowsCountsAndReport) {
    Write("in/a.mmf", testinput::ValidSong(1));
    Write("in/bad.mmf", testinput::InvalidSong());
    Write("in/sub/b.mmf", testinput::ValidSong(2));
    Write("in/sub/c,d.txt", {1});
    Write("in/sub/empty.mmf", {});
    const CliResult result = RunCli({"--report", Path("report.csv"), Path("in")}, m_root);
    const std::string strBadCrc = testinput::RejectionOf(testinput::InvalidSong());
    EXPECT_EQ(result.nExit, 1);
    EXPECT_EQ(result.strOut, Row("a.mmf", "OK: Convert success.", "in/a.mmf") +
                                 Row("bad.mmf", "NG: Input file format is invalid.", "in/bad.mmf", strBadCrc) +
                                 Row("b.mmf", "OK: Convert success.", "in/sub/b.mmf") +
                                 Row("c,d.txt", "NG: Input file is not VELA.", "in/sub/c,d.txt",
                                     "the name does not end in .mmf") +
                                 Row("empty.mmf", "NG: Input file size is 0. ", "in/sub/empty.mmf",
                                     "the input file is empty") +
                                 "Total files :\t5 / 5\nConvert files :\t2\nError files :\t3\n"
                                 "Finished the converting.\n");
    EXPECT_EQ(Read("OUTPUT/in/a.mmf"), testinput::Converted(testinput::ValidSong(1)));
    EXPECT_EQ(Read("OUTPUT/in/sub/b.mmf"), testinput::Converted(testinput::ValidSong(2)));
    EXPECT_FALSE(fs::exists(m_root / "OUTPUT/in/bad.mmf"));
    EXPECT_EQ(CCliProcess::ReadFile(m_root / "report.csv"),
              "File name,Result,Input file path,Detail\r\n"
              "a.mmf,OK: Convert success.," + Path("in/a.mmf") + ",\r\n"
              "bad.mmf,NG: Input file format is invalid.," + Path("in/bad.mmf") + "," + strBadCrc + "\r\n"
              "b.mmf,OK: Convert success.," + Path("in/sub/b.mmf") + ",\r\n"
              "\"c,d.txt\",NG: Input file is not VELA.,\"" + Path("in/sub/c,d.txt") +
              "\",the name does not end in .mmf\r\n"
              "empty.mmf,\"NG: Input file size is 0. \"," + Path("in/sub/empty.mmf") + ",the input file is empty\r\n");
}

TEST_F(CliTest, RelativePathsAndAllConvertedExitZero) {
    Write("in/a.mmf", testinput::ValidSong());
    Write("in/x/b.mmf", testinput::ValidSong());
    const CliResult result = RunCli({"in/", "--quiet"}, m_root);
    EXPECT_EQ(result.nExit, 0);
    EXPECT_EQ(result.strOut, "");
    EXPECT_TRUE(fs::exists(m_root / "OUTPUT/in/a.mmf"));
    EXPECT_TRUE(fs::exists(m_root / "OUTPUT/in/x/b.mmf"));
}

TEST_F(CliTest, ExistingOutputsAreSkippedWhenInputIsNotATerminal) {
    SongsWithOldOutputs();
    const CliResult result = RunCli({Path("in")}, m_root);
    // "No" counts as converted.
    EXPECT_EQ(result.nExit, 0);
    EXPECT_NE(result.strOut.find(Row("b.mmf", "NG: Convert cancel.", "in/b.mmf",
                                     "the existing output was kept, not overwritten")),
              std::string::npos);
    EXPECT_NE(result.strOut.find("Convert files :\t3\n"), std::string::npos);
    EXPECT_EQ(Read("OUTPUT/in/a.mmf"), kOld);
    EXPECT_EQ(result.strErr.find("Overwrite all ?"), std::string::npos);
}

TEST_F(CliTest, OverwriteAllReplacesExistingOutputs) {
    SongsWithOldOutputs();
    const CliResult result = RunCli({"--overwrite=all", Path("in")}, m_root);
    EXPECT_EQ(result.nExit, 0);
    for (const char* pszName : {"a.mmf", "b.mmf", "c.mmf"}) {
        EXPECT_EQ(Read(std::string("OUTPUT/in/") + pszName), testinput::Converted(testinput::ValidSong()));
    }
}

TEST_F(CliTest, AskReadsAnswersFromStandardInput) {
    SongsWithOldOutputs();
    const CliResult result = RunCli({"--overwrite=ask", Path("in")}, m_root, "maybe\nn\nyes\n");
    EXPECT_EQ(result.nExit, 0);
    EXPECT_EQ(Read("OUTPUT/in/a.mmf"), kOld);
    EXPECT_EQ(Read("OUTPUT/in/b.mmf"), testinput::Converted(testinput::ValidSong()));
    EXPECT_EQ(Read("OUTPUT/in/c.mmf"), testinput::Converted(testinput::ValidSong()));
    // a asked twice (the unclear answer repeats the question), b once, c not at all.
    const std::string strQuestion = "a.mmf has already exists. Overwrite all ? [y]es/[n]o/[c]ancel: ";
    EXPECT_EQ(result.strErr, strQuestion + strQuestion + "b" + strQuestion.substr(1));
}

TEST_F(CliTest, EndOfInputAtTheQuestionCancelsTheRun) {
    SongsWithOldOutputs();
    Write("in/0.mmf", testinput::ValidSong());
    const CliResult result = RunCli({"--overwrite=ask", "--report", Path("r.csv"), Path("in")}, m_root);
    EXPECT_EQ(result.nExit, 1);
    EXPECT_EQ(result.strOut, Row("0.mmf", "OK: Convert success.", "in/0.mmf") +
                                 "Total files :\t2 / 4\nConvert files :\t2\nError files :\t0\n"
                                 "Finished the converting.\n");
    EXPECT_NE(result.strErr.find("stopped after 2 of 4 files"), std::string::npos);
    EXPECT_EQ(Read("OUTPUT/in/a.mmf"), kOld);
    EXPECT_EQ(CCliProcess::ReadFile(m_root / "r.csv"),
              "File name,Result,Input file path,Detail\r\n0.mmf,OK: Convert success.," + Path("in/0.mmf") + ",\r\n");
}

TEST_F(CliTest, InterruptStopsTheRunAndKeepsWhatWasDone) {
    SongsWithOldOutputs();
    Write("in/0.mmf", testinput::ValidSong());
    CCliProcess process({"--overwrite=ask", "--report", Path("r.csv"), Path("in")}, m_root);
    ASSERT_TRUE(process.WaitForError("a.mmf has already exists. Overwrite all ?"));
    process.Signal(SIGINT);
    const CliResult result = process.Finish();
    EXPECT_EQ(result.nExit, 1);
    EXPECT_NE(result.strErr.find("stopped after 2 of 4 files"), std::string::npos);
    EXPECT_EQ(Read("OUTPUT/in/0.mmf"), testinput::Converted(testinput::ValidSong()));
    EXPECT_EQ(Read("OUTPUT/in/a.mmf"), kOld);
    EXPECT_EQ(Read("OUTPUT/in/b.mmf"), kOld);
    EXPECT_NE(CCliProcess::ReadFile(m_root / "r.csv").find("0.mmf,OK: Convert success."), std::string::npos);
    // No temporary file was left behind.
    for (const auto& entry : fs::recursive_directory_iterator(m_root / "OUTPUT")) {
        EXPECT_EQ(entry.path().filename().string().find("~kst"), std::string::npos);
    }
}

TEST_F(CliTest, OutputOptionMovesTheMirroredTree) {
    Write("in/x/a.mmf", testinput::ValidSong());
    const CliResult result = RunCli({"--output", "converted/here", "in"}, m_root);
    EXPECT_EQ(result.nExit, 0);
    EXPECT_EQ(Read("converted/here/in/x/a.mmf"), testinput::Converted(testinput::ValidSong()));
    EXPECT_FALSE(fs::exists(m_root / "OUTPUT"));

    Write("file", {1});
    EXPECT_EQ(RunCli({"--output", Path("file"), "in"}, m_root).nExit, 2);
}

TEST_F(CliTest, MissingPathGivesTheNoticeAndFails) {
    Write("in/a.mmf", testinput::ValidSong());
    const CliResult result = RunCli({Path("in/a.mmf"), Path("missing")}, m_root);
    EXPECT_EQ(result.nExit, 1);
    EXPECT_NE(result.strErr.find(Path("missing") + kNoAccess), std::string::npos);
    EXPECT_TRUE(fs::exists(m_root / "in/OUTPUT/a.mmf"));
}

TEST_F(CliTest, UsageErrorsHelpAndVersion) {
    EXPECT_EQ(RunCli({}, m_root).nExit, 2);
    EXPECT_EQ(RunCli({"--overwrite=maybe", "x"}, m_root).nExit, 2);
    EXPECT_EQ(RunCli({"--no-such-option", "x"}, m_root).nExit, 2);
    const CliResult help = RunCli({"--help"}, m_root);
    EXPECT_EQ(help.nExit, 0);
    EXPECT_NE(help.strOut.find("--overwrite"), std::string::npos);
    EXPECT_NE(help.strOut.find("--report"), std::string::npos);
    const CliResult version = RunCli({"--version"}, m_root);
    EXPECT_EQ(version.nExit, 0);
    EXPECT_EQ(version.strOut, "kestrel-cli 1.0.0 (engine 1.0.0)\n");
}

}  // namespace
