#include "FileScan.h"

#include <cerrno>
#include <utility>

#include "BatchState.h"
#include "InputCollection.h"
#include "PathText.h"

namespace {

// The error code the system left for the call that just failed.
int LastSystemError() {
#ifdef _WIN32
    return static_cast<int>(::GetLastError());
#else
    return errno;
#endif
}

}  // namespace

#ifdef _WIN32
CInfoPlatform::CInfoPlatform() = default;  // the title comes from the executable's name
#else
CInfoPlatform::CInfoPlatform() : CSystemPlatform("kestrel-info") {}
#endif

PathAttributes CInfoPlatform::QueryAttributes(const std::string& strPath) {
    const PathAttributes attributes = CSystemPlatform::QueryAttributes(strPath);
    m_nLastError = attributes.bValid ? 0 : LastSystemError();
    return attributes;
}

bool CInfoPlatform::ListFolder(const std::string& strFolder, std::vector<FolderEntry>& vecEntries) {
    const bool bListed = CSystemPlatform::ListFolder(strFolder, vecEntries);
    if (!bListed) {
        m_mapListErrors[strFolder] = LastSystemError();
    }
    return bListed;
}

std::string CInfoPlatform::LastFailureText(const char* pFallback) {
    return m_nLastError != 0 ? SystemErrorText(m_nLastError) : std::string(pFallback);
}

std::string CInfoPlatform::ListFailureText(const std::string& strFolder) {
    const auto it = m_mapListErrors.find(strFolder);
    return it != m_mapListErrors.end() && it->second != 0 ? SystemErrorText(it->second) : "cannot be listed";
}

CScanResult ScanPaths(CInfoPlatform& platform, const std::vector<std::string>& vecPaths) {
    CScanResult result;
    std::vector<FileItem> vecFound;
    for (const std::string& strPath : vecPaths) {
        const PathAttributes attributes = platform.QueryAttributes(strPath);
        if (!attributes.bValid) {
            result.vecErrors.push_back(strPath + ": " + platform.LastFailureText("cannot be found"));
        } else if (attributes.bDirectory) {
            vecFound.clear();
            for (const std::string& strUnlisted : CollectFolderInto(platform, strPath, vecFound)) {
                result.vecErrors.push_back(strUnlisted + ": " + platform.ListFailureText(strUnlisted));
            }
            for (FileItem& item : vecFound) {
                if (HasVelaExtension(platform, item.strPath)) {
                    result.vecFiles.push_back(std::move(item.strPath));
                }
            }
        } else {
            result.vecFiles.push_back(strPath);
        }
    }
    return result;
}
