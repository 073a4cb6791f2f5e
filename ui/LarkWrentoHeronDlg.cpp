#include "LarkWrentoHeronDlg.h"

#include <shellapi.h>

#include <string>
#include <vector>

#include "AboutDlg.h"
#include "BatchState.h"
#include "InputCollection.h"
#include "PathText.h"
#include "PrivateMessages.h"
#include "Resource.h"
#include "WindowLayout.h"

namespace {
constexpr DWORD kListExtendedStyles = LVS_EX_GRIDLINES | LVS_EX_HEADERDRAGDROP | LVS_EX_FULLROWSELECT;
static_assert(kListExtendedStyles == 0x31);

// Every path of a drop, in drop order.
std::vector<std::string> QueryDroppedPaths(HDROP hDrop) {
    std::vector<std::string> vecPaths;
    const UINT nCount = ::DragQueryFileA(hDrop, 0xFFFFFFFF, nullptr, 0);
    for (UINT k = 0; k < nCount; ++k) {
        const UINT nLength = ::DragQueryFileA(hDrop, k, nullptr, 0);
        std::vector<char> vecBuffer(nLength + 1, '\0');
        ::DragQueryFileA(hDrop, k, vecBuffer.data(), nLength + 1);
        vecPaths.emplace_back(vecBuffer.data());
    }
    return vecPaths;
}
}  // namespace

CLarkWrentoHeronDlg::CLarkWrentoHeronDlg()
    : CModalDialog(IDD_MAIN_DIALOG),
      m_hIcon(::LoadIconA(::GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDI_APP_ICON))),
      m_observer(*this) {
    MapMessage(WM_SYSCOMMAND, [this](WPARAM wParam, LPARAM, LRESULT&) { return OnSysCommand(wParam); });
    MapMessage(WM_PAINT, [this](WPARAM, LPARAM, LRESULT&) { return OnPaint(); });
    MapMessage(WM_QUERYDRAGICON, [this](WPARAM, LPARAM, LRESULT& nResult) {
        nResult = reinterpret_cast<LRESULT>(m_hIcon);
        return true;
    });
    MapMessage(WM_DROPFILES, [this](WPARAM wParam, LPARAM, LRESULT&) {
        OnDropFiles(reinterpret_cast<HDROP>(wParam));
        return false;
    });
    MapMessage(WM_DESTROY, [this](WPARAM, LPARAM, LRESULT&) {
        OnDestroy();
        return false;
    });
    MapMessage(WM_CONTROLS_ENABLE, [this](WPARAM wParam, LPARAM, LRESULT& nResult) {
        EnableControls(static_cast<BOOL>(wParam));
        nResult = 0;
        return true;
    });
    MapMessage(WM_SIZE, [this](WPARAM, LPARAM, LRESULT&) {
        OnSize();
        return false;
    });
    MapMessage(WM_GETMINMAXINFO, [this](WPARAM, LPARAM lParam, LRESULT&) {
        OnGetMinMaxInfo(reinterpret_cast<MINMAXINFO*>(lParam));
        return false;
    });
}

CLarkWrentoHeronDlg::~CLarkWrentoHeronDlg() {
    delete m_pThread;
}

void CLarkWrentoHeronDlg::DoDataExchange() {
    BindControl(IDC_FILE_LIST, m_listFiles);
    BindControl(IDOK, m_btnClose);
    BindControl(IDC_DROP_HINT, m_staticDrop);
}

BOOL CLarkWrentoHeronDlg::OnInitDialog() {
    CModalDialog::OnInitDialog();

    HMENU hSysMenu = GetSystemMenu(FALSE);
    if (hSysMenu != nullptr) {
        char szAboutMenu[128] = {};
        ::LoadStringA(::GetModuleHandleA(nullptr), IDS_ABOUT_MENU, szAboutMenu, sizeof(szAboutMenu));
        if (szAboutMenu[0] != '\0') {
            ::AppendMenuA(hSysMenu, MF_SEPARATOR, 0, nullptr);
            ::AppendMenuA(hSysMenu, MF_STRING, IDM_ABOUT, szAboutMenu);
        }
    }

    SendMessage(WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(m_hIcon));
    SendMessage(WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(m_hIcon));

    m_listFiles.SetExtendedStyle(m_listFiles.GetExtendedStyle() | kListExtendedStyles);
    m_listFiles.InsertColumn(0, "File name", LVCFMT_LEFT, 130);
    m_listFiles.InsertColumn(1, "Result", LVCFMT_LEFT, 180);
    m_listFiles.InsertColumn(2, "Input file path", LVCFMT_LEFT, 230);

    m_dlgProgress.Create(m_hWnd);

    // Questions and notices of the batch belong to this window.
    m_platform.SetOwnerWindow(m_hWnd);

    g_bConverting.store(0);
    char szModule[MAX_PATH] = {};
    ::GetModuleFileNameA(nullptr, szModule, MAX_PATH);
    g_strAppDir = FolderOf(m_platform, szModule);
    m_pThread = nullptr;

    SendMessage(WM_SIZE, 0, 0);
    return TRUE;
}

