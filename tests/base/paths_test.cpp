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

}  // namespace
