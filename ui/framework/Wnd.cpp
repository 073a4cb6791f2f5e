#include "Wnd.h"

void CWnd::CenterWindow() {
    RECT rcSelf{};
    ::GetWindowRect(m_hWnd, &rcSelf);
    RECT rcOwner{};
    HWND hOwner = ::GetWindow(m_hWnd, GW_OWNER);
    if (hOwner == nullptr || !::GetWindowRect(hOwner, &rcOwner)) {
        ::SystemParametersInfoA(SPI_GETWORKAREA, 0, &rcOwner, 0);
    }
    const int nWidth = rcSelf.right - rcSelf.left;
    const int nHeight = rcSelf.bottom - rcSelf.top;
    const int x = rcOwner.left + ((rcOwner.right - rcOwner.left) - nWidth) / 2;
    const int y = rcOwner.top + ((rcOwner.bottom - rcOwner.top) - nHeight) / 2;
    ::SetWindowPos(m_hWnd, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}
