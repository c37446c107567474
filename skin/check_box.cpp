// OCheckBox and ORadioButton: state images, press and toggle, hover, captions.
#include "skin/check_box.h"

#include <windowsx.h>

#include <cwchar>

#include "base/window_messages.h"
#include "resources/skin_ids.h"
#include "skin/skin_draw.h"

namespace {

const int kStateImages = 7;  // the checked-and-disabled state borrows a faint checked image
const float kDisabledOpacity = 0.45f;

RECT ClientRect(HWND hWnd) {
    RECT rect{0, 0, 0, 0};
    if (hWnd) ::GetClientRect(hWnd, &rect);
    return rect;
}

}  // namespace

LPCWSTR SkinControlClass() {
    return AfxRegisterWndClass(CS_HREDRAW | CS_VREDRAW);
}

OToggleControl::OToggleControl(WORD nFirstImage, int nHitExtra, UINT nClickMessage)
    : m_nFirstImage(nFirstImage), m_nHitExtra(nHitExtra), m_nClickMessage(nClickMessage) {}

OToggleControl::~OToggleControl() = default;

bool OToggleControl::Create(const RECT& rect, CWnd* pParent, UINT nID, DWORD dwStyle) {
    return CreateEx(0, SkinControlClass(), L"", dwStyle, rect, pParent, nID);
}

BOOL OToggleControl::LoadImages() {
    for (auto& image : m_pImage) image.reset();
    m_bmpBackground.Reset();
    for (int i = 0; i < kStateImages; ++i) m_pImage[i] = LoadPngImage(WORD(m_nFirstImage + i));
    return TRUE;
}

void OToggleControl::SetText(LPCWSTR lpszText) {
    std::wcsncpy(m_szText, lpszText ? lpszText : L"", 79);
    m_szText[79] = L'\0';
    CClientDC dc(m_hWnd);
    if (!dc) return;
    CSelectObject font(dc, GetTextFont());
    m_nTextWidth = short(skin::TextWidth(dc, m_szText));
}

RECT OToggleControl::GetHitRect() const {
    RECT rect = ClientRect(m_hWnd);
    rect.right = rect.left + m_nTextWidth + m_nHitExtra;
    return rect;
}

int OToggleControl::GetImageIndex() const {
    int index = !m_bEnabled ? 3 : m_bHover ? 2 : m_bPressed ? 1 : 0;
    return index + (m_bChecked ? 4 : 0);
}

SIZE OToggleControl::GetSnapshotSize() const {
    RECT rect = ClientRect(m_hWnd);
    return SIZE{rect.right - rect.left, rect.bottom - rect.top};
}

void OToggleControl::OnPaint() {
    CPaintDC dc(m_hWnd);
    const RECT rcClient = ClientRect(m_hWnd);
    if (!m_bmpBackground) {
        m_sizeBackground = GetSnapshotSize();
        m_bmpBackground = skin::CopyPixels(dc, m_sizeBackground.cx, m_sizeBackground.cy);
    }
    skin::COffscreen buffer(dc, rcClient.right, rcClient.bottom);
    if (!buffer.IsValid()) return;
    // Whatever the snapshot does not cover keeps what is on screen.
    ::BitBlt(buffer, 0, 0, rcClient.right, rcClient.bottom, dc, 0, 0, SRCCOPY);
    DrawBitmapAt(m_bmpBackground, buffer);
    DrawFace(buffer, rcClient);
    buffer.Flush();
}

void OToggleControl::EndPress(bool bReleaseCapture) {
    m_bPressed = FALSE;
    if (bReleaseCapture && ::GetCapture() == m_hWnd) ::ReleaseCapture();
    RECT rect = GetPressRect();
    InvalidateRect(&rect, FALSE);
    // The state changed when the button went down; the parent learns it now.
    if (HWND hParent = ::GetParent(m_hWnd))
        ::SendMessageW(hParent, m_nClickMessage, WPARAM(GetDlgCtrlID()),
                       LPARAM(m_bChecked ? 1 : 0));
}

