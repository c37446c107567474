// Camera sources: the kind from the content whatever the name, the camera file's exact
// millionths, refusals of what is no camera file, and CSV round trips of every sample.
#include "exchange/cam_source.h"
#include "exchange/gpx.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "base/file_io.h"
#include "camdata/speed_cam_data_set.h"
#include "exchange/cam_csv.h"
#include "rawconv/speed_raw.h"
#include "tests/cam_workbook_util.h"
#include "tests/test_util.h"

namespace {

using exchange::CamCollection;
using exchange::SourceKind;

class CamSource : public testing::Test {
protected:
    void SetUp() override {
        dir = kovra_test::TempDir(testing::UnitTest::GetInstance()->current_test_info()->name());
    }
    std::wstring Write(const std::string& name, const std::string& bytes) {
        const std::string path = dir + "/" + name;
        EXPECT_TRUE(kovra::WriteFileReplacing(path, bytes.data(), bytes.size()));
        return kovra::FromUtf8(path);
    }
    std::wstring Sample(const std::string& name, const std::string& as) {
        return Write(as, kovra_test::ReadFileBytes(kovra_test::SourcePath("samples/" + name)));
    }
    std::string dir;
};

std::string SpeedRaw(const std::vector<rawconv::CameraEntry>& entries) {
    const std::vector<uint8_t> b = rawconv::EncodeSpeedRaw(28, 12, 31, entries.data(), entries.size());
    return std::string(b.begin(), b.end());
}

TEST_F(CamSource, KindComesFromTheContentNotTheName) {
    const std::string raw = SpeedRaw({{55750000, 37610000, 90, 60, 1, 1}});
    struct {
        std::wstring path;
        SourceKind kind;
        size_t records;
    } cases[] = {
        {Sample("base_data.xls", "base.txt"), SourceKind::Workbook, 300},
        {Sample("partner_cameras.txt", "partner.csv"), SourceKind::PartnerText, 40},
        {Write("cams.xls", "lat,lon,bearing,speed,type,dir\n1,2,3,4,5,0\n"), SourceKind::Csv, 1},
        {Write("cams.txt", raw), SourceKind::SpeedRaw, 1},
        {Write("empty.raw", raw.substr(0, 3)), SourceKind::SpeedRaw, 0},
        {Write("title.txt", "ID,X,Y,TYPE,SPEED,DIRTYPE,ANGLE//no cameras yet\r\n"), SourceKind::PartnerText, 0},
    };
    for (const auto& c : cases) {
        CamCollection cams;
        std::string error;
        ASSERT_TRUE(exchange::ReadCamSource(c.path, &cams, &error)) << kovra::ToUtf8(c.path) << ": " << error;
        EXPECT_EQ(int(cams.kind), int(c.kind)) << kovra::ToUtf8(c.path);
        EXPECT_EQ(cams.records.size(), c.records) << kovra::ToUtf8(c.path);
    }
}

TEST_F(CamSource, OriginsCountAsEachKindOfFileCounts) {
    CamCollection book, partner;
    std::string error;
    ASSERT_TRUE(exchange::ReadCamSource(Sample("base_data.xls", "b.xls"), &book, &error));
    ASSERT_TRUE(exchange::ReadCamSource(Sample("partner_cameras.txt", "p.txt"), &partner, &error));
    EXPECT_EQ(exchange::OriginText(book.kind, book.records[0]), "row 2");  // below the header row
    EXPECT_EQ(exchange::OriginText(partner.kind, partner.records[0]), "line 2");  // below the title
    EXPECT_EQ(exchange::OriginText(partner.kind, partner.records.back()), "line 41");
}

TEST_F(CamSource, CameraFileKeepsItsMillionths) {
    CamCollection cams;
    std::string error;
    ASSERT_TRUE(exchange::ReadCamSource(
        Write("speed.raw", SpeedRaw({{-33868820, 151209296, 359, 180, 3, 2}, {89999999, -180000000, -1, 0, 0, 0}})),
        &cams, &error));
    ASSERT_EQ(cams.records.size(), 2u);
    const exchange::CamRecord& a = cams.records[0];
    EXPECT_EQ(exchange::CoordinateText(a, CamLatitude), "-33.868820");
    EXPECT_EQ(exchange::CoordinateText(a, CamLongitude), "151.209296");
    EXPECT_EQ(a.cam.m_nBearingAngle, 359);
    EXPECT_EQ(a.cam.m_nSpeedLimit, 180);
    EXPECT_EQ(a.cam.m_nCameraType, 3);
    EXPECT_EQ(a.cam.m_nDirType, 2);
    EXPECT_TRUE(a.cam.IsValid());
    EXPECT_EQ(a.origin, 1);
    // Values the recorder would never get are read as stored and flagged by the same rules.
    const exchange::CamRecord& b = cams.records[1];
    EXPECT_EQ(exchange::CoordinateText(b, CamLatitude), "89.999999");
    EXPECT_EQ(exchange::CoordinateText(b, CamLongitude), "-180.000000");
    EXPECT_EQ(b.cam.m_nBearingAngle, -1);
    EXPECT_EQ(exchange::InvalidColumns(b), "lat bearing");
}

TEST(CamRecordText, CoordinatesArePlainDecimalsThatReadBack) {
    struct {
        double value;
        const char* text;
    } cases[] = {
        {0.0001, "0.0001"},       {-0.000001, "-0.000001"}, {1e-7, "0.0000001"}, {55.75, "55.75"},
        {-180, "-180"},           {0, "0"},                 {1e21, "1000000000000000000000"},
        {37.617635, "37.617635"},
    };
    for (const auto& c : cases) {
        exchange::CamRecord r;
        r.cam.m_dLatitude = c.value;
        r.cam.m_dLongitude = -c.value;
        EXPECT_EQ(exchange::CoordinateText(r, CamLatitude), c.text);
        EXPECT_EQ(std::stod(exchange::CoordinateText(r, CamLongitude)), -c.value);
    }
    exchange::CamRecord r;
    r.cam.m_dLatitude = -1.7976931348623157e308;  // the longest there is
    EXPECT_EQ(exchange::CoordinateText(r, CamLatitude).size(), 310u);
}

TEST_F(CamSource, WhatIsNoCameraFileIsRefused) {
    std::string bytes(3 + 13, '\0');
    bytes[1] = 13;  // month 13: no camera file
    struct {
        std::wstring path;
        std::string error;
    } cases[] = {
        {Write("empty.csv", ""), "the file is empty"},
        {Write("month.raw", bytes), "not a camera file"},
        {Write("north.raw", SpeedRaw({{95000000, 0, 0, 0, 0, 0}, {0, 190000000, 0, 0, 0, 0}})),
         "not a camera file"},
        {Write("one.raw", "\x1c"), "not a camera file: 1 bytes hold no camera"},
        {Write("two.raw", "\x1c\x0c"), "not a camera file: 2 bytes hold no camera"},
        {Write("prose.txt", "Dear user,\nthis is a letter.\n"), "not a camera file"},
        {Write("utf16.csv", std::string("\xFF\xFEl\0a\0t\0", 8)), "the text is UTF-16; save it as UTF-8"},
        {Write("short.csv", "lat,lon,speed\n1,2,3\n"), "not a readable camera CSV file: the header has no column"},
        {Write("broken.xls", "\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1 and nothing else"), "not a readable Excel 97-2003 workbook"},
        {kovra::FromUtf8(dir + "/missing.raw"), "the file does not exist"},
    };
    for (const auto& c : cases) {
        CamCollection cams;
        std::string error;
        EXPECT_FALSE(exchange::ReadCamSource(c.path, &cams, &error)) << kovra::ToUtf8(c.path);
        EXPECT_EQ(error.substr(0, c.error.size()), c.error) << kovra::ToUtf8(c.path);
    }
}

TEST_F(CamSource, ADeviceFileWithABadRecordIsReadWithItMarked) {
    CamCollection cams;
    std::string error;
    ASSERT_TRUE(exchange::ReadCamSource(
        Write("one-bad.raw", SpeedRaw({{55750000, 37610000, 90, 60, 1, 1}, {95000000, 0, 0, 60, 1, 0}})),
        &cams, &error))
        << error;
    EXPECT_EQ(cams.kind, exchange::SourceKind::SpeedRaw);
    ASSERT_EQ(cams.records.size(), 2u);
    EXPECT_TRUE(cams.records[0].cam.IsValid());
    EXPECT_EQ(exchange::InvalidColumns(cams.records[1]), "lat");
    EXPECT_FALSE(exchange::HasPlace(cams.records[1]));
    // A header alone is a camera file without cameras.
    ASSERT_TRUE(exchange::ReadCamSource(Write("none.raw", SpeedRaw({})), &cams, &error)) << error;
    EXPECT_TRUE(cams.records.empty());
}

TEST_F(CamSource, ACoordinateThatCannotBeReadIsNoPlace) {
    CamCollection cams;
    std::string error;
    ASSERT_TRUE(exchange::ReadCamSource(Write("odd.csv", "lat,lon,bearing,speed,type,dir\n"
                                                         "55.75,37.61,0,60,1,0\n"
                                                         "abc,37.61,0,60,1,0\n"
                                                         "55.75,,0,60,1,0\n"
                                                         "95,37.61,0,60,1,0\n"
                                                         "89.95,37.61,0,60,1,0\n"),
                                        &cams, &error))
        << error;
    ASSERT_EQ(cams.records.size(), 5u);
    const bool placed[] = {true, false, false, false, true};  // 89.95: invalid, yet on the globe
    for (size_t i = 0; i < 5; ++i) EXPECT_EQ(exchange::HasPlace(cams.records[i]), placed[i]) << i;
    EXPECT_EQ(exchange::InvalidColumns(cams.records[1]), "lat");
    EXPECT_EQ(exchange::InvalidColumns(cams.records[2]), "lon");
    // Neither reaches a waypoint.
    const std::string gpx = exchange::FormatGpx(cams);
    EXPECT_EQ(gpx.find("lat=\"0\""), std::string::npos) << gpx;
    EXPECT_EQ(gpx.find("lon=\"0\""), std::string::npos) << gpx;
}

TEST_F(CamSource, CsvExportReadsBackAsTheSameRecords) {
    const std::string raw = SpeedRaw({{55750000, 37610000, 90, 60, 1, 1}, {-1, -999999, 0, 250, 9, 3}});
    struct {
        std::wstring path;
        std::wstring types;  // the list the source's own import tested types against
    } cases[] = {
        {Sample("base_data.xls", "base.xls"), L"1,2,3,4,5"},
        {Sample("custom_data.xls", "custom.xls"), L"1,2,3,4,5"},
        {Sample("partner_cameras.txt", "partner.txt"), L""},
        {Write("speed.raw", raw), L""},
    };
    for (const auto& c : cases) {
        CamCollection cams;
        std::string error;
        ASSERT_TRUE(exchange::ReadCamSource(c.path, &cams, &error)) << error;
        const std::string csv = exchange::FormatCamCsv(cams);
        CSpeedCamDataSet set;
        exchange::CamCsvReport report;
        ASSERT_TRUE(exchange::ParseCamCsv(csv.data(), csv.size(), c.types, &set, &report)) << report.error;
        ASSERT_EQ(size_t(set.GetCount()), cams.records.size());
        size_t i = 0;
        for (POSITION pos = set.m_camList.GetHeadPosition(); pos; ++i) {
            const CSpeedCamData* got = set.m_camList.GetNext(pos);
            const CSpeedCamData& want = cams.records[i].cam;
            SCOPED_TRACE(kovra::ToUtf8(c.path) + " record " + std::to_string(i));
            EXPECT_EQ(got->m_dLatitude, want.m_dLatitude);
            EXPECT_EQ(got->m_dLongitude, want.m_dLongitude);
            for (int col = CamBearingAngle; col < CamColumnCount; ++col)
                EXPECT_EQ(got->GetValue(col), want.GetValue(col));
            for (int col = 0; col < CamColumnCount; ++col) EXPECT_EQ(got->m_bValid[col], want.m_bValid[col]);
        }
    }
}

}  // namespace
