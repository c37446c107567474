// CSpeedCamListCtrl: the list view of camera records, one row per record, six value columns,
// painted by itself (failed values yellow, corrected ones green, removed records struck
// through) with an in-place editor on the cells that failed a rule.
#pragma once

#include <windows.h>
// commctrl.h needs windows.h before it.
#include <commctrl.h>

#include <cstdint>
#include <deque>

#include "camdata/camera_list.h"
#include "camdata/duplicate_filter.h"
#include "framework/controls.h"

class CSpeedCamData;
class CSpeedCamDataSet;

class CSpeedCamListCtrl : public CListCtrl, public ICameraList, public IDuplicateList {
public:
    enum : UINT { IDC_EDIT = 1001 };
    static const int kColumnCount = 6;
    static const int kColumnWidth = 118;  // columns 0-4; column 5 takes the rest

    CSpeedCamListCtrl();
    ~CSpeedCamListCtrl() override;

    // Creates the list view. The rows live in this object and the list only knows their
    // count (LVS_OWNERDATA is added), so adding, reading and removing rows costs the same
    // for 60,000 rows as for ten.
    bool Create(DWORD dwStyle, const RECT& rect, CWnd* pParentWnd, UINT nID);
    // Creates the editor and sets up the view: report style, single always-shown selection,
    // fixed owner-drawn rows, no header, grid lines, full-row selection, the six columns.
    void InitColumns();

    // The rows. The control never owns the records; only the window's thread calls these.
    void DeleteAllItems() override;
    void SetCameraSet(CSpeedCamDataSet* pSet) override;
    // Appends a row for the record (the new row is GetItemCount() - 1); null is ignored.
    void AddCameraItem(CSpeedCamData* pCam) override;
    int GetItemCount() const override { return int(m_rows.size()); }
    // The record of the row; null for a row that does not exist.
    CSpeedCamData* GetItemCamera(int row) const override;
    // The row's item data: its record (the list view itself keeps none).
    DWORD_PTR GetItemData(int row) const { return DWORD_PTR(GetItemCamera(row)); }
    void DeleteItem(int row) override;
    // Deletes the first row that shows the record; nothing when none does.
    void RemoveCameraItem(CSpeedCamData* pCam) override;
    // Selects, focuses and shows the record's row.
    void SelectCameraItem(CSpeedCamData* pCam) override;
    // The first row that shows the record, or -1.
    int FindCameraItem(const CSpeedCamData* pCam) const;
    void ClearSelection();
    // Orders the rows with CompareCams by m_nSortMode and m_nSortDirection; equal rows keep
    // their order. The selection is cleared.
    void SortCameraItems();

    // True when every row's record is removed or valid; true for no rows.
    bool AllValid() const;

    // Selects the row and, when the cell failed a rule at some time, opens the editor on it.
    // Reports the cell (or the row with column -1) to the parent with UM_LIST_CELL_FOCUS.
    void BeginEdit(int row, int column);
    // Closes the editor; with bApply the typed value is stored first and UM_LIST_EDITED goes
    // to the parent. False when no edit was running.
    bool EndEdit(bool bApply);
    bool IsEditing() const { return m_bEditing != 0; }
    // Moves the editor to the next (forward) or previous marked cell.
    void GotoInvalid(bool bForward);

    int32_t m_nRowHeight = 38;
    int16_t m_nSortMode = 0;       // kSortByGroup (8) or anything else for position
    int32_t m_nSortDirection = 1;  // non-zero: ascending
    CEdit m_wndEdit;
    int32_t m_bEditing = 0;
    int32_t m_nEditRow = -1;
    int32_t m_nEditColumn = -1;
    CSpeedCamDataSet* m_pShownSet = nullptr;

protected:
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
    BOOL OnChildNotify(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult) override;

private:
    void SetListCount();
    // Tells the list the row count when rows were added since it last heard it.
    void SyncCount();
    // A list view redraws and recomputes its scroll bars on every added or deleted row, which
    // costs a millisecond each: changes in a row hold the drawing until the message loop
    // runs again, or until something needs the view.
    void HoldRedraw();
    void ResumeRedraw();
    void DrawRow(HDC hDC, int row);
    // How a cell is painted: false when it keeps the row's colours, else the fill colour and
    // the text colour for it.
    static bool GetCellColors(const CSpeedCamData& cam, int column, COLORREF* pcrFill,
                              COLORREF* pcrText);
    // The cell's label rectangle as the rows are painted (columns after the first lose two
    // pixels on the left).
    bool GetCellRect(int row, int column, RECT* rect) const;
    // The red frame around the cell under edit.
    void DrawEditOutline(HDC hDC);
    void SelectRow(int row);
    void NotifyParent(UINT message, WPARAM wParam, LPARAM lParam) const;

    std::deque<CSpeedCamData*> m_rows;  // front removals (the duplicate filter) stay cheap
    bool m_bRedrawHeld = false;
    bool m_bCountStale = false;  // rows added that the list view does not count yet
};
