// The list of paths that --files-from names: a file, or standard input.
#pragma once

#include <string>
#include <vector>

// The paths of a list, in its order. Newline lists (bNullSeparated false)
// hold one path a line; a '\r' before the line end is dropped, so lists
// written on Windows read the same (a name cannot end in CR there, and on
// POSIX such names need a NUL-separated list anyway, as do names with line
// breaks). NUL-separated lists (find -print0) are taken byte for byte. Empty
// entries are skipped in both.
std::vector<std::string> SplitPathList(const std::string& strText, bool bNullSeparated);

// Reads a whole list: strFile, or standard input for "-". Empty on success,
// otherwise the system's reason.
std::string ReadPathList(const std::string& strFile, std::string& strText);
