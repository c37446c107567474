// OMenuBar: header buttons that open the Language and Info popups for the main window.
#include "skin/menu_bar.h"

#include <cwchar>

#include "framework/win_app.h"
#include "resources/skin_ids.h"
#include "skin/progress_bar.h"
#include "skin/skin_texts.h"

namespace {

const WORD kHeaderImages[4] = {kArtMenuHeader, kArtMenuHeader + 1, kArtMenuHeader + 2, kArtMenuHeader + 3};

}  // namespace

OMenuBar::OMenuBar() {
    for (int i = 0; i < kMaxMenus; ++i) m_rcMenus[i] = RECT{7 + 104 * i, 0, 111 + 104 * i, 34};
}

OMenuBar::~OMenuBar() {
    // The headers are children of the bar: they go before it.
    for (auto& button : m_pButtons) button.reset();
}

bool OMenuBar::Create(const RECT& rect, CWnd* pParent, UINT nID, DWORD dwStyle) {
    return CreateEx(0, ProgressBarClass(), L"", dwStyle & ~WS_BORDER, rect, pParent, nID);
}

bool OMenuBar::AddMenu(UINT nTextID, OMenuItems items) {
    if (m_nMenuCount >= kMaxMenus) return false;
    const int i = m_nMenuCount;
    m_pButtons[i] = std::make_unique<OBitmapButton>();
    OBitmapButton& button = *m_pButtons[i];
    if (m_hWnd && button.Create(L"", WS_CHILD | WS_VISIBLE | BS_OWNERDRAW, m_rcMenus[i], this,
                                kFirstMenuID + UINT(i)))
        button.SetImages(kHeaderImages[0], kHeaderImages[1], kHeaderImages[2], kHeaderImages[3]);
    const wchar_t* text = skin::Text(nTextID);
    std::wcsncpy(button.m_szText, text ? text : L"", 79);
    button.m_szText[79] = L'\0';
    button.m_crText = m_crText;
    button.SetTextFont(14);
    m_nTextIDs[i] = nTextID;
    m_items[i] = std::move(items);
    ++m_nMenuCount;
    return true;
}

void OMenuBar::ReloadMenuTexts() {
    for (int i = 0; i < m_nMenuCount; ++i) {
        if (!m_pButtons[i]) continue;
        const wchar_t* text = skin::Text(m_nTextIDs[i]);
        std::wcsncpy(m_pButtons[i]->m_szText, text ? text : L"", 79);
        m_pButtons[i]->m_szText[79] = L'\0';
    }
}

OBitmapButton* OMenuBar::GetMenuButton(int i) const {
    return i >= 0 && i < m_nMenuCount ? m_pButtons[i].get() : nullptr;
}

ScopedMenu OMenuBar::CreatePopup(int i) const {
    if (i < 0 || i >= m_nMenuCount) return ScopedMenu();
    ScopedMenu menu(::CreatePopupMenu());
    if (!menu || !m_items[i]) return menu;
    for (const OMenuItem& item : m_items[i]())
        ::AppendMenuW(menu, MF_STRING | (item.bChecked ? MF_CHECKED : 0), item.nID, item.strText.c_str());
    return menu;
}

void OMenuBar::ShowMenu(HMENU hMenu, int nHeader) {
    if (!hMenu) return;
    RECT bar;
    GetWindowRect(&bar);
    const int x = bar.left + m_rcMenus[nHeader].left;
    const int y = bar.top + m_rcMenus[nHeader].bottom;
    // The main window owns the menu and receives its command.
    CWnd* pMain = AfxGetMainWnd();
    HWND hOwner = pMain && pMain->m_hWnd ? pMain->m_hWnd : ::GetAncestor(m_hWnd, GA_ROOT);
    ::TrackPopupMenu(hMenu, TPM_LEFTALIGN | TPM_TOPALIGN, x, y, 0, hOwner, nullptr);
}

BOOL OMenuBar::OnCommand(WPARAM wParam, LPARAM lParam) {
    if (HIWORD(wParam) == BN_CLICKED && lParam) {
        const int header = int(LOWORD(wParam)) - int(kFirstMenuID);
        if (header >= 0 && header < m_nMenuCount) {
            ShowMenu(CreatePopup(header), header);
            return TRUE;
        }
    }
    return CWnd::OnCommand(wParam, lParam);
}

LRESULT OMenuBar::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_ERASEBKGND) return TRUE;  // the main window shows through
    return CWnd::WindowProc(message, wParam, lParam);
}
