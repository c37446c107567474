// OProgressBar, OPropertySheet and OMenuBar on real windows.
#include <gtest/gtest.h>

#include <string>

#include "app/texts.h"
#include "resources/resource.h"
#include "skin/menu_bar.h"
#include "skin/progress_bar.h"
#include "skin/property_sheet.h"
#include "tests/app/app_test_util.h"
#include "tests/skin/skin_test_util.h"

namespace {

using skin_test::CTestParent;
using skin_test::Near;

TEST(ProgressBar, FillWidthAndPercentText) {
    struct {
        int width, pos, min, max, fill;
        const wchar_t* text;
    } cases[] = {
        {399, 0, 0, 100, 0, L"0%"},       {399, 100, 0, 100, 399, L"100%"},
        {399, 63, 0, 100, 251, L"63%"},   {613, 50, 0, 100, 306, L"50%"},
        {399, 1, 0, 100, 3, L"1%"},       {399, 150, 0, 100, 399, L"150%"},  // never past the end
        {399, -5, 0, 100, 0, L"-5%"},     {399, 40, 0, 0, 0, L"0%"},  // an empty range
        {399, 40, 50, 50, 0, L"0%"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.pos);
        EXPECT_EQ(OProgressBar::FillWidth(c.width, c.pos, c.min, c.max), c.fill);
        wchar_t text[16];
        OProgressBar::FormatPercent(text, c.pos, c.min, c.max);
        EXPECT_STREQ(text, c.text);
    }
}

class ProgressBarWindow : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_parent.Create(30, 30, 700, 100));
        m_font = skin_test::ScopedArial();
        ASSERT_TRUE(m_bar.Create(RECT{20, 20, 419, 50}, &m_parent, 0xFFFF));
        m_bar.LoadImages();
        m_bar.m_hFont = m_font;
        m_track = LoadPngImage(1032);
        m_fill = LoadPngImage(1031);
    }
    void Show(int pos) {
        m_bar.SetPos(pos);
        skin_test::FlushPaints();
    }
    bool ShowsFill(int x) {
        return Near(skin_test::WindowPixel(m_bar, x, 6),
                    skin_test::ImagePixel(*m_fill, x, 6, skin_test::kParentColour), 6);
    }
    bool ShowsTrack(int x) {
        return Near(skin_test::WindowPixel(m_bar, x, 6),
                    skin_test::ImagePixel(*m_track, x, 6, skin_test::kParentColour), 6);
    }
    CTestParent m_parent;
    ScopedFont m_font;
    OProgressBar m_bar;
    std::unique_ptr<CGdiPlusBitmapResource> m_track, m_fill;
};

TEST_F(ProgressBarWindow, FillCoversItsShareOfTheClientWidth) {
    ASSERT_FALSE(Near(skin_test::ImagePixel(*m_fill, 100, 6, 0),
                      skin_test::ImagePixel(*m_track, 100, 6, 0), 20));
    Show(0);
    EXPECT_TRUE(ShowsTrack(10));
    EXPECT_TRUE(ShowsTrack(390));
    Show(50);  // 399 × 50 ÷ 100 = 199
    EXPECT_TRUE(ShowsFill(10));
    EXPECT_TRUE(ShowsFill(198));
    EXPECT_TRUE(ShowsTrack(200));
    Show(100);
    EXPECT_TRUE(ShowsFill(10));
    EXPECT_TRUE(ShowsFill(390));
}

TEST_F(ProgressBarWindow, PercentIsWrittenInWhiteInTheMiddle) {
    auto white = [](COLORREF c) { return Near(c, RGB(255, 255, 255), 30); };
    Show(0);
    CClientDC dc(m_bar);
    const int middle = skin_test::CountPixels(dc, RECT{170, 5, 230, 25}, white);
    EXPECT_GT(middle, 5);
    EXPECT_EQ(skin_test::CountPixels(dc, RECT{0, 0, 150, 30}, white), 0);
    EXPECT_EQ(skin_test::CountPixels(dc, RECT{250, 0, 399, 30}, white), 0);
    Show(100);  // "100%" is wider than "0%"
    EXPECT_GT(skin_test::CountPixels(dc, RECT{170, 5, 230, 25}, white), middle);
}

