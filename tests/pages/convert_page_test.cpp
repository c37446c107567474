// The convert page on real windows and messages: the model list, the choice among cameras at
// the same place, the converter's answers (real and stand-in) and what the page does when the
// workbook, the converter or the copy fails.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <thread>
#include <vector>

#include <shlobj.h>

#include "app/texts.h"
#include "base/file_io.h"
#include "base/window_messages.h"
#include "camdata/config.h"
#include "camdata/speed_cam_data.h"
#include "camdata/speed_cam_data_set.h"
#include "resources/resource.h"
#include "tests/camera_util.h"
#include "tests/pages/pages_test_util.h"
#include "wizard/convert_presenter.h"
#include "wizard/page_view4.h"

namespace {

using kovra_test::Cameras;
using kovra_test::AddCamera;

using wizard_test::Drain;

const UINT kStepNext = UM_STEP_NEXT;

std::string ReadBytes(const std::wstring& path) {
    std::vector<uint8_t> bytes;
    kovra::ReadWholeFile(path, bytes);
    return std::string(bytes.begin(), bytes.end());
}

void WriteText(const std::wstring& path, const std::string& text) {
    ASSERT_TRUE(kovra::WriteFileReplacing(path, text.data(), text.size())) << kovra::ToUtf8(path);
}

// rawconv.exe of this build: the test program lives in tests/pages of the build folder.
std::wstring BuiltConverter() {
    wchar_t path[MAX_PATH];
    const DWORD n = ::GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring dir(path, n);
    for (int up = 0; up < 3; ++up) dir.resize(dir.find_last_of(L"\\/"));
    return dir + L"\\rawconv\\rawconv.exe";
}

// Stands in for the main dialog: a dialog-class window under the wizard's title, so the real
// converter finds it, passing the converter's message on to the page as the main dialog does.
class ConverterParent : public CWnd {
public:
    bool Create() {
        return CreateEx(0, L"#32770", L"Kovra Converter", WS_POPUP | WS_VISIBLE,
                        RECT{0, 0, 860, 449}, nullptr, 0);
    }
    OPageView4* m_pPage = nullptr;
    std::vector<WPARAM> m_stepBack;  // wParams of UM_STEP_BACK

protected:
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override {
        if (message == UM_STEP_BACK) m_stepBack.push_back(wParam);
        if (message == UM_CONVERT_RESULT && m_pPage) m_pPage->PostMessage(message, wParam, lParam);
        return CWnd::WindowProc(message, wParam, lParam);
    }
};

class ConvertPage : public testing::Test {
protected:
    void SetUp() override {
        m_dir = app_test::TempFolder("convert_page");
        m_dest = m_dir + L"\\out";
        ::CreateDirectoryW((m_dir + L"\\conv").c_str(), nullptr);
        ::CreateDirectoryW(m_dest.c_str(), nullptr);
        SetDestFolderSetting(m_dest);
        Settings(L"\\conv\\convert.bat");
        ASSERT_TRUE(m_parent.Create());
        m_session.reset(new ConversionSession(m_dir));
    }
    void TearDown() override {
        m_page.reset();
        if (m_hConverter) {
            ::TerminateProcess(m_hConverter, 1);
            ::CloseHandle(m_hConverter);
        }
    }

