// kovracli export, diff, map and import of CSV files: what they write, what they refuse, and
// that no input is ever written over.
#include <gtest/gtest.h>

#include <string>

#include "base/file_io.h"
#include "cli/commands.h"
#include "tests/cam_workbook_util.h"
#include "tests/test_util.h"

namespace {

using kovra_test::ReadFileBytes;
using kovra_test::SourcePath;

class ExchangeCommands : public testing::Test {
protected:
    void SetUp() override {
        dir = kovra_test::TempDir(testing::UnitTest::GetInstance()->current_test_info()->name());
    }
    std::string Write(const std::string& name, const std::string& bytes) {
        const std::string path = dir + "/" + name;
        EXPECT_TRUE(kovra::WriteFileReplacing(path, bytes.data(), bytes.size()));
        return path;
    }
    std::string dir;
    const std::string base = SourcePath("samples/base_data.xls");
    const std::string partner = SourcePath("samples/partner_cameras.txt");
};

TEST_F(ExchangeCommands, CsvExportOfItsOwnCsvIsTheSame) {
    const std::string first = dir + "/first.csv", second = dir + "/second.csv";
    ASSERT_EQ(RunExport({base, "--to", "csv", "-o", first}), 0);
    ASSERT_EQ(RunExport({first, "--to", "csv", "-o", second}), 0);
    const std::string csv = ReadFileBytes(first);
    EXPECT_EQ(csv.substr(0, 40), "lat,lon,bearing,speed,type,dir,invalid\r\n");
    EXPECT_NE(csv.find("\r\n91.25,37.726886,175,110,4,2,lat\r\n"), std::string::npos);
    // The type list of the workbook does not travel with the CSV: type 8 passes there.
    EXPECT_NE(csv.find(",8,1,type\r\n"), std::string::npos);
    EXPECT_EQ(ReadFileBytes(second), std::string(csv).replace(csv.find(",8,1,type\r\n"), 11, ",8,1,\r\n"));
}

TEST_F(ExchangeCommands, NothingIsWrittenOverAnInput) {
    const std::string copy = Write("cams.csv", "lat,lon,bearing,speed,type,dir\n55,37,0,60,1,0\n");
    const std::string before = ReadFileBytes(copy);
    EXPECT_EQ(RunExport({copy, "--to", "kml", "-o", copy}), 1);
    EXPECT_EQ(RunExport({copy, "--to", "csv", "-o", dir + "/./cams.csv"}), 1);
    EXPECT_EQ(RunMap({copy, "-o", copy}), 1);
    EXPECT_EQ(RunDiff({base, copy, "--kml", copy}), 1);
    EXPECT_EQ(ReadFileBytes(copy), before);
}

TEST_F(ExchangeCommands, UsageAndUnreadableSources) {
    EXPECT_EQ(RunExport({}), 2);
    EXPECT_EQ(RunExport({base}), 2);
    EXPECT_EQ(RunExport({base, "--to", "shp"}), 2);
    EXPECT_EQ(RunExport({base, base, "--to", "kml"}), 2);
    EXPECT_EQ(RunDiff({base}), 2);
    EXPECT_EQ(RunDiff({base, base, base}), 2);
    EXPECT_EQ(RunMap({}), 2);
    EXPECT_EQ(RunExport({dir + "/missing.raw", "--to", "kml", "-o", dir + "/x.kml"}), 1);
    EXPECT_EQ(RunMap({Write("prose.txt", "not\na camera\nfile\n"), "-o", dir + "/x.svg"}), 1);
    EXPECT_EQ(RunDiff({base, dir + "/missing.csv"}), 1);
    EXPECT_EQ(RunExport({base, "--to", "kml", "-o", dir + "/no/such/folder/x.kml"}), 1);
    EXPECT_FALSE(kovra::FileExists(dir + "/x.kml"));
    EXPECT_FALSE(kovra::FileExists(dir + "/x.svg"));
}

TEST_F(ExchangeCommands, DiffKmlAndMapFiles) {
    const std::string older = Write("old.csv",
                                    "lat,lon,bearing,speed,type,dir\n"
                                    "55.0,37.0,90,60,1,1\n55.1,37.1,0,60,1,1\n55.2,37.2,0,60,1,1\n");
    const std::string newer = Write("new.csv",
                                    "lat;lon;bearing;speed;type;dir\n"
                                    "55.0;37.0;90;60;1;1\n55.1;37.1;0;80;1;1\n55.3;37.3;0;60;1;1\n");
    ASSERT_EQ(RunDiff({older, newer, "--kml", dir + "/diff.kml"}), 0);
    const std::string kml = ReadFileBytes(dir + "/diff.kml");
    EXPECT_NE(kml.find("<name>Added (1)</name>"), std::string::npos);
    EXPECT_NE(kml.find("<name>Removed (1)</name>"), std::string::npos);
    EXPECT_NE(kml.find("<name>Changed (1)</name>"), std::string::npos);
    EXPECT_NE(kml.find("Speed limit: 60 \xE2\x86\x92 80 km/h"), std::string::npos);

    ASSERT_EQ(RunMap({partner, "-o", dir + "/map.svg"}), 0);
    const std::string svg = ReadFileBytes(dir + "/map.svg");
    EXPECT_NE(svg.find("partner_cameras.txt \xE2\x80\x93 40 cameras"), std::string::npos);
    EXPECT_NE(svg.find("invalid (1)"), std::string::npos);  // one more has no place at all
    EXPECT_NE(svg.find("1 not shown: no place on the globe"), std::string::npos);
}

TEST_F(ExchangeCommands, ImportReadsCustomizedCsvAndRefusesBadOnes) {
    EXPECT_EQ(RunImport({"--custom", Write("ok.csv", "lat,lon,bearing,speed,type,dir\n55,37,0,60,7,0\n"),
                         "--types", "1,2"}),
              0);
    EXPECT_EQ(RunImport({"--custom", Write("bad.csv", "lat,lon\n55,37\n")}), 1);
}

}  // namespace
