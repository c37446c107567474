// OPropertySheet: the step strip bitmaps with each step's title and description.
#include "skin/property_sheet.h"

#include "skin/skin_draw.h"

namespace {

// Left edges of the four steps' texts, inside the chevrons.
const int kTextLeft[OPropertySheet::kSteps] = {25, 261, 463, 673};

ScopedBitmap LoadStrip(WORD id) {
    if (!g_hImageModule) g_hImageModule = ::GetModuleHandleW(nullptr);
    return ScopedBitmap(HBITMAP(::LoadImageW(g_hImageModule, MAKEINTRESOURCEW(id), IMAGE_BITMAP, 0,
                                             0, LR_CREATEDIBSECTION)));
}

// Owners fill the arrays directly: a text that fills its array has no end mark.
template <size_t N>
int Length(const wchar_t (&text)[N]) {
    size_t n = 0;
    while (n < N && text[n]) ++n;
    return int(n);
}

}  // namespace

OPropertySheet::OPropertySheet()
    : m_fontTitle(skin::CreateFont(L"Arial", 18, FW_BOLD)),
      m_fontText(skin::CreateFont(L"Arial", 15, FW_NORMAL)) {
    for (int i = 0; i < kSteps; ++i) m_bmpStrip[i] = LoadStrip(WORD(1500 + i));
    const SIZE size = GetBitmapSize(m_bmpStrip[0]);
    m_nWidth = size.cx;
    m_nHeight = size.cy;
    const int quarter = m_nWidth / kSteps;
    for (int i = 0; i < kSteps; ++i) {
        m_rcTitle[i] = RECT{kTextLeft[i], 12, (i + 1) * quarter - 1, 36};
        m_rcText[i] = RECT{kTextLeft[i], 37, (i + 1) * quarter - 1, m_nHeight};
    }
}

OPropertySheet::~OPropertySheet() = default;

bool OPropertySheet::Create(int x, int y, CWnd* pParent, UINT nID, DWORD dwStyle) {
    return CreateEx(0,
                    AfxRegisterWndClass(CS_HREDRAW | CS_VREDRAW, ::LoadCursorW(nullptr, IDC_ARROW)),
                    L"", dwStyle, RECT{x, y, x + m_nWidth, y + m_nHeight}, pParent, nID);
}

void OPropertySheet::OnPaint() {
    CPaintDC dc(m_hWnd);
    RECT rcClient;
    GetClientRect(&rcClient);
    skin::COffscreen buffer(dc, rcClient.right, rcClient.bottom);
    if (!buffer.IsValid()) return;
    // A step out of range shows the nearest strip rather than reading past the four.
    const int current = m_nCurStep < 0 ? 0 : m_nCurStep >= kSteps ? kSteps - 1 : m_nCurStep;
    ::BitBlt(buffer, 0, 0, rcClient.right, rcClient.bottom, dc, 0, 0, SRCCOPY);
    DrawBitmapAt(m_bmpStrip[current], buffer);

    ::SetBkMode(buffer, TRANSPARENT);
    const int count = m_nStepCount < kSteps ? m_nStepCount : kSteps;
    for (int i = 0; i < count; ++i) {
        ::SetTextColor(buffer, i == m_nCurStep ? m_crActive : m_crInactive);
        if (m_szStepTitle[i][0]) {
            CSelectObject font(buffer, m_fontTitle);
            RECT rect = m_rcTitle[i];
            ::DrawTextW(buffer, m_szStepTitle[i], Length(m_szStepTitle[i]), &rect,
                        DT_LEFT | DT_TOP | DT_SINGLELINE | DT_NOPREFIX);
        }
        if (m_szStepText[i][0]) {
            CSelectObject font(buffer, m_fontText);
            RECT rect = m_rcText[i];
            ::DrawTextW(buffer, m_szStepText[i], Length(m_szStepText[i]), &rect,
                        DT_LEFT | DT_TOP | DT_WORDBREAK | DT_NOPREFIX);
        }
    }
    buffer.Flush();
}

LRESULT OPropertySheet::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_ERASEBKGND:
            return TRUE;  // the strip covers it all
        case WM_PAINT:
            OnPaint();
            return 0;
    }
    return CWnd::WindowProc(message, wParam, lParam);
}
