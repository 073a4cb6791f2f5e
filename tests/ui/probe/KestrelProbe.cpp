// Test-only window reader and remote control for Kestrel.exe, run under the
// same Wine as the program. It finds Kestrel's windows by class and caption,
// reads their texts (list-view rows through memory of the Kestrel process),
// presses buttons and resizes the main window. Output is UTF-8, one fact per
// line, so the shell test can compare it whatever the ANSI code page is.
#include <windows.h>
#include <commctrl.h>
#include <shellapi.h>

#include <cstdio>
#include <cstdlib>
#include <cwchar>
#include <string>
#include <vector>

namespace {

constexpr int kListId = 1001;
constexpr int kProgressBarId = 1002;
constexpr int kTotalId = 1003;
constexpr int kConvertId = 1004;
constexpr int kErrorId = 1005;
constexpr int kDropHintId = 1008;
constexpr int kMessageTextId = 0xFFFF;

std::string ToUtf8(const std::wstring& strWide) {
    if (strWide.empty()) {
        return {};
    }
    const int nBytes = WideCharToMultiByte(CP_UTF8, 0, strWide.data(), static_cast<int>(strWide.size()), nullptr,
                                           0, nullptr, nullptr);
    std::string strOut(static_cast<size_t>(nBytes), '\0');
    WideCharToMultiByte(CP_UTF8, 0, strWide.data(), static_cast<int>(strWide.size()), strOut.data(), nBytes,
                        nullptr, nullptr);
    return strOut;
}

// Tabs, CR and LF are shown escaped so that each fact stays on one line.
std::string Escape(const std::string& strText) {
    std::string strOut;
    for (char ch : strText) {
        if (ch == '\t') {
            strOut += "\\t";
        } else if (ch == '\r') {
            strOut += "\\r";
        } else if (ch == '\n') {
            strOut += "\\n";
        } else {
            strOut += ch;
        }
    }
    return strOut;
}

std::wstring WindowText(HWND hWnd) {
    wchar_t szText[1024] = {};
    DWORD_PTR nResult = 0;
    SendMessageTimeoutW(hWnd, WM_GETTEXT, 1024, reinterpret_cast<LPARAM>(szText), SMTO_ABORTIFHUNG, 5000,
                        &nResult);
    return szText;
}

std::wstring ClassName(HWND hWnd) {
    wchar_t szClass[256] = {};
    GetClassNameW(hWnd, szClass, 256);
    return szClass;
}

struct FindRequest {
    std::wstring strCaption;  // empty: any caption
    int nRequiredChild;       // 0: none
    std::wstring strChildText;
    std::vector<HWND> vecFound;
};

BOOL CALLBACK CollectWindow(HWND hWnd, LPARAM lParam) {
    auto* pRequest = reinterpret_cast<FindRequest*>(lParam);
    if (ClassName(hWnd) != L"#32770") {
        return TRUE;
    }
    if (!pRequest->strCaption.empty() && WindowText(hWnd) != pRequest->strCaption) {
        return TRUE;
    }
    if (pRequest->nRequiredChild != 0) {
        HWND hChild = GetDlgItem(hWnd, pRequest->nRequiredChild);
        if (hChild == nullptr) {
            return TRUE;
        }
        if (!pRequest->strChildText.empty() &&
            WindowText(hChild).find(pRequest->strChildText) == std::wstring::npos) {
            return TRUE;
        }
    }
    pRequest->vecFound.push_back(hWnd);
    return TRUE;
}

std::vector<HWND> FindDialogs(const std::wstring& strCaption, int nRequiredChild,
                              const std::wstring& strChildText = L"") {
    FindRequest request{strCaption, nRequiredChild, strChildText, {}};
    EnumWindows(&CollectWindow, reinterpret_cast<LPARAM>(&request));
    return request.vecFound;
}

HWND FindMain() {
    auto vec = FindDialogs(L"Kestrel", kListId);
    return vec.empty() ? nullptr : vec.front();
}

HWND FindProgress() {
    auto vec = FindDialogs(L"Progress", kProgressBarId);
    return vec.empty() ? nullptr : vec.front();
}

// A message box: a dialog whose text control holds strText.
HWND FindBox(const std::wstring& strText) {
    auto vec = FindDialogs(L"", kMessageTextId, strText);
    for (HWND h : vec) {
        if (IsWindowVisible(h)) {
            return h;
        }
    }
    return nullptr;
}

std::wstring FromUtf8(const char* psz) {
    const int n = MultiByteToWideChar(CP_UTF8, 0, psz, -1, nullptr, 0);
    std::wstring str(static_cast<size_t>(n), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, psz, -1, str.data(), n);
    str.resize(static_cast<size_t>(n > 0 ? n - 1 : 0));
    return str;
}

// Reads list-view cells through a buffer allocated in the Kestrel process:
// the list view writes the text into its own address space.
class CRemoteListReader {
public:
    explicit CRemoteListReader(HWND hList) : m_hList(hList) {
        DWORD dwPid = 0;
        GetWindowThreadProcessId(hList, &dwPid);
        m_hProcess = OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, dwPid);
        if (m_hProcess != nullptr) {
            m_pRemote = VirtualAllocEx(m_hProcess, nullptr, kBlockSize, MEM_COMMIT, PAGE_READWRITE);
        }
    }
    ~CRemoteListReader() {
        if (m_pRemote != nullptr) {
            VirtualFreeEx(m_hProcess, m_pRemote, 0, MEM_RELEASE);
        }
        if (m_hProcess != nullptr) {
            CloseHandle(m_hProcess);
        }
    }
    bool Ok() const { return m_pRemote != nullptr; }

