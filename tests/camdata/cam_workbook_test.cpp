// Camera workbooks: import into sets, export of sets, backups, history and the conversion
// workbook.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "base/file_io.h"
#include "base/paths.h"
#include "camdata/cam_workbook.h"
#include "camdata/camera_list.h"
#include "camdata/corrections.h"
#include "camdata/history.h"
#include "camdata/speed_cam_data_set.h"
#include "tests/cam_workbook_util.h"
#include "tests/test_util.h"

namespace {

using kovra_test::PutRow;
const double E = NAN;


std::vector<const CSpeedCamData*> Records(const CSpeedCamDataSet& s) {
    std::vector<const CSpeedCamData*> v;
    for (POSITION pos = s.m_camList.GetHeadPosition(); pos;) v.push_back(s.m_camList.GetNext(pos));
    return v;
}

class CamWorkbook : public testing::Test {
protected:
    void SetUp() override {
        dir = kovra_test::TempDir(testing::UnitTest::GetInstance()->current_test_info()->name());
        book = dir + "/book.xls";
        wbook = kovra::FromUtf8(book);
        ASSERT_TRUE(kovra_test::CopyTemplate(book));
    }
    // Opens the copy for editing; Save() writes it back and releases it.
    ExcelSheet* Edit(const char* sheet) {
        EXPECT_TRUE(file.OpenFile(book));
        return file.FindSheet(sheet);
    }
    void Save() {
        EXPECT_TRUE(file.WriteBack());
        file.OpenFile(dir + "/none.xls");
    }
    bool Import(const std::wstring& types = L"") { return ImportCamWorkbook(types, &list, wbook, &set); }

