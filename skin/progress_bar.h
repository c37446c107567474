// OProgressBar: an orange fill over a track image with the percentage written on it.
#pragma once

#include <windows.h>

#include <memory>

#include "framework/handles.h"
#include "framework/wnd.h"
#include "skin/png_image.h"

class OProgressBar : public CWnd {
public:
    OProgressBar() = default;
    ~OProgressBar() override;

    // Creates the bar without a border in its own window class (ProgressBarClass).
    bool Create(const RECT& rect, CWnd* pParent, UINT nID, DWORD dwStyle = WS_CHILD | WS_VISIBLE);
    // Deletes the snapshot and any images, loads the track (PNG 1032) and the fill (PNG 1031)
    // and takes the track's size. Returns TRUE.
    BOOL LoadImages();
    // Sets m_nPos and repaints at once.
    void SetPos(int nPos);

    // The fill's width in a client nWidth wide; 0 for an empty range, never beyond nWidth.
    static int FillWidth(int nWidth, int nPos, int nMin, int nMax);
    // The percentage written on the bar: "%d%%" of pos × 100 ÷ range; "0%" for an empty range.
    static void FormatPercent(wchar_t (&szText)[16], int nPos, int nMin, int nMax);

    short m_nPos = 0;  // owners write it and repaint
    short m_nMin = 0;
    short m_nMax = 100;
    HFONT m_hFont = nullptr;  // the owner's font for the percentage; not deleted here

protected:
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    void OnPaint();

    std::unique_ptr<CGdiPlusBitmapResource> m_pTrack;
    std::unique_ptr<CGdiPlusBitmapResource> m_pFill;
    int m_nImageWidth = 0;
    int m_nImageHeight = 0;
    ScopedBitmap m_bmpBackground;
};

// Double clicks, redraw on resize, the arrow cursor, the window-colour brush: the class of the
// progress bar and the menu bar.
LPCWSTR ProgressBarClass();
