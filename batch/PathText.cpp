#include "PathText.h"

#include "IFileSystem.h"

namespace {

// Lead bytes of every double-byte code page lie above ASCII, so the
// platform is asked about the other bytes only (paths are mostly ASCII).
bool BeginsDoubleByte(const IFileSystem& platform, char ch) {
    const unsigned char by = static_cast<unsigned char>(ch);
    return by >= 0x80 && platform.IsLeadByte(by);
}

}  // namespace

std::size_t FindLastSeparator(const IFileSystem& platform, const std::string& strPath) {
    const char chSeparator = platform.Separator();
    std::size_t nLast = std::string::npos;
    // Walk from the start: only a scan from a known character start can tell
    // a trail byte from a single-byte character.
    for (std::size_t i = 0; i < strPath.size(); ++i) {
        if (BeginsDoubleByte(platform, strPath[i]) && i + 1 < strPath.size()) {
            ++i;
        } else if (strPath[i] == chSeparator) {
            nLast = i;
        }
    }
    return nLast;
}

bool IsCharBoundary(const IFileSystem& platform, const std::string& strText, std::size_t nOffset) {
    std::size_t i = 0;
    while (i < nOffset && i < strText.size()) {
        const bool bDouble = BeginsDoubleByte(platform, strText[i]) && i + 1 < strText.size();
        i += bDouble ? 2 : 1;
    }
    return i == nOffset;
}

std::string FileNameOf(const IFileSystem& platform, const std::string& strPath) {
    const std::size_t nPos = FindLastSeparator(platform, strPath);
    return nPos == std::string::npos ? strPath : strPath.substr(nPos + 1);
}

std::string FolderOf(const IFileSystem& platform, const std::string& strPath) {
    const std::size_t nPos = FindLastSeparator(platform, strPath);
    return nPos == std::string::npos ? std::string() : strPath.substr(0, nPos);
}

bool HasVelaExtension(const IFileSystem& platform, const std::string& strPath) {
    static constexpr char kExtension[] = ".mmf";
    if (strPath.size() < 4) {
        return false;
    }
    const std::size_t nStart = strPath.size() - 4;
    // The suffix must begin on a character: a trail byte that happens to be
    // '.' is part of another character.
    if (!IsCharBoundary(platform, strPath, nStart)) {
        return false;
    }
    for (std::size_t i = 0; i < 4; ++i) {
        const unsigned char by = static_cast<unsigned char>(strPath[nStart + i]);
        // A lead byte inside the suffix starts a double-byte character, which
        // never equals one of the four single-byte characters.
        if (platform.IsLeadByte(by)) {
            return false;
        }
        const char chLower = (by >= 'A' && by <= 'Z') ? static_cast<char>(by - 'A' + 'a') : static_cast<char>(by);
        if (chLower != kExtension[i]) {
            return false;
        }
    }
    return true;
}
