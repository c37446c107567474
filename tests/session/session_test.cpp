// The conversion session through its interface: imports, corrections with a backup that cannot
// be made, the choice among cameras at one place, the converter's outcomes through a stand-in
// launcher, and a device file copied again into another folder after a failed copy.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "base/file_io.h"
#include "camdata/history.h"
#include "camdata/speed_cam_data.h"
#include "resources/resource.h"
#include "session/conversion_session.h"
#include "tests/cam_workbook_util.h"
#include "tests/camera_util.h"
#include "tests/test_util.h"

namespace {

using kovra_test::Cameras;
using kovra_test::AddCamera;

using Session = ConversionSession;
using kovra::FromUtf8;
using kovra_test::ReadFileBytes;

// Answers as the test says: cannot start, or started (the answer comes by the test's call).
struct StandInLauncher : IConverterLauncher {
    bool Start(const std::wstring& exe, const std::wstring& workbook) override {
        started.push_back(exe + L" " + workbook);
        return canStart;
    }
    bool canStart = true;
    std::vector<std::wstring> started;
};

class SessionTest : public testing::Test {
protected:
    void SetUp() override {
        m_dir = kovra_test::TempDir("session");
        m_session.reset(new Session(FromUtf8(m_dir)));
    }
    std::string Sample(const char* name) { return kovra_test::SourcePath(std::string("samples/") + name); }
    // A copy of a sample in the test's folder, so that corrections may be written into it.
    std::wstring UserCopy(const char* name) {
        const std::string bytes = ReadFileBytes(Sample(name));
        const std::string path = m_dir + "/user_" + name;
        EXPECT_TRUE(kovra::WriteFileReplacing(path, bytes.data(), bytes.size()));
        return FromUtf8(path);
    }
    // The working base file that the conversion workbook is copied from.
    void WorkingBase() { ASSERT_TRUE(kovra_test::CopyTemplate(kovra::ToUtf8(m_session->WorkingBasePath()))); }
    ConverterFiles Files() {
        const std::string raw = m_dir + "/conv_speed.raw";
        return ConverterFiles{L"conv.exe", FromUtf8(raw), FromUtf8(m_dir + "/ok.txt"), FromUtf8(m_dir + "/err.txt")};
    }
    // Cameras in two groups at one place each, and one alone.
    void TwoGroups() {
        AddCamera(m_session->Set(0), SourceBase, 10.0, 10.0, 90);
        m_b1 = AddCamera(m_session->Set(1), SourcePartner, 10.0001, 10.0, 90);
        m_a2 = AddCamera(m_session->Set(0), SourceBase, 20.0, 20.0, 180);
        AddCamera(m_session->Set(2), SourceCustom, 20.0001, 20.0, 180);
        m_alone = AddCamera(m_session->Set(0), SourceBase, 30.0, 30.0, 180);
    }
    // From the settings up to the converter's start.
    void ConvertUpToTheConverter() {
        ASSERT_EQ(m_session->StartConvert(), Session::kSearchDuplicates);
        m_session->SearchDuplicates();
        ASSERT_EQ(m_session->OnSearchDone(), Session::kBuildWorkbook);
        ASSERT_EQ(m_session->OnWorkbookBuilt(m_session->BuildWorkbook()), Session::kStartConverter);
        m_session->StartConverter(Files(), &m_launcher);
    }

