#include "LarkWrentoHeronApp.h"

#include <commctrl.h>

#include "LarkWrentoHeronDlg.h"

namespace {
constexpr char kMutexName[] = "Kestrel";
}  // namespace

BOOL CLarkWrentoHeronApp::InitInstance() {
    INITCOMMONCONTROLSEX controls{};
    controls.dwSize = sizeof(controls);
    controls.dwICC = 0xFF;  // the eight basic classes, list view and progress bar among them
    ::InitCommonControlsEx(&controls);

    CWinApp::InitInstance();

    m_hMutex = ::CreateMutexA(nullptr, FALSE, kMutexName);
    if (::GetLastError() == ERROR_ALREADY_EXISTS) {
        // Another copy runs: end silently.
        ::CloseHandle(m_hMutex);
        m_hMutex = nullptr;
        return FALSE;
    }

    CLarkWrentoHeronDlg dlgMain;
    m_pMainWnd = &dlgMain;
    dlgMain.DoModal();
    m_pMainWnd = nullptr;
    return FALSE;
}
