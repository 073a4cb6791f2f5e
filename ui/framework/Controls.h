// Control wrappers bound to dialog items by DoDataExchange. Each adds the
// messages of its control class to CWnd and nothing else.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include "Wnd.h"

class CButton : public CWnd {};

class CStatic : public CWnd {};

class CProgressBar : public CWnd {
public:
    void SetRange32(int nLower, int nUpper) { SendMessage(PBM_SETRANGE32, nLower, nUpper); }
    void SetPos(int nPos) { SendMessage(PBM_SETPOS, nPos, 0); }
    int GetPos() const { return static_cast<int>(SendMessage(PBM_GETPOS, 0, 0)); }
};

class CListView : public CWnd {
public:
    DWORD GetExtendedStyle() const {
        return static_cast<DWORD>(SendMessage(LVM_GETEXTENDEDLISTVIEWSTYLE, 0, 0));
    }
    void SetExtendedStyle(DWORD dwStyle) { SendMessage(LVM_SETEXTENDEDLISTVIEWSTYLE, 0, dwStyle); }
    int InsertColumn(int nCol, const char* pszHeading, int nFormat, int nWidth);
    int GetItemCount() const { return static_cast<int>(SendMessage(LVM_GETITEMCOUNT, 0, 0)); }
    int InsertItem(int nItem, const char* pszText);
    BOOL SetItemText(int nItem, int nSubItem, const char* pszText);
    BOOL DeleteAllItems() { return static_cast<BOOL>(SendMessage(LVM_DELETEALLITEMS, 0, 0)); }
};
