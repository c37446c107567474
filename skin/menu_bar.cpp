// OMenuBar: header buttons that open the Language and Info popups for the main window.
#include "skin/menu_bar.h"

#include <cwchar>

#include "app/texts.h"
#include "framework/win_app.h"
#include "resources/resource.h"
#include "skin/progress_bar.h"

namespace {

const WORD kHeaderImages[4] = {1038, 1039, 1040, 1041};

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

bool OMenuBar::AddMenu(UINT nTextID) {
    if (m_nMenuCount >= kMaxMenus) return false;
    const int i = m_nMenuCount;
    m_pButtons[i] = std::make_unique<OBitmapButton>();
    OBitmapButton& button = *m_pButtons[i];
    if (m_hWnd && button.Create(L"", WS_CHILD | WS_VISIBLE | BS_OWNERDRAW, m_rcMenus[i], this,
                                kFirstMenuID + UINT(i)))
        button.SetImages(kHeaderImages[0], kHeaderImages[1], kHeaderImages[2], kHeaderImages[3]);
    const wchar_t* text = LoadText(nTextID);
    std::wcsncpy(button.m_szText, text ? text : L"", 79);
    button.m_szText[79] = L'\0';
    button.m_crText = m_crText;
    button.SetTextFont(14);
    m_nTextIDs[i] = nTextID;
    ++m_nMenuCount;
    return true;
}

void OMenuBar::ReloadMenuTexts() {
    for (int i = 0; i < m_nMenuCount; ++i) {
        if (!m_pButtons[i]) continue;
        const wchar_t* text = LoadText(m_nTextIDs[i]);
        std::wcsncpy(m_pButtons[i]->m_szText, text ? text : L"", 79);
        m_pButtons[i]->m_szText[79] = L'\0';
    }
}

OBitmapButton* OMenuBar::GetMenuButton(int i) const {
    return i >= 0 && i < m_nMenuCount ? m_pButtons[i].get() : nullptr;
}

ScopedMenu OMenuBar::CreateLanguageMenu() const {
    int language = GetLanguageSetting();
    if (language < 0) {
        language = DetectUILanguage();
        SetLanguageSetting(language);
    }
    if (language >= 2) language = kLanguageEnglish;

    ScopedMenu menu(::CreatePopupMenu());
    if (!menu) return menu;
    // GetLanguageName reuses one buffer: each name is added before the next is asked for.
    ::AppendMenuW(menu, MF_STRING | (language == kLanguageEnglish ? MF_CHECKED : 0),
                  ID_LANGUAGE_ENGLISH, GetLanguageName(kLanguageEnglish));
    ::AppendMenuW(menu, MF_STRING | (language == kLanguageRussian ? MF_CHECKED : 0),
                  ID_LANGUAGE_RUSSIAN, GetLanguageName(kLanguageRussian));
    return menu;
}

ScopedMenu OMenuBar::CreateInfoMenu() const {
    ScopedMenu menu(::CreatePopupMenu());
    if (!menu) return menu;
    const wchar_t* update = LoadText(IDS_CHECK_UPDATE);
    ::AppendMenuW(menu, MF_STRING, ID_CHECK_UPDATE, update ? update : L"");
    const wchar_t* about = LoadText(IDS_ABOUT);
    ::AppendMenuW(menu, MF_STRING, ID_ABOUT, about ? about : L"");
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
        switch (LOWORD(wParam)) {
            case kFirstMenuID:
                ShowMenu(CreateLanguageMenu(), 0);
                return TRUE;
            case kFirstMenuID + 1:
                ShowMenu(CreateInfoMenu(), 1);
                return TRUE;
        }
    }
    return CWnd::OnCommand(wParam, lParam);
}

LRESULT OMenuBar::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_ERASEBKGND) return TRUE;  // the main window shows through
    return CWnd::WindowProc(message, wParam, lParam);
}
