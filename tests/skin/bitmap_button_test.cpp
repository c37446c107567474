// OBitmapButton: which face each state shows, the caption, the snapshot, hover, clicks and
// the tooltip, on memory contexts and on real windows.
#include "skin/bitmap_button.h"

#include <commctrl.h>
#include <gtest/gtest.h>

#include <vector>

#include "app/texts.h"
#include "resources/resource.h"
#include "tests/skin/skin_test_util.h"

namespace {

using skin_test::CMemoryCanvas;
using skin_test::CTestParent;
using skin_test::ImagePixel;
using skin_test::Near;

const COLORREF kCanvas = RGB(0, 90, 20);
const COLORREF kCaption = RGB(255, 255, 0);  // in none of the faces

// A pixel where the given images, drawn over background, look clearly different from each
// other: seeing it tells which one was drawn.
POINT DistinguishingPixel(const std::vector<const CGdiPlusBitmap*>& images, COLORREF background) {
    const int cx = images[0]->GetWidth(), cy = images[0]->GetHeight();
    for (int y = 0; y < cy; ++y)
        for (int x = 0; x < cx; ++x) {
            bool ok = true;
            std::vector<COLORREF> seen;
            for (const CGdiPlusBitmap* image : images) {
                COLORREF colour = ImagePixel(*image, x, y, background);
                for (COLORREF other : seen) ok = ok && !Near(colour, other, 8);
                seen.push_back(colour);
            }
            if (ok) return POINT{x, y};
        }
    return POINT{-1, -1};
}

// The four faces of the Start button, loaded for comparing, as seen over background.
struct Faces {
    explicit Faces(COLORREF background) : background(background) {
        for (int i = 0; i < 4; ++i) image[i] = LoadPngImage(WORD(1007 + i));
        pt = DistinguishingPixel({image[0].get(), image[1].get(), image[2].get(), image[3].get()},
                                 background);
    }
    // The face whose colour at the distinguishing pixel is colour, or -1.
    int Which(COLORREF colour) const {
        for (int i = 0; i < 4; ++i)
            if (Near(colour, ImagePixel(*image[i], pt.x, pt.y, background), 3)) return i;
        return -1;
    }
    COLORREF background;
    std::unique_ptr<CGdiPlusBitmapResource> image[4];
    POINT pt;
};

DRAWITEMSTRUCT DrawStruct(HDC dc, int cx, int cy, UINT state) {
    DRAWITEMSTRUCT dis{};
    dis.CtlType = ODT_BUTTON;
    dis.itemAction = ODA_DRAWENTIRE;
    dis.itemState = state;
    dis.hDC = dc;
    dis.rcItem = RECT{0, 0, cx, cy};
    return dis;
}

// Bounding box of the caption's pixels on a canvas.
RECT CaptionBox(const CMemoryCanvas& canvas, int cx, int cy) {
    RECT box{cx, cy, -1, -1};
    for (int y = 0; y < cy; ++y)
        for (int x = 0; x < cx; ++x)
            if (Near(canvas.Pixel(x, y), kCaption, 40)) {
                box.left = std::min<LONG>(box.left, x);
                box.top = std::min<LONG>(box.top, y);
                box.right = std::max<LONG>(box.right, x);
                box.bottom = std::max<LONG>(box.bottom, y);
            }
    return box;
}

TEST(BitmapButton, FaceChoiceFollowsStateAndAvailableImages) {
    OBitmapButton all;
    all.SetImages(1007, 1008, 1009, 1010);
    OBitmapButton normalOnly;
    normalOnly.SetImages(1007);
    OBitmapButton noPressed;
    noPressed.SetImages(1007, 0, 1009, 1010);
    EXPECT_TRUE(normalOnly.HasImage(0));
    EXPECT_FALSE(normalOnly.HasImage(1));

    struct {
        OBitmapButton* button;
        UINT state;
        BOOL hover;
        OBitmapButton::Face face;
        bool shift;
    } cases[] = {
        {&all, 0, FALSE, OBitmapButton::kFaceNormal, false},
        {&all, ODS_SELECTED, FALSE, OBitmapButton::kFacePressed, true},
        {&all, ODS_SELECTED, TRUE, OBitmapButton::kFacePressed, true},
        {&all, 0, TRUE, OBitmapButton::kFaceHover, false},
        {&all, ODS_DISABLED, FALSE, OBitmapButton::kFaceDisabled, false},
        {&all, ODS_DISABLED, TRUE, OBitmapButton::kFaceHover, false},  // hover beats disabled
        {&normalOnly, 0, FALSE, OBitmapButton::kFaceNormal, false},
        {&normalOnly, ODS_SELECTED, FALSE, OBitmapButton::kFaceNormal, false},
        {&normalOnly, 0, TRUE, OBitmapButton::kFaceNormal, false},
        {&normalOnly, ODS_DISABLED, FALSE, OBitmapButton::kFaceNormal, false},
        {&noPressed, ODS_SELECTED, FALSE, OBitmapButton::kFaceNormal, false},
        {&noPressed, ODS_SELECTED, TRUE, OBitmapButton::kFaceHover, false},
        {&noPressed, ODS_SELECTED | ODS_DISABLED, FALSE, OBitmapButton::kFaceDisabled, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(::testing::Message() << "state " << c.state << " hover " << c.hover);
        c.button->m_bHover = c.hover;
        bool shift = !c.shift;
        EXPECT_EQ(c.button->ChooseFace(c.state, &shift), c.face);
        EXPECT_EQ(shift, c.shift);
    }
}

TEST(BitmapButton, DrawsTheChosenFaceOverTheSnapshot) {
    Faces faces(kCanvas);
    ASSERT_GE(faces.pt.x, 0);
    OBitmapButton button;
    button.SetImages(1007, 1008, 1009, 1010);
    const UINT states[] = {0, ODS_SELECTED, ODS_DISABLED};
    const int expected[] = {0, 1, 3};
    for (int i = 0; i < 3; ++i) {
        CMemoryCanvas canvas(103, 42, kCanvas);
        DRAWITEMSTRUCT dis = DrawStruct(canvas, 103, 42, states[i]);
        button.DrawItem(&dis);
        EXPECT_EQ(faces.Which(canvas.Pixel(faces.pt.x, faces.pt.y)), expected[i]) << i;
        // The rounded corner is transparent: the snapshot of the first paint shows there.
        EXPECT_TRUE(Near(canvas.Pixel(0, 0), kCanvas, 8));
    }
    // Painted over another background later, the button keeps its first snapshot...
    CMemoryCanvas moved(103, 42, RGB(255, 255, 255));
    DRAWITEMSTRUCT dis = DrawStruct(moved, 103, 42, 0);
    button.DrawItem(&dis);
    EXPECT_TRUE(Near(moved.Pixel(0, 0), kCanvas, 8));
    // ...until new images make it take a fresh one.
    button.SetImages(1007, 1008, 1009, 1010);
    CMemoryCanvas fresh(103, 42, RGB(255, 255, 255));
    dis.hDC = fresh;
    button.DrawItem(&dis);
    EXPECT_TRUE(Near(fresh.Pixel(0, 0), RGB(255, 255, 255), 8));
}

TEST(BitmapButton, OnlyANormalImageIsDrawnInEveryState) {
    Faces faces(kCanvas);
    OBitmapButton button;
    button.SetImages(1007);
    for (UINT state : {0u, unsigned(ODS_SELECTED), unsigned(ODS_DISABLED)})
        for (BOOL hover : {FALSE, TRUE}) {
            button.m_bHover = hover;
            CMemoryCanvas canvas(103, 42, kCanvas);
            DRAWITEMSTRUCT dis = DrawStruct(canvas, 103, 42, state);
            button.DrawItem(&dis);
            EXPECT_EQ(faces.Which(canvas.Pixel(faces.pt.x, faces.pt.y)), 0) << state << hover;
        }
}

TEST(BitmapButton, CaptionMovesWhenPressedOnlyWithAPressedImage) {
    auto captionBox = [](OBitmapButton& button, UINT state) {
        CMemoryCanvas canvas(103, 42, kCanvas);
        DRAWITEMSTRUCT dis = DrawStruct(canvas, 103, 42, state);
        button.DrawItem(&dis);
        return CaptionBox(canvas, 103, 42);
    };
    OBitmapButton withPressed;
    withPressed.SetImages(1007, 1008);
    wcscpy(withPressed.m_szText, L"Next >");
    withPressed.m_crText = kCaption;
    RECT up = captionBox(withPressed, 0);
    RECT down = captionBox(withPressed, ODS_SELECTED);
    ASSERT_GT(up.right, up.left);
    EXPECT_EQ(down.left, up.left + 1);
    EXPECT_EQ(down.top, up.top + 1);

    OBitmapButton normalOnly;
    normalOnly.SetImages(1007);
    wcscpy(normalOnly.m_szText, L"Next >");
    normalOnly.m_crText = kCaption;
    RECT still = captionBox(normalOnly, ODS_SELECTED);
    EXPECT_EQ(still.left, up.left);
    EXPECT_EQ(still.top, up.top);
    // Centred both ways.
    EXPECT_LE(std::abs((up.left + up.right) / 2 - 51), 2);
    EXPECT_LE(std::abs((up.top + up.bottom) / 2 - 21), 3);

    OBitmapButton empty;
    empty.SetImages(1007);
    empty.m_crText = kCaption;
    RECT none = captionBox(empty, 0);
    EXPECT_LT(none.right, none.left);  // no caption pixels at all
}

TEST(BitmapButton, MirroredFaceIsFlipped) {
    auto picture = LoadPngImage(1042);  // not symmetric, unlike the button faces
    ASSERT_NE(picture, nullptr);
    OBitmapButton button;
    button.SetImages(1042);
    button.m_bMirror = TRUE;
    CMemoryCanvas canvas(151, 54, kCanvas);
    DRAWITEMSTRUCT dis = DrawStruct(canvas, 151, 54, 0);
    button.DrawItem(&dis);
    int matches = 0, samples = 0;
    for (int x = 5; x < 151; x += 13)
        for (int y = 5; y < 54; y += 11, ++samples)
            if (Near(canvas.Pixel(x, y), ImagePixel(*picture, 150 - x, y, kCanvas), 8)) ++matches;
    EXPECT_EQ(matches, samples);
}

class BitmapButtonWindow : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_parent.Create(40, 40, 400, 200));
        ASSERT_TRUE(m_button.Create(L"", WS_CHILD | WS_VISIBLE | BS_OWNERDRAW,
                                    RECT{20, 20, 123, 62}, &m_parent, 1234));
        m_button.SetImages(1007, 1008, 1009, 1010);
        wcscpy(m_button.m_szText, L"Start");
        m_button.m_crText = RGB(255, 255, 255);
        m_parent.UpdateWindow();
        skin_test::FlushPaints();
    }
    int ShownFace() {
        skin_test::FlushPaints();
        return m_faces.Which(skin_test::WindowPixel(m_button, m_faces.pt.x, m_faces.pt.y));
    }
    CTestParent m_parent;
    OBitmapButton m_button;
    Faces m_faces{skin_test::kParentColour};
};