    // Model 1 runs exe; model 2's converter does not exist.
    void Settings(const std::wstring& exe) {
        std::string ini = "[ModelInfo]\r\nModelCount=2\r\n";
        const std::string names[2] = {"Kovra R7", "Kovra R9"};
        const std::string exes[2] = {kovra::ToUtf8(exe), "\\conv\\missing.exe"};
        for (int i = 0; i < 2; ++i)
            ini += "[Model_" + std::to_string(i + 1) + "]\r\nDeviceName=" + names[i] +
                   "\r\nConvertExe=" + exes[i] +
                   "\r\nSuccessLogFile=\\conv\\SuccessLogFile.txt"
                   "\r\nErrorLogFile=\\conv\\ErrorLogFile.txt\r\nRawFile=\\conv\\speed.raw\r\n";
        WriteText(m_dir + L"\\Setting.ini", ini);
    }
    // The working base file that the conversion workbook is copied from.
    void WorkingBaseFile() {
        ASSERT_TRUE(
            ::CopyFileW(pages_test::SourceFile("resources/UserCustomizedTemplate.xls").c_str(),
                        (m_dir + L"\\~MyBaseFile.xls").c_str(), FALSE));
    }
    void Open() {
        m_page.reset(new OPageView4);
        m_page->m_pSession = m_session.get();
        m_session->SetObserver(m_page.get());
        m_page->m_strProgramFolder = m_dir;
        m_parent.m_pPage = m_page.get();
        ASSERT_TRUE(m_page->Create(RECT{0, 0, 860, 449}, &m_parent, 2054));
        m_page->ShowWindow(SW_SHOW);
        Drain();
    }
    void Click(UINT id) {
        m_page->SendMessage(WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), 0);
        Drain();
    }
    // A press and release of the left button on a skinned control, as the mouse gives them.
    void Press(CWnd& control, int x, int y) {
        control.SendMessage(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(x, y));
        control.SendMessage(WM_LBUTTONUP, 0, MAKELPARAM(x, y));
        Drain();
    }
    bool WaitForScreen(int screen, DWORD ms = 60000) {
        return PumpUntil([&] { return m_session->GetScreen() == screen; }, ms);
    }
    bool WaitForConverter() {
        if (!PumpUntil([&] { return m_session->IsWaitingForConverter(); }, 60000)) return false;
        m_hConverter = ::OpenProcess(PROCESS_ALL_ACCESS, FALSE, m_page->m_dwConverterProcessId);
        return true;
    }
    bool Shown(CWnd& wnd) const { return wnd.IsWindowVisible() != FALSE; }
    void ExpectFailure(ConversionSession::Failure failure) {
        EXPECT_EQ(m_session->GetScreen(), ConversionSession::kResult);
        EXPECT_EQ(m_session->GetFailure(), failure);
        EXPECT_EQ(m_page->m_strStatus, LoadTextOrEmpty(FailureStatusId(failure)));
        EXPECT_TRUE(Shown(m_page->m_btnTryAgain));
        EXPECT_FALSE(Shown(m_page->m_btnNextSet));
        EXPECT_FALSE(PresentConvert(*m_session).waitCursor);
    }

    app_test::TestApp m_app;
    pages_test::GdiplusSession m_gdiplus;
    std::wstring m_dir, m_dest;
    std::unique_ptr<ConversionSession> m_session;
    ConverterParent m_parent;
    std::unique_ptr<OPageView4> m_page;
    HANDLE m_hConverter = nullptr;
};

TEST_F(ConvertPage, ListsTheModelsAndShowsTheStoredFolder) {
    Open();
    ASSERT_EQ(m_page->m_cmbModel.GetCount(), 2);
    EXPECT_EQ(m_page->m_cmbModel.GetLBText(0), L"Kovra R7");
    EXPECT_EQ(m_page->m_cmbModel.GetLBText(1), L"Kovra R9");
    EXPECT_EQ(m_page->m_cmbModel.GetCurSel(), 0);
    EXPECT_EQ(m_page->m_editPath.GetWindowText(), m_dest);
    EXPECT_EQ(m_page->m_strTitle, L"Step 4 - Convert Data");
    EXPECT_EQ(m_session->GetScreen(), ConversionSession::kSettings);
    EXPECT_TRUE(Shown(m_page->m_btnConvert) && Shown(m_page->m_btnBack));
    EXPECT_FALSE(Shown(m_page->m_btnNextSet) || Shown(m_page->m_chkAlwaysSelect));

    // Without a model count the list stays empty.
    WriteText(m_dir + L"\\Setting.ini", "[Model_1]\r\nDeviceName=Kovra R7\r\n");
    Open();
    EXPECT_EQ(m_page->m_cmbModel.GetCount(), 0);
}

