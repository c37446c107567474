// OCheckBox and ORadioButton on real windows: hit areas, toggling and the messages to the
// parent, capture and the state image.
#include "skin/check_box.h"

#include <gtest/gtest.h>

#include <string>

#include "base/window_messages.h"
#include "tests/skin/skin_test_util.h"

namespace {

using skin_test::Near;

class ToggleControls : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_parent.Create(60, 60, 500, 200));
        ASSERT_TRUE(m_check.Create(RECT{10, 10, 410, 40}, &m_parent, 2051));
        m_check.m_rcWindow = RECT{10, 10, 410, 40};
        m_check.LoadImages();
        m_check.SetTextFont();
        m_check.SetText(L"Always select this source");
        ASSERT_TRUE(m_radio.Create(RECT{10, 60, 410, 100}, &m_parent, 2052));
        m_radio.LoadImages();
        m_radio.m_hFont = m_font;
        m_radio.SetText(L"Download the latest base data");
        skin_test::FlushPaints();
    }
    static void Press(CWnd& control, int x, int y) {
        control.SendMessage(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(x, y));
    }
    static void Click(CWnd& control, int x, int y) {
        Press(control, x, y);
        control.SendMessage(WM_LBUTTONUP, 0, MAKELPARAM(x, y));
    }
    // The messages the parent got, as "message id state" lines.
    std::wstring Received() {
        std::wstring s;
        for (const auto& r : m_parent.m_received)
            s += std::to_wstring(r.message) + L" " + std::to_wstring(r.wParam) + L" " +
                 std::to_wstring(r.lParam) + L";";
        return s;
    }
    skin_test::CTestParent m_parent;
    ScopedFont m_font = skin_test::CreateArial();
    OCheckBox m_check;
    ORadioButton m_radio;
};

TEST_F(ToggleControls, ClicksCountUpToTheCaptionPlus26Or24AndReportTheNewState) {
    const int checkEnd = m_check.GetTextWidth() + 26, radioEnd = m_radio.GetTextWidth() + 24;
    ASSERT_GT(checkEnd, 100);
    EXPECT_EQ(m_check.GetHitRect().right, checkEnd);
    EXPECT_EQ(m_radio.GetHitRect().right, radioEnd);
    Click(m_check, checkEnd + 1, 15);  // on the caption's line, past its end
    Click(m_radio, radioEnd + 1, 10);
    EXPECT_EQ(Received(), L"");
    Click(m_check, checkEnd - 1, 15);
    Click(m_check, 3, 3);
    Click(m_radio, radioEnd - 1, 10);
    Click(m_radio, 5, 5);  // a checked radio button unchecks
    EXPECT_EQ(Received(), L"3028 2051 1;3028 2051 0;3027 2052 1;3027 2052 0;");
    EXPECT_FALSE(m_check.m_bChecked);
    EXPECT_FALSE(m_radio.m_bChecked);
}

TEST_F(ToggleControls, PressInsideMoveOutReleaseOrLosingCaptureStillReports) {
    Press(m_check, 5, 5);
    EXPECT_TRUE(m_check.m_bChecked);  // toggled as it goes down
    EXPECT_EQ(m_check.GetImageIndex(), 4 + 1);
    EXPECT_EQ(::GetCapture(), m_check.m_hWnd);
    EXPECT_EQ(Received(), L"");
    m_check.SendMessage(WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(450, 80));
    m_check.SendMessage(WM_LBUTTONUP, 0, MAKELPARAM(450, 80));
    EXPECT_EQ(::GetCapture(), HWND(nullptr));
    EXPECT_EQ(m_check.GetImageIndex(), 4);
    // Capture taken away mid-click ends the click too, once.
    Press(m_radio, 5, 5);
    ::SetCapture(m_parent);
    ::ReleaseCapture();
    m_radio.SendMessage(WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
    EXPECT_EQ(Received(), L"3028 2051 1;3027 2052 1;");
}

TEST_F(ToggleControls, StateImageIndexAndDisabledControls) {
    m_check.SendMessage(WM_MOUSEHOVER);
    EXPECT_EQ(m_check.GetImageIndex(), 2);
    m_check.SendMessage(WM_MOUSELEAVE);
    EXPECT_EQ(m_check.GetImageIndex(), 0);
    m_check.m_bEnabled = m_radio.m_bEnabled = FALSE;
    Click(m_check, 5, 5);
    Click(m_radio, 5, 5);
    EXPECT_EQ(Received(), L"");
    EXPECT_EQ(::GetCapture(), HWND(nullptr));
    EXPECT_EQ(m_check.GetImageIndex(), 3);
    m_check.m_bChecked = TRUE;
    EXPECT_EQ(m_check.GetImageIndex(), 7);
    m_check.Invalidate(FALSE);
    skin_test::FlushPaints();  // a state without an image of its own still paints
}

}  // namespace