    std::wstring Cell(int nRow, int nColumn) {
        auto* pRemoteText = static_cast<char*>(m_pRemote) + sizeof(LVITEMW);
        LVITEMW item{};
        item.iSubItem = nColumn;
        item.cchTextMax = kTextChars;
        item.pszText = reinterpret_cast<LPWSTR>(pRemoteText);
        SIZE_T nDone = 0;
        WriteProcessMemory(m_hProcess, m_pRemote, &item, sizeof(item), &nDone);
        const LRESULT nLength = SendMessageW(m_hList, LVM_GETITEMTEXTW, nRow, reinterpret_cast<LPARAM>(m_pRemote));
        std::wstring strText(static_cast<size_t>(kTextChars), L'\0');
        ReadProcessMemory(m_hProcess, pRemoteText, strText.data(), kTextChars * sizeof(wchar_t), &nDone);
        strText.resize(static_cast<size_t>(nLength < 0 ? 0 : nLength));
        return strText;
    }

private:
    static constexpr int kTextChars = 1024;
    static constexpr SIZE_T kBlockSize = sizeof(LVITEMW) + kTextChars * sizeof(wchar_t);
    HWND m_hList;
    HANDLE m_hProcess = nullptr;
    void* m_pRemote = nullptr;
};

void PrintLine(const std::string& strKey, const std::string& strValue) {
    std::printf("%s=%s\n", strKey.c_str(), Escape(strValue).c_str());
}

int Fail(const char* pszWhat) {
    std::printf("error=%s\n", pszWhat);
    return 2;
}

template <typename Finder>
HWND WaitFor(Finder finder, int nTimeoutMs) {
    const DWORD dwStart = GetTickCount();
    for (;;) {
        HWND h = finder();
        if (h != nullptr || static_cast<int>(GetTickCount() - dwStart) >= nTimeoutMs) {
            return h;
        }
        Sleep(50);
    }
}

bool Click(HWND hDialog, int nButtonId) {
    HWND hButton = GetDlgItem(hDialog, nButtonId);
    if (hButton == nullptr) {
        return false;
    }
    // Posted, so that a modal loop started by the click cannot block us.
    PostMessageW(hButton, BM_CLICK, 0, 0);
    return true;
}

void PrintRect(const char* pszKey, const RECT& rc) {
    std::printf("%s=%ld %ld %ld %ld\n", pszKey, rc.left, rc.top, rc.right - rc.left, rc.bottom - rc.top);
}