TEST_F(ConvertPage, KeepsTheChosenCameraOfEachGroupAndTheLastButtonReadsNext) {
    AddCamera(m_session->Set(0), SourceBase, 10.0, 10.0, 90);
    CSpeedCamData* b1 = AddCamera(m_session->Set(1), SourcePartner, 10.0001, 10.0, 90, 70);
    CSpeedCamData* a2 = AddCamera(m_session->Set(0), SourceBase, 20.0, 20.0, 180);
    AddCamera(m_session->Set(2), SourceCustom, 20.0001, 20.0, 180);
    CSpeedCamData* distant = AddCamera(m_session->Set(0), SourceBase, 30.0, 30.0, 180);
    Open();
    Click(OPageView4::IDC_CONVERT);
    ASSERT_TRUE(WaitForScreen(ConversionSession::kChoosing));
    EXPECT_EQ(m_session->ConvertStateOf().groupCount, 2);
    EXPECT_EQ(
        m_page->m_strStatus,
        L"Some cameras are located in the same place. Please select the one you want to keep.");
    EXPECT_NE(m_page->m_strLocation.find(L"1/2"), std::wstring::npos)
        << kovra::ToUtf8(m_page->m_strLocation);
    EXPECT_STREQ(m_page->m_btnNextSet.m_szText, L"Next Set >");
    EXPECT_TRUE(Shown(m_page->m_rows[0]) && Shown(m_page->m_rows[1]));
    EXPECT_FALSE(Shown(m_page->m_rows[2]));
    EXPECT_EQ(m_page->m_rows[0].m_strCell[0], L"Step 1");
    EXPECT_EQ(m_page->m_rows[1].m_strCell[0], L"Step 2");
    EXPECT_EQ(m_page->m_rows[1].m_strCell[2], L"70");
    EXPECT_TRUE(Shown(m_page->m_chkAlwaysSelect) && Shown(m_page->m_cmbSource));
    EXPECT_FALSE(m_page->m_cmbSource.IsWindowEnabled());

    // A click anywhere on the second row chooses it; clicking it again keeps it chosen.
    Press(m_page->m_rows[1], 400, 18);
    Press(m_page->m_rows[1], 400, 18);
    EXPECT_FALSE(m_page->m_rows[0].m_bChecked);
    EXPECT_TRUE(m_page->m_rows[1].m_bChecked);
    m_page->ReloadTexts();  // a language switch keeps the group on show
    EXPECT_NE(m_page->m_strLocation.find(L"1/2"), std::wstring::npos);

    Click(OPageView4::IDC_NEXT_SET);
    EXPECT_EQ(m_session->GetScreen(), ConversionSession::kChoosing);
    EXPECT_EQ(Cameras(m_session->Set(1)), std::vector<CSpeedCamData*>{b1});
    EXPECT_NE(m_page->m_strLocation.find(L"2/2"), std::wstring::npos);
    EXPECT_STREQ(m_page->m_btnNextSet.m_szText, L"Next >");
    EXPECT_TRUE(m_page->m_rows[1].m_bChecked);  // still a row with a camera

    Press(m_page->m_rows[0], 400, 18);
    Click(OPageView4::IDC_NEXT_SET);
    EXPECT_EQ(Cameras(m_session->Set(0)), (std::vector<CSpeedCamData*>{a2, distant}));
    EXPECT_TRUE(Cameras(m_session->Set(2)).empty());
    EXPECT_FALSE(Shown(m_page->m_rows[0]) || Shown(m_page->m_chkAlwaysSelect));

    // No working base file: no workbook, and the page says so instead of waiting.
    ASSERT_TRUE(WaitForScreen(ConversionSession::kResult));
    ExpectFailure(ConversionSession::kFailWorkbook);
    EXPECT_FALSE(Shown(m_page->m_editLog));
    Click(OPageView4::IDC_TRY_AGAIN);
    EXPECT_EQ(m_parent.m_stepBack, std::vector<WPARAM>{WPARAM(-1)});
    m_page->ResetPage();
    EXPECT_EQ(m_session->GetScreen(), ConversionSession::kSettings);
    EXPECT_TRUE(Shown(m_page->m_cmbModel) && Shown(m_page->m_btnConvert));
    EXPECT_TRUE(m_page->m_btnConvert.IsWindowEnabled());
    EXPECT_FALSE(Shown(m_page->m_btnTryAgain));
}

