// OBitmapButton: an owner-drawn push button whose face is one of four PNG images.
#pragma once

#include <windows.h>

#include <memory>

#include "framework/controls.h"
#include "framework/handles.h"
#include "skin/png_image.h"

// The owner creates it as a visible child BUTTON with BS_OWNERDRAW (CButton::Create), then calls
// SetImages and writes the caption; the click arrives as the ordinary BN_CLICKED command.
class OBitmapButton : public CButton {
public:
    enum Face { kFaceNormal = 0, kFacePressed = 1, kFaceHover = 2, kFaceDisabled = 3 };

    OBitmapButton();
    ~OBitmapButton() override;

    // PNG resource IDs of the faces; 0 is "no image" (the normal face is always loaded). Drops
    // the background snapshot, so the next paint takes a fresh one. Returns TRUE.
    BOOL SetImages(WORD nNormal, WORD nPressed = 0, WORD nHover = 0, WORD nDisabled = 0);
    // Caption font: Tahoma, nSize pixels high, bold, ClearType.
    void SetTextFont(int nSize);
    // Tooltip from text nTextID; an empty text shows none.
    void SetToolTip(UINT nTextID);

    // The face a paint in the given ODS_ state draws, given this button's images and hover
    // state; *pbShift tells whether the caption moves one pixel right and down.
    Face ChooseFace(UINT nItemState, bool* pbShift) const;
    // Whether face i has an image.
    bool HasImage(int i) const { return i >= 0 && i < 4 && m_pImage[i] != nullptr; }

    BOOL PreTranslateMessage(MSG* pMsg) override;
    void DrawItem(LPDRAWITEMSTRUCT lpDIS) override;

    wchar_t m_szText[80] = L"";  // caption; empty draws none
    COLORREF m_crText = RGB(20, 20, 20);
    BOOL m_bMirror = FALSE;  // right-to-left: the face is drawn flipped
    BOOL m_bHover = FALSE;   // the pointer is over the button

protected:
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    void DeleteToolTip();

    std::unique_ptr<CGdiPlusBitmapResource> m_pImage[4];
    BOOL m_bTracking = FALSE;
    ScopedFont m_font;
    ScopedBitmap m_bmpBackground;
    int m_cxBackground = 0;
    int m_cyBackground = 0;
    wchar_t m_szToolTip[256] = L"";
    UINT m_nToolTipID = 0;
    CWnd m_wndToolTip;
};
