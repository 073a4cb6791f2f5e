#include "FileRead.h"

#include <filesystem>
#include <fstream>
#include <system_error>
#include <vector>

namespace {

// Files up to this size are read whole at once; they cost no more than
// their head.
constexpr std::uint64_t kSmallFile = 64 * 1024;

bool ReadBytes(IPlatform& platform, const std::string& strPath, std::uint64_t nMaxBytes,
               std::vector<std::uint8_t>& vecBytes, bool& bTooLarge, std::string& strError) {
    const ReadOutcome read = platform.ReadWholeFile(strPath, vecBytes, nMaxBytes, nullptr);
    bTooLarge = read.eResult == EReadResult::TooLarge;
    if (read.eResult == EReadResult::Ok || bTooLarge) {
        return true;
    }
    strError = read.nSystemError != 0 ? platform.SystemErrorText(read.nSystemError) : "cannot be read";
    return false;
}

}  // namespace

bool DescribePath(IPlatform& platform, const std::string& strPath, const fileinfo::CDescribeOptions& options,
                  fileinfo::CFileDescription& d, std::string& strError) {
    std::vector<std::uint8_t> vecBytes;
    bool bTooLarge = false;
    if (!ReadBytes(platform, strPath, kSmallFile, vecBytes, bTooLarge, strError)) {
        return false;
    }
    if (bTooLarge) {
        // A regular file (the platform opened it): its head decides whether
        // the rest is worth reading.
        std::error_code error;
        const std::uintmax_t nSize = std::filesystem::file_size(strPath, error);
        std::uint8_t abyHead[fileinfo::kHeadBytes] = {};
        std::ifstream in(strPath, std::ios::binary);
        in.read(reinterpret_cast<char*>(abyHead), sizeof abyHead);
        if (error || !in) {
            strError = "cannot be read";
            return false;
        }
        if (fileinfo::BeginsLikeVela(abyHead, sizeof abyHead)) {
            if (!ReadBytes(platform, strPath, fileinfo::kMaxDescribedSize, vecBytes, bTooLarge, strError)) {
                return false;
            }
        }
        if (!fileinfo::BeginsLikeVela(abyHead, sizeof abyHead) || bTooLarge) {
            d = fileinfo::DescribeFromHead(strPath, abyHead, sizeof abyHead, nSize);
            return true;
        }
    }
    d = fileinfo::DescribeFile(strPath, vecBytes.data(), vecBytes.size(), options);
    return true;
}
