#include "Shard.h"

#include "BatchState.h"

namespace {

// Digits only; false when empty or above kMaxShardCount.
bool ParseCount(const std::string& strText, int& nValue) {
    if (strText.empty()) {
        return false;
    }
    nValue = 0;
    for (const char ch : strText) {
        if (ch < '0' || ch > '9' || nValue > (kMaxShardCount - (ch - '0')) / 10) {
            return false;
        }
        nValue = nValue * 10 + (ch - '0');
    }
    return true;
}

}  // namespace

bool ParseShard(const std::string& strText, ShardChoice& shard) {
    const std::size_t nSlash = strText.find('/');
    if (nSlash == std::string::npos) {
        return false;
    }
    ShardChoice parsed;
    if (!ParseCount(strText.substr(0, nSlash), parsed.nIndex) || !ParseCount(strText.substr(nSlash + 1), parsed.nCount) ||
        parsed.nIndex >= parsed.nCount) {
        return false;
    }
    shard = parsed;
    return true;
}

std::string ShardRule() {
    return "K/N in decimal digits with 0 <= K < N <= " + std::to_string(kMaxShardCount);
}

void KeepShardEntries(std::vector<FileItem>& vecItems, const ShardChoice& shard) {
    if (shard.nCount <= 1) {
        return;
    }
    std::size_t nKept = 0;
    for (std::size_t i = static_cast<std::size_t>(shard.nIndex); i < vecItems.size();
         i += static_cast<std::size_t>(shard.nCount)) {
        if (nKept != i) {
            vecItems[nKept] = std::move(vecItems[i]);
        }
        ++nKept;
    }
    vecItems.resize(nKept);
}
