// Path tests, file names, text fitting on a real device context, fonts and the version.
#include "app/helpers.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/app/app_test_util.h"

namespace {

TEST(PathExists, RemovesOneTrailingBackslashAndLooksTheRestUp) {
    const std::wstring dir = app_test::TempFolder("path_exists");
    const std::wstring file = dir + L"\\a.txt";
    ASSERT_TRUE(kovra::WriteFileReplacing(file, "x", 1));
    const struct {
        std::wstring path;
        bool exists;
        std::wstring after;  // the caller's buffer afterwards
    } cases[] = {
        {L"", false, L""},
        {L"\\", true, L"\\"},
        {dir, true, dir},
        {dir + L"\\", true, dir},
        {file, true, file},
        {dir + L"\\missing", false, dir + L"\\missing"},
        {dir + L"\\missing\\", false, dir + L"\\missing"},
        {dir + L"\\\\", true, dir + L"\\"},  // only one backslash goes
    };
    for (const auto& c : cases) {
        std::vector<wchar_t> buf(c.path.begin(), c.path.end());
        buf.push_back(L'\0');
        EXPECT_EQ(PathExists(buf.data()), c.exists) << kovra::ToUtf8(c.path);
        EXPECT_EQ(std::wstring(buf.data()), c.after) << kovra::ToUtf8(c.path);
    }
    EXPECT_FALSE(PathExists(nullptr));
}

TEST(GetFileNameFromPath, BackslashWinsOverSlash) {
    const struct {
        const wchar_t* path;
        bool ok;
        const wchar_t* name;
    } cases[] = {
        {L"", false, L"unchanged"},
        {L"C:\\data\\base.xls", true, L"base.xls"},
        {L"http://host/dvr/Kovra R7/rus/base.xls", true, L"base.xls"},
        {L"C:\\data/sub/base.xls", true, L"data/sub/base.xls"},
        {L"base.xls", true, L"base.xls"},
        {L"C:\\data\\", true, L""},
        {L"/", true, L""},
    };
    for (const auto& c : cases) {
        std::wstring out = L"unchanged";
        EXPECT_EQ(GetFileNameFromPath(c.path, out), c.ok) << kovra::ToUtf8(c.path);
        EXPECT_EQ(out, c.name) << kovra::ToUtf8(c.path);
    }
}

class FitText : public ::testing::Test {
protected:
    void SetUp() override {
        m_dc.Reset(::CreateCompatibleDC(nullptr));
        ASSERT_TRUE(m_dc);
        m_font = CreateArialFont(16, FW_NORMAL);
        ASSERT_TRUE(m_font);
        m_old = ::SelectObject(m_dc, m_font);
    }
    void TearDown() override { ::SelectObject(m_dc, m_old); }
    int Width(const std::wstring& s) {
        SIZE size{};
        ::GetTextExtentPoint32W(m_dc, s.c_str(), int(s.size()), &size);
        return s.empty() ? 0 : size.cx;
    }
    ScopedMemoryDC m_dc;
    ScopedFont m_font;
    HGDIOBJ m_old = nullptr;
};

TEST_F(FitText, TextThatFitsIsLeftAlone) {
    const std::wstring text = L"25.033964";
    for (int extra : {0, 1, 100}) {
        std::wstring t = text;
        EXPECT_FALSE(FitTextToWidth(t, m_dc, RECT{10, 0, 10 + Width(text) + extra, 20}));
        EXPECT_EQ(t, text);
    }
}

TEST_F(FitText, LongTextKeepsWhatFitsBesideTheDots) {
    const std::wstring text = L"SPEED RESTRICTION 60 KM/H AT THE BRIDGE";
    const int dots = Width(L"...");
    // Every width from nothing to just too narrow: the result is a start of the text followed
    // by dots, never wider than the rectangle, and no further character would have fitted.
    for (int w = 0; w < Width(text); ++w) {
        std::wstring t = text;
        ASSERT_TRUE(FitTextToWidth(t, m_dc, RECT{0, 0, w, 20})) << w;
        size_t kept = t.find_last_not_of(L'.') + 1;
        if (t.find_first_not_of(L'.') == std::wstring::npos) kept = 0;
        const size_t nDots = t.size() - kept;
        EXPECT_EQ(t.substr(0, kept), text.substr(0, kept)) << w;
        EXPECT_LE(nDots, 3u) << w;
        if (nDots > 0) {
            EXPECT_LE(Width(t), w) << w << " " << kovra::ToUtf8(t);
        }
        if (kept >= 4 && nDots == 3) {  // grown past the first four characters: greedily
            EXPECT_GT(Width(text.substr(0, kept + 1)) + dots, w) << w;
        }
        if (w >= Width(text.substr(0, 4)) + dots) {
            EXPECT_EQ(nDots, 3u) << w;
            EXPECT_GE(kept, 4u) << w;
        }
    }
}

TEST_F(FitText, NarrowRectanglesGetFewerDots) {
    const std::wstring text = L"WWWWWWWW";
    const struct {
        int width;
        const wchar_t* expected;
    } cases[] = {
        {Width(L"W..."), L"W..."},
        {Width(L"W") + Width(L".."), L"W.."},
        {Width(L"W") + Width(L"."), L"W."},
        {0, L""},  // not even one dot fits
    };
    for (const auto& c : cases) {
        std::wstring t = text;
        EXPECT_TRUE(FitTextToWidth(t, m_dc, RECT{0, 0, c.width, 20}));
        EXPECT_EQ(t, c.expected) << c.width;
    }
}

TEST(CreateArialFont, ArialOfTheGivenPixelHeightAndWeight) {
    const struct { int size, weight; } cases[] = {{16, 400}, {24, 700}, {18, 400}};
    for (const auto& c : cases) {
        ScopedFont font = CreateArialFont(c.size, c.weight);
        ASSERT_TRUE(font);
        LOGFONTW lf{};
        ASSERT_EQ(::GetObjectW(font, sizeof lf, &lf), int(sizeof lf));
        EXPECT_EQ(lf.lfHeight, -c.size);
        EXPECT_EQ(lf.lfWeight, c.weight);
        EXPECT_STREQ(lf.lfFaceName, L"Arial");
        EXPECT_EQ(lf.lfQuality, DRAFT_QUALITY);
        EXPECT_FALSE(lf.lfItalic || lf.lfUnderline || lf.lfStrikeOut);
    }
}

TEST(Helpers, VersionFolderAndBytes) {
    EXPECT_EQ(GetAppVersion(), L"1.0.10.1");

    InitModuleDir();
    const std::wstring dir = GetModuleDir();
    EXPECT_EQ(std::wstring(g_szModuleDir), dir);
    ASSERT_FALSE(dir.empty());
    EXPECT_NE(dir.back(), L'\\');
    wchar_t exe[MAX_PATH];
    ::GetModuleFileNameW(nullptr, exe, MAX_PATH);
    EXPECT_EQ(std::wstring(exe).rfind(L'\\'), dir.size());

    EXPECT_EQ(BytesToWideString("A\xC0\xFF"), std::wstring(L"A\x00C0\x00FF"));
    EXPECT_EQ(BytesToWideString(""), L"");
    EXPECT_EQ(BytesToWideString(nullptr), L"");
}

}  // namespace

TEST(FormatText, PutsArgumentsInOrderAndStopsWhenTheyRunOut) {
    EXPECT_EQ(FormatText(L"Kovra Converter\nVersion: %s\n", {L"1.0.10.1"}),
              L"Kovra Converter\nVersion: 1.0.10.1\n");
    EXPECT_EQ(FormatText(L"%d%% of %s", {L"42", L"setup.exe"}), L"42% of setup.exe");
    // A translation with more slots than the code gives never reads past the arguments.
    EXPECT_EQ(FormatText(L"saved as \"%s\" and %s.", {L"a.xls"}), L"saved as \"a.xls\" and ");
    EXPECT_EQ(FormatText(nullptr, {L"x"}), L"");
}
