// The list of paths that --files-from names: a file, or standard input.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

// The longest list read (some hundred thousand paths): a list without end
// (--files-from /dev/zero) is refused instead of filling the memory.
constexpr std::size_t kMaxPathListBytes = std::size_t{64} << 20;

// The paths of a list, in its order. Newline lists (bNullSeparated false)
// hold one path a line; a '\r' before the line end is dropped, so lists
// written on Windows read the same (a name cannot end in CR there, and on
// POSIX such names need a NUL-separated list anyway, as do names with line
// breaks). NUL-separated lists (find -print0) are taken byte for byte. Empty
// entries are skipped in both.
std::vector<std::string> SplitPathList(const std::string& strText, bool bNullSeparated);

// Reads a whole list: strFile, or standard input for "-". Empty on success,
// otherwise the reason (the system's, or that the list is longer than
// kMaxPathListBytes).
std::string ReadPathList(const std::string& strFile, std::string& strText);
