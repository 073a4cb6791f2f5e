// The application object: one running copy, common controls, the main dialog.
#pragma once

#include "framework/WinApp.h"

class CLarkWrentoHeronApp : public CWinApp {
public:
    CLarkWrentoHeronApp() = default;
    ~CLarkWrentoHeronApp() override = default;

    // Runs the main dialog and returns FALSE: the program ends when the
    // dialog has closed, or at once when another copy is running.
    BOOL InitInstance() override;

private:
    // Held for the life of the process; the system closes it at exit.
    HANDLE m_hMutex = nullptr;
};
