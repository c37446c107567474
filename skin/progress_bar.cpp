// OProgressBar: track and fill images, the percentage on top, composed off screen.
#include "skin/progress_bar.h"

#include <cwchar>

#include "resources/skin_ids.h"
#include "skin/skin_draw.h"

LPCWSTR ProgressBarClass() {
    return AfxRegisterWndClass(CS_DBLCLKS | CS_HREDRAW | CS_VREDRAW,
                               ::LoadCursorW(nullptr, IDC_ARROW), HBRUSH(COLOR_WINDOW + 1));
}

OProgressBar::~OProgressBar() = default;

bool OProgressBar::Create(const RECT& rect, CWnd* pParent, UINT nID, DWORD dwStyle) {
    return CreateEx(0, ProgressBarClass(), L"", dwStyle & ~WS_BORDER, rect, pParent, nID);
}

BOOL OProgressBar::LoadImages() {
    m_bmpBackground.Reset();
    m_pTrack = LoadPngImage(kArtProgressTrack);
    m_pFill = LoadPngImage(kArtProgressFill);
    m_nImageWidth = m_pTrack ? m_pTrack->GetWidth() : 0;
    m_nImageHeight = m_pTrack ? m_pTrack->GetHeight() : 0;
    return TRUE;
}

void OProgressBar::SetPos(int nPos) {
    m_nPos = short(nPos);
    if (m_hWnd) {
        Invalidate(FALSE);
        UpdateWindow();
    }
}

int OProgressBar::FillWidth(int nWidth, int nPos, int nMin, int nMax) {
    const int range = nMax - nMin;
    if (range <= 0 || nWidth <= 0 || nPos <= 0) return 0;
    const long long fill = static_cast<long long>(nWidth) * nPos / range;
    return fill > nWidth ? nWidth : int(fill);
}

void OProgressBar::FormatPercent(wchar_t (&szText)[16], int nPos, int nMin, int nMax) {
    const int range = nMax - nMin;
    const int percent = range > 0 ? int(static_cast<long long>(nPos) * 100 / range) : 0;
    std::swprintf(szText, 16, L"%d%%", percent);
}

void OProgressBar::OnPaint() {
    CPaintDC dc(m_hWnd);
    RECT rcClient;
    GetClientRect(&rcClient);
    // Without images the bar still paints, over its client area.
    const int cx = m_nImageWidth > 0 ? m_nImageWidth : rcClient.right;
    const int cy = m_nImageHeight > 0 ? m_nImageHeight : rcClient.bottom;
    if (!m_bmpBackground) m_bmpBackground = skin::CopyPixels(dc, cx, cy);

    skin::COffscreen buffer(dc, cx, cy);
    if (!buffer.IsValid()) return;
    DrawBitmapAt(m_bmpBackground, buffer);
    skin::DrawImage(buffer, m_pTrack.get(), 0, 0);
    const int fill = FillWidth(rcClient.right, m_nPos, m_nMin, m_nMax);
    if (fill > 0 && m_pFill && !m_pFill->IsEmpty()) {
        Gdiplus::Graphics graphics(buffer);
        graphics.SetInterpolationMode(Gdiplus::InterpolationModeNearestNeighbor);
        graphics.SetPixelOffsetMode(Gdiplus::PixelOffsetModeHalf);
        const int height = m_pFill->GetHeight();
        const int width = fill < m_pFill->GetWidth() ? fill : m_pFill->GetWidth();
        graphics.DrawImage(m_pFill->m_pBitmap, Gdiplus::Rect(0, 0, width, height), 0, 0, width,
                           height, Gdiplus::UnitPixel);
    }

    wchar_t text[16];
    FormatPercent(text, m_nPos, m_nMin, m_nMax);
    {
        CSelectObject font(buffer, m_hFont);
        ::SetBkMode(buffer, TRANSPARENT);
        ::SetTextColor(buffer, RGB(255, 255, 255));
        RECT rcText = rcClient;
        ::DrawTextW(buffer, text, -1, &rcText, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
    }
    buffer.Flush(rcClient.right, rcClient.bottom);
}

LRESULT OProgressBar::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_ERASEBKGND:
            return TRUE;  // the parent's pixels stay: they are the snapshot
        case WM_PAINT:
            OnPaint();
            return 0;
    }
    return CWnd::WindowProc(message, wParam, lParam);
}
