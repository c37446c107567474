// The wizard's main window on real windows and messages: the welcome screen, moving between
// the steps and what that does to the camera sets, keys and close requests, the language
// switch, dragging, and the template it hands out.
#include "wizard/tollex_dlg.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "app/texts.h"
#include "app/update_checker.h"
#include "base/window_messages.h"
#include "camdata/speed_cam_data.h"
#include "resource.h"
#include "tests/pages/pages_test_util.h"

namespace {

using wizard_test::Drain;

const UINT kStart = 2003, kStrip = 2050, kPage1 = 2051;

void AddCamera(CSpeedCamDataSet* set) {
    CSpeedCamData* cam = new CSpeedCamData;
    cam->SetLatitude(55.75);
    cam->SetLongitude(37.62);
    set->AddCamera(cam);
}

class MainDialog : public testing::Test {
protected:
    void SetUp() override {
        InitModuleDir();
        SetLanguageSetting(0);
        LoadLanguageLibrary();
        Open();
    }
    void TearDown() override {
        m_dlg.reset();
        FreeLanguageLibrary();
    }
    void Open() {
        m_dlg.reset(new CTollexDlg);
        ASSERT_TRUE(m_dlg->Create(IDD_KOVRADESK_DIALOG));
        Drain();
    }
    bool Visible(UINT id) const { return ::IsWindowVisible(::GetDlgItem(m_dlg->m_hWnd, id)); }
    // The control IDs of the step strip, the pages and the start button that show.
    std::vector<UINT> Shown() const {
        std::vector<UINT> ids;
        for (UINT id : {kStart, kStrip, 2051u, 2052u, 2053u, 2054u})
            if (Visible(id)) ids.push_back(id);
        return ids;
    }
    void Command(UINT id) { m_dlg->SendMessage(WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), 0); Drain(); }
    void Post(UINT message, WPARAM wParam = 0) {
        m_dlg->PostMessage(message, wParam);
        Drain();
    }

    app_test::TestApp m_app;
    pages_test::GdiplusSession m_gdiplus;
    std::unique_ptr<CTollexDlg> m_dlg;
};

TEST_F(MainDialog, OpensOnTheWelcomeScreenUnderTheConvertersTitle) {
    wchar_t cls[32], title[64];
    ::GetClassNameW(m_dlg->m_hWnd, cls, 32);
    ::GetWindowTextW(m_dlg->m_hWnd, title, 64);
    EXPECT_STREQ(cls, L"#32770");
    EXPECT_STREQ(title, L"Kovra Converter");
    RECT rc;
    m_dlg->GetWindowRect(&rc);
    EXPECT_EQ(rc.right - rc.left, 860);
    EXPECT_EQ(rc.bottom - rc.top, 600);
    EXPECT_EQ(Shown(), std::vector<UINT>{kStart});
    EXPECT_FALSE(m_dlg->m_bStarted);
    EXPECT_EQ(m_dlg->m_wndSteps.m_nStepCount, 4);
    EXPECT_STREQ(m_dlg->m_wndSteps.m_szStepText[1], L"Import Zel Partner Speed Camera Data");
    EXPECT_STREQ(m_dlg->m_btnStart.m_szText, L"Start");

    std::wstring folder = GetModuleDir();
    std::wstring history = folder + L"\\History", tmpl = folder + L"\\Template\\UserCustomizedTemplate.xls";
    EXPECT_TRUE(PathExists(history.data()));
    HRSRC res = ::FindResourceW(nullptr, MAKEINTRESOURCEW(IDR_TEMPLATE_XLS), L"FILE");
    ASSERT_TRUE(res);
    WIN32_FILE_ATTRIBUTE_DATA data{};
    ASSERT_TRUE(::GetFileAttributesExW(tmpl.c_str(), GetFileExInfoStandard, &data));
    EXPECT_EQ(data.nFileSizeLow, ::SizeofResource(nullptr, res));
}

