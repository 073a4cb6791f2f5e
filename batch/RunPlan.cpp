#include "RunPlan.h"

#include <unordered_map>
#include <unordered_set>

#include "IPlatform.h"
#include "InputCollection.h"
#include "PathText.h"

std::string OutputPathOf(const IPlatform& platform, const std::string& strInputPath) {
    return OutputDirOf(platform, strInputPath) + platform.Separator() + FileNameOf(platform, strInputPath);
}

std::vector<EntryPlan> PlanEntries(const IPlatform& platform, const std::vector<FileItem>& vecItems) {
    std::vector<EntryPlan> vecPlan(vecItems.size());
    std::unordered_set<std::string> setInputs;
    setInputs.reserve(vecItems.size());
    for (const FileItem& item : vecItems) {
        setInputs.insert(platform.PathKey(item.strPath));
    }
    std::unordered_map<std::string, int> mapLastWriter;
    mapLastWriter.reserve(vecItems.size());
    for (std::size_t i = 0; i < vecItems.size(); ++i) {
        std::string strKey = platform.PathKey(OutputPathOf(platform, vecItems[i].strPath));
        vecPlan[i].bOutputIsAnInput = setInputs.count(strKey) != 0;
        const auto [it, bNew] = mapLastWriter.try_emplace(std::move(strKey), static_cast<int>(i));
        if (!bNew) {
            vecPlan[i].nEarlierSameOutput = it->second;
            it->second = static_cast<int>(i);
        }
    }
    return vecPlan;
}
