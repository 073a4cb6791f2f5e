// One batch split over several runs of kestrel-cli: --base, --files-from,
// --shard, --no-header and a resumed run, end to end. The parts run under
// GNU parallel, as they would over several hosts.
#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/wait.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <sstream>

#include "CliProcess.h"
#include "TempTree.h"
#include "TemporaryNames.h"
#include "TestInputs.h"

namespace fs = std::filesystem;

namespace {

using Bytes = std::vector<std::uint8_t>;
using Files = std::map<std::string, std::string>;  // relative path -> contents

int RunShell(const std::string& strCommand) {
    const int nStatus = std::system(strCommand.c_str());
    return WIFEXITED(nStatus) ? WEXITSTATUS(nStatus) : -1;
}

std::string Quoted(const std::string& strText) {
    return "'" + strText + "'";  // (the test's own paths hold no quote)
}

std::vector<std::string> Lines(const std::string& strText, const std::string& strEnd = "\r\n") {
    std::vector<std::string> vecLines;
    std::size_t nStart = 0;
    for (std::size_t nEnd = strText.find(strEnd); nEnd != std::string::npos; nEnd = strText.find(strEnd, nStart)) {
        vecLines.push_back(strText.substr(nStart, nEnd - nStart));
        nStart = nEnd + strEnd.size();
    }
    return vecLines;
}

// Whether vecPart appears in vecWhole in the same order.
bool IsInOrderWithin(const std::vector<std::string>& vecPart, const std::vector<std::string>& vecWhole) {
    auto it = vecWhole.begin();
    for (const std::string& strLine : vecPart) {
        it = std::find(it, vecWhole.end(), strLine);
        if (it == vecWhole.end()) {
            return false;
        }
        ++it;
    }
    return true;
}

class CliManyMachinesTest : public ::testing::Test {
protected:
    std::string Path(const std::string& strRelative) const { return m_tree.Path(strRelative); }
    void Write(const std::string& strRelative, const Bytes& vecData) { m_tree.Write(strRelative, vecData); }
    std::string ReadText(const std::string& strRelative) const { return CCliProcess::ReadFile(m_root / strRelative); }
    void WriteText(const std::string& strRelative, const std::string& strText) {
        m_tree.Write(strRelative, Bytes(strText.begin(), strText.end()));
    }

    // Every file below folder, without what a killed run may leave (the
    // temporary files of outputs being written).
    Files Snapshot(const std::string& strFolder) const {
        Files files;
        for (const auto& entry : fs::recursive_directory_iterator(m_root / strFolder)) {
            if (entry.is_regular_file() && !IsTemporaryName(entry.path().filename().string())) {
                files[fs::relative(entry.path(), m_root / strFolder).string()] = CCliProcess::ReadFile(entry.path());
            }
        }
        return files;
    }

    // nCount inputs in lib/ (names with blanks, three levels), one damaged
    // and one not VELA, listed in list.txt; an existing output for every
    // 50th in each of the given output folders.
    void MakeLibrary(int nCount, const std::vector<std::string>& vecOutputs) {
        std::string strList;
        for (int i = 0; i < nCount; ++i) {
            const std::string strFolder = "lib/set " + std::to_string(i / 100) + "/album with a long name " +
                                          std::to_string(i / 10) + (i % 3 == 0 ? "" : "/disc 2");
            std::string strName = "song " + std::to_string(i) + ".mmf";
            if (i == 7) {
                Write(strFolder + "/" + strName, testinput::InvalidSong());
            } else if (i == 11) {
                strName = "notes.txt";
                Write(strFolder + "/" + strName, {1, 2});
            } else {
                Write(strFolder + "/" + strName, testinput::ValidSong(static_cast<std::uint8_t>(1 + i % 12)));
                if (i % 50 == 1) {
                    for (const std::string& strOutput : vecOutputs) {
                        Write(strOutput + strFolder.substr(3) + "/" + strName, {'o', 'l', 'd'});
                    }
                }
            }
            strList += Path(strFolder + "/" + strName) + "\n";
        }
        WriteText("list.txt", strList);
    }