    std::string dir, book;
    std::wstring wbook;
    ExcelFile file;
    CSpeedCamDataSet set;
    CCameraListMemory list;
};

TEST_F(CamWorkbook, TemplateYieldsThreeValidCamerasAndItsTexts) {
    ASSERT_TRUE(Import());
    auto r = Records(set);
    ASSERT_EQ(r.size(), 3u);
    for (const CSpeedCamData* c : r) EXPECT_TRUE(c->IsValid());
    EXPECT_DOUBLE_EQ(r[0]->m_dLatitude, 61.48684);
    EXPECT_DOUBLE_EQ(r[0]->m_dLongitude, 120.472934);
    EXPECT_EQ(r[0]->m_nBearingAngle, 225);
    EXPECT_EQ(r[2]->m_nSpeedLimit, 40);
    EXPECT_EQ(set.m_strCameraTypes, L"1,2,3,4,5");
    EXPECT_EQ(set.GetDescription(0).substr(0, 12), L"Y coordinate");
    EXPECT_EQ(set.GetDescription(4).substr(0, 4), L"1 \u2013 ");  // 16-bit text as it is
    EXPECT_EQ(set.GetDescription(6).substr(0, 12), L"Speed camera");
    EXPECT_TRUE(list.m_items.empty());
    EXPECT_EQ(list.m_pShownSet, &set);
}

TEST_F(CamWorkbook, InvalidValuesAreMarkedAndListed) {
    ExcelSheet* data = Edit("data");
    PutRow(data, 5, {91});                        // row 4 stays empty: a camera at 0, 0
    data->CellAt(2, 5)->PutInteger(7);            // type 7 is not listed
    data->CellAt(3, 5)->PutText("7");             // text: type 0, untested
    data->CellAt(1, 4)->PutDouble(59.9);          // truncated
    data->CellAt(1, 3)->PutText("abc");           // text in a number column: 0, valid
    Save();
    ASSERT_TRUE(Import());
    auto r = Records(set);
    ASSERT_EQ(r.size(), 5u);
    EXPECT_EQ(r[0]->m_nSpeedLimit, 59);
    EXPECT_EQ(r[0]->m_nBearingAngle, 0);
    EXPECT_TRUE(r[0]->IsValid());
    EXPECT_EQ(r[1]->m_bValid[CamCameraType], 0);
    EXPECT_EQ(r[2]->m_nCameraType, 0);
    EXPECT_TRUE(r[2]->IsValid());
    EXPECT_TRUE(r[3]->IsValid());
    EXPECT_EQ(r[3]->m_dLatitude, 0.0);
    EXPECT_EQ(r[4]->m_bValid[CamLatitude], 0);
    ASSERT_EQ(list.m_items.size(), 2u);
    EXPECT_EQ(list.m_items[0], r[1]);
    EXPECT_EQ(list.m_items[1], r[4]);
}

TEST_F(CamWorkbook, TypeListChoice) {
    ExcelSheet* data = Edit("data");
    data->CellAt(1, 5)->PutInteger(12);
    data->CellAt(2, 5)->PutInteger(3);
    Save();
    // A base list given by the caller wins over the workbook's own.
    ASSERT_TRUE(Import(L"1,2,3"));
    EXPECT_EQ(set.m_strCameraTypes, L"1,2,3");
    EXPECT_EQ(Records(set)[1]->m_bValid[CamCameraType], 1);
    EXPECT_EQ(Records(set)[0]->m_bValid[CamCameraType], 0);  // "12" does not occur in "1,2,3"
    // A numeric list cell reads as "%10d": types 1, 2 and 12 pass, 3 does not.
    Edit("note")->CellAt(1000, 5)->PutInteger(12);
    Save();
    ASSERT_TRUE(Import());
    EXPECT_EQ(set.m_strCameraTypes, L"        12");
    EXPECT_EQ(Records(set)[0]->m_bValid[CamCameraType], 1);
    EXPECT_EQ(Records(set)[1]->m_bValid[CamCameraType], 0);
    EXPECT_EQ(Records(set)[2]->m_bValid[CamCameraType], 1);  // type 1
}

TEST_F(CamWorkbook, MissingColumnsReadAsEmpty) {
    ExcelSheet* data = Edit("data");
    for (int r = 0; r <= 3; ++r) data->ClearCell(r, 5), data->ClearCell(r, 6);
    Save();
    {
        ExcelFile check;
        ASSERT_TRUE(check.OpenFile(book));
        EXPECT_EQ(check.FindSheet("data")->ColumnCount(), 5);
    }
    ASSERT_TRUE(Import());
    for (const CSpeedCamData* c : Records(set)) {
        EXPECT_EQ(c->m_nCameraType, 0);
        EXPECT_EQ(c->m_nDirType, 0);
        EXPECT_TRUE(c->IsValid());
    }
}

TEST_F(CamWorkbook, FailuresLeaveTheSetAsItWasUntilTheDataSheet) {
    ASSERT_TRUE(Import());
    const int clears = list.m_nClears;
    EXPECT_FALSE(ImportCamWorkbook(L"", &list, kovra::FromUtf8(dir + "/missing.xls"), &set));
    const std::string junk = "not a workbook at all";
    ASSERT_TRUE(kovra::WriteFileReplacing(dir + "/junk.xls", junk.data(), junk.size()));
    EXPECT_FALSE(ImportCamWorkbook(L"", &list, kovra::FromUtf8(dir + "/junk.xls"), &set));
    EXPECT_EQ(set.GetCount(), 3);
    EXPECT_EQ(list.m_nClears, clears);

    // A workbook without "note" (a sheet name is compared exactly).
    const std::string noNote = kovra_test::SourcePath("tests/data/camdata/no_note.xls");
    EXPECT_FALSE(ImportCamWorkbook(L"", &list, kovra::FromUtf8(noNote), &set));
    EXPECT_EQ(set.GetCount(), 3);
    // Without "data" the set and the list are already emptied.
    const std::string noData = kovra_test::SourcePath("tests/data/camdata/no_data.xls");
    EXPECT_FALSE(ImportCamWorkbook(L"", &list, kovra::FromUtf8(noData), &set));
    EXPECT_EQ(set.GetCount(), 0);
    EXPECT_EQ(list.m_nClears, clears + 1);
}

TEST_F(CamWorkbook, ExportReplacesRowsAndClearsTheRest) {
    ExcelSheet* data = Edit("data");
    PutRow(data, 4, {50, 30, 1, 2, 3, 0});
    PutRow(data, 5, {51, 31, 1, 2, 3, 0});
    data->CellAt(5, 0)->PutInteger(5);
    Save();
    CSpeedCamDataSet two;
    for (int i = 0; i < 2; ++i) {
        CSpeedCamData* c = new CSpeedCamData;
        c->SetLatitude(10 + i);
        c->SetLongitude(20 + i);
        c->SetBearingAngle(90);
        c->SetSpeedLimit(60);
        c->SetCameraType(2, nullptr);
        c->SetDirType(1);
        two.AddCamera(c);
    }
    ASSERT_TRUE(ExportCamWorkbook(wbook, &two));
    ExcelFile check;
    ASSERT_TRUE(check.OpenFile(book));
    ExcelSheet* d = check.FindSheet("data");
    EXPECT_EQ(d->PeekCell(1, 0)->AsInteger(), 1);  // identifiers stay
    EXPECT_EQ(d->PeekCell(2, 0)->AsInteger(), 2);
    EXPECT_EQ(d->PeekCell(2, 1)->AsDouble(), 11.0);
    EXPECT_EQ(d->PeekCell(1, 3)->Kind(), CellKind::Double);  // integers written as reals
    EXPECT_EQ(d->PeekCell(1, 3)->AsInteger(), 90);
    for (int r = 3; r <= 5; ++r)
        for (int c = 0; c <= 6; ++c) {
            const ExcelCell* cell = d->PeekCell(r, c);
            EXPECT_TRUE(!cell || cell->Kind() == CellKind::Empty) << r << "," << c;
        }
    EXPECT_EQ(check.FindSheet("note")->PeekCell(1000, 5)->AsText(), std::string("1,2,3,4,5"));
    EXPECT_EQ(d->PeekCell(0, 0)->AsText(), std::string("UID"));
}

TEST_F(CamWorkbook, ExportRefusesWhatItCannotWrite) {
    CSpeedCamDataSet one;
    one.AddCamera(new CSpeedCamData);
    EXPECT_FALSE(ExportCamWorkbook(kovra::FromUtf8(dir + "/missing.xls"), &one));
    const std::string noData = kovra_test::SourcePath("tests/data/camdata/no_data.xls");
    const std::string before = kovra_test::ReadFileBytes(noData);
    const std::string copy = dir + "/no_data.xls";
    ASSERT_TRUE(kovra::WriteFileReplacing(copy, before.data(), before.size()));
    EXPECT_FALSE(ExportCamWorkbook(kovra::FromUtf8(copy), &one));
    EXPECT_EQ(kovra_test::ReadFileBytes(copy), before);
}

TEST_F(CamWorkbook, SavingCorrectionsKeepsABackupAndDropsRemovedRecords) {
    ExcelSheet* data = Edit("data");
    PutRow(data, 4, {95, 30, 1, 2, 3, 0});
    PutRow(data, 5, {50, 300, 1, 2, 3, 0});
    Save();
    const std::string original = kovra_test::ReadFileBytes(book);
    ASSERT_TRUE(Import());
    ASSERT_EQ(list.m_items.size(), 2u);
    list.m_items[0]->m_bRemoved = 1;  // the user removes one, corrects the other
    list.m_items[1]->SetLongitude(30);
    EXPECT_EQ(SaveCorrections(wbook, false, &set, &list), SaveResult::Saved);
    EXPECT_EQ(kovra_test::ReadFileBytes(dir + "/book_backup.xls"), original);
    EXPECT_EQ(list.m_items.size(), 1u);
    CSpeedCamDataSet again;
    ASSERT_TRUE(ImportCamWorkbook(L"", nullptr, wbook, &again));
    ASSERT_EQ(again.GetCount(), 4);
    EXPECT_EQ(Records(again)[3]->m_dLongitude, 30);
    EXPECT_TRUE(Records(again)[3]->IsValid());
}

TEST_F(CamWorkbook, NoBackupNoOverwriteButTheRemovalsHold) {
    ExcelSheet* data = Edit("data");
    PutRow(data, 4, {95, 30, 1, 2, 3, 0});
    Save();
    const std::string original = kovra_test::ReadFileBytes(book);
    ASSERT_TRUE(Import());
    list.m_items[0]->m_bRemoved = 1;
    // A folder where the backup should go: the copy cannot be made.
    kovra_test::TempDir(std::string(testing::UnitTest::GetInstance()->current_test_info()->name()) + "/book_backup.xls/x");
    EXPECT_EQ(SaveCorrections(wbook, false, &set, &list), SaveResult::BackupFailed);
    EXPECT_EQ(kovra_test::ReadFileBytes(book), original);
    EXPECT_EQ(set.GetCount(), 3);
    EXPECT_TRUE(list.m_items.empty());
}

TEST(CamPaths, BackupAndHistoryNames) {
    struct {
        const wchar_t* path;
        const wchar_t* backup;
    } cases[] = {
        {L"C:\\Data\\cams.xls", L"C:\\Data\\cams_backup.xls"},
        {L"D:\\a.b\\cams.txt", L"D:\\a.b\\cams_backup.txt"},
        {L"D:\\a.b\\cams", L"D:\\a.b\\cams_backup"},
        {L"/home/u/x.y/cams.tar.gz", L"/home/u/x.y/cams.tar_backup.gz"},
        {L"cams", L"cams_backup"},
        {L".hidden", L"_backup.hidden"},
    };
    for (const auto& t : cases) EXPECT_EQ(MakeBackupPath(t.path), t.backup) << kovra::ToUtf8(t.path);

    std::tm tm{};
    tm.tm_year = 2026 - 1900, tm.tm_mon = 11, tm.tm_mday = 9, tm.tm_hour = 7, tm.tm_min = 5, tm.tm_sec = 3;
    tm.tm_isdst = -1;
    const std::wstring sep(1, wchar_t(kovra::kPathSeparator));
    EXPECT_EQ(MakeHistoryFilePath(L"P", std::mktime(&tm)), L"P" + sep + L"History" + sep + L"BaseFile_20261209-070503.xls");
    EXPECT_EQ(GetWorkingBaseFilePath(L"P"), L"P" + sep + L"~MyBaseFile.xls");
}

TEST_F(CamWorkbook, ConversionWorkbookMergesTheSetsInSourceOrder) {
    const std::wstring folder = kovra::FromUtf8(dir);
    ASSERT_TRUE(kovra::CopyFileReplacing(wbook, GetWorkingBaseFilePath(folder)));
    std::vector<uint8_t> none;
    CSpeedCamDataSet base, partner, custom;
    ASSERT_TRUE(Import());
    for (CSpeedCamDataSet* s : {&base, &partner, &custom}) {
        CSpeedCamData* c = new CSpeedCamData;
        c->SetLatitude(s == &base ? 1 : s == &partner ? 2 : 3);
        s->AddCamera(c);
    }
    // Without the History folder nothing is built.
    EXPECT_EQ(BuildConversionWorkbook(folder, &base, &partner, &custom), L"");
    ASSERT_TRUE(kovra_test::TempDir(std::string(testing::UnitTest::GetInstance()->current_test_info()->name()) + "/History") != "");
    const std::wstring history = BuildConversionWorkbook(folder, &base, &partner, &custom);
    ASSERT_NE(history, L"");
    CSpeedCamDataSet merged;
    ASSERT_TRUE(ImportCamWorkbook(L"", nullptr, history, &merged));
    auto r = Records(merged);
    ASSERT_EQ(r.size(), 3u);
    EXPECT_EQ(r[0]->m_dLatitude, 1);
    EXPECT_EQ(r[1]->m_dLatitude, 2);
    EXPECT_EQ(r[2]->m_dLatitude, 3);
    EXPECT_EQ(merged.m_strCameraTypes, L"1,2,3,4,5");
    EXPECT_EQ(base.GetCount(), 1);  // the sets still own their records
}

}  // namespace
