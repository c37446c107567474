// rawconv as a real process: started with a quoted workbook path, it writes beside itself,
// exits non-zero on failure and, on Windows, tells the window titled "Kovra Converter".
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <vector>

#include "base/file_io.h"
#include "tests/cam_workbook_util.h"
#include "tests/test_util.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <sys/stat.h>
#include <sys/wait.h>
#endif

namespace {

struct Outcome {
    int exitCode = -1;
    std::vector<long long> wParams;  // of the 1525 messages the wizard's window received
};

std::string ProgramPath() {
    std::string p = KOVRA_RAWCONV_EXE;
#ifdef _WIN32
    if (!p.empty() && p[0] == '/') p = "Z:" + p;
#endif
    return p;
}

#ifdef _WIN32
std::vector<long long>* g_received = nullptr;
WNDPROC g_dialogProc = nullptr;

LRESULT CALLBACK Recorder(HWND wnd, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == 1525 && g_received) g_received->push_back((long long)wp);
    return CallWindowProcW(g_dialogProc, wnd, msg, wp, lp);
}

// A dialog-class window with the wizard's title, pumping messages while rawconv runs.
Outcome Start(const std::string& exe, const std::string& workbook, bool withWindow) {
    Outcome out;
    HWND wnd = nullptr;
    if (withWindow) {
        wnd = CreateWindowExW(0, L"#32770", L"Kovra Converter", WS_OVERLAPPED, 0, 0, 100, 100,
                              nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
        if (!wnd) {
            ADD_FAILURE() << "no window (is there an X display for Wine?): error " << GetLastError();
            return out;
        }
        g_dialogProc = (WNDPROC)SetWindowLongPtrW(wnd, GWLP_WNDPROC, (LONG_PTR)Recorder);
        g_received = &out.wParams;
    }
    std::string cmd = "\"" + exe + "\" \"" + workbook + "\"";
    for (char& c : cmd)
        if (c == '/') c = '\\';
    STARTUPINFOA si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    if (CreateProcessA(nullptr, &cmd[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) {
        // Sent messages reach this thread only while it waits in a message-aware call.
        while (MsgWaitForMultipleObjects(1, &pi.hProcess, FALSE, 60000, QS_ALLINPUT) == WAIT_OBJECT_0 + 1) {
            MSG msg;
            while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
        }
        DWORD code = 0;
        GetExitCodeProcess(pi.hProcess, &code);
        out.exitCode = int(code);
        CloseHandle(pi.hThread);
        CloseHandle(pi.hProcess);
    } else {
        ADD_FAILURE() << "cannot start " << cmd << ": error " << GetLastError();
    }
    g_received = nullptr;
    if (wnd) DestroyWindow(wnd);
    return out;
}
#else
Outcome Start(const std::string& exe, const std::string& workbook, bool) {
    Outcome out;
    std::string cmd = "\"" + exe + "\" \"" + workbook + "\" > /dev/null";
    int status = std::system(cmd.c_str());
    out.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return out;
}
#endif

class RawconvProcess : public testing::Test {
protected:
    void SetUp() override {
        dir = kovra_test::TempDir("rawconv process");  // a space in the path
        exe = dir + "/" + ProgramPath().substr(ProgramPath().find_last_of("/\\") + 1);
        const std::string bytes = kovra_test::ReadFileBytes(ProgramPath());
        ASSERT_FALSE(bytes.empty());
        ASSERT_TRUE(kovra::WriteFileReplacing(exe, bytes.data(), bytes.size()));
#ifndef _WIN32
        chmod(exe.c_str(), 0755);
#endif
        book = dir + "/my cams.xls";
        ASSERT_TRUE(kovra_test::CopyTemplate(book));
        ExcelFile file;
        ASSERT_TRUE(file.OpenFile(book));
        file.FindSheet("note")->CellAt(999, 5)->PutInteger(3);
        ASSERT_TRUE(file.WriteBack());
    }
    void Break() {
        ExcelFile file;
        ASSERT_TRUE(file.OpenFile(book));
        file.FindSheet("data")->CellAt(2, 1)->PutDouble(95);
        ASSERT_TRUE(file.WriteBack());
    }
    std::string dir, exe, book;
};

TEST_F(RawconvProcess, SuccessAndFailureReachTheWizard) {
    Outcome ok = Start(exe, book, true);
    EXPECT_EQ(ok.exitCode, 0);
    EXPECT_EQ(kovra_test::ReadFileBytes(dir + "/speed.raw").size(), 3 + 3 * 13u);
    EXPECT_EQ(kovra_test::ReadFileBytes(dir + "/speed.raw")[0], '\x03');
    EXPECT_NE(kovra_test::ReadFileBytes(dir + "/SuccessLogFile.txt").find("total data:3\r\n"), std::string::npos);
#ifdef _WIN32
    EXPECT_EQ(ok.wParams, std::vector<long long>{1});
#endif

    Break();
    Outcome bad = Start(exe, book, true);
    EXPECT_EQ(bad.exitCode, 1);
    EXPECT_NE(kovra_test::ReadFileBytes(dir + "/ErrorLogFile.txt").find("\r\n    3. "), std::string::npos);
#ifdef _WIN32
    EXPECT_EQ(bad.wParams, std::vector<long long>{0});
#endif

    // Without the wizard's window the run still ends normally.
    EXPECT_EQ(Start(exe, book, false).exitCode, 1);
    EXPECT_EQ(Start(exe, dir + "/missing.xls", true).exitCode, 2);
}

}  // namespace