    // The shell words that start kestrel-cli on the library.
    std::string Cli(const std::string& strOutput) const {
        return Quoted(KESTREL_CLI_PATH) + " --base " + Quoted(Path("lib")) + " --output " + Quoted(Path(strOutput)) +
               " --overwrite=skip --quiet";
    }

    // The parts' reports (header-less, named by part) against the single
    // run's report, and each part's exit status (joblog) by the rule of one
    // run: 1 when any of its rows is a failure.
    void ExpectPartsMakeTheSingleReport(const std::string& strPrefix, int nParts) {
        const std::vector<std::string> vecSingle = Lines(ReadText("single.csv"));
        ASSERT_FALSE(vecSingle.empty());
        EXPECT_EQ(vecSingle[0], "File name,Result,Input file path,Detail");
        const std::vector<std::string> vecSingleRows(vecSingle.begin() + 1, vecSingle.end());
        std::multiset<std::string> setParts;
        std::map<std::string, int> mapExit;
        for (const std::string& strLine : Lines(ReadText(strPrefix + "jobs.log"), "\n")) {
            std::vector<std::string> vecFields;
            std::stringstream fields(strLine);
            for (std::string strField; std::getline(fields, strField, '\t');) {
                vecFields.push_back(strField);
            }
            if (vecFields.size() > 6 && vecFields[0] != "Seq") {
                mapExit[vecFields[0]] = std::stoi(vecFields[6]);
            }
        }
        ASSERT_EQ(mapExit.size(), static_cast<std::size_t>(nParts));
        for (const auto& [strSeq, nExit] : mapExit) {
            const std::vector<std::string> vecRows = Lines(ReadText(strPrefix + strSeq + ".csv"));
            EXPECT_FALSE(vecRows.empty()) << strSeq;
            EXPECT_TRUE(IsInOrderWithin(vecRows, vecSingleRows)) << "part " << strSeq << " keeps the list order";
            const bool bFailed = std::any_of(vecRows.begin(), vecRows.end(), [](const std::string& strRow) {
                return strRow.find(",NG:") != std::string::npos && strRow.find(",NG: Convert cancel.,") == std::string::npos;
            });
            EXPECT_EQ(nExit, bFailed ? 1 : 0) << "part " << strSeq;
            setParts.insert(vecRows.begin(), vecRows.end());
        }
        EXPECT_EQ(setParts, std::multiset<std::string>(vecSingleRows.begin(), vecSingleRows.end()));
    }

    void SetUp() override {
        if (RunShell("command -v parallel >/dev/null 2>&1") != 0) {
            m_bParallel = false;
        }
    }

