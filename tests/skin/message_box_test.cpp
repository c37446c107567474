// CMessageBox and ShowMessage: layouts by type, progress mode, results, first paint, centring,
// title; modeless to look inside, modal to see what it answers.
#include "wizard/message_box.h"

#include <gtest/gtest.h>

#include <functional>

#include "app/messages.h"
#include "app/texts.h"
#include "resources/resource.h"
#include "tests/app/app_test_util.h"
#include "tests/skin/skin_test_util.h"

namespace {

using skin_test::CTestParent;
using skin_test::Near;

RECT ChildRect(HWND hParent, HWND hChild) {
    RECT rect{};
    ::GetWindowRect(hChild, &rect);
    ::MapWindowPoints(nullptr, hParent, reinterpret_cast<POINT*>(&rect), 2);
    return rect;
}

std::wstring Text(HWND hWnd) {
    wchar_t text[256] = L"";
    ::GetWindowTextW(hWnd, text, 256);
    return text;
}

class MessageBoxTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(m_main.Create(100, 80, 860, 600)); }
    CTestParent m_main;
};

TEST_F(MessageBoxTest, ButtonLayoutsByType) {
    const RECT left{246, 125, 376, 162}, right{390, 125, 520, 162};
    struct {
        int type;
        const RECT* first;
        UINT firstText;
        UINT secondText;  // 0: no second button
    } cases[] = {
        {kMessageBoxOK, &right, IDS_OK, 0},
        {kMessageBoxOKCancel, &left, IDS_OK, IDS_CANCEL},
        {kMessageBoxYesNo, &left, IDS_YES, IDS_NO},
        {kMessageBoxCancel, nullptr, 0, IDS_CANCEL},
        {2, nullptr, 0, IDS_CANCEL},  // anything else: Cancel alone
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.type);
        CMessageBox box(&m_main, L"Do you want to continue?", c.type);
        ASSERT_TRUE(box.Create(IDD_MESSAGEBOX, &m_main));
        HWND first = box.GetDlgItem(IDC_MSGBOX_FIRST);
        HWND second = box.GetDlgItem(IDC_MSGBOX_SECOND);
        if (c.first) {
            ASSERT_NE(first, nullptr);
            RECT rect = ChildRect(box, first);
            EXPECT_TRUE(::EqualRect(&rect, c.first));
            auto* button = static_cast<OBitmapButton*>(CWnd::FromHandlePermanent(first));
            EXPECT_STREQ(button->m_szText, LoadText(c.firstText));
            EXPECT_EQ(button->m_crText, RGB(255, 255, 255));
        } else {
            EXPECT_EQ(first, nullptr);
        }
        if (c.secondText) {
            ASSERT_NE(second, nullptr);
            RECT rect = ChildRect(box, second);
            EXPECT_TRUE(::EqualRect(&rect, &right));
            auto* button = static_cast<OBitmapButton*>(CWnd::FromHandlePermanent(second));
            EXPECT_STREQ(button->m_szText, LoadText(c.secondText));
        } else {
            EXPECT_EQ(second, nullptr);
        }
        EXPECT_EQ(box.GetDlgItem(IDC_MSGBOX_PROGRESS), nullptr);
        RECT client;
        box.GetClientRect(&client);
        EXPECT_EQ(client.right, 544);
        EXPECT_EQ(client.bottom, 177);
    }
}

TEST_F(MessageBoxTest, ProgressModeIsTallerWithTheBarAndLowerButtons) {
    CMessageBox box(&m_main, L"A new version is available.\nDownloading...", kMessageBoxCancel);
    box.m_bProgress = true;
    ASSERT_TRUE(box.Create(IDD_MESSAGEBOX, &m_main));
    RECT client;
    box.GetClientRect(&client);
    EXPECT_EQ(client.bottom, 177 + 50);
    RECT second = ChildRect(box, box.GetDlgItem(IDC_MSGBOX_SECOND));
    const RECT lower{390, 125 + 47, 520, 162 + 47};
    EXPECT_TRUE(::EqualRect(&second, &lower));
    HWND bar = box.GetDlgItem(IDC_MSGBOX_PROGRESS);
    ASSERT_NE(bar, nullptr);
    EXPECT_EQ(bar, box.m_wndProgress.m_hWnd);
    RECT rect = ChildRect(box, bar);
    const RECT expected{74, 98, 473, 128};
    EXPECT_TRUE(::EqualRect(&rect, &expected));
    EXPECT_EQ(box.m_wndProgress.m_nMin, 0);
    EXPECT_EQ(box.m_wndProgress.m_nMax, 100);
    EXPECT_EQ(box.m_wndProgress.m_nPos, 0);
    box.SetProgress(63);
    EXPECT_EQ(box.m_wndProgress.m_nPos, 63);
    box.SetProgress(400);
    EXPECT_EQ(box.m_wndProgress.m_nPos, 100);
}

