#include "RunFiles.h"

#include <unordered_map>

#include "BatchState.h"
#include "IFileSystem.h"
#include "PathText.h"
#include "RunPlan.h"

namespace {

// Where a path that does not exist would be: its folder's identity and its
// name; empty when the folder cannot be identified either.
std::string PlaceOf(IFileSystem& platform, const std::string& strPath) {
    const std::string strFolder = platform.FolderIdentity(FolderOf(platform, strPath));
    return strFolder.empty() ? std::string() : strFolder + '\n' + platform.PathKey(FileNameOf(platform, strPath));
}

}  // namespace

CRunFiles CRunFiles::OfBatch(const IFileSystem& platform, const std::vector<FileItem>& vecItems) {
    CRunFiles files;
    files.m_vecFiles.reserve(vecItems.size() * 2);
    for (const FileItem& item : vecItems) {
        files.AddInput(item.strPath);
        // Only VELA files get an output.
        if (HasVelaExtension(platform, item.strPath)) {
            files.AddOutput(OutputPathOf(platform, item.strPath));
        }
    }
    return files;
}

CRunFiles CRunFiles::OfInputs(const std::vector<FileItem>& vecItems) {
    CRunFiles files;
    files.m_vecFiles.reserve(vecItems.size());
    for (const FileItem& item : vecItems) {
        files.AddInput(item.strPath);
    }
    return files;
}

const RunFile* CRunFiles::FileAt(IFileSystem& platform, const std::string& strPath) const {
    const std::string strKey = platform.PathKey(strPath);
    const bool bExists = platform.QueryAttributes(strPath).bValid;
    const std::string strPlace = bExists ? std::string() : PlaceOf(platform, strPath);
    const std::string strNameKey = platform.PathKey(FileNameOf(platform, strPath));
    // Many outputs share a folder: each folder is identified once.
    std::unordered_map<std::string, std::string> mapFolders;
    for (const RunFile& file : m_vecFiles) {
        if (platform.PathKey(file.strPath) == strKey) {
            return &file;
        }
        if (bExists) {
            if (platform.IsSameFile(strPath, file.strPath)) {
                return &file;
            }
            continue;
        }
        // Two places are one only when neither holds a file (or both do).
        if (strPlace.empty() || platform.PathKey(FileNameOf(platform, file.strPath)) != strNameKey ||
            platform.QueryAttributes(file.strPath).bValid) {
            continue;
        }
        const std::string strFolder = FolderOf(platform, file.strPath);
        auto it = mapFolders.find(strFolder);
        if (it == mapFolders.end()) {
            it = mapFolders.emplace(strFolder, platform.FolderIdentity(strFolder)).first;
        }
        if (!it->second.empty() && it->second + '\n' + strNameKey == strPlace) {
            return &file;
        }
    }
    return nullptr;
}

std::string DescribeRunFile(const RunFile& file) {
    return (file.bOutput ? "the output " : "the input ") + file.strPath;
}
