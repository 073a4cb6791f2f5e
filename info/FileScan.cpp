#include "FileScan.h"

#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <deque>
#include <filesystem>
#include <set>
#include <system_error>
#include <utility>

namespace fs = std::filesystem;

namespace {

// Identity of a folder, so that a link back to it is not followed twice.
bool FolderIdentity(const std::string& strPath, std::pair<dev_t, ino_t>& identity) {
    struct stat st {};
    if (::stat(strPath.c_str(), &st) != 0) {
        return false;
    }
    identity = {st.st_dev, st.st_ino};
    return true;
}

void ScanFolder(const std::string& strFolder, std::set<std::pair<dev_t, ino_t>>& setVisited, CScanResult& result) {
    std::deque<std::string> queFolders{strFolder};
    while (!queFolders.empty()) {
        const std::string strCurrent = std::move(queFolders.front());
        queFolders.pop_front();
        std::pair<dev_t, ino_t> identity;
        if (FolderIdentity(strCurrent, identity) && !setVisited.insert(identity).second) {
            continue;
        }
        std::error_code error;
        fs::directory_iterator it(strCurrent, error);
        if (error) {
            result.vecErrors.push_back(strCurrent + ": " + error.message());
            continue;
        }
        std::vector<std::pair<std::string, bool>> vecEntries;  // name, is a folder
        for (const fs::directory_iterator end; it != end; it.increment(error)) {
            if (error) {
                result.vecErrors.push_back(strCurrent + ": " + error.message());
                break;
            }
            std::error_code kindError;
            const bool bFolder = it->is_directory(kindError);
            vecEntries.emplace_back(it->path().filename().string(), bFolder && !kindError);
        }
        std::sort(vecEntries.begin(), vecEntries.end());
        const std::string strPrefix = strCurrent.empty() || strCurrent.back() == '/' ? strCurrent : strCurrent + "/";
        for (const auto& [strName, bFolder] : vecEntries) {
            if (bFolder) {
                queFolders.push_back(strPrefix + strName);
            } else if (HasVelaExtension(strName)) {
                result.vecFiles.push_back(strPrefix + strName);
            }
        }
    }
}

}  // namespace

bool HasVelaExtension(const std::string& strName) {
    if (strName.size() < 4) {
        return false;
    }
    std::string strTail = strName.substr(strName.size() - 4);
    std::transform(strTail.begin(), strTail.end(), strTail.begin(),
                   [](unsigned char c) { return static_cast<char>(c >= 'A' && c <= 'Z' ? c + 32 : c); });
    return strTail == ".mmf";
}

CScanResult ScanPaths(const std::vector<std::string>& vecPaths) {
    CScanResult result;
    std::set<std::pair<dev_t, ino_t>> setVisited;
    for (const std::string& strPath : vecPaths) {
        std::error_code error;
        const fs::file_status status = fs::status(strPath, error);
        if (error || !fs::exists(status)) {
            result.vecErrors.push_back(strPath + ": " + (error ? error.message() : std::strerror(ENOENT)));
        } else if (fs::is_directory(status)) {
            ScanFolder(strPath, setVisited, result);
        } else {
            result.vecFiles.push_back(strPath);
        }
    }
    return result;
}