TEST_F(ConvertPage, AlwaysSelectTakesTheRowsOutOfTheChoice) {
    AddCamera(m_session->Set(0), SourceBase, 10.0, 10.0, 90);
    AddCamera(m_session->Set(1), SourcePartner, 10.0001, 10.0, 90);
    Open();
    Click(OPageView4::IDC_CONVERT);
    ASSERT_TRUE(WaitForScreen(ConversionSession::kChoosing));
    ASSERT_EQ(m_page->m_cmbSource.GetCount(), 2);
    Press(m_page->m_chkAlwaysSelect, 5, 18);
    EXPECT_TRUE(m_session->ConvertStateOf().alwaysSelect);
    EXPECT_TRUE(m_page->m_cmbSource.IsWindowEnabled());
    EXPECT_FALSE(m_page->m_rows[0].m_bEnabled);
    EXPECT_STREQ(m_page->m_btnNextSet.m_szText, L"Next >");
}

TEST_F(ConvertPage, BackWhileChoosingStartsTheChoiceAfresh) {
    AddCamera(m_session->Set(0), SourceBase, 10.0, 10.0, 90);
    AddCamera(m_session->Set(2), SourceCustom, 10.0001, 10.0, 90);
    Open();
    Click(OPageView4::IDC_CONVERT);
    ASSERT_TRUE(WaitForScreen(ConversionSession::kChoosing));
    Click(OPageView4::IDC_BACK);
    EXPECT_EQ(m_parent.m_stepBack, std::vector<WPARAM>{0});
    // The step before empties its set on the way back; nothing here may point into it.
    m_session->Set(2).RemoveAll(true);
    EXPECT_EQ(m_session->GetScreen(), ConversionSession::kSettings);
    EXPECT_FALSE(Shown(m_page->m_rows[0]) || Shown(m_page->m_btnNextSet));
    Click(OPageView4::IDC_CONVERT);
    ASSERT_TRUE(WaitForScreen(ConversionSession::kResult));  // no duplicates left: straight on
    EXPECT_EQ(m_session->GetFailure(), ConversionSession::kFailWorkbook);
}

TEST_F(ConvertPage, RealConverterSuccessCopiesTheDeviceFileToTheDestination) {
    const std::wstring exe = BuiltConverter();
    if (::GetFileAttributesW(exe.c_str()) == INVALID_FILE_ATTRIBUTES)
        GTEST_SKIP() << "no rawconv.exe";
    ASSERT_TRUE(::CopyFileW(exe.c_str(), (m_dir + L"\\conv\\rawconv.exe").c_str(), FALSE));
    Settings(L"\\conv\\rawconv.exe");
    WorkingBaseFile();
    AddCamera(m_session->Set(0), SourceBase, 55.0, 37.0, 90);
    AddCamera(m_session->Set(1), SourcePartner, 56.0, 38.0, 180);
    Open();
    Click(OPageView4::IDC_CONVERT);
    ASSERT_TRUE(WaitForScreen(ConversionSession::kDone, 120000));
    EXPECT_EQ(ReadBytes(m_dest + L"\\speed.raw").size(), 3u + 2 * 13);
    EXPECT_EQ(PresentConvert(*m_session).statusId, kStatusDone);
    EXPECT_EQ(m_page->m_strStatus.find(L"The conversion is completed.\nClick \"Open Folder\""), 0u);
    EXPECT_NE(m_page->m_strStatus.find(L"3. The update will be performed automatically."),
              std::wstring::npos);
    EXPECT_TRUE(Shown(m_page->m_btnOpenFolder));
    EXPECT_FALSE(Shown(m_page->m_btnNextSet) || Shown(m_page->m_btnBack) ||
                 Shown(m_page->m_btnConvert));
    EXPECT_FALSE(PresentConvert(*m_session).waitCursor);
    m_page->ReloadTexts();
    EXPECT_NE(m_page->m_strStatus.find(L"MicroSD"), std::wstring::npos);
    // The workbook the converter read is kept in History.
    WIN32_FIND_DATAW found;
    HANDLE find = ::FindFirstFileW((m_dir + L"\\History\\BaseFile_*.xls").c_str(), &found);
    EXPECT_NE(find, INVALID_HANDLE_VALUE);
    if (find != INVALID_HANDLE_VALUE) ::FindClose(find);
}