TEST(PropertySheet, RectanglesFollowTheStripSize) {
    OPropertySheet sheet;
    EXPECT_EQ(sheet.m_nWidth, 860);
    EXPECT_EQ(sheet.m_nHeight, 86);
    const RECT titles[4] = {{25, 12, 214, 36}, {261, 12, 429, 36}, {463, 12, 644, 36},
                            {673, 12, 859, 36}};
    for (int i = 0; i < 4; ++i) {
        EXPECT_TRUE(::EqualRect(&sheet.m_rcTitle[i], &titles[i])) << i;
        EXPECT_EQ(sheet.m_rcText[i].left, titles[i].left);
        EXPECT_EQ(sheet.m_rcText[i].top, 37);
        EXPECT_EQ(sheet.m_rcText[i].right, titles[i].right);
        EXPECT_EQ(sheet.m_rcText[i].bottom, 86);
    }
}

class PropertySheetWindow : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_parent.Create(0, 0, 860, 120));
        ASSERT_TRUE(m_sheet.Create(0, 0, &m_parent, 1700));
        m_sheet.m_nStepCount = 4;
        for (int i = 0; i < 4; ++i) {
            swprintf(m_sheet.m_szStepTitle[i], 40, L"Step %d", i + 1);
            wcscpy(m_sheet.m_szStepText[i], L"Import the data");
        }
    }
    void Show(int step) {
        m_sheet.m_nCurStep = short(step);
        m_sheet.Invalidate(FALSE);
        skin_test::FlushPaints();
    }
    static bool IsWhite(COLORREF c) { return Near(c, RGB(255, 255, 255), 12); }
    static bool IsDark(COLORREF c) {
        return GetRValue(c) < 100 && GetGValue(c) < 100 && GetBValue(c) < 100;
    }
    CTestParent m_parent;
    OPropertySheet m_sheet;
};

TEST_F(PropertySheetWindow, CurrentStepHasItsStripAndTheOnlyWhiteTexts) {
    Show(2);
    // The strip of step 3: a pixel of the chevrons' row matches bitmap 1502, not 1500.
    ScopedBitmap strips[2] = {
        ScopedBitmap(HBITMAP(::LoadImageW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(1500),
                                          IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION))),
        ScopedBitmap(HBITMAP(::LoadImageW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(1502),
                                          IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION)))};
    skin_test::CMemoryCanvas first(860, 86, 0), third(860, 86, 0);
    DrawBitmapAt(strips[0], first);
    DrawBitmapAt(strips[1], third);
    const int x = 560, y = 8;  // inside the third chevron, above its title
    ASSERT_FALSE(Near(first.Pixel(x, y), third.Pixel(x, y), 10));
    EXPECT_TRUE(Near(skin_test::WindowPixel(m_sheet, x, y), third.Pixel(x, y), 4));

    CClientDC dc(m_sheet);
    for (int i = 0; i < 4; ++i) {
        const int whites = skin_test::CountPixels(dc, m_sheet.m_rcTitle[i], IsWhite) +
                           skin_test::CountPixels(dc, m_sheet.m_rcText[i], IsWhite);
        if (i == 2) {
            EXPECT_GT(whites, 30);
        } else {
            EXPECT_EQ(whites, 0) << i;
            EXPECT_GT(skin_test::CountPixels(dc, m_sheet.m_rcTitle[i], IsDark), 20) << i;
        }
    }
}

TEST_F(PropertySheetWindow, EmptyTitleStillGetsItsDescription) {
    m_sheet.m_szStepTitle[1][0] = L'\0';
    Show(1);
    CClientDC dc(m_sheet);
    EXPECT_EQ(skin_test::CountPixels(dc, m_sheet.m_rcTitle[1], IsWhite), 0);
    EXPECT_GT(skin_test::CountPixels(dc, m_sheet.m_rcText[1], IsWhite), 20);
}

TEST_F(PropertySheetWindow, StepCountLimitsTheTextsAndFullArraysAreSafe) {
    m_sheet.m_nStepCount = 2;
    for (auto& c : m_sheet.m_szStepTitle[0]) c = L'W';  // no end mark at all
    Show(3);
    CClientDC dc(m_sheet);
    EXPECT_EQ(skin_test::CountPixels(dc, m_sheet.m_rcTitle[3], IsWhite), 0);
    EXPECT_EQ(skin_test::CountPixels(dc, m_sheet.m_rcTitle[2], IsDark), 0);
    EXPECT_GT(skin_test::CountPixels(dc, m_sheet.m_rcTitle[0], IsDark), 20);
    Show(9);  // out of range: the last strip, no crash
    Show(-1);
}

