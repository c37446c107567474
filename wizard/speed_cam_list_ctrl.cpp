// The camera list control: rows kept beside a virtual list view, row painting, the editor.
#include "wizard/speed_cam_list_ctrl.h"

#include <algorithm>
#include <string>

#include "app/helpers.h"
#include "base/text.h"
#include "base/window_messages.h"
#include "camdata/speed_cam_data.h"
#include "camdata/speed_cam_data_set.h"
#include "framework/handles.h"

namespace {

const wchar_t* const kColumnNames[CSpeedCamListCtrl::kColumnCount] = {
    L"Y", L"X", L"BEARING ANGLE", L"SPEED RESTRICTION", L"CAMERA TYPE", L"DIR TYPE"};

const COLORREF kWhite = RGB(255, 255, 255);
const COLORREF kYellow = RGB(255, 255, 0);
const COLORREF kGreen = RGB(0, 255, 0);
const COLORREF kRed = RGB(255, 0, 0);

// Posted to the list to show its rows again after a run of changes.
UINT ResumeMessage() {
    static const UINT message = ::RegisterWindowMessageW(L"Kovra.SpeedCamList.Resume");
    return message;
}

// Messages that need the list's scroll range and drawing up to date.
bool NeedsCurrentView(UINT message) {
    switch (message) {
        case WM_PAINT:
        case WM_PRINT:
        case WM_PRINTCLIENT:
        case WM_SIZE:
        case WM_VSCROLL:
        case WM_HSCROLL:
        case WM_MOUSEWHEEL:
        case WM_LBUTTONDOWN:
        case WM_RBUTTONDOWN:
        case WM_KEYDOWN:
        case LVM_ENSUREVISIBLE:
        case LVM_SCROLL:
        case LVM_GETTOPINDEX:
        case LVM_GETCOUNTPERPAGE:
        case LVM_GETITEMRECT:
        case LVM_GETSUBITEMRECT:
        case LVM_HITTEST:
        case LVM_SUBITEMHITTEST:
        case LVM_GETORIGIN:
        case LVM_GETVIEWRECT:
            return true;
        default:
            return false;
    }
}

// A typed value goes into the record as a partner text field would: reals for the
// coordinates, integers for the rest; the type is tested against the shown set's list.
void StoreValue(CSpeedCamData& cam, int column, const std::wstring& text,
                const CSpeedCamDataSet* pSet) {
    switch (column) {
        case CamLatitude:
            cam.SetLatitude(kovra::ParseDecimalReal(text));
            break;
        case CamLongitude:
            cam.SetLongitude(kovra::ParseDecimalReal(text));
            break;
        case CamBearingAngle:
            cam.SetBearingAngle(kovra::ParseDecimalInt(text));
            break;
        case CamSpeedLimit:
            cam.SetSpeedLimit(kovra::ParseDecimalInt(text));
            break;
        case CamCameraType:
            cam.SetCameraType(kovra::ParseDecimalInt(text),
                              pSet ? &pSet->m_strCameraTypes : nullptr);
            break;
        case CamDirType:
            cam.SetDirType(kovra::ParseDecimalInt(text));
            break;
        default:
            break;
    }
}

}  // namespace

CSpeedCamListCtrl::CSpeedCamListCtrl() = default;

CSpeedCamListCtrl::~CSpeedCamListCtrl() {
    // Destroyed while the object is whole, so the list's last messages still reach it; the
    // editor goes with the list.
    if (m_hWnd) DestroyWindow();
}

bool CSpeedCamListCtrl::Create(DWORD dwStyle, const RECT& rect, CWnd* pParentWnd, UINT nID) {
    dwStyle = (dwStyle | LVS_OWNERDATA) & ~DWORD(LVS_SORTASCENDING | LVS_SORTDESCENDING);
    return CListCtrl::Create(dwStyle, rect, pParentWnd, nID);
}

