// CMessageBox: background image, white text, image buttons, optional picture and progress bar.
#include "wizard/message_box.h"

#include <algorithm>
#include <string>

#include <windowsx.h>

#include <cwchar>

#include "app/texts.h"
#include "base/window_messages.h"
#include "framework/win_app.h"
#include "resources/resource.h"
#include "resources/skin_ids.h"
#include "skin/skin_draw.h"

const wchar_t kMessageBoxTitle[] = L"OrvelMessageBox";

namespace {

const WORD kBackground = kArtMessageBox;
const WORD kProgressBackground = kArtMessageBoxProgress;
const WORD kPicture = kArtAboutPicture;
const WORD kButtonNormal = kArtMessageBoxButton, kButtonPressed = kArtMessageBoxButton + 1,
           kButtonHover = kArtMessageBoxButton + 2;

const RECT kLeftButton{246, 125, 376, 162};
const RECT kRightButton{390, 125, 520, 162};
const int kProgressShift = 47;  // buttons sit lower under the bar

// Draws the text in the area, or only measures it: paragraphs wrap at blanks, a word wider
// than the area is broken, and a path too long for one line keeps its start and its file
// name around an ellipsis. No line runs out of the area; the height used is returned.
int DrawBoxText(HDC dc, const wchar_t* text, const RECT& area, bool bMeasure) {
    const int width = area.right - area.left;
    int y = area.top;
    for (const wchar_t* p = text;;) {
        const wchar_t* eol = std::wcschr(p, L'\n');
        std::wstring line(p, eol ? size_t(eol - p) : std::wcslen(p));
        RECT one{0, 0, 0, 0};
        ::DrawTextW(dc, line.empty() ? L" " : line.c_str(), -1, &one, DT_CALCRECT | DT_SINGLELINE | DT_NOPREFIX);
        UINT format = DT_LEFT | DT_NOPREFIX;
        if (one.right <= width)
            format |= DT_SINGLELINE;
        else if (line.find_first_of(L"\\/") != std::wstring::npos)
            format |= DT_SINGLELINE | DT_PATH_ELLIPSIS;
        else
            format |= DT_WORDBREAK | DT_EDITCONTROL;
        RECT rect{area.left, y, area.right, y + (one.bottom - one.top)};
        if (format & DT_WORDBREAK) ::DrawTextW(dc, line.c_str(), -1, &rect, format | DT_CALCRECT);
        rect.right = area.right;
        if (!bMeasure) ::DrawTextW(dc, line.c_str(), -1, &rect, format);
        y = rect.bottom;
        if (!eol) break;
        p = eol + 1;
    }
    return y - area.top;
}

}  // namespace

CMessageBox::CMessageBox(CWnd* pParent, LPCWSTR lpszText, int nType)
    : CDialog(IDD_MESSAGEBOX, pParent), m_pParent(pParent), m_nType(nType) {
    std::wcsncpy(m_szText, lpszText ? lpszText : L"", 512);
    m_szText[512] = L'\0';
}

CMessageBox::~CMessageBox() = default;

void CMessageBox::SetProgress(int nPercent) {
    if (nPercent < 0) nPercent = 0;
    if (nPercent > 100) nPercent = 100;
    m_wndProgress.m_nPos = short(nPercent);
    if (m_wndProgress.m_hWnd) m_wndProgress.SetPos(nPercent);
}

