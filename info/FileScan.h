// The files kestrel-info looks at: named files as they are; named folders
// walked exactly as the converter walks them (CollectFolderInto:
// breadth-first through all subfolders, each folder's entries in name order,
// every folder listed once also when links lead back to it, the temporary
// files of outputs being written left out), taking the files whose names end
// in ".mmf" (any case), the files the converter converts.
#pragma once

#include <string>
#include <vector>

struct CScanResult {
    std::vector<std::string> vecFiles;
    std::vector<std::string> vecErrors;  // "PATH: why", for paths that cannot be read or listed
};

CScanResult ScanPaths(const std::vector<std::string>& vecPaths);