TEST_F(MessageBoxTest, ButtonsAppearAfterTheFirstPaintOverTheFinishedBackground) {
    CMessageBox box(&m_main, L"Unable to connect to the Internet.", kMessageBoxOKCancel);
    ASSERT_TRUE(box.Create(IDD_MESSAGEBOX, &m_main));
    HWND first = box.GetDlgItem(IDC_MSGBOX_FIRST);
    HWND second = box.GetDlgItem(IDC_MSGBOX_SECOND);
    EXPECT_TRUE(box.IsWindowVisible());
    EXPECT_FALSE(::IsWindowVisible(first));
    EXPECT_FALSE(::IsWindowVisible(second));
    box.UpdateWindow();
    EXPECT_TRUE(::IsWindowVisible(first));
    EXPECT_TRUE(::IsWindowVisible(second));
    skin_test::FlushPaints();
    // The buttons' transparent corners show the box's background, as painted under them.
    auto background = LoadPngImage(1043);
    EXPECT_TRUE(Near(skin_test::WindowPixel(first, 0, 0),
                     skin_test::ImagePixel(*background, 246, 125, 0), 6));
    EXPECT_TRUE(Near(skin_test::WindowPixel(second, 129, 36),
                     skin_test::ImagePixel(*background, 519, 161, 0), 6));
}

TEST_F(MessageBoxTest, CentredOnTheParentWhereverItWasMovedAndTitled) {
    m_main.MoveWindow(150, 120, 860, 600);  // dragged by the user
    CMessageBox box(&m_main, L"Text", kMessageBoxOK);
    ASSERT_TRUE(box.Create(IDD_MESSAGEBOX, &m_main));
    RECT rect;
    box.GetWindowRect(&rect);
    EXPECT_EQ(rect.left, 150 + (860 - 544) / 2);
    EXPECT_EQ(rect.top, 120 + (600 - 177) / 2);
    EXPECT_EQ(Text(box), L"OrvelMessageBox");
    EXPECT_EQ(::FindWindowW(nullptr, kMessageBoxTitle), box.m_hWnd);

    CMessageBox alone(nullptr, L"Text", kMessageBoxOK);
    ASSERT_TRUE(alone.Create(IDD_MESSAGEBOX, nullptr));
    alone.GetWindowRect(&rect);
    EXPECT_EQ(rect.left, (::GetSystemMetrics(SM_CXSCREEN) - 544) / 2);
    EXPECT_EQ(rect.top, (::GetSystemMetrics(SM_CYSCREEN) - 177) / 2);
}

TEST_F(MessageBoxTest, TextIsCopiedUpTo512Units) {
    std::wstring longText(2000, L'a');
    CMessageBox box(&m_main, longText.c_str(), kMessageBoxOK);
    EXPECT_EQ(std::wstring(box.m_szText), std::wstring(512, L'a'));
    CMessageBox none(&m_main, nullptr, kMessageBoxOK);
    EXPECT_STREQ(none.m_szText, L"");
    // Very long text only spills over; the box still opens and paints.
    ASSERT_TRUE(box.Create(IDD_MESSAGEBOX, &m_main));
    box.UpdateWindow();
}

TEST_F(MessageBoxTest, DraggingMovesTheBoxWithTheCursor) {
    CMessageBox box(&m_main, L"Text", kMessageBoxOK);
    ASSERT_TRUE(box.Create(IDD_MESSAGEBOX, &m_main));
    RECT start;
    box.GetWindowRect(&start);
    POINT grab{start.left + 20, start.top + 20};
    ::SetCursorPos(grab.x, grab.y);
    box.SendMessage(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(20, 20));
    EXPECT_EQ(::GetCapture(), box.m_hWnd);
    ::SetCursorPos(grab.x + 30, grab.y + 15);
    box.SendMessage(WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(50, 35));
    ::SetCursorPos(grab.x + 40, grab.y + 25);
    box.SendMessage(WM_LBUTTONUP, 0, MAKELPARAM(60, 45));
    EXPECT_EQ(::GetCapture(), HWND(nullptr));
    RECT end;
    box.GetWindowRect(&end);
    EXPECT_EQ(end.left, start.left + 40);
    EXPECT_EQ(end.top, start.top + 25);
}

