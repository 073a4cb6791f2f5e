#include "OutputCheck.h"

#include "HeronCheck.h"

namespace {

// A status line names no more failing outputs than this; the rest are counted.
constexpr std::size_t kNamedFailures = 5;

}  // namespace

void CheckOutput(COutputCheck& check, const std::string& strPath, const std::uint8_t* pData, std::size_t nSize) {
    ++check.nChecked;
    const std::vector<heron::CProblem> vecProblems = heron::CheckFile(pData, nSize);
    if (!vecProblems.empty()) {
        check.vecFailed.push_back(strPath + " (" + vecProblems.front().strCheck + ": " +
                                  vecProblems.front().strDetail + ")");
    }
}

COutputCheck CheckWrittenOutputs(const CMemoryPlatform& platform) {
    COutputCheck check;
    for (const std::string& strPath : platform.WrittenFiles()) {
        const std::vector<std::uint8_t>* pData = platform.Contents(strPath);
        if (pData != nullptr) {
            CheckOutput(check, strPath, pData->data(), pData->size());
        }
    }
    return check;
}

std::string OutputCheckLine(const COutputCheck& check) {
    if (check.nChecked == 0) {
        return "No outputs to check.";
    }
    std::string strLine = std::to_string(check.nChecked) + (check.nChecked == 1 ? " output" : " outputs") +
                          " checked: ";
    if (check.vecFailed.empty()) {
        return strLine + (check.nChecked == 1 ? "passes" : "all pass");
    }
    strLine += std::to_string(check.vecFailed.size()) + (check.vecFailed.size() == 1 ? " fails: " : " fail: ");
    for (std::size_t i = 0; i < check.vecFailed.size() && i < kNamedFailures; ++i) {
        strLine += (i == 0 ? "" : "; ") + check.vecFailed[i];
    }
    if (check.vecFailed.size() > kNamedFailures) {
        strLine += "; and " + std::to_string(check.vecFailed.size() - kNamedFailures) + " more";
    }
    return strLine;
}
