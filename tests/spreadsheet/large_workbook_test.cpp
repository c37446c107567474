// A workbook grown past 109 FAT sectors by WriteBack: the container must extend its FAT
// through the DIFAT chain, and an independent reader must find the same stream.
#include <gtest/gtest.h>

#include <vector>

#include "spreadsheet/container.h"
#include "spreadsheet/excel_file.h"
#include "tests/cam_workbook_util.h"
#include "tests/test_util.h"
#include "xlrd_probe.h"

namespace {

TEST(LargeWorkbook, GrowsThroughTheDifatChain) {
    const std::string path = kovra_test::TempDir("large-workbook") + "/large.xls";
    ASSERT_TRUE(kovra_test::CopyTemplate(path));
    {
        ExcelFile file;
        ASSERT_TRUE(file.OpenFile(path));
        ExcelSheet* data = file.FindSheet("data");
        // Reals that no RK form holds: one 18-byte NUMBER record each, over 8 MB in all.
        for (int r = 1; r < ExcelSheet::kMaxRows; ++r)
            for (int c = 0; c < 7; ++c) data->CellAt(r, c)->PutDouble(r + c * 0.123456789);
        ASSERT_TRUE(file.WriteBack());
    }
    std::vector<uint8_t> bytes;
    ASSERT_TRUE(cfb_test::ReadBytes(path, bytes));
    ASSERT_GT(bytes.size(), 512u * 128 * 110);  // more sectors than 109 FAT sectors map

    ExcelFile again;
    ASSERT_TRUE(again.OpenFile(path));
    ExcelSheet* data = again.FindSheet("data");
    ASSERT_EQ(data->RowCount(), ExcelSheet::kMaxRows);
    EXPECT_EQ(data->PeekCell(65535, 6)->AsDouble(), 65535 + 6 * 0.123456789);
    EXPECT_EQ(again.FindSheet("note")->PeekCell(1000, 5)->AsText(), std::string("1,2,3,4,5"));

    if (!cfb_test::XlrdAvailable()) GTEST_SKIP() << "python3-xlrd is not at hand";
    std::vector<uint8_t> theirs, ours;
    ASSERT_TRUE(cfb_test::XlrdStream(path, "Workbook", theirs));
    auto container = MakeWorkbookContainer(ContainerBinding::Own);
    ASSERT_TRUE(container->Open(path));
    ASSERT_EQ(container->ReadWorkbook(ours), Done);
    EXPECT_EQ(theirs, ours);
}

}  // namespace
