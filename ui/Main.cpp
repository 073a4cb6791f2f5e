// Entry point of Kestrel.exe. The program reads no command line.
#include <windows.h>

#include "LarkWrentoHeronApp.h"

namespace {
CLarkWrentoHeronApp theApp;
}  // namespace

int WINAPI WinMain(HINSTANCE /*hInstance*/, HINSTANCE /*hPrevInstance*/, LPSTR /*pszCmdLine*/, int /*nCmdShow*/) {
    CWinApp* pApp = CWinApp::GetApp();
    if (pApp->InitInstance()) {
        return pApp->Run();
    }
    return 0;
}