int CmdRows(HWND hMain) {
    HWND hList = GetDlgItem(hMain, kListId);
    CRemoteListReader reader(hList);
    if (!reader.Ok()) {
        return Fail("cannot open the Kestrel process");
    }
    const int nRows = static_cast<int>(SendMessageW(hList, LVM_GETITEMCOUNT, 0, 0));
    std::printf("rows=%d\n", nRows);
    for (int nRow = 0; nRow < nRows; ++nRow) {
        std::printf("row%d=%s|%s|%s\n", nRow, Escape(ToUtf8(reader.Cell(nRow, 0))).c_str(),
                    Escape(ToUtf8(reader.Cell(nRow, 1))).c_str(), Escape(ToUtf8(reader.Cell(nRow, 2))).c_str());
    }
    return 0;
}

int CmdProgress(HWND hProgress) {
    PrintLine("visible", IsWindowVisible(hProgress) ? "1" : "0");
    PrintLine("enabled", IsWindowEnabled(hProgress) ? "1" : "0");
    PrintLine("button", ToUtf8(WindowText(GetDlgItem(hProgress, IDOK))));
    PrintLine("total", ToUtf8(WindowText(GetDlgItem(hProgress, kTotalId))));
    PrintLine("convert", ToUtf8(WindowText(GetDlgItem(hProgress, kConvertId))));
    PrintLine("error", ToUtf8(WindowText(GetDlgItem(hProgress, kErrorId))));
    HWND hBar = GetDlgItem(hProgress, kProgressBarId);
    std::printf("pos=%d\n", static_cast<int>(SendMessageW(hBar, PBM_GETPOS, 0, 0)));
    std::printf("range=%d %d\n", static_cast<int>(SendMessageW(hBar, PBM_GETRANGE, TRUE, 0)),
                static_cast<int>(SendMessageW(hBar, PBM_GETRANGE, FALSE, 0)));
    RECT rc{};
    GetWindowRect(hProgress, &rc);
    PrintRect("rect", rc);
    return 0;
}

int CmdMainState(HWND hMain) {
    PrintLine("visible", IsWindowVisible(hMain) ? "1" : "0");
    PrintLine("enabled", IsWindowEnabled(hMain) ? "1" : "0");
    PrintLine("close", IsWindowEnabled(GetDlgItem(hMain, IDOK)) ? "1" : "0");
    PrintLine("closetext", ToUtf8(WindowText(GetDlgItem(hMain, IDOK))));
    PrintLine("hint", IsWindowEnabled(GetDlgItem(hMain, kDropHintId)) ? "1" : "0");
    PrintLine("hinttext", ToUtf8(WindowText(GetDlgItem(hMain, kDropHintId))));
    const LONG_PTR nExStyle = GetWindowLongPtrW(hMain, GWL_EXSTYLE);
    PrintLine("acceptfiles", (nExStyle & WS_EX_ACCEPTFILES) ? "1" : "0");
    HWND hList = GetDlgItem(hMain, kListId);
    std::printf("lvexstyle=0x%x\n", static_cast<unsigned>(SendMessageW(hList, LVM_GETEXTENDEDLISTVIEWSTYLE, 0, 0)));
    HWND hHeader = reinterpret_cast<HWND>(SendMessageW(hList, LVM_GETHEADER, 0, 0));
    const int nColumns = static_cast<int>(SendMessageW(hHeader, HDM_GETITEMCOUNT, 0, 0));
    for (int i = 0; i < nColumns; ++i) {
        std::printf("colwidth%d=%d\n", i, static_cast<int>(SendMessageW(hList, LVM_GETCOLUMNWIDTH, i, 0)));
    }
    RECT rcWindow{};
    GetWindowRect(hMain, &rcWindow);
    PrintRect("rect", rcWindow);
    RECT rcClient{};
    GetClientRect(hMain, &rcClient);
    PrintRect("client", rcClient);
    RECT rcList{};
    GetWindowRect(hList, &rcList);
    MapWindowPoints(nullptr, hMain, reinterpret_cast<POINT*>(&rcList), 2);
    PrintRect("list", rcList);
    return 0;
}

