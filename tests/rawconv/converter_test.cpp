// The converter run on real workbooks: checks, logs, the camera file, and refusals.
#include <gtest/gtest.h>

#include <cmath>

#include "base/file_io.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <sys/stat.h>
#endif
#include "rawconv/converter.h"
#include "tests/cam_workbook_util.h"
#include "tests/test_util.h"

namespace {

using kovra_test::PutRow;
using kovra_test::ReadFileBytes;
const double E = NAN;  // an empty cell

class Converter : public testing::Test {
protected:
    void SetUp() override {
        dir = kovra_test::TempDir(testing::UnitTest::GetInstance()->current_test_info()->name());
        book = dir + "/book.xls";
        ASSERT_TRUE(kovra_test::CopyTemplate(book));
        ASSERT_TRUE(file.OpenFile(book));
        note = file.FindSheet("note");
        data = file.FindSheet("data");
        ASSERT_TRUE(note && data);
        note->CellAt(999, 5)->PutInteger(1);
        note->CellAt(1000, 5)->PutText("1,2,3,4,5");
    }
    // Writes the workbook, dates it 7 March 2026 (UTC) and converts it.
    rawconv::RunResult Run() {
        EXPECT_TRUE(file.WriteBack());
        file.OpenFile(dir + "/none.xls");  // releases the workbook
        EXPECT_TRUE(kovra_test::SetFileTimeUtc(book, 2026, 3, 7, 23));
        return rawconv::Convert(book, dir);
    }
    std::string Out(const char* name) { return ReadFileBytes(dir + "/" + name); }

