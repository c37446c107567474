// OPropertySheet: the strip of the wizard's four steps, the current one highlighted.
#pragma once

#include <windows.h>

#include "framework/handles.h"
#include "framework/wnd.h"

class OPropertySheet : public CWnd {
public:
    static const int kSteps = 4;

    // Loads the four strips (bitmaps 1500..1503) and the fonts and lays out the texts.
    OPropertySheet();
    ~OPropertySheet() override;

    // Creates the strip as a child of pParent at x, y with the strip's own size.
    bool Create(int x, int y, CWnd* pParent, UINT nID, DWORD dwStyle = WS_CHILD | WS_VISIBLE);

    short m_nStepCount = 0;  // steps whose texts are drawn
    short m_nCurStep = 0;    // 0..3: the strip and the texts in the active colour
    wchar_t m_szStepTitle[kSteps][40] = {};
    wchar_t m_szStepText[kSteps][80] = {};
    COLORREF m_crInactive = RGB(63, 63, 63);
    COLORREF m_crActive = RGB(255, 255, 255);

    int m_nWidth = 0;  // the strip's size, from bitmap 1500
    int m_nHeight = 0;
    RECT m_rcTitle[kSteps] = {};
    RECT m_rcText[kSteps] = {};

protected:
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    void OnPaint();

    ScopedBitmap m_bmpStrip[kSteps];
    ScopedFont m_fontTitle;
    ScopedFont m_fontText;
};
