// CWnd on real windows: creation, subclassing, default handling, reflection, destruction.
#include "framework/wnd.h"

#include <gtest/gtest.h>

#include <cwchar>
#include <string>
#include <utility>
#include <vector>

#include "framework/controls.h"
#include "tests/framework/pump.h"

namespace {

const UINT UM_PROBE = WM_APP + 7;

// Records the messages it is shown; answers UM_PROBE with wParam + 1.
class Recorder : public CWnd {
public:
    std::vector<UINT> m_messages;
    int m_nPostNcDestroy = 0;
    int m_nCommands = 0;
    WPARAM m_lastCommand = 0;

protected:
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override {
        m_messages.push_back(message);
        switch (message) {
            case UM_PROBE:
                return LRESULT(wParam + 1);
        }
        return CWnd::WindowProc(message, wParam, lParam);
    }
    BOOL OnCommand(WPARAM wParam, LPARAM lParam) override {
        ++m_nCommands;
        m_lastCommand = wParam;
        return CWnd::OnCommand(wParam, lParam);
    }
    void PostNcDestroy() override { ++m_nPostNcDestroy; }

public:
    bool Saw(UINT message) const {
        for (UINT m : m_messages)
            if (m == message) return true;
        return false;
    }
};

RECT Rect(int l, int t, int r, int b) {
    return RECT{l, t, r, b};
}

TEST(CWnd, CreatedWindowsSeeTheirFirstMessagesAndGoWithTheirObject) {
    LPCWSTR cls = AfxRegisterWndClass(CS_HREDRAW | CS_VREDRAW, ::LoadCursor(nullptr, IDC_ARROW));
    ASSERT_NE(cls, nullptr);
    EXPECT_EQ(AfxRegisterWndClass(CS_HREDRAW | CS_VREDRAW, ::LoadCursor(nullptr, IDC_ARROW)), cls);
    HWND hWnd;
    {
        Recorder wnd;
        ASSERT_TRUE(wnd.CreateEx(0, cls, L"probe", WS_POPUP, Rect(0, 0, 200, 100), nullptr, 0));
        hWnd = wnd.m_hWnd;
        ASSERT_FALSE(wnd.m_messages.empty());
        EXPECT_TRUE(wnd.Saw(WM_NCCREATE));
        EXPECT_TRUE(wnd.Saw(WM_CREATE));
        EXPECT_EQ(CWnd::FromHandlePermanent(hWnd), &wnd);
        EXPECT_EQ(wnd.SendMessage(UM_PROBE, 41), 42);
        EXPECT_EQ(wnd.GetWindowText(), L"probe");
        wnd.SetWindowText(L"\x041a\x043e\x0432\x0440\x0430");
        EXPECT_EQ(wnd.GetWindowText(), L"\x041a\x043e\x0432\x0440\x0430");
    }
    EXPECT_FALSE(::IsWindow(hWnd));
}

TEST(CWnd, RegisteredClassNamesStayValid) {
    // Names handed out earlier keep naming their classes however many follow.
    std::vector<std::pair<LPCWSTR, std::wstring>> names;
    for (UINT style = 0; style < 64; ++style) {
        LPCWSTR name = AfxRegisterWndClass(style << 16 | CS_DBLCLKS);
        ASSERT_NE(name, nullptr);
        names.emplace_back(name, name);
    }
    HINSTANCE hInst = ::GetModuleHandleW(nullptr);
    for (const auto& n : names) {
        EXPECT_EQ(std::wstring(n.first), n.second);
        WNDCLASSW wc{};
        EXPECT_TRUE(::GetClassInfoW(hInst, n.first, &wc));
        EXPECT_EQ(wc.style, UINT(std::wcstoul(n.second.c_str() + 6, nullptr, 16)));
    }
}

TEST(CWnd, DestroyedFromOutsideLetsTheObjectGo) {
    Recorder wnd;
    ASSERT_TRUE(wnd.CreateEx(0, L"STATIC", L"", WS_POPUP, Rect(0, 0, 10, 10), nullptr, 0));
    HWND hWnd = wnd.m_hWnd;
    ::DestroyWindow(hWnd);
    EXPECT_EQ(wnd.m_hWnd, nullptr);
    EXPECT_EQ(wnd.m_nPostNcDestroy, 1);
    EXPECT_TRUE(wnd.Saw(WM_DESTROY));
    EXPECT_EQ(CWnd::FromHandlePermanent(hWnd), nullptr);
}

TEST(CWnd, SubclassingRoutesMessagesFirstAndGivesTheWindowBack) {
    HWND hWnd = ::CreateWindowExW(0, L"EDIT", L"start", WS_POPUP, 0, 0, 100, 20, nullptr, nullptr,
                                  nullptr, nullptr);
    ASSERT_NE(hWnd, nullptr);
    {
        Recorder wnd;
        ASSERT_TRUE(wnd.SubclassWindow(hWnd));
        EXPECT_FALSE(Recorder().SubclassWindow(hWnd));  // one object per window
        EXPECT_EQ(::SendMessageW(hWnd, UM_PROBE, 1, 0), 2);
        // What the object passes on, the edit control still does.
        ::SetWindowTextW(hWnd, L"typed");
        EXPECT_TRUE(wnd.Saw(WM_SETTEXT));
        EXPECT_EQ(wnd.GetWindowText(), L"typed");
        EXPECT_EQ(wnd.UnsubclassWindow(), hWnd);
        const size_t seen = wnd.m_messages.size();
        EXPECT_EQ(::SendMessageW(hWnd, UM_PROBE, 1, 0), 0);
        EXPECT_EQ(wnd.m_messages.size(), seen);

        // Subclassed again, the object's end gives the window back without destroying it.
        ASSERT_TRUE(wnd.SubclassWindow(hWnd));
    }
    ASSERT_TRUE(::IsWindow(hWnd));
    EXPECT_EQ(CWnd::FromHandlePermanent(hWnd), nullptr);
    EXPECT_EQ(::SendMessageW(hWnd, UM_PROBE, 1, 0), 0);

    // Attached only: the object answers FromHandlePermanent but sees no message.
    {
        Recorder wnd;
        ASSERT_TRUE(wnd.Attach(hWnd));
        EXPECT_EQ(CWnd::FromHandlePermanent(hWnd), &wnd);
        ::SendMessageW(hWnd, UM_PROBE, 1, 0);
        EXPECT_TRUE(wnd.m_messages.empty());
        EXPECT_EQ(wnd.Detach(), hWnd);
    }
    EXPECT_TRUE(::IsWindow(hWnd));
    ::DestroyWindow(hWnd);
}

// An owner-drawn button that counts its paints.
class DrawnButton : public CButton {
public:
    int m_nDrawn = 0;
    UINT m_nCtlId = 0;
    void DrawItem(LPDRAWITEMSTRUCT dis) override {
        ++m_nDrawn;
        m_nCtlId = dis->CtlID;
        ::FillRect(dis->hDC, &dis->rcItem, HBRUSH(::GetStockObject(BLACK_BRUSH)));
    }
};

TEST(CWnd, ControlNotificationsReachTheParentAndOwnerDrawReachesTheControl) {
    Recorder parent;
    ASSERT_TRUE(parent.CreateEx(0, AfxRegisterWndClass(0), L"parent", WS_POPUP | WS_VISIBLE,
                                Rect(0, 0, 300, 200), nullptr, 0));
    DrawnButton button;
    ASSERT_TRUE(button.Create(L"", WS_CHILD | WS_VISIBLE | BS_OWNERDRAW, Rect(10, 10, 110, 40),
                              &parent, 2003));
    EXPECT_EQ(button.GetParent(), &parent);
    EXPECT_EQ(parent.GetDlgItem(2003), button.m_hWnd);
    button.Invalidate();
    button.UpdateWindow();
    EXPECT_GE(button.m_nDrawn, 1);
    EXPECT_EQ(button.m_nCtlId, 2003u);

    // A click is the platform's ordinary command to the parent.
    button.SendMessage(BM_CLICK);
    EXPECT_EQ(parent.m_nCommands, 1);
    EXPECT_EQ(LOWORD(parent.m_lastCommand), 2003);
    EXPECT_EQ(HIWORD(parent.m_lastCommand), BN_CLICKED);
}

// PreTranslateMessage sees a message before its window, from the target up its parents.
class KeyFilter : public CWnd {
public:
    int m_nSeen = 0;
    bool m_bSwallow = false;
    BOOL PreTranslateMessage(MSG* pMsg) override {
        if (pMsg->message != WM_KEYDOWN) return FALSE;
        ++m_nSeen;
        return m_bSwallow;
    }
};

TEST(CWnd, PreTranslateWalksFromTheTargetToItsTopLevelWindow) {
    KeyFilter top, child;
    ASSERT_TRUE(
        top.CreateEx(0, AfxRegisterWndClass(0), L"", WS_POPUP, Rect(0, 0, 100, 100), nullptr, 0));
    Recorder edit;
    ASSERT_TRUE(edit.CreateEx(0, L"EDIT", L"", WS_CHILD, Rect(0, 0, 50, 20), &top, 1));
    MSG msg{edit.m_hWnd, WM_KEYDOWN, VK_RETURN, 0, 0, {0, 0}};
    EXPECT_FALSE(CWnd::WalkPreTranslateTree(&msg));
    EXPECT_EQ(top.m_nSeen, 1);
    top.m_bSwallow = true;
    EXPECT_TRUE(CWnd::WalkPreTranslateTree(&msg));
    (void)child;
}

}  // namespace
