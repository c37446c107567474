// OMenuBar: the row of menu headers ("Language", "Info"), each an image button opening a popup
// menu whose commands go to the main window. The owner says what each popup holds.
#pragma once

#include <windows.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "framework/handles.h"
#include "framework/wnd.h"
#include "skin/bitmap_button.h"

// One command of a popup.
struct OMenuItem {
    UINT nID;
    std::wstring strText;
    bool bChecked = false;
};
// What a popup holds, asked each time it opens.
using OMenuItems = std::function<std::vector<OMenuItem>()>;

class OMenuBar : public CWnd {
public:
    static const int kMaxMenus = 4;
    static const UINT kFirstMenuID = 100;  // header i has control ID 100 + i

    OMenuBar();
    ~OMenuBar() override;

    // Creates the bar without a border in ProgressBarClass().
    bool Create(const RECT& rect, CWnd* pParent, UINT nID, DWORD dwStyle = WS_CHILD | WS_VISIBLE);
    // Adds the next header with caption text nTextID and the popup's items; false once four
    // exist.
    bool AddMenu(UINT nTextID, OMenuItems items);
    // Gives every header the caption of its text in the current language (after a switch).
    void ReloadMenuTexts();

    // The popup of header i as its items are now.
    ScopedMenu CreatePopup(int i) const;

    // Header i, or null.
    OBitmapButton* GetMenuButton(int i) const;

    int m_nMenuCount = 0;
    COLORREF m_crText = RGB(255, 255, 255);

protected:
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
    BOOL OnCommand(WPARAM wParam, LPARAM lParam) override;

private:
    void ShowMenu(HMENU hMenu, int nHeader);

    std::unique_ptr<OBitmapButton> m_pButtons[kMaxMenus];
    UINT m_nTextIDs[kMaxMenus] = {};
    OMenuItems m_items[kMaxMenus];
    RECT m_rcMenus[kMaxMenus];
};