TEST_F(BitmapButtonWindow, PaintsThroughItsParentAndFollowsHover) {
    EXPECT_EQ(ShownFace(), 0);
    EXPECT_TRUE(Near(skin_test::WindowPixel(m_button, 0, 0), skin_test::kParentColour, 8));

    m_button.SendMessage(WM_MOUSEHOVER, 0, MAKELPARAM(5, 5));
    EXPECT_TRUE(m_button.m_bHover);
    EXPECT_EQ(ShownFace(), 2);
    m_button.SendMessage(WM_MOUSELEAVE);
    EXPECT_FALSE(m_button.m_bHover);
    EXPECT_EQ(ShownFace(), 0);

    m_button.EnableWindow(FALSE);
    EXPECT_EQ(ShownFace(), 3);
    m_button.EnableWindow(TRUE);
    EXPECT_EQ(ShownFace(), 0);
}

TEST_F(BitmapButtonWindow, ClickReachesTheParentAsTheOrdinaryCommand) {
    m_parent.m_received.clear();
    m_button.SendMessage(BM_CLICK);
    skin_test::FlushPaints();
    ASSERT_EQ(m_parent.m_received.size(), 1u);
    EXPECT_EQ(m_parent.m_received[0].message, UINT(WM_COMMAND));
    EXPECT_EQ(m_parent.m_received[0].wParam, MAKEWPARAM(1234, BN_CLICKED));
    EXPECT_EQ(HWND(m_parent.m_received[0].lParam), m_button.m_hWnd);
}

