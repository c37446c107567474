// Camera CSV files: separators, quoting, byte order marks, header names, bad values with their
// line and column, refusals that leave the set alone, and the writer read back.
#include "exchange/cam_csv.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "base/file_io.h"
#include "camdata/camera_list.h"
#include "camdata/speed_cam_data_set.h"
#include "exchange/cam_record.h"
#include "tests/test_util.h"

namespace {

using exchange::CamCsvReport;
using exchange::CorrectionOf;
using exchange::CsvLineCorrection;
using exchange::PatchCamCsv;

std::vector<const CSpeedCamData*> Records(const CSpeedCamDataSet& s) {
    std::vector<const CSpeedCamData*> v;
    for (POSITION pos = s.m_camList.GetHeadPosition(); pos;) v.push_back(s.m_camList.GetNext(pos));
    return v;
}

bool Parse(const std::string& text, CSpeedCamDataSet* set, CamCsvReport* report,
           const std::wstring& types = L"") {
    return exchange::ParseCamCsv(text.data(), text.size(), types, set, report);
}

TEST(CamCsv, SeparatorsQuotesAndLineEndsGiveTheSameCamera) {
    const char* const texts[] = {
        "lat,lon,bearing,speed,type,dir\n55.75,37.61,90,60,1,2\n",
        "lat;lon;bearing;speed;type;dir\r\n55.75;37.61;90;60;1;2\r\n",
        "lat\tlon\tbearing\tspeed\ttype\tdir\n55.75\t37.61\t90\t60\t1\t2",
        "\xEF\xBB\xBFLAT,Lon,Bearing,Speed,Type,Dir\r55.75,37.61,90,60,1,2\r",
        // Other names, another order, quoted names and values, columns of no interest.
        ("id,\"Longitude\",Latitude,Heading,Speed Limit,Camera_Type,dir_type,note\n"
         "7,\"37.61\", \"55.75\" ,\"90\",60,1,2,\"a, \"\"quoted\"\"\nnote\"\n"),
        "y;x;angle;limit;type;dir\n55.75;37.61;90;6e1;1.0;2\n",
    };
    for (const char* text : texts) {
        CSpeedCamDataSet set;
        CamCsvReport report;
        ASSERT_TRUE(Parse(text, &set, &report)) << text << ": " << report.error;
        auto r = Records(set);
        ASSERT_EQ(r.size(), 1u) << text;
        EXPECT_EQ(r[0]->m_dLatitude, 55.75) << text;
        EXPECT_EQ(r[0]->m_dLongitude, 37.61) << text;
        EXPECT_EQ(r[0]->m_nBearingAngle, 90);
        EXPECT_EQ(r[0]->m_nSpeedLimit, 60);
        EXPECT_EQ(r[0]->m_nCameraType, 1);
        EXPECT_EQ(r[0]->m_nDirType, 2);
        EXPECT_TRUE(r[0]->IsValid()) << text;
        EXPECT_TRUE(report.problems.empty()) << text;
    }
}

TEST(CamCsv, LinesCountWhereRecordsStartAcrossBlankLinesAndQuotedLineEnds) {
    CSpeedCamDataSet set;
    CamCsvReport report;
    ASSERT_TRUE(Parse("lat,lon,bearing,speed,type,dir,note\r\n"
                      "\r\n"
                      "1,2,3,4,5,0,\"two\r\nlines\"\r\n"
                      ",,,,,,\n"
                      "1,2,3,4,5,bad\n",
                      &set, &report));
    EXPECT_EQ(report.lines, (std::vector<int>{3, 6}));
    ASSERT_EQ(report.problems.size(), 1u);
    EXPECT_EQ(report.problems[0].line, 6);
    EXPECT_EQ(report.problems[0].column, 6);
    EXPECT_EQ(exchange::DescribeProblem(report.problems[0]),
              "line 6, column 6 (direction type): \"bad\" is not a number");
}

TEST(CamCsv, BadValuesAreKeptAsInvalidRecordsWithTheirReasons) {
    CSpeedCamDataSet set;
    CamCsvReport report;
    ASSERT_TRUE(Parse("speed;type;dir;bearing;lon;lat\n"
                      "60;1;0;90;37,61;55.75\n"  // a decimal comma
                      "200;7;0;90;37.61;55.75\n" // out of range, not listed
                      "60.5;1;0;90;37.61;nan\n"  // no whole number, no number
                      "60;1;0\n"                 // too short
                      "60;1;0;1e10;37.61;;\n"    // beyond 32 bits, empty
                      "60;1;0;+90;+-37.61;-+55\n",  // one sign at most
                      &set, &report, L"1,2,3"));
    std::vector<std::string> got;
    for (const auto& p : report.problems) got.push_back(exchange::DescribeProblem(p));
    const std::vector<std::string> want = {
        "line 2, column 5 (longitude): \"37,61\" is not a number (the decimal sign is a point)",
        "line 3, column 1 (speed limit): \"200\" is outside 0...180",
        "line 3, column 2 (camera type): \"7\" is not in the type list \"1,2,3\"",
        "line 4, column 6 (latitude): \"nan\" is not a number",
        "line 4, column 1 (speed limit): \"60.5\" is not a whole number",
        "line 5, column 6 (latitude): missing",
        "line 5, column 5 (longitude): missing",
        "line 5, column 4 (bearing): missing",
        "line 6, column 6 (latitude): empty",
        "line 6, column 4 (bearing): \"1e10\" is out of range",
        "line 7, column 6 (latitude): \"-+55\" is not a number",
        "line 7, column 5 (longitude): \"+-37.61\" is not a number",
    };
    EXPECT_EQ(got, want);
    auto r = Records(set);
    ASSERT_EQ(r.size(), 6u);
    EXPECT_EQ(r[5]->m_nBearingAngle, 90);

    // A huge value is quoted by its start only, and not inside a character.
    report = CamCsvReport();
    const std::string huge = "55" + std::string(10 * 1024 * 1024, 'x');
    const std::string cyrillic = std::string(39, '5') + "\xd0\x96\xd0\x96";
    ASSERT_TRUE(Parse("lat,lon,bearing,speed,type,dir\n" + huge + ",37.6,0,60,1,0\n" + cyrillic +
                          ",37.6,0,60,1,0\n",
                      &set, &report, L""))
        << report.error;
    ASSERT_GE(report.problems.size(), 2u);
    EXPECT_EQ(report.problems[0].text, "55" + std::string(38, 'x') + "...");
    EXPECT_EQ(report.problems[1].text, std::string(39, '5') + "...");
    for (const CSpeedCamData* c : r) EXPECT_FALSE(c->IsValid());
    // The column that failed is flagged and marked for correction; the others are not.
    EXPECT_FALSE(r[0]->m_bValid[CamLongitude]);
    EXPECT_TRUE(r[0]->m_bWasInvalid[CamLongitude]);
    EXPECT_EQ(r[0]->m_dLongitude, 0.0);
    EXPECT_TRUE(r[0]->m_bValid[CamLatitude]);
    EXPECT_EQ(r[1]->m_nSpeedLimit, 200);
    EXPECT_EQ(r[1]->m_nCameraType, 7);
}

TEST(CamCsv, RefusalsNameTheProblem) {
    struct {
        std::string text;
        std::string error;
    } cases[] = {
        {"lat,lon,speed,type\n1,2,3,4\n",
         "the header has no column for the bearing (bearing, angle or heading), the direction "
         "type (dir or dir_type)"},
        {"1,2,3,4,5,6\n", "the first line names no camera columns; a header such as "
                          "lat,lon,bearing,speed,type,dir is needed"},
        {"", "the first line names no camera columns; a header such as lat,lon,bearing,speed,type,dir "
             "is needed"},
        {"lat,lon,y,bearing,speed,type,dir\n",
         "the header names the latitude twice (columns 1 and 3)"},
        {"lat,lon,bearing,speed,type,dir\n1,2,3,4,5,\"0\n1,2,3,4,5,0\n",
         "line 2: a quoted field is not closed"},
        {"lat,lon,bearing,speed,type,dir\n1,2,3,\"4\"x,5,0\n", "line 2: text follows a closing quote"},
        {std::string("\xFF\xFEl\0a\0t\0", 8), "the text is UTF-16; save it as UTF-8"},
        {std::string("lat,lon,bearing,speed,type,dir\n1,2") + '\0' + ",3,4,5,0\n", "not a text file"},
    };
    for (const auto& c : cases) {
        CSpeedCamDataSet set;
        CamCsvReport report;
        EXPECT_FALSE(Parse(c.text, &set, &report)) << c.text;
        EXPECT_EQ(report.error, c.error) << c.text;
    }
}

class CamCsvFile : public testing::Test {
protected:
    void SetUp() override { dir = kovra_test::TempDir("cam_csv"); }
    std::wstring Write(const std::string& name, const std::string& bytes) {
        const std::string path = dir + "/" + name;
        EXPECT_TRUE(kovra::WriteFileReplacing(path, bytes.data(), bytes.size()));
        return kovra::FromUtf8(path);
    }
    std::string dir;
};

TEST_F(CamCsvFile, ImportListsInvalidRecordsAndKeepsTheTypeList) {
    CSpeedCamDataSet set;
    CCameraListMemory list;
    CamCsvReport report;
    const std::wstring path = Write("cams.csv", "lat,lon,bearing,speed,type,dir\n1,2,3,4,5,0\n1,2,3,4,9,0\n");
    ASSERT_TRUE(exchange::ImportCamCsv(L"1,5", &list, path, &set, &report));
    EXPECT_EQ(set.GetCount(), 2);
    EXPECT_EQ(set.m_strCameraTypes, L"1,5");
    EXPECT_EQ(list.m_pShownSet, &set);
    ASSERT_EQ(list.m_items.size(), 1u);
    EXPECT_EQ(list.m_items[0]->m_nCameraType, 9);
    EXPECT_EQ(report.lines, (std::vector<int>{2, 3}));
}

TEST_F(CamCsvFile, RefusedFileLeavesSetAndListAsTheyWere) {
    CSpeedCamDataSet set;
    CCameraListMemory list;
    set.AddCamera(new CSpeedCamData);
    set.SetCameraTypes(L"1");
    CamCsvReport report;
    EXPECT_FALSE(exchange::ImportCamCsv(L"", &list, Write("bad.csv", "lat,lon\n1,2\n"), &set, &report));
    EXPECT_NE(report.error.find("no column for the bearing"), std::string::npos);
    EXPECT_FALSE(exchange::ImportCamCsv(L"", &list, Write("none.csv", "") + L"-missing", &set, &report));
    EXPECT_EQ(report.error, "does not exist");
    EXPECT_EQ(set.GetCount(), 1);
    EXPECT_EQ(set.m_strCameraTypes, L"1");
    EXPECT_EQ(list.m_nClears, 0);
}

TEST_F(CamCsvFile, ContentTestTellsCsvFromWorkbooks) {
    EXPECT_TRUE(exchange::IsCamCsvFile(Write("a.xls", "lat;lon;bearing;speed;type;dir\n")));
    EXPECT_TRUE(exchange::IsCamCsvFile(Write("b.csv", "name,value\n")));  // refused later, by name
    EXPECT_FALSE(exchange::IsCamCsvFile(Write("c.csv", "\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1 rest")));
    EXPECT_FALSE(exchange::IsCamCsvFile(Write("d.csv", "")));
    EXPECT_FALSE(exchange::IsCamCsvFile(Write("e.xlsx", std::string("PK\x03\x04 rest", 9))));
    // Text that the CSV reader refuses, for a reason it then names.
    EXPECT_TRUE(exchange::IsCamCsvFile(Write("f.csv", "\nlat;lon;bearing;speed;type;dir\n")));
    EXPECT_TRUE(exchange::IsCamCsvFile(Write("g.csv", std::string("lat\0lon\n", 8))));
    CSpeedCamDataSet set;
    CCameraListMemory list;
    CamCsvReport report;
    EXPECT_FALSE(exchange::ImportCamCsv(L"", &list, Write("h.csv", std::string("lat\0lon\n", 8)), &set,
                                        &report));
    EXPECT_EQ(report.error, "not a text file");
    EXPECT_FALSE(exchange::IsCamCsvFile(kovra::FromUtf8(dir + "/missing.csv")));
    EXPECT_FALSE(exchange::IsCamCsvFile(kovra::FromUtf8(kovra_test::SourcePath("samples/custom_data.xls"))));
}

TEST(CamCsvWriter, ExactCoordinatesAndInvalidColumnsReadBack) {
    exchange::CamCollection cams;
    exchange::CamRecord raw;  // as a camera file holds it
    raw.millionths = true;
    raw.latE6 = -55750000;
    raw.lonE6 = 1;
    raw.cam.SetLatitude(raw.latE6 / 1e6);
    raw.cam.SetLongitude(raw.lonE6 / 1e6);
    raw.cam.SetBearingAngle(359);
    raw.cam.SetSpeedLimit(180);
    raw.cam.SetDirType(2);
    exchange::CamRecord book;  // a workbook's double that no short decimal reaches
    book.cam.SetLatitude(59.842800000000004);
    book.cam.SetLongitude(0.1 + 0.2);
    book.cam.SetSpeedLimit(500);
    book.cam.SetBearingAngle(-1);
    cams.records = {raw, book};
    const std::string csv = exchange::FormatCamCsv(cams);
    EXPECT_EQ(csv,
              "lat,lon,bearing,speed,type,dir,invalid\r\n"
              "-55.750000,0.000001,359,180,0,2,\r\n"
              "59.842800000000004,0.30000000000000004,-1,500,0,0,bearing speed\r\n");

    CSpeedCamDataSet set;
    CamCsvReport report;
    ASSERT_TRUE(Parse(csv, &set, &report));
    auto r = Records(set);
    ASSERT_EQ(r.size(), 2u);
    for (size_t i = 0; i < 2; ++i) {
        const CSpeedCamData& c = cams.records[i].cam;
        EXPECT_EQ(r[i]->m_dLatitude, c.m_dLatitude);
        EXPECT_EQ(r[i]->m_dLongitude, c.m_dLongitude);
        EXPECT_EQ(r[i]->m_nBearingAngle, c.m_nBearingAngle);
        EXPECT_EQ(r[i]->m_nSpeedLimit, c.m_nSpeedLimit);
        for (int col = 0; col < CamColumnCount; ++col) EXPECT_EQ(r[i]->m_bValid[col], c.m_bValid[col]);
    }
}

}  // namespace