class MenuBarWindow : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_parent.Create(10, 10, 860, 100));
        ASSERT_TRUE(m_bar.Create(RECT{0, 30, 860, 65}, &m_parent, 1600));
    }
    CTestParent m_parent;
    OMenuBar m_bar;
};

TEST_F(MenuBarWindow, AddMenuMakesHeadersInPlace) {
    EXPECT_TRUE(m_bar.AddMenu(IDS_MENU_LANGUAGE));
    EXPECT_TRUE(m_bar.AddMenu(IDS_MENU_INFO));
    EXPECT_EQ(m_bar.m_nMenuCount, 2);
    const RECT places[2] = {{7, 0, 111, 34}, {111, 0, 215, 34}};
    for (int i = 0; i < 2; ++i) {
        HWND hButton = m_bar.GetDlgItem(100 + i);
        ASSERT_NE(hButton, nullptr) << i;
        EXPECT_EQ(m_bar.GetMenuButton(i)->m_hWnd, hButton);
        EXPECT_TRUE(::IsWindowVisible(hButton));
        RECT rect;
        ::GetWindowRect(hButton, &rect);
        m_bar.ScreenToClient(&rect);
        EXPECT_TRUE(::EqualRect(&rect, &places[i])) << i;
        EXPECT_EQ(m_bar.GetMenuButton(i)->m_crText, RGB(255, 255, 255));
        EXPECT_TRUE(m_bar.GetMenuButton(i)->HasImage(3));
    }
    EXPECT_STREQ(m_bar.GetMenuButton(0)->m_szText, LoadText(IDS_MENU_LANGUAGE));
    EXPECT_STREQ(m_bar.GetMenuButton(1)->m_szText, LoadText(IDS_MENU_INFO));

    EXPECT_TRUE(m_bar.AddMenu(IDS_ABOUT));
    EXPECT_TRUE(m_bar.AddMenu(IDS_ABOUT));
    EXPECT_FALSE(m_bar.AddMenu(IDS_ABOUT));  // four at most
    EXPECT_EQ(m_bar.m_nMenuCount, 4);
    EXPECT_EQ(m_bar.GetMenuButton(4), nullptr);
}

TEST_F(MenuBarWindow, LanguageSwitchChangesCaptionsNotButtons) {
    m_bar.AddMenu(IDS_MENU_LANGUAGE);
    m_bar.AddMenu(IDS_MENU_INFO);
    const HWND before[2] = {m_bar.GetDlgItem(100), m_bar.GetDlgItem(101)};
    const std::wstring english = m_bar.GetMenuButton(0)->m_szText;

    HMODULE hRussian = skin_test::LoadRussianLibrary();
    ASSERT_NE(hRussian, nullptr);
    HMODULE saved = g_hLangModule;
    g_hLangModule = hRussian;
    m_bar.ReloadMenuTexts();
    const std::wstring russian = m_bar.GetMenuButton(0)->m_szText;
    EXPECT_STREQ(m_bar.GetMenuButton(1)->m_szText, LoadText(IDS_MENU_INFO));
    g_hLangModule = saved;
    ::FreeLibrary(hRussian);

    EXPECT_FALSE(russian.empty());
    EXPECT_NE(russian, english);
    EXPECT_EQ(m_bar.GetDlgItem(100), before[0]);
    EXPECT_EQ(m_bar.GetDlgItem(101), before[1]);
    EXPECT_EQ(m_bar.m_nMenuCount, 2);
    m_bar.ReloadMenuTexts();
    EXPECT_EQ(std::wstring(m_bar.GetMenuButton(0)->m_szText), english);
}

// Text and state of a menu item by command.
std::wstring ItemText(HMENU hMenu, UINT id) {
    wchar_t text[128] = L"";
    ::GetMenuStringW(hMenu, id, text, 128, MF_BYCOMMAND);
    return text;
}
bool IsChecked(HMENU hMenu, UINT id) {
    return (::GetMenuState(hMenu, id, MF_BYCOMMAND) & MF_CHECKED) != 0;
}

