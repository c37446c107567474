// kovracli dump-xls: the exact JSON of a LibreOffice workbook, and the exit statuses.
#include "cli/dump_xls.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "base/file_io.h"
#include "cli/commands.h"
#include "tests/test_util.h"

namespace {

std::string Contents(std::FILE* f) {
    std::string s;
    std::rewind(f);
    char buf[4096];
    for (size_t n; (n = std::fread(buf, 1, sizeof buf, f)) > 0;) s.append(buf, n);
    return s;
}

}  // namespace

TEST(DumpXlsCommand, PrintsTheWorkbookAsJson) {
    std::vector<uint8_t> expected;
    ASSERT_TRUE(kovra::ReadWholeFile(kovra_test::DataPath("xls/lo_content.json"), expected));
    std::FILE* out = std::tmpfile();
    std::FILE* err = std::tmpfile();
    ASSERT_TRUE(out && err);
    EXPECT_EQ(DumpXls(kovra_test::DataPath("xls/lo_content.xls"), out, err), 0);
    EXPECT_EQ(Contents(out), std::string(expected.begin(), expected.end()));
    EXPECT_EQ(Contents(err), "");
    std::fclose(out);
    std::fclose(err);
}

TEST(DumpXlsCommand, ExitStatuses) {
    std::FILE* out = std::tmpfile();
    std::FILE* err = std::tmpfile();
    ASSERT_TRUE(out && err);
    // Not a workbook: one line on the error stream, nothing on the output.
    EXPECT_EQ(DumpXls(kovra_test::DataPath("xls/make_fixtures_missing.xls"), out, err), 1);
    EXPECT_EQ(DumpXls(kovra_test::DataPath("make_fixtures.sh"), out, err), 1);
    std::string message = Contents(err);
    EXPECT_EQ(std::count(message.begin(), message.end(), '\n'), 2);
    EXPECT_EQ(Contents(out), "");
    std::fclose(out);
    std::fclose(err);
    // Usage errors.
    EXPECT_EQ(RunDumpXls({}), 2);
    EXPECT_EQ(RunDumpXls({"a.xls", "b.xls"}), 2);
    EXPECT_EQ(RunDumpXls({"--help"}), 2);
}
