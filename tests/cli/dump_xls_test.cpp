// kovracli dump-xls: the exact JSON of a LibreOffice workbook, and the exit statuses.
#include "cli/dump_xls.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "base/file_io.h"
#include "cli/commands.h"
#include "tests/spreadsheet/biff_builder.h"
#include "tests/spreadsheet/cfb_builder.h"
#include "tests/test_util.h"

namespace {

std::string Contents(std::FILE* f) {
    std::string s;
    std::rewind(f);
    char buf[4096];
    for (size_t n; (n = std::fread(buf, 1, sizeof buf, f)) > 0;) s.append(buf, n);
    return s;
}

std::string WriteWorkbook(const std::string& dir, const char16_t* stream,
                          const std::vector<uint8_t>& bytes) {
    std::vector<uint8_t> file = cfb_test::Build(cfb_test::UnderRoot({{stream, 2, bytes}})).bytes;
    std::string path = kovra_test::TempDir(dir) + "/book.xls";
    EXPECT_TRUE(kovra::WriteFileReplacing(path, file.data(), file.size()));
    return path;
}

}  // namespace

TEST(DumpXlsCommand, FormulaResultsOfEveryKind) {
    using namespace biff_test;
    const Bytes body = Cat({Row(0, 4), Formula(0, 0, 1, 1), Formula(0, 1, 2, 0x2A),
                            Formula(0, 2, 3, 0), Formula(0, 3, 2, 0x99), DbCell()});
    std::string path = WriteWorkbook("dump_results", u"Workbook", WorkbookStream({"data"}, {body}));
    std::FILE* out = std::tmpfile();
    std::FILE* err = std::tmpfile();
    ASSERT_TRUE(out && err);
    EXPECT_EQ(DumpXls(path, out, err), 0);
    EXPECT_EQ(Contents(out),
              "{\"sheets\":[{\"name\":\"data\",\"wide_name\":false,\"rows\":1,\"columns\":4,"
              "\"cells\":[{\"row\":0,\"col\":0,\"kind\":\"Formula\",\"value\":1},"
              "{\"row\":0,\"col\":1,\"kind\":\"Formula\",\"value\":null,\"error\":\"#N/A\"},"
              "{\"row\":0,\"col\":2,\"kind\":\"Formula\",\"value\":\"\"},"
              "{\"row\":0,\"col\":3,\"kind\":\"Formula\",\"value\":null,\"error\":\"#ERROR!\"}],"
              "\"merged\":[]}]}\n");
    std::fclose(out);
    std::fclose(err);
}

TEST(DumpXlsCommand, RefusalsSayWhy) {
    using namespace biff_test;
    Bytes old = WorkbookStream({"data"}, {Cat({Row(0), Rk(0, 0, 6), DbCell()})});
    old[5] = 0x05;  // an Excel 5.0 BOF
    const std::string oldPath = WriteWorkbook("dump_old", u"Book", old);
    const std::string encrypted = WriteWorkbook(
        "dump_encrypted", u"Workbook",
        WorkbookStream({"data"}, {Cat({Row(0), Rk(0, 0, 6), DbCell()})}, Rec(0x002F, Bytes(6, 0))));
    struct {
        std::string path;
        std::string reason;
    } cases[] = {
        {oldPath, "Excel 5.0/95 workbooks are not supported"},
        {encrypted, "the workbook is encrypted"},
    };
    for (const auto& c : cases) {
        std::FILE* out = std::tmpfile();
        std::FILE* err = std::tmpfile();
        ASSERT_TRUE(out && err);
        EXPECT_EQ(DumpXls(c.path, out, err), 1);
        EXPECT_EQ(Contents(err), "kovracli: " + c.path +
                                     ": not a readable Excel 97-2003 workbook: " + c.reason + "\n");
        EXPECT_EQ(Contents(out), "");
        std::fclose(out);
        std::fclose(err);
    }
}

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
