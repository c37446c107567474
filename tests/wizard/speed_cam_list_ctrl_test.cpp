// The camera list control on a real list view: rows, painting, the editor, stepping through
// the marked cells, and the messages to its page.
#include "wizard/speed_cam_list_ctrl.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "app/helpers.h"
#include "base/window_messages.h"
#include "camdata/speed_cam_data.h"
#include "camdata/speed_cam_data_set.h"
#include "framework/handles.h"
#include "tests/wizard/wizard_test_util.h"

namespace {

using wizard_test::Drain;
using wizard_test::Message;

// Latitude, longitude, bearing, speed, type, dir type; stored through the rules, so failing
// values are marked as an import marks them.
struct Values {
    double lat = 55.5, lon = 37.5;
    int bearing = 90, speed = 60, type = 1, dir = 0;
};

class ListCtrl : public testing::Test {
protected:
    void SetUp() override {
        INITCOMMONCONTROLSEX icc{sizeof icc, ICC_LISTVIEW_CLASSES};
        ::InitCommonControlsEx(&icc);
        ASSERT_TRUE(m_parent.Create(false));
        ASSERT_TRUE(m_list.Create(WS_CHILD | WS_VISIBLE | WS_BORDER | LVS_REPORT | LVS_SINGLESEL |
                                      LVS_SHOWSELALWAYS | LVS_AUTOARRANGE | LVS_OWNERDRAWFIXED,
                                  RECT{67, 106, 798, 323}, &m_parent, 2055));
        m_list.InitColumns();
        m_set.m_strCameraTypes = L"1,2,3,4,5";
        m_list.SetCameraSet(&m_set);
    }

    CSpeedCamData* Add(const Values& v) {
        CSpeedCamData* pCam = new CSpeedCamData;
        pCam->SetLatitude(v.lat);
        pCam->SetLongitude(v.lon);
        pCam->SetBearingAngle(v.bearing);
        pCam->SetSpeedLimit(v.speed);
        pCam->SetCameraType(v.type, &m_set.m_strCameraTypes);
        pCam->SetDirType(v.dir);
        m_set.AddCamera(pCam);
        m_list.AddCameraItem(pCam);
        return pCam;
    }
    // A record whose given columns are marked (failed once, since corrected).
    CSpeedCamData* AddMarked(std::initializer_list<int> columns) {
        CSpeedCamData* pCam = Add(Values{});
        for (int c : columns) pCam->m_bWasInvalid[c] = 1;
        return pCam;
    }

    // The parent's UM_LIST_CELL_FOCUS reports since the last call, as (row, column) pairs.
    std::vector<std::pair<int, int>> TakeCellReports() {
        Drain();
        std::vector<std::pair<int, int>> out;
        for (const Message& m : m_parent.Of(UM_LIST_CELL_FOCUS))
            out.emplace_back(int(m.wParam), int(m.lParam));
        m_parent.m_messages.clear();
        return out;
    }
    std::pair<int, int> EditCell() const { return {m_list.m_nEditRow, m_list.m_nEditColumn}; }
    int SelectedRow() const { return m_list.GetNextItem(-1, LVNI_SELECTED); }

    RECT CellRect(int row, int column) {
        RECT rc{};
        m_list.GetSubItemRect(row, column, LVIR_LABEL, &rc);
        if (column > 0) rc.left += 2;
        return rc;
    }
    // A left click at the point, as the mouse gives it.
    void Click(POINT pt) {
        m_list.SendMessage(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(pt.x, pt.y));
        m_list.SendMessage(WM_LBUTTONUP, 0, MAKELPARAM(pt.x, pt.y));
        Drain();
    }
    void ClickCell(int row, int column) {
        RECT rc = CellRect(row, column);
        Click(POINT{rc.left + 8, (rc.top + rc.bottom) / 2});
    }