// Reads the column headings through a remote HDITEMW.
int CmdColumns(HWND hMain) {
    HWND hList = GetDlgItem(hMain, kListId);
    HWND hHeader = reinterpret_cast<HWND>(SendMessageW(hList, LVM_GETHEADER, 0, 0));
    DWORD dwPid = 0;
    GetWindowThreadProcessId(hHeader, &dwPid);
    HANDLE hProcess = OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, dwPid);
    if (hProcess == nullptr) {
        return Fail("cannot open the Kestrel process");
    }
    constexpr int kChars = 256;
    void* pRemote = VirtualAllocEx(hProcess, nullptr, sizeof(HDITEMW) + kChars * sizeof(wchar_t), MEM_COMMIT,
                                   PAGE_READWRITE);
    auto* pRemoteText = static_cast<char*>(pRemote) + sizeof(HDITEMW);
    const int nColumns = static_cast<int>(SendMessageW(hHeader, HDM_GETITEMCOUNT, 0, 0));
    for (int i = 0; i < nColumns; ++i) {
        HDITEMW item{};
        item.mask = HDI_TEXT | HDI_FORMAT;
        item.pszText = reinterpret_cast<LPWSTR>(pRemoteText);
        item.cchTextMax = kChars;
        SIZE_T nDone = 0;
        WriteProcessMemory(hProcess, pRemote, &item, sizeof(item), &nDone);
        SendMessageW(hHeader, HDM_GETITEMW, i, reinterpret_cast<LPARAM>(pRemote));
        std::wstring strText(kChars, L'\0');
        ReadProcessMemory(hProcess, pRemoteText, strText.data(), kChars * sizeof(wchar_t), &nDone);
        strText.resize(wcslen(strText.c_str()));
        HDITEMW back{};
        ReadProcessMemory(hProcess, pRemote, &back, sizeof(back), &nDone);
        std::printf("column%d=%s|%d|fmt%d\n", i, ToUtf8(strText).c_str(),
                    static_cast<int>(SendMessageW(hList, LVM_GETCOLUMNWIDTH, i, 0)), back.fmt & HDF_JUSTIFYMASK);
    }
    VirtualFreeEx(hProcess, pRemote, 0, MEM_RELEASE);
    CloseHandle(hProcess);
    return 0;
}

int Usage() {
    std::fputs(
        "usage: KestrelProbe COMMAND [ARGS]\n"
        "  wait-main MS | wait-gone MS | main-state | columns | rows | progress\n"
        "  wait-progress-hidden MS | wait-box TEXT MS | click-box TEXT ID | press-progress\n"
        "  resize W H | key VK | close | syscommand ID | count-main | wait-dialog CAPTION MS\n"
        "  click-dialog CAPTION ID\n",
        stderr);
    return 2;
}

}  // namespace

