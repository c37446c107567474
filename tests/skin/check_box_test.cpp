// OCheckBox and ORadioButton on real windows: hit areas, toggling, the messages to the parent,
// state images and captions.
#include "skin/check_box.h"

#include <gtest/gtest.h>

#include "app/messages.h"
#include "tests/skin/skin_test_util.h"

namespace {

using skin_test::CTestParent;
using skin_test::Near;

LPARAM At(int x, int y) {
    return MAKELPARAM(x, y);
}

class ToggleControls : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_parent.Create(60, 60, 500, 200));
        m_font = skin_test::ScopedArial();
        ASSERT_TRUE(m_check.Create(RECT{10, 10, 410, 40}, &m_parent, 2051));
        m_check.m_rcWindow = RECT{10, 10, 410, 40};
        m_check.LoadImages();
        m_check.SetTextFont();
        m_check.SetText(L"Always select this source");

        ASSERT_TRUE(m_radio.Create(RECT{10, 60, 410, 100}, &m_parent, 2052));
        m_radio.LoadImages();
        m_radio.m_hFont = m_font;
        m_radio.SetText(L"Download the latest base data");
        m_parent.UpdateWindow();
        skin_test::FlushPaints();
        m_parent.m_received.clear();
    }
    void Click(CWnd& control, int x, int y) {
        control.SendMessage(WM_LBUTTONDOWN, MK_LBUTTON, At(x, y));
        control.SendMessage(WM_LBUTTONUP, 0, At(x, y));
    }
    CTestParent m_parent;
    ScopedFont m_font;
    OCheckBox m_check;
    ORadioButton m_radio;
};

TEST_F(ToggleControls, CheckBoxTakesClicksUpToTheCaptionPlus26) {
    const int width = m_check.GetTextWidth();
    ASSERT_GT(width, 100);
    RECT hit = m_check.GetHitRect();
    EXPECT_EQ(hit.left, 0);
    EXPECT_EQ(hit.right, width + 26);
    EXPECT_EQ(hit.bottom, 30);

    Click(m_check, width + 27, 15);  // on the caption's line but past its end
    EXPECT_FALSE(m_check.m_bChecked);
    EXPECT_TRUE(m_parent.m_received.empty());

    Click(m_check, width + 25, 15);
    EXPECT_TRUE(m_check.m_bChecked);
    ASSERT_EQ(m_parent.m_received.size(), 1u);
    EXPECT_EQ(m_parent.m_received[0].message, UINT(UM_CHECK_CLICKED));
    EXPECT_EQ(m_parent.m_received[0].wParam, WPARAM(2051));
    EXPECT_EQ(m_parent.m_received[0].lParam, LPARAM(1));

    Click(m_check, 3, 3);
    EXPECT_FALSE(m_check.m_bChecked);
    ASSERT_EQ(m_parent.m_received.size(), 2u);
    EXPECT_EQ(m_parent.m_received[1].lParam, LPARAM(0));
}

TEST_F(ToggleControls, RadioTakesClicksUpToTheCaptionPlus24AndUnchecksWhenChecked) {
    const int width = m_radio.GetTextWidth();
    EXPECT_EQ(m_radio.GetHitRect().right, width + 24);
    Click(m_radio, width + 25, 10);
    EXPECT_FALSE(m_radio.m_bChecked);
    EXPECT_TRUE(m_parent.m_received.empty());

    Click(m_radio, width + 23, 10);
    EXPECT_TRUE(m_radio.m_bChecked);
    Click(m_radio, 5, 5);
    EXPECT_FALSE(m_radio.m_bChecked);
    ASSERT_EQ(m_parent.m_received.size(), 2u);
    EXPECT_EQ(m_parent.m_received[0].message, UINT(UM_RADIO_CLICKED));
    EXPECT_EQ(m_parent.m_received[0].wParam, WPARAM(2052));
    EXPECT_EQ(m_parent.m_received[0].lParam, LPARAM(1));
    EXPECT_EQ(m_parent.m_received[1].lParam, LPARAM(0));
}

TEST_F(ToggleControls, PressInsideMoveOutReleaseStillReports) {
    m_check.SendMessage(WM_LBUTTONDOWN, MK_LBUTTON, At(5, 5));
    EXPECT_TRUE(m_check.m_bChecked);  // toggled as it goes down
    EXPECT_EQ(::GetCapture(), m_check.m_hWnd);
    EXPECT_TRUE(m_parent.m_received.empty());
    EXPECT_EQ(m_check.GetImageIndex(), 4 + 1);  // checked, pressed
    m_check.SendMessage(WM_MOUSEMOVE, MK_LBUTTON, At(450, 80));
    m_check.SendMessage(WM_LBUTTONUP, 0, At(450, 80));
    EXPECT_EQ(::GetCapture(), HWND(nullptr));
    ASSERT_EQ(m_parent.m_received.size(), 1u);
    EXPECT_EQ(m_parent.m_received[0].lParam, LPARAM(1));
    EXPECT_EQ(m_check.GetImageIndex(), 4);
}