    std::string dir, book;
    ExcelFile file;
    ExcelSheet* note = nullptr;
    ExcelSheet* data = nullptr;
};

TEST_F(Converter, OneCameraByteForByteWithItsLog) {
    for (int r = 1; r <= 3; ++r) PutRow(data, r, {E, E, E, E, E, E});  // drop the sample rows
    PutRow(data, 1, {55.5, 37.25, 90, 60, 1, 0});
    rawconv::RunResult r = Run();
    ASSERT_EQ(r.outcome, rawconv::Outcome::Success) << r.problem;
    EXPECT_EQ(r.cameras, 1);
    EXPECT_EQ(Out("speed.raw"), std::string("\x01\x03\x07"
                                            "\x03\x4E\xDC\xE0"
                                            "\x02\x38\x63\xD0"
                                            "\x00\x5A\x3C\x01\x00",
                                            16));
    EXPECT_EQ(Out("SuccessLogFile.txt"),
              "total data:1\r\n"
              "   No. Latitude  Longitude\t\tBearing_Angle\t\tSpeed_Restriction\t\tCamera_Type\t\tDir_Type \r\n" +
                  std::string(83, '=') + "\r\n"
                  "    1. 55.500000 37.250000    90             60                  1             0\r\n");
    EXPECT_EQ(Out("ErrorLogFile.txt"), "");
    EXPECT_EQ(rawconv::ExitCode(r.outcome), 0);
}

TEST_F(Converter, SortsByLatitudeAndTruncates) {
    PutRow(data, 1, {64.00003, -33.8688, -5, 180, 2, 2});
    PutRow(data, 2, {-33.8688, 151.2093, 300, 0, 3, 1});
    PutRow(data, 3, {0, 5, 0, 60, 1, 0});  // 0° latitude in the middle: kept
    PutRow(data, 4, {89.9, 180, 359, 60, 1, 0});
    PutRow(data, 5, {0, 0, 0, 0, 0, 0});  // trailing run of empty positions: cut
    PutRow(data, 6, {0, 0, 1, 1, 1, 1});
    rawconv::ConvertTables tables;
    EXPECT_TRUE(file.WriteBack());
    file.OpenFile(dir + "/none.xls");
    rawconv::RunResult r = rawconv::Convert(book, dir, &tables);
    ASSERT_EQ(r.outcome, rawconv::Outcome::Success) << r.problem;
    ASSERT_EQ(r.cameras, 4);
    const std::string raw = Out("speed.raw");
    ASSERT_EQ(raw.size(), 3 + 4 * 13u);
    EXPECT_EQ(raw.substr(3, 4), std::string("\xFD\xFB\x34\x00", 4));  // -33868800 first
    EXPECT_EQ(raw.substr(3 + 13, 8), std::string("\x00\x00\x00\x00\x00\x4C\x4B\x40", 8));
    EXPECT_EQ(raw.substr(3 + 26, 4), "\x03\xD0\x90\x1D");         // 64000029, not ...30
    EXPECT_EQ(raw.substr(3 + 26 + 8, 3), "\xFF\xFB\xB4");         // bearing -5, speed 180
    EXPECT_EQ(raw.substr(3 + 39, 4), "\x05\x5B\xC3\xE0");         // 89900000
    EXPECT_NE(Out("SuccessLogFile.txt").find("total data:4\r\n"), std::string::npos);
}

TEST_F(Converter, InvalidRowsAreAllLoggedAndNothingIsWritten) {
    const std::string stale = "old camera file";
    ASSERT_TRUE(kovra::WriteFileReplacing(dir + "/speed.raw", stale.data(), stale.size()));
    PutRow(data, 2, {89.90001, 37, 90, 60, 1, 0});  // sheet row 3
    PutRow(data, 4, {55, 37, 90, 60, 1, 0});
    PutRow(data, 5, {55, 37, 90, 60, 1, 0});
    PutRow(data, 6, {55, 37, 360, 181, 7, 3});  // sheet row 7
    rawconv::RunResult r = Run();
    EXPECT_EQ(r.outcome, rawconv::Outcome::InvalidRows);
    EXPECT_EQ(r.invalidRows, 2);
    EXPECT_NE(rawconv::ExitCode(r.outcome), 0);
    EXPECT_EQ(Out("ErrorLogFile.txt"),
              "   No. Latitude  Longitude\t\tBearing_Angle\t\tSpeed_Restriction\t\tCamera_Type\t\tDir_Type 7\r\n" +
                  std::string(83, '=') + "\r\n"
                  "    3. 89.900010 37.000000    90             60                  1             0\r\n"
                  "    7. 55.000000 37.000000   360            181                  7             3\r\n");
    EXPECT_EQ(Out("speed.raw"), stale);
    EXPECT_EQ(Out("SuccessLogFile.txt"), "");
}

TEST_F(Converter, TypeListSlots) {
    int32_t slots[5];
    struct {
        const char* text;
        int32_t expected[5];
    } cases[] = {
        {"1,2,3,4,5", {1, 2, 3, 4, 5}},      {"1,,3", {1, 3, -1, -1, -1}},
        {",7,", {7, -1, -1, -1, -1}},        {"", {-1, -1, -1, -1, -1}},
        {"a,2", {0, 2, -1, -1, -1}},         {" 12 ,x9", {12, 0, -1, -1, -1}},
        {"1,2,3,4,5,6,7", {1, 2, 3, 4, 5}},  {"10,20,30,40,50", {10, 20, 30, 40, 50}},
    };
    for (const auto& t : cases) {
        rawconv::ParseTypeList(t.text, slots);
        for (int i = 0; i < 5; ++i) EXPECT_EQ(slots[i], t.expected[i]) << t.text << " slot " << i;
    }
    // Fewer than five codes: an unused slot's -1 is a type that passes.
    note->CellAt(1000, 5)->PutText("1,2");
    PutRow(data, 1, {55, 37, 90, 60, -1, 0});
    PutRow(data, 2, {55, 37, 90, 60, 2, 0});
    PutRow(data, 3, {55, 37, 90, 60, 3, 0});
    rawconv::RunResult r = Run();
    EXPECT_EQ(r.invalidRows, 1);
    EXPECT_NE(Out("ErrorLogFile.txt").find("\r\n    4. "), std::string::npos);
}

TEST_F(Converter, LongOrNumericTypeListsAreReadWhole) {
    note->CellAt(1000, 5)->PutText("10,20,30,40,50");  // longer than nine characters
    PutRow(data, 1, {55, 37, 90, 60, 50, 0});
    data->ClearCell(2, 1), data->ClearCell(2, 2), data->ClearCell(3, 1), data->ClearCell(3, 2);
    EXPECT_EQ(Run().outcome, rawconv::Outcome::Success);

    ASSERT_TRUE(file.OpenFile(book));
    file.FindSheet("note")->CellAt(1000, 5)->PutInteger(50);
    EXPECT_EQ(Run().outcome, rawconv::Outcome::Success);
}

TEST_F(Converter, HeaderVersionComesFromTheNoteSheet) {
    note->CellAt(999, 5)->PutText("01");  // as the template holds it: reads as 0
    EXPECT_EQ(Run().outcome, rawconv::Outcome::Success);
    EXPECT_EQ(Out("speed.raw").substr(0, 3), std::string("\x00\x03\x07", 3));
    ASSERT_TRUE(file.OpenFile(book));
    file.FindSheet("note")->CellAt(999, 5)->PutDouble(28.9);
    EXPECT_EQ(Run().outcome, rawconv::Outcome::Success);
    EXPECT_EQ(Out("speed.raw").substr(0, 1), "\x1C");
}

TEST_F(Converter, NoCameraRowsGiveTheHeaderAlone) {
    for (int r = 1; r <= 3; ++r) PutRow(data, r, {E, E, E, E, E, E});
    rawconv::RunResult r = Run();
    ASSERT_EQ(r.outcome, rawconv::Outcome::Success);
    EXPECT_EQ(Out("speed.raw"), std::string("\x01\x03\x07"));
    EXPECT_EQ(Out("SuccessLogFile.txt"),
              "total data:0\r\n"
              "   No. Latitude  Longitude\t\tBearing_Angle\t\tSpeed_Restriction\t\tCamera_Type\t\tDir_Type \r\n" +
                  std::string(83, '=') + "\r\n");
}

TEST_F(Converter, RefusesWhatItCannotConvert) {
    rawconv::RunResult r = rawconv::Convert(dir + "/missing.xls", dir);
    EXPECT_EQ(r.outcome, rawconv::Outcome::CannotRead);
    EXPECT_NE(Out("ErrorLogFile.txt").find("does not exist"), std::string::npos);

    const std::string text = "not a workbook";
    ASSERT_TRUE(kovra::WriteFileReplacing(dir + "/bad.xls", text.data(), text.size()));
    r = rawconv::Convert(dir + "/bad.xls", dir);
    EXPECT_EQ(r.outcome, rawconv::Outcome::CannotRead);
    EXPECT_NE(rawconv::ExitCode(r.outcome), 0);
    EXPECT_EQ(Out("speed.raw"), "");

    // More cameras than the recorder's table holds.
    for (int row = 1; row <= rawconv::kMaxCameras + 1; ++row) PutRow(data, row, {55, 37});
    r = Run();
    EXPECT_EQ(r.outcome, rawconv::Outcome::InvalidRows);
    EXPECT_NE(Out("ErrorLogFile.txt").find("Too many cameras"), std::string::npos);
    EXPECT_EQ(Out("speed.raw"), "");
}

TEST_F(Converter, ReadOnlyWorkbooksConvert) {
    EXPECT_TRUE(file.WriteBack());
    file.OpenFile(dir + "/none.xls");
#ifdef _WIN32
    ASSERT_TRUE(SetFileAttributesA(book.c_str(), FILE_ATTRIBUTE_READONLY));
#else
    ASSERT_EQ(chmod(book.c_str(), 0444), 0);
#endif
    const rawconv::RunResult r = rawconv::Convert(book, dir);
#ifdef _WIN32
    SetFileAttributesA(book.c_str(), FILE_ATTRIBUTE_NORMAL);
#endif
    EXPECT_EQ(r.outcome, rawconv::Outcome::Success) << r.problem;
    EXPECT_EQ(r.cameras, 3);
}

TEST_F(Converter, OtherWritersWorkbooks) {
    // LibreOffice wrote the samples; the conversion workbook among them converts as it is.
    rawconv::RunResult r = rawconv::Convert(kovra_test::SourcePath("samples/conversion_workbook.xls"), dir);
    ASSERT_EQ(r.outcome, rawconv::Outcome::Success) << r.problem;
    EXPECT_EQ(r.cameras, 297);
    // SheetJS stores the sheet names as 16-bit text, which never match "note": refused.
    r = rawconv::Convert(kovra_test::SourcePath("tests/data/xls/sheetjs_basic.xls"), dir);
    EXPECT_EQ(r.outcome, rawconv::Outcome::CannotRead);
    EXPECT_NE(Out("ErrorLogFile.txt").find("no sheet \"note\""), std::string::npos);
}

TEST_F(Converter, AtTheTableLimitEveryCameraIsWritten) {
    for (int row = 1; row <= rawconv::kMaxCameras; ++row)
        PutRow(data, row, {(row * 7919 % 1000) * 0.01, 37, 90, 60, 1, 0});
    rawconv::RunResult r = Run();
    ASSERT_EQ(r.outcome, rawconv::Outcome::Success) << r.problem;
    EXPECT_EQ(Out("speed.raw").size(), 3 + 13u * rawconv::kMaxCameras);
}

}  // namespace
