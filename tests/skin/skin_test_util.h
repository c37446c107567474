// Helpers of the skin tests: a parent painted in one known colour that keeps what its children
// send, pixels of windows, images and memory contexts.
#pragma once

#include <windows.h>

#include <vector>

#include "framework/handles.h"
#include "framework/wnd.h"
#include "skin/png_image.h"

namespace skin_test {

const COLORREF kParentColour = RGB(200, 30, 160);  // in no skin image

struct Received {
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
};

// A shown, not activated, top-level window painted in kParentColour; it keeps the
// UM_CHECK_CLICKED, UM_RADIO_CLICKED and WM_COMMAND messages it gets.
class CTestParent : public CWnd {
public:
    bool Create(int x, int y, int cx, int cy);
    std::vector<Received> m_received;

protected:
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
};

// Dispatches whatever is pending on this thread, paints included.
void FlushPaints();
COLORREF WindowPixel(HWND hWnd, int x, int y);
// Pixel x, y of image drawn over background.
COLORREF ImagePixel(const CGdiPlusBitmap& image, int x, int y, COLORREF background);
bool Near(COLORREF a, COLORREF b, int tolerance = 2);
bool IsWhite(COLORREF c);
// Pixels of rect in dc for which pred holds.
template <typename Pred>
int CountPixels(HDC dc, const RECT& rect, Pred pred) {
    int n = 0;
    for (int y = rect.top; y < rect.bottom; ++y)
        for (int x = rect.left; x < rect.right; ++x) n += pred(::GetPixel(dc, x, y)) ? 1 : 0;
    return n;
}

// Arial 16, the owners' font of radio buttons and bars.
ScopedFont CreateArial();
// The Russian library, loaded as data the way the wizard loads it; null on failure.
HMODULE LoadRussianLibrary();

// A 32-bit memory context of cx × cy filled with colour.
class CMemoryCanvas {
public:
    CMemoryCanvas(int cx, int cy, COLORREF colour);
    ~CMemoryCanvas() { ::SelectObject(m_dc, m_old); }
    operator HDC() const { return m_dc; }
    COLORREF Pixel(int x, int y) const { return ::GetPixel(m_dc, x, y); }

private:
    ScopedMemoryDC m_dc;
    ScopedBitmap m_bitmap;
    HGDIOBJ m_old = nullptr;
};

}  // namespace skin_test
