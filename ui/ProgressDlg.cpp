#include "ProgressDlg.h"

#include <shellapi.h>

#include "BatchState.h"
#include "BatchTexts.h"
#include "PrivateMessages.h"
#include "Resource.h"
#include "WindowLayout.h"

CProgressDlg::CProgressDlg() : CDialog(IDD_PROGRESS) {
    MapMessage(WM_PROGRESS_BUTTON, [this](WPARAM, LPARAM, LRESULT& nResult) {
        nResult = OnUpdateButton();
        return true;
    });
    MapMessage(WM_PROGRESS_INIT, [this](WPARAM, LPARAM, LRESULT& nResult) {
        nResult = OnProgressInit();
        return true;
    });
    MapMessage(WM_PROGRESS_STEP, [this](WPARAM wParam, LPARAM, LRESULT& nResult) {
        nResult = OnProgressStep(wParam);
        return true;
    });
    MapCommand(IDOK, [this] { OnStop(); });
}

void CProgressDlg::DoDataExchange() {
    BindControl(IDC_PROGRESS_BAR, m_progress);
    BindControl(IDC_TOTAL_FILES, m_staticTotal);
    BindControl(IDC_CONVERT_FILES, m_staticConvert);
    BindControl(IDC_ERROR_FILES, m_staticError);
    BindControl(IDOK, m_btnStop);
}

void CProgressDlg::SetCounts(int nConverted, int nErrors, int nTotal) {
    m_staticTotal.SetWindowText(FormatTotalText(nConverted + nErrors, nTotal).c_str());
    m_staticConvert.SetWindowText(FormatConvertText(nConverted).c_str());
    m_staticError.SetWindowText(FormatErrorText(nErrors).c_str());
}

LRESULT CProgressDlg::OnUpdateButton() {
    m_btnStop.SetWindowText(ProgressButtonCaption(g_bConverting.load()));
    return 0;
}

LRESULT CProgressDlg::OnProgressInit() {
    // The list is not resized while a run is active, so its size is stable.
    m_progress.SetRange32(0, static_cast<int>(g_vecFileItems.size()));
    m_progress.SetPos(0);
    return 0;
}

LRESULT CProgressDlg::OnProgressStep(WPARAM wParam) {
    m_progress.SetPos(static_cast<int>(wParam) + 1);
    return 0;
}

void CProgressDlg::OnStop() {
    int nRunning = 1;
    if (g_bConverting.compare_exchange_strong(nRunning, 0)) {
        // The stop request: the worker sees it before the next entry and
        // turns the caption into "Ok" when it has wound down.
        return;
    }
    ShowWindow(SW_HIDE);
    HWND hOwner = GetParent();
    if (hOwner != nullptr) {
        ::DragAcceptFiles(hOwner, TRUE);
    }
}
