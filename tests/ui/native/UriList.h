// text/uri-list for dropped files: one percent-encoded file URI per line,
// each line ended by CR LF.
#pragma once

#include <string>
#include <vector>

inline std::string EncodeFileUri(const std::string& strPath) {
    static const char kHex[] = "0123456789ABCDEF";
    std::string strUri = "file://";
    for (unsigned char ch : strPath) {
        const bool bPlain = (ch >= 'A' && ch <= 'Z') || (ch >= 'a' && ch <= 'z') || (ch >= '0' && ch <= '9') ||
                            ch == '/' || ch == '-' || ch == '_' || ch == '.' || ch == '~';
        if (bPlain) {
            strUri += static_cast<char>(ch);
        } else {
            strUri += '%';
            strUri += kHex[ch >> 4];
            strUri += kHex[ch & 0x0F];
        }
    }
    return strUri;
}

inline std::string MakeUriList(const std::vector<std::string>& vecPaths) {
    std::string strList;
    for (const std::string& strPath : vecPaths) {
        strList += EncodeFileUri(strPath);
        strList += "\r\n";
    }
    return strList;
}
