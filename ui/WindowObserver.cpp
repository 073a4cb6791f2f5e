#include "WindowObserver.h"

#include "BatchTexts.h"
#include "LarkWrentoHeronDlg.h"
#include "PrivateMessages.h"

void CWindowObserver::OnProgressInit(int /*nTotal*/) {
    // StartConvert posted WM_PROGRESS_INIT before the worker started.
}

void CWindowObserver::OnProgressButton(bool bConverting) {
    // The "Stop" caption was requested by StartConvert; the worker posts only
    // the end-of-run change to "Ok".
    if (!bConverting) {
        m_dlgMain.ProgressDlg().PostMessage(WM_PROGRESS_BUTTON, 0, 0);
    }
}

void CWindowObserver::OnProgressStep(int nIndex) {
    m_dlgMain.ProgressDlg().PostMessage(WM_PROGRESS_STEP, static_cast<WPARAM>(nIndex), 0);
}

void CWindowObserver::OnRow(const std::string& strFileName, const std::string& strResult,
                            const std::string& strPath, const std::string& /*strDetail*/) {
    CListView& listFiles = m_dlgMain.FileList();
    const int nRow = listFiles.GetItemCount();
    listFiles.InsertItem(nRow, strFileName.c_str());
    listFiles.SetItemText(nRow, 1, strResult.c_str());
    listFiles.SetItemText(nRow, 2, strPath.c_str());
}

void CWindowObserver::OnCounts(int nConverted, int nErrors, int nTotal) {
    m_dlgMain.ProgressDlg().SetCounts(nConverted, nErrors, nTotal);
}

void CWindowObserver::OnControlsEnable(bool bEnable) {
    m_dlgMain.PostMessage(WM_CONTROLS_ENABLE, bEnable ? 1 : 0, 0);
}

void CWindowObserver::OnFinished() {
    // The box belongs to the progress window, which it disables; the main
    // window is disabled by hand so that it cannot be closed meanwhile.
    m_dlgMain.EnableWindow(FALSE);
    ::MessageBoxA(m_dlgMain.ProgressDlg().GetSafeHwnd(), kTextFinished, kTextFinishedCaption,
                  MB_OK | MB_ICONINFORMATION);
    m_dlgMain.EnableWindow(TRUE);
}
