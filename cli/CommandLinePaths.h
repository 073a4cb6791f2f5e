// Paths as the command line takes them, in the system's own spelling
// (Windows: the ANSI code page, like the dialog application).
#pragma once

#include <string>

// A full path, as a drop delivers it: absolute, without "." and ".." parts
// and without a trailing separator (which would move the base folder).
std::string FullPath(const std::string& strPath);
// Whether nothing at all is found under the full path strFull (as opposed to
// something that is there but cannot be looked at).
bool PathIsMissing(const std::string& strFull);
// The output folder of --output, created when missing. A one-line message
// and false when it cannot be used; nothing here throws.
bool PrepareOutputFolder(const std::string& strFolder);
// The base folder of --base: strFolder (a full path) must be an existing
// folder. strBase gets it as the batch keeps base folders, without a
// trailing separator (a root becomes "" on POSIX, "C:" on Windows, as when
// the first path lies there). A one-line message and false when it cannot
// be used.
bool PrepareBaseFolder(const std::string& strFolder, std::string& strBase);
// The current folder; empty when it cannot be read.
std::string CurrentFolderPath();
