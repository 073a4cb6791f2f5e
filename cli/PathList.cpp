#include "PathList.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "Console.h"

std::vector<std::string> SplitPathList(const std::string& strText, bool bNullSeparated) {
    const char chEnd = bNullSeparated ? '\0' : '\n';
    std::vector<std::string> vecPaths;
    std::size_t nStart = 0;
    while (nStart < strText.size()) {
        std::size_t nEnd = strText.find(chEnd, nStart);
        if (nEnd == std::string::npos) {
            nEnd = strText.size();  // a last entry without its end
        }
        std::size_t nLength = nEnd - nStart;
        if (!bNullSeparated && nLength > 0 && strText[nEnd - 1] == '\r') {
            --nLength;
        }
        if (nLength > 0) {
            vecPaths.push_back(strText.substr(nStart, nLength));
        }
        nStart = nEnd + 1;
    }
    return vecPaths;
}

namespace {

std::string ReadStream(std::FILE* pFile, std::string& strText) {
    char achBuffer[65536];
    std::size_t nRead = 0;
    while ((nRead = std::fread(achBuffer, 1, sizeof achBuffer, pFile)) > 0) {
        if (nRead > kMaxPathListBytes - strText.size()) {
            strText.clear();
            return "it is longer than " + std::to_string(kMaxPathListBytes >> 20) +
                   " MiB (name folders instead of their files)";
        }
        strText.append(achBuffer, nRead);
    }
    // (A folder opens on POSIX and fails here, with EISDIR.)
    return std::ferror(pFile) ? std::strerror(errno) : "";
}

}  // namespace

std::string ReadPathList(const std::string& strFile, std::string& strText) {
    strText.clear();
    if (strFile == "-") {
        PrepareInputForList();
        return ReadStream(stdin, strText);
    }
    std::FILE* pFile = std::fopen(strFile.c_str(), "rb");
    if (pFile == nullptr) {
        return std::strerror(errno);
    }
    std::string strError = ReadStream(pFile, strText);
    std::fclose(pFile);
    return strError;
}
