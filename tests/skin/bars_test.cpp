// OProgressBar, OPropertySheet and OMenuBar on real windows.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/texts.h"
#include "resources/resource.h"
#include "skin/menu_bar.h"
#include "skin/progress_bar.h"
#include "skin/property_sheet.h"
#include "tests/app/app_test_util.h"
#include "tests/skin/skin_test_util.h"

namespace {

using skin_test::CountPixels;
using skin_test::IsWhite;
using skin_test::Near;

TEST(ProgressBar, FillWidthAndPercentText) {
    const struct {
        int pos, min, max, fill;
        const wchar_t* text;
    } cases[] = {
        {0, 0, 100, 0, L"0%"}, {100, 0, 100, 399, L"100%"}, {63, 0, 100, 251, L"63%"},
        {1, 0, 100, 3, L"1%"}, {150, 0, 100, 399, L"150%"}, {-5, 0, 100, 0, L"-5%"},
        {40, 0, 0, 0, L"0%"},  {40, 50, 50, 0, L"0%"},  // an empty range divides by nothing
    };
    for (const auto& c : cases) {
        EXPECT_EQ(OProgressBar::FillWidth(399, c.pos, c.min, c.max), c.fill) << c.pos;
        wchar_t text[16];
        OProgressBar::FormatPercent(text, c.pos, c.min, c.max);
        EXPECT_STREQ(text, c.text);
    }
}

TEST(ProgressBar, PaintsFillShareAndWhitePercent) {
    skin_test::CTestParent parent;
    ASSERT_TRUE(parent.Create(30, 30, 700, 100));
    ScopedFont font = skin_test::CreateArial();
    OProgressBar bar;
    ASSERT_TRUE(bar.Create(RECT{20, 20, 419, 50}, &parent, 0xFFFF));
    bar.LoadImages();
    bar.m_hFont = font;
    auto track = LoadPngImage(1032), fill = LoadPngImage(1031);
    auto shows = [&](const CGdiPlusBitmap& image, int x) {
        return Near(skin_test::WindowPixel(bar, x, 6),
                    skin_test::ImagePixel(image, x, 6, skin_test::kParentColour), 6);
    };
    CClientDC dc(bar);
    bar.SetPos(0);
    EXPECT_TRUE(shows(*track, 10));
    EXPECT_TRUE(shows(*track, 390));
    const int zeroText = CountPixels(dc, RECT{170, 5, 230, 25}, IsWhite);
    EXPECT_GT(zeroText, 5);
    EXPECT_EQ(CountPixels(dc, RECT{0, 0, 150, 30}, IsWhite), 0);
    bar.SetPos(50);  // 399 × 50 ÷ 100 = 199
    EXPECT_TRUE(shows(*fill, 198));
    EXPECT_TRUE(shows(*track, 200));
    bar.SetPos(100);
    EXPECT_TRUE(shows(*fill, 395));
    EXPECT_GT(CountPixels(dc, RECT{170, 5, 230, 25}, IsWhite), zeroText);  // "100%" is wider
}

TEST(PropertySheet, CurrentStepHasItsStripAndTheOnlyWhiteTexts) {
    skin_test::CTestParent parent;
    ASSERT_TRUE(parent.Create(0, 0, 860, 120));
    OPropertySheet sheet;
    ASSERT_TRUE(sheet.Create(0, 0, &parent, 1700));
    const RECT last{673, 37, 859, 86};  // from the strip's size: 860 × 86
    EXPECT_TRUE(::EqualRect(&sheet.m_rcText[3], &last));
    for (int i = 0; i < 4; ++i) {
        swprintf(sheet.m_szStepTitle[i], 40, L"Step %d", i + 1);
        wcscpy(sheet.m_szStepText[i], L"Import the data");
    }
    sheet.m_nStepCount = 4;
    sheet.m_szStepTitle[2][0] = L'\0';                // its description still shows
    for (auto& c : sheet.m_szStepTitle[0]) c = L'W';  // no end mark: must not read past it
    auto show = [&](int step) {
        sheet.m_nCurStep = short(step);
        sheet.Invalidate(FALSE);
        skin_test::FlushPaints();
    };
    show(2);
    skin_test::CMemoryCanvas third(860, 86, 0);
    DrawBitmapAt(
        ScopedBitmap(HBITMAP(::LoadImageW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(1502),
                                          IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION))),
        third);
    EXPECT_TRUE(Near(skin_test::WindowPixel(sheet, 560, 8), third.Pixel(560, 8), 4));
    CClientDC dc(sheet);
    auto dark = [](COLORREF c) {
        return GetRValue(c) < 100 && GetGValue(c) < 100 && GetBValue(c) < 100;
    };
    for (int i = 0; i < 4; ++i) {
        const int whites = CountPixels(dc, sheet.m_rcTitle[i], IsWhite) +
                           CountPixels(dc, sheet.m_rcText[i], IsWhite);
        EXPECT_EQ(whites > 0, i == 2) << i;
        EXPECT_EQ(CountPixels(dc, sheet.m_rcTitle[i], dark) > 20, i != 2) << i;
    }
    EXPECT_GT(CountPixels(dc, sheet.m_rcText[2], IsWhite), 20);

    sheet.m_nStepCount = 2;
    show(3);
    EXPECT_EQ(
        CountPixels(dc, sheet.m_rcTitle[2], dark) + CountPixels(dc, sheet.m_rcTitle[3], IsWhite),
        0);
    show(9);  // out of range: the last strip, nothing read past the four
}