// Runs a box modally while action(box window) is done from a timer inside its loop; a box that
// does not end within a few seconds is closed (answering 2) so a failure cannot hang the run.
struct ModalRun {
    static ModalRun* s_current;
    std::function<void(HWND)> action;
    bool done = false;
    int ticks = 0;
    static void CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD) {
        ModalRun* run = s_current;
        HWND hBox = ::FindWindowW(nullptr, kMessageBoxTitle);
        if (hBox && !run->done && ::IsWindowVisible(hBox)) {
            run->done = true;
            run->action(hBox);
        } else if (hBox && ++run->ticks > 200) {
            ::PostMessageW(hBox, WM_CLOSE, 0, 0);
        }
    }
    INT_PTR Run(CMessageBox& box) {
        s_current = this;
        UINT_PTR timer = ::SetTimer(nullptr, 0, 20, Tick);
        INT_PTR result = box.DoModal();
        ::KillTimer(nullptr, timer);
        s_current = nullptr;
        return result;
    }
};
ModalRun* ModalRun::s_current = nullptr;

INT_PTR RunWith(CWnd* pParent, int type, std::function<void(HWND)> action) {
    CMessageBox box(pParent, L"Do you want to continue?", type);
    ModalRun run;
    run.action = std::move(action);
    return run.Run(box);
}

TEST_F(MessageBoxTest, Answers) {
    struct {
        const char* what;
        int type;
        std::function<void(HWND)> action;
        INT_PTR result;
    } cases[] = {
        {"Enter", kMessageBoxOKCancel,
         [](HWND h) { ::PostMessageW(h, WM_KEYDOWN, VK_RETURN, 0); }, 1},
        {"Escape", kMessageBoxOKCancel,
         [](HWND h) { ::PostMessageW(h, WM_KEYDOWN, VK_ESCAPE, 0); }, 2},
        {"close request", kMessageBoxOK, [](HWND h) { ::PostMessageW(h, WM_CLOSE, 0, 0); }, 2},
        {"UM_CLOSE_BOX", kMessageBoxCancel,
         [](HWND h) { ::PostMessageW(h, UM_CLOSE_BOX, 0, 0); }, 1},
        {"OK", kMessageBoxOKCancel,
         [](HWND h) { ::SendMessageW(::GetDlgItem(h, IDC_MSGBOX_FIRST), BM_CLICK, 0, 0); }, 1},
        {"Cancel", kMessageBoxOKCancel,
         [](HWND h) { ::SendMessageW(::GetDlgItem(h, IDC_MSGBOX_SECOND), BM_CLICK, 0, 0); }, 2},
        {"Yes", kMessageBoxYesNo,
         [](HWND h) { ::SendMessageW(::GetDlgItem(h, IDC_MSGBOX_FIRST), BM_CLICK, 0, 0); }, 1},
        {"No", kMessageBoxYesNo,
         [](HWND h) { ::SendMessageW(::GetDlgItem(h, IDC_MSGBOX_SECOND), BM_CLICK, 0, 0); }, 2},
    };
    for (auto& c : cases) EXPECT_EQ(RunWith(&m_main, c.type, c.action), c.result) << c.what;
}

TEST_F(MessageBoxTest, ProgressBoxIsClosedByTheOwnerAsOK) {
    CMessageBox box(&m_main, L"Downloading...", kMessageBoxCancel);
    box.m_bProgress = true;
    ModalRun run;
    run.action = [&box](HWND h) {
        box.SetProgress(40);
        ::SendMessageW(h, UM_CLOSE_BOX, 0, 0);
    };
    EXPECT_EQ(run.Run(box), 1);
    EXPECT_EQ(box.m_wndProgress.m_nPos, 40);
}

TEST_F(MessageBoxTest, ShowMessageCentresOnTheMainWindowWithThePicture) {
    app_test::TestApp app;
    app.m_pMainWnd = &m_main;
    m_main.MoveWindow(60, 40, 860, 600);
    RECT where{};
    COLORREF picture = 0;
    ModalRun run;
    run.action = [&](HWND h) {
        ::UpdateWindow(h);
        ::GetWindowRect(h, &where);
        picture = skin_test::WindowPixel(h, 20 + 30, 40 + 27);
        ::PostMessageW(h, WM_KEYDOWN, VK_RETURN, 0);
    };
    ModalRun::s_current = &run;
    UINT_PTR timer = ::SetTimer(nullptr, 0, 20, ModalRun::Tick);
    const int result = ShowMessage(L"Kovra Converter\nVersion 1.0.10.1", L"unused", kMessageBoxOK, 1);
    ::KillTimer(nullptr, timer);
    app.m_pMainWnd = nullptr;

    EXPECT_EQ(result, 1);
    EXPECT_EQ(where.left, 60 + (860 - 544) / 2);
    EXPECT_EQ(where.top, 40 + (600 - 177) / 2);
    auto image = LoadPngImage(1042);
    auto background = LoadPngImage(1043);
    const COLORREF under = skin_test::ImagePixel(*background, 50, 67, 0);
    ASSERT_FALSE(Near(skin_test::ImagePixel(*image, 30, 27, under), under, 8));
    EXPECT_TRUE(Near(picture, skin_test::ImagePixel(*image, 30, 27, under), 8));
}

}  // namespace
