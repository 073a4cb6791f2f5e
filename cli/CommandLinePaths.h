// Paths as the command line takes them, in the system's own spelling
// (Windows: the ANSI code page, like the dialog application).
#pragma once

#include <string>

// A full path, as a drop delivers it: absolute, without "." and ".." parts
// and without a trailing separator (which would move the base folder).
std::string FullPath(const std::string& strPath);
// The output folder of --output, created when missing. A one-line message
// and false when it cannot be used; nothing here throws.
bool PrepareOutputFolder(const std::string& strFolder);
// The current folder; empty when it cannot be read.
std::string CurrentFolderPath();
