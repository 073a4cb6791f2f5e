// Starting a run and the worker thread that carries it out.
#include "BatchRun.h"
#include "BatchState.h"
#include "LarkWrentoHeronDlg.h"
#include "PrivateMessages.h"

// The dialogs of the current run, for the worker thread.
CLarkWrentoHeronDlg* g_pMainDlg = nullptr;
CProgressDlg* g_pProgressDlg = nullptr;

// The worker: converts every entry and reports through the window observer.
unsigned ConvertThreadProc(void* /*pParam*/) {
    RunBatch(g_pMainDlg->Platform(), g_pMainDlg->Observer());
    return 0;
}

void CLarkWrentoHeronDlg::StartConvert() {
    g_pMainDlg = this;
    g_pProgressDlg = &m_dlgProgress;

    m_dlgProgress.PostMessage(WM_PROGRESS_INIT, 0, 0);
    m_dlgProgress.CenterWindow();
    m_dlgProgress.ShowWindow(SW_SHOW);
    m_dlgProgress.PostMessage(WM_PROGRESS_BUTTON, 0, 0);

    // The previous run's worker is done: a drop is accepted only after its
    // finished box was closed and the progress window hidden.
    delete m_pThread;
    m_pThread = nullptr;

    CWinThread* pThread =
        BeginThread(&ConvertThreadProc, nullptr, THREAD_PRIORITY_NORMAL, 0, CREATE_SUSPENDED);
    if (pThread == nullptr) {
        // No worker, no run: the button turns to "Ok" so the window can go.
        g_bConverting.store(0);
        m_dlgProgress.PostMessage(WM_PROGRESS_BUTTON, 0, 0);
        return;
    }
    pThread->m_bAutoDelete = false;
    m_pThread = pThread;
    m_pThread->ResumeThread();

    EnableControls(FALSE);
}
