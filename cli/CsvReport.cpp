#include "CsvReport.h"

#include <cstdint>

#include "IPlatform.h"

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
    std::string strCsv = "File name,Result,Input file path,Detail\r\n";
    for (const ResultRow& row : vecRows) {
        strCsv += CsvField(row[0]) + ',' + CsvField(row[1]) + ',' + CsvField(row[2]) + ',' + CsvField(row[3]) + "\r\n";
    }
    return strCsv;
}

std::string WriteCsvReport(IPlatform& platform, const std::string& strPath, const std::vector<ResultRow>& vecRows) {
    const std::string strCsv = FormatCsv(vecRows);
    const auto* pData = reinterpret_cast<const std::uint8_t*>(strCsv.data());
    const PathAttributes existing = platform.QueryAttributes(strPath);
    if (existing.bValid && existing.bDirectory) {
        return "it is a folder";
    }
    if (existing.bValid && existing.bReadOnly) {
        return "it is read-only";
    }
    WriteOutcome outcome{EWriteResult::Exists, 0};
    if (!existing.bValid) {
        outcome = platform.WriteNewFile(strPath, pData, strCsv.size());
    }
    if (outcome.eResult == EWriteResult::Exists) {
        outcome = platform.ReplaceFile(strPath, pData, strCsv.size());
    }
    if (outcome.eResult == EWriteResult::Ok) {
        return {};
    }
    return outcome.nSystemError != 0 ? platform.SystemErrorText(outcome.nSystemError) : "cannot be written";
}