    CTempTree m_tree{"kestrel-many"};
    const fs::path m_root = m_tree.Root();
    bool m_bParallel = true;
};

TEST_F(CliManyMachinesTest, PartsUnderGnuParallelGiveTheTreeAndRowsOfOneRun) {
    if (!m_bParallel) {
        GTEST_SKIP() << "GNU parallel is not installed (Debian package parallel)";
    }
    MakeLibrary(400, {"single", "piped", "sharded"});
    // Rows of a run in a part of the list: exit 1 (one damaged, one foreign).
    EXPECT_EQ(RunShell(Cli("single") + " --report " + Quoted(Path("single.csv")) + " --files-from " +
                       Quoted(Path("list.txt"))),
              1);
    const Files single = Snapshot("single");
    EXPECT_EQ(single.size(), 398u);

    // Four blocks of the list, each on standard input of its own run.
    const std::string strPiped = "parallel --will-cite --pipe -N 100 -j4 --joblog " + Quoted(Path("piped-jobs.log")) +
                                 " " + Cli("piped") + " --no-header --report " + Quoted(Path("piped-")) +
                                 "{#}.csv --files-from - < " + Quoted(Path("list.txt"));
    RunShell(strPiped);
    EXPECT_EQ(Snapshot("piped"), single);
    ExpectPartsMakeTheSingleReport("piped-", 4);

    // Four shards of the one list, as an array job would start them.
    const std::string strSharded = "parallel --will-cite -j4 --joblog " + Quoted(Path("sharded-jobs.log")) + " " +
                                   Cli("sharded") + " --no-header --report " + Quoted(Path("sharded-")) +
                                   "{#}.csv --shard {}/4 --files-from " + Quoted(Path("list.txt")) + " ::: 0 1 2 3";
    RunShell(strSharded);
    EXPECT_EQ(Snapshot("sharded"), single);
    ExpectPartsMakeTheSingleReport("sharded-", 4);
}

TEST_F(CliManyMachinesTest, ARunAfterAKilledOneConvertsOnlyWhatIsMissing) {
    MakeLibrary(1000, {});
    ASSERT_EQ(RunShell(Cli("single") + " --files-from " + Quoted(Path("list.txt"))), 1);
    const Files single = Snapshot("single");

    // Rows into a pipe that is read no further: the run stalls part way
    // through the list, and is killed there.
    CliOptions options;
    options.eStdout = CliOptions::EStdout::Pipe;
    CCliProcess killed({"--jobs", "1", "--base", Path("lib"), "--output", Path("resumed"), "--overwrite=skip",
                        "--files-from", Path("list.txt")},
                       m_root, options);
    ASSERT_FALSE(killed.ReadOutputLine().empty());
    auto CountEntries = [this] {
        std::error_code error;
        const auto it = fs::recursive_directory_iterator(m_root / "resumed", error);
        return error ? 0 : std::distance(it, fs::recursive_directory_iterator());
    };
    std::ptrdiff_t nBefore = -1;
    for (int nStable = 0; nStable < 20;) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
        const std::ptrdiff_t nNow = CountEntries();
        nStable = nNow == nBefore ? nStable + 1 : 0;
        nBefore = nNow;
    }
    killed.Signal(SIGKILL);
    EXPECT_EQ(killed.Finish().nSignal, SIGKILL);
    const Files partial = Snapshot("resumed");
    ASSERT_GT(partial.size(), 0u);
    ASSERT_LT(partial.size(), single.size());
    for (const auto& [strName, strBytes] : partial) {
        EXPECT_EQ(strBytes, single.at(strName)) << "a whole output: " << strName;
    }

    const CliResult resumed = RunCli({"--base", Path("lib"), "--output", Path("resumed"), "--overwrite=skip",
                                      "--files-from", Path("list.txt")},
                                     m_root);
    EXPECT_EQ(resumed.nExit, 1);  // the damaged and the foreign input fail again
    std::size_t nConverted = 0;
    std::size_t nKept = 0;
    for (const std::string& strRow : Lines(resumed.strOut, "\n")) {
        nConverted += strRow.find("\tOK: Convert success.\t") != std::string::npos;
        nKept += strRow.find("\tNG: Convert cancel.\t") != std::string::npos;
    }
    EXPECT_EQ(nConverted, single.size() - partial.size());
    EXPECT_EQ(nKept, partial.size());
    EXPECT_EQ(Snapshot("resumed"), single);
    EXPECT_NE(resumed.strOut.find("Total files :\t1000 / 1000\nConvert files :\t998\nError files :\t2\n"),
              std::string::npos);
}

// --- --base ---------------------------------------------------------------

