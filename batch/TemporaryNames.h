// Names of the files that hold an output while it is being written, next to
// its final place: ".~kst<process>-<counter>.tmp". Folder scans skip those
// that a writer still holds (IFileSystem::IsTemporaryInUse); writers remove
// those that ended processes left behind.
#pragma once

#include <string>

std::string TemporaryName(unsigned long nProcess, unsigned long nCounter);
bool IsTemporaryName(const std::string& strName);
// The process number in a temporary name; false for any other name, and for
// a number too large for an unsigned long.
bool TemporaryNameProcess(const std::string& strName, unsigned long& nProcess);
