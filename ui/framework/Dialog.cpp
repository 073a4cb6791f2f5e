#include "Dialog.h"

namespace {
// Window property that links a dialog window to its CDialog.
constexpr char kDialogProperty[] = "KestrelDialogObject";

// Messages whose result a dialog procedure returns directly instead of
// through DWLP_MSGRESULT.
bool ReturnsResultDirectly(UINT nMsg) {
    switch (nMsg) {
    case WM_CHARTOITEM:
    case WM_COMPAREITEM:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORDLG:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLORSCROLLBAR:
    case WM_CTLCOLORSTATIC:
    case WM_INITDIALOG:
    case WM_QUERYDRAGICON:
    case WM_VKEYTOITEM:
        return true;
    default:
        return false;
    }
}
}  // namespace

CDialog::CDialog(UINT nIDTemplate) : m_nIDTemplate(nIDTemplate) {}

CDialog::~CDialog() {
    DestroyWindow();
}

BOOL CDialog::Create(HWND hOwner) {
    HWND hWnd = ::CreateDialogParamA(::GetModuleHandleA(nullptr), MAKEINTRESOURCEA(m_nIDTemplate), hOwner,
                                     &CDialog::DialogProc, reinterpret_cast<LPARAM>(this));
    return hWnd != nullptr;
}

BOOL CDialog::DestroyWindow() {
    if (m_hWnd == nullptr) {
        return FALSE;
    }
    return ::DestroyWindow(m_hWnd);
}

BOOL CDialog::PreTranslateMessage(MSG* pMsg) {
    return ::IsDialogMessageA(m_hWnd, pMsg);
}

void CDialog::EndDialog(int nResult) {
    m_nModalResult = nResult;
    ShowWindow(SW_HIDE);
}

BOOL CDialog::RoutePreTranslate(MSG* pMsg) {
    if (pMsg->hwnd == nullptr) {
        return FALSE;
    }
    HWND hRoot = ::GetAncestor(pMsg->hwnd, GA_ROOT);
    auto* pDialog = static_cast<CDialog*>(::GetPropA(hRoot, kDialogProperty));
    return pDialog != nullptr && pDialog->PreTranslateMessage(pMsg);
}

void CDialog::MapMessage(UINT nMsg, MessageHandler handler) {
    m_mapMessages[nMsg] = std::move(handler);
}

void CDialog::MapCommand(UINT nId, CommandHandler handler) {
    m_mapCommands[nId] = std::move(handler);
}

void CDialog::BindControl(int nId, CWnd& control) {
    control.Attach(::GetDlgItem(m_hWnd, nId));
}

BOOL CDialog::OnInitDialog() {
    return TRUE;
}

void CDialog::OnOK() {
    EndDialog(IDOK);
}

void CDialog::OnCancel() {
    EndDialog(IDCANCEL);
}

INT_PTR CALLBACK CDialog::DialogProc(HWND hWnd, UINT nMsg, WPARAM wParam, LPARAM lParam) {
    CDialog* pDialog = nullptr;
    if (nMsg == WM_INITDIALOG) {
        pDialog = reinterpret_cast<CDialog*>(lParam);
        pDialog->m_hWnd = hWnd;
        ::SetPropA(hWnd, kDialogProperty, pDialog);
    } else {
        pDialog = static_cast<CDialog*>(::GetPropA(hWnd, kDialogProperty));
    }
    if (pDialog == nullptr) {
        return FALSE;
    }
    if (nMsg == WM_NCDESTROY) {
        ::RemovePropA(hWnd, kDialogProperty);
        pDialog->m_hWnd = nullptr;
        return FALSE;
    }
    return pDialog->Dispatch(nMsg, wParam, lParam);
}

INT_PTR CDialog::Dispatch(UINT nMsg, WPARAM wParam, LPARAM lParam) {
    if (nMsg == WM_INITDIALOG) {
        DoDataExchange();
        return OnInitDialog();
    }
    if (nMsg == WM_COMMAND) {
        return DispatchCommand(wParam) ? TRUE : FALSE;
    }
    auto it = m_mapMessages.find(nMsg);
    if (it == m_mapMessages.end()) {
        return FALSE;
    }
    LRESULT nResult = 0;
    if (!it->second(wParam, lParam, nResult)) {
        return FALSE;
    }
    if (ReturnsResultDirectly(nMsg)) {
        return static_cast<INT_PTR>(nResult);
    }
    ::SetWindowLongPtrA(m_hWnd, DWLP_MSGRESULT, nResult);
    return TRUE;
}

bool CDialog::DispatchCommand(WPARAM wParam) {
    const UINT nId = LOWORD(wParam);
    auto it = m_mapCommands.find(nId);
    if (it != m_mapCommands.end()) {
        it->second();
        return true;
    }
    if (nId == IDOK) {
        OnOK();
        return true;
    }
    if (nId == IDCANCEL) {
        OnCancel();
        return true;
    }
    return false;
}

INT_PTR CModalDialog::DoModal(HWND hOwner) {
    m_bEndModal = false;
    m_nModalResult = -1;
    if (!Create(hOwner)) {
        return -1;
    }
    const bool bOwnerWasEnabled = hOwner != nullptr && ::IsWindowEnabled(hOwner);
    if (bOwnerWasEnabled) {
        ::EnableWindow(hOwner, FALSE);
    }
    ShowWindow(SW_SHOW);
    MSG msg{};
    while (!m_bEndModal && m_hWnd != nullptr) {
        const BOOL bGot = ::GetMessageA(&msg, nullptr, 0, 0);
        if (bGot == -1) {
            break;
        }
        if (bGot == 0) {
            // WM_QUIT belongs to the outer loop: leave and hand it on.
            ::PostQuitMessage(static_cast<int>(msg.wParam));
            break;
        }
        if (!RoutePreTranslate(&msg)) {
            ::TranslateMessage(&msg);
            ::DispatchMessageA(&msg);
        }
    }
    if (bOwnerWasEnabled) {
        // Re-enable the owner before the dialog goes, so activation returns to it.
        ::EnableWindow(hOwner, TRUE);
        ::SetActiveWindow(hOwner);
    }
    DestroyWindow();
    return m_nModalResult;
}

void CModalDialog::EndDialog(int nResult) {
    m_nModalResult = nResult;
    m_bEndModal = true;
    // Wakes the modal loop even when no other message is pending.
    ::PostMessageA(m_hWnd, WM_NULL, 0, 0);
}
