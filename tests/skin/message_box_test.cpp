// CMessageBox and ShowMessage: layouts by type, progress mode, first paint, centring and title
// modeless to look inside, modal to see what it answers.
#include "wizard/message_box.h"

#include <gtest/gtest.h>

#include <functional>

#include "app/helpers.h"
#include "app/texts.h"
#include "base/window_messages.h"
#include "resources/resource.h"
#include "tests/app/app_test_util.h"
#include "tests/skin/skin_test_util.h"

namespace {

using skin_test::Near;

RECT ChildRect(HWND hParent, HWND hChild) {
    RECT rect{};
    ::GetWindowRect(hChild, &rect);
    ::MapWindowPoints(nullptr, hParent, reinterpret_cast<POINT*>(&rect), 2);
    return rect;
}

const wchar_t* Caption(HWND hButton) {
    return static_cast<OBitmapButton*>(CWnd::FromHandlePermanent(hButton))->m_szText;
}

class MessageBoxTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(m_main.Create(100, 80, 860, 600)); }
    skin_test::CTestParent m_main;
};

TEST_F(MessageBoxTest, ButtonLayoutsByType) {
    const RECT left{246, 125, 376, 162}, right{390, 125, 520, 162};
    const struct {
        int type;
        UINT first, second;
    } cases[] = {
        {kMessageBoxOK, IDS_OK, 0},
        {kMessageBoxOKCancel, IDS_OK, IDS_CANCEL},
        {kMessageBoxYesNo, IDS_YES, IDS_NO},
        {kMessageBoxCancel, 0, IDS_CANCEL},
        {2, 0, IDS_CANCEL},  // anything else: Cancel alone
    };
    for (const auto& c : cases) {
        CMessageBox box(&m_main, L"Do you want to continue?", c.type);
        ASSERT_TRUE(box.Create(IDD_MESSAGEBOX, &m_main));
        HWND first = box.GetDlgItem(IDC_MSGBOX_FIRST), second = box.GetDlgItem(IDC_MSGBOX_SECOND);
        EXPECT_EQ(first != nullptr, c.first != 0) << c.type;
        EXPECT_EQ(second != nullptr, c.second != 0) << c.type;
        if (first) {
            const RECT rect = ChildRect(box, first);
            EXPECT_TRUE(::EqualRect(&rect, second ? &left : &right)) << c.type;
            EXPECT_STREQ(Caption(first), LoadText(c.first));
        }
        if (second) {
            const RECT rect = ChildRect(box, second);
            EXPECT_TRUE(::EqualRect(&rect, &right)) << c.type;
            EXPECT_STREQ(Caption(second), LoadText(c.second));
        }
        RECT client;
        box.GetClientRect(&client);
        EXPECT_EQ(client.right, 544);
        EXPECT_EQ(client.bottom, 177);
        EXPECT_EQ(box.GetDlgItem(IDC_MSGBOX_PROGRESS), nullptr);
    }
}

TEST_F(MessageBoxTest, ProgressModeIsTallerWithTheBarAndLowerButtons) {
    CMessageBox box(&m_main, L"A new version is available.\nDownloading...", kMessageBoxCancel);
    box.m_bProgress = true;
    ASSERT_TRUE(box.Create(IDD_MESSAGEBOX, &m_main));
    RECT client;
    box.GetClientRect(&client);
    EXPECT_EQ(client.bottom, 177 + 50);
    const RECT second = ChildRect(box, box.GetDlgItem(IDC_MSGBOX_SECOND)),
               lower{390, 172, 520, 209};
    EXPECT_TRUE(::EqualRect(&second, &lower));
    const RECT bar = ChildRect(box, box.GetDlgItem(IDC_MSGBOX_PROGRESS)), place{74, 98, 473, 128};
    EXPECT_TRUE(::EqualRect(&bar, &place));
    EXPECT_EQ(box.m_wndProgress.m_nMax, 100);
    EXPECT_EQ(box.m_wndProgress.m_nPos, 0);
    box.SetProgress(400);
    EXPECT_EQ(box.m_wndProgress.m_nPos, 100);
}

TEST_F(MessageBoxTest, ButtonsAppearAfterTheFirstPaintOverTheFinishedBackground) {
    CMessageBox box(&m_main, L"Unable to connect to the Internet.", kMessageBoxOKCancel);
    ASSERT_TRUE(box.Create(IDD_MESSAGEBOX, &m_main));
    HWND first = box.GetDlgItem(IDC_MSGBOX_FIRST);
    EXPECT_TRUE(box.IsWindowVisible());
    EXPECT_FALSE(::IsWindowVisible(first));
    EXPECT_FALSE(::IsWindowVisible(box.GetDlgItem(IDC_MSGBOX_SECOND)));
    box.UpdateWindow();
    EXPECT_TRUE(::IsWindowVisible(first));
    EXPECT_TRUE(::IsWindowVisible(box.GetDlgItem(IDC_MSGBOX_SECOND)));
    skin_test::FlushPaints();
    // A transparent corner shows the box's background as it was painted under the button.
    auto background = LoadPngImage(1043);
    EXPECT_TRUE(Near(skin_test::WindowPixel(first, 0, 0),
                     skin_test::ImagePixel(*background, 246, 125, 0), 6));
}

