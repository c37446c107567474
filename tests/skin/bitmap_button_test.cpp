// OBitmapButton: the face each state shows, the caption, the snapshot, and hover
// and clicks on a real window.
#include "skin/bitmap_button.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "tests/skin/skin_test_util.h"

namespace {

using skin_test::CMemoryCanvas;
using skin_test::ImagePixel;
using skin_test::Near;

const COLORREF kCanvas = RGB(0, 90, 20);
const COLORREF kCaption = RGB(255, 255, 0);  // in none of the faces

// The Start button's four faces over a background, and a pixel where they all differ.
struct Faces {
    explicit Faces(COLORREF background) : background(background) {
        for (int i = 0; i < 4; ++i) image[i] = LoadPngImage(WORD(1007 + i));
        for (int y = 0; y < 42 && pt.x < 0; ++y)
            for (int x = 0; x < 103 && pt.x < 0; ++x) {
                bool distinct = true;
                for (int i = 0; i < 4; ++i)
                    for (int j = i + 1; j < 4; ++j)
                        distinct = distinct && !Near(Colour(i, x, y), Colour(j, x, y), 8);
                if (distinct) pt = POINT{x, y};
            }
    }
    COLORREF Colour(int i, int x, int y) const { return ImagePixel(*image[i], x, y, background); }
    // The face that shows colour at the distinguishing pixel, or -1.
    int Which(COLORREF colour) const {
        for (int i = 0; i < 4; ++i)
            if (Near(colour, Colour(i, pt.x, pt.y), 3)) return i;
        return -1;
    }
    COLORREF background;
    std::unique_ptr<CGdiPlusBitmapResource> image[4];
    POINT pt{-1, -1};
};

// Draws button as its parent would ask, on a fresh canvas.
void Draw(OBitmapButton& button, CMemoryCanvas& canvas, UINT state, int cx = 103, int cy = 42) {
    DRAWITEMSTRUCT dis{ODT_BUTTON, 0, 0, ODA_DRAWENTIRE, state, nullptr, canvas, {0, 0, cx, cy}, 0};
    button.DrawItem(&dis);
}

TEST(BitmapButton, FaceFollowsStateAndTheImagesThatExist) {
    OBitmapButton all, normalOnly, noPressed;
    all.SetImages(1007, 1008, 1009, 1010);
    normalOnly.SetImages(1007);
    noPressed.SetImages(1007, 0, 1009, 1010);
    using F = OBitmapButton;
    const struct {
        OBitmapButton* button;
        UINT state;
        BOOL hover;
        F::Face face;
        bool shift;
    } cases[] = {
        {&all, 0, FALSE, F::kFaceNormal, false},
        {&all, ODS_SELECTED, TRUE, F::kFacePressed, true},
        {&all, 0, TRUE, F::kFaceHover, false},
        {&all, ODS_DISABLED, FALSE, F::kFaceDisabled, false},
        {&all, ODS_DISABLED, TRUE, F::kFaceHover, false},  // hover beats disabled
        {&normalOnly, ODS_SELECTED, FALSE, F::kFaceNormal, false},
        {&normalOnly, ODS_DISABLED, TRUE, F::kFaceNormal, false},
        {&noPressed, ODS_SELECTED, FALSE, F::kFaceNormal, false},
        {&noPressed, ODS_SELECTED | ODS_DISABLED, FALSE, F::kFaceDisabled, false},
    };
    for (const auto& c : cases) {
        c.button->m_bHover = c.hover;
        bool shift = !c.shift;
        EXPECT_EQ(c.button->ChooseFace(c.state, &shift), c.face) << c.state << c.hover;
        EXPECT_EQ(shift, c.shift) << c.state << c.hover;
    }

    // What is painted agrees, over the first snapshot, even after the button moved...
    Faces faces(kCanvas);
    ASSERT_GE(faces.pt.x, 0);
    all.m_bHover = FALSE;
    for (UINT state : {0, ODS_SELECTED, ODS_DISABLED}) {
        CMemoryCanvas canvas(103, 42, state ? RGB(255, 255, 255) : kCanvas);
        Draw(all, canvas, state);
        EXPECT_EQ(faces.Which(canvas.Pixel(faces.pt.x, faces.pt.y)),
                  int(all.ChooseFace(state, nullptr)));
        EXPECT_TRUE(Near(canvas.Pixel(0, 0), kCanvas, 8));  // the transparent corner
    }
    // ...until new images make it take a fresh one.
    all.SetImages(1007, 1008, 1009, 1010);
    CMemoryCanvas fresh(103, 42, RGB(255, 255, 255));
    Draw(all, fresh, 0);
    EXPECT_TRUE(Near(fresh.Pixel(0, 0), RGB(255, 255, 255), 8));
}

// Bounding box of the caption's pixels.
RECT CaptionBox(OBitmapButton& button, UINT state) {
    CMemoryCanvas canvas(103, 42, kCanvas);
    Draw(button, canvas, state);
    RECT box{103, 42, -1, -1};
    for (int y = 0; y < 42; ++y)
        for (int x = 0; x < 103; ++x)
            if (Near(canvas.Pixel(x, y), kCaption, 40)) {
                box = RECT{std::min<LONG>(box.left, x), std::min<LONG>(box.top, y),
                           std::max<LONG>(box.right, x), std::max<LONG>(box.bottom, y)};
            }
    return box;
}

TEST(BitmapButton, CaptionIsCentredAndMovesWhenPressedOnlyWithAPressedImage) {
    OBitmapButton pressable, normalOnly, empty;
    pressable.SetImages(1007, 1008);
    normalOnly.SetImages(1007);
    empty.SetImages(1007);
    for (OBitmapButton* b : {&pressable, &normalOnly, &empty}) b->m_crText = kCaption;
    wcscpy(pressable.m_szText, L"Next >");
    wcscpy(normalOnly.m_szText, L"Next >");

    const RECT up = CaptionBox(pressable, 0), down = CaptionBox(pressable, ODS_SELECTED);
    ASSERT_GT(up.right, up.left);
    EXPECT_LE(std::abs((up.left + up.right) / 2 - 51), 2);
    EXPECT_LE(std::abs((up.top + up.bottom) / 2 - 21), 3);
    EXPECT_EQ(down.left, up.left + 1);
    EXPECT_EQ(down.top, up.top + 1);
    const RECT still = CaptionBox(normalOnly, ODS_SELECTED);
    EXPECT_EQ(still.left, up.left);
    EXPECT_EQ(still.top, up.top);
    const RECT none = CaptionBox(empty, 0);
    EXPECT_LT(none.right, none.left);
}

TEST(BitmapButton, OnAWindowFollowsHoverAndEnablingAndClicks) {
    skin_test::CTestParent parent;
    ASSERT_TRUE(parent.Create(40, 40, 400, 200));
    OBitmapButton button;
    ASSERT_TRUE(button.Create(L"", WS_CHILD | WS_VISIBLE | BS_OWNERDRAW, RECT{20, 20, 123, 62},
                              &parent, 1234));
    button.SetImages(1007, 1008, 1009, 1010);
    Faces faces(skin_test::kParentColour);
    auto shown = [&] {
        skin_test::FlushPaints();
        return faces.Which(skin_test::WindowPixel(button, faces.pt.x, faces.pt.y));
    };
    EXPECT_EQ(shown(), 0);
    EXPECT_TRUE(Near(skin_test::WindowPixel(button, 0, 0), skin_test::kParentColour, 8));
    button.SendMessage(WM_MOUSEHOVER);
    EXPECT_EQ(shown(), 2);
    button.SendMessage(WM_MOUSELEAVE);
    EXPECT_EQ(shown(), 0);
    button.EnableWindow(FALSE);
    EXPECT_EQ(shown(), 3);
    button.EnableWindow(TRUE);

    button.SendMessage(BM_CLICK);
    ASSERT_EQ(parent.m_received.size(), 1u);
    EXPECT_EQ(parent.m_received[0].wParam, MAKEWPARAM(1234, BN_CLICKED));
}

}  // namespace