void CMessageBox::LayOut() {
    m_rcText = RECT{50, 50, 494, 106};
    if (m_bIcon) m_rcText.left = 215;
    m_ptIcon = POINT{20, 40};

    m_rcFirst = m_rcSecond = RECT{0, 0, 0, 0};
    switch (m_nType) {
        case kMessageBoxOK:
            m_rcFirst = kRightButton;
            m_nFirstTextID = IDS_OK;
            break;
        case kMessageBoxOKCancel:
            m_rcFirst = kLeftButton;
            m_nFirstTextID = IDS_OK;
            m_rcSecond = kRightButton;
            m_nSecondTextID = IDS_CANCEL;
            break;
        case kMessageBoxYesNo:
            m_rcFirst = kLeftButton;
            m_nFirstTextID = IDS_YES;
            m_rcSecond = kRightButton;
            m_nSecondTextID = IDS_NO;
            break;
        default:
            m_rcSecond = kRightButton;
            m_nSecondTextID = IDS_CANCEL;
            break;
    }

    if (m_bProgress) {
        m_rcProgress = RECT{74, 98, 473, 128};
        if (!::IsRectEmpty(&m_rcFirst)) ::OffsetRect(&m_rcFirst, 0, kProgressShift);
        if (!::IsRectEmpty(&m_rcSecond)) ::OffsetRect(&m_rcSecond, 0, kProgressShift);
        m_rcText = RECT{34, 40, 510, 88};
    }

    // The text's own height, never more than the space above the footer.
    CClientDC dc(m_hWnd);
    CSelectObject font(dc, m_font);
    const LONG bottom = m_rcText.bottom;
    m_rcText.bottom = std::min(bottom, LONG(m_rcText.top + DrawBoxText(dc, m_szText, m_rcText, true)));
}

void CMessageBox::CreateButton(OBitmapButton& button, bool& bCreated, const RECT& rect, UINT nID,
                               UINT nTextID) {
    if (::IsRectEmpty(&rect)) return;
    bCreated = button.Create(L"", WS_CHILD | WS_VISIBLE | BS_OWNERDRAW, rect, this, nID);
    if (!bCreated) return;
    button.SetImages(kButtonNormal, kButtonPressed, kButtonHover, 0);
    const wchar_t* text = LoadText(nTextID);
    std::wcsncpy(button.m_szText, text ? text : L"", 79);
    button.m_szText[79] = L'\0';
    button.m_crText = RGB(255, 255, 255);
    // Shown after the box's first paint, so each snapshots the finished background.
    button.ShowWindow(SW_HIDE);
}

BOOL CMessageBox::OnInitDialog() {
    m_bFirstPaint = true;
    m_bDragging = false;

    m_bmpBackground = PngToBitmap(LoadPngImage(m_bProgress ? kProgressBackground : kBackground));
    const SIZE size = GetBitmapSize(m_bmpBackground);
    m_nWidth = size.cx;
    m_nHeight = size.cy;
    m_font = skin::CreateFont(L"Tahoma", 14, FW_BOLD);

    LayOut();
    CreateButton(m_btnFirst, m_bFirstCreated, m_rcFirst, IDC_MSGBOX_FIRST, m_nFirstTextID);
    CreateButton(m_btnSecond, m_bSecondCreated, m_rcSecond, IDC_MSGBOX_SECOND, m_nSecondTextID);

    if (m_bProgress) {
        m_wndProgress.m_nMin = 0;
        m_wndProgress.m_nMax = 100;
        m_wndProgress.m_hFont = m_font;
        m_wndProgress.LoadImages();
        m_wndProgress.CreateEx(0, AfxRegisterWndClass(CS_HREDRAW | CS_VREDRAW | CS_PARENTDC), L"",
                               WS_CHILD | WS_VISIBLE, m_rcProgress, this, IDC_MSGBOX_PROGRESS);
    }

    // Centred on the parent's window, or on the screen.
    RECT around{0, 0, ::GetSystemMetrics(SM_CXSCREEN), ::GetSystemMetrics(SM_CYSCREEN)};
    if (m_pParent && m_pParent->m_hWnd) m_pParent->GetWindowRect(&around);
    m_nX = short(around.left + (around.right - around.left - m_nWidth) / 2);
    m_nY = short(around.top + (around.bottom - around.top - m_nHeight) / 2);
    MoveWindow(m_nX, m_nY, m_nWidth, m_nHeight);
    ShowWindow(SW_SHOW);

    SetWindowText(kMessageBoxTitle);
    if (m_onShown) m_onShown();
    return TRUE;
}

