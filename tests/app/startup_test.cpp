// kovradesk.exe itself: its window as the converter finds it, and one wizard at a time.
#include <gtest/gtest.h>

#include <string>

#include "base/window_messages.h"
#include "tests/app/app_test_util.h"

namespace {

const wchar_t kTitle[] = KOVRA_WIZARD_TITLE;

bool Start(const std::wstring& exe, PROCESS_INFORMATION* pi) {
    STARTUPINFOW si{};
    si.cb = sizeof si;
    std::wstring cmd = L"\"" + exe + L"\"";
    return ::CreateProcessW(exe.c_str(), &cmd[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si,
                            pi) != FALSE;
}

HWND WaitForWizard(DWORD ms) {
    for (DWORD waited = 0; waited < ms; waited += 100) {
        if (HWND wnd = ::FindWindowW(L"#32770", kTitle)) return wnd;
        ::Sleep(100);
    }
    return nullptr;
}

// Ends a started wizard that the test leaves running (a failed expectation returns early), so
// that no later test finds it on the desktop and hands its own start over to it.
struct EndsOnExit {
    HANDLE process;
    ~EndsOnExit() {
        if (::WaitForSingleObject(process, 0) == WAIT_TIMEOUT) {
            ::TerminateProcess(process, 1);
            ::WaitForSingleObject(process, 10000);
        }
    }
};

int CountWizards() {
    int n = 0;
    ::EnumWindows(
        [](HWND wnd, LPARAM param) -> BOOL {
            wchar_t cls[32], title[64];
            ::GetClassNameW(wnd, cls, 32);
            ::GetWindowTextW(wnd, title, 64);
            if (lstrcmpW(cls, L"#32770") == 0 && lstrcmpW(title, kTitle) == 0)
                ++*reinterpret_cast<int*>(param);
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&n));
    return n;
}

TEST(Startup, OneWizardWindowTheSecondStartRaisesItAndEnds) {
    const std::wstring exe = app_test::WindowsPath(KOVRA_DESK_EXE);
    PROCESS_INFORMATION first{}, second{};
    ASSERT_TRUE(Start(exe, &first));
    ScopedKernelHandle firstProcess(first.hProcess), firstThread(first.hThread);
    EndsOnExit firstEnds{first.hProcess};
    HWND wizard = WaitForWizard(60000);
    ASSERT_NE(wizard, nullptr);

    RECT rc{};
    ::GetWindowRect(wizard, &rc);
    EXPECT_EQ(rc.right - rc.left, 860);
    EXPECT_EQ(rc.bottom - rc.top, 600);

    ::ShowWindow(wizard, SW_MINIMIZE);
    ASSERT_TRUE(Start(exe, &second));
    ScopedKernelHandle secondProcess(second.hProcess), secondThread(second.hThread);
    EndsOnExit secondEnds{second.hProcess};
    ASSERT_EQ(::WaitForSingleObject(second.hProcess, 60000), WAIT_OBJECT_0);
    DWORD code = 99;
    ::GetExitCodeProcess(second.hProcess, &code);
    EXPECT_EQ(code, 0u);
    EXPECT_EQ(CountWizards(), 1);
    EXPECT_FALSE(::IsIconic(wizard));  // restored by the second start

    // Its close button ends the program.
    ::PostMessageW(wizard, WM_COMMAND, MAKEWPARAM(2000, BN_CLICKED), 0);
    ASSERT_EQ(::WaitForSingleObject(first.hProcess, 60000), WAIT_OBJECT_0);
    EXPECT_EQ(CountWizards(), 0);
}

}  // namespace
