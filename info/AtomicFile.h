// Writing a file so that its final name only ever holds complete contents:
// the bytes go to a temporary name in the same folder, are flushed to disk,
// and the temporary file is renamed over the final name.
#pragma once

#include <string>

// false with strError set (and nothing left behind) when any step fails.
bool WriteFileAtomically(const std::string& strPath, const std::string& strContents, std::string& strError);
