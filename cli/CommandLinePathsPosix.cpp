#include <cstdio>
#include <filesystem>
#include <system_error>

#include "CommandLinePaths.h"

std::string FullPath(const std::string& strPath) {
    std::error_code error;
    std::filesystem::path path = std::filesystem::absolute(strPath, error);
    if (error) {
        path = strPath;
    }
    std::string strFull = path.lexically_normal().string();
    while (strFull.size() > 1 && strFull.back() == '/') {
        strFull.pop_back();
    }
    return strFull;
}

bool PathIsMissing(const std::string& strFull) {
    std::error_code error;
    return std::filesystem::symlink_status(strFull, error).type() == std::filesystem::file_type::not_found;
}

namespace {

// Whether strFolder is a folder that can be used; if not, says why on stderr,
// naming it by its role ("output", "base").
bool UsableFolder(const std::string& strFolder, const char* pszRole) {
    std::error_code error;
    const std::filesystem::file_status status = std::filesystem::status(strFolder, error);
    if (error || !std::filesystem::is_directory(status)) {
        const std::string strReason = error ? error.message() : "not a folder";
        std::fprintf(stderr, "kestrel-cli: cannot use %s as the %s folder: %s\n", strFolder.c_str(), pszRole,
                     strReason.c_str());
        return false;
    }
    return true;
}

}  // namespace

bool PrepareOutputFolder(const std::string& strFolder) {
    std::error_code error;
    std::filesystem::create_directories(strFolder, error);  // failure shows in the check
    return UsableFolder(strFolder, "output");
}

bool PrepareBaseFolder(const std::string& strFolder, std::string& strBase) {
    if (!UsableFolder(strFolder, "base")) {
        return false;
    }
    strBase = strFolder == "/" ? std::string() : strFolder;
    return true;
}

std::string CurrentFolderPath() {
    std::error_code error;
    return std::filesystem::current_path(error).string();
}
