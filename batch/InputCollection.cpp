#include "InputCollection.h"

#include <deque>
#include <unordered_set>
#include <vector>

#include "BatchState.h"
#include "BatchTexts.h"
#include "IPlatform.h"
#include "PathText.h"
#include "TemporaryNames.h"

int CollectDroppedFiles(IPlatform& platform, const std::vector<std::string>& vecPaths) {
    g_strBaseDir.clear();
    g_vecFileItems.clear();
    g_bConverting.store(1);

    // The first path fixes the base folder; a later one is consulted only
    // while it is still empty (a first path in the root of a POSIX file
    // system leaves it so).
    int nNotices = 0;
    for (const std::string& strPath : vecPaths) {
        if (g_strBaseDir.empty()) {
            const std::size_t nPos = FindLastSeparator(platform, strPath);
            g_strBaseDir = nPos == std::string::npos ? g_strAppDir : strPath.substr(0, nPos);
        }
        const PathAttributes attributes = platform.QueryAttributes(strPath);
        if (!attributes.bValid || attributes.bDirectory) {
            nNotices += CollectFolder(platform, strPath);
        } else {
            g_vecFileItems.push_back(FileItem{strPath, 0, {}, {}});
        }
    }
    return nNotices;
}

int CollectFolder(IPlatform& platform, const std::string& strFolder) {
    const std::vector<std::string> vecUnlisted = CollectFolderInto(platform, strFolder, g_vecFileItems);
    for (const std::string& strUnlisted : vecUnlisted) {
        platform.ShowNotice(strUnlisted + platform.PromptText(EPromptText::NoAccessTail));
    }
    return static_cast<int>(vecUnlisted.size());
}

std::vector<std::string> CollectFolderInto(IFileSystem& platform, const std::string& strFolder,
                                           std::vector<FileItem>& vecItems) {
    const char chSeparator = platform.Separator();
    std::deque<std::string> queFolders{strFolder};
    std::unordered_set<std::string> setVisited;
    std::vector<FolderEntry> vecEntries;
    std::vector<std::string> vecUnlisted;

    while (!queFolders.empty()) {
        const std::string strCurrent = std::move(queFolders.front());
        queFolders.pop_front();

        // A folder reached again through a link (or a loop of links) is
        // skipped: every folder is listed, or reported, once.
        std::string strIdentity = platform.FolderIdentity(strCurrent);
        if (strIdentity.empty()) {
            strIdentity = "path:" + strCurrent;
        }
        if (!setVisited.insert(strIdentity).second) {
            continue;
        }

        vecEntries.clear();
        if (!platform.ListFolder(strCurrent, vecEntries)) {
            vecUnlisted.push_back(strCurrent);
            continue;
        }

        std::string strPrefix = strCurrent;
        const std::size_t nLast = FindLastSeparator(platform, strCurrent);
        if (strCurrent.empty() || nLast != strCurrent.size() - 1) {
            strPrefix += chSeparator;
        }
        for (const FolderEntry& entry : vecEntries) {
            if (entry.strName == "." || entry.strName == "..") {
                continue;
            }
            if (entry.bFolder) {
                queFolders.push_back(strPrefix + entry.strName);
            } else if (!IsTemporaryName(entry.strName) || !platform.IsTemporaryInUse(strPrefix + entry.strName)) {
                // (Left out: an output being written. A file that only looks
                // like one, or one a killed run left behind, gets its row.)
                vecItems.push_back(FileItem{strPrefix + entry.strName, 0, {}, {}});
            }
        }
    }
    return vecUnlisted;
}

namespace {

std::string OutputRoot(const IFileSystem& platform) {
    return g_strOutputRoot.empty() ? g_strBaseDir + platform.Separator() + "OUTPUT" : g_strOutputRoot;
}

// The input's folder below the base folder ("\x\y" for B\x\y); empty for
// an input in the base folder itself or outside it.
std::string RelativeFolder(const IFileSystem& platform, const std::string& strInputPath) {
    const std::size_t nDir = FindLastSeparator(platform, strInputPath);
    const std::size_t nBase = g_strBaseDir.size();
    if (nDir != std::string::npos && nDir > nBase && strInputPath.compare(0, nBase, g_strBaseDir) == 0 &&
        strInputPath[nBase] == platform.Separator() && IsCharBoundary(platform, strInputPath, nBase)) {
        return strInputPath.substr(nBase, nDir - nBase);
    }
    return {};
}

// The input's folder levels below the base folder ("\x", "\y" for B\x\y),
// top first; none for an input in the base folder itself or outside it.
std::vector<std::string> OutputLevels(const IFileSystem& platform, const std::string& strInputPath) {
    std::string strRelative = RelativeFolder(platform, strInputPath);

    // Split "\x\y" into its levels, last first, then turn the list round.
    std::vector<std::string> vecLevels;
    while (!strRelative.empty()) {
        const std::size_t nPos = FindLastSeparator(platform, strRelative);
        if (nPos == std::string::npos) {
            break;
        }
        vecLevels.push_back(strRelative.substr(nPos));
        if (nPos == 0) {
            break;
        }
        strRelative.resize(nPos);
    }
    return {vecLevels.rbegin(), vecLevels.rend()};
}

}  // namespace

std::string OutputDirOf(const IFileSystem& platform, const std::string& strInputPath) {
    // The levels together are the input folder's part below the base folder.
    return OutputRoot(platform) + RelativeFolder(platform, strInputPath);
}

std::string MakeOutputDir(IFileSystem& platform, const std::string& strInputPath) {
    // Usually every level is there already (made for an earlier entry): one
    // look at the whole path tells, instead of one per level.
    const std::string strWhole = OutputDirOf(platform, strInputPath);
    if (platform.UseFolder(strWhole)) {
        return strWhole;
    }
    std::string strOut = OutputRoot(platform);
    if (!platform.QueryAttributes(strOut).bValid) {
        platform.CreateFolder(strOut);
    }
    for (const std::string& strLevel : OutputLevels(platform, strInputPath)) {
        strOut += strLevel;
        if (!platform.QueryAttributes(strOut).bValid) {
            platform.CreateFolder(strOut);
        }
    }
    platform.UseFolder(strOut);
    return strOut;
}
