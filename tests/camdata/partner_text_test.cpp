// Partner text files: splitting, the title and comment rules, limits, writing and round trips.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "base/file_io.h"
#include "camdata/camera_list.h"
#include "camdata/partner_text.h"
#include "camdata/speed_cam_data_set.h"
#include "tests/test_util.h"

namespace {


class PartnerText : public testing::Test {
protected:
    void SetUp() override { dir = kovra::FromUtf8(kovra_test::TempDir("partner")); }

    std::wstring Write(const std::string& name, const std::string& bytes) {
        std::wstring path = dir + L"/" + kovra::FromUtf8(name);
        EXPECT_TRUE(kovra::WriteFileReplacing(path, bytes.data(), bytes.size()));
        return path;
    }
    // Imports the bytes with a recording list; returns the import's result.
    bool Import(const std::string& bytes, const std::wstring& types = L"") {
        return ImportPartnerText(types, Write("in.txt", bytes), &set, &list);
    }
    std::vector<const CSpeedCamData*> Records() const {
        std::vector<const CSpeedCamData*> v;
        for (POSITION pos = set.m_camList.GetHeadPosition(); pos;) v.push_back(set.m_camList.GetNext(pos));
        return v;
    }

    std::wstring dir;
    CSpeedCamDataSet set;
    CCameraListMemory list;
};

const char kUsual[] =
    "ID,X,Y,TYPE,SPEED,DIRTYPE,ANGLE//Partner cams\n"
    "17,37.617635,55.755814,2,60,1,225//radar\n"
    "18,-120.5,-33.25,9,90,2,10//radar\n";

TEST_F(PartnerText, ReadsTitleCommentAndCamerasInFieldOrder) {
    ASSERT_TRUE(Import(kUsual, L"1,2,3"));
    EXPECT_EQ(set.m_strTitle, L"Partner cams");
    EXPECT_EQ(set.m_strComment, L"radar");
    auto r = Records();
    ASSERT_EQ(r.size(), 2u);
    EXPECT_DOUBLE_EQ(r[0]->m_dLongitude, 37.617635);
    EXPECT_DOUBLE_EQ(r[0]->m_dLatitude, 55.755814);
    EXPECT_EQ(r[0]->m_nCameraType, 2);
    EXPECT_EQ(r[0]->m_nSpeedLimit, 60);
    EXPECT_EQ(r[0]->m_nDirType, 1);
    EXPECT_EQ(r[0]->m_nBearingAngle, 225);
    // Type 9 is not in the base list, but the list is not applied while reading.
    EXPECT_EQ(r[1]->m_nCameraType, 9);
    EXPECT_TRUE(r[1]->IsValid());
    // The list is kept for later edits of the type.
    EXPECT_EQ(set.m_strCameraTypes, L"1,2,3");
    EXPECT_TRUE(list.m_items.empty());
    EXPECT_EQ(list.m_pShownSet, &set);
    EXPECT_EQ(list.m_nClears, 1);
}

TEST_F(PartnerText, InvalidRecordsGoToTheListInOrder) {
    ASSERT_TRUE(Import("t\n"
                       "1,37.6,95,2,60,1,225//c\n"
                       "2,37.6,55.7,2,60,1,225//c\n"
                       "3,37.6,55.7,2,60,7,400//c\n"));
    auto r = Records();
    ASSERT_EQ(r.size(), 3u);
    EXPECT_EQ(r[0]->m_bValid[CamLatitude], 0);
    EXPECT_EQ(r[2]->m_bValid[CamDirType], 0);
    EXPECT_EQ(r[2]->m_bValid[CamBearingAngle], 0);
    ASSERT_EQ(list.m_items.size(), 2u);
    EXPECT_EQ(list.m_items[0], r[0]);
    EXPECT_EQ(list.m_items[1], r[2]);
}

TEST_F(PartnerText, LineEndsDoNotMatter) {
    std::string lf = kUsual, crlf, cr_everywhere, no_final_lf = kUsual;
    for (char c : lf) crlf += c == '\n' ? std::string("\r\n") : std::string(1, c);
    for (char c : lf) cr_everywhere += c == ',' ? std::string("\r,") : std::string(1, c);
    no_final_lf.pop_back();
    ASSERT_TRUE(Import(lf));
    const std::string expected = FormatPartnerText(&set);
    for (const std::string& variant : {crlf, cr_everywhere, lf + "\n\n\r\n", no_final_lf}) {
        ASSERT_TRUE(Import(variant));
        EXPECT_EQ(FormatPartnerText(&set), expected);
    }
}

TEST_F(PartnerText, FieldLimitIs21Characters) {
    const std::string f21(21, '7'), f22(22, '7');
    ASSERT_TRUE(Import("t\n1,2,3,4,5,6," + f21 + "//c\n2,2,3,4,5,6," + f22 + "//c\n"));
    auto r = Records();
    ASSERT_EQ(r.size(), 1u);
    EXPECT_EQ(r[0]->m_nBearingAngle, INT32_MAX);  // clamped, and so invalid
    EXPECT_EQ(r[0]->m_bValid[CamBearingAngle], 0);
    // The comment has the same limit.
    ASSERT_TRUE(Import("t\n1,2,3,4,5,6,7//" + f22 + "\n2,2,3,4,5,6,7//" + f21 + "\n"));
    EXPECT_EQ(set.m_strComment, std::wstring(21, L'7'));
    EXPECT_EQ(set.GetCount(), 1);
}

TEST_F(PartnerText, TitleRules) {
    // A long title without commas is rejected; the next line becomes the title line.
    ASSERT_TRUE(Import(std::string(30, 'T') + "\nNew,title\n1,2,3,4,5,6,7//c\n"));
    EXPECT_EQ(set.m_strTitle, L"title");
    EXPECT_EQ(set.GetCount(), 1);
    // More than six commas on the first line: rejected too.
    ASSERT_TRUE(Import("a,b,c,d,e,f,g,h\nT\n1,2,3,4,5,6,7//c\n"));
    EXPECT_EQ(set.m_strTitle, L"T");
    // With "//" the title is the text after it.
    ASSERT_TRUE(Import("x,y//Title\n1,2,3,4,5,6,7//c\n"));
    EXPECT_EQ(set.m_strTitle, L"Title");
}

TEST_F(PartnerText, CommentRules) {
    // Once a comment exists, lines are accepted at their first "/" with what fields they
    // have, and a line without "/" is rejected.
    ASSERT_TRUE(Import("t\n1,10,20,2,60,1,90//c\n2,11,21//x\n3,12,22,2,60,1,90\n"));
    auto r = Records();
    ASSERT_EQ(r.size(), 2u);
    EXPECT_EQ(r[1]->m_dLongitude, 11);
    EXPECT_EQ(r[1]->m_dLatitude, 21);
    EXPECT_EQ(r[1]->m_nSpeedLimit, 0);
    // A comma inside the first comment rejects that line.
    ASSERT_TRUE(Import("t\n1,10,20,2,60,1,90//a,b\n"));
    EXPECT_EQ(set.GetCount(), 0);
    // Without a comment every camera line needs exactly seven fields.
    ASSERT_TRUE(Import("t\n1,10,20,2,60,1,90\n2,10,20,2,60,1\n3,10,20,2,60,1,90,5\n4,1,2,3,4,5,6\n"));
    EXPECT_EQ(set.GetCount(), 2);
    EXPECT_EQ(set.m_strComment, L"");
}

TEST_F(PartnerText, DecimalFieldsReadAsTheCLibraryReadsThem) {
    ASSERT_TRUE(Import("t\n1,  -37.5e1xyz,+55.25abc,  3.9,60km,-0,abc//c\n"));
    auto r = Records();
    ASSERT_EQ(r.size(), 1u);
    EXPECT_EQ(r[0]->m_dLongitude, -375.0);
    EXPECT_EQ(r[0]->m_dLatitude, 55.25);
    EXPECT_EQ(r[0]->m_nCameraType, 3);
    EXPECT_EQ(r[0]->m_nSpeedLimit, 60);
    EXPECT_EQ(r[0]->m_nDirType, 0);
    EXPECT_EQ(r[0]->m_nBearingAngle, 0);
}

TEST_F(PartnerText, OverlongLinesAreSkipped) {
    std::string longLine = "9," + std::string(1100, '1') + "\n";
    ASSERT_TRUE(Import("t\n" + longLine + "1,10,20,2,60,1,90//c\n" + longLine));
    EXPECT_EQ(set.GetCount(), 1);
    // A line of exactly 1023 characters still fits (it is then rejected by its fields).
    std::string fits = "1,1,1,1,1,1,1//c" + std::string(1023 - 16, ' ');
    ASSERT_TRUE(Import("t\n" + fits + "\n"));
    EXPECT_EQ(set.GetCount(), 0);  // the comment token is too long
}

TEST_F(PartnerText, RecordsKnowTheirFileLines) {
    std::vector<int> lines;
    ASSERT_TRUE(ImportPartnerText(L"", Write("lines.txt", "t\r\n\r\n1,1,1,1,1,1,1//c\nbad line\n\n2,1,1,1,1,1,1//c"),
                                  &set, nullptr, &lines));
    EXPECT_EQ(lines, (std::vector<int>{3, 6}));
}

TEST_F(PartnerText, MissingFileChangesNothing) {
    ASSERT_TRUE(Import(kUsual));
    const int clears = list.m_nClears;
    EXPECT_FALSE(ImportPartnerText(L"", dir + L"/none.txt", &set, &list));
    EXPECT_EQ(set.GetCount(), 2);
    EXPECT_EQ(list.m_nClears, clears);
}

TEST_F(PartnerText, EmptyAndGarbageFilesYieldNoCameras) {
    EXPECT_TRUE(Import(""));
    EXPECT_EQ(set.GetCount(), 0);
    std::string garbage;
    uint32_t x = 12345;
    for (int i = 0; i < 3 << 20; ++i) {  // 3 MB without a single line feed
        x = x * 1103515245u + 12345u;
        uint8_t b = uint8_t(x >> 16);
        garbage += char(b == '\n' ? 0 : b);
    }
    EXPECT_TRUE(Import(garbage));
    EXPECT_EQ(set.GetCount(), 0);
    for (size_t i = 0; i < garbage.size(); i += 37) garbage[i] = '\n';
    EXPECT_TRUE(Import(garbage));  // many short binary lines: no crash, whatever is read
}

TEST_F(PartnerText, WritesTheFormatAndReadsItBack) {
    ASSERT_TRUE(Import(kUsual));
    std::wstring out = dir + L"/out.txt";
    ASSERT_TRUE(ExportPartnerText(out, &set));
    std::vector<uint8_t> bytes;
    ASSERT_TRUE(kovra::ReadWholeFile(out, bytes));
    EXPECT_EQ(std::string(bytes.begin(), bytes.end()),
              "Partner cams\r\n"
              "1,37.617635,55.755814,2,60,1,225//radar\r\n"
              "2,-120.500000,-33.250000,9,90,2,10//radar\r\n");

    CSpeedCamDataSet again;
    ASSERT_TRUE(ImportPartnerText(L"", out, &again, nullptr));
    EXPECT_EQ(FormatPartnerText(&again), FormatPartnerText(&set));
    EXPECT_EQ(again.m_strTitle, set.m_strTitle);
    EXPECT_EQ(again.m_strComment, set.m_strComment);
}

TEST_F(PartnerText, WritingNeverCutsOrCorrupts) {
    CSpeedCamDataSet s;
    s.m_strTitle = L"Caf\u00e9 \u0416";  // U+00E9 fits a byte, U+0416 does not
    s.m_strComment = L"twenty-one characters";
    CSpeedCamData* c = new CSpeedCamData;
    c->SetLatitude(-89.123456);
    c->SetLongitude(1e60);  // formats far beyond a 100-byte line
    c->SetBearingAngle(INT32_MIN);
    s.AddCamera(c);
    const std::string text = FormatPartnerText(&s);
    EXPECT_EQ(text.substr(0, 8), std::string("Caf\xe9 ?\r\n"));
    const std::string line = text.substr(8);
    EXPECT_GT(line.size(), 100u);
    EXPECT_EQ(line.substr(0, 2), "1,");
    const std::string tail = ".000000,-89.123456,0,0,0,-2147483648//twenty-one characters\r\n";
    ASSERT_GT(line.size(), tail.size());
    EXPECT_EQ(line.substr(line.size() - tail.size()), tail);

    // A failed write leaves the old file alone.
    std::wstring target = Write("keep.txt", "old");
    EXPECT_FALSE(ExportPartnerText(dir + L"/no/such/folder/x.txt", &s));
    std::vector<uint8_t> bytes;
    ASSERT_TRUE(kovra::ReadWholeFile(target, bytes));
    EXPECT_EQ(std::string(bytes.begin(), bytes.end()), "old");
}

}  // namespace
