// Helpers of the skin tests: GDI+ for the whole run, a parent window painted in one known
// colour that records what its children send, and pixel reading.
#pragma once

#include <windows.h>

#include <string>
#include <utility>
#include <vector>

#include "framework/handles.h"
#include "framework/wnd.h"
#include "skin/png_image.h"
#include "tests/framework/pump.h"

namespace skin_test {

// The colour every test parent paints; no skin image uses it.
const COLORREF kParentColour = RGB(200, 30, 160);

// A visible top-level window painted in kParentColour that keeps the messages its children
// send: UM_CHECK_CLICKED, UM_RADIO_CLICKED and WM_COMMAND.
class CTestParent : public CWnd {
public:
    struct Received {
        UINT message;
        WPARAM wParam;
        LPARAM lParam;
    };

    bool Create(int x, int y, int cx, int cy);
    std::vector<Received> m_received;

protected:
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
};

// Paints everything pending on this thread's windows.
void FlushPaints();

// The colour of pixel x, y of a window's client area, as the screen shows it.
COLORREF WindowPixel(HWND hWnd, int x, int y);

// Pixel x, y of an image as drawn over background: its colour blended by its alpha.
COLORREF ImagePixel(const CGdiPlusBitmap& image, int x, int y, COLORREF background);

// A 32-bit memory context of cx × cy filled with colour.
class CMemoryCanvas {
public:
    CMemoryCanvas(int cx, int cy, COLORREF colour);
    ~CMemoryCanvas();
    operator HDC() const { return m_dc; }
    COLORREF Pixel(int x, int y) const { return ::GetPixel(m_dc, x, y); }

private:
    ScopedMemoryDC m_dc;
    ScopedBitmap m_bitmap;
    HGDIOBJ m_old = nullptr;
};

// The owner's font of radio buttons and bars in the wizard: Arial 16, normal.
ScopedFont ScopedArial();

// The Russian language library, loaded as the wizard loads it (data only); null on failure.
HMODULE LoadRussianLibrary();

// Whether two colours differ by at most tolerance in each channel.
bool Near(COLORREF a, COLORREF b, int tolerance = 2);

// Count of pixels in rect of dc for which pred(colour) holds.
template <typename Pred>
int CountPixels(HDC dc, const RECT& rect, Pred pred) {
    int n = 0;
    for (int y = rect.top; y < rect.bottom; ++y)
        for (int x = rect.left; x < rect.right; ++x)
            if (pred(::GetPixel(dc, x, y))) ++n;
    return n;
}

}  // namespace skin_test