BOOL CLarkWrentoHeronDlg::PreTranslateMessage(MSG* pMsg) {
    // Enter never presses the default Close button.
    if (pMsg->message == WM_KEYDOWN && pMsg->wParam == VK_RETURN) {
        return TRUE;
    }
    return CModalDialog::PreTranslateMessage(pMsg);
}

bool CLarkWrentoHeronDlg::IsWorkerRunning() const {
    return m_pThread != nullptr && ::WaitForSingleObject(m_pThread->GetHandle(), 0) == WAIT_TIMEOUT;
}

void CLarkWrentoHeronDlg::OnOK() {
    // The Close button. It is disabled during a run; the check covers the
    // moment between its re-enabling and the end of the worker.
    if (!IsWorkerRunning()) {
        CModalDialog::OnOK();
    }
}

void CLarkWrentoHeronDlg::OnCancel() {
    // Escape, the close box and the system menu's Close: only when idle.
    if (g_bConverting.load() == 0 && m_btnClose.IsWindowEnabled() && !IsWorkerRunning()) {
        CModalDialog::OnCancel();
    }
}

bool CLarkWrentoHeronDlg::OnSysCommand(WPARAM nID) {
    if ((nID & 0xFFF0) == IDM_ABOUT) {
        CAboutDlg dlgAbout;
        dlgAbout.DoModal(m_hWnd);
        return true;
    }
    return false;
}

bool CLarkWrentoHeronDlg::OnPaint() {
    if (!IsIconic()) {
        return false;
    }
    PAINTSTRUCT paint{};
    HDC hDC = ::BeginPaint(m_hWnd, &paint);
    SendMessage(WM_ICONERASEBKGND, reinterpret_cast<WPARAM>(hDC), 0);
    const int nIconWidth = ::GetSystemMetrics(SM_CXICON);
    const int nIconHeight = ::GetSystemMetrics(SM_CYICON);
    RECT rcClient{};
    GetClientRect(&rcClient);
    const int x = (rcClient.right - rcClient.left - nIconWidth + 1) / 2;
    const int y = (rcClient.bottom - rcClient.top - nIconHeight + 1) / 2;
    ::DrawIcon(hDC, x, y, m_hIcon);
    ::EndPaint(m_hWnd, &paint);
    return true;
}

void CLarkWrentoHeronDlg::OnDropFiles(HDROP hDrop) {
    const bool bIdle =
        g_bConverting.load() == 0 && m_btnClose.IsWindowEnabled() && !m_dlgProgress.IsWindowVisible();
    if (bIdle) {
        const std::vector<std::string> vecPaths = QueryDroppedPaths(hDrop);
        m_listFiles.DeleteAllItems();
        ::DragAcceptFiles(m_hWnd, FALSE);
        CollectDroppedFiles(m_platform, vecPaths);
        StartConvert();
    }
    // The drop's memory is ours to free, accepted or not.
    ::DragFinish(hDrop);
}

void CLarkWrentoHeronDlg::EnableControls(BOOL bEnable) {
    HMENU hSysMenu = GetSystemMenu(FALSE);
    if (hSysMenu != nullptr) {
        ::EnableMenuItem(hSysMenu, SC_CLOSE, MF_BYCOMMAND | (bEnable ? MF_ENABLED : MF_GRAYED));
    }
    m_listFiles.Invalidate(FALSE);
    m_listFiles.UpdateWindow();
    m_btnClose.EnableWindow(bEnable);
    m_staticDrop.EnableWindow(bEnable);
}

void CLarkWrentoHeronDlg::OnDestroy() {
    delete m_pThread;
    m_pThread = nullptr;
    m_dlgProgress.DestroyWindow();
}

void CLarkWrentoHeronDlg::OnSize() {
    if (m_listFiles.GetSafeHwnd() == nullptr) {
        return;
    }
    RECT rcClient{};
    GetClientRect(&rcClient);
    const ListPlacement place = PlaceFileList(rcClient.right, rcClient.bottom);
    m_listFiles.MoveWindow(place.nLeft, place.nTop, place.nWidth, place.nHeight, TRUE);
}

void CLarkWrentoHeronDlg::OnGetMinMaxInfo(MINMAXINFO* pInfo) {
    pInfo->ptMinTrackSize.x = kMinTrackWidth;
    pInfo->ptMinTrackSize.y = kMinTrackHeight;
}
