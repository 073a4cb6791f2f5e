// The JSON document of kestrel-info --json: an array with one object per
// file. The schema is documented in docs/kestrel-info.md; kJsonSchema changes only
// when a field changes meaning or disappears (new fields keep it).
#pragma once

#include <ostream>
#include <string>
#include <vector>

#include "FileDescription.h"

namespace fileinfo {

inline constexpr int kJsonSchema = 1;

struct CJsonOptions {
    bool bEvents = false;  // an "events" array per file
    bool bCheck = false;   // a "check" object per file (--check)
};

void WriteJson(std::ostream& out, const std::vector<CFileDescription>& files, const CJsonOptions& options);

// The same one file at a time, so that a long list need not be held: item
// nIndex (0 opens the array), then EndJson with the number of items.
void WriteJsonItem(std::ostream& out, const CFileDescription& d, const CJsonOptions& options, std::size_t nIndex);
void EndJson(std::ostream& out, std::size_t nItems);

// A JSON string literal, quotes included; bytes that are not UTF-8 become
// U+FFFD.
std::string JsonString(const std::string& strText);

}  // namespace fileinfo
