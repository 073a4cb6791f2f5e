#include "TemporaryNames.h"

#include <limits>

namespace {
constexpr char kPrefix[] = ".~kst";
constexpr char kSuffix[] = ".tmp";
}  // namespace

std::string TemporaryName(unsigned long nProcess, unsigned long nCounter) {
    return kPrefix + std::to_string(nProcess) + '-' + std::to_string(nCounter) + kSuffix;
}

bool IsTemporaryName(const std::string& strName) {
    const std::size_t nPrefix = sizeof(kPrefix) - 1;
    const std::size_t nSuffix = sizeof(kSuffix) - 1;
    if (strName.size() <= nPrefix + nSuffix || strName.compare(0, nPrefix, kPrefix) != 0 ||
        strName.compare(strName.size() - nSuffix, nSuffix, kSuffix) != 0) {
        return false;
    }
    // Only digits and the one dash between them, as TemporaryName makes it.
    bool bDash = false;
    for (std::size_t i = nPrefix; i < strName.size() - nSuffix; ++i) {
        const char ch = strName[i];
        if (ch == '-' && !bDash && i > nPrefix && i + 1 < strName.size() - nSuffix) {
            bDash = true;
        } else if (ch < '0' || ch > '9') {
            return false;
        }
    }
    return bDash;
}

bool TemporaryNameProcess(const std::string& strName, unsigned long& nProcess) {
    if (!IsTemporaryName(strName)) {
        return false;
    }
    constexpr unsigned long kMax = std::numeric_limits<unsigned long>::max();
    unsigned long nValue = 0;
    for (std::size_t i = sizeof(kPrefix) - 1; strName[i] != '-'; ++i) {
        const unsigned long nDigit = static_cast<unsigned long>(strName[i] - '0');
        if (nValue > (kMax - nDigit) / 10) {
            return false;
        }
        nValue = nValue * 10 + nDigit;
    }
    nProcess = nValue;
    return true;
}
