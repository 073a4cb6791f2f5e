// Names of the files that hold an output while it is being written, next to
// its final place: ".~kst<process>-<counter>.tmp". Folder scans skip them, so
// a file that a killed run left behind is never taken for an input.
#pragma once

#include <string>

std::string TemporaryName(unsigned long nProcess, unsigned long nCounter);
bool IsTemporaryName(const std::string& strName);
