#include "Controls.h"

int CListView::InsertColumn(int nCol, const char* pszHeading, int nFormat, int nWidth) {
    LVCOLUMNA column{};
    column.mask = LVCF_FMT | LVCF_WIDTH | LVCF_TEXT | LVCF_SUBITEM;
    column.fmt = nFormat;
    column.cx = nWidth;
    column.pszText = const_cast<char*>(pszHeading);
    column.iSubItem = nCol;
    return static_cast<int>(SendMessage(LVM_INSERTCOLUMNA, nCol, reinterpret_cast<LPARAM>(&column)));
}

int CListView::InsertItem(int nItem, const char* pszText) {
    LVITEMA item{};
    item.mask = LVIF_TEXT;
    item.iItem = nItem;
    item.pszText = const_cast<char*>(pszText);
    return static_cast<int>(SendMessage(LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item)));
}

BOOL CListView::SetItemText(int nItem, int nSubItem, const char* pszText) {
    LVITEMA item{};
    item.iSubItem = nSubItem;
    item.pszText = const_cast<char*>(pszText);
    return static_cast<BOOL>(SendMessage(LVM_SETITEMTEXTA, nItem, reinterpret_cast<LPARAM>(&item)));
}
