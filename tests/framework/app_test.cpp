// The application object's profile, worker threads and the file-open dialog.
#include <gtest/gtest.h>

#include <atomic>
#include <string>

#include "base/file_io.h"
#include "base/profile.h"
#include "framework/file_dialog.h"
#include "framework/handles.h"
#include "framework/win_app.h"
#include "framework/wnd.h"
#include "tests/framework/pump.h"
#include "tests/test_util.h"
#include "tests/profile_util.h"

namespace {

class TestApp : public CWinApp {
public:
    TestApp() : CWinApp((L"framework-test-" + std::to_wstring(::GetCurrentProcessId())).c_str()) {}
    ~TestApp() override {
        if (!m_strRegistryKey.empty()) kovra_test::DeleteProfileKey();
        kovra::SetProfileApplication(L"");
    }
};

TEST(CWinApp, ProfileRoundTripsUnderTheCompanyKey) {
    TestApp app;
    EXPECT_EQ(AfxGetApp(), &app);
    // No company yet: defaults, nothing written.
    EXPECT_EQ(app.GetProfileInt(L"MAIN", L"Language", -1), -1);
    EXPECT_FALSE(app.WriteProfileInt(L"MAIN", L"Language", 1));
    app.SetRegistryKey(L"Someone Else");
    EXPECT_FALSE(app.WriteProfileString(L"MAIN", L"DestFolder", L"C:\\"));

    app.SetRegistryKey(L"Orvel Systems Inc.");
    EXPECT_EQ(kovra::GetProfileLocation(), L"Software\\Orvel Systems Inc.\\" + app.m_strAppName);
    for (int v : {0, 1, 2, -1, 2147483647}) {
        ASSERT_TRUE(app.WriteProfileInt(L"MAIN", L"Language", v));
        EXPECT_EQ(app.GetProfileInt(L"MAIN", L"Language", 99), v);
    }
    const wchar_t* texts[] = {L"C:\\Users\\u\\Documents", L"", L"\x041f\x0430\x043f\x043a\x0430"};
    for (const wchar_t* t : texts) {
        ASSERT_TRUE(app.WriteProfileString(L"MAIN", L"DestFolder", t));
        EXPECT_EQ(app.GetProfileString(L"MAIN", L"DestFolder", L"0"), t);
    }
    // Each kind read as the other is missing.
    EXPECT_EQ(app.GetProfileInt(L"MAIN", L"DestFolder", -5), -5);
    EXPECT_EQ(app.GetProfileString(L"MAIN", L"Language", L"0"), L"0");
    EXPECT_EQ(app.GetProfileString(L"OTHER", L"DestFolder", L"0"), L"0");
}

struct ThreadReport {
    HWND target;
    std::atomic<DWORD> threadId{0};
};

UINT ReportBack(LPVOID param) {
    auto* report = static_cast<ThreadReport*>(param);
    report->threadId = ::GetCurrentThreadId();
    ::PostMessageW(report->target, WM_APP + 1, 7, 0);
    return 0;
}

class Receiver : public CWnd {
public:
    WPARAM m_got = 0;

protected:
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override {
        if (message == WM_APP + 1) {
            m_got = wParam;
            return 0;
        }
        return CWnd::WindowProc(message, wParam, lParam);
    }
};

TEST(AfxBeginThread, WorkerReportsByPostedMessage) {
    Receiver wnd;
    ASSERT_TRUE(
        wnd.CreateEx(0, AfxRegisterWndClass(0), L"", WS_POPUP, RECT{0, 0, 10, 10}, nullptr, 0));
    ThreadReport report;
    report.target = wnd.m_hWnd;
    ASSERT_TRUE(AfxBeginThread(ReportBack, &report));
    EXPECT_TRUE(PumpUntil([&] { return wnd.m_got == 7; }));
    EXPECT_NE(report.threadId.load(), ::GetCurrentThreadId());
    EXPECT_FALSE(AfxBeginThread(nullptr, nullptr));
}

// Fills in the file-open dialog as a person would: the name field, then Open. Gives up with
// Cancel so a dialog that cannot be driven fails the test instead of hanging it.
struct DialogDriver {
    std::wstring path;
    DWORD uiThread = 0;
    HANDLE done = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
    ~DialogDriver() { ::CloseHandle(done); }
};

HWND FindOpenDialog(DWORD thread) {
    HWND found = nullptr;
    ::EnumThreadWindows(
        thread,
        [](HWND wnd, LPARAM param) -> BOOL {
            wchar_t cls[16];
            ::GetClassNameW(wnd, cls, 16);
            if (lstrcmpW(cls, L"#32770") != 0 || !::IsWindowVisible(wnd)) return TRUE;
            *reinterpret_cast<HWND*>(param) = wnd;
            return FALSE;
        },
        reinterpret_cast<LPARAM>(&found));
    return found;
}

UINT DriveOpenDialog(LPVOID param) {
    auto* d = static_cast<DialogDriver*>(param);
    HWND dlg = nullptr;
    for (int i = 0; i < 150 && !dlg; ++i) {
        ::Sleep(100);
        dlg = FindOpenDialog(d->uiThread);
    }
    if (!dlg) return 0;
    // The explorer-style dialog's file name box: the edit 0x480, or the edit in combo 0x47C. A
    // dialog still filling its lists may not take the first OK: the name is given again until
    // the dialog has returned.
    for (int tries = 0; tries < 10; ++tries) {
        HWND name = ::GetDlgItem(dlg, 0x47C);
        if (!name) name = ::GetDlgItem(dlg, 0x480);
        if (name) {
            ::SendMessageW(name, WM_SETTEXT, 0, LPARAM(d->path.c_str()));
            ::PostMessageW(::GetDlgItem(dlg, IDOK), BM_CLICK, 0, 0);
        }
        // The dialog has returned once the test has set done.
        if (::WaitForSingleObject(d->done, 1000) == WAIT_OBJECT_0) return 0;
    }
    if (::IsWindow(dlg)) ::PostMessageW(dlg, WM_COMMAND, IDCANCEL, 0);
    return 0;
}

TEST(CFileDialog, OpenDialogReturnsTheChosenPath) {
    std::string dir = kovra_test::TempDir("file_dialog");
    std::wstring wdir = kovra::FromUtf8(dir);
    for (wchar_t& c : wdir)
        if (c == L'/') c = L'\\';
    const std::wstring file = wdir + L"\\base.xls";
    ASSERT_TRUE(kovra::WriteFileReplacing(file, "x", 1));

    CFileDialog dlg(TRUE, nullptr, nullptr, OFN_FILEMUSTEXIST | OFN_HIDEREADONLY, L"*.xls|*.xls|");
    dlg.m_ofn.lpstrTitle = L"Pick a workbook";
    dlg.m_ofn.lpstrInitialDir = wdir.c_str();
    DialogDriver driver;
    driver.path = file;
    driver.uiThread = ::GetCurrentThreadId();
    ASSERT_TRUE(AfxBeginThread(DriveOpenDialog, &driver));
    const INT_PTR result = dlg.DoModal();
    ::SetEvent(driver.done);
    EXPECT_EQ(result, IDOK);
    EXPECT_EQ(kovra::ToUtf8(dlg.GetPathName()), kovra::ToUtf8(file));
    EXPECT_EQ(dlg.GetFileName(), L"base.xls");
    // The filter reached the system as a list of pairs.
    EXPECT_STREQ(dlg.m_ofn.lpstrFilter, L"*.xls");
    EXPECT_STREQ(dlg.m_ofn.lpstrFilter + 6, L"*.xls");
    EXPECT_EQ(dlg.m_ofn.lpstrFilter[12], L'\0');
}

}  // namespace
