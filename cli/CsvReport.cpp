#include "CsvReport.h"

#include <fstream>

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

std::string FormatCsv(const std::vector<ResultRow>& vecRows) {
    std::string strCsv = "File name,Result,Input file path\r\n";
    for (const ResultRow& row : vecRows) {
        strCsv += CsvField(row[0]) + ',' + CsvField(row[1]) + ',' + CsvField(row[2]) + "\r\n";
    }
    return strCsv;
}

bool WriteCsvReport(const std::string& strPath, const std::vector<ResultRow>& vecRows) {
    std::ofstream file(strPath, std::ios::binary | std::ios::trunc);
    if (!file) {
        return false;
    }
    const std::string strCsv = FormatCsv(vecRows);
    file.write(strCsv.data(), static_cast<std::streamsize>(strCsv.size()));
    file.close();
    return !file.fail();
}
