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
    m_nLastError = bListed ? 0 : LastSystemError();
    return bListed;
}

void CInfoPlatform::ShowNotice(const std::string& strFolder) {
    m_vecErrors.push_back(strFolder + ": " + LastFailureText("cannot be listed"));
}

std::string CInfoPlatform::LastFailureText(const char* pFallback) {
    return m_nLastError != 0 ? SystemErrorText(m_nLastError) : std::string(pFallback);
}

CScanResult ScanPaths(CInfoPlatform& platform, const std::vector<std::string>& vecPaths) {
    CScanResult result;
    platform.m_vecErrors.clear();
    std::vector<FileItem> vecFound;
    for (const std::string& strPath : vecPaths) {
        const PathAttributes attributes = platform.QueryAttributes(strPath);
        if (!attributes.bValid) {
            platform.m_vecErrors.push_back(strPath + ": " + platform.LastFailureText("cannot be found"));
        } else if (attributes.bDirectory) {
            vecFound.clear();
            CollectFolderInto(platform, strPath, vecFound);
            for (FileItem& item : vecFound) {
                if (HasVelaExtension(platform, item.strPath)) {
                    result.vecFiles.push_back(std::move(item.strPath));
                }
            }
        } else {
            result.vecFiles.push_back(strPath);
        }
    }
    result.vecErrors = std::move(platform.m_vecErrors);
    platform.m_vecErrors.clear();
    return result;
}