TEST_F(CliManyMachinesTest, BaseMirrorsItemsBelowItAndPutsOthersStraightIntoOutput) {
    Write("lib/x/y/a.mmf", testinput::ValidSong(1));
    Write("lib/z/b.mmf", testinput::ValidSong(2));
    Write("library/c.mmf", testinput::ValidSong(3));  // shares the prefix, is not below
    Write("elsewhere/d.mmf", testinput::ValidSong(4));
    const CliResult result = RunCli({"--base", Path("lib/"), Path("lib/x/y/a.mmf"), Path("lib/z"),
                                     Path("library/c.mmf"), "elsewhere/d.mmf"},
                                    m_root);
    EXPECT_EQ(result.nExit, 0) << result.strErr;
    EXPECT_EQ(Snapshot("lib/OUTPUT"), (Files{{"x/y/a.mmf", ReadText("lib/OUTPUT/x/y/a.mmf")},
                                             {"z/b.mmf", ReadText("lib/OUTPUT/z/b.mmf")},
                                             {"c.mmf", ReadText("lib/OUTPUT/c.mmf")},
                                             {"d.mmf", ReadText("lib/OUTPUT/d.mmf")}}));
    const Bytes vecA = testinput::Converted(testinput::ValidSong(1));
    EXPECT_EQ(ReadText("lib/OUTPUT/x/y/a.mmf"), std::string(vecA.begin(), vecA.end()));
    EXPECT_FALSE(fs::exists(m_root / "lib/x/y/OUTPUT"));  // where the first path would have put it

    // With --output the same tree goes there; a base in the root of the
    // file system mirrors the full paths.
    EXPECT_EQ(RunCli({"--base", Path("lib"), "--output", Path("out"), "--quiet", Path("lib/z/b.mmf"),
                      Path("library/c.mmf")},
                     m_root)
                  .nExit,
              0);
    EXPECT_EQ(Snapshot("out").size(), 2u);
    EXPECT_TRUE(fs::exists(m_root / "out/z/b.mmf"));
    EXPECT_TRUE(fs::exists(m_root / "out/c.mmf"));
    EXPECT_EQ(RunCli({"--base", "/", "--output", Path("rooted"), "--quiet", Path("lib/z/b.mmf")}, m_root).nExit, 0);
    EXPECT_TRUE(fs::exists(m_root / "rooted" / fs::relative(m_root / "lib/z/b.mmf", "/")));
}

TEST_F(CliManyMachinesTest, AnUnusableBaseIsAUsageErrorNamingIt) {
    Write("lib/a.mmf", testinput::ValidSong());
    for (const std::string& strBase : {Path("missing"), Path("lib/a.mmf")}) {
        const CliResult result = RunCli({"--base", strBase, Path("lib")}, m_root);
        EXPECT_EQ(result.nExit, 2);
        EXPECT_EQ(result.strOut, "");
        EXPECT_EQ(std::count(result.strErr.begin(), result.strErr.end(), '\n'), 1) << result.strErr;
        EXPECT_NE(result.strErr.find("cannot use " + strBase + " as the base folder"), std::string::npos);
    }
    EXPECT_FALSE(fs::exists(m_root / "lib/OUTPUT"));
    EXPECT_FALSE(fs::exists(m_root / "missing"));
}

// --- --files-from -----------------------------------------------------------

TEST_F(CliManyMachinesTest, ListsAddTheirPathsAfterThoseOfTheCommandLine) {
    Write("in/first.mmf", testinput::ValidSong(1));
    Write("in/with blank.mmf", testinput::ValidSong(2));
    Write("in/dos.mmf", testinput::ValidSong(3));
    Write("in/folder/inside.mmf", testinput::ValidSong(4));
    Write("in/two\nlines.mmf", testinput::ValidSong(5));
    const std::string strRows = "first.mmf\tOK: Convert success.\t" + Path("in/first.mmf") + "\t\n";
    auto Row = [&](const std::string& strShown, const std::string& strRelative) {
        return strShown + "\tOK: Convert success.\t" + Path(strRelative) + "\t\n";
    };

    // A newline list from a file, with a Windows line end and empty lines;
    // relative paths count from the current folder; a folder is scanned.
    WriteText("list.txt", "in/with blank.mmf\n\n" + Path("in/dos.mmf") + "\r\nin/folder\n");
    CliResult result = RunCli({"--overwrite=all", "--files-from", "list.txt", Path("in/first.mmf")}, m_root);
    EXPECT_EQ(result.nExit, 0) << result.strErr;
    EXPECT_EQ(result.strOut.substr(0, result.strOut.find("Total")),
              strRows + Row("with blank.mmf", "in/with blank.mmf") + Row("dos.mmf", "in/dos.mmf") +
                  Row("inside.mmf", "in/folder/inside.mmf"));
    EXPECT_TRUE(fs::exists(m_root / "in/OUTPUT/folder/inside.mmf"));

    // A NUL list on standard input, with a name that holds a line break;
    // without PATH the list's first path fixes the base folder.
    const std::string strNul = Path("in/two\nlines.mmf") + std::string(1, '\0') + Path("in/with blank.mmf") +
                               std::string(1, '\0');
    result = RunCli({"--overwrite=all", "--null", "--files-from", "-"}, m_root, strNul);
    EXPECT_EQ(result.nExit, 0) << result.strErr;
    EXPECT_EQ(result.strOut.substr(0, result.strOut.find("Total")),
              "two\\nlines.mmf\tOK: Convert success.\t" + Path("in/two\\nlines.mmf") + "\t\n" +
                  Row("with blank.mmf", "in/with blank.mmf"));
    EXPECT_TRUE(fs::exists(m_root / "in/OUTPUT/two\nlines.mmf"));

    // A newline list on standard input: the default is to skip existing
    // outputs, as no one is there to answer.
    result = RunCli({"-0", "--files-from", "-"}, m_root, Path("in/dos.mmf") + std::string(1, '\0'));
    EXPECT_EQ(result.strOut.substr(0, result.strOut.find("Total")),
              "dos.mmf\tNG: Convert cancel.\t" + Path("in/dos.mmf") + "\tthe existing output was kept, not overwritten\n");
    result = RunCli({"--files-from", "-"}, m_root, "in/first.mmf\r\n");
    EXPECT_NE(result.strOut.find("first.mmf\tNG: Convert cancel.\t" + Path("in/first.mmf")), std::string::npos);

    // An empty list is a run of no files.
    result = RunCli({"--files-from", "-"}, m_root, "\n\n");
    EXPECT_EQ(result.nExit, 0);
    EXPECT_EQ(result.strOut, "Total files :\t0 / 0\nConvert files :\t0\nError files :\t0\nFinished the converting.\n");
}

