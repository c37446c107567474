// Thin objects over the system's button, edit, combo box and list view controls.
#pragma once

#include <windows.h>
// commctrl.h needs windows.h before it.
#include <commctrl.h>

#include <string>

#include "framework/wnd.h"

class CButton : public CWnd {
public:
    bool Create(LPCWSTR lpszCaption, DWORD dwStyle, const RECT& rect, CWnd* pParentWnd, UINT nID) {
        return CWnd::Create(L"BUTTON", lpszCaption, dwStyle, rect, pParentWnd, nID);
    }
    int GetCheck() const { return int(SendMessage(BM_GETCHECK)); }
    void SetCheck(int nCheck) { SendMessage(BM_SETCHECK, WPARAM(nCheck)); }
    UINT GetState() const { return UINT(SendMessage(BM_GETSTATE)); }

    // Paints an owner-drawn button (BS_OWNERDRAW); the parent's WM_DRAWITEM comes here.
    virtual void DrawItem(LPDRAWITEMSTRUCT) {}

protected:
    BOOL OnChildNotify(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult) override;
};

class CEdit : public CWnd {
public:
    bool Create(DWORD dwStyle, const RECT& rect, CWnd* pParentWnd, UINT nID) {
        return CWnd::CreateEx(0, L"EDIT", L"", dwStyle, rect, pParentWnd, nID);
    }
    void SetSel(int nStart, int nEnd) { SendMessage(EM_SETSEL, WPARAM(nStart), LPARAM(nEnd)); }
    void SetLimitText(UINT nMax) { SendMessage(EM_LIMITTEXT, nMax); }
    BOOL SetReadOnly(BOOL bReadOnly = TRUE) { return BOOL(SendMessage(EM_SETREADONLY, bReadOnly)); }
};

class CComboBox : public CWnd {
public:
    bool Create(DWORD dwStyle, const RECT& rect, CWnd* pParentWnd, UINT nID) {
        return CWnd::Create(L"COMBOBOX", L"", dwStyle, rect, pParentWnd, nID);
    }
    int AddString(LPCWSTR lpszString) {
        return int(SendMessage(CB_ADDSTRING, 0, LPARAM(lpszString)));
    }
    int InsertString(int nIndex, LPCWSTR lpszString) {
        return int(SendMessage(CB_INSERTSTRING, WPARAM(nIndex), LPARAM(lpszString)));
    }
    int DeleteString(UINT nIndex) { return int(SendMessage(CB_DELETESTRING, nIndex)); }
    void ResetContent() { SendMessage(CB_RESETCONTENT); }
    int GetCount() const { return int(SendMessage(CB_GETCOUNT)); }
    int GetCurSel() const { return int(SendMessage(CB_GETCURSEL)); }
    int SetCurSel(int nSelect) { return int(SendMessage(CB_SETCURSEL, WPARAM(nSelect))); }
    // The text of item nIndex; empty for an index out of range.
    std::wstring GetLBText(int nIndex) const;
    DWORD_PTR GetItemData(int nIndex) const {
        return DWORD_PTR(SendMessage(CB_GETITEMDATA, WPARAM(nIndex)));
    }
    int SetItemData(int nIndex, DWORD_PTR dwItemData) {
        return int(SendMessage(CB_SETITEMDATA, WPARAM(nIndex), LPARAM(dwItemData)));
    }
};

