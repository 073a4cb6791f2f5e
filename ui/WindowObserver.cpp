#include "WindowObserver.h"

#include "BatchTexts.h"
#include "LarkWrentoHeronDlg.h"
#include "PrivateMessages.h"

void CWindowObserver::OnRunStarted(int /*nTotal*/) {
    // StartConvert posted WM_PROGRESS_INIT and the "Stop" caption before the
    // worker started.
}

void CWindowObserver::OnEntryStarted(int nIndex) {
    m_dlgMain.ProgressDlg().PostMessage(WM_PROGRESS_STEP, static_cast<WPARAM>(nIndex), 0);
}

void CWindowObserver::OnRow(const ResultRow& row) {
    CListView& listFiles = m_dlgMain.FileList();
    const int nRow = listFiles.GetItemCount();
    listFiles.InsertItem(nRow, row.strFileName.c_str());
    listFiles.SetItemText(nRow, 1, row.strResult.c_str());
    listFiles.SetItemText(nRow, 2, row.strPath.c_str());
}

void CWindowObserver::OnCounts(int nConverted, int nErrors, int nTotal) {
    m_dlgMain.ProgressDlg().SetCounts(nConverted, nErrors, nTotal);
}

void CWindowObserver::OnRunEnded() {
    m_dlgMain.PostMessage(WM_CONTROLS_ENABLE, 1, 0);
    m_dlgMain.ProgressDlg().PostMessage(WM_PROGRESS_BUTTON, 0, 0);
    // The box belongs to the progress window, which it disables; the main
    // window is disabled by hand so that it cannot be closed meanwhile.
    m_dlgMain.EnableWindow(FALSE);
    ::MessageBoxA(m_dlgMain.ProgressDlg().GetSafeHwnd(), kTextFinished, kTextFinishedCaption,
                  MB_OK | MB_ICONINFORMATION);
    m_dlgMain.EnableWindow(TRUE);
}