TEST_F(ConvertPage, RealConverterErrorsShowTheErrorLogAndTryAgain) {
    const std::wstring exe = BuiltConverter();
    if (::GetFileAttributesW(exe.c_str()) == INVALID_FILE_ATTRIBUTES)
        GTEST_SKIP() << "no rawconv.exe";
    ASSERT_TRUE(::CopyFileW(exe.c_str(), (m_dir + L"\\conv\\rawconv.exe").c_str(), FALSE));
    Settings(L"\\conv\\rawconv.exe");
    WorkingBaseFile();
    AddCamera(m_session->Set(0), SourceBase, 55.0, 37.0, 400);  // no bearing beyond 359 passes the converter
    Open();
    Click(OPageView4::IDC_CONVERT);
    ASSERT_TRUE(WaitForScreen(ConversionSession::kResult, 120000));
    ExpectFailure(ConversionSession::kFailConverterErrors);
    EXPECT_EQ(m_page->m_strStatus, L"Errors are found in the source data. Please check the data.");
    ASSERT_TRUE(Shown(m_page->m_editLog));
    const std::wstring log = m_page->m_editLog.GetWindowText();
    EXPECT_NE(log.find(L"Bearing_Angle"), std::wstring::npos);
    EXPECT_NE(log.find(L"400"), std::wstring::npos);
    EXPECT_NE(log.find(L"\r\n"), std::wstring::npos);
    Click(OPageView4::IDC_TRY_AGAIN);
    EXPECT_EQ(m_parent.m_stepBack, std::vector<WPARAM>{WPARAM(-1)});
}

// The stand-in converter is a batch file: the page gets the process of its command shell.
class StandInConverter : public ConvertPage {
protected:
    void Start(const std::string& script) {
        WriteText(m_dir + L"\\conv\\convert.bat", script);
        WorkingBaseFile();
        AddCamera(m_session->Set(0), SourceBase, 55.0, 37.0, 90);
        Open();
        Click(OPageView4::IDC_CONVERT);
    }
};

TEST_F(StandInConverter, AnswerDecidesTheResultAndLateAnswersChangeNothing) {
    // An answer before any conversion is not this page's business.
    Open();
    m_page->PostMessage(UM_CONVERT_RESULT, 1);
    m_page->PostMessage(kStepNext);
    Drain();
    EXPECT_EQ(m_session->GetScreen(), ConversionSession::kSettings);

    WriteText(m_dir + L"\\conv\\speed.raw", std::string("\x01\x02\x03", 3));
    Start("@exit 0\r\n");
    ASSERT_TRUE(WaitForConverter());
    EXPECT_TRUE(PresentConvert(*m_session).waitCursor);
    EXPECT_FALSE(Shown(m_page->m_btnNextSet));
    m_page->PostMessage(UM_CONVERT_RESULT, 1);
    ASSERT_TRUE(WaitForScreen(ConversionSession::kDone));
    EXPECT_EQ(ReadBytes(m_dest + L"\\speed.raw"), std::string("\x01\x02\x03", 3));
    m_page->PostMessage(UM_CONVERT_RESULT, 0);
    Drain();
    EXPECT_EQ(m_session->GetScreen(), ConversionSession::kDone);
    EXPECT_EQ(m_session->GetFailure(), ConversionSession::kFailNone);
}