TEST_F(MessageBoxTest, CentredOnTheMovedParentOrTheScreenAndTitled) {
    m_main.MoveWindow(150, 120, 860, 600);  // the user dragged the main window
    CMessageBox box(&m_main, std::wstring(2000, L'a').c_str(), kMessageBoxOK);
    EXPECT_EQ(std::wstring(box.m_szText), std::wstring(512, L'a'));
    ASSERT_TRUE(box.Create(IDD_MESSAGEBOX, &m_main));
    box.UpdateWindow();  // too long a text only spills over
    RECT start;
    box.GetWindowRect(&start);
    EXPECT_EQ(start.left, 150 + (860 - 544) / 2);
    EXPECT_EQ(start.top, 120 + (600 - 177) / 2);
    EXPECT_EQ(::FindWindowW(nullptr, L"OrvelMessageBox"), box.m_hWnd);

    CMessageBox alone(nullptr, nullptr, kMessageBoxOK);
    ASSERT_TRUE(alone.Create(IDD_MESSAGEBOX, nullptr));
    alone.GetWindowRect(&start);
    EXPECT_EQ(start.left, (::GetSystemMetrics(SM_CXSCREEN) - 544) / 2);
    EXPECT_EQ(start.top, (::GetSystemMetrics(SM_CYSCREEN) - 177) / 2);
}

TEST_F(MessageBoxTest, ALongPathStaysOnItsLineAboveTheFooter) {
    // The notice of a map saved deep in the user's folders, in both languages' lengths.
    const std::wstring path = L"C:\\users\\Пользователь\\Documents\\Карты памяти\\2026-12-10 Поездка на дачу\\"
                              L"DCIM\\speed-camera-update\\speed.kml";
    const std::wstring texts[] = {
        FormatText(LoadTextOrEmpty(IDS_MAP_SAVED), {path}),
        L"Нет программы для открытия файлов KML. Карта камер сохранена в файле:\n" + path,
        std::wstring(L"word ") + std::wstring(300, L'w'),  // a word no line can hold
    };
    for (const std::wstring& text : texts) {
        CMessageBox box(&m_main, text.c_str(), kMessageBoxOK);
        ASSERT_TRUE(box.Create(IDD_MESSAGEBOX, &m_main));
        box.UpdateWindow();
        skin_test::FlushPaints();
        CClientDC dc(box);
        // Between the text area and the footer line at 114, and right of the area.
        EXPECT_EQ(skin_test::CountPixels(dc, RECT{0, 107, 544, 124}, skin_test::IsWhite), 0);
        EXPECT_EQ(skin_test::CountPixels(dc, RECT{495, 40, 544, 107}, skin_test::IsWhite), 0);
        EXPECT_GT(skin_test::CountPixels(dc, RECT{50, 50, 494, 106}, skin_test::IsWhite), 50);
        box.DestroyWindow();
    }
}

// Does action(box window) from a timer inside the modal loop of the box that runs meanwhile;
// a box still open long after is closed (answering 2), so a failure cannot hang the run.
std::function<void(HWND)> s_action;
int s_ticks;
void CALLBACK ActOnBox(HWND, UINT, UINT_PTR, DWORD) {
    HWND hBox = ::FindWindowW(nullptr, kMessageBoxTitle);
    if (!hBox || !::IsWindowVisible(hBox)) return;
    if (s_ticks++ == 0)
        s_action(hBox);
    else if (s_ticks > 200)
        ::PostMessageW(hBox, WM_CLOSE, 0, 0);
}

template <typename Run>
INT_PTR WhileOpen(std::function<void(HWND)> action, Run run) {
    s_action = std::move(action);
    s_ticks = 0;
    const UINT_PTR timer = ::SetTimer(nullptr, 0, 20, ActOnBox);
    const INT_PTR result = run();
    ::KillTimer(nullptr, timer);
    return result;
}

TEST_F(MessageBoxTest, Answers) {
    auto post = [](UINT message, WPARAM wParam) {
        return [=](HWND h) { ::PostMessageW(h, message, wParam, 0); };
    };
    auto click = [](int id) {
        return [=](HWND h) { ::SendMessageW(::GetDlgItem(h, id), BM_CLICK, 0, 0); };
    };
    const struct {
        const char* what;
        int type;
        std::function<void(HWND)> action;
        INT_PTR result;
    } cases[] = {
        {"Enter", kMessageBoxOKCancel, post(WM_KEYDOWN, VK_RETURN), 1},
        {"Escape", kMessageBoxOKCancel, post(WM_KEYDOWN, VK_ESCAPE), 2},
        {"close request", kMessageBoxOK, post(WM_CLOSE, 0), 2},
        {"UM_CLOSE_BOX", kMessageBoxCancel, post(UM_CLOSE_BOX, 0), 1},
        {"OK", kMessageBoxOKCancel, click(IDC_MSGBOX_FIRST), 1},
        {"No", kMessageBoxYesNo, click(IDC_MSGBOX_SECOND), 2},
    };
    for (const auto& c : cases) {
        CMessageBox box(&m_main, L"Do you want to continue?", c.type);
        box.m_bProgress = c.type == kMessageBoxCancel;
        EXPECT_EQ(WhileOpen(c.action, [&] { return box.DoModal(); }), c.result) << c.what;
    }
}

TEST_F(MessageBoxTest, ShowMessageCentresOnTheMainWindow) {
    app_test::TestApp app;
    app.m_pMainWnd = &m_main;
    RECT where{};
    const int result = int(WhileOpen(
        [&](HWND h) {
            ::GetWindowRect(h, &where);
            ::PostMessageW(h, WM_KEYDOWN, VK_RETURN, 0);
        },
        [] { return ShowMessage(L"Kovra Converter\nVersion 1.0.10.1", L"-", kMessageBoxOK, 1); }));
    app.m_pMainWnd = nullptr;
    EXPECT_EQ(result, 1);
    EXPECT_EQ(where.left, 100 + (860 - 544) / 2);
    EXPECT_EQ(where.top, 80 + (600 - 177) / 2);
}

}  // namespace
