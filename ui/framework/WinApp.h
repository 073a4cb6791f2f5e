// The application object: one per program, started by the entry point.
#pragma once

#include <windows.h>

class CWnd;

class CWinApp {
public:
    CWinApp();
    virtual ~CWinApp();
    CWinApp(const CWinApp&) = delete;
    CWinApp& operator=(const CWinApp&) = delete;

    // FALSE ends the program at once (dialog applications do all their work
    // here and always return FALSE).
    virtual BOOL InitInstance() { return TRUE; }
    // The message loop for applications that return TRUE from InitInstance.
    virtual int Run();

    static CWinApp* GetApp() { return s_pApp; }

    CWnd* m_pMainWnd = nullptr;

private:
    static CWinApp* s_pApp;
};
