#include <gtest/gtest.h>

#include "CsvReport.h"
#include "PosixPlatform.h"
#include "RunFiles.h"

namespace {

TEST(CsvReport, QuotesOnlyWhatNeedsIt) {
    EXPECT_EQ(CsvField("a.mmf"), "a.mmf");
    EXPECT_EQ(CsvField(""), "");
    EXPECT_EQ(CsvField("a,b.mmf"), "\"a,b.mmf\"");
    EXPECT_EQ(CsvField("say \"hi\".mmf"), "\"say \"\"hi\"\".mmf\"");
    EXPECT_EQ(CsvField("two\nlines"), "\"two\nlines\"");
    EXPECT_EQ(CsvField("cr\rhere"), "\"cr\rhere\"");
    // The trailing blank of the size message survives a round trip.
    EXPECT_EQ(CsvField("NG: Input file size is 0. "), "\"NG: Input file size is 0. \"");
    EXPECT_EQ(CsvField(" lead"), "\" lead\"");
}

TEST(CsvReport, HeaderAndRowsWithCrLf) {
    const std::vector<ResultRow> vecRows = {{"a.mmf", "OK: Convert success.", "/m/a.mmf", ""},
                                            {"x,y.mmf", "NG: File open error.", "/m/x,y.mmf", "Permission denied"}};
    EXPECT_EQ(FormatCsv(vecRows),
              "File name,Result,Input file path,Detail\r\n"
              "a.mmf,OK: Convert success.,/m/a.mmf,\r\n"
              "\"x,y.mmf\",NG: File open error.,\"/m/x,y.mmf\",Permission denied\r\n");
    EXPECT_EQ(FormatCsv({}), "File name,Result,Input file path,Detail\r\n");
    // Without the header, the parts of a batch concatenate into one report.
    EXPECT_EQ(FormatCsv({vecRows[0]}) + FormatCsv({vecRows[1]}, false), FormatCsv(vecRows));
    EXPECT_EQ(FormatCsv({}, false), "");
    CPosixPlatform platform;
    EXPECT_FALSE(WriteCsvReport(platform, "/nonexistent-folder/r.csv", vecRows, true, CRunFiles{}).empty());
}

}  // namespace
