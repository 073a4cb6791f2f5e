// The files kestrel-info looks at: named files as they are, named folders
// searched breadth-first through all their subfolders, each folder's entries
// in name order, every folder listed once (also when links lead back to it).
// Files found in folders are taken when their name ends in ".mmf" (any
// case), the files the converter converts.
#pragma once

#include <string>
#include <vector>

struct CScanResult {
    std::vector<std::string> vecFiles;
    std::vector<std::string> vecErrors;  // "PATH: why", for paths that cannot be read or listed
};

CScanResult ScanPaths(const std::vector<std::string>& vecPaths);

// Whether a name ends in ".mmf", ignoring case.
bool HasVelaExtension(const std::string& strName);
