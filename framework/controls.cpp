// The members of the control objects that take more than one call.
#include "framework/controls.h"

BOOL CButton::OnChildNotify(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult) {
    if (message != WM_DRAWITEM) return CWnd::OnChildNotify(message, wParam, lParam, pResult);
    DrawItem(reinterpret_cast<LPDRAWITEMSTRUCT>(lParam));
    *pResult = TRUE;
    return TRUE;
}

std::wstring CComboBox::GetLBText(int nIndex) const {
    LRESULT n = SendMessage(CB_GETLBTEXTLEN, WPARAM(nIndex));
    if (n <= 0) return std::wstring();
    std::wstring text(size_t(n) + 1, L'\0');
    LRESULT got = SendMessage(CB_GETLBTEXT, WPARAM(nIndex), LPARAM(&text[0]));
    text.resize(got > 0 ? size_t(got) : 0);
    return text;
}

int CListCtrl::InsertColumn(int nCol, LPCWSTR lpszHeading, int nFormat, int nWidth) {
    LVCOLUMNW col{};
    col.mask = LVCF_TEXT | LVCF_FMT | LVCF_SUBITEM;
    col.fmt = nFormat;
    col.pszText = const_cast<LPWSTR>(lpszHeading);
    col.iSubItem = nCol;
    if (nWidth >= 0) {
        col.mask |= LVCF_WIDTH;
        col.cx = nWidth;
    }
    return int(SendMessage(LVM_INSERTCOLUMNW, WPARAM(nCol), LPARAM(&col)));
}

int CListCtrl::InsertItem(int nItem, LPCWSTR lpszItem) {
    LVITEMW item{};
    item.mask = LVIF_TEXT;
    item.iItem = nItem;
    item.pszText = const_cast<LPWSTR>(lpszItem);
    return InsertItem(&item);
}

DWORD_PTR CListCtrl::GetItemData(int nItem) const {
    LVITEMW item{};
    item.mask = LVIF_PARAM;
    item.iItem = nItem;
    return SendMessage(LVM_GETITEMW, 0, LPARAM(&item)) ? DWORD_PTR(item.lParam) : 0;
}

BOOL CListCtrl::SetItemData(int nItem, DWORD_PTR dwData) {
    LVITEMW item{};
    item.mask = LVIF_PARAM;
    item.iItem = nItem;
    item.lParam = LPARAM(dwData);
    return BOOL(SendMessage(LVM_SETITEMW, 0, LPARAM(&item)));
}

BOOL CListCtrl::SetItemState(int nItem, UINT nState, UINT nMask) {
    LVITEMW item{};
    item.state = nState;
    item.stateMask = nMask;
    return BOOL(SendMessage(LVM_SETITEMSTATE, WPARAM(nItem), LPARAM(&item)));
}

BOOL CListCtrl::GetItemRect(int nItem, RECT* rect, UINT nCode) const {
    rect->left = LONG(nCode);
    return BOOL(SendMessage(LVM_GETITEMRECT, WPARAM(nItem), LPARAM(rect)));
}

BOOL CListCtrl::GetSubItemRect(int nItem, int nSubItem, int nArea, RECT* rect) const {
    rect->top = nSubItem;
    rect->left = nArea;
    return BOOL(SendMessage(LVM_GETSUBITEMRECT, WPARAM(nItem), LPARAM(rect)));
}
