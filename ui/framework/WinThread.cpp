#include "WinThread.h"

#include <process.h>

CWinThread::CWinThread(ThreadProc pfnThreadProc, void* pParam)
    : m_pfnThreadProc(pfnThreadProc), m_pParam(pParam) {}

CWinThread::~CWinThread() {
    if (m_hThread != nullptr) {
        ::CloseHandle(m_hThread);
    }
}

BOOL CWinThread::CreateThread(DWORD dwCreateFlags, UINT nStackSize) {
    // Always start suspended so that m_hThread is stored before Start runs.
    const uintptr_t nHandle =
        ::_beginthreadex(nullptr, nStackSize, &CWinThread::Start, this, CREATE_SUSPENDED, nullptr);
    if (nHandle == 0) {
        return FALSE;
    }
    m_hThread = reinterpret_cast<HANDLE>(nHandle);
    if ((dwCreateFlags & CREATE_SUSPENDED) == 0) {
        ::ResumeThread(m_hThread);
    }
    return TRUE;
}

unsigned __stdcall CWinThread::Start(void* pSelf) {
    auto* pThread = static_cast<CWinThread*>(pSelf);
    // Read before the work: an owner that keeps the object may delete it as
    // soon as the procedure has returned.
    const bool bAutoDelete = pThread->m_bAutoDelete;
    const unsigned nResult = pThread->m_pfnThreadProc(pThread->m_pParam);
    if (bAutoDelete) {
        delete pThread;
    }
    return nResult;
}

CWinThread* BeginThread(CWinThread::ThreadProc pfnThreadProc, void* pParam, int nPriority, UINT nStackSize,
                        DWORD dwCreateFlags) {
    auto* pThread = new CWinThread(pfnThreadProc, pParam);
    if (!pThread->CreateThread(dwCreateFlags | CREATE_SUSPENDED, nStackSize)) {
        delete pThread;
        return nullptr;
    }
    pThread->SetThreadPriority(nPriority);
    if ((dwCreateFlags & CREATE_SUSPENDED) == 0) {
        pThread->ResumeThread();
    }
    return pThread;
}
