// GDI+ and the common controls for the whole run, the test parent, pixels.
#include "tests/skin/skin_test_util.h"

#include <commctrl.h>
#include <gtest/gtest.h>

#include <cstdlib>

#include "app/messages.h"
#include "framework/gdiplus_header.h"

namespace skin_test {

namespace {

class SkinEnvironment : public ::testing::Environment {
public:
    void SetUp() override {
        INITCOMMONCONTROLSEX icc{sizeof icc, ICC_WIN95_CLASSES};
        ::InitCommonControlsEx(&icc);
        Gdiplus::GdiplusStartupInput input;
        ASSERT_EQ(Gdiplus::GdiplusStartup(&m_token, &input, nullptr), Gdiplus::Ok);
    }
    void TearDown() override {
        if (m_token) Gdiplus::GdiplusShutdown(m_token);
    }

private:
    ULONG_PTR m_token = 0;
};

const auto* const s_environment = ::testing::AddGlobalTestEnvironment(new SkinEnvironment);

}  // namespace

bool CTestParent::Create(int x, int y, int cx, int cy) {
    if (!CreateEx(0, AfxRegisterWndClass(CS_HREDRAW | CS_VREDRAW), L"skin test parent", WS_POPUP,
                  RECT{x, y, x + cx, y + cy}, nullptr, 0))
        return false;
    // Not activated: Wine takes seconds to take down an active window where no window
    // manager runs.
    ShowWindow(SW_SHOWNOACTIVATE);
    return true;
}

LRESULT CTestParent::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_ERASEBKGND:
            return TRUE;
        case WM_PAINT: {
            CPaintDC dc(m_hWnd);
            ScopedBrush brush(::CreateSolidBrush(kParentColour));
            ::FillRect(dc, &dc.m_ps.rcPaint, brush);
            return 0;
        }
        case UM_CHECK_CLICKED:
        case UM_RADIO_CLICKED:
            m_received.push_back({message, wParam, lParam});
            return 0;
        case WM_COMMAND:
            m_received.push_back({message, wParam, lParam});
            break;
    }
    return CWnd::WindowProc(message, wParam, lParam);
}

void FlushPaints() {
    MSG msg;
    for (int round = 0; round < 5; ++round) {
        while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            ::TranslateMessage(&msg);
            ::DispatchMessageW(&msg);
        }
        ::Sleep(5);
    }
}

COLORREF WindowPixel(HWND hWnd, int x, int y) {
    CClientDC dc(hWnd);
    return ::GetPixel(dc, x, y);
}

COLORREF ImagePixel(const CGdiPlusBitmap& image, int x, int y, COLORREF background) {
    Gdiplus::Color c;
    image.m_pBitmap->GetPixel(x, y, &c);
    const int a = c.GetA();
    auto blend = [a](int fg, int bg) { return (fg * a + bg * (255 - a) + 127) / 255; };
    return RGB(blend(c.GetR(), GetRValue(background)), blend(c.GetG(), GetGValue(background)),
               blend(c.GetB(), GetBValue(background)));
}

CMemoryCanvas::CMemoryCanvas(int cx, int cy, COLORREF colour) {
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = cx;
    info.bmiHeader.biHeight = -cy;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    void* bits = nullptr;
    m_dc.Reset(::CreateCompatibleDC(nullptr));
    m_bitmap.Reset(::CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
    m_old = ::SelectObject(m_dc, m_bitmap);
    ScopedBrush brush(::CreateSolidBrush(colour));
    RECT rect{0, 0, cx, cy};
    ::FillRect(m_dc, &rect, brush);
}

CMemoryCanvas::~CMemoryCanvas() {
    if (m_old) ::SelectObject(m_dc, m_old);
}

ScopedFont ScopedArial() {
    return ScopedFont(::CreateFontW(-16, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                                    OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, CLEARTYPE_QUALITY,
                                    DEFAULT_PITCH, L"Arial"));
}

HMODULE LoadRussianLibrary() {
    std::wstring path = L"Z:";
    for (const char* p = KOVRA_RUS_DLL; *p; ++p) path += wchar_t(*p == '/' ? '\\' : *p);
    return ::LoadLibraryExW(path.c_str(), nullptr,
                            LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
}

bool Near(COLORREF a, COLORREF b, int tolerance) {
    return std::abs(int(GetRValue(a)) - int(GetRValue(b))) <= tolerance &&
           std::abs(int(GetGValue(a)) - int(GetGValue(b))) <= tolerance &&
           std::abs(int(GetBValue(a)) - int(GetBValue(b))) <= tolerance;
}

}  // namespace skin_test
