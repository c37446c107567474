// Path joining and the program folder.
#include <gtest/gtest.h>

#include "base/file_io.h"
#include "base/paths.h"

namespace {

TEST(Paths, JoinUsesOneSeparator) {
    const std::string sep(1, kovra::kPathSeparator);
    EXPECT_EQ(kovra::JoinPath("C:", "\\speed.raw"), "C:" + sep + "speed.raw");
    EXPECT_EQ(kovra::JoinPath("dir/", "/x"), "dir" + sep + "x");
    EXPECT_EQ(kovra::JoinPath("dir", "x"), "dir" + sep + "x");
    EXPECT_EQ(kovra::JoinPath(std::wstring(L"d"), std::wstring(L"\\History")),
              L"d" + std::wstring(1, wchar_t(kovra::kPathSeparator)) + L"History");
}

TEST(Paths, ProgramFolderHoldsTheProgram) {
    const std::string folder = kovra::GetProgramFolder();
    ASSERT_FALSE(folder.empty());
    EXPECT_NE(folder.back(), kovra::kPathSeparator);
    EXPECT_TRUE(kovra::FileExists(folder));
    EXPECT_EQ(kovra::ToUtf8(kovra::GetProgramFolderW()), folder);
}

TEST(Paths, FileNameAndFolderSplitAtTheLastBackslashElseTheLastSlash) {
    const struct {
        const wchar_t *path, *folder, *name;
    } cases[] = {
        {L"C:\\data\\base.xls", L"C:\\data\\", L"base.xls"},
        {L"http://host/dvr/Kovra R7/rus/base.xls", L"http://host/dvr/Kovra R7/rus/", L"base.xls"},
        {L"C:\\data/sub/base.xls", L"C:\\", L"data/sub/base.xls"},
        {L"/tmp/speed.raw", L"/tmp/", L"speed.raw"},
        {L"speed.raw", L"", L"speed.raw"},
        {L"C:\\data\\", L"C:\\data\\", L""},
        {L"", L"", L""},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(kovra::FileNameOf(c.path), c.name) << kovra::ToUtf8(c.path);
        EXPECT_EQ(kovra::FolderOf(c.path), c.folder) << kovra::ToUtf8(c.path);
        EXPECT_EQ(kovra::FolderOf(c.path) + kovra::FileNameOf(c.path), c.path);
    }
}

}  // namespace
