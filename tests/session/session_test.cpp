// The conversion session through its interface, with a runner that holds every job until the
// test lets it go and an observer that writes down what it hears: the import road of each step
// with its failures, corrections saved even when no backup can be made (a CSV file changed only
// where the user changed it), the choice among cameras at one place, the converter's answers by
// run, and closing while a job holds the data.
#include <gtest/gtest.h>

#include <deque>
#include <string>
#include <vector>

#include "base/file_io.h"
#include "base/paths.h"
#include "camdata/history.h"
#include "camdata/speed_cam_data.h"
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

// Holds each job until the test lets it go.
struct HeldRunner : ISessionRunner {
    void Run(std::unique_ptr<SessionJob> job) override { held.push_back(std::move(job)); }
    // The oldest job held: its work, then its result. Its name, or "" when none was held.
    std::string Release() {
        if (held.empty()) return "";
        std::unique_ptr<SessionJob> job = std::move(held.front());
        held.pop_front();
        job->Work();
        job->Done();
        return job->Name();
    }
    void ReleaseAll() {
        while (!Release().empty()) {
        }
    }
    std::deque<std::unique_ptr<SessionJob>> held;
};

// What the session said, in order: "changed 1", "listed 1", "ending 1", "refused 1", "done 1",
// "convert".
struct Recorder : ISessionObserver {
    void OnImportChanged(int step) override { Say("changed", step); }
    void OnCorrectionListed(int step) override { Say("listed", step); }
    void OnCorrectionEnding(int step) override { Say("ending", step); }
    void OnImportRefused(int step) override { Say("refused", step); }
    void OnStepDone(int step) override { Say("done", step); }
    void OnConvertChanged() override { heard.push_back("convert"); }
    void Say(const char* what, int step) { heard.push_back(std::string(what) + " " + std::to_string(step)); }
    bool Heard(const std::string& what) const {
        for (const std::string& h : heard)
            if (h == what) return true;
        return false;
    }
    std::vector<std::string> heard;
};

