// CMessageBox: the wizard's skinned modal message box, and ShowMessage over it.
#pragma once

#include <windows.h>

#include <functional>

#include "framework/dialog.h"
#include "framework/handles.h"
#include "skin/bitmap_button.h"
#include "skin/png_image.h"
#include "skin/progress_bar.h"

// Button layouts; any other value shows Cancel alone.
enum MessageBoxType {
    kMessageBoxOK = 0,        // OK
    kMessageBoxOKCancel = 1,  // OK, Cancel
    kMessageBoxYesNo = 4,     // Yes, No
    kMessageBoxCancel = -1,   // Cancel
};

// The box's buttons and window title.
enum : UINT { IDC_MSGBOX_FIRST = 1001, IDC_MSGBOX_SECOND = 1002, IDC_MSGBOX_PROGRESS = 0xFFFF };
extern const wchar_t kMessageBoxTitle[];  // "OrvelMessageBox"

// Construct, optionally set m_bProgress or m_bIcon with m_pIcon, then DoModal: 1 for OK, Yes,
// Enter or UM_CLOSE_BOX; 2 for Cancel, No, Escape or a close request.
class CMessageBox : public CDialog {
public:
    // pParent: the window to centre on, or null for the screen. The text is copied (at most
    // 512 units).
    CMessageBox(CWnd* pParent, LPCWSTR lpszText, int nType);
    ~CMessageBox() override;

    // In progress mode: the bar's position, 0..100, repainted at once.
    void SetProgress(int nPercent);

    CWnd* m_pParent;
    wchar_t m_szText[513] = L"";
    int m_nType;
    bool m_bProgress = false;  // a progress bar under the text; the box is 50 pixels taller
    bool m_bIcon = false;      // m_pIcon drawn left of the text
    CGdiPlusBitmap* m_pIcon = nullptr;  // the caller's
    OProgressBar m_wndProgress;
    // Called once the box stands on screen (its window exists and shows), before it takes
    // input: work that must find the box starts here rather than racing its creation.
    std::function<void()> m_onShown;

protected:
    BOOL OnInitDialog() override;
    BOOL OnCommand(WPARAM wParam, LPARAM lParam) override;
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    void OnPaint();
    void LayOut();
    void CreateButton(OBitmapButton& button, bool& bCreated, const RECT& rect, UINT nID,
                      UINT nTextID);

    OBitmapButton m_btnFirst;
    OBitmapButton m_btnSecond;
    bool m_bFirstCreated = false;
    bool m_bSecondCreated = false;
    UINT m_nFirstTextID = 0;
    UINT m_nSecondTextID = 0;
    ScopedFont m_font;
    ScopedBitmap m_bmpBackground;
    int m_nWidth = 0;
    int m_nHeight = 0;
    RECT m_rcText{};
    RECT m_rcFirst{};
    RECT m_rcSecond{};
    RECT m_rcProgress{};
    POINT m_ptIcon{};
    short m_nX = 0;
    short m_nY = 0;
    bool m_bDragging = false;
    POINT m_ptDragStart{};
    bool m_bFirstPaint = false;
};

// Shows lpszText in a CMessageBox centred on the application's main window (AfxGetMainWnd)
// and returns its result; with bIcon, with the About picture (PNG 1042). The caption is not
// shown: the box has no title bar.
int ShowMessage(LPCWSTR lpszText, LPCWSTR lpszCaption = nullptr, int nType = kMessageBoxOK,
                int bIcon = 0);
