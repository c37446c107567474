// PNG resources: loading, replacing, wrong resource types, the program module whatever the
// language, and the GDI bitmap helpers.
#include "skin/png_image.h"

#include <gtest/gtest.h>

#include "app/texts.h"
#include "tests/skin/skin_test_util.h"

namespace {

using skin_test::CMemoryCanvas;
using skin_test::ImagePixel;

HMODULE Program() {
    return ::GetModuleHandleW(nullptr);
}

TEST(PngImage, EveryImageOfTheSkinLoadsAtItsSize) {
    struct {
        WORD id;
        int cx, cy;
    } cases[] = {
        {1000, 860, 600}, {1001, 22, 22},   {1007, 103, 42},  {1020, 19, 19},
        {1026, 19, 19},   {1031, 613, 30},  {1032, 613, 30},  {1038, 104, 35},
        {1041, 104, 35},  {1042, 151, 54},  {1043, 544, 177}, {1044, 544, 227},
        {1045, 130, 37},  {1047, 130, 37},  {1150, 18, 18},   {1156, 18, 18},
        {1178, 206, 42},  {1182, 16, 16},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.id);
        auto image = LoadPngImage(c.id);
        ASSERT_NE(image, nullptr);
        EXPECT_EQ(image->GetWidth(), c.cx);
        EXPECT_EQ(image->GetHeight(), c.cy);
    }
}

TEST(PngImage, LoadingAgainReplacesTheImage) {
    CGdiPlusBitmapResource image;
    ASSERT_TRUE(image.Load(1045, Program()));
    EXPECT_EQ(image.GetWidth(), 130);
    ASSERT_TRUE(image.Load(1043, Program()));
    EXPECT_EQ(image.GetWidth(), 544);
    EXPECT_EQ(image.GetHeight(), 177);
    // Many loads into one object: each frees what the last one held.
    for (int i = 0; i < 200; ++i) ASSERT_TRUE(image.Load(WORD(i % 2 ? 1031 : 1032), Program()));
    EXPECT_EQ(image.GetWidth(), 613);
}

TEST(PngImage, AnIdOfAnotherResourceTypeIsNotFound) {
    CGdiPlusBitmapResource image;
    ASSERT_TRUE(image.Load(1045, Program()));
    // 1500 is a bitmap, 1800 the template file, 13 a block of the string table.
    for (WORD id : {WORD(1500), WORD(1800), WORD(13)}) {
        SCOPED_TRACE(id);
        ASSERT_NE(::FindResourceW(Program(), MAKEINTRESOURCEW(id),
                                  id == 1500 ? RT_BITMAP : id == 1800 ? L"FILE" : RT_STRING),
                  nullptr);
        EXPECT_FALSE(image.Load(id, Program()));
        EXPECT_TRUE(image.IsEmpty());
        EXPECT_EQ(LoadPngImage(id), nullptr);
    }
}

TEST(PngImage, BytesThatAreNoImageFailCleanly) {
    CGdiPlusBitmapResource image;
    EXPECT_FALSE(image.Load(9001, Program()));
    EXPECT_TRUE(image.IsEmpty());
    EXPECT_EQ(LoadPngImage(9001), nullptr);
}

TEST(PngImage, ImagesComeFromTheProgramWhateverTheLanguageModule) {
    HMODULE hRussian = skin_test::LoadRussianLibrary();
    ASSERT_NE(hRussian, nullptr);
    HMODULE savedLang = g_hLangModule;
    HMODULE savedImage = g_hImageModule;
    g_hLangModule = hRussian;
    g_hImageModule = nullptr;

    auto image = LoadPngImage(1043);
    ASSERT_NE(image, nullptr);
    EXPECT_EQ(image->GetWidth(), 544);
    EXPECT_EQ(g_hImageModule, Program());
    // The language library has texts only: nothing of the skin could come from it.
    CGdiPlusBitmapResource fromLibrary;
    EXPECT_FALSE(fromLibrary.Load(1043, hRussian));

    g_hLangModule = savedLang;
    g_hImageModule = savedImage;
    ::FreeLibrary(hRussian);
}

TEST(PngImage, PngToBitmapKeepsTheOpaquePixels) {
    auto image = LoadPngImage(1043);
    ASSERT_NE(image, nullptr);
    const COLORREF expected[] = {ImagePixel(*image, 0, 0, 0), ImagePixel(*image, 300, 150, 0),
                                 ImagePixel(*image, 543, 176, 0)};
    ScopedBitmap bitmap = PngToBitmap(std::move(image));
    ASSERT_TRUE(bitmap);
    SIZE size = GetBitmapSize(bitmap);
    EXPECT_EQ(size.cx, 544);
    EXPECT_EQ(size.cy, 177);

    CMemoryCanvas canvas(544, 177, RGB(0, 0, 0));
    DrawBitmapAt(bitmap, canvas);
    EXPECT_TRUE(skin_test::Near(canvas.Pixel(0, 0), expected[0]));
    EXPECT_TRUE(skin_test::Near(canvas.Pixel(300, 150), expected[1]));
    EXPECT_TRUE(skin_test::Near(canvas.Pixel(543, 176), expected[2]));

    EXPECT_FALSE(PngToBitmap(nullptr));
}

TEST(PngImage, DrawBitmapInRectCopiesTheTopLeftPartToTheRect) {
    const COLORREF red = RGB(255, 0, 0), blue = RGB(0, 0, 255);
    CMemoryCanvas source(40, 40, red);
    ScopedBitmap bitmap(::CreateCompatibleBitmap(source, 40, 40));
    {
        CMemoryCanvas paint(40, 40, red);
        ScopedMemoryDC dc(::CreateCompatibleDC(paint));
        CSelectObject select(dc, bitmap);
        ::BitBlt(dc, 0, 0, 40, 40, paint, 0, 0, SRCCOPY);
        ::SetPixel(dc, 0, 0, RGB(0, 255, 0));
    }
    CMemoryCanvas target(100, 100, blue);
    DrawBitmapInRect(RECT{10, 20, 30, 50}, target, bitmap);
    EXPECT_EQ(target.Pixel(10, 20), RGB(0, 255, 0));  // the bitmap's corner at the rect's
    EXPECT_EQ(target.Pixel(29, 49), red);
    EXPECT_EQ(target.Pixel(30, 30), blue);  // nothing beyond the rect's width
    EXPECT_EQ(target.Pixel(15, 50), blue);
    EXPECT_EQ(target.Pixel(9, 25), blue);

    CMemoryCanvas whole(100, 100, blue);
    DrawBitmapAt(bitmap, whole);
    EXPECT_EQ(whole.Pixel(39, 39), red);
    EXPECT_EQ(whole.Pixel(40, 39), blue);
}

}  // namespace