class SessionTest : public testing::Test {
protected:
    void SetUp() override {
        m_dir = kovra_test::TempDir("session");
        m_session.reset(new Session(FromUtf8(m_dir)));
        m_session->SetRunner(&m_runner);
        m_session->SetObserver(&m_heard);
        m_session->SetLauncher(&m_launcher);
        m_session->ChooseConverter(Files());
    }
    std::string Sample(const char* name) { return kovra_test::SourcePath(std::string("samples/") + name); }
    // A copy of a sample in the test's folder, so that corrections may be written into it.
    std::wstring UserCopy(const char* name) {
        const std::string bytes = ReadFileBytes(Sample(name));
        const std::string path = m_dir + "/user_" + name;
        EXPECT_TRUE(kovra::WriteFileReplacing(path, bytes.data(), bytes.size()));
        return FromUtf8(path);
    }
    std::wstring UserFile(const char* name, const std::string& text) {
        const std::string path = m_dir + "/" + name;
        EXPECT_TRUE(kovra::WriteFileReplacing(path, text.data(), text.size()));
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
    // From the settings up to the converter's start, with no duplicates on the way.
    void ConvertUpToTheConverter() {
        m_session->Convert();
        ASSERT_EQ(m_runner.Release(), "search");
        ASSERT_EQ(m_session->GetScreen(), Session::kConverting);
        ASSERT_EQ(m_runner.Release(), "workbook");
        m_run = m_session->ConverterRun();
    }

    std::string m_dir;
    HeldRunner m_runner;
    Recorder m_heard;
    StandInLauncher m_launcher;
    std::unique_ptr<Session> m_session;
    unsigned m_run = 0;
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

TEST_F(SessionTest, AnImportWalksFromTheFileThroughTheCorrectionsToTheNextStep) {
    // Nothing without a file; the read is held: the step is loading, its data as before.
    EXPECT_EQ(m_session->Next(1, L""), Session::kNextRefused);
    EXPECT_EQ(m_session->Next(1, FromUtf8(m_dir + "/none.txt")), Session::kNextRefused);
    const std::wstring path = UserCopy("partner_cameras.txt");
    ASSERT_EQ(m_session->Next(1, path), Session::kNextTaken);
    EXPECT_EQ(m_session->ImportStateOf(1).screen, Session::kLoading);
    EXPECT_EQ(m_session->Set(1).GetCount(), 0);
    EXPECT_EQ(m_session->Next(1, path), Session::kNextTaken);  // a second press reads nothing more
    ASSERT_EQ(m_runner.held.size(), 1u);

    // The read is done: the records to correct are listed.
    ASSERT_EQ(m_runner.Release(), "read");
    EXPECT_EQ(m_session->ImportStateOf(1).screen, Session::kCorrecting);
    EXPECT_TRUE(m_heard.Heard("listed 1"));
    EXPECT_FALSE(m_session->ImportStateOf(1).allValid);
    EXPECT_GT(m_session->Source(1).invalid.GetItemCount(), 0);
    const ptrdiff_t read = m_session->Set(1).GetCount();
    const int listed = m_session->Source(1).invalid.GetItemCount();

    // All removed: "Next >" saves after a backup, and whoever shows the list lets go first.
    m_session->RemoveAllInvalid(1);
    m_session->RecheckCorrections(1);
    EXPECT_TRUE(m_session->ImportStateOf(1).allValid);
    m_heard.heard.clear();
    EXPECT_EQ(m_session->Next(1, path), Session::kNextTaken);
    ASSERT_FALSE(m_heard.heard.empty());
    EXPECT_EQ(m_heard.heard.front(), "ending 1");
    EXPECT_EQ(m_session->ImportStateOf(1).screen, Session::kImported);
    EXPECT_FALSE(m_session->ImportStateOf(1).nothingToSave);
    EXPECT_EQ(m_session->ImportStateOf(1).saved, SaveResult::Saved);
    EXPECT_EQ(m_session->Set(1).GetCount(), read - listed);
    EXPECT_FALSE(m_heard.Heard("done 1"));
    EXPECT_EQ(m_session->Next(1, path), Session::kNextTaken);
    EXPECT_TRUE(m_heard.Heard("done 1"));
    EXPECT_EQ(m_session->Source(1).invalid.GetItemCount(), 0);
}

TEST_F(SessionTest, AFileWithoutInvalidRecordsGoesStraightOnAndAFileOfAnotherKindStartsOver) {
    const std::wstring clean = FromUtf8(m_dir + "/clean.xls");
    ASSERT_TRUE(kovra_test::CopyTemplate(kovra::ToUtf8(clean)));
    const std::string before = ReadFileBytes(kovra::ToUtf8(clean));
    m_session->ChooseDownload(false);
    ASSERT_EQ(m_session->Next(0, clean), Session::kNextTaken);
    m_runner.ReleaseAll();
    EXPECT_TRUE(m_heard.Heard("done 0"));
    EXPECT_TRUE(m_session->ImportStateOf(0).nothingToSave);
    EXPECT_GT(m_session->Set(0).GetCount(), 0);
    EXPECT_EQ(ReadFileBytes(kovra::ToUtf8(clean)), before);
    EXPECT_FALSE(kovra::FileExists(MakeBackupPath(clean)));

    // Not a file of the step's kind: refused, the step empty and on its first screen.
    m_session->Next(2, UserFile("broken.xls", "not a workbook"));
    m_runner.ReleaseAll();
    EXPECT_TRUE(m_heard.Heard("refused 2"));
    EXPECT_EQ(m_session->ImportStateOf(2).screen, Session::kChoose);
    EXPECT_EQ(m_session->Set(2).GetCount(), 0);

    // A partner file without a single camera: the failure shows, Next does nothing, Back leads
    // to the step before.
    const std::wstring empty = UserFile("empty.txt", "title only\r\n");
    m_session->Next(1, empty);
    m_runner.ReleaseAll();
    EXPECT_EQ(m_session->ImportStateOf(1).screen, Session::kLoading);
    EXPECT_TRUE(m_session->ImportStateOf(1).loadFailed);
    EXPECT_EQ(m_session->Next(1, empty), Session::kNextTaken);
    EXPECT_TRUE(m_runner.held.empty());
    EXPECT_TRUE(m_session->Back(1));
    EXPECT_EQ(m_session->ImportStateOf(1).screen, Session::kChoose);
}

TEST_F(SessionTest, TheDownloadIsFetchedByTheCallerAndAResultAfterBackIsDropped) {
    EXPECT_TRUE(m_session->DownloadChosen());
    ASSERT_EQ(m_session->Next(0, L""), Session::kNextDownload);
    m_session->BeginDownload(0);
    EXPECT_TRUE(m_session->ImportStateOf(0).downloading);
    m_session->OnDownloadFailed(0);
    EXPECT_TRUE(m_session->ImportStateOf(0).loadFailed && !m_session->ImportStateOf(0).downloading);
    // Back on a later screen of step 1 stays in step 1.
    EXPECT_FALSE(m_session->Back(0));
    EXPECT_EQ(m_session->ImportStateOf(0).screen, Session::kChoose);
    EXPECT_TRUE(m_session->DownloadChosen());

    // The download read the workbook on its own thread; it is taken while it is waited for.
    m_session->BeginDownload(0);
    m_session->OnDownloaded(ImportSource(0, UserCopy("base_data.xls"), L"", m_session->WorkingBasePath()));
    EXPECT_EQ(m_session->ImportStateOf(0).screen, Session::kCorrecting);
    EXPECT_EQ(m_session->Set(0).GetCount(), 300);
    EXPECT_FALSE(m_session->Back(0));
    m_session->OnDownloaded(ImportSource(0, UserCopy("base_data.xls"), L"", m_session->WorkingBasePath()));
    EXPECT_EQ(m_session->Set(0).GetCount(), 0);
    EXPECT_EQ(m_session->ImportStateOf(0).screen, Session::kChoose);

    // So is a read given up on by Back while it was held.
    m_session->ChooseDownload(false);
    m_session->Next(0, UserCopy("base_data.xls"));
    m_session->Back(0);
    m_runner.ReleaseAll();
    EXPECT_EQ(m_session->Set(0).GetCount(), 0);
    EXPECT_EQ(m_session->ImportStateOf(0).screen, Session::kChoose);
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

TEST_F(SessionTest, ACustomizedCsvFileIsReadAndCorrectedInPlace) {
    const std::string csv = m_dir + "/cams.csv";
    // The user's own columns, order, separator, quoting and line ends; a quoted field that
    // spans two lines.
    const std::string header = "\xef\xbb\xbfname;lat;lon;bearing;speed;type;dir;note\r\n";
    const std::string a = "\"A\";55.1;37.1;90;60;1;1;x\r\n";
    const std::string b = "B;95;37.2;90;60;1;1;\"two\r\nlines\"\r\n";
    const std::string c = "C; 55.3 ;\"37.3\";180;abc;2;0;z\n";
    const std::string d = "D;55.4;37.4;0;60;1;1\r\n";
    const std::string text = header + a + b + c + d;
    ASSERT_TRUE(kovra::WriteFileReplacing(csv, text.data(), text.size()));
    ASSERT_EQ(m_session->Import(2, FromUtf8(csv)), ImportedSource::kImported);
    EXPECT_TRUE(m_session->Source(2).csv);
    EXPECT_EQ(m_session->Source(2).lines, (std::vector<int>{2, 3, 5, 6}));
    ASSERT_EQ(m_session->Source(2).invalid.GetItemCount(), 2);
    EXPECT_EQ(Cameras(m_session->Set(2)).front()->m_nSource, SourceCustom);
    // No workbook to make the conversion workbook from: the working base stays as it was.
    EXPECT_FALSE(kovra::FileExists(m_session->WorkingBasePath()));

    // B removed, C's speed corrected: only those bytes change.
    m_session->Source(2).invalid.m_items[0]->m_bRemoved = 1;
    m_session->Source(2).invalid.m_items[1]->SetSpeedLimit(70);
    EXPECT_EQ(m_session->SaveCorrections(2), SaveResult::Saved);
    EXPECT_EQ(ReadFileBytes(kovra::ToUtf8(MakeBackupPath(FromUtf8(csv)))), text);
    EXPECT_EQ(ReadFileBytes(csv), header + a + "C; 55.3 ;\"37.3\";180;70;2;0;z\n" + d);
    EXPECT_EQ(m_session->Set(2).GetCount(), 3);
    Session again(FromUtf8(m_dir));
    ASSERT_EQ(again.Import(2, FromUtf8(csv)), ImportedSource::kImported);
    EXPECT_EQ(again.Set(2).GetCount(), 3);
    EXPECT_EQ(again.Source(2).invalid.GetItemCount(), 0);

    // A CSV file without the needed columns says which are missing.
    const std::string bad = "lat,lon\r\n1,2\r\n";
    ASSERT_TRUE(kovra::WriteFileReplacing(csv, bad.data(), bad.size()));
    ASSERT_EQ(m_session->Import(2, FromUtf8(csv)), ImportedSource::kInvalidFile);
    EXPECT_NE(m_session->Source(2).problem.find("bearing"), std::string::npos) << m_session->Source(2).problem;
}

TEST_F(SessionTest, TheChoiceKeepsTheChosenCameraOfEachGroupInTheLanguageOfTheMoment) {
    TwoGroups();
    CDuplicateLabels english, russian;
    english.m_strStatus = L"Same place";
    russian.m_strStatus = L"Одно место";
    for (int i = 0; i < 3; ++i) russian.m_strSource[i] = L"Шаг " + std::to_wstring(i + 1);
    m_session->NextSet(-1);  // nothing to choose on the settings
    EXPECT_EQ(m_session->GetScreen(), Session::kSettings);
    m_session->Convert();
    EXPECT_EQ(m_session->GetScreen(), Session::kFiltering);

    // The search holds the sources: nothing else reaches them meanwhile.
    EXPECT_TRUE(m_session->IsBusy());
    EXPECT_EQ(m_session->Set(0).GetCount(), 0);
    EXPECT_EQ(m_session->Filter(), nullptr);
    CDuplicateGroupView view;
    EXPECT_FALSE(m_session->ShowGroup(english, &view));
    m_session->Convert();
    ASSERT_EQ(m_runner.held.size(), 1u);
    ASSERT_EQ(m_runner.Release(), "search");
    EXPECT_FALSE(m_session->IsBusy());
    ASSERT_EQ(m_session->GetScreen(), Session::kChoosing);
    EXPECT_EQ(m_session->ConvertStateOf().groupCount, 2);

    // The language changed while the search ran: the groups show in the new one.
    ASSERT_TRUE(m_session->ShowGroup(russian, &view));
    EXPECT_EQ(view.m_nRowCount, 2);
    EXPECT_EQ(view.m_strStatus, russian.m_strStatus);
    EXPECT_EQ(view.m_rows[0].m_strSource, L"Шаг 1");
    m_session->ChooseRow(1);
    m_session->NextSet(-1);
    EXPECT_EQ(m_session->ConvertStateOf().group, 1);
    ASSERT_TRUE(m_session->ShowGroup(english, &view));
    EXPECT_EQ(m_session->ConvertStateOf().chosenRow, 1);  // still a row with a camera
    m_session->ChooseRow(0);
    m_session->NextSet(-1);
    EXPECT_EQ(m_session->GetScreen(), Session::kConverting);
    EXPECT_EQ(m_runner.held.size(), 1u);  // the workbook
    m_runner.ReleaseAll();
    EXPECT_EQ(Cameras(m_session->Set(0)), (std::vector<CSpeedCamData*>{m_a2, m_alone}));
    EXPECT_EQ(Cameras(m_session->Set(1)), std::vector<CSpeedCamData*>{m_b1});
    EXPECT_EQ(m_session->Set(2).GetCount(), 0);
}

TEST_F(SessionTest, ASkippedCorrectionKeepsItsRecordsButNoListOfThemOutlivesTheChoice) {
    // Step 3 read with an invalid record listed, then skipped during the correction.
    const std::string text = "lat,lon,bearing,speed,type,dir\r\n10.0001,10,90,60,1,1\r\n10.0002,10,90,999,1,1\r\n";
    const std::wstring csv = UserFile("custom.csv", text);
    m_session->Next(2, csv);
    m_runner.ReleaseAll();
    ASSERT_EQ(m_session->Source(2).invalid.GetItemCount(), 1);
    m_heard.heard.clear();
    m_session->Skip(2);
    EXPECT_EQ(m_heard.heard, (std::vector<std::string>{"ending 2", "done 2"}));
    EXPECT_EQ(m_session->Source(2).invalid.GetItemCount(), 0);
    EXPECT_EQ(m_session->Set(2).GetCount(), 2);  // nothing dropped, nothing written
    EXPECT_EQ(ReadFileBytes(kovra::ToUtf8(csv)), text);

    // Step 1 still lists one when the conversion starts (a list on another page): the choice
    // deletes the records of the group, and no list may point at them afterwards.
    AddCamera(m_session->Set(0), SourceBase, 10.0, 10.0, 90);
    CSpeedCamData* listed = AddCamera(m_session->Set(0), SourceBase, 10.0003, 10.0, 90);
    m_session->Source(0).invalid.m_items.push_back(listed);
    m_heard.heard.clear();
    m_session->Convert();
    EXPECT_TRUE(m_heard.Heard("ending 0"));
    EXPECT_EQ(m_session->Source(0).invalid.GetItemCount(), 0);
    m_runner.Release();
    while (m_session->GetScreen() == Session::kChoosing) m_session->NextSet(-1);
    m_runner.ReleaseAll();
    EXPECT_LT(m_session->Set(0).GetCount() + m_session->Set(2).GetCount(), 4);
    EXPECT_TRUE(m_session->AllValid(0) && m_session->AllValid(2));
}

TEST_F(SessionTest, AlwaysSelectKeepsTheChosenStepWhereAGroupHasItAndBackStartsAfresh) {
    TwoGroups();
    m_session->Convert();
    m_runner.Release();
    m_session->SetAlwaysSelect(true);
    EXPECT_FALSE(m_session->ConvertStateOf().groupMode);
    m_session->NextSet(SourcePartner);
    EXPECT_EQ(m_session->GetScreen(), Session::kConverting);
    m_runner.ReleaseAll();
    // The second group has no partner camera: its first one stays.
    EXPECT_EQ(Cameras(m_session->Set(1)), std::vector<CSpeedCamData*>{m_b1});
    EXPECT_EQ(Cameras(m_session->Set(0)), (std::vector<CSpeedCamData*>{m_a2, m_alone}));

    m_session->ResetConvert();
    EXPECT_EQ(m_session->GetScreen(), Session::kSettings);
    EXPECT_EQ(m_session->Filter(), nullptr);
}

TEST_F(SessionTest, ClosingWhileAJobHoldsTheSourcesLosesNothingAndTouchesNothing) {
    // A restart while the workbook is written: its result is dropped, the sources come back.
    WorkingBase();
    AddCamera(m_session->Set(0), SourceBase, 55.0, 37.0, 90);
    m_session->Convert();
    m_runner.Release();
    ASSERT_EQ(m_runner.held.size(), 1u);
    m_session->ResetConvert();
    m_runner.ReleaseAll();
    EXPECT_EQ(m_session->GetScreen(), Session::kSettings);
    EXPECT_TRUE(m_launcher.started.empty());
    EXPECT_EQ(m_session->Set(0).GetCount(), 1);

    // The wizard closes during the search: the runner drops the job, then the session goes.
    TwoGroups();
    m_session->Convert();
    ASSERT_EQ(m_runner.held.size(), 1u);
    m_runner.held.clear();
    m_session.reset();
}

TEST_F(SessionTest, ConverterSuccessCopiesTheDeviceFileAndAFailedCopyCanGoToAnotherFolder) {
    WorkingBase();
    AddCamera(m_session->Set(0), SourceBase, 55.0, 37.0, 90);
    m_session->ChooseDestFolder(FromUtf8(m_dir + "/gone"), false);
    ConvertUpToTheConverter();
    ASSERT_EQ(m_launcher.started.size(), 1u);
    EXPECT_EQ(m_launcher.started[0], L"conv.exe " + m_session->Workbook());
    EXPECT_TRUE(kovra::FileExists(m_session->Workbook()));
    EXPECT_TRUE(m_session->IsWaitingForConverter());
    EXPECT_NE(m_run, 0u);

    // The header and one camera: 55.75, 37.62, bearing 90, 60 km/h, type 1, direction type 1.
    const std::string raw("\x01\x02\x03\x03\x52\xad\x70\x02\x3e\x09\x20\x00\x5a\x3c\x01\x01", 16);
    ASSERT_TRUE(kovra::WriteFileReplacing(m_dir + "/conv_speed.raw", raw.data(), raw.size()));
    m_session->OnConverterAnswer(m_run + 1, true);  // no run of this session
    EXPECT_TRUE(m_session->IsWaitingForConverter());
    // The destination is gone: a failure from which another folder can be chosen.
    m_session->OnConverterAnswer(m_run, true);
    EXPECT_EQ(m_session->GetFailure(), Session::kFailCopy);
    EXPECT_EQ(m_session->ConverterRun(), 0u);

    ASSERT_TRUE(kovra::CreateFolder(FromUtf8(m_dir + "/card")));
    EXPECT_TRUE(m_session->CopyAgain(FromUtf8(m_dir + "/card")));
    EXPECT_EQ(m_session->GetScreen(), Session::kDone);
    EXPECT_EQ(ReadFileBytes(m_dir + "/card/conv_speed.raw"), raw);

    // "Show on map": the copied cameras as speed.kml beside the copy.
    const std::wstring kml = m_session->WriteMap();
    ASSERT_FALSE(kml.empty());
    const std::string text = ReadFileBytes(m_dir + "/card/speed.kml");
    EXPECT_NE(text.find("<Placemark"), std::string::npos);
    EXPECT_NE(text.find("37.62"), std::string::npos);

    // A late answer changes nothing.
    m_session->OnConverterAnswer(m_run, false);
    EXPECT_EQ(m_session->GetScreen(), Session::kDone);
}

TEST_F(SessionTest, ConverterFailuresEndOnTheResultAndNoAnswerOfAnEarlierRunCounts) {
    WorkingBase();
    AddCamera(m_session->Set(0), SourceBase, 55.0, 37.0, 90);
    ASSERT_TRUE(kovra::WriteFileReplacing(m_dir + "/err.txt", "   No. Latitude\n", 16));

    ConvertUpToTheConverter();
    m_session->OnConverterAnswer(m_run, false);
    EXPECT_EQ(m_session->GetFailure(), Session::kFailConverterErrors);
    std::vector<uint8_t> log;
    ASSERT_TRUE(m_session->ReadErrorLog(&log, 1 << 20));
    EXPECT_EQ(std::string(log.begin(), log.end()), "   No. Latitude\n");
    EXPECT_FALSE(m_session->CopyAgain(FromUtf8(m_dir)));  // nothing to copy

    m_session->ResetConvert();
    ConvertUpToTheConverter();
    const unsigned ended = m_run;
    m_session->OnConverterEnded(ended);
    EXPECT_EQ(m_session->GetFailure(), Session::kFailNoAnswer);
    m_session->OnConverterAnswer(ended, true);  // too late
    EXPECT_EQ(m_session->GetFailure(), Session::kFailNoAnswer);

    // The run given up on answers late, while the next one runs: only the new run's answer
    // and end count.
    m_session->ResetConvert();
    ConvertUpToTheConverter();
    ASSERT_NE(m_run, ended);
    m_session->OnConverterAnswer(ended, false);
    m_session->OnConverterEnded(ended);
    EXPECT_TRUE(m_session->IsWaitingForConverter());
    m_session->OnConverterEnded(m_run);
    EXPECT_EQ(m_session->GetFailure(), Session::kFailNoAnswer);

    m_session->ResetConvert();
    m_launcher.canStart = false;
    ConvertUpToTheConverter();
    EXPECT_EQ(m_session->GetFailure(), Session::kFailStart);
    EXPECT_EQ(m_run, 0u);

    // Without the working base there is no conversion workbook.
    m_session->ResetConvert();
    ASSERT_EQ(std::remove(kovra::ToUtf8(m_session->WorkingBasePath()).c_str()), 0);
    m_session->Convert();
    m_runner.ReleaseAll();
    EXPECT_EQ(m_session->GetFailure(), Session::kFailWorkbook);
}

TEST(SessionModels, TheModelsAndTheirConvertersComeFromSettingIni) {
    const std::string dir = kovra_test::TempDir("session_models");
    const std::string ini = "[ModelInfo]\r\nModelCount=2\r\n[Model_1]\r\nDeviceName=Kovra R7\r\n"
                            "ConvertExe=\\conv\\rawconv.exe\r\nSuccessLogFile=\\conv\\ok.txt\r\n"
                            "ErrorLogFile=\\conv\\err.txt\r\nRawFile=\\conv\\speed.raw\r\n"
                            "[Model_2]\r\nDeviceName=Kovra R9\r\n";
    ASSERT_TRUE(kovra::WriteFileReplacing(dir + "/Setting.ini", ini.data(), ini.size()));
    const std::wstring folder = FromUtf8(dir);
    EXPECT_EQ(ModelNames(folder), (std::vector<std::wstring>{L"Kovra R7", L"Kovra R9"}));
    ConverterFiles files;
    std::wstring name;
    ASSERT_TRUE(ModelConverter(folder, 1, &files, &name));
    EXPECT_EQ(name, L"Kovra R7");
    EXPECT_EQ(kovra::FileNameOf(files.exe), L"rawconv.exe");
    EXPECT_EQ(kovra::FileNameOf(files.rawFile), L"speed.raw");
    EXPECT_FALSE(ModelConverter(folder, 2, &files));  // its files are not given
    EXPECT_FALSE(ModelConverter(folder, 3, &files));
}

}  // namespace