class MenuBarWindow : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_parent.Create(10, 10, 860, 100));
        ASSERT_TRUE(m_bar.Create(RECT{0, 30, 860, 65}, &m_parent, 1600));
        ASSERT_TRUE(m_bar.AddMenu(IDS_MENU_LANGUAGE, [this] {
            return std::vector<OMenuItem>{{kFirst, L"One", m_bChecked}, {kFirst + 1, L"Two"}};
        }));
        ASSERT_TRUE(m_bar.AddMenu(IDS_MENU_INFO, [] { return std::vector<OMenuItem>{{kFirst + 2, L"Three"}}; }));
    }
    static bool Checked(HMENU hMenu, UINT id) {
        return (::GetMenuState(hMenu, id, MF_BYCOMMAND) & MF_CHECKED) != 0;
    }
    static const UINT kFirst = 2201;
    bool m_bChecked = false;
    skin_test::CTestParent m_parent;
    OMenuBar m_bar;
};

TEST_F(MenuBarWindow, HeadersInPlaceAndALanguageSwitchChangesOnlyCaptions) {
    const RECT places[2] = {{7, 0, 111, 34}, {111, 0, 215, 34}};
    const HWND headers[2] = {m_bar.GetDlgItem(100), m_bar.GetDlgItem(101)};
    for (int i = 0; i < 2; ++i) {
        ASSERT_EQ(m_bar.GetMenuButton(i)->m_hWnd, headers[i]);
        RECT rect;
        ::GetWindowRect(headers[i], &rect);
        m_bar.ScreenToClient(&rect);
        EXPECT_TRUE(::EqualRect(&rect, &places[i])) << i;
        EXPECT_EQ(m_bar.GetMenuButton(i)->m_crText, RGB(255, 255, 255));
    }
    const std::wstring english = m_bar.GetMenuButton(0)->m_szText;
    EXPECT_EQ(english, LoadText(IDS_MENU_LANGUAGE));

    HMODULE hRussian = skin_test::LoadRussianLibrary();
    ASSERT_NE(hRussian, nullptr);
    const HMODULE saved = g_hLangModule;
    g_hLangModule = hRussian;
    m_bar.ReloadMenuTexts();
    EXPECT_STREQ(m_bar.GetMenuButton(0)->m_szText, LoadText(IDS_MENU_LANGUAGE));
    g_hLangModule = saved;
    ::FreeLibrary(hRussian);
    EXPECT_NE(m_bar.GetMenuButton(0)->m_szText, english);
    EXPECT_EQ(m_bar.GetDlgItem(100), headers[0]);
    EXPECT_EQ(m_bar.GetDlgItem(101), headers[1]);

    EXPECT_TRUE(m_bar.AddMenu(IDS_ABOUT, nullptr));
    EXPECT_TRUE(m_bar.AddMenu(IDS_ABOUT, nullptr));
    EXPECT_FALSE(m_bar.AddMenu(IDS_ABOUT, nullptr));  // four at most
    EXPECT_EQ(m_bar.m_nMenuCount, 4);
}

TEST_F(MenuBarWindow, PopupsHoldWhatTheOwnerSaysWhenTheyOpen) {
    ScopedMenu menu = m_bar.CreatePopup(0);
    ASSERT_EQ(::GetMenuItemCount(menu), 2);
    EXPECT_FALSE(Checked(menu, kFirst));
    m_bChecked = true;
    EXPECT_TRUE(Checked(m_bar.CreatePopup(0), kFirst));
    EXPECT_EQ(::GetMenuItemCount(m_bar.CreatePopup(1)), 1);
    EXPECT_EQ(m_bar.CreatePopup(2).Get(), nullptr);
}

// While a popup is open, notes where it is and picks its first item with the keyboard; a menu
// still open long after is closed, so a failure cannot hang the run.
RECT s_popup;
int s_ticks;
void CALLBACK PickFirstItem(HWND, UINT, UINT_PTR, DWORD) {
    HWND hMenu = ::FindWindowW(L"#32768", nullptr);
    if (!hMenu || !::IsWindowVisible(hMenu)) return;
    if (s_ticks++ == 0) {
        ::GetWindowRect(hMenu, &s_popup);
        ::PostMessageW(hMenu, WM_KEYDOWN, VK_DOWN, 0);
        ::PostMessageW(hMenu, WM_KEYDOWN, VK_RETURN, 0);
    } else if (s_ticks > 50) {
        ::EndMenu();
    }
}

TEST_F(MenuBarWindow, InfoHeaderOpensItsPopupBelowItForTheMainWindow) {
    app_test::TestApp app;
    app.m_pMainWnd = &m_parent;
    s_popup = RECT{};
    s_ticks = 0;
    const UINT_PTR timer = ::SetTimer(nullptr, 0, 30, PickFirstItem);
    m_bar.GetMenuButton(1)->SendMessage(BM_CLICK);  // returns when the menu has closed
    ::KillTimer(nullptr, timer);
    skin_test::FlushPaints();
    app.m_pMainWnd = nullptr;
    RECT bar;
    m_bar.GetWindowRect(&bar);
    EXPECT_EQ(s_popup.left, bar.left + 111);
    EXPECT_EQ(s_popup.top, bar.top + 34);
    ASSERT_FALSE(m_parent.m_received.empty());
    EXPECT_EQ(m_parent.m_received.back().wParam, WPARAM(kFirst + 2));
}

}  // namespace
