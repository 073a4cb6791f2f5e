// What the page's details panel shows of one entry of the last run, made by
// the same functions as kestrel-info: the source's summary, and for an entry
// that converted, its piano roll (source above, converted below) and the
// structural check of the output the run wrote.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "BatchState.h"
#include "MemoryPlatform.h"

struct CEntryDetails {
    std::string strSummary;  // kestrel-info's summary of the source
    std::string strRoll;     // kestrel-info --roll's SVG; converted entries only
    std::string strCheck;    // kestrel-info --check's lines for the output; converted entries only
};

// pSource/nSize: the entry's input bytes, as the user's file holds them now.
CEntryDetails DescribeEntry(const CMemoryPlatform& platform, const FileItem& item, const std::uint8_t* pSource,
                            std::size_t nSize);
