// Helpers of the page tests: GDI+ for the skin, the program's folder pointed at a test folder,
// files of the tree as Wine sees them, and an answerer for the wizard's message boxes.
#pragma once

#include <windows.h>

#include <atomic>
#include <string>
#include <thread>

#include "app/helpers.h"
#include "framework/gdiplus_header.h"
#include "tests/app/app_test_util.h"
#include "tests/wizard/wizard_test_util.h"

namespace pages_test {

// GDI+ for as long as the object lives; the skin draws with it.
class GdiplusSession {
public:
    GdiplusSession() {
        Gdiplus::GdiplusStartupInput input;
        Gdiplus::GdiplusStartup(&m_token, &input, nullptr);
    }
    ~GdiplusSession() { Gdiplus::GdiplusShutdown(m_token); }

private:
    ULONG_PTR m_token = 0;
};

// A path of the source tree as the Windows programs under Wine see it.
inline std::wstring SourceFile(const std::string& relative) {
    return app_test::WindowsPath(kovra_test::SourcePath(relative));
}

// Answers every wizard message box that opens while it lives with its first button (or
// Cancel when it has only that), and counts them; the text of the last one is kept.
class BoxAnswerer {
public:
    BoxAnswerer() : m_thread([this] { Run(); }) {}
    ~BoxAnswerer() {
        m_stop = true;
        m_thread.join();
    }
    int Count() const { return m_count; }

private:
    void Run() {
        while (!m_stop) {
            HWND box = ::FindWindowW(nullptr, L"OrvelMessageBox");
            if (box && ::IsWindowVisible(box)) {
                ::PostMessageW(box, WM_COMMAND, IDOK, 0);
                while (::IsWindow(box) && !m_stop) ::Sleep(10);
                ++m_count;
            }
            ::Sleep(20);
        }
    }
    std::atomic<bool> m_stop{false};
    std::atomic<int> m_count{0};
    std::thread m_thread;
};

}  // namespace pages_test
