// The result rows as a CSV file (RFC 4180: comma separated, CRLF line ends,
// fields with commas, quotes, line breaks or surrounding blanks quoted, quotes
// doubled).
#pragma once

#include <string>
#include <vector>

#include "BatchRun.h"

class CRunFiles;
class IFileSystem;

// One field, quoted when needed.
std::string CsvField(const std::string& strValue);
// Header line (unless bHeader is false: reports of the parts of one batch
// then concatenate into the report of one run) and rows.
std::string FormatCsv(const std::vector<ResultRow>& vecRows, bool bHeader = true);
// Writes the report like an output (WriteWholeFile): whole or not at all, an
// earlier report kept until the new one is complete, never over a file of
// the run. Empty on success, otherwise why not.
std::string WriteCsvReport(IFileSystem& platform, const std::string& strPath, const std::vector<ResultRow>& vecRows,
                           bool bHeader, const CRunFiles& runFiles);