void CSpeedCamListCtrl::InitColumns() {
    if (!m_hWnd) return;
    if (!m_wndEdit.m_hWnd) {
        m_wndEdit.Create(WS_CHILD | WS_BORDER | ES_AUTOHSCROLL, RECT{10, 10, 100, 30}, this,
                         IDC_EDIT);
        m_wndEdit.SetFont(GetFont(), FALSE);
    }
    ModifyStyle(LVS_TYPEMASK | LVS_SORTASCENDING | LVS_SORTDESCENDING,
                LVS_REPORT | LVS_SINGLESEL | LVS_SHOWSELALWAYS | LVS_OWNERDRAWFIXED |
                    LVS_NOCOLUMNHEADER | LVS_NOSORTHEADER);
    // The list asks its parent for the row height when its position changes.
    SetWindowPos(nullptr, 0, 0, 0, 0,
                 SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
    SetExtendedStyle(GetExtendedStyle() | LVS_EX_GRIDLINES | LVS_EX_FULLROWSELECT);

    HWND hHeader = HWND(SendMessage(LVM_GETHEADER));
    if (hHeader && Header_GetItemCount(hHeader) > 0) return;  // set up before
    RECT client{};
    GetClientRect(&client);
    const int lastWidth = (client.right - client.left) - ::GetSystemMetrics(SM_CXVSCROLL) -
                          (kColumnCount - 1) * kColumnWidth;
    for (int i = 0; i < kColumnCount; ++i)
        InsertColumn(i, kColumnNames[i], LVCFMT_LEFT,
                     i < kColumnCount - 1 ? kColumnWidth : std::max(lastWidth, 0));
}

void CSpeedCamListCtrl::SetListCount() {
    if (m_hWnd && (GetStyle() & LVS_OWNERDATA))
        SendMessage(LVM_SETITEMCOUNT, WPARAM(m_rows.size()),
                    LVSICF_NOINVALIDATEALL | LVSICF_NOSCROLL);
}

void CSpeedCamListCtrl::SyncCount() {
    if (!m_bCountStale) return;
    m_bCountStale = false;
    SetListCount();
}

void CSpeedCamListCtrl::HoldRedraw() {
    if (m_bRedrawHeld || !m_hWnd) return;
    m_bRedrawHeld = true;
    SendMessage(WM_SETREDRAW, FALSE);
    PostMessage(ResumeMessage());
}

void CSpeedCamListCtrl::ResumeRedraw() {
    SyncCount();
    if (!m_bRedrawHeld) return;
    m_bRedrawHeld = false;
    SendMessage(WM_SETREDRAW, TRUE);
    Invalidate(FALSE);
}

void CSpeedCamListCtrl::DeleteAllItems() {
    EndEdit(true);
    m_rows.clear();
    m_bCountStale = false;
    HoldRedraw();
    if (m_hWnd) CListCtrl::DeleteAllItems();
}

void CSpeedCamListCtrl::SetCameraSet(CSpeedCamDataSet* pSet) {
    m_pShownSet = pSet;
}

void CSpeedCamListCtrl::AddCameraItem(CSpeedCamData* pCam) {
    if (!pCam) return;
    m_rows.push_back(pCam);
    if (!m_hWnd) return;
    HoldRedraw();
    if (GetStyle() & LVS_OWNERDATA) {
        // The list learns the count with the next message it gets.
        m_bCountStale = true;
    } else {
        // A list made without LVS_OWNERDATA keeps items of its own; the texts still come
        // from the rows.
        LVITEMW item{};
        item.mask = LVIF_TEXT | LVIF_PARAM;
        item.iItem = int(m_rows.size()) - 1;
        item.pszText = LPSTR_TEXTCALLBACKW;
        item.lParam = LPARAM(pCam);
        InsertItem(&item);
    }
}

CSpeedCamData* CSpeedCamListCtrl::GetItemCamera(int row) const {
    return row >= 0 && size_t(row) < m_rows.size() ? m_rows[size_t(row)] : nullptr;
}

void CSpeedCamListCtrl::DeleteItem(int row) {
    if (row < 0 || size_t(row) >= m_rows.size()) return;
    // Rows below the editor move up under it: the edit ends first.
    if (m_bEditing && row <= m_nEditRow) EndEdit(true);
    SyncCount();  // the list deletes from the count it knows
    m_rows.erase(m_rows.begin() + row);
    HoldRedraw();
    if (m_hWnd) CListCtrl::DeleteItem(row);
}

int CSpeedCamListCtrl::FindCameraItem(const CSpeedCamData* pCam) const {
    auto it = std::find(m_rows.begin(), m_rows.end(), pCam);
    return it == m_rows.end() ? -1 : int(it - m_rows.begin());
}

void CSpeedCamListCtrl::RemoveCameraItem(CSpeedCamData* pCam) {
    const int row = FindCameraItem(pCam);
    if (row >= 0) DeleteItem(row);
}

void CSpeedCamListCtrl::SelectCameraItem(CSpeedCamData* pCam) {
    const int row = FindCameraItem(pCam);
    if (row >= 0) SelectRow(row);
}

void CSpeedCamListCtrl::ClearSelection() {
    if (m_hWnd) SetItemState(-1, 0, LVIS_SELECTED);
}

void CSpeedCamListCtrl::SelectRow(int row) {
    if (!m_hWnd) return;
    ClearSelection();
    SetItemState(row, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
    EnsureVisible(row, FALSE);
}

void CSpeedCamListCtrl::SortCameraItems() {
    EndEdit(true);
    ClearSelection();
    const int16_t mode = m_nSortMode;
    const int32_t direction = m_nSortDirection;
    std::stable_sort(m_rows.begin(), m_rows.end(),
                     [mode, direction](const CSpeedCamData* a, const CSpeedCamData* b) {
                         return CompareCams(a, b, mode, direction) < 0;
                     });
    if (m_hWnd) Invalidate(FALSE);
}

bool CSpeedCamListCtrl::AllValid() const {
    for (const CSpeedCamData* pCam : m_rows)
        if (pCam->m_bRemoved == 0 && !pCam->IsValid()) return false;
    return true;
}

void CSpeedCamListCtrl::NotifyParent(UINT message, WPARAM wParam, LPARAM lParam) const {
    if (HWND hParent = ::GetParent(m_hWnd)) ::PostMessageW(hParent, message, wParam, lParam);
}

bool CSpeedCamListCtrl::GetCellRect(int row, int column, RECT* rect) const {
    // GetSubItemRect is not const in the framework; it only asks the list.
    if (!const_cast<CSpeedCamListCtrl*>(this)->GetSubItemRect(row, column, LVIR_LABEL, rect))
        return false;
    if (column > 0) rect->left += 2;
    return true;
}

void CSpeedCamListCtrl::DrawEditOutline(HDC hDC) {
    RECT rc{};
    if (!m_bEditing || !GetCellRect(m_nEditRow, m_nEditColumn, &rc)) return;
    ::InflateRect(&rc, 1, 1);
    ScopedBrush red(::CreateSolidBrush(kRed));
    ::FrameRect(hDC, &rc, red);
}

void CSpeedCamListCtrl::BeginEdit(int row, int column) {
    if (row < 0 || column < 0 || size_t(row) >= m_rows.size()) {
        EndEdit(true);
        return;
    }
    EndEdit(true);
    SelectRow(row);
    const CSpeedCamData* pCam = m_rows[size_t(row)];
    if (column < kColumnCount && pCam->m_bWasInvalid[column] == 1 && m_wndEdit.m_hWnd) {
        m_nEditRow = row;
        m_nEditColumn = column;
        m_bEditing = 1;
        RedrawWindow(nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
        RECT rc{};
        GetCellRect(row, column, &rc);
        m_wndEdit.SetWindowText(pCam->GetValueText(column).c_str());
        m_wndEdit.MoveWindow(rc);
        m_wndEdit.ShowWindow(SW_SHOW);
        m_wndEdit.SetFocus();
        DrawEditOutline(CClientDC(m_hWnd));
        NotifyParent(UM_LIST_CELL_FOCUS, WPARAM(row), LPARAM(column));
    } else {
        NotifyParent(UM_LIST_CELL_FOCUS, WPARAM(row), LPARAM(-1));
    }
}

bool CSpeedCamListCtrl::EndEdit(bool bApply) {
    if (!m_bEditing) return false;
    m_bEditing = 0;
    const int row = m_nEditRow, column = m_nEditColumn;
    if (bApply) {
        if (CSpeedCamData* pCam = GetItemCamera(row)) {
            StoreValue(*pCam, column, m_wndEdit.GetWindowText(), m_pShownSet);
            RedrawItems(row, row);
            NotifyParent(UM_LIST_EDITED, 0, 0);
        }
    }
    // Only a focus the editor holds goes back to the list; a button the user went to keeps it.
    if (::GetFocus() == m_wndEdit.m_hWnd) SetFocus();
    m_wndEdit.ShowWindow(SW_HIDE);
    RECT rc{};
    if (GetCellRect(row, column, &rc)) {
        ::InflateRect(&rc, 1, 1);
        InvalidateRect(&rc, FALSE);
    }
    m_nEditRow = m_nEditColumn = -1;
    return true;
}

void CSpeedCamListCtrl::GotoInvalid(bool bForward) {
    // The edit's cell is where the search goes on from, so it is taken before the edit ends.
    const int editRow = m_bEditing ? m_nEditRow : -1;
    const int editColumn = m_nEditColumn;
    EndEdit(true);
    const int count = GetItemCount();
    if (count == 0) return;

    int row, column;
    if (editRow < 0 || editRow >= count) {
        row = 0;
        column = m_rows[0]->FindInvalidColumn(-1, bForward);
    } else {
        row = editRow;
        column = m_rows[size_t(row)]->FindInvalidColumn(editColumn, bForward);
        if (column < 0) {
            if (bForward && row < count - 1)
                ++row;
            else if (!bForward && row > 0)
                --row;
            column = m_rows[size_t(row)]->FindInvalidColumn(-1, bForward);
        }
    }
    EnsureVisible(row, FALSE);
    if (column >= 0) {
        BeginEdit(row, column);
    } else {
        SelectRow(row);
        NotifyParent(UM_LIST_CELL_FOCUS, WPARAM(row), LPARAM(-1));
    }
}

bool CSpeedCamListCtrl::GetCellColors(const CSpeedCamData& cam, int column, COLORREF* pcrFill,
                                      COLORREF* pcrText) {
    if (column < 0 || column >= kColumnCount) return false;
    if (cam.m_bValid[column] == 0)
        *pcrFill = kYellow;
    else if (cam.m_bWasInvalid[column] == 1)
        *pcrFill = kGreen;
    else
        return false;
    *pcrText = ::GetSysColor(COLOR_BTNTEXT);
    return true;
}

void CSpeedCamListCtrl::DrawRow(HDC hDC, int row) {
    const CSpeedCamData* pCam = GetItemCamera(row);
    RECT rcRow{};
    if (!pCam || !GetItemRect(row, &rcRow, LVIR_BOUNDS)) return;
    RECT client{};
    GetClientRect(&client);
    RECT rcFill = rcRow;
    rcFill.right = std::max(rcRow.right, client.right);

    const bool selected = (GetItemState(row, LVIS_SELECTED) & LVIS_SELECTED) != 0;
    const COLORREF crBack = selected ? ::GetSysColor(COLOR_HIGHLIGHT) : kWhite;
    const COLORREF crText = ::GetSysColor(selected ? COLOR_HIGHLIGHTTEXT : COLOR_BTNTEXT);
    {
        ScopedBrush back(::CreateSolidBrush(crBack));
        ::FillRect(hDC, &rcFill, back);
    }

    CSelectObject font(hDC, GetFont());
    const int oldMode = ::SetBkMode(hDC, TRANSPARENT);
    const COLORREF oldColor = ::GetTextColor(hDC);
    for (int column = 0; column < kColumnCount; ++column) {
        RECT rc{};
        if (!GetCellRect(row, column, &rc)) continue;
        COLORREF crFill = 0, crCell = crText;
        if (GetCellColors(*pCam, column, &crFill, &crCell)) {
            ScopedBrush fill(::CreateSolidBrush(crFill));
            ::FillRect(hDC, &rc, fill);
        }
        std::wstring text = pCam->GetValueText(column);
        FitTextToWidth(text, hDC, rc);
        ::SetTextColor(hDC, crCell);
        ::DrawTextW(hDC, text.c_str(), int(text.size()), &rc,
                    DT_LEFT | DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX);
    }
    ::SetTextColor(hDC, oldColor);
    ::SetBkMode(hDC, oldMode);

    if (pCam->m_bRemoved == 1) {
        ScopedPen red(::CreatePen(PS_SOLID, 1, kRed));
        CSelectObject pen(hDC, red);
        const int y = rcRow.top + (rcRow.bottom - rcRow.top) / 2;
        ::MoveToEx(hDC, rcFill.left, y, nullptr);
        ::LineTo(hDC, rcFill.right, y);
    }
}

BOOL CSpeedCamListCtrl::OnChildNotify(UINT message, WPARAM wParam, LPARAM lParam,
                                      LRESULT* pResult) {
    switch (message) {
        case WM_MEASUREITEM:
            reinterpret_cast<MEASUREITEMSTRUCT*>(lParam)->itemHeight = UINT(m_nRowHeight);
            *pResult = TRUE;
            return TRUE;
        case WM_DRAWITEM: {
            // Lists that paint owner-drawn rows without asking for custom drawing first.
            const DRAWITEMSTRUCT* dis = reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
            if (dis->CtlType != ODT_LISTVIEW) return FALSE;
            DrawRow(dis->hDC, int(dis->itemID));
            *pResult = TRUE;
            return TRUE;
        }
        case WM_NOTIFY:
            break;
        default:
            return CListCtrl::OnChildNotify(message, wParam, lParam, pResult);
    }

    const NMHDR* hdr = reinterpret_cast<const NMHDR*>(lParam);
    switch (hdr->code) {
        case NM_CUSTOMDRAW: {
            NMLVCUSTOMDRAW* cd = reinterpret_cast<NMLVCUSTOMDRAW*>(lParam);
            if (cd->nmcd.dwDrawStage == CDDS_PREPAINT) {
                *pResult = CDRF_NOTIFYITEMDRAW | CDRF_NOTIFYPOSTPAINT;
            } else if (cd->nmcd.dwDrawStage == CDDS_ITEMPREPAINT) {
                DrawRow(cd->nmcd.hdc, int(cd->nmcd.dwItemSpec));
                *pResult = CDRF_SKIPDEFAULT;
            } else if (cd->nmcd.dwDrawStage == CDDS_POSTPAINT) {
                // After the rows and the grid lines, so that neither covers the outline.
                DrawEditOutline(cd->nmcd.hdc);
                *pResult = CDRF_DODEFAULT;
            } else {
                *pResult = CDRF_DODEFAULT;
            }
            return TRUE;
        }
        case NM_CLICK: {
            // The edit begins once the list has finished with the click.
            const NMITEMACTIVATE* act = reinterpret_cast<const NMITEMACTIVATE*>(lParam);
            LVHITTESTINFO hit{};
            hit.pt = act->ptAction;
            SubItemHitTest(&hit);
            const int row = hit.iItem;
            const int column = row >= 0 ? hit.iSubItem : -1;
            PostMessage(UM_LIST_CELL_FOCUS, WPARAM(row), LPARAM(column));
            return FALSE;
        }
        case LVN_GETDISPINFOW: {
            NMLVDISPINFOW* info = reinterpret_cast<NMLVDISPINFOW*>(lParam);
            const CSpeedCamData* pCam = GetItemCamera(info->item.iItem);
            if ((info->item.mask & LVIF_TEXT) && info->item.pszText && info->item.cchTextMax > 0) {
                std::wstring text;
                if (pCam)
                    text = info->item.iSubItem == 0
                               ? kovra::WidenBytes(kovra::Format("%f", pCam->m_dLatitude))
                               : pCam->GetValueText(info->item.iSubItem);
                ::lstrcpynW(info->item.pszText, text.c_str(), info->item.cchTextMax);
            }
            *pResult = 0;
            return TRUE;
        }
        case LVN_ODFINDITEMW:
            // Type-ahead search finds nothing: the rows have no names to match.
            *pResult = -1;
            return TRUE;
        default:
            return FALSE;
    }
}

LRESULT CSpeedCamListCtrl::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == ResumeMessage()) {
        ResumeRedraw();
        return 0;
    }
    SyncCount();
    if (m_bRedrawHeld && NeedsCurrentView(message)) ResumeRedraw();
    switch (message) {
        case UM_LIST_CELL_FOCUS:
            BeginEdit(int(wParam), int(lParam));
            return 0;
        case WM_VSCROLL:
        case WM_HSCROLL:
        case WM_MOUSEWHEEL:
            // The editor sits on a cell: it closes, keeping the value, before the rows move.
            EndEdit(true);
            break;
        case WM_COMMAND:
            // The editor's notifications stay here: its ID may mean something else above.
            if (m_wndEdit.m_hWnd && HWND(lParam) == m_wndEdit.m_hWnd) return 0;
            break;
        case WM_DESTROY:
            m_bRedrawHeld = m_bCountStale = false;
            m_bEditing = 0;
            m_nEditRow = m_nEditColumn = -1;
            m_rows.clear();
            break;
    }
    return CListCtrl::WindowProc(message, wParam, lParam);
}
