// Reading and replacing files by path.
#include <gtest/gtest.h>

#include "base/file_io.h"

#ifndef _WIN32
#include <sys/stat.h>
#endif
#include "tests/test_util.h"

namespace {

TEST(FileIo, ReplaceReadAndRefuse) {
    const std::string dir = kovra_test::TempDir("fileio");
    const std::string path = dir + "/a.bin";
    std::vector<uint8_t> bytes;
    EXPECT_FALSE(kovra::FileExists(path));
    EXPECT_FALSE(kovra::ReadWholeFile(path, bytes));

    const std::string first(100000, 'x');
    ASSERT_TRUE(kovra::WriteFileReplacing(path, first.data(), first.size()));
    ASSERT_TRUE(kovra::ReadWholeFile(kovra::FromUtf8(path), bytes));
    EXPECT_EQ(bytes.size(), first.size());

    ASSERT_TRUE(kovra::WriteFileReplacing(path, "ab", 2));
    ASSERT_TRUE(kovra::ReadWholeFile(path, bytes));
    EXPECT_EQ(std::string(bytes.begin(), bytes.end()), "ab");
    EXPECT_FALSE(kovra::ReadWholeFile(path, bytes, 1));  // larger than allowed
    EXPECT_TRUE(bytes.empty());

    // A write that cannot happen leaves no temporary file and no change behind.
    EXPECT_FALSE(kovra::WriteFileReplacing(dir + "/missing/b.bin", "x", 1));
    EXPECT_FALSE(kovra::FileExists(dir + "/missing/b.bin.tmp~"));
    EXPECT_FALSE(kovra::FileExists(path + ".tmp~"));
}

#ifndef _WIN32
TEST(FileIo, ReplacingKeepsThePermissions) {
    const std::string path = kovra_test::TempDir("fileio-mode") + "/m.txt";
    ASSERT_TRUE(kovra::WriteFileReplacing(path, "a", 1));
    ASSERT_EQ(chmod(path.c_str(), 0640), 0);
    ASSERT_TRUE(kovra::WriteFileReplacing(path, "bb", 2));
    struct stat st;
    ASSERT_EQ(stat(path.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0640u);
}
#endif

TEST(FileIo, WidePathsWithNonAsciiNames) {
    const std::wstring path = kovra::FromUtf8(kovra_test::TempDir("fileio-wide")) + L"/\u0414\u0430\u043d\u043d\u044b\u0435.txt";
    ASSERT_TRUE(kovra::WriteFileReplacing(path, "data", 4));
    EXPECT_TRUE(kovra::FileExists(path));
    std::vector<uint8_t> bytes;
    ASSERT_TRUE(kovra::ReadWholeFile(path, bytes));
    EXPECT_EQ(bytes.size(), 4u);
}

}  // namespace