void CMessageBox::OnPaint() {
    CPaintDC dc(m_hWnd);
    skin::COffscreen buffer(dc, m_nWidth, m_nHeight);
    if (buffer.IsValid()) {
        DrawBitmapAt(m_bmpBackground, buffer);
        CSelectObject font(buffer, m_font);
        ::SetBkMode(buffer, TRANSPARENT);
        ::SetTextColor(buffer, RGB(255, 255, 255));
        // Lines that do not fit above the footer are cut off, not drawn over it.
        const int saved = ::SaveDC(buffer);
        ::IntersectClipRect(buffer, m_rcText.left, m_rcText.top, m_rcText.right, m_rcText.bottom);
        DrawBoxText(buffer, m_szText, m_rcText, false);
        ::RestoreDC(buffer, saved);
        if (m_bIcon) skin::DrawImage(buffer, m_pIcon, m_ptIcon.x, m_ptIcon.y);
        buffer.Flush();
    }
    if (m_bFirstPaint) {
        m_bFirstPaint = false;
        if (m_bFirstCreated) m_btnFirst.ShowWindow(SW_SHOW);
        if (m_bSecondCreated) m_btnSecond.ShowWindow(SW_SHOW);
    }
}

BOOL CMessageBox::OnCommand(WPARAM wParam, LPARAM lParam) {
    if (HIWORD(wParam) == BN_CLICKED) {
        switch (LOWORD(wParam)) {
            case IDC_MSGBOX_FIRST:
                OnOK();
                return TRUE;
            case IDC_MSGBOX_SECOND:
                OnCancel();
                return TRUE;
        }
    }
    return CDialog::OnCommand(wParam, lParam);
}

LRESULT CMessageBox::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case UM_CLOSE_BOX:
            OnOK();
            return 0;
        case WM_ERASEBKGND:
            return TRUE;  // the paint covers it all
        case WM_PAINT:
            OnPaint();
            return 0;
        case WM_LBUTTONDOWN: {
            ::GetCursorPos(&m_ptDragStart);
            RECT rect;
            GetWindowRect(&rect);
            m_nX = short(rect.left);
            m_nY = short(rect.top);
            m_bDragging = true;
            SetCapture();
            break;
        }
        case WM_MOUSEMOVE:
        case WM_LBUTTONUP:
            if (m_bDragging) {
                POINT pt;
                ::GetCursorPos(&pt);
                const int x = m_nX + pt.x - m_ptDragStart.x;
                const int y = m_nY + pt.y - m_ptDragStart.y;
                SetWindowPos(nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
                if (message == WM_LBUTTONUP) {
                    m_bDragging = false;
                    m_nX = short(x);
                    m_nY = short(y);
                    if (::GetCapture() == m_hWnd) ::ReleaseCapture();
                }
            }
            break;
        case WM_CAPTURECHANGED:
            // Capture lost mid-drag: the box stays where it was last moved to.
            if (m_bDragging && HWND(lParam) != m_hWnd) {
                m_bDragging = false;
                RECT rect;
                GetWindowRect(&rect);
                m_nX = short(rect.left);
                m_nY = short(rect.top);
            }
            break;
    }
    return CDialog::WindowProc(message, wParam, lParam);
}

int ShowMessage(LPCWSTR lpszText, LPCWSTR /*lpszCaption*/, int nType, int bIcon) {
    CMessageBox box(AfxGetMainWnd(), lpszText, nType);
    std::unique_ptr<CGdiPlusBitmapResource> picture;
    if (bIcon) {
        picture = LoadPngImage(kPicture);
        box.m_bIcon = picture != nullptr;
        box.m_pIcon = picture.get();
    }
    return int(box.DoModal());
}
