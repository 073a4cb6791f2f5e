// libFuzzer entry for what kestrel-cli reads from its user before a run:
// the command line (the bytes split at NUL into arguments), the --files-from
// list in both forms, and --shard with the entries it keeps. Beyond the
// sanitizers, every run checks what the parsers promise their callers.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "BatchState.h"
#include "CliOptions.h"
#include "PathList.h"
#include "Shard.h"

namespace {

[[noreturn]] void Fail(const char* pWhat) {
    std::fprintf(stderr, "fuzz_cli_options: %s\n", pWhat);
    std::abort();
}

// Far more arguments than a test of the parser needs.
constexpr std::size_t kMaxArguments = 64;

void CheckOptions(const std::string& strText) {
    std::vector<std::string> vecArgs = {"kestrel-cli"};
    for (const std::string& strArg : SplitPathList(strText, true)) {
        if (vecArgs.size() == kMaxArguments) {
            break;
        }
        vecArgs.push_back(strArg);
    }
    std::vector<char*> vecArgv;
    for (std::string& strArg : vecArgs) {
        vecArgv.push_back(strArg.data());
    }
    vecArgv.push_back(nullptr);
    CCliOptions options;
    const int nExit = ParseCliOptions(static_cast<int>(vecArgs.size()), vecArgv.data(), options);
    if (nExit != -1 && nExit != 0 && nExit != 2) {
        Fail("the parser returned an exit status other than 0 and 2");
    }
    if (nExit != -1) {
        return;
    }
    if (options.m_vecPaths.empty() && options.m_strFilesFrom.empty()) {
        Fail("a run without PATH or --files-from was accepted");
    }
    const std::string& strOverwrite = options.m_strOverwrite;
    if (!strOverwrite.empty() && strOverwrite != "ask" && strOverwrite != "all" && strOverwrite != "skip") {
        Fail("an unknown --overwrite was accepted");
    }
    if (options.m_bJobsGiven && (options.m_nJobs < 1 || options.m_nJobs > 256)) {
        Fail("--jobs out of range was accepted");
    }
    const ShardChoice& shard = options.m_shard;
    if (shard.nIndex < 0 || shard.nIndex >= shard.nCount || shard.nCount > kMaxShardCount) {
        Fail("a --shard outside the rule was accepted");
    }
    const int nJobs = DefaultedJobs(options, strOverwrite == "ask", 4);
    if (nJobs < 1 || nJobs > 256) {
        Fail("a number of jobs out of range");
    }
}

void CheckList(const std::string& strText, bool bNullSeparated) {
    std::size_t nBytes = 0;
    for (const std::string& strPath : SplitPathList(strText, bNullSeparated)) {
        if (strPath.empty()) {
            Fail("an empty path in a list");
        }
        if (strPath.find(bNullSeparated ? '\0' : '\n') != std::string::npos) {
            Fail("a path holds the list's separator");
        }
        nBytes += strPath.size();
    }
    if (nBytes > strText.size()) {
        Fail("a list gave more bytes than it holds");
    }
}

void CheckShard(const std::string& strText) {
    ShardChoice shard{7, 9};
    if (!ParseShard(strText, shard)) {
        if (shard.nIndex != 7 || shard.nCount != 9) {
            Fail("a refused --shard changed the choice");
        }
        return;
    }
    if (shard.nIndex < 0 || shard.nIndex >= shard.nCount || shard.nCount > kMaxShardCount) {
        Fail("a --shard outside the rule was accepted");
    }
    // The same choice spelt plainly reads the same.
    ShardChoice again;
    if (!ParseShard(std::to_string(shard.nIndex) + "/" + std::to_string(shard.nCount), again) ||
        again.nIndex != shard.nIndex || again.nCount != shard.nCount) {
        Fail("a --shard does not read back");
    }
    // Every entry lands in exactly one shard: position K modulo N.
    const std::size_t nEntries = strText.size() % 40;
    std::vector<FileItem> vecItems(nEntries);
    for (std::size_t i = 0; i < nEntries; ++i) {
        vecItems[i].strPath = std::to_string(i);
    }
    KeepShardEntries(vecItems, shard);
    std::size_t nNext = shard.nCount <= 1 ? 0 : static_cast<std::size_t>(shard.nIndex);
    for (const FileItem& item : vecItems) {
        if (item.strPath != std::to_string(nNext)) {
            Fail("a shard kept the wrong entries");
        }
        nNext += shard.nCount <= 1 ? 1 : static_cast<std::size_t>(shard.nCount);
    }
    if (nNext < nEntries) {
        Fail("a shard lost an entry");
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* pData, std::size_t nSize) {
    const std::string strText(reinterpret_cast<const char*>(pData), nSize);
    CheckOptions(strText);
    CheckList(strText, false);
    CheckList(strText, true);
    CheckShard(strText);
    return 0;
}