    std::string m_dir;
    std::unique_ptr<Session> m_session;
    StandInLauncher m_launcher;
    CSpeedCamData *m_b1 = nullptr, *m_a2 = nullptr, *m_alone = nullptr;
};

TEST_F(SessionTest, ImportsListInvalidRecordsAndKeepTheWorkingBaseOfTheLastGoodWorkbook) {
    ASSERT_EQ(m_session->Import(0, FromUtf8(Sample("base_data.xls"))), ImportedSource::kImported);
    EXPECT_EQ(m_session->Set(0).GetCount(), 300);
    EXPECT_EQ(m_session->Source(0).invalid.GetItemCount(), 3);
    EXPECT_FALSE(m_session->AllValid(0));
    EXPECT_EQ(ReadFileBytes(kovra::ToUtf8(m_session->WorkingBasePath())), ReadFileBytes(Sample("base_data.xls")));

    // The partner file's types are tested against the base list; each record keeps its line.
    ASSERT_EQ(m_session->Import(1, FromUtf8(Sample("partner_cameras.txt"))), ImportedSource::kImported);
    EXPECT_EQ(m_session->Source(1).lines.size(), size_t(m_session->Set(1).GetCount()));
    EXPECT_EQ(Cameras(m_session->Set(1)).front()->m_nSource, SourcePartner);

    // A file of another kind empties the step and leaves the working base as it was.
    ASSERT_EQ(m_session->Import(2, FromUtf8(Sample("partner_cameras.txt"))), ImportedSource::kInvalidFile);
    EXPECT_EQ(m_session->Set(2).GetCount(), 0);
    EXPECT_EQ(m_session->Source(2).invalid.GetItemCount(), 0);
    EXPECT_EQ(ReadFileBytes(kovra::ToUtf8(m_session->WorkingBasePath())), ReadFileBytes(Sample("base_data.xls")));

    m_session->ResetStep(0);
    EXPECT_EQ(m_session->Set(0).GetCount(), 0);
}

TEST_F(SessionTest, ImportScreensFromTheFileToTheNextStep) {
    // Step 2 from a file: nothing without one, then read, examined, corrected, saved, handed on.
    Session::ImportView v = m_session->ImportViewOf(1);
    EXPECT_TRUE(v.file && v.browseEnabled && v.nextBack && !v.choice && !v.templateButton && !v.progress);
    EXPECT_TRUE(m_session->ImportViewOf(2).templateButton);
    EXPECT_EQ(m_session->ImportNext(1, false), Session::kImportRefused);
    ASSERT_EQ(m_session->ImportNext(1, true), Session::kImportFile);
    EXPECT_EQ(m_session->ImportViewOf(1).statusId, unsigned(IDS_CHECKING_DATA));
    m_session->EndLoad(1, m_session->Import(1, UserCopy("partner_cameras.txt")) != ImportedSource::kImported);
    ASSERT_EQ(m_session->ImportNext(1, true), Session::kImportExamine);
    v = m_session->ImportViewOf(1);
    EXPECT_TRUE(v.list && !v.nextEnabled && !v.file && !v.correction);
    ASSERT_EQ(m_session->ImportNext(1, true), Session::kImportNone);
    v = m_session->ImportViewOf(1);
    EXPECT_EQ(v.screen, Session::kCorrecting);
    EXPECT_TRUE(v.correction && v.list && !v.nextEnabled);
    EXPECT_EQ(v.statusId, unsigned(IDS_SOME_INVALID));
    m_session->RemoveAllInvalid(1);
    m_session->RefreshAllValid(1);
    EXPECT_TRUE(m_session->ImportViewOf(1).nextEnabled);
    ASSERT_EQ(m_session->ImportNext(1, true), Session::kImportSave);
    m_session->SetSaveResult(1, false, m_session->SaveCorrections(1));
    v = m_session->ImportViewOf(1);
    EXPECT_EQ(v.statusId, unsigned(IDS_BASE_IMPORTED));
    EXPECT_FALSE(v.list || v.correction);
    EXPECT_EQ(m_session->ImportNext(1, true), Session::kImportHandOver);

    // Step 1's download: the progress while it runs, then a failed load stays in red.
    EXPECT_TRUE(m_session->ImportViewOf(0).choice && !m_session->ImportViewOf(0).browseEnabled);
    ASSERT_EQ(m_session->ImportNext(0, false), Session::kImportDownload);
    m_session->BeginDownload(0);
    v = m_session->ImportViewOf(0);
    EXPECT_TRUE(v.progress && !v.nextBack && !v.choice);
    EXPECT_EQ(v.statusId, unsigned(IDS_DOWNLOADING_BASE));
    m_session->EndLoad(0, true);
    EXPECT_EQ(m_session->ImportNext(0, true), Session::kImportNone);
    v = m_session->ImportViewOf(0);
    EXPECT_TRUE(v.failed && v.nextBack && !v.nextEnabled && !v.progress);
    EXPECT_EQ(v.statusId, unsigned(IDS_INCORRECT_FORMAT));
    m_session->ChooseDownload(false);
    m_session->ResetImport(0);
    EXPECT_FALSE(m_session->DownloadChosen());
    EXPECT_EQ(m_session->GetImportScreen(0), Session::kChoose);
    EXPECT_TRUE(m_session->ImportViewOf(0).browseEnabled);
}

TEST_F(SessionTest, RemovalsHoldEvenWhenTheBackupCannotBeMade) {
    const std::wstring path = UserCopy("base_data.xls");
    const std::string before = ReadFileBytes(kovra::ToUtf8(path));
    ASSERT_EQ(m_session->Import(0, path), ImportedSource::kImported);
    m_session->RemoveAllInvalid(0);
    EXPECT_TRUE(m_session->AllValid(0));
    // A folder where the backup would go: no backup, so the file is not touched.
    ASSERT_TRUE(kovra::CreateFolder(MakeBackupPath(path)));
    EXPECT_EQ(m_session->SaveCorrections(0), SaveResult::BackupFailed);
    EXPECT_EQ(ReadFileBytes(kovra::ToUtf8(path)), before);
    EXPECT_EQ(m_session->Set(0).GetCount(), 297);
    for (const CSpeedCamData* cam : Cameras(m_session->Set(0))) EXPECT_TRUE(cam->IsValid());

    // kovracli drops the removals without writing the file at all.
    ASSERT_EQ(m_session->Import(0, path), ImportedSource::kImported);
    m_session->RemoveAllInvalid(0);
    EXPECT_EQ(m_session->DropRemoved(0), 3);
    EXPECT_EQ(m_session->Source(0).invalid.GetItemCount(), 0);
    EXPECT_EQ(ReadFileBytes(kovra::ToUtf8(path)), before);
}

TEST_F(SessionTest, ACustomizedCsvFileIsReadAndCorrectedAsCsv) {
    const std::string csv = m_dir + "/cams.csv";
    const std::string text = "\xef\xbb\xbflat;lon;bearing;speed;type;dir\r\n55.1;37.1;90;60;1;1\r\n"
                             "95;37.2;90;60;1;1\r\n55.3;37.3;180;80;2;0\r\n";
    ASSERT_TRUE(kovra::WriteFileReplacing(csv, text.data(), text.size()));
    ASSERT_EQ(m_session->Import(2, FromUtf8(csv)), ImportedSource::kImported);
    EXPECT_TRUE(m_session->Source(2).csv);
    EXPECT_EQ(m_session->Source(2).lines, (std::vector<int>{2, 3, 4}));
    ASSERT_EQ(m_session->Source(2).invalid.GetItemCount(), 1);
    EXPECT_EQ(Cameras(m_session->Set(2)).front()->m_nSource, SourceCustom);
    // No workbook to make the conversion workbook from: the working base stays as it was.
    EXPECT_FALSE(kovra::FileExists(m_session->WorkingBasePath()));

    m_session->RemoveAllInvalid(2);
    EXPECT_EQ(m_session->SaveCorrections(2), SaveResult::Saved);
    EXPECT_EQ(ReadFileBytes(kovra::ToUtf8(MakeBackupPath(FromUtf8(csv)))), text);
    Session again(FromUtf8(m_dir));
    ASSERT_EQ(again.Import(2, FromUtf8(csv)), ImportedSource::kImported);
    EXPECT_EQ(again.Set(2).GetCount(), 2);
    EXPECT_EQ(again.Source(2).invalid.GetItemCount(), 0);

    // A CSV file without the needed columns says which are missing.
    const std::string bad = "lat,lon\r\n1,2\r\n";
    ASSERT_TRUE(kovra::WriteFileReplacing(csv, bad.data(), bad.size()));
    ASSERT_EQ(m_session->Import(2, FromUtf8(csv)), ImportedSource::kInvalidFile);
    EXPECT_NE(m_session->Source(2).problem.find("bearing"), std::string::npos) << m_session->Source(2).problem;
}

TEST_F(SessionTest, TheChoiceKeepsTheChosenCameraOfEachGroup) {
    TwoGroups();
    EXPECT_EQ(m_session->NextSet(-1), Session::kNone);  // nothing to choose on the settings
    m_session->StartConvert();
    const Session::ConvertView filtering = m_session->View();
    EXPECT_EQ(filtering.statusId, unsigned(IDS_FILTERING));
    EXPECT_FALSE(filtering.settings || filtering.backEnabled || filtering.convertEnabled);
    m_session->SearchDuplicates();
    ASSERT_EQ(m_session->OnSearchDone(), Session::kNone);
    ASSERT_EQ(m_session->GetScreen(), Session::kChoosing);
    EXPECT_EQ(m_session->GroupCount(), 2);
    EXPECT_TRUE(m_session->View().choice && m_session->View().rowsEnabled && !m_session->View().sourceEnabled);
    EXPECT_EQ(m_session->View().nextTextId, unsigned(IDS_NEXT_SET));

    CDuplicateGroupView view;
    ASSERT_TRUE(m_session->ShowGroup(&view));
    EXPECT_EQ(view.m_nRowCount, 2);
    m_session->ChooseRow(1);
    EXPECT_EQ(m_session->NextSet(-1), Session::kNone);
    EXPECT_EQ(m_session->CurrentGroup(), 1);
    EXPECT_EQ(m_session->View().nextTextId, unsigned(IDS_NEXT));  // the last group
    ASSERT_TRUE(m_session->ShowGroup(&view));
    EXPECT_EQ(m_session->ChosenRow(), 1);  // still a row with a camera
    m_session->ChooseRow(0);
    EXPECT_EQ(m_session->NextSet(-1), Session::kBuildWorkbook);
    EXPECT_EQ(m_session->GetScreen(), Session::kConverting);
    EXPECT_EQ(Cameras(m_session->Set(0)), (std::vector<CSpeedCamData*>{m_a2, m_alone}));
    EXPECT_EQ(Cameras(m_session->Set(1)), std::vector<CSpeedCamData*>{m_b1});
    EXPECT_EQ(m_session->Set(2).GetCount(), 0);
}

TEST_F(SessionTest, AlwaysSelectKeepsTheChosenStepWhereAGroupHasItAndBackStartsAfresh) {
    TwoGroups();
    m_session->StartConvert();
    m_session->SearchDuplicates();
    m_session->OnSearchDone();
    m_session->SetAlwaysSelect(true);
    EXPECT_TRUE(m_session->View().sourceEnabled && !m_session->View().rowsEnabled);
    EXPECT_EQ(m_session->View().nextTextId, unsigned(IDS_NEXT));
    EXPECT_EQ(m_session->NextSet(SourcePartner), Session::kBuildWorkbook);
    // The second group has no partner camera: its first one stays.
    EXPECT_EQ(Cameras(m_session->Set(1)), std::vector<CSpeedCamData*>{m_b1});
    EXPECT_EQ(Cameras(m_session->Set(0)), (std::vector<CSpeedCamData*>{m_a2, m_alone}));

    m_session->ResetConvert();
    EXPECT_EQ(m_session->GetScreen(), Session::kSettings);
    EXPECT_EQ(m_session->Filter(), nullptr);
    EXPECT_TRUE(m_session->View().settings && m_session->View().convertEnabled);
}

TEST_F(SessionTest, ConverterSuccessCopiesTheDeviceFileAndAFailedCopyCanGoToAnotherFolder) {
    WorkingBase();
    AddCamera(m_session->Set(0), SourceBase, 55.0, 37.0, 90);
    ConvertUpToTheConverter();
    ASSERT_EQ(m_launcher.started.size(), 1u);
    EXPECT_EQ(m_launcher.started[0], L"conv.exe " + m_session->Workbook());
    EXPECT_TRUE(kovra::FileExists(m_session->Workbook()));
    EXPECT_TRUE(m_session->IsWaitingForConverter());
    EXPECT_TRUE(m_session->View().waitCursor && m_session->View().back && !m_session->View().next);

    // The header and one camera: 55.75, 37.62, bearing 90, 60 km/h, type 1, direction type 1.
    const std::string raw("\x01\x02\x03\x03\x52\xad\x70\x02\x3e\x09\x20\x00\x5a\x3c\x01\x01", 16);
    ASSERT_TRUE(kovra::WriteFileReplacing(m_dir + "/conv_speed.raw", raw.data(), raw.size()));
    ASSERT_EQ(m_session->OnConverterAnswer(true), Session::kCopyResult);
    EXPECT_EQ(m_session->View().statusId, unsigned(IDS_CONVERSION_COMPLETE));
    EXPECT_FALSE(m_session->View().waitCursor);

    // The destination is gone: a failure from which another folder can be chosen.
    EXPECT_FALSE(m_session->CopyResult(FromUtf8(m_dir + "/gone")));
    const Session::ConvertView failed = m_session->View();
    EXPECT_EQ(failed.failure, Session::kFailCopy);
    EXPECT_EQ(failed.statusId, unsigned(IDS_COPY_FAILED));
    EXPECT_TRUE(failed.tryAgain && failed.browseAgain && !failed.openFolder && !failed.log);

    ASSERT_TRUE(kovra::CreateFolder(FromUtf8(m_dir + "/card")));
    EXPECT_TRUE(m_session->CopyResult(FromUtf8(m_dir + "/card")));
    EXPECT_EQ(m_session->GetScreen(), Session::kDone);
    EXPECT_EQ(ReadFileBytes(m_dir + "/card/conv_speed.raw"), raw);
    EXPECT_TRUE(m_session->View().openFolder && !m_session->View().back && !m_session->View().tryAgain);
    EXPECT_EQ(m_session->View().statusId, Session::kStatusDone);

    // "Show on map": the copied cameras as speed.kml beside the copy.
    EXPECT_TRUE(m_session->View().showOnMap);
    const std::wstring kml = m_session->WriteMap();
    ASSERT_FALSE(kml.empty());
    const std::string text = ReadFileBytes(m_dir + "/card/speed.kml");
    EXPECT_NE(text.find("<Placemark"), std::string::npos);
    EXPECT_NE(text.find("37.62"), std::string::npos);

    // A late answer changes nothing.
    EXPECT_EQ(m_session->OnConverterAnswer(false), Session::kNone);
    EXPECT_EQ(m_session->GetScreen(), Session::kDone);
}

TEST_F(SessionTest, ConverterFailuresEndOnTheResultWithTryAgain) {
    WorkingBase();
    AddCamera(m_session->Set(0), SourceBase, 55.0, 37.0, 90);

    ConvertUpToTheConverter();
    m_session->OnConverterAnswer(false);
    EXPECT_EQ(m_session->GetFailure(), Session::kFailConverterErrors);
    EXPECT_TRUE(m_session->View().log && m_session->View().tryAgain && !m_session->View().browseAgain);
    EXPECT_EQ(m_session->View().statusId, unsigned(IDS_SOURCE_ERRORS));
    EXPECT_FALSE(m_session->CopyResult(FromUtf8(m_dir)));  // nothing to copy

    m_session->ResetConvert();
    ConvertUpToTheConverter();
    m_session->OnConverterEnded();
    EXPECT_EQ(m_session->GetFailure(), Session::kFailNoAnswer);
    EXPECT_FALSE(m_session->View().log);
    EXPECT_EQ(m_session->OnConverterAnswer(true), Session::kNone);  // too late
    EXPECT_EQ(m_session->GetFailure(), Session::kFailNoAnswer);

    m_session->ResetConvert();
    m_launcher.canStart = false;
    ConvertUpToTheConverter();
    EXPECT_EQ(m_session->GetFailure(), Session::kFailStart);
    EXPECT_EQ(m_session->View().statusId, unsigned(IDS_CONVERTER_NOT_STARTED));

    // Without the working base there is no conversion workbook.
    m_session->ResetConvert();
    ASSERT_EQ(std::remove(kovra::ToUtf8(m_session->WorkingBasePath()).c_str()), 0);
    m_session->StartConvert();
    m_session->SearchDuplicates();
    m_session->OnSearchDone();
    EXPECT_EQ(m_session->OnWorkbookBuilt(m_session->BuildWorkbook()), Session::kNone);
    EXPECT_EQ(m_session->GetFailure(), Session::kFailWorkbook);
    EXPECT_TRUE(m_session->View().tryAgain);
}

}  // namespace