TEST_F(CliManyMachinesTest, AListThatCannotBeReadOrLeavesNoOneToAskIsAUsageError) {
    Write("in/a.mmf", testinput::ValidSong());
    for (const std::string& strList : {Path("missing.txt"), Path("in")}) {
        const CliResult result = RunCli({"--files-from", strList, Path("in")}, m_root);
        EXPECT_EQ(result.nExit, 2) << strList;
        EXPECT_NE(result.strErr.find("cannot read the list " + strList + ": "), std::string::npos) << result.strErr;
    }
    EXPECT_EQ(RunCli({"--overwrite=ask", "--files-from", "-"}, m_root, Path("in/a.mmf") + "\n").nExit, 2);
    EXPECT_EQ(RunCli({"--quiet"}, m_root).nExit, 2);  // neither PATH nor a list
    EXPECT_FALSE(fs::exists(m_root / "in/OUTPUT"));
}

TEST_F(CliManyMachinesTest, AMissingListEntryIsNamedAsListedAndTheOthersRunAsBefore) {
    Write("in/deep/x/a.mmf", testinput::ValidSong());
    // The missing first entry still fixes the base folder: in/deep.
    WriteText("list.txt", "in/deep/gone\x01.mmf\nin/deep/x/a.mmf\n");
    const CliResult result = RunCli({"--overwrite=all", "--files-from", "list.txt"}, m_root);
    EXPECT_EQ(result.nExit, 1);
    EXPECT_EQ(result.strErr, "kestrel-cli: in/deep/gone\\x01.mmf does not exist (named in the list list.txt)\n");
    EXPECT_NE(result.strOut.find("a.mmf\tOK: Convert success.\t" + Path("in/deep/x/a.mmf")), std::string::npos);
    EXPECT_TRUE(fs::exists(m_root / "in/deep/OUTPUT/x/a.mmf"));
}

TEST_F(CliManyMachinesTest, AListWithoutEndIsRefusedAtItsCap) {
    for (const std::vector<std::string>& vecArgs :
         {std::vector<std::string>{"--files-from", "/dev/zero"}, std::vector<std::string>{"-0", "--files-from", "/dev/zero"}}) {
        const CliResult result = RunCli(vecArgs, m_root);
        EXPECT_EQ(result.nExit, 2);
        EXPECT_NE(result.strErr.find("cannot read the list /dev/zero: it is longer than 64 MiB"), std::string::npos)
            << result.strErr;
    }
}

// --- --shard, --no-header, --jobs ------------------------------------------------