int main() {
    int nArgs = 0;
    LPWSTR* ppArgs = CommandLineToArgvW(GetCommandLineW(), &nArgs);
    std::vector<std::string> vecArgs;
    for (int i = 0; i < nArgs; ++i) {
        vecArgs.push_back(ToUtf8(ppArgs[i]));
    }
    LocalFree(ppArgs);
    if (vecArgs.size() < 2) {
        return Usage();
    }
    const std::string& strCmd = vecArgs[1];
    auto Arg = [&](size_t n) -> const char* { return n < vecArgs.size() ? vecArgs[n].c_str() : ""; };
    auto IntArg = [&](size_t n) { return std::atoi(Arg(n)); };

    if (strCmd == "wait-main") {
        HWND h = WaitFor([] {
            HWND hMain = FindMain();
            return hMain != nullptr && IsWindowVisible(hMain) ? hMain : nullptr;
        }, IntArg(2));
        return h != nullptr ? 0 : Fail("no main window");
    }
    if (strCmd == "wait-gone") {
        HWND h = WaitFor([] { return FindMain() == nullptr ? reinterpret_cast<HWND>(1) : nullptr; }, IntArg(2));
        return h != nullptr ? 0 : Fail("main window still there");
    }
    if (strCmd == "count-main") {
        std::printf("count=%d\n", static_cast<int>(FindDialogs(L"Kestrel", kListId).size()));
        return 0;
    }
    if (strCmd == "wait-box") {
        const std::wstring strText = FromUtf8(Arg(2));
        HWND h = WaitFor([&] { return FindBox(strText); }, IntArg(3));
        if (h == nullptr) {
            return Fail("no such message box");
        }
        PrintLine("caption", ToUtf8(WindowText(h)));
        PrintLine("text", ToUtf8(WindowText(GetDlgItem(h, kMessageTextId))));
        HWND hOwner = GetWindow(h, GW_OWNER);
        PrintLine("owner", hOwner == nullptr ? "" : ToUtf8(WindowText(hOwner)));
        for (int nId : {IDOK, IDCANCEL, IDYES, IDNO}) {
            if (GetDlgItem(h, nId) != nullptr) {
                std::printf("button%d=%s\n", nId, ToUtf8(WindowText(GetDlgItem(h, nId))).c_str());
            }
        }
        return 0;
    }
    if (strCmd == "click-box") {
        HWND h = FindBox(FromUtf8(Arg(2)));
        return h != nullptr && Click(h, IntArg(3)) ? 0 : Fail("no such box or button");
    }
    if (strCmd == "wait-dialog" || strCmd == "click-dialog") {
        const std::wstring strCaption = FromUtf8(Arg(2));
        HWND h = WaitFor([&] {
            for (HWND hDlg : FindDialogs(strCaption, 0)) {
                if (IsWindowVisible(hDlg)) {
                    return hDlg;
                }
            }
            return static_cast<HWND>(nullptr);
        }, strCmd == "wait-dialog" ? IntArg(3) : 0);
        if (h == nullptr) {
            return Fail("no such dialog");
        }
        if (strCmd == "click-dialog") {
            return Click(h, IntArg(3)) ? 0 : Fail("no such button");
        }
        return 0;
    }

    HWND hMain = FindMain();
    if (hMain == nullptr) {
        return Fail("no main window");
    }
    if (strCmd == "main-state") {
        return CmdMainState(hMain);
    }
    if (strCmd == "columns") {
        return CmdColumns(hMain);
    }
    if (strCmd == "rows") {
        return CmdRows(hMain);
    }
    if (strCmd == "resize") {
        SetWindowPos(hMain, nullptr, 0, 0, IntArg(2), IntArg(3), SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
        return CmdMainState(hMain);
    }
    if (strCmd == "key") {
        // Posted to the focused place of the dialog, the list view, as the
        // keyboard would deliver it.
        HWND hTarget = GetDlgItem(hMain, kListId);
        const WPARAM nVk = static_cast<WPARAM>(IntArg(2));
        PostMessageW(hTarget, WM_KEYDOWN, nVk, 1);
        PostMessageW(hTarget, WM_KEYUP, nVk, static_cast<LPARAM>(0xC0000001u));
        return 0;
    }
    if (strCmd == "close") {
        PostMessageW(hMain, WM_CLOSE, 0, 0);
        return 0;
    }
    if (strCmd == "syscommand") {
        PostMessageW(hMain, WM_SYSCOMMAND, static_cast<WPARAM>(std::strtol(Arg(2), nullptr, 0)), 0);
        return 0;
    }

    HWND hProgress = FindProgress();
    if (hProgress == nullptr) {
        return Fail("no progress window");
    }
    if (strCmd == "progress") {
        return CmdProgress(hProgress);
    }
    if (strCmd == "wait-progress-hidden") {
        HWND h = WaitFor([&] { return IsWindowVisible(hProgress) ? nullptr : hProgress; }, IntArg(2));
        return h != nullptr ? 0 : Fail("progress window still visible");
    }
    if (strCmd == "press-progress") {
        return Click(hProgress, IDOK) ? 0 : Fail("no progress button");
    }
    return Usage();
}