LRESULT OToggleControl::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_ERASEBKGND:
            return TRUE;  // the parent's pixels stay: they are the snapshot
        case WM_PAINT:
            OnPaint();
            return 0;
        case WM_LBUTTONDOWN: {
            POINT pt{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
            RECT hit = GetHitRect();
            if (m_bEnabled && !m_bPressed && ::PtInRect(&hit, pt)) {
                ::SetCapture(m_hWnd);
                m_bPressed = TRUE;
                m_bChecked = !m_bChecked;
                RECT rect = GetPressRect();
                InvalidateRect(&rect, FALSE);
            }
            return 0;
        }
        case WM_LBUTTONUP:
            // Wherever it goes up: the click counted when it went down inside.
            if (m_bPressed) EndPress(true);
            return 0;
        case WM_DESTROY:
            m_bPressed = FALSE;  // a window going away reports nothing
            break;
        case WM_CAPTURECHANGED:
            // Capture taken away mid-click (another window, a dialog): the click still ends,
            // so the parent never misses a state change.
            if (m_bPressed && HWND(lParam) != m_hWnd) EndPress(false);
            return 0;
        case WM_MOUSEMOVE:
            if (!m_bTracking) {
                TRACKMOUSEEVENT tme{sizeof tme, TME_HOVER | TME_LEAVE, m_hWnd, 1};
                m_bTracking = ::TrackMouseEvent(&tme);
            }
            break;
        case WM_MOUSEHOVER:
            m_bHover = TRUE;
            Invalidate(FALSE);
            return 0;
        case WM_MOUSELEAVE:
            m_bTracking = FALSE;
            m_bHover = FALSE;
            Invalidate(FALSE);
            return 0;
    }
    return CWnd::WindowProc(message, wParam, lParam);
}

// OCheckBox

OCheckBox::OCheckBox() : OToggleControl(kArtCheckBox, 26, UM_CHECK_CLICKED) {}

void OCheckBox::SetTextFont() {
    m_font = skin::CreateFont(L"Arial", 16, FW_NORMAL);
}

SIZE OCheckBox::GetSnapshotSize() const {
    if (!::IsRectEmpty(&m_rcWindow))
        return SIZE{m_rcWindow.right - m_rcWindow.left, m_rcWindow.bottom - m_rcWindow.top};
    return OToggleControl::GetSnapshotSize();
}

void OCheckBox::DrawFace(HDC dc, const RECT& rcClient) {
    const int index = GetImageIndex();
    const CGdiPlusBitmap* image = m_pImage[index].get();
    float opacity = 1.0f;
    if (!image && index == 7) {
        image = m_pImage[4].get();
        opacity = kDisabledOpacity;
    }
    const int cxImage = image ? image->GetWidth() : 18;
    const int cyImage = image ? image->GetHeight() : 18;
    skin::DrawImage(dc, image, 0, (rcClient.bottom - cyImage) / 2, false, opacity);
    if (m_szText[0]) {
        RECT rect{cxImage + 10, 0, rcClient.right, rcClient.bottom};
        CSelectObject font(dc, GetTextFont());
        ::SetBkMode(dc, TRANSPARENT);
        ::SetTextColor(dc, RGB(255, 255, 255));
        ::DrawTextW(dc, m_szText, -1, &rect, DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
    }
}

// ORadioButton

ORadioButton::ORadioButton() : OToggleControl(kArtRadio, 24, UM_RADIO_CLICKED) {}

RECT ORadioButton::GetPressRect() const {
    return ClientRect(m_hWnd);
}

void ORadioButton::DrawFace(HDC dc, const RECT& rcClient) {
    const int index = GetImageIndex();
    const CGdiPlusBitmap* image = m_pImage[index].get();
    float opacity = 1.0f;
    if (!image && index == 7) {
        image = m_pImage[4].get();
        opacity = kDisabledOpacity;
    }
    skin::DrawImage(dc, image, 0, 0, false, opacity);
    if (m_szText[0]) {
        RECT rect{24, 0, rcClient.right, rcClient.bottom};
        CSelectObject font(dc, GetTextFont());
        ::SetBkMode(dc, TRANSPARENT);
        ::SetTextColor(dc, RGB(255, 255, 255));
        ::DrawTextW(dc, m_szText, -1, &rect, DT_LEFT | DT_TOP | DT_WORDBREAK | DT_NOPREFIX);
    }
}