TEST_F(MenuBarWindow, LanguageMenuStoresTheDetectedLanguageFirstAndChecksTheCurrent) {
    app_test::TestApp app;
    ASSERT_EQ(GetLanguageSetting(), -1);
    {
        ScopedMenu menu = m_bar.CreateLanguageMenu();
        ASSERT_TRUE(menu);
        const int detected = DetectUILanguage();
        EXPECT_EQ(GetLanguageSetting(), detected);
        EXPECT_EQ(::GetMenuItemCount(menu), 2);
        EXPECT_EQ(IsChecked(menu, ID_LANGUAGE_ENGLISH), detected == kLanguageEnglish);
        EXPECT_EQ(IsChecked(menu, ID_LANGUAGE_RUSSIAN), detected == kLanguageRussian);
    }
    SetLanguageSetting(kLanguageRussian);
    {
        ScopedMenu menu = m_bar.CreateLanguageMenu();
        EXPECT_FALSE(IsChecked(menu, ID_LANGUAGE_ENGLISH));
        EXPECT_TRUE(IsChecked(menu, ID_LANGUAGE_RUSSIAN));
        EXPECT_FALSE(ItemText(menu, ID_LANGUAGE_ENGLISH).empty());
        EXPECT_FALSE(ItemText(menu, ID_LANGUAGE_RUSSIAN).empty());
    }
    SetLanguageSetting(7);  // unknown: counts as English, stays stored
    {
        ScopedMenu menu = m_bar.CreateLanguageMenu();
        EXPECT_TRUE(IsChecked(menu, ID_LANGUAGE_ENGLISH));
        EXPECT_EQ(GetLanguageSetting(), 7);
    }
}

TEST_F(MenuBarWindow, InfoMenuHasUpdateAndAbout) {
    ScopedMenu menu = m_bar.CreateInfoMenu();
    ASSERT_TRUE(menu);
    EXPECT_EQ(::GetMenuItemCount(menu), 2);
    EXPECT_EQ(::GetMenuItemID(menu, 0), UINT(ID_CHECK_UPDATE));
    EXPECT_EQ(::GetMenuItemID(menu, 1), UINT(ID_ABOUT));
    EXPECT_EQ(ItemText(menu, ID_CHECK_UPDATE), LoadText(IDS_CHECK_UPDATE));
    EXPECT_EQ(ItemText(menu, ID_ABOUT), LoadText(IDS_ABOUT));
}

// While a popup is open: where it is, then a choice made with the keyboard.
struct MenuProbe {
    static MenuProbe* s_current;
    RECT where{};
    bool seen = false;
    int ticks = 0;
    static void CALLBACK Tick(HWND, UINT, UINT_PTR id, DWORD) {
        MenuProbe* p = s_current;
        HWND hMenu = ::FindWindowW(L"#32768", nullptr);
        if (hMenu && ::IsWindowVisible(hMenu) && !p->seen) {
            p->seen = true;
            ::GetWindowRect(hMenu, &p->where);
            // The menu loop reads the keyboard from the thread's queue.
            ::PostMessageW(hMenu, WM_KEYDOWN, VK_DOWN, 0);
            ::PostMessageW(hMenu, WM_KEYDOWN, VK_RETURN, 0);
        } else if (++p->ticks > 100) {
            ::EndMenu();
            ::KillTimer(nullptr, id);
        }
    }
};
MenuProbe* MenuProbe::s_current = nullptr;

TEST_F(MenuBarWindow, InfoHeaderOpensItsPopupBelowItAndCommandsGoToTheMainWindow) {
    app_test::TestApp app;
    app.m_pMainWnd = &m_parent;
    m_bar.AddMenu(IDS_MENU_LANGUAGE);
    m_bar.AddMenu(IDS_MENU_INFO);
    m_parent.m_received.clear();

    MenuProbe probe;
    MenuProbe::s_current = &probe;
    UINT_PTR timer = ::SetTimer(nullptr, 0, 30, MenuProbe::Tick);
    m_bar.GetMenuButton(1)->SendMessage(BM_CLICK);  // returns once the menu has closed
    ::KillTimer(nullptr, timer);
    skin_test::FlushPaints();
    app.m_pMainWnd = nullptr;

    ASSERT_TRUE(probe.seen);
    RECT bar;
    m_bar.GetWindowRect(&bar);
    EXPECT_EQ(probe.where.left, bar.left + 111);
    EXPECT_EQ(probe.where.top, bar.top + 34);
    bool gotCommand = false;
    for (const auto& r : m_parent.m_received)
        if (r.message == WM_COMMAND && LOWORD(r.wParam) == ID_CHECK_UPDATE) gotCommand = true;
    EXPECT_TRUE(gotCommand);
}

}  // namespace