TEST_F(ToggleControls, LostCaptureEndsTheClickAndReportsIt) {
    m_radio.SendMessage(WM_LBUTTONDOWN, MK_LBUTTON, At(5, 5));
    ASSERT_EQ(::GetCapture(), m_radio.m_hWnd);
    ::SetCapture(m_parent);  // something else takes the mouse
    ASSERT_EQ(m_parent.m_received.size(), 1u);
    EXPECT_EQ(m_parent.m_received[0].lParam, LPARAM(1));
    ::ReleaseCapture();
    // The button comes up elsewhere later: nothing more happens.
    m_radio.SendMessage(WM_LBUTTONUP, 0, At(5, 5));
    EXPECT_EQ(m_parent.m_received.size(), 1u);
    EXPECT_TRUE(m_radio.m_bChecked);
}

TEST_F(ToggleControls, DisabledControlsIgnoreClicks) {
    m_check.m_bEnabled = FALSE;
    m_radio.m_bEnabled = FALSE;
    Click(m_check, 5, 5);
    Click(m_radio, 5, 5);
    EXPECT_FALSE(m_check.m_bChecked);
    EXPECT_FALSE(m_radio.m_bChecked);
    EXPECT_TRUE(m_parent.m_received.empty());
    EXPECT_EQ(::GetCapture(), HWND(nullptr));
    EXPECT_EQ(m_check.GetImageIndex(), 3);
    m_check.m_bChecked = TRUE;
    EXPECT_EQ(m_check.GetImageIndex(), 7);
    m_check.Invalidate(FALSE);
    skin_test::FlushPaints();  // the checked-and-disabled state paints without an image of its own
}

TEST_F(ToggleControls, HoverShowsTheHoverImage) {
    m_check.SendMessage(WM_MOUSEHOVER);
    EXPECT_TRUE(m_check.m_bHover);
    EXPECT_EQ(m_check.GetImageIndex(), 2);
    m_check.m_bChecked = TRUE;
    EXPECT_EQ(m_check.GetImageIndex(), 6);
    m_check.SendMessage(WM_MOUSELEAVE);
    EXPECT_FALSE(m_check.m_bHover);
    EXPECT_EQ(m_check.GetImageIndex(), 4);
}

TEST_F(ToggleControls, PaintsStateImageAndWhiteCaptionOverTheParent) {
    auto unchecked = LoadPngImage(1150);
    auto checked = LoadPngImage(1154);
    const COLORREF parent = skin_test::kParentColour;
    // Check box: the image vertically centred at x 0 (client 30 high, image 18: y 6).
    const int cx = 9, cy = 6 + 9;
    EXPECT_TRUE(Near(skin_test::WindowPixel(m_check, cx, cy),
                     skin_test::ImagePixel(*unchecked, 9, 9, parent), 6));
    m_check.m_bChecked = TRUE;
    m_check.Invalidate(FALSE);
    skin_test::FlushPaints();
    EXPECT_TRUE(Near(skin_test::WindowPixel(m_check, cx, cy),
                     skin_test::ImagePixel(*checked, 9, 9, parent), 6));
    // Caption in white from x 28; past it, and after repaints, still the parent's colour.
    CClientDC dc(m_check);
    const int width = m_check.GetTextWidth();
    auto white = [](COLORREF c) { return Near(c, RGB(255, 255, 255), 10); };
    EXPECT_GT(skin_test::CountPixels(dc, RECT{28, 0, 28 + width, 30}, white), 20);
    EXPECT_EQ(skin_test::CountPixels(dc, RECT{18, 0, 28, 30}, white), 0);  // between image and text
    EXPECT_TRUE(Near(skin_test::WindowPixel(m_check, 395, 15), parent, 4));

    // Radio: image at 0,0, caption from x 24.
    auto radio = LoadPngImage(1020);
    EXPECT_TRUE(Near(skin_test::WindowPixel(m_radio, 9, 9),
                     skin_test::ImagePixel(*radio, 9, 9, parent), 6));
    CClientDC radioDC(m_radio);
    EXPECT_GT(skin_test::CountPixels(radioDC, RECT{24, 0, 24 + m_radio.GetTextWidth(), 20}, white),
              20);
}

TEST_F(ToggleControls, LongCaptionIsCutToItsBuffer) {
    std::wstring longText(300, L'x');
    m_check.SetText(longText.c_str());
    EXPECT_EQ(std::wstring(m_check.m_szText), std::wstring(79, L'x'));
    m_check.SetText(nullptr);
    EXPECT_STREQ(m_check.m_szText, L"");
    EXPECT_EQ(m_check.GetTextWidth(), 0);
}

}  // namespace
