// Through the ANSI entry points: std::filesystem would spell narrow paths in
// UTF-8 here, not in the code page that the rest of the program uses.
#include <windows.h>

#include <cstdio>

#include "CommandLinePaths.h"
#include "PathText.h"
#include "Win32Platform.h"

namespace {

// Nesting depth at which folder creation gives up (far beyond MAX_PATH).
constexpr int kMaxFolderDepth = 256;

bool EndsWithSeparator(const IPlatform& platform, const std::string& strPath) {
    const char ch = strPath.back();
    return (ch == '\\' || ch == '/') && IsCharBoundary(platform, strPath, strPath.size() - 1);
}

// Creates strFolder and the folders above it that are missing; the system's
// error code of the first failure in dwError.
bool CreateFolderLevels(CWin32Platform& platform, const std::string& strFolder, int nDepth, DWORD& dwError) {
    const PathAttributes attributes = platform.QueryAttributes(strFolder);
    if (attributes.bValid) {
        if (!attributes.bDirectory) {
            dwError = ERROR_DIRECTORY;
            return false;
        }
        return true;
    }
    // The walk up ends at the first folder that exists (a drive or share
    // root at the latest).
    const std::string strParent = FolderOf(platform, strFolder);
    if (!strParent.empty() && nDepth < kMaxFolderDepth &&
        !CreateFolderLevels(platform, strParent, nDepth + 1, dwError)) {
        return false;
    }
    if (!platform.CreateFolder(strFolder) && ::GetLastError() != ERROR_ALREADY_EXISTS) {
        dwError = ::GetLastError();
        return false;
    }
    return true;
}

}  // namespace

std::string FullPath(const std::string& strPath) {
    CWin32Platform platform;
    std::string strFull = strPath;
    const DWORD dwLength = ::GetFullPathNameA(strPath.c_str(), 0, nullptr, nullptr);
    if (dwLength != 0) {
        std::string strBuffer(dwLength, '\0');
        const DWORD dwWritten = ::GetFullPathNameA(strPath.c_str(), dwLength, strBuffer.data(), nullptr);
        if (dwWritten != 0 && dwWritten < dwLength) {
            strBuffer.resize(dwWritten);
            strFull = strBuffer;
        }
    }
    // "C:\" keeps its separator; a trail byte 0x5C is no separator.
    while (strFull.size() > 3 && EndsWithSeparator(platform, strFull)) {
        strFull.pop_back();
    }
    return strFull;
}

bool PathIsMissing(const std::string& strFull) {
    if (::GetFileAttributesA(strFull.c_str()) != INVALID_FILE_ATTRIBUTES) {
        return false;
    }
    const DWORD dwError = ::GetLastError();
    return dwError == ERROR_FILE_NOT_FOUND || dwError == ERROR_PATH_NOT_FOUND;
}

bool PrepareOutputFolder(const std::string& strFolder) {
    CWin32Platform platform;
    DWORD dwError = ERROR_SUCCESS;
    if (CreateFolderLevels(platform, strFolder, 0, dwError)) {
        const PathAttributes attributes = platform.QueryAttributes(strFolder);
        if (attributes.bValid && attributes.bDirectory) {
            return true;
        }
        dwError = attributes.bValid ? ERROR_DIRECTORY : ::GetLastError();
    }
    const std::string strReason = dwError == ERROR_DIRECTORY ? std::string("not a folder")
                                                             : platform.SystemErrorText(static_cast<int>(dwError));
    std::fprintf(stderr, "kestrel-cli: cannot use %s as the output folder: %s\n", strFolder.c_str(),
                 strReason.c_str());
    return false;
}

bool PrepareBaseFolder(const std::string& strFolder, std::string& strBase) {
    CWin32Platform platform;
    const PathAttributes attributes = platform.QueryAttributes(strFolder);
    const DWORD dwError = ::GetLastError();
    if (!attributes.bValid || !attributes.bDirectory) {
        const std::string strReason =
            attributes.bValid ? std::string("not a folder") : platform.SystemErrorText(static_cast<int>(dwError));
        std::fprintf(stderr, "kestrel-cli: cannot use %s as the base folder: %s\n", strFolder.c_str(),
                     strReason.c_str());
        return false;
    }
    strBase = strFolder;
    if (!strBase.empty() && EndsWithSeparator(platform, strBase)) {
        strBase.pop_back();  // "C:\" -> "C:"
    }
    return true;
}

std::string CurrentFolderPath() {
    return CWin32Platform().CurrentFolder();
}