TEST_F(CliManyMachinesTest, ShardsSplitTheCollectedListAndReportOnlyTheirEntries) {
    for (int i = 0; i < 7; ++i) {
        Write("in/" + std::string(i < 4 ? "" : "sub/") + "s" + std::to_string(i) + ".mmf", testinput::ValidSong());
    }
    const CliResult whole = RunCli({"--overwrite=all", "--report", Path("whole.csv"), Path("in")}, m_root);
    const std::vector<std::string> vecWhole = Lines(whole.strOut, "\n");
    ASSERT_EQ(vecWhole.size(), 7u + 4u);
    std::string strJoined = "File name,Result,Input file path,Detail\r\n";
    for (int k = 0; k < 3; ++k) {
        const std::string strReport = Path("part" + std::to_string(k) + ".csv");
        const CliResult part = RunCli({"--overwrite=all", "--shard", std::to_string(k) + "/3", "--no-header",
                                       "--report", strReport, Path("in")},
                                      m_root);
        EXPECT_EQ(part.nExit, 0);
        std::string strExpected;
        int nRows = 0;
        for (std::size_t i = static_cast<std::size_t>(k); i < 7; i += 3, ++nRows) {
            strExpected += vecWhole[i] + "\n";
        }
        const std::string strCount = std::to_string(nRows);
        EXPECT_EQ(part.strOut, strExpected + "Total files :\t" + strCount + " / " + strCount + "\nConvert files :\t" +
                                   strCount + "\nError files :\t0\nFinished the converting.\n");
        const std::string strPartReport = CCliProcess::ReadFile(strReport);
        EXPECT_EQ(strPartReport.rfind("File name", 0), std::string::npos) << "no header";
        strJoined += strPartReport;
    }
    // Shard reports concatenate into the rows of the whole run, as a set.
    std::vector<std::string> vecJoined = Lines(strJoined);
    std::vector<std::string> vecReport = Lines(ReadText("whole.csv"));
    std::sort(vecJoined.begin(), vecJoined.end());
    std::sort(vecReport.begin(), vecReport.end());
    EXPECT_EQ(vecJoined, vecReport);

    for (const char* pszBad : {"3/3", "1/0", "-1/3", "1", "a/b", "1/3x"}) {
        const CliResult bad = RunCli({"--shard", pszBad, Path("in")}, m_root);
        EXPECT_EQ(bad.nExit, 2) << pszBad;
        EXPECT_NE(bad.strErr.find("--shard"), std::string::npos) << bad.strErr;
    }
    // The message states the whole rule, the upper bound of N included.
    const CliResult tooMany = RunCli({"--shard", "0/1000000000", Path("in")}, m_root);
    EXPECT_EQ(tooMany.nExit, 2);
    EXPECT_NE(tooMany.strErr.find("0 <= K < N <= 999999999, not 0/1000000000"), std::string::npos) << tooMany.strErr;
}

TEST_F(CliManyMachinesTest, JobsDefaultToOnePerCoreButAskingStaysSequentialWithoutAWarning) {
    for (int i = 0; i < 12; ++i) {
        Write("in/s" + std::to_string(10 + i) + ".mmf", testinput::ValidSong(static_cast<std::uint8_t>(1 + i)));
    }
    const CliResult sequential = RunCli({"--jobs", "1", "--overwrite=all", "--output", Path("one"), Path("in")}, m_root);
    const CliResult defaulted = RunCli({"--overwrite=all", "--output", Path("many"), Path("in")}, m_root);
    EXPECT_EQ(defaulted.nExit, 0);
    EXPECT_EQ(defaulted.strErr, "");
    EXPECT_EQ(defaulted.strOut, sequential.strOut);
    EXPECT_EQ(Snapshot("many"), Snapshot("one"));
    // Questions come one after another, with no word about --jobs.
    Write("in/OUTPUT/in/s10.mmf", {'o', 'l', 'd'});
    const CliResult asked = RunCli({"--overwrite=ask", "--output", Path("one"), Path("in")}, m_root, "n\nn\n");
    EXPECT_EQ(asked.strErr.find("--jobs"), std::string::npos) << asked.strErr;
}

}  // namespace
