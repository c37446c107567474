// The import page on real windows and messages: its screens from the choice of a file to the
// saved corrections, the failures, and the buttons of each mode.
#include "wizard/page_view1.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "base/window_messages.h"
#include "camdata/cam_workbook.h"
#include "camdata/history.h"
#include "camdata/speed_cam_data.h"
#include "camdata/speed_cam_data_set.h"
#include "resource.h"
#include "session/conversion_session.h"
#include "tests/cam_workbook_util.h"
#include "tests/pages/pages_test_util.h"

namespace {

using wizard_test::Drain;
using wizard_test::RecordingParent;

std::string Bytes(const std::wstring& path) {
    return kovra_test::ReadFileBytes(kovra::ToUtf8(path));
}

void WriteBytes(const std::wstring& path, const std::string& bytes) {
    HANDLE file = ::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    DWORD written;
    ::WriteFile(file, bytes.data(), DWORD(bytes.size()), &written, nullptr);
    ::CloseHandle(file);
}

class ImportPage : public testing::Test {
protected:
    void SetUp() override {
        InitModuleDir();
        ASSERT_TRUE(m_parent.Create());
        m_folder = app_test::TempFolder("import_page");
    }

    // The page of the mode, created in the parent, with file copied in as the user's file.
    void Open(int mode, const std::wstring& file = L"") {
        if (!m_session) m_session.reset(new ConversionSession(GetModuleDir()));
        m_page.reset(new OPageView1);
        m_page->SetMode(mode, m_session.get());
        m_session->SetObserver(m_page.get());
        ASSERT_TRUE(m_page->Create(RECT{0, 0, 860, 449}, &m_parent, 2050 + mode));
        m_page->ShowWindow(SW_SHOW);
        if (!file.empty()) {
            m_path = m_folder + L"\\" + file.substr(file.find_last_of(L'\\') + 1);
            if (m_path != file) {
                ASSERT_TRUE(::CopyFileW(file.c_str(), m_path.c_str(), FALSE));
            }
        }
        Drain();
    }
    void Click(UINT id) {
        m_page->SendMessage(WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), 0);
        Drain();
    }
    // Picks the user's file as "Browse..." would and presses "Next >".
    void ChooseAndGo() {
        if (m_page->m_nMode == 1) m_page->SendMessage(UM_RADIO_CLICKED, OPageView1::IDC_PREVIOUS_CHOICE, 1);
        m_page->m_editPath.SetWindowText(m_path.c_str());
        Click(OPageView1::IDC_NEXT);
    }
    bool NextEnabled() const { return m_page->m_btnNext.IsWindowEnabled(); }

    pages_test::GdiplusSession m_gdiplus;
    RecordingParent m_parent;
    std::unique_ptr<ConversionSession> m_session;
    std::unique_ptr<OPageView1> m_page;
    std::wstring m_folder, m_path;
};

