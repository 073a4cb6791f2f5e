// A worker thread object: created suspended, so its owner can store the
// object before the thread runs, then resumed.
#pragma once

#include <windows.h>

class CWinThread {
public:
    using ThreadProc = unsigned (*)(void* pParam);

    CWinThread(ThreadProc pfnThreadProc, void* pParam);
    ~CWinThread();
    CWinThread(const CWinThread&) = delete;
    CWinThread& operator=(const CWinThread&) = delete;

    // dwCreateFlags: 0 or CREATE_SUSPENDED; nStackSize 0 for the default.
    BOOL CreateThread(DWORD dwCreateFlags = 0, UINT nStackSize = 0);
    BOOL SetThreadPriority(int nPriority) { return ::SetThreadPriority(m_hThread, nPriority); }
    DWORD ResumeThread() { return ::ResumeThread(m_hThread); }
    HANDLE GetHandle() const { return m_hThread; }

    // When true the object deletes itself as the thread ends. Owners that
    // keep the object after the thread has ended set it to false.
    bool m_bAutoDelete = true;

private:
    static unsigned __stdcall Start(void* pSelf);

    ThreadProc m_pfnThreadProc;
    void* m_pParam;
    HANDLE m_hThread = nullptr;
};

// Creates the thread object and its thread (suspended when asked) with the
// given priority.
CWinThread* BeginThread(CWinThread::ThreadProc pfnThreadProc, void* pParam, int nPriority, UINT nStackSize,
                        DWORD dwCreateFlags);
