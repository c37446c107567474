// OBitmapButton: faces from PNG images over a snapshot of the parent, hover and tooltip.
#include "skin/bitmap_button.h"

#include <cwchar>

#include "skin/skin_texts.h"
#include "skin/skin_draw.h"

OBitmapButton::OBitmapButton() : m_font(skin::CreateFont(L"Tahoma", 12, FW_BOLD)) {}

OBitmapButton::~OBitmapButton() = default;

BOOL OBitmapButton::SetImages(WORD nNormal, WORD nPressed, WORD nHover, WORD nDisabled) {
    // Hidden while the images change, so the parent repaints beneath and the next paint
    // snapshots the parent rather than the old face.
    const bool bVisible = m_hWnd && IsWindowVisible();
    if (bVisible) ShowWindow(SW_HIDE);

    const WORD ids[4] = {nNormal, nPressed, nHover, nDisabled};
    for (int i = 0; i < 4; ++i) {
        m_pImage[i].reset();
        if (i == kFaceNormal || ids[i] != 0) m_pImage[i] = LoadPngImage(ids[i]);
    }
    m_bmpBackground.Reset();
    m_cxBackground = m_cyBackground = 0;

    if (bVisible) ShowWindow(SW_SHOW);
    return TRUE;
}

void OBitmapButton::SetTextFont(int nSize) {
    m_font = skin::CreateFont(L"Tahoma", nSize, FW_BOLD);
}

void OBitmapButton::SetToolTip(UINT nTextID) {
    m_nToolTipID = nTextID;
    const wchar_t* text = nTextID ? skin::Text(nTextID) : nullptr;
    std::wcsncpy(m_szToolTip, text ? text : L"", 255);
    m_szToolTip[255] = L'\0';
    if (!m_szToolTip[0] || !m_hWnd) return;

    TTTOOLINFOW info{};
    info.cbSize = sizeof info;
    info.hwnd = m_hWnd;
    info.uId = 1;
    info.hinst = nullptr;
    info.lpszText = m_szToolTip;
    GetClientRect(&info.rect);
    if (!m_wndToolTip.m_hWnd) {
        if (!m_wndToolTip.CreateEx(WS_EX_TOPMOST, TOOLTIPS_CLASSW, L"", WS_POPUP | TTS_ALWAYSTIP,
                                   RECT{0, 0, 0, 0}, this, 0))
            return;
        m_wndToolTip.SendMessage(TTM_ADDTOOLW, 0, LPARAM(&info));
        m_wndToolTip.SendMessage(TTM_SETDELAYTIME, TTDT_AUTOMATIC, 2000);
    } else {
        m_wndToolTip.SendMessage(TTM_UPDATETIPTEXTW, 0, LPARAM(&info));
    }
    m_wndToolTip.SendMessage(TTM_ACTIVATE, TRUE);
}

void OBitmapButton::DeleteToolTip() {
    if (m_wndToolTip.m_hWnd) m_wndToolTip.DestroyWindow();
}

OBitmapButton::Face OBitmapButton::ChooseFace(UINT nItemState, bool* pbShift) const {
    bool bShift = false;
    Face face = kFaceNormal;
    if ((nItemState & ODS_SELECTED) && m_pImage[kFacePressed]) {
        face = kFacePressed;
        bShift = true;
    } else if (m_bHover && m_pImage[kFaceHover]) {
        face = kFaceHover;
    } else if ((nItemState & ODS_DISABLED) && m_pImage[kFaceDisabled]) {
        face = kFaceDisabled;
    }
    if (pbShift) *pbShift = bShift;
    return face;
}

void OBitmapButton::DrawItem(LPDRAWITEMSTRUCT lpDIS) {
    if (!lpDIS || !lpDIS->hDC) return;
    HDC dc = lpDIS->hDC;
    RECT rcClient = lpDIS->rcItem;
    const int cx = rcClient.right - rcClient.left;
    const int cy = rcClient.bottom - rcClient.top;
    if (cx <= 0 || cy <= 0) return;

    // Everything is composed left to right off screen and copied in one go; a mirrored button
    // shows its face flipped with the caption still readable.
    const DWORD layout = ::GetLayout(dc);
    ::SetLayout(dc, 0);
    if (!m_bmpBackground) {
        m_bmpBackground = skin::CopyPixels(dc, cx, cy);
        m_cxBackground = cx;
        m_cyBackground = cy;
    }

    bool bShift = false;
    const Face face = ChooseFace(lpDIS->itemState, &bShift);

    skin::COffscreen buffer(dc, cx, cy);
    if (buffer.IsValid()) {
        DrawBitmapAt(m_bmpBackground, buffer);
        skin::DrawImage(buffer, m_pImage[face].get(), 0, 0, m_bMirror != FALSE);
        if (m_szText[0]) {
            RECT rcText{0, 0, cx, cy};
            if (bShift) ::OffsetRect(&rcText, 1, 1);
            CSelectObject font(buffer, m_font);
            ::SetBkMode(buffer, TRANSPARENT);
            ::SetTextColor(buffer, m_crText);
            UINT format = DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX;
            if (m_bMirror) format |= DT_RTLREADING;
            ::DrawTextW(buffer, m_szText, -1, &rcText, format);
        }
        buffer.Flush();
    }
    ::SetLayout(dc, layout);
}

BOOL OBitmapButton::PreTranslateMessage(MSG* pMsg) {
    if (m_wndToolTip.m_hWnd) m_wndToolTip.SendMessage(TTM_RELAYEVENT, 0, LPARAM(pMsg));
    return CButton::PreTranslateMessage(pMsg);
}

LRESULT OBitmapButton::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_ERASEBKGND:
            return TRUE;  // the parent's pixels stay: they are the snapshot
        case WM_MOUSEMOVE:
            if (!m_bTracking) {
                TRACKMOUSEEVENT tme{sizeof tme, TME_HOVER | TME_LEAVE, m_hWnd, 1};
                m_bTracking = ::TrackMouseEvent(&tme);
            }
            break;
        case WM_MOUSEHOVER: {
            m_bHover = TRUE;
            // Tooltips show only in an active window.
            if (HWND hParent = ::GetParent(m_hWnd))
                ::SetActiveWindow(::GetAncestor(hParent, GA_ROOT));
            Invalidate(FALSE);
            DeleteToolTip();
            SetToolTip(m_nToolTipID);
            if (m_wndToolTip.m_hWnd) m_wndToolTip.SendMessage(TTM_UPDATE);
            return 0;
        }
        case WM_MOUSELEAVE:
            m_bTracking = FALSE;
            m_bHover = FALSE;
            Invalidate(FALSE);
            return 0;
    }
    return CButton::WindowProc(message, wParam, lParam);
}
