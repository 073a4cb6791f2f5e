#include "CsvReport.h"

#include <cstdint>

#include "IFileSystem.h"
#include "WholeFileWrite.h"

std::string CsvField(const std::string& strValue) {
    const bool bQuote = strValue.find_first_of(",\"\r\n") != std::string::npos ||
                        (!strValue.empty() && (strValue.front() == ' ' || strValue.back() == ' '));
    if (!bQuote) {
        return strValue;
    }
    std::string strQuoted = "\"";
    for (const char ch : strValue) {
        if (ch == '"') {
            strQuoted += '"';
        }
        strQuoted += ch;
    }
    strQuoted += '"';
    return strQuoted;
}

std::string FormatCsv(const std::vector<ResultRow>& vecRows, bool bHeader) {
    std::string strCsv = bHeader ? "File name,Result,Input file path,Detail\r\n" : "";
    for (const ResultRow& row : vecRows) {
        strCsv += CsvField(row.strFileName) + ',' + CsvField(row.strResult) + ',' + CsvField(row.strPath) + ',' +
                  CsvField(row.strDetail) + "\r\n";
    }
    return strCsv;
}

std::string WriteCsvReport(IFileSystem& platform, const std::string& strPath, const std::vector<ResultRow>& vecRows,
                           bool bHeader, const CRunFiles& runFiles) {
    const std::string strCsv = FormatCsv(vecRows, bHeader);
    return WriteWholeFile(platform, strPath, reinterpret_cast<const std::uint8_t*>(strCsv.data()), strCsv.size(),
                          runFiles);
}
