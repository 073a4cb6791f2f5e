// Folder chains deeper than the longest path the system takes: made and
// removed through folder handles (mkdirat, openat, unlinkat), since neither
// can go by whole paths.
#pragma once

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdint>
#include <string>
#include <vector>

namespace deeptree {

// Makes nLevels nested folders named strName below strRoot, each holding
// the file "f<level>.mmf" with vecFile. Returns the path length of the
// deepest folder.
inline std::size_t MakeChain(const std::string& strRoot, const std::string& strName, int nLevels,
                             const std::vector<std::uint8_t>& vecFile) {
    int nFolder = ::open(strRoot.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    std::size_t nLength = strRoot.size();
    for (int nLevel = 0; nLevel < nLevels && nFolder >= 0; ++nLevel) {
        ::mkdirat(nFolder, strName.c_str(), 0755);
        const int nNext = ::openat(nFolder, strName.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        ::close(nFolder);
        nFolder = nNext;
        nLength += 1 + strName.size();
        const std::string strFile = "f" + std::to_string(nLevel) + ".mmf";
        const int nFile = ::openat(nFolder, strFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
        if (nFile >= 0) {
            if (::write(nFile, vecFile.data(), vecFile.size()) < 0) {
                // left short; the tests only count entries
            }
            ::close(nFile);
        }
    }
    if (nFolder >= 0) {
        ::close(nFolder);
    }
    return nLength;
}

// Removes strName below the open folder nParent, however deep it goes.
inline void RemoveAt(int nParent, const std::string& strName) {
    const int nFolder = ::openat(nParent, strName.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (nFolder < 0) {
        ::unlinkat(nParent, strName.c_str(), 0);
        return;
    }
    std::vector<std::string> vecNames;
    if (DIR* pDir = ::fdopendir(::dup(nFolder))) {
        while (const dirent* pEntry = ::readdir(pDir)) {
            const std::string strEntry = pEntry->d_name;
            if (strEntry != "." && strEntry != "..") {
                vecNames.push_back(strEntry);
            }
        }
        ::closedir(pDir);
    }
    for (const std::string& strEntry : vecNames) {
        RemoveAt(nFolder, strEntry);
    }
    ::close(nFolder);
    ::unlinkat(nParent, strName.c_str(), AT_REMOVEDIR);
}

inline void Remove(const std::string& strRoot, const std::string& strName) {
    const int nRoot = ::open(strRoot.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (nRoot >= 0) {
        RemoveAt(nRoot, strName);
        ::close(nRoot);
    }
}

}  // namespace deeptree
