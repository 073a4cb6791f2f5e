// Test-only checks of the Windows platform and the batch over it, run under
// Wine next to Kestrel.exe: outputs written whole and never over a file that
// exists, no temporary files left, the same file found however its path is
// spelt, folder identities, and the dialog's texts from its resources.
// Prints "PASS: ..." or "FAIL: ..." per check; exit status 1 on any failure.
#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

#include "BatchRun.h"
#include "BatchState.h"
#include "ConvertFile.h"
#include "InputCollection.h"
#include "ResourcePlatform.h"
#include "TemporaryNames.h"

namespace {

int g_nFailed = 0;

void Check(const char* pszName, bool bPassed) {
    std::printf("%s: %s\n", bPassed ? "PASS" : "FAIL", pszName);
    if (!bPassed) {
        ++g_nFailed;
    }
}

std::vector<std::uint8_t> ReadAll(IPlatform& platform, const std::string& strPath) {
    std::vector<std::uint8_t> vecData;
    platform.ReadWholeFile(strPath, vecData, 1u << 20, {});
    return vecData;
}

bool NoTemporaryFilesIn(const std::string& strFolder) {
    WIN32_FIND_DATAA data{};
    const HANDLE hFind = ::FindFirstFileA((strFolder + "\\*").c_str(), &data);
    if (hFind == INVALID_HANDLE_VALUE) {
        return true;
    }
    bool bNone = true;
    do {
        bNone = bNone && !IsTemporaryName(data.cFileName);
    } while (::FindNextFileA(hFind, &data));
    ::FindClose(hFind);
    return bNone;
}

std::string LowerWithSlashes(std::string strPath) {
    for (char& ch : strPath) {
        ch = ch == '\\' ? '/' : (ch >= 'A' && ch <= 'Z' ? static_cast<char>(ch - 'A' + 'a') : ch);
    }
    return strPath;
}

class CSilentObserver : public IBatchObserver {
public:
    void OnRunStarted(int) override {}
    void OnEntryStarted(int) override {}
    void OnRow(const ResultRow& row) override { m_vecResults.push_back(row.strResult); }
    void OnCounts(int, int, int) override {}
    void OnRunEnded() override {}
    std::vector<std::string> m_vecResults;
};

}  // namespace

int main() {
    char szTemp[MAX_PATH] = {};
    ::GetTempPathA(MAX_PATH, szTemp);
    const std::string strRoot = std::string(szTemp) + "KestrelCheck" + std::to_string(::GetCurrentProcessId());
    const std::string strOut = strRoot + "\\Out";
    ::CreateDirectoryA(strRoot.c_str(), nullptr);
    ::CreateDirectoryA(strOut.c_str(), nullptr);
    CResourcePlatform platform(::GetModuleHandleA(nullptr));
    const std::vector<std::uint8_t> vecOld = {'o', 'l', 'd'};
    const std::vector<std::uint8_t> vecNew = {'n', 'e', 'w'};

    // --- writing ---------------------------------------------------------------
    const std::string strFile = strOut + "\\a.mmf";
    Check("a new file is written", platform.WriteNewFile(strFile, vecOld.data(), vecOld.size()).eResult ==
                                       EWriteResult::Ok &&
                                       ReadAll(platform, strFile) == vecOld);
    const WriteOutcome taken = platform.WriteNewFile(strFile, vecNew.data(), vecNew.size());
    Check("a new file never replaces one that exists",
          taken.eResult == EWriteResult::Exists && ReadAll(platform, strFile) == vecOld);
    Check("replacing writes the new bytes", platform.ReplaceExistingFile(strFile, vecNew.data(), vecNew.size()).eResult ==
                                                    EWriteResult::Ok &&
                                                ReadAll(platform, strFile) == vecNew);
    ::CreateDirectoryA((strOut + "\\folder.mmf").c_str(), nullptr);
    Check("a folder refuses to be replaced",
          platform.ReplaceExistingFile(strOut + "\\folder.mmf", vecNew.data(), vecNew.size()).eResult ==
              EWriteResult::OpenFailed);
    const WriteOutcome missing = platform.WriteNewFile(strRoot + "\\none\\b.mmf", vecNew.data(), vecNew.size());
    Check("a missing folder is an open failure with its system error",
          missing.eResult == EWriteResult::OpenFailed && missing.nSystemError == ERROR_PATH_NOT_FOUND &&
              !platform.SystemErrorText(missing.nSystemError).empty());
    Check("no temporary file is left behind", NoTemporaryFilesIn(strOut));

    // --- identity --------------------------------------------------------------
    platform.WriteNewFile(strOut + "\\b.mmf", vecOld.data(), vecOld.size());
    Check("the same file however it is spelt", platform.IsSameFile(strFile, LowerWithSlashes(strFile)));
    Check("two files are not the same", !platform.IsSameFile(strFile, strOut + "\\b.mmf"));
    Check("path keys ignore case and slashes", platform.PathKey(strFile) == platform.PathKey(LowerWithSlashes(strFile)));
    const std::string strIdentity = platform.FolderIdentity(strOut);
    Check("a folder has one identity however it is spelt",
          !strIdentity.empty() && strIdentity == platform.FolderIdentity(LowerWithSlashes(strOut) + "/"));
    Check("two folders have two identities", strIdentity != platform.FolderIdentity(strRoot));
    std::printf("folder identity form: %s\n", strIdentity.rfind("id:", 0) == 0 ? "128-bit file ID" : "file index");

    // --- an output that is the input (refused before it is read) -----------------
    const std::vector<std::uint8_t> vecSong = {'M', 'M', 'M', 'D'};
    platform.ReplaceExistingFile(strRoot + "\\Song.mmf", vecSong.data(), vecSong.size());
    g_nOverwriteMode.store(kOverwriteAll);
    FileItem item{strRoot + "\\Song.mmf", 0, {}, {}};
    const int nCode = ConvertFileItem(platform, item, LowerWithSlashes(strRoot));
    Check("an output that is the input itself is refused",
          nCode == -2 && item.strResult == "NG: Output file open error." &&
              item.strDetail == "the output would overwrite the input itself" &&
              ReadAll(platform, strRoot + "\\Song.mmf") == vecSong);
    g_strAppDir = strRoot;
    CollectDroppedFiles(platform, {strRoot + "\\Song.mmf"});
    g_strOutputRoot = LowerWithSlashes(strRoot);
    CSilentObserver observer;
    RunBatch(platform, observer);
    Check("a run refuses outputs on its inputs, whatever the spelling",
          observer.m_vecResults == std::vector<std::string>{"NG: Output file open error."} &&
              ReadAll(platform, strRoot + "\\Song.mmf") == vecSong);

    // --- texts from the resources ------------------------------------------------
    Check("the notice tail comes from string 102",
          platform.PromptText(EPromptText::NoAccessTail) == "\r\nCheck notice 102. ");
    Check("the question tail comes from string 103",
          platform.PromptText(EPromptText::OverwriteTail) == " check question 103 ?");

    std::printf("%d failed\n", g_nFailed);
    return g_nFailed == 0 ? 0 : 1;
}