TEST_F(MainDialog, TheUsersTemplateIsLeftAsItIs) {
    m_dlg.reset();
    const std::wstring tmpl = GetModuleDir() + L"\\Template\\UserCustomizedTemplate.xls";
    HANDLE file = ::CreateFileW(tmpl.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    DWORD written;
    ::WriteFile(file, "mine", 4, &written, nullptr);
    ::CloseHandle(file);
    Open();
    WIN32_FILE_ATTRIBUTE_DATA data{};
    ASSERT_TRUE(::GetFileAttributesExW(tmpl.c_str(), GetFileExInfoStandard, &data));
    EXPECT_EQ(data.nFileSizeLow, 4u);
    ::DeleteFileW(tmpl.c_str());
}

TEST_F(MainDialog, StepsForwardBackAndTryAgain) {
    Command(kStart);
    EXPECT_TRUE(m_dlg->m_bStarted);
    EXPECT_EQ(Shown(), (std::vector<UINT>{kStrip, kPage1}));

    // Back from step 1 shows the welcome screen; Start brings step 1 back as it was left.
    AddCamera(&m_dlg->m_pSession->Set(0));
    Post(UM_STEP_BACK);
    EXPECT_EQ(Shown(), std::vector<UINT>{kStart});
    Command(kStart);
    EXPECT_EQ(m_dlg->m_pSession->Set(0).GetCount(), 1);

    for (int step = 1; step <= 3; ++step) {
        Post(UM_STEP_NEXT);
        EXPECT_EQ(m_dlg->m_nStep, step);
        EXPECT_EQ(m_dlg->m_wndSteps.m_nCurStep, step);
        EXPECT_EQ(Shown(), (std::vector<UINT>{kStrip, kPage1 + step}));
    }
    Post(UM_STEP_NEXT);  // nothing lies beyond step 4
    EXPECT_EQ(m_dlg->m_nStep, 3);

    // Going back resets the page that becomes current, which empties its set.
    AddCamera(&m_dlg->m_pSession->Set(1));
    AddCamera(&m_dlg->m_pSession->Set(2));
    Post(UM_STEP_BACK);
    EXPECT_EQ(m_dlg->m_nStep, 2);
    EXPECT_EQ(m_dlg->m_pSession->Set(2).GetCount(), 0);
    EXPECT_EQ(m_dlg->m_pSession->Set(1).GetCount(), 1);
    EXPECT_EQ(m_dlg->m_pSession->Set(0).GetCount(), 1);

    // "Try Again" from step 4 starts over with every set empty.
    Post(UM_STEP_NEXT);
    AddCamera(&m_dlg->m_pSession->Set(2));
    Post(UM_STEP_BACK, WPARAM(-1));
    EXPECT_EQ(m_dlg->m_nStep, 0);
    EXPECT_TRUE(m_dlg->m_bStarted);
    EXPECT_EQ(m_dlg->m_wndSteps.m_nCurStep, 0);
    EXPECT_EQ(Shown(), (std::vector<UINT>{kStrip, kPage1}));
    EXPECT_EQ(m_dlg->m_pSession->Set(0).GetCount() + m_dlg->m_pSession->Set(1).GetCount() +
                  m_dlg->m_pSession->Set(2).GetCount(),
              0);
}

TEST_F(MainDialog, OnlyTheCloseButtonEndsIt) {
    Command(kStart);
    m_dlg->SendMessage(WM_COMMAND, IDOK);
    m_dlg->SendMessage(WM_COMMAND, IDCANCEL);
    m_dlg->SendMessage(WM_CLOSE);
    m_dlg->SendMessage(WM_SYSCOMMAND, SC_CLOSE);
    Drain();
    ASSERT_TRUE(::IsWindow(m_dlg->m_hWnd));
    Command(2000);
    EXPECT_EQ(m_dlg->m_hWnd, nullptr);
    EXPECT_EQ(m_dlg->m_nModalResult, IDOK);
}

TEST_F(MainDialog, AVersionThatCouldNotBeVerifiedOrAFailedCheckIsOnlyAnnounced) {
    Command(kStart);
    CUpdateChecker::GetInstance()->m_strNewVersion = L"1.0.11.0";
    {
        pages_test::BoxAnswerer answerer;
        Post(UM_UNVERIFIED_VERSION);
        EXPECT_TRUE(PumpUntil([&] { return answerer.Count() == 1; }));
        // A check that failed says so in a box of its own.
        Post(UM_CHECK_FAILED);
        EXPECT_TRUE(PumpUntil([&] { return answerer.Count() == 2; }));
    }
    // The notice is all: the wizard stays where it was and nothing was started.
    ASSERT_TRUE(::IsWindow(m_dlg->m_hWnd));
    EXPECT_EQ(Shown(), (std::vector<UINT>{kStrip, kPage1}));
    EXPECT_EQ(m_dlg->m_pUpdateBox, nullptr);
}

TEST_F(MainDialog, LanguageSwitchReloadsEveryTextAndTheSameLanguageDoesNothing) {
    const std::wstring dll = GetModuleDir() + L"\\kovradesk_RUS.dll";
    ASSERT_TRUE(::CopyFileW(app_test::WindowsPath(KOVRA_RUS_DLL).c_str(), dll.c_str(), FALSE));
    Command(kStart);

    // The language already in use: not even a redraw.
    ::ValidateRect(m_dlg->m_hWnd, nullptr);
    m_dlg->SendMessage(WM_COMMAND, 2201);
    EXPECT_FALSE(::GetUpdateRect(m_dlg->m_hWnd, nullptr, FALSE));

    Command(2202);
    EXPECT_EQ(GetLanguageSetting(), 1);
    EXPECT_STRNE(m_dlg->m_btnStart.m_szText, L"Start");
    EXPECT_STREQ(m_dlg->m_btnStart.m_szText, LoadText(IDS_START));
    EXPECT_STREQ(m_dlg->m_wndSteps.m_szStepTitle[0], LoadText(IDS_STEP1));
    EXPECT_STRNE(m_dlg->m_wndSteps.m_szStepTitle[0], L"Step 1");
    ASSERT_NE(m_dlg->m_wndMenu.GetMenuButton(0), nullptr);
    EXPECT_STREQ(m_dlg->m_wndMenu.GetMenuButton(0)->m_szText, LoadText(IDS_MENU_LANGUAGE));
    EXPECT_STREQ(m_dlg->m_wndPage1.m_btnNext.m_szText, LoadText(IDS_NEXT));
    // The title stays the same in every language: the converter finds the window by it.
    EXPECT_EQ(m_dlg->GetWindowText(), L"Kovra Converter");

    Command(2201);
    EXPECT_EQ(GetLanguageSetting(), 0);
    EXPECT_STREQ(m_dlg->m_btnStart.m_szText, L"Start");
    EXPECT_STREQ(m_dlg->m_wndPage1.m_btnNext.m_szText, L"Next >");
    m_dlg.reset();
    FreeLanguageLibrary();
    ::DeleteFileW(dll.c_str());
}

TEST_F(MainDialog, DraggedByAnyPointKeepingItsSize) {
    RECT before, after;
    m_dlg->GetWindowRect(&before);
    m_dlg->SendMessage(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(400, 15));
    m_dlg->SendMessage(WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(460, 55));
    m_dlg->SendMessage(WM_LBUTTONUP, 0, MAKELPARAM(460, 55));
    m_dlg->GetWindowRect(&after);
    EXPECT_EQ(after.left - before.left, 60);
    EXPECT_EQ(after.top - before.top, 40);
    EXPECT_EQ(after.right - after.left, 860);
    EXPECT_EQ(after.bottom - after.top, 600);
    // Once released, moving the mouse moves nothing.
    m_dlg->SendMessage(WM_MOUSEMOVE, 0, MAKELPARAM(10, 10));
    RECT still;
    m_dlg->GetWindowRect(&still);
    EXPECT_EQ(still.left, after.left);
}

TEST(LanguageMenu, StoresTheDetectedLanguageFirstAndChecksTheOneInForce) {
    app_test::TestApp app;
    ASSERT_EQ(GetLanguageSetting(), -1);
    const int detected = DetectUILanguage();
    std::vector<OMenuItem> items = CTollexDlg::LanguageMenuItems();
    ASSERT_EQ(items.size(), 2u);
    EXPECT_EQ(items[0].nID, UINT(CTollexDlg::ID_LANGUAGE_ENGLISH));
    EXPECT_EQ(items[1].bChecked, detected == kLanguageRussian);
    EXPECT_EQ(GetLanguageSetting(), detected);
    SetLanguageSetting(kLanguageRussian);
    items = CTollexDlg::LanguageMenuItems();
    EXPECT_FALSE(items[0].bChecked);
    EXPECT_TRUE(items[1].bChecked);
    SetLanguageSetting(7);  // unknown: counts as English and stays stored
    EXPECT_TRUE(CTollexDlg::LanguageMenuItems()[0].bChecked);
    EXPECT_EQ(GetLanguageSetting(), 7);
}

}  // namespace
