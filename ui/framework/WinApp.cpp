#include "WinApp.h"

#include "Dialog.h"

CWinApp* CWinApp::s_pApp = nullptr;

CWinApp::CWinApp() {
    s_pApp = this;
}

CWinApp::~CWinApp() {
    if (s_pApp == this) {
        s_pApp = nullptr;
    }
}

int CWinApp::Run() {
    MSG msg{};
    while (::GetMessageA(&msg, nullptr, 0, 0) > 0) {
        if (!CDialog::RoutePreTranslate(&msg)) {
            ::TranslateMessage(&msg);
            ::DispatchMessageA(&msg);
        }
    }
    return static_cast<int>(msg.wParam);
}
