// The structural check of every output a run wrote, for the page's status
// line: "5 outputs checked: all pass", or which failed and why.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "MemoryPlatform.h"

struct COutputCheck {
    std::size_t nChecked = 0;
    std::vector<std::string> vecFailed;  // "path (check: detail)", first problem of each failing output
};

// Adds one output to the tally.
void CheckOutput(COutputCheck& check, const std::string& strPath, const std::uint8_t* pData, std::size_t nSize);
COutputCheck CheckWrittenOutputs(const CMemoryPlatform& platform);
std::string OutputCheckLine(const COutputCheck& check);