// The tooltip windows of this thread whose tool is the given button.
std::vector<HWND> ToolTipsOf(HWND hButton) {
    struct Search {
        HWND button;
        std::vector<HWND> found;
    } search{hButton, {}};
    ::EnumThreadWindows(
        ::GetCurrentThreadId(),
        [](HWND hWnd, LPARAM lParam) -> BOOL {
            auto* s = reinterpret_cast<Search*>(lParam);
            wchar_t cls[64] = L"";
            ::GetClassNameW(hWnd, cls, 64);
            if (::lstrcmpiW(cls, TOOLTIPS_CLASSW) != 0) return TRUE;
            TTTOOLINFOW info{};
            info.cbSize = sizeof info;
            if (::SendMessageW(hWnd, TTM_ENUMTOOLSW, 0, LPARAM(&info)) && info.hwnd == s->button)
                s->found.push_back(hWnd);
            return TRUE;
        },
        LPARAM(&search));
    return search.found;
}

TEST_F(BitmapButtonWindow, ToolTipIsMadeOnceAndRemadeNotMultipliedOnHover) {
    EXPECT_TRUE(ToolTipsOf(m_button).empty());
    m_button.SetToolTip(0);
    EXPECT_TRUE(ToolTipsOf(m_button).empty());

    m_button.SetToolTip(IDS_CHECK_UPDATE);
    auto tips = ToolTipsOf(m_button);
    ASSERT_EQ(tips.size(), 1u);
    wchar_t text[256] = L"";
    TTTOOLINFOW info{};
    info.cbSize = sizeof info;
    info.hwnd = m_button;
    info.uId = 1;
    info.lpszText = text;
    ::SendMessageW(tips[0], TTM_GETTEXTW, 256, LPARAM(&info));
    EXPECT_STREQ(text, LoadText(IDS_CHECK_UPDATE));

    for (int i = 0; i < 3; ++i) {
        m_button.SendMessage(WM_MOUSEHOVER);
        m_button.SendMessage(WM_MOUSELEAVE);
    }
    EXPECT_EQ(ToolTipsOf(m_button).size(), 1u);
}

}  // namespace