    wizard_test::RecordingParent m_parent;
    CSpeedCamListCtrl m_list;
    CSpeedCamDataSet m_set;  // declared after the list: the records outlive its rows
};

// The list as painted into a bitmap of its client area.
class Snapshot {
public:
    explicit Snapshot(CWnd& wnd) {
        RECT rc{};
        wnd.GetClientRect(&rc);
        CClientDC screen(wnd.m_hWnd);
        m_dc.Reset(::CreateCompatibleDC(screen));
        m_bmp.Reset(::CreateCompatibleBitmap(screen, rc.right, rc.bottom));
        HGDIOBJ old = ::SelectObject(m_dc, m_bmp);
        wnd.SendMessage(WM_PRINTCLIENT, WPARAM(m_dc.Get()), PRF_CLIENT | PRF_ERASEBKGND);
        ::SelectObject(m_dc, old);
        m_old = ::SelectObject(m_dc, m_bmp);
    }
    ~Snapshot() { ::SelectObject(m_dc, m_old); }
    COLORREF At(int x, int y) const { return ::GetPixel(m_dc, x, y); }
    // How many pixels of the rectangle have the colour.
    int Count(const RECT& rc, COLORREF color) const {
        int n = 0;
        for (int y = rc.top; y < rc.bottom; ++y)
            for (int x = rc.left; x < rc.right; ++x) n += At(x, y) == color;
        return n;
    }

private:
    ScopedMemoryDC m_dc;
    ScopedBitmap m_bmp;
    HGDIOBJ m_old = nullptr;
};

const COLORREF kYellow = RGB(255, 255, 0), kGreen = RGB(0, 255, 0), kRed = RGB(255, 0, 0),
               kWhite = RGB(255, 255, 255);

TEST_F(ListCtrl, RowsAre38PixelsHighUnderNoHeader) {
    // The height reaches the list through its parent's measure request.
    Add(Values{});
    Add(Values{});
    RECT row0{}, row1{};
    ASSERT_TRUE(m_list.GetItemRect(0, &row0, LVIR_BOUNDS));
    ASSERT_TRUE(m_list.GetItemRect(1, &row1, LVIR_BOUNDS));
    EXPECT_EQ(row0.bottom - row0.top, 38);
    EXPECT_EQ(row1.top - row0.top, 38);
    HWND header = HWND(m_list.SendMessage(LVM_GETHEADER));
    EXPECT_FALSE(::IsWindowVisible(header));
    EXPECT_FALSE(m_list.m_wndEdit.IsWindowVisible());

    // Setting up twice adds no columns.
    m_list.InitColumns();
    EXPECT_EQ(Header_GetItemCount(header), 6);
}

TEST_F(ListCtrl, RowsCarryTheirRecordsAndAskTheirTexts) {
    CSpeedCamData* a = Add(Values{55.755814, 37.6176});
    CSpeedCamData* b = Add(Values{10.25});
    CSpeedCamData* c = Add(Values{-20.5});
    m_list.AddCameraItem(nullptr);  // ignored
    ASSERT_EQ(m_list.GetItemCount(), 3);
    EXPECT_EQ(m_list.CListCtrl::GetItemCount(), 3);  // the list view agrees
    EXPECT_EQ(m_list.GetItemCamera(0), a);
    EXPECT_EQ(m_list.GetItemCamera(2), c);
    EXPECT_EQ(m_list.GetItemCamera(3), nullptr);
    EXPECT_EQ(m_list.GetItemCamera(-1), nullptr);
    EXPECT_EQ(m_list.GetItemData(1), DWORD_PTR(b));

    // The row's text is the latitude as "%f"; the other cells give the record's value texts.
    wchar_t text[64] = L"";
    LVITEMW item{};
    item.pszText = text;
    item.cchTextMax = 64;
    m_list.SendMessage(LVM_GETITEMTEXTW, 0, LPARAM(&item));
    EXPECT_STREQ(text, L"55.755814");
    item.iSubItem = 1;
    m_list.SendMessage(LVM_GETITEMTEXTW, 0, LPARAM(&item));
    EXPECT_STREQ(text, L" 37.617600");

    // Removing takes the record's row out and leaves the records alone.
    m_list.RemoveCameraItem(b);
    ASSERT_EQ(m_list.GetItemCount(), 2);
    EXPECT_EQ(m_list.GetItemCamera(1), c);
    EXPECT_EQ(m_list.CListCtrl::GetItemCount(), 2);
    EXPECT_EQ(m_list.FindCameraItem(b), -1);
    m_list.RemoveCameraItem(b);  // no longer listed: nothing happens
    m_list.DeleteItem(5);
    m_list.DeleteItem(-1);
    EXPECT_EQ(m_list.GetItemCount(), 2);
    EXPECT_EQ(b->m_dLatitude, 10.25);

    // The same record twice: the first row goes.
    m_list.AddCameraItem(a);
    m_list.RemoveCameraItem(a);
    ASSERT_EQ(m_list.GetItemCount(), 2);
    EXPECT_EQ(m_list.GetItemCamera(0), c);
    EXPECT_EQ(m_list.GetItemCamera(1), a);

    m_list.SelectCameraItem(a);
    EXPECT_EQ(SelectedRow(), 1);
    m_list.ClearSelection();
    EXPECT_EQ(SelectedRow(), -1);

    m_list.DeleteAllItems();
    EXPECT_EQ(m_list.GetItemCount(), 0);
    EXPECT_EQ(m_list.CListCtrl::GetItemCount(), 0);
    EXPECT_EQ(m_set.GetCount(), 3);
}

TEST_F(ListCtrl, AllValidCountsRemovedRowsAsDealtWith) {
    EXPECT_TRUE(m_list.AllValid());  // no rows
    CSpeedCamData* bad = Add(Values{95.0});
    Add(Values{});
    EXPECT_FALSE(m_list.AllValid());
    bad->m_bRemoved = 1;  // removed but still invalid
    EXPECT_TRUE(m_list.AllValid());
    bad->m_bRemoved = 0;
    bad->SetLatitude(45.0);  // corrected: marked, but valid
    EXPECT_TRUE(m_list.AllValid());
    Add(Values{0, 0, 400});
    EXPECT_FALSE(m_list.AllValid());
}

TEST_F(ListCtrl, PaintsFailedYellowCorrectedGreenRemovedStruckThrough) {
    CSpeedCamData* failed = Add(Values{95.0});
    CSpeedCamData* corrected = Add(Values{55.5, 37.5, 90, 200});
    corrected->SetSpeedLimit(100);
    CSpeedCamData* removed = Add(Values{});
    removed->m_bRemoved = 1;
    Add(Values{});
    m_list.SelectCameraItem(m_list.GetItemCamera(3));
    (void)failed;

    Snapshot shot(m_list);
    auto inner = [](RECT rc) {
        ::InflateRect(&rc, -1, -1);
        return rc;
    };
    const RECT lat0 = inner(CellRect(0, CamLatitude));
    const RECT lon0 = inner(CellRect(0, CamLongitude));
    const int area = (lat0.right - lat0.left) * (lat0.bottom - lat0.top);
    // Most of a marked cell is its fill; the rest is its text.
    EXPECT_GT(shot.Count(lat0, kYellow), area * 3 / 4);
    EXPECT_GT(shot.Count(inner(CellRect(1, CamSpeedLimit)), kGreen), area / 2);
    EXPECT_GT(shot.Count(lon0, kWhite), area * 3 / 4);
    EXPECT_EQ(shot.Count(lon0, kYellow), 0);
    // The texts are drawn: dark pixels in a yellow cell and a white one.
    const COLORREF ink = ::GetSysColor(COLOR_BTNTEXT);
    EXPECT_GT(shot.Count(lat0, ink), 10);
    EXPECT_GT(shot.Count(lon0, ink), 10);

    // The removed row carries a red line across at half its height, the others none.
    RECT row2{}, row1{};
    m_list.GetItemRect(2, &row2, LVIR_BOUNDS);
    m_list.GetItemRect(1, &row1, LVIR_BOUNDS);
    const int mid = row2.top + (row2.bottom - row2.top) / 2;
    EXPECT_GT(shot.Count(RECT{row2.left, mid, row2.right, mid + 1}, kRed),
              (row2.right - row2.left) * 9 / 10);
    EXPECT_EQ(shot.Count(inner(row1), kRed), 0);

    // The selected row is in the highlight colour.
    const COLORREF highlight = ::GetSysColor(COLOR_HIGHLIGHT);
    EXPECT_GT(shot.Count(inner(CellRect(3, CamDirType)), highlight), area / 2);

    // Undo of the removal takes the line away.
    removed->m_bRemoved = 0;
    Snapshot again(m_list);
    EXPECT_EQ(again.Count(RECT{row2.left, mid, row2.right, mid + 1}, kRed), 0);
}

TEST_F(ListCtrl, NarrowCellsShowCutTextsWithDots) {
    CSpeedCamData* cam = Add(Values{-89.123456, -179.123456});
    m_list.SetColumnWidth(CamLongitude, 40);
    const RECT cell = CellRect(0, CamLongitude);
    Snapshot shot(m_list);

    // What the cell must show: the text cut to the cell, ended with dots, drawn the same way.
    std::wstring text = cam->GetValueText(CamLongitude);
    RECT client{};
    m_list.GetClientRect(&client);
    CClientDC screen(m_list.m_hWnd);
    ScopedMemoryDC dc(::CreateCompatibleDC(screen));
    ScopedBitmap bmp(::CreateCompatibleBitmap(screen, client.right, client.bottom));
    CSelectObject selBmp(dc, bmp);
    CSelectObject selFont(dc, m_list.GetFont());
    ASSERT_TRUE(FitTextToWidth(text, dc, cell));
    EXPECT_EQ(text.substr(text.size() - 3), L"...");
    ScopedBrush white(::CreateSolidBrush(kWhite));
    ::FillRect(dc, &client, white);
    ::SetBkMode(dc, TRANSPARENT);
    ::SetTextColor(dc, ::GetSysColor(COLOR_BTNTEXT));
    RECT rc = cell;
    ::DrawTextW(dc, text.c_str(), int(text.size()), &rc,
                DT_LEFT | DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX);
    int differ = 0, ink = 0;
    for (int y = cell.top + 1; y < cell.bottom - 1; ++y)
        for (int x = cell.left; x < cell.right - 1; ++x) {
            differ += shot.At(x, y) != ::GetPixel(dc, x, y);
            ink += shot.At(x, y) != kWhite;
        }
    EXPECT_GT(ink, 10);
    EXPECT_EQ(differ, 0);
}

TEST_F(ListCtrl, RowsAddedInARunAreShownOnceTheMessagesRun) {
    m_parent.ShowWindow(SW_SHOW);
    Drain();
    for (int i = 0; i < 50; ++i) Add(Values{95.0 + i});
    Drain();  // the list shows the run now, and scrolls over all of it
    SCROLLINFO si{};
    si.cbSize = sizeof si;
    si.fMask = SIF_RANGE | SIF_PAGE;
    ASSERT_TRUE(::GetScrollInfo(m_list.m_hWnd, SB_VERT, &si));
    EXPECT_EQ(si.nMax - si.nMin + 1, 50);
    EXPECT_EQ(m_list.CListCtrl::GetItemCount(), 50);

    // What the screen shows: the failed latitudes of the rows on view in yellow.
    m_list.UpdateWindow();
    RECT cell = CellRect(1, CamLatitude);
    ::InflateRect(&cell, -1, -1);
    CClientDC dc(m_list.m_hWnd);
    int yellow = 0;
    for (int y = cell.top; y < cell.bottom; ++y)
        for (int x = cell.left; x < cell.right; ++x) yellow += ::GetPixel(dc, x, y) == kYellow;
    EXPECT_GT(yellow, (cell.right - cell.left) * (cell.bottom - cell.top) / 2);

    // Rows deleted in a run: the scroll range follows.
    for (int i = 0; i < 45; ++i) m_list.DeleteItem(m_list.GetItemCount() - 1);
    Drain();
    ASSERT_TRUE(::GetScrollInfo(m_list.m_hWnd, SB_VERT, &si));
    EXPECT_LE(si.nMax - si.nMin + 1, 5);
}

TEST_F(ListCtrl, EditorOpensOnlyOnMarkedCells) {
    m_parent.ShowWindow(SW_SHOW);  // the editor takes the keyboard focus
    Add(Values{95.0});
    Add(Values{});

    // A click on a cell that never failed selects the row and reports no column.
    ClickCell(0, CamLongitude);
    EXPECT_FALSE(m_list.IsEditing());
    EXPECT_EQ(SelectedRow(), 0);
    EXPECT_EQ(TakeCellReports(), (std::vector<std::pair<int, int>>{{0, -1}}));

    // A click on the failed latitude opens the editor on it with the value's text.
    ClickCell(0, CamLatitude);
    ASSERT_TRUE(m_list.IsEditing());
    EXPECT_EQ(EditCell(), std::make_pair(0, 0));
    EXPECT_TRUE(m_list.m_wndEdit.IsWindowVisible());
    EXPECT_EQ(m_list.m_wndEdit.GetWindowText(), L" 95.000000");
    EXPECT_EQ(::GetFocus(), m_list.m_wndEdit.m_hWnd);
    RECT edit{};
    m_list.m_wndEdit.GetWindowRect(&edit);
    m_list.ScreenToClient(&edit);
    const RECT cell = CellRect(0, 0);
    EXPECT_EQ(edit.left, cell.left);
    EXPECT_EQ(edit.top, cell.top);
    EXPECT_EQ(edit.right, cell.right);
    EXPECT_EQ(edit.bottom, cell.bottom);
    EXPECT_EQ(TakeCellReports(), (std::vector<std::pair<int, int>>{{0, 0}}));
    // It is outlined in red just outside the cell.
    Snapshot shot(m_list);
    EXPECT_EQ(shot.At(cell.left - 1, cell.top + 10), kRed);
    EXPECT_EQ(shot.At(cell.right, cell.top + 10), kRed);

    // A row of a valid record: only the row, and the open edit ends keeping its value.
    m_list.m_wndEdit.SetWindowText(L"45");
    ClickCell(1, CamLatitude);
    EXPECT_FALSE(m_list.IsEditing());
    EXPECT_EQ(m_list.GetItemCamera(0)->m_dLatitude, 45.0);
    EXPECT_EQ(SelectedRow(), 1);
    EXPECT_EQ(TakeCellReports(), (std::vector<std::pair<int, int>>{{1, -1}}));

    // Below the last row: the click ends nothing but selects nothing either.
    m_list.BeginEdit(0, 0);
    ASSERT_TRUE(m_list.IsEditing());
    RECT last{};
    m_list.GetItemRect(1, &last, LVIR_BOUNDS);
    Click(POINT{cell.left + 5, last.bottom + 20});
    EXPECT_FALSE(m_list.IsEditing());
    EXPECT_FALSE(m_list.m_wndEdit.IsWindowVisible());

    // Rows and columns that do not exist only end an edit.
    m_list.BeginEdit(0, 0);
    m_list.BeginEdit(7, 0);
    EXPECT_FALSE(m_list.IsEditing());
    m_list.BeginEdit(0, 6);
    EXPECT_FALSE(m_list.IsEditing());
    EXPECT_EQ(TakeCellReports().back(), std::make_pair(0, -1));
}

TEST_F(ListCtrl, EndEditAppliesOrDropsTheTypedValue) {
    CSpeedCamData* cam = Add(Values{95.0, 37.5, 90, 200, 7});

    // A valid latitude typed and applied: stored, the cell turns green, the page hears of it.
    m_list.BeginEdit(0, CamLatitude);
    m_list.m_wndEdit.SetWindowText(L"  45.25");
    TakeCellReports();
    EXPECT_TRUE(m_list.EndEdit(true));
    EXPECT_FALSE(m_list.EndEdit(true));  // nothing open any more
    Drain();
    EXPECT_EQ(cam->m_dLatitude, 45.25);
    EXPECT_EQ(cam->m_bValid[CamLatitude], 1);
    EXPECT_EQ(cam->m_bWasInvalid[CamLatitude], 1);
    EXPECT_EQ(m_parent.Of(UM_LIST_EDITED).size(), 1u);
    EXPECT_FALSE(m_list.m_wndEdit.IsWindowVisible());
    EXPECT_EQ(EditCell(), std::make_pair(-1, -1));
    {
        Snapshot shot(m_list);
        RECT rc = CellRect(0, CamLatitude);
        ::InflateRect(&rc, -1, -1);
        EXPECT_GT(shot.Count(rc, kGreen), (rc.right - rc.left) * (rc.bottom - rc.top) / 2);
    }

    // Dropped: the record keeps its value and nobody is told.
    m_parent.m_messages.clear();
    m_list.BeginEdit(0, CamSpeedLimit);
    m_list.m_wndEdit.SetWindowText(L"90");
    EXPECT_TRUE(m_list.EndEdit(false));
    Drain();
    EXPECT_EQ(cam->m_nSpeedLimit, 200);
    EXPECT_FALSE(m_parent.Has(UM_LIST_EDITED));

    // Text that is no number reads as 0, which a speed passes.
    m_list.BeginEdit(0, CamSpeedLimit);
    m_list.m_wndEdit.SetWindowText(L"abc");
    m_list.EndEdit(true);
    EXPECT_EQ(cam->m_nSpeedLimit, 0);
    EXPECT_EQ(cam->m_bValid[CamSpeedLimit], 1);

    // Types are tested against the shown set's list; without a shown set any type passes.
    m_list.BeginEdit(0, CamCameraType);
    m_list.m_wndEdit.SetWindowText(L"6");
    m_list.EndEdit(true);
    EXPECT_EQ(cam->m_bValid[CamCameraType], 0);
    m_list.SetCameraSet(nullptr);
    m_list.BeginEdit(0, CamCameraType);
    m_list.m_wndEdit.SetWindowText(L"6");
    m_list.EndEdit(true);
    EXPECT_EQ(cam->m_bValid[CamCameraType], 1);
    EXPECT_TRUE(m_list.AllValid());
}

TEST_F(ListCtrl, GotoInvalidStepsThroughMarkedCellsAndStaysAtTheEnds) {
    AddMarked({1, 4});
    AddMarked({0});
    AddMarked({2, 5});
    using Cell = std::pair<int, int>;
    const std::vector<Cell> forward = {{0, 1}, {0, 4}, {1, 0}, {2, 2}, {2, 5}, {2, 2}};
    for (const Cell& expected : forward) {
        m_list.GotoInvalid(true);
        EXPECT_EQ(EditCell(), expected);
        EXPECT_EQ(SelectedRow(), expected.first);
        EXPECT_EQ(TakeCellReports(), std::vector<Cell>{expected});
    }
    // Backward from (2, 2): the row has nothing before it, so the last of the row above.
    const std::vector<Cell> backward = {{1, 0}, {0, 4}, {0, 1}, {0, 4}};
    for (const Cell& expected : backward) {
        m_list.GotoInvalid(false);
        EXPECT_EQ(EditCell(), expected);
    }
    // With no cell under edit the search starts at row 0, from either end of it.
    m_list.EndEdit(true);
    m_list.GotoInvalid(false);
    EXPECT_EQ(EditCell(), Cell(0, 4));
    m_list.EndEdit(true);
    m_list.GotoInvalid(true);
    EXPECT_EQ(EditCell(), Cell(0, 1));
}

TEST_F(ListCtrl, GotoInvalidStoresTheEditFirstAndSelectsRowsWithoutMarks) {
    CSpeedCamData* first = Add(Values{95.0});
    Add(Values{});  // never failed
    m_list.GotoInvalid(true);
    ASSERT_EQ(EditCell(), std::make_pair(0, 0));
    m_list.m_wndEdit.SetWindowText(L"12.5");
    TakeCellReports();
    m_list.GotoInvalid(true);
    EXPECT_EQ(first->m_dLatitude, 12.5);
    Drain();
    EXPECT_TRUE(m_parent.Has(UM_LIST_EDITED));
    // The next row has no marked cell: it is selected, no editor opens.
    EXPECT_FALSE(m_list.IsEditing());
    EXPECT_EQ(SelectedRow(), 1);
    EXPECT_EQ(TakeCellReports(), (std::vector<std::pair<int, int>>{{1, -1}}));

    // An empty list has nothing to go to.
    m_list.DeleteAllItems();
    m_list.GotoInvalid(true);
    m_list.GotoInvalid(false);
    EXPECT_FALSE(m_list.IsEditing());
}

TEST_F(ListCtrl, ScrollingWhileEditingKeepsTheTypedValue) {
    std::vector<CSpeedCamData*> cams;
    for (int i = 0; i < 30; ++i) cams.push_back(Add(Values{95.0 + i}));
    m_list.BeginEdit(0, CamLatitude);
    m_list.m_wndEdit.SetWindowText(L"33");
    m_list.SendMessage(WM_VSCROLL, SB_LINEDOWN);
    Drain();
    EXPECT_FALSE(m_list.IsEditing());
    EXPECT_EQ(cams[0]->m_dLatitude, 33.0);
    EXPECT_TRUE(m_parent.Has(UM_LIST_EDITED));
    EXPECT_EQ(m_list.GetTopIndex(), 1);

    m_list.BeginEdit(5, CamLatitude);
    m_list.m_wndEdit.SetWindowText(L"34");
    m_list.SendMessage(WM_MOUSEWHEEL, MAKEWPARAM(0, -WHEEL_DELTA));
    EXPECT_FALSE(m_list.IsEditing());
    EXPECT_EQ(cams[5]->m_dLatitude, 34.0);
}

TEST_F(ListCtrl, RowsRemovedUnderTheEditorEndTheEditFirst) {
    CSpeedCamData* a = Add(Values{95.0});
    CSpeedCamData* b = Add(Values{96.0});
    m_list.BeginEdit(1, CamLatitude);
    m_list.m_wndEdit.SetWindowText(L"11");
    m_list.RemoveCameraItem(a);  // the edited row moves up
    EXPECT_FALSE(m_list.IsEditing());
    EXPECT_EQ(b->m_dLatitude, 11.0);
    ASSERT_EQ(m_list.GetItemCount(), 1);

    // A row after the edited one goes without disturbing the edit.
    Add(Values{97.0});
    m_list.BeginEdit(0, CamLatitude);
    m_list.DeleteItem(1);
    EXPECT_TRUE(m_list.IsEditing());
    m_list.DeleteAllItems();
    EXPECT_FALSE(m_list.IsEditing());
}

TEST_F(ListCtrl, EditorNotificationsStayInTheList) {
    Add(Values{95.0});
    m_list.BeginEdit(0, CamLatitude);
    m_parent.m_messages.clear();
    m_list.m_wndEdit.SetWindowText(L"1");  // EN_CHANGE and EN_UPDATE to the list
    Drain();
    EXPECT_FALSE(m_parent.Has(WM_COMMAND));
}

TEST_F(ListCtrl, SortsByPositionOrByGroupAndSource) {
    CSpeedCamData* north = Add(Values{60.0, 30.0});
    CSpeedCamData* southEast = Add(Values{50.0, 40.0});
    CSpeedCamData* southWest = Add(Values{50.0, 20.0});
    m_list.m_nSortMode = kSortByPosition;
    m_list.SortCameraItems();
    EXPECT_EQ(m_list.GetItemCamera(0), southWest);
    EXPECT_EQ(m_list.GetItemCamera(1), southEast);
    EXPECT_EQ(m_list.GetItemCamera(2), north);

    north->m_nGroup = 0, north->m_nSource = 2;
    southEast->m_nGroup = 1, southEast->m_nSource = 0;
    southWest->m_nGroup = 0, southWest->m_nSource = 1;
    m_list.m_nSortMode = kSortByGroup;
    m_list.SortCameraItems();
    EXPECT_EQ(m_list.GetItemCamera(0), southWest);
    EXPECT_EQ(m_list.GetItemCamera(1), north);
    EXPECT_EQ(m_list.GetItemCamera(2), southEast);
}

TEST_F(ListCtrl, DestroyingTheControlDropsItsRowsButNotTheRecords) {
    CSpeedCamData* cam = Add(Values{95.0});
    m_list.BeginEdit(0, 0);
    m_list.DestroyWindow();
    EXPECT_EQ(m_list.GetItemCount(), 0);
    EXPECT_FALSE(m_list.IsEditing());
    EXPECT_EQ(cam->m_dLatitude, 95.0);
}

}  // namespace
