// The Detail column of kestrel-cli end to end: one file for every way an
// entry fails, the rows on standard output, and the CSV report read back
// with libcsv.
#include <csv.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <sstream>

#include "CliProcess.h"
#include "TempTree.h"
#include "TestInputs.h"

namespace fs = std::filesystem;

namespace {

using Bytes = std::vector<std::uint8_t>;
using Table = std::vector<std::vector<std::string>>;

// RFC 4180 as libcsv reads it, strictly, with blanks kept as they are.
Table ParseCsv(const std::string& strCsv) {
    struct Reader {
        Table rows;
        std::vector<std::string> row;
    } reader;
    csv_parser parser{};
    EXPECT_EQ(csv_init(&parser, CSV_STRICT | CSV_STRICT_FINI), 0);
    csv_set_space_func(&parser, [](unsigned char) { return 0; });
    const auto onField = [](void* pField, std::size_t nSize, void* pData) {
        static_cast<Reader*>(pData)->row.emplace_back(static_cast<const char*>(pField), nSize);
    };
    const auto onRow = [](int, void* pData) {
        Reader& r = *static_cast<Reader*>(pData);
        r.rows.push_back(std::move(r.row));
        r.row.clear();
    };
    EXPECT_EQ(csv_parse(&parser, strCsv.data(), strCsv.size(), onField, onRow, &reader), strCsv.size())
        << csv_strerror(csv_error(&parser));
    EXPECT_EQ(csv_fini(&parser, onField, onRow, &reader), 0);
    csv_free(&parser);
    return reader.rows;
}

// The rows of standard output, split at their tabs (up to the counts).
Table ParseRows(const std::string& strOut) {
    Table rows;
    std::istringstream in(strOut);
    for (std::string strLine; std::getline(in, strLine) && strLine.rfind("Total files :", 0) != 0;) {
        std::vector<std::string> row;
        std::size_t nStart = 0;
        for (std::size_t nTab; (nTab = strLine.find('\t', nStart)) != std::string::npos; nStart = nTab + 1) {
            row.push_back(strLine.substr(nStart, nTab - nStart));
        }
        row.push_back(strLine.substr(nStart));
        rows.push_back(row);
    }
    return rows;
}

class CliDetailTest : public ::testing::Test {
protected:
    std::string Path(const std::string& strRelative) const { return m_tree.Path(strRelative); }
    void Write(const std::string& strRelative, const Bytes& vecData) { m_tree.Write(strRelative, vecData); }

    CTempTree m_tree{"kestrel-cli-detail"};
    const fs::path m_root = m_tree.Root();
};

TEST_F(CliDetailTest, EveryFailureIsExplainedInTheRowsAndTheReport) {
    Bytes vecLonger = testinput::ValidSong();
    vecLonger.push_back(0);
    const std::string strSizeField = "the size field says " + std::to_string(vecLonger.size() - 9) +
                                     ", but the length minus 8 is " + std::to_string(vecLonger.size() - 8);
    Write("in/a_ok.mmf", testinput::ValidSong());
    Write("in/b_notes.txt", {1});
    fs::create_symlink(m_root / "nowhere", m_root / "in/c_gone.mmf");
    Write("in/d_empty.mmf", {});
    Write("in/e_short.mmf", {'M', 'M', 'M', 'D', 0});
    Write("in/f_crc.mmf", testinput::InvalidSong());
    Write("in/g_size.mmf", vecLonger);
    Write("in/h_late.mmf", testinput::OverflowingSong());
    Write("in/i_kept.mmf", testinput::ValidSong());
    Write("OUTPUT/in/i_kept.mmf", {'o', 'l', 'd'});
    Write("in/j_locked.mmf", testinput::ValidSong());
    Write("OUTPUT/in/j_locked.mmf", {'o', 'l', 'd'});
    fs::permissions(m_root / "OUTPUT/in/j_locked.mmf", fs::perms::owner_read | fs::perms::group_read);
    Write("in/sub/k.mmf", testinput::ValidSong());
    Write("OUTPUT/in/sub", {'x'});  // a file where the output folder belongs

    const CliResult result = RunCli({"--report", Path("r.csv"), "in"}, m_root);
    EXPECT_EQ(result.nExit, 1);
    const Table expected = {
        {"a_ok.mmf", "OK: Convert success.", Path("in/a_ok.mmf"), ""},
        {"b_notes.txt", "NG: Input file is not VELA.", Path("in/b_notes.txt"), "the name does not end in .mmf"},
        {"c_gone.mmf", "NG: File open error.", Path("in/c_gone.mmf"), "No such file or directory"},
        {"d_empty.mmf", "NG: Input file size is 0. ", Path("in/d_empty.mmf"), "the input file is empty"},
        {"e_short.mmf", "NG: Input file format is invalid.", Path("in/e_short.mmf"),
         "the input is 5 bytes long, shorter than the 18 bytes of a file head"},
        {"f_crc.mmf", "NG: Input file format is invalid.", Path("in/f_crc.mmf"),
         testinput::RejectionOf(testinput::InvalidSong())},
        {"g_size.mmf", "NG: Input file format is invalid.", Path("in/g_size.mmf"), strSizeField},
        {"h_late.mmf", "NG: Convert error.", Path("in/h_late.mmf"),
         "the delta time 269129300 before the event at tick 269129300 of track 0 does not fit 28 bits"},
        {"i_kept.mmf", "NG: Convert cancel.", Path("in/i_kept.mmf"), "the existing output was kept, not overwritten"},
        {"j_locked.mmf", "NG: File write error.", Path("in/j_locked.mmf"), "the existing output is read-only"},
        {"k.mmf", "NG: Output file open error.", Path("in/sub/k.mmf"), "Not a directory"},
    };
    EXPECT_EQ(ParseRows(result.strOut), expected) << result.strOut;

    Table report = ParseCsv(CCliProcess::ReadFile(m_root / "r.csv"));
    ASSERT_FALSE(report.empty());
    EXPECT_EQ(report.front(), (std::vector<std::string>{"File name", "Result", "Input file path", "Detail"}));
    report.erase(report.begin());
    EXPECT_EQ(report, expected);
}

TEST_F(CliDetailTest, AFailedWriteGivesTheSystemsText) {
    // Writes beyond 64 bytes fail as on a full disk; the output needs more.
    ASSERT_GT(testinput::Converted(testinput::ValidSong()).size(), 64u);
    Write("in/a.mmf", testinput::ValidSong());
    CliOptions options;
    options.eStdout = CliOptions::EStdout::Pipe;  // a pipe knows no file size limit
    options.nFileSize = 64;
    CCliProcess process({"in"}, m_root, options);
    const std::string strRow = process.ReadOutputLine();
    EXPECT_EQ(process.Finish().nExit, 1);
    EXPECT_EQ(strRow, "a.mmf\tNG: File write error.\t" + Path("in/a.mmf") + "\tFile too large\n");
    EXPECT_FALSE(fs::exists(m_root / "OUTPUT/in/a.mmf"));
}

}  // namespace
