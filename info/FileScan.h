// The files kestrel-info looks at: named files as they are; named folders
// walked exactly as the converter walks them (CollectFolderInto:
// breadth-first through all subfolders, each folder's entries in name order,
// every folder listed once also when links lead back to it, the temporary
// files of outputs being written left out), taking the files whose names end
// in ".mmf" (any case), the files the converter converts.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "SystemPlatform.h"

// The converter's platform of this system, keeping the system's reason of
// each failed query and listing for the error lines.
class CInfoPlatform final : public CSystemPlatform {
public:
    CInfoPlatform();

    PathAttributes QueryAttributes(const std::string& strPath) override;
    bool ListFolder(const std::string& strFolder, std::vector<FolderEntry>& vecEntries) override;

    // Why the last failed query failed, in the system's words.
    std::string LastFailureText(const char* pFallback);
    // Why strFolder could not be listed, in the system's words.
    std::string ListFailureText(const std::string& strFolder);

private:
    int m_nLastError = 0;
    std::map<std::string, int> m_mapListErrors;  // folder -> error code of its failed listing
};

struct CScanResult {
    std::vector<std::string> vecFiles;
    std::vector<std::string> vecErrors;  // "PATH: why", for paths that cannot be read or listed
};

CScanResult ScanPaths(CInfoPlatform& platform, const std::vector<std::string>& vecPaths);
