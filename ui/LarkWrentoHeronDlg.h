// The main window: drop hint, Close button and the three-column result list.
// A drop on it starts a run; while a run is active it cannot be closed.
#pragma once

#include "ProgressDlg.h"
#include "ResourcePlatform.h"
#include "WindowObserver.h"
#include "framework/Controls.h"
#include "framework/Dialog.h"
#include "framework/WinThread.h"

class CLarkWrentoHeronDlg : public CModalDialog {
public:
    CLarkWrentoHeronDlg();
    ~CLarkWrentoHeronDlg() override;

    // Starts a run over the freshly collected g_vecFileItems: shows the
    // progress window, starts the worker and locks the window.
    void StartConvert();
    // The lock of a run: Close button, drop hint and the system menu's Close.
    void EnableControls(BOOL bEnable);

    BOOL PreTranslateMessage(MSG* pMsg) override;

    CProgressDlg& ProgressDlg() { return m_dlgProgress; }
    CListView& FileList() { return m_listFiles; }
    IPlatform& Platform() { return m_platform; }
    IBatchObserver& Observer() { return m_observer; }

protected:
    void DoDataExchange() override;
    BOOL OnInitDialog() override;
    void OnOK() override;
    void OnCancel() override;

private:
    // True while the last run's worker has not returned yet (it may still be
    // showing the finished box); the window must not go away under it.
    bool IsWorkerRunning() const;

    bool OnSysCommand(WPARAM nID);
    bool OnPaint();
    void OnDropFiles(HDROP hDrop);
    void OnDestroy();
    void OnSize();
    void OnGetMinMaxInfo(MINMAXINFO* pInfo);

    CProgressDlg m_dlgProgress;
    CListView m_listFiles;
    HICON m_hIcon;
    CButton m_btnClose;
    CStatic m_staticDrop;
    CWinThread* m_pThread = nullptr;
    CResourcePlatform m_platform{::GetModuleHandleA(nullptr)};
    CWindowObserver m_observer;
};