TEST(CamCsvPatch, AddsMissingFieldsKeepsTheLastLineAndWritesPlainDecimals) {
    // Line 2 lacks its type and dir fields; line 3 has no line end.
    const std::string text = "lat,lon,bearing,speed,type,dir\r\n1,2,3,4\r\n5,6,7,8,1,1";
    CsvLineCorrection missing;
    missing.line = 2;
    missing.value[CamDirType] = "2";
    missing.value[CamCameraType] = "1";
    CSpeedCamData cam;
    cam.m_dLatitude = 0.0001;
    cam.m_bWasInvalid[CamLatitude] = 1;
    const CsvLineCorrection last = CorrectionOf(cam, 3);
    EXPECT_EQ(last.value[CamLatitude], "0.0001");
    EXPECT_TRUE(last.value[CamLongitude].empty());
    std::string out, error;
    ASSERT_TRUE(PatchCamCsv(text, {missing, last}, &out, &error)) << error;
    EXPECT_EQ(out, "lat,lon,bearing,speed,type,dir\r\n1,2,3,4,1,2\r\n0.0001,6,7,8,1,1");

    // Removing the last line leaves the line end of the one before; no correction, no change.
    CsvLineCorrection gone;
    gone.line = 3;
    gone.removed = true;
    ASSERT_TRUE(PatchCamCsv(text, {gone}, &out, &error));
    EXPECT_EQ(out, "lat,lon,bearing,speed,type,dir\r\n1,2,3,4\r\n");
    ASSERT_TRUE(PatchCamCsv(text, {}, &out, &error));
    EXPECT_EQ(out, text);

    // A text that is no camera file, or breaks off in a quote, is refused and out is untouched.
    out = "kept";
    EXPECT_FALSE(PatchCamCsv("a,b\r\n1,2\r\n", {gone}, &out, &error));
    EXPECT_FALSE(PatchCamCsv(text + "\r\n\"9,1,1,1,1,1", {gone}, &out, &error));
    EXPECT_EQ(out, "kept");
}
