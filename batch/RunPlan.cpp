#include "RunPlan.h"

#include <algorithm>
#include <unordered_map>
#include <unordered_set>

#include "IFileSystem.h"
#include "InputCollection.h"
#include "PathText.h"

std::string OutputPathOf(const IFileSystem& platform, const std::string& strInputPath) {
    return OutputDirOf(platform, strInputPath) + platform.Separator() + FileNameOf(platform, strInputPath);
}

namespace {

// Joins the levels of an output key: no name holds it.
constexpr char kLevel = '\0';

// Keys under which two spellings of one output compare equal: the identity
// of the deepest folder that exists now, then the levels the run will
// create (which are real folders, so "." and ".." are worked out from the
// text).
class COutputKeys {
public:
    explicit COutputKeys(IFileSystem& platform) : m_platform(platform) {}

    std::string FileKey(const std::string& strOutputPath) {
        const std::size_t nPos = FindLastSeparator(m_platform, strOutputPath);
        if (nPos == std::string::npos) {
            return "path:" + m_platform.PathKey(strOutputPath);
        }
        return WithLevel(FolderKey(strOutputPath.substr(0, nPos)), strOutputPath.substr(nPos + 1));
    }

private:
    const std::string& FolderKey(const std::string& strFolder) {
        const auto it = m_mapFolders.find(strFolder);
        if (it != m_mapFolders.end()) {
            return it->second;
        }
        std::string strKey = m_platform.FolderIdentity(strFolder);
        if (strKey.empty()) {
            strKey = FileKey(strFolder);
        } else {
            strKey.insert(0, "id:");
        }
        return m_mapFolders.emplace(strFolder, std::move(strKey)).first->second;
    }

    std::string WithLevel(std::string strKey, const std::string& strName) const {
        if (strName.empty() || strName == ".") {
            return strKey;
        }
        const std::size_t nLast = strKey.rfind(kLevel);
        if (strName == ".." && nLast != std::string::npos) {
            strKey.resize(nLast);
            return strKey;
        }
        strKey += kLevel;
        strKey += m_platform.PathKey(strName);
        return strKey;
    }

    IFileSystem& m_platform;
    std::unordered_map<std::string, std::string> m_mapFolders;  // folder path -> key
};

}  // namespace

std::vector<EntryPlan> PlanEntries(IFileSystem& platform, const std::vector<FileItem>& vecItems) {
    std::vector<EntryPlan> vecPlan(vecItems.size());
    std::unordered_set<std::string> setInputs;
    setInputs.reserve(vecItems.size());
    for (const FileItem& item : vecItems) {
        setInputs.insert(platform.PathKey(item.strPath));
    }
    COutputKeys keys(platform);
    std::unordered_map<std::string, int> mapLastWriter;  // output key -> last entry writing it
    std::unordered_map<std::string, int> mapLastBelow;   // folder key -> last entry writing below it
    const auto Raise = [](int& nAfter, const std::unordered_map<std::string, int>& map, const std::string& strKey) {
        const auto it = map.find(strKey);
        if (it != map.end()) {
            nAfter = std::max(nAfter, it->second);
        }
    };
    for (std::size_t i = 0; i < vecItems.size(); ++i) {
        const std::string strOutput = OutputPathOf(platform, vecItems[i].strPath);
        vecPlan[i].bOutputIsAnInput = setInputs.count(platform.PathKey(strOutput)) != 0;
        const std::string strKey = keys.FileKey(strOutput);
        const int nEntry = static_cast<int>(i);
        int& nAfter = vecPlan[i].nAfterEntry;
        Raise(nAfter, mapLastWriter, strKey);
        Raise(nAfter, mapLastBelow, strKey);
        for (std::size_t nLevel = strKey.find(kLevel); nLevel != std::string::npos;
             nLevel = strKey.find(kLevel, nLevel + 1)) {
            const std::string strFolder = strKey.substr(0, nLevel);
            Raise(nAfter, mapLastWriter, strFolder);
            mapLastBelow[strFolder] = nEntry;
        }
        mapLastWriter[strKey] = nEntry;
    }
    return vecPlan;
}
