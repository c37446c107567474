// OMenuBar: the row of menu headers ("Language", "Info"), each an image button opening a popup
// menu whose commands go to the main window.
#pragma once

#include <windows.h>

#include <memory>

#include "framework/handles.h"
#include "framework/wnd.h"
#include "skin/bitmap_button.h"

// Commands of the popup menus.
enum : UINT {
    ID_LANGUAGE_ENGLISH = 2201,
    ID_LANGUAGE_RUSSIAN = 2202,
    ID_CHECK_UPDATE = 2203,
    ID_ABOUT = 2204,
};

class OMenuBar : public CWnd {
public:
    static const int kMaxMenus = 4;
    static const UINT kFirstMenuID = 100;  // header i has control ID 100 + i

    OMenuBar();
    ~OMenuBar() override;

    // Creates the bar without a border in ProgressBarClass().
    bool Create(const RECT& rect, CWnd* pParent, UINT nID, DWORD dwStyle = WS_CHILD | WS_VISIBLE);
    // Adds the next header with caption text nTextID; false once four exist.
    bool AddMenu(UINT nTextID);
    // Gives every header the caption of its text in the current language (after a switch).
    void ReloadMenuTexts();

    // The popups: Language (2201 English, 2202 Russian, the current one checked; a language
    // is detected and stored first when none is) and Info (2203, 2204).
    ScopedMenu CreateLanguageMenu() const;
    ScopedMenu CreateInfoMenu() const;

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
    RECT m_rcMenus[kMaxMenus];
};
