// OCheckBox and ORadioButton: self-painted state image and white caption, reporting clicks to
// the parent with UM_CHECK_CLICKED and UM_RADIO_CLICKED.
#pragma once

#include <windows.h>

#include <memory>

#include "framework/handles.h"
#include "framework/wnd.h"
#include "skin/png_image.h"

// What the check box and the radio button share: state images, pressing, hovering and the
// background snapshot. Owners create either as a child window of a class of their own (see
// RegisterClass), call LoadImages, set m_bChecked, the font and the caption, and show it.
class OToggleControl : public CWnd {
public:
    ~OToggleControl() override;

    // Creates the control as a child of pParent with SkinControlClass().
    bool Create(const RECT& rect, CWnd* pParent, UINT nID, DWORD dwStyle = WS_CHILD | WS_VISIBLE);
    // Deletes any images and the snapshot and loads the seven state images. Returns TRUE.
    BOOL LoadImages();
    // Copies the caption (at most 79 units) and measures its one-line width in the font.
    void SetText(LPCWSTR lpszText);

    // The area that takes clicks: the client rectangle up to the caption's end.
    RECT GetHitRect() const;
    // Index of the state image drawn now: 4 when checked, plus 3 disabled, 2 hover,
    // 1 pressed or 0.
    int GetImageIndex() const;
    int GetTextWidth() const { return m_nTextWidth; }

    BOOL m_bEnabled = TRUE;   // takes clicks
    BOOL m_bChecked = FALSE;  // owners may write it and repaint
    BOOL m_bHover = FALSE;
    wchar_t m_szText[80] = L"";

protected:
    OToggleControl(WORD nFirstImage, int nHitExtra, UINT nClickMessage);

    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
    virtual HFONT GetTextFont() const = 0;
    // The size of the background snapshot.
    virtual SIZE GetSnapshotSize() const;
    // The area repainted when pressed and released.
    virtual RECT GetPressRect() const { return GetHitRect(); }
    // Image and caption over the snapshot, on a memory context of the client's size.
    virtual void DrawFace(HDC dc, const RECT& rcClient) = 0;

    std::unique_ptr<CGdiPlusBitmapResource> m_pImage[8];

private:
    void OnPaint();
    void EndPress(bool bReleaseCapture);

    const WORD m_nFirstImage;
    const int m_nHitExtra;
    const UINT m_nClickMessage;
    BOOL m_bPressed = FALSE;
    BOOL m_bTracking = FALSE;
    short m_nTextWidth = 0;
    ScopedBitmap m_bmpBackground;
    SIZE m_sizeBackground{};
};

// Check box: 18 x 18 images (PNG 1150..1156), caption in its own Arial font; clicks reach to
// the caption's width plus 26 pixels.
class OCheckBox : public OToggleControl {
public:
    OCheckBox();
    // Arial, 16 pixels high, normal weight, ClearType.
    void SetTextFont();

    // The control's rectangle in its parent, written by the owner after creation; its size is
    // the snapshot's (the client size while it is empty).
    RECT m_rcWindow{};

protected:
    HFONT GetTextFont() const override { return m_font; }
    SIZE GetSnapshotSize() const override;
    void DrawFace(HDC dc, const RECT& rcClient) override;

private:
    ScopedFont m_font;
};

// Radio button: 19 x 19 images (PNG 1020..1026), caption in the owner's font, word-wrapped;
// clicks reach to the caption's width plus 24 pixels. It does not group itself: the parent
// keeps radio buttons exclusive on UM_RADIO_CLICKED.
class ORadioButton : public OToggleControl {
public:
    ORadioButton();

    // The owner's font, set before SetText; not deleted by the control.
    HFONT m_hFont = nullptr;

protected:
    HFONT GetTextFont() const override { return m_hFont; }
    RECT GetPressRect() const override;
    void DrawFace(HDC dc, const RECT& rcClient) override;
};

// The window class of check boxes and radio buttons: redrawn whole on resize, no cursor,
// background brush or icon.
LPCWSTR SkinControlClass();
