// PNG resources: sizes, replacing, wrong types and bad bytes, the program module whatever the
// language, and the GDI bitmap helpers.
#include "skin/png_image.h"

#include <gtest/gtest.h>

#include "app/texts.h"
#include "tests/skin/skin_test_util.h"

namespace {

using skin_test::CMemoryCanvas;

const HMODULE kProgram = ::GetModuleHandleW(nullptr);

TEST(PngImage, SkinImagesLoadAtTheirSizes) {
    const struct {
        WORD id;
        int cx, cy;
    } cases[] = {{1000, 860, 600}, {1020, 19, 19}, {1044, 544, 227}, {1150, 18, 18}};
    for (const auto& c : cases) {
        auto image = LoadPngImage(c.id);
        ASSERT_NE(image, nullptr) << c.id;
        EXPECT_EQ(image->GetWidth(), c.cx) << c.id;
        EXPECT_EQ(image->GetHeight(), c.cy) << c.id;
    }
}

TEST(PngImage, LoadReplacesAndFailuresLeaveItEmpty) {
    CGdiPlusBitmapResource image;
    ASSERT_TRUE(image.Load(1045, kProgram));
    ASSERT_TRUE(image.Load(1043, kProgram));
    EXPECT_EQ(image.GetWidth(), 544);
    for (int i = 0; i < 200; ++i) ASSERT_TRUE(image.Load(WORD(1031 + i % 2), kProgram));
    // 1500 is a bitmap, 1800 a file, 13 a string table block; 9001 holds text, not an image.
    for (WORD id : {1500, 1800, 13, 9001}) {
        ASSERT_TRUE(image.Load(1045, kProgram));
        EXPECT_FALSE(image.Load(id, kProgram)) << id;
        EXPECT_TRUE(image.IsEmpty()) << id;
        EXPECT_EQ(LoadPngImage(id), nullptr) << id;
    }
    EXPECT_NE(::FindResourceW(kProgram, MAKEINTRESOURCEW(1500), RT_BITMAP), nullptr);
    EXPECT_NE(::FindResourceW(kProgram, MAKEINTRESOURCEW(13), RT_STRING), nullptr);
}

TEST(PngImage, ImagesComeFromTheProgramWhateverTheLanguage) {
    HMODULE hRussian = skin_test::LoadRussianLibrary();
    ASSERT_NE(hRussian, nullptr);
    const HMODULE savedLang = g_hLangModule, savedImage = g_hImageModule;
    g_hLangModule = hRussian;
    g_hImageModule = nullptr;
    auto image = LoadPngImage(1043);
    EXPECT_NE(image, nullptr);
    EXPECT_EQ(g_hImageModule, kProgram);
    EXPECT_FALSE(CGdiPlusBitmapResource().Load(1043, hRussian));
    g_hLangModule = savedLang;
    g_hImageModule = savedImage;
    ::FreeLibrary(hRussian);
}

TEST(PngImage, PngToBitmapAndCopies) {
    auto image = LoadPngImage(1043);
    ASSERT_NE(image, nullptr);
    const COLORREF corner = skin_test::ImagePixel(*image, 0, 0, 0);
    const COLORREF inside = skin_test::ImagePixel(*image, 300, 150, 0);
    ScopedBitmap bitmap = PngToBitmap(std::move(image));
    EXPECT_EQ(GetBitmapSize(bitmap).cx, 544);
    EXPECT_EQ(GetBitmapSize(bitmap).cy, 177);
    EXPECT_FALSE(PngToBitmap(nullptr));

    const COLORREF blue = RGB(0, 0, 255);
    CMemoryCanvas whole(600, 200, blue);
    DrawBitmapAt(bitmap, whole);
    EXPECT_TRUE(skin_test::Near(whole.Pixel(0, 0), corner));
    EXPECT_TRUE(skin_test::Near(whole.Pixel(300, 150), inside));
    EXPECT_EQ(whole.Pixel(544, 10), blue);

    // The bitmap's top-left part of the rectangle's size, at the rectangle's corner.
    CMemoryCanvas part(600, 200, blue);
    DrawBitmapInRect(RECT{10, 20, 30, 50}, part, bitmap);
    EXPECT_TRUE(skin_test::Near(part.Pixel(10, 20), corner));
    EXPECT_FALSE(skin_test::Near(part.Pixel(29, 49), blue, 10));
    EXPECT_EQ(part.Pixel(30, 30), blue);
    EXPECT_EQ(part.Pixel(15, 50), blue);
    EXPECT_EQ(part.Pixel(9, 25), blue);
}

}  // namespace