TEST_F(StandInConverter, ErrorAnswerShowsTheLogInTheAnsiCodePage) {
    WriteText(m_dir + L"\\conv\\ErrorLogFile.txt", "   No. Latitude\n    2. 91.000000\n");
    Start("@exit 0\r\n");
    ASSERT_TRUE(WaitForConverter());
    m_page->PostMessage(UM_CONVERT_RESULT, 0);
    ASSERT_TRUE(WaitForScreen(ConversionSession::kResult));
    ExpectFailure(ConversionSession::kFailConverterErrors);
    EXPECT_EQ(m_page->m_editLog.GetWindowText(), L"   No. Latitude\r\n    2. 91.000000\r\n");
}

TEST_F(StandInConverter, ErrorAnswerWithoutALogSaysSoInTheLogView) {
    Start("@exit 0\r\n");
    ASSERT_TRUE(WaitForConverter());
    m_page->PostMessage(UM_CONVERT_RESULT, 0);
    ASSERT_TRUE(WaitForScreen(ConversionSession::kResult));
    ExpectFailure(ConversionSession::kFailConverterErrors);
    ASSERT_TRUE(Shown(m_page->m_editLog));
    const std::wstring text = m_page->m_editLog.GetWindowText();
    EXPECT_NE(text.find(L"could not be read"), std::wstring::npos) << kovra::ToUtf8(text);
    EXPECT_NE(text.find(L"ErrorLogFile.txt"), std::wstring::npos) << kovra::ToUtf8(text);
}

TEST_F(StandInConverter, DeviceFileThatCannotBeCopiedIsAFailure) {
    ::RemoveDirectoryW(m_dest.c_str());
    Start("@exit 0\r\n");
    ASSERT_TRUE(WaitForConverter());
    m_page->PostMessage(UM_CONVERT_RESULT, 1);  // but it wrote no speed.raw
    ASSERT_TRUE(WaitForScreen(ConversionSession::kResult));
    Drain();
    ExpectFailure(ConversionSession::kFailCopy);
    EXPECT_FALSE(Shown(m_page->m_btnOpenFolder));
    // Another folder can be chosen for the same device file.
    EXPECT_TRUE(Shown(m_page->m_btnBrowse) && Shown(m_page->m_editPath));
    EXPECT_FALSE(Shown(m_page->m_cmbModel));
}

TEST_F(StandInConverter, ConverterThatEndsWithoutAnswerIsAFailure) {
    Start("@exit 0\r\n");
    ASSERT_TRUE(WaitForConverter());
    ASSERT_TRUE(WaitForScreen(ConversionSession::kResult));
    ExpectFailure(ConversionSession::kFailNoAnswer);
}

TEST_F(StandInConverter, AConverterThatRunsIsWaitedForWithNoWayBackUntilItAnswers) {
    // It runs until the test ends it, and answers late: the answer is taken for its run.
    WriteText(m_dir + L"\\conv\\speed.raw", std::string("\x01\x02\x03", 3));
    Start("@ping -n 30 127.0.0.1 >nul\r\n");
    ASSERT_TRUE(WaitForConverter());
    EXPECT_FALSE(Shown(m_page->m_btnBack) || m_page->m_btnBack.IsWindowEnabled());
    EXPECT_FALSE(Shown(m_page->m_btnConvert) || Shown(m_page->m_btnNextSet));
    Click(OPageView4::IDC_BACK);
    EXPECT_TRUE(m_parent.m_stepBack.empty());
    EXPECT_TRUE(m_session->IsWaitingForConverter());
    ASSERT_NE(m_hConverter, nullptr);
    EXPECT_EQ(::WaitForSingleObject(m_hConverter, 0), DWORD(WAIT_TIMEOUT));  // still running
    m_page->PostMessage(UM_CONVERT_RESULT, 1);
    ASSERT_TRUE(WaitForScreen(ConversionSession::kDone));
    EXPECT_EQ(ReadBytes(m_dest + L"\\speed.raw"), std::string("\x01\x02\x03", 3));
}

