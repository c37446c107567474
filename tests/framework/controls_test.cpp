// The control objects on real common controls.
#include "framework/controls.h"

#include <gtest/gtest.h>

#include <string>

namespace {

class Controls : public ::testing::Test {
protected:
    void SetUp() override {
        INITCOMMONCONTROLSEX icc{sizeof icc, ICC_LISTVIEW_CLASSES};
        ::InitCommonControlsEx(&icc);
        ASSERT_TRUE(m_parent.CreateEx(0, AfxRegisterWndClass(0), L"", WS_POPUP,
                                      RECT{0, 0, 600, 400}, nullptr, 0));
    }
    CWnd m_parent;
};

TEST_F(Controls, ComboBoxItemsTextsAndData) {
    CComboBox combo;
    ASSERT_TRUE(combo.Create(WS_CHILD | CBS_DROPDOWNLIST, RECT{0, 0, 200, 200}, &m_parent, 1004));
    const wchar_t* items[] = {L"Step 1", L"Step 2", L"\x0428\x0430\x0433 3"};
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(combo.AddString(items[i]), i);
        EXPECT_NE(combo.SetItemData(i, DWORD_PTR(100 + i)), CB_ERR);
    }
    EXPECT_EQ(combo.GetCount(), 3);
    EXPECT_EQ(combo.GetCurSel(), CB_ERR);
    EXPECT_EQ(combo.SetCurSel(2), 2);
    EXPECT_EQ(combo.GetCurSel(), 2);
    EXPECT_EQ(combo.GetLBText(2), items[2]);
    EXPECT_EQ(combo.GetLBText(7), L"");
    EXPECT_EQ(combo.GetItemData(1), DWORD_PTR(101));
    EXPECT_EQ(combo.InsertString(0, L"first"), 0);
    EXPECT_EQ(combo.GetItemData(2), DWORD_PTR(101));
    combo.DeleteString(0);
    combo.ResetContent();
    EXPECT_EQ(combo.GetCount(), 0);
}

int CALLBACK Descending(LPARAM a, LPARAM b, LPARAM) {
    return a < b ? 1 : a > b ? -1 : 0;
}

TEST_F(Controls, ListViewRowsDataStateAndSorting) {
    CListCtrl list;
    ASSERT_TRUE(list.Create(WS_CHILD | LVS_REPORT | LVS_SINGLESEL | LVS_SHOWSELALWAYS,
                            RECT{0, 0, 500, 300}, &m_parent, 2056));
    const wchar_t* columns[] = {L"Y", L"X", L"BEARING ANGLE"};
    for (int i = 0; i < 3; ++i) EXPECT_EQ(list.InsertColumn(i, columns[i], LVCFMT_LEFT, 118), i);
    EXPECT_EQ(list.GetColumnWidth(1), 118);
    list.SetExtendedStyle(LVS_EX_GRIDLINES | LVS_EX_FULLROWSELECT);
    EXPECT_EQ(list.GetExtendedStyle() & (LVS_EX_GRIDLINES | LVS_EX_FULLROWSELECT),
              DWORD(LVS_EX_GRIDLINES | LVS_EX_FULLROWSELECT));

    for (int i = 0; i < 4; ++i) {
        LVITEMW item{};
        item.mask = LVIF_TEXT | LVIF_PARAM;
        item.iItem = list.GetItemCount();
        item.pszText = LPSTR_TEXTCALLBACKW;
        item.lParam = LPARAM(10 * i);
        EXPECT_EQ(list.InsertItem(&item), i);
    }
    EXPECT_EQ(list.GetItemCount(), 4);
    EXPECT_EQ(list.GetItemData(2), DWORD_PTR(20));
    EXPECT_TRUE(list.SetItemData(2, 25));
    EXPECT_EQ(list.GetItemData(2), DWORD_PTR(25));
    EXPECT_EQ(list.GetItemData(99), DWORD_PTR(0));

    EXPECT_EQ(list.GetNextItem(-1, LVNI_SELECTED), -1);
    EXPECT_TRUE(list.SetItemState(1, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED));
    EXPECT_EQ(list.GetNextItem(-1, LVNI_SELECTED), 1);
    EXPECT_EQ(list.GetSelectedCount(), 1u);
    EXPECT_EQ(list.GetItemState(1, LVIS_SELECTED), UINT(LVIS_SELECTED));
    list.SetItemState(-1, 0, LVIS_SELECTED);  // every row
    EXPECT_EQ(list.GetSelectedCount(), 0u);

    RECT whole{}, cell{};
    EXPECT_TRUE(list.GetItemRect(0, &whole, LVIR_BOUNDS));
    EXPECT_TRUE(list.GetSubItemRect(0, 1, LVIR_LABEL, &cell));
    EXPECT_GE(cell.left, 118 - 2);
    EXPECT_EQ(cell.top, whole.top);

    EXPECT_TRUE(list.SortItems(Descending, 0));
    EXPECT_EQ(list.GetItemData(0), DWORD_PTR(30));
    EXPECT_EQ(list.GetItemData(3), DWORD_PTR(0));
    EXPECT_TRUE(list.DeleteItem(0));
    EXPECT_EQ(list.GetItemCount(), 3);
    EXPECT_TRUE(list.DeleteAllItems());
    EXPECT_EQ(list.GetItemCount(), 0);
}

TEST_F(Controls, EditAndButton) {
    CEdit edit;
    ASSERT_TRUE(
        edit.Create(WS_CHILD | WS_BORDER | ES_AUTOHSCROLL, RECT{10, 10, 100, 30}, &m_parent, 1001));
    edit.SetLimitText(5);
    edit.SetWindowText(L"25.5");
    edit.SetSel(0, -1);
    edit.SendMessage(WM_CHAR, '1');  // replaces the selection
    EXPECT_EQ(edit.GetWindowText(), L"1");
    EXPECT_TRUE(edit.SetReadOnly());
    EXPECT_TRUE(edit.GetStyle() & ES_READONLY);

    CButton check;
    ASSERT_TRUE(check.Create(L"Always select", WS_CHILD | BS_AUTOCHECKBOX, RECT{0, 40, 150, 60},
                             &m_parent, 1003));
    EXPECT_EQ(check.GetCheck(), BST_UNCHECKED);
    check.SetCheck(BST_CHECKED);
    EXPECT_EQ(check.GetCheck(), BST_CHECKED);
    EXPECT_EQ(m_parent.GetDlgItemText(1003), L"Always select");
    EXPECT_TRUE(check.ModifyStyle(0, WS_DISABLED));
    EXPECT_FALSE(check.IsWindowEnabled());
    EXPECT_FALSE(check.ModifyStyle(0, WS_DISABLED));  // nothing to change
}

}  // namespace