TEST_F(ImportPage, InvalidBaseCamerasAreRemovedAndTheFileSavedAfterABackup) {
    Open(1, pages_test::SourceFile("samples/base_data.xls"));
    const std::string original = Bytes(m_path);
    ChooseAndGo();
    ASSERT_EQ(m_session->ImportStateOf(m_page->m_nMode - 1).screen, ConversionSession::kCorrecting);
    EXPECT_EQ(m_session->Set(0).GetCount(), 300);
    EXPECT_EQ(m_page->m_lstCamera.GetItemCount(), 3);
    EXPECT_TRUE(m_page->m_lstCamera.IsWindowVisible());
    EXPECT_FALSE(NextEnabled());
    EXPECT_EQ(m_page->m_strStatus, L"Some data are invalid. Please correct the marked one.");
    // The working copy is the file as imported.
    EXPECT_EQ(Bytes(GetWorkingBaseFilePath(GetModuleDir())), original);

    // "Remove this camera" twice restores the row and its caption.
    ListView_SetItemState(m_page->m_lstCamera.m_hWnd, 0, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
    Click(OPageView1::IDC_REMOVE_CAMERA);
    EXPECT_EQ(m_page->m_lstCamera.GetItemCamera(0)->m_bRemoved, 1);
    EXPECT_STREQ(m_page->m_btnRemove.m_szText, L"Undo remove");
    Click(OPageView1::IDC_REMOVE_CAMERA);
    EXPECT_EQ(m_page->m_lstCamera.GetItemCamera(0)->m_bRemoved, 0);
    EXPECT_STREQ(m_page->m_btnRemove.m_szText, L"Remove this camera");

    Click(OPageView1::IDC_REMOVE_ALL);
    EXPECT_TRUE(NextEnabled());
    Click(OPageView1::IDC_NEXT);
    EXPECT_EQ(m_session->ImportStateOf(m_page->m_nMode - 1).screen, ConversionSession::kImported);
    EXPECT_EQ(m_session->Set(0).GetCount(), 297);
    EXPECT_EQ(m_page->m_strStatus,
              L"Base data have been imported successfully.\nYour revised data is saved as \"base_data.xls\".");
    EXPECT_EQ(Bytes(MakeBackupPath(m_path)), original);
    CSpeedCamDataSet reread;
    CCameraListMemory list;
    ASSERT_TRUE(ImportCamWorkbook(L"", &list, m_path, &reread));
    EXPECT_EQ(reread.GetCount(), 297);
    EXPECT_EQ(list.GetItemCount(), 0);

    // The last "Next >" hands over to the main dialog.
    EXPECT_FALSE(m_parent.Has(UM_STEP_NEXT));
    Click(OPageView1::IDC_NEXT);
    EXPECT_TRUE(m_parent.Has(UM_STEP_NEXT));
}

TEST_F(ImportPage, AWorkbookWithoutInvalidRowsPassesStraightOnUntouched) {
    std::wstring tmpl = m_folder + L"\\clean.xls";
    ASSERT_TRUE(kovra_test::CopyTemplate(kovra::ToUtf8(tmpl)));
    Open(1, tmpl);
    const std::string original = Bytes(m_path);
    ChooseAndGo();
    EXPECT_TRUE(m_parent.Has(UM_STEP_NEXT));
    EXPECT_EQ(m_session->ImportStateOf(m_page->m_nMode - 1).screen, ConversionSession::kImported);
    EXPECT_GT(m_session->Set(0).GetCount(), 0);
    EXPECT_EQ(Bytes(m_path), original);
    EXPECT_TRUE(Bytes(MakeBackupPath(m_path)).empty());
}

TEST_F(ImportPage, AWriteBackThatFailsSaysSoAndKeepsTheFile) {
    Open(1, pages_test::SourceFile("samples/base_data.xls"));
    const std::string original = Bytes(m_path);
    ChooseAndGo();
    ASSERT_EQ(m_session->ImportStateOf(m_page->m_nMode - 1).screen, ConversionSession::kCorrecting);
    Click(OPageView1::IDC_REMOVE_ALL);
    // Someone holds the file open without sharing it: it cannot be written.
    HANDLE lock = ::CreateFileW(m_path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(lock, INVALID_HANDLE_VALUE);
    Click(OPageView1::IDC_NEXT);
    ::CloseHandle(lock);
    EXPECT_EQ(m_session->ImportStateOf(m_page->m_nMode - 1).screen, ConversionSession::kImported);
    EXPECT_EQ(m_page->m_nStatusId, UINT(IDS_SAVE_FAILED));
    EXPECT_NE(m_page->m_strStatus.find(L"could not be saved"), std::wstring::npos);
    EXPECT_EQ(Bytes(m_path), original);
}

TEST_F(ImportPage, AnUnreadableFileIsRefusedAndThePageStartsOver) {
    const std::wstring bad = m_folder + L"\\broken.xls";
    WriteBytes(bad, "not a workbook");
    Open(3, bad);
    EXPECT_TRUE(m_page->m_btnTemplate.IsWindowVisible());
    {
        pages_test::BoxAnswerer answerer;
        ChooseAndGo();
        ASSERT_TRUE(PumpUntil([&] { return answerer.Count() == 1; }));
        Drain();
    }
    EXPECT_EQ(m_session->ImportStateOf(m_page->m_nMode - 1).screen, ConversionSession::kChoose);
    EXPECT_EQ(m_session->Set(2).GetCount(), 0);
    EXPECT_TRUE(m_page->m_btnTemplate.IsWindowVisible());
    // Steps 2 and 3 stay where they are: going back would empty the previous step's data.
    EXPECT_FALSE(m_parent.Has(UM_STEP_BACK));
}

TEST_F(ImportPage, PartnerTextWithoutCamerasShowsTheFormatFailure) {
    const std::wstring empty = m_folder + L"\\empty.txt";
    WriteBytes(empty, "title only\r\n");
    Open(2, empty);
    {
        pages_test::BoxAnswerer answerer;
        ChooseAndGo();
        Drain();
    }
    EXPECT_EQ(m_session->ImportStateOf(m_page->m_nMode - 1).screen, ConversionSession::kLoading);
    EXPECT_TRUE(m_session->ImportStateOf(m_page->m_nMode - 1).loadFailed);
    EXPECT_EQ(m_page->m_nStatusId, UINT(IDS_INCORRECT_FORMAT));
    EXPECT_FALSE(NextEnabled());
    EXPECT_TRUE(m_page->m_btnBack.IsWindowVisible());
    // "< Back" in step 2 always leads to step 1.
    Click(OPageView1::IDC_BACK);
    EXPECT_EQ(m_session->ImportStateOf(m_page->m_nMode - 1).screen, ConversionSession::kChoose);
    EXPECT_TRUE(m_parent.Has(UM_STEP_BACK));
}

TEST_F(ImportPage, ButtonsOfEachMode) {
    Open(1);
    EXPECT_TRUE(m_session->DownloadChosen());
    EXPECT_FALSE(m_page->m_btnBrowse.IsWindowEnabled());
    EXPECT_FALSE(m_page->m_btnSkip.m_hWnd);
    EXPECT_FALSE(m_page->m_btnTemplate.IsWindowVisible());
    EXPECT_STREQ(m_page->m_szTitle, L"Step 1 - Import Speed Camera Data from (.XLS)");
    m_page->SendMessage(UM_RADIO_CLICKED, OPageView1::IDC_PREVIOUS_CHOICE, 1);
    EXPECT_FALSE(m_session->DownloadChosen());
    EXPECT_TRUE(m_page->m_btnBrowse.IsWindowEnabled());
    EXPECT_FALSE(NextEnabled());  // nothing chosen yet
    EXPECT_TRUE(m_page->m_btnPrevious.m_bChecked);
    EXPECT_FALSE(m_page->m_btnDownload.m_bChecked);
    // "< Back" on the first screen of step 1 leads to the welcome screen.
    Click(OPageView1::IDC_BACK);
    EXPECT_TRUE(m_parent.Has(UM_STEP_BACK));

    Open(2);
    RECT rc;
    ::GetWindowRect(m_page->m_btnNext.m_hWnd, &rc);
    ::MapWindowPoints(nullptr, m_page->m_hWnd, reinterpret_cast<POINT*>(&rc), 2);
    EXPECT_EQ(rc.left, 622);
    ::GetWindowRect(m_page->m_editPath.m_hWnd, &rc);
    ::MapWindowPoints(nullptr, m_page->m_hWnd, reinterpret_cast<POINT*>(&rc), 2);
    EXPECT_EQ(rc.top, 274);
    EXPECT_TRUE(m_page->m_btnSkip.IsWindowVisible());
    Click(OPageView1::IDC_SKIP);
    EXPECT_EQ(m_parent.Of(UM_STEP_NEXT).size(), 1u);
}

}  // namespace
