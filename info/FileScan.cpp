#include "FileScan.h"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <system_error>

#include "BatchState.h"
#include "InputCollection.h"
#include "PathText.h"
#include "PosixPlatform.h"

namespace fs = std::filesystem;

namespace {

// The converter's platform, except that the notice for a folder that cannot
// be listed becomes an error line with the system's reason.
class CScanPlatform final : public CPosixPlatform {
public:
    explicit CScanPlatform(std::vector<std::string>& vecErrors)
        : CPosixPlatform("kestrel-info"), m_vecErrors(vecErrors) {}

    bool ListFolder(const std::string& strFolder, std::vector<FolderEntry>& vecEntries) override {
        const bool bListed = CPosixPlatform::ListFolder(strFolder, vecEntries);
        m_nListError = bListed ? 0 : errno;
        return bListed;
    }
    // The notice is the folder alone: the tail is left empty.
    std::string PromptText(EPromptText) override { return {}; }
    void ShowNotice(const std::string& strFolder) override {
        m_vecErrors.push_back(strFolder + ": " + (m_nListError != 0 ? SystemErrorText(m_nListError) : "cannot be listed"));
    }

private:
    std::vector<std::string>& m_vecErrors;
    int m_nListError = 0;
};

}  // namespace

CScanResult ScanPaths(const std::vector<std::string>& vecPaths) {
    CScanResult result;
    CScanPlatform platform(result.vecErrors);
    std::vector<FileItem> vecFound;
    for (const std::string& strPath : vecPaths) {
        std::error_code error;
        const fs::file_status status = fs::status(strPath, error);
        if (error || !fs::exists(status)) {
            result.vecErrors.push_back(strPath + ": " + (error ? error.message() : std::strerror(ENOENT)));
        } else if (fs::is_directory(status)) {
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
    return result;
}