class CListCtrl : public CWnd {
public:
    bool Create(DWORD dwStyle, const RECT& rect, CWnd* pParentWnd, UINT nID) {
        return CWnd::Create(WC_LISTVIEWW, L"", dwStyle, rect, pParentWnd, nID);
    }
    int InsertColumn(int nCol, LPCWSTR lpszHeading, int nFormat = LVCFMT_LEFT, int nWidth = -1);
    BOOL DeleteColumn(int nCol) { return BOOL(SendMessage(LVM_DELETECOLUMN, WPARAM(nCol))); }
    int GetColumnWidth(int nCol) const {
        return int(SendMessage(LVM_GETCOLUMNWIDTH, WPARAM(nCol)));
    }
    BOOL SetColumnWidth(int nCol, int cx) {
        return BOOL(SendMessage(LVM_SETCOLUMNWIDTH, WPARAM(nCol), MAKELPARAM(cx, 0)));
    }
    // A row at nItem; LPSTR_TEXTCALLBACKW as the text lets the list ask for it when shown.
    // Returns the new row's index, or -1.
    int InsertItem(const LVITEMW* pItem) {
        return int(SendMessage(LVM_INSERTITEMW, 0, LPARAM(pItem)));
    }
    int InsertItem(int nItem, LPCWSTR lpszItem);
    BOOL DeleteItem(int nItem) { return BOOL(SendMessage(LVM_DELETEITEM, WPARAM(nItem))); }
    BOOL DeleteAllItems() { return BOOL(SendMessage(LVM_DELETEALLITEMS)); }
    int GetItemCount() const { return int(SendMessage(LVM_GETITEMCOUNT)); }
    DWORD_PTR GetItemData(int nItem) const;
    BOOL SetItemData(int nItem, DWORD_PTR dwData);
    UINT GetItemState(int nItem, UINT nMask) const {
        return UINT(SendMessage(LVM_GETITEMSTATE, WPARAM(nItem), LPARAM(nMask)));
    }
    BOOL SetItemState(int nItem, UINT nState, UINT nMask);
    // The next row after nItem (-1: from the start) that has the LVNI_ flags of nFlags.
    int GetNextItem(int nItem, int nFlags) const {
        return int(SendMessage(LVM_GETNEXTITEM, WPARAM(nItem), MAKELPARAM(nFlags, 0)));
    }
    UINT GetSelectedCount() const { return UINT(SendMessage(LVM_GETSELECTEDCOUNT)); }
    BOOL EnsureVisible(int nItem, BOOL bPartialOK) {
        return BOOL(SendMessage(LVM_ENSUREVISIBLE, WPARAM(nItem), bPartialOK));
    }
    BOOL GetItemRect(int nItem, RECT* rect, UINT nCode) const;
    BOOL GetSubItemRect(int nItem, int nSubItem, int nArea, RECT* rect) const;
    BOOL RedrawItems(int nFirst, int nLast) {
        return BOOL(SendMessage(LVM_REDRAWITEMS, WPARAM(nFirst), LPARAM(nLast)));
    }
    BOOL Update(int nItem) { return BOOL(SendMessage(LVM_UPDATE, WPARAM(nItem))); }
    DWORD GetExtendedStyle() const { return DWORD(SendMessage(LVM_GETEXTENDEDLISTVIEWSTYLE)); }
    DWORD SetExtendedStyle(DWORD dwNewStyle) {
        return DWORD(SendMessage(LVM_SETEXTENDEDLISTVIEWSTYLE, 0, LPARAM(dwNewStyle)));
    }
    // Sorts the rows with pfnCompare(item data 1, item data 2, dwData).
    BOOL SortItems(PFNLVCOMPARE pfnCompare, DWORD_PTR dwData) {
        return BOOL(SendMessage(LVM_SORTITEMS, WPARAM(dwData), LPARAM(pfnCompare)));
    }
    int HitTest(LVHITTESTINFO* pInfo) const {
        return int(SendMessage(LVM_HITTEST, 0, LPARAM(pInfo)));
    }
    int SubItemHitTest(LVHITTESTINFO* pInfo) {
        return int(SendMessage(LVM_SUBITEMHITTEST, 0, LPARAM(pInfo)));
    }
    int GetTopIndex() const { return int(SendMessage(LVM_GETTOPINDEX)); }
    int GetCountPerPage() const { return int(SendMessage(LVM_GETCOUNTPERPAGE)); }
};
