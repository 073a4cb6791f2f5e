// The files kestrel-info looks at: named files as they are; named folders
// walked exactly as the converter walks them (CollectFolderInto:
// breadth-first through all subfolders, each folder's entries in name order,
// every folder listed once also when links lead back to it, the temporary
// files of outputs being written left out), taking the files whose names end
// in ".mmf" (any case), the files the converter converts.
#pragma once

#include <string>
#include <vector>

#include "SystemPlatform.h"

// The converter's platform of this system, except that the notice for a
// folder that cannot be listed becomes an error line with the system's reason.
class CInfoPlatform final : public CSystemPlatform {
public:
    CInfoPlatform();

    PathAttributes QueryAttributes(const std::string& strPath) override;
    bool ListFolder(const std::string& strFolder, std::vector<FolderEntry>& vecEntries) override;
    // The notice is the folder alone: the tail is left empty.
    std::string PromptText(EPromptText) override { return {}; }
    void ShowNotice(const std::string& strFolder) override;

    // Why the last failed query or listing failed, in the system's words.
    std::string LastFailureText(const char* pFallback);

    // "PATH: why" for every path that could not be read or listed.
    std::vector<std::string> m_vecErrors;

private:
    int m_nLastError = 0;
};

struct CScanResult {
    std::vector<std::string> vecFiles;
    std::vector<std::string> vecErrors;  // "PATH: why", for paths that cannot be read or listed
};

CScanResult ScanPaths(CInfoPlatform& platform, const std::vector<std::string>& vecPaths);