TEST_F(StandInConverter, ConverterThatCannotStartIsAFailure) {
    WorkingBaseFile();
    AddCamera(m_session->Set(0), SourceBase, 55.0, 37.0, 90);
    Open();
    m_page->m_cmbModel.SetCurSel(1);  // its converter is missing
    Click(OPageView4::IDC_CONVERT);
    ASSERT_TRUE(WaitForScreen(ConversionSession::kResult));
    ExpectFailure(ConversionSession::kFailStart);
    EXPECT_EQ(m_session->Converter().exe, m_dir + L"\\conv\\missing.exe");
}

TEST_F(ConvertPage, BrowseStoresTheChosenFolder) {
    // Wine's folder browser finds a folder at the top of a drive by its path, not every one
    // below the user's profile.
    m_dest = L"C:\\kovra-browse\\out";
    ::CreateDirectoryW(L"C:\\kovra-browse", nullptr);
    ::CreateDirectoryW(m_dest.c_str(), nullptr);
    SetDestFolderSetting(m_dest);
    Open();
    m_session->ChooseDestFolder(m_dir, false);
    // Answers the folder browser with OK once its tree shows the folder. The page asks the
    // browser to start on the stored folder; a fresh Wine profile does not always honour that,
    // so the folder is chosen in the browser as a person would.
    const DWORD thread = ::GetCurrentThreadId();
    const std::wstring dest = m_dest;
    std::thread answer([thread, dest] {
        HWND box = nullptr;
        for (int i = 0; i < 3000 && !box; ++i, ::Sleep(20))
            ::EnumThreadWindows(
                thread,
                [](HWND wnd, LPARAM param) -> BOOL {
                    wchar_t title[64] = L"";
                    ::GetWindowTextW(wnd, title, 64);
                    if (!::IsWindowVisible(wnd) || lstrcmpW(title, L"Kovra Converter") == 0)
                        return TRUE;
                    *reinterpret_cast<HWND*>(param) = wnd;
                    return FALSE;
                },
                LPARAM(&box));
        if (!box) return;
        const HWND tree = ::FindWindowExW(box, nullptr, WC_TREEVIEWW, nullptr);
        for (int i = 0; i < 3000; ++i, ::Sleep(20)) {
            wchar_t text[MAX_PATH] = L"";
            TVITEMW item{};
            item.mask = TVIF_TEXT;
            item.hItem = TreeView_GetSelection(tree);
            item.pszText = text;
            item.cchTextMax = MAX_PATH;
            if (item.hItem && TreeView_GetItem(tree, &item) && lstrcmpW(text, L"out") == 0) {
                ::PostMessageW(box, WM_COMMAND, IDOK, 0);
                return;
            }
            if (i == 0) ::SendMessageW(box, BFFM_SETSELECTIONW, TRUE, LPARAM(dest.c_str()));
        }
        ::PostMessageW(box, WM_COMMAND, IDCANCEL, 0);
    });
    Click(OPageView4::IDC_BROWSE);
    answer.join();
    EXPECT_EQ(m_session->DestFolder(), m_dest);
    EXPECT_EQ(m_page->m_editPath.GetWindowText(), m_dest);
    EXPECT_EQ(GetDestFolderSetting(), m_dest);
    ::RemoveDirectoryW(m_dest.c_str());
    ::RemoveDirectoryW(L"C:\\kovra-browse");
}

}  // namespace
