// GDI+ and the common controls for the whole run, the test parent, pixels.
#include "tests/skin/skin_test_util.h"

#include <commctrl.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "app/texts.h"
#include "base/window_messages.h"
#include "framework/gdiplus_header.h"
#include "skin/skin_texts.h"

namespace skin_test {

// The skinned controls get their texts as the wizard gives them.
const bool g_bTextSource = (skin::SetTextSource(&LoadText), true);

namespace {

class SkinEnvironment : public ::testing::Environment {
public:
    void SetUp() override {
        INITCOMMONCONTROLSEX icc{sizeof icc, ICC_WIN95_CLASSES};
        ::InitCommonControlsEx(&icc);
        Gdiplus::GdiplusStartupInput input;
        ASSERT_EQ(Gdiplus::GdiplusStartup(&m_token, &input, nullptr), Gdiplus::Ok);
    }
    void TearDown() override { Gdiplus::GdiplusShutdown(m_token); }

private:
    ULONG_PTR m_token = 0;
};

const auto* const s_environment = ::testing::AddGlobalTestEnvironment(new SkinEnvironment);

}  // namespace

bool CTestParent::Create(int x, int y, int cx, int cy) {
    if (!CreateEx(0, AfxRegisterWndClass(0), L"skin test", WS_POPUP, RECT{x, y, x + cx, y + cy},
                  nullptr, 0))
        return false;
    // Not activated: without a window manager Wine takes seconds to take an active window down.
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
        case WM_COMMAND:
            m_received.push_back({message, wParam, lParam});
            break;
    }
    return CWnd::WindowProc(message, wParam, lParam);
}

void FlushPaints() {
    MSG msg;
    for (int round = 0; round < 5; ++round, ::Sleep(5))
        while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) ::DispatchMessageW(&msg);
}

COLORREF WindowPixel(HWND hWnd, int x, int y) {
    return ::GetPixel(CClientDC(hWnd), x, y);
}

COLORREF ImagePixel(const CGdiPlusBitmap& image, int x, int y, COLORREF background) {
    Gdiplus::Color c;
    image.m_pBitmap->GetPixel(x, y, &c);
    const int a = c.GetA();
    auto blend = [a](int fg, int bg) { return (fg * a + bg * (255 - a) + 127) / 255; };
    return RGB(blend(c.GetR(), GetRValue(background)), blend(c.GetG(), GetGValue(background)),
               blend(c.GetB(), GetBValue(background)));
}

bool Near(COLORREF a, COLORREF b, int tolerance) {
    return std::abs(int(GetRValue(a)) - int(GetRValue(b))) <= tolerance &&
           std::abs(int(GetGValue(a)) - int(GetGValue(b))) <= tolerance &&
           std::abs(int(GetBValue(a)) - int(GetBValue(b))) <= tolerance;
}

bool IsWhite(COLORREF c) {
    return Near(c, RGB(255, 255, 255), 12);
}

ScopedFont CreateArial() {
    return ScopedFont(::CreateFontW(-16, 0, 0, 0, FW_NORMAL, 0, 0, 0, DEFAULT_CHARSET, 0, 0,
                                    CLEARTYPE_QUALITY, 0, L"Arial"));
}

HMODULE LoadRussianLibrary() {
    std::wstring path = L"Z:";  // the build tree through Wine's drive for the Linux root
    for (const char* p = KOVRA_RUS_DLL; *p; ++p) path += wchar_t(*p == '/' ? '\\' : *p);
    return ::LoadLibraryExW(path.c_str(), nullptr,
                            LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
}

CMemoryCanvas::CMemoryCanvas(int cx, int cy, COLORREF colour)
    : m_dc(::CreateCompatibleDC(nullptr)) {
    BITMAPINFO info{};
    info.bmiHeader = {sizeof info.bmiHeader, cx, -cy, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    void* bits = nullptr;
    m_bitmap.Reset(::CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
    m_old = ::SelectObject(m_dc, m_bitmap);
    ScopedBrush brush(::CreateSolidBrush(colour));
    RECT rect{0, 0, cx, cy};
    ::FillRect(m_dc, &rect, brush);
}

}  // namespace skin_test
