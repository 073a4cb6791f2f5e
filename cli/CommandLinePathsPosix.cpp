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

bool PrepareOutputFolder(const std::string& strFolder) {
    std::error_code error;
    std::filesystem::create_directories(strFolder, error);
    const std::filesystem::file_status status = std::filesystem::status(strFolder, error);
    if (error || !std::filesystem::is_directory(status)) {
        const std::string strReason = error ? error.message() : "not a folder";
        std::fprintf(stderr, "kestrel-cli: cannot use %s as the output folder: %s\n", strFolder.c_str(),
                     strReason.c_str());
        return false;
    }
    return true;
}

bool PrepareBaseFolder(const std::string& strFolder, std::string& strBase) {
    std::error_code error;
    const std::filesystem::file_status status = std::filesystem::status(strFolder, error);
    if (error || !std::filesystem::is_directory(status)) {
        const std::string strReason = error ? error.message() : "not a folder";
        std::fprintf(stderr, "kestrel-cli: cannot use %s as the base folder: %s\n", strFolder.c_str(),
                     strReason.c_str());
        return false;
    }
    strBase = strFolder == "/" ? std::string() : strFolder;
    return true;
}

std::string CurrentFolderPath() {
    std::error_code error;
    return std::filesystem::current_path(error).string();
}
