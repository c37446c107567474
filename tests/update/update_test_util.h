// Helpers of the update tests: Windows paths of temp folders, whole files, a window that
// records the checker's messages, and the local test server.
#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "tests/update/test_keys.h"

namespace update_test {

// A fresh temp folder as a Windows path without a trailing backslash.
std::wstring TempFolder(const std::string& name);
// A path of the Linux tree as Windows programs under Wine see it.
std::wstring WindowsPath(const std::string& path);

bool WriteBytes(const std::wstring& path, const std::string& bytes);
// Empty when the file cannot be read.
std::string ReadBytes(const std::wstring& path);
bool Exists(const std::wstring& path);

// Handles this thread's messages until done() holds or ms pass; false on time-out.
bool PumpUntil(const std::function<bool()>& done, DWORD ms);
// Handles the messages queued for this thread now: what a joined worker has posted.
void PumpQueued();

// A hidden top-level window that records the messages the checker sends or posts to the main
// dialog.
class NotifyWindow {
public:
    struct Message {
        UINT msg;
        WPARAM wParam;
        LPARAM lParam;
    };
    NotifyWindow();
    ~NotifyWindow();
    HWND Handle() const { return m_hWnd; }
    // Called for UM_UPDATE_PROGRESS before it is recorded.
    std::function<void(WPARAM, LPARAM)> onProgress;
    std::function<void()> onNewVersion;  // after UM_NEW_VERSION is recorded
    std::vector<Message> messages;
    std::vector<Message> Of(UINT msg) const;

private:
    static LRESULT CALLBACK Proc(HWND, UINT, WPARAM, LPARAM);
    HWND m_hWnd = nullptr;
};

// The "Checking for update..." box as the checker finds it: a window titled "OrvelMessageBox"
// owned by the main dialog (owner), which a close request destroys.
class CheckingBox {
public:
    explicit CheckingBox(HWND owner);
    ~CheckingBox();
    bool IsOpen() const { return ::IsWindow(m_hWnd) != FALSE; }

private:
    HWND m_hWnd = nullptr;
};

// The local server that tests/update/server.py runs for ctest (fixture update_server).
class TestServer {
public:
    // False (a test then skips) when the server is not running.
    bool Connect();
    std::string Origin() const;  // "http://127.0.0.1:PORT"
    std::string Url(const std::string& path) const { return Origin() + path; }
    // Serves bytes at path ("/a/b"); options as server.py describes, cleared by Put.
    void Put(const std::string& path, const std::string& bytes);
    void SetStatus(const std::string& path, int status);
    void SetMode(const std::string& path, const std::string& mode);
    // Serves the file with section signed by tests/update/<key>.pem (test_key, test_key2 or
    // untrusted_key) with serial (0: the time of serving), and then, after Tamper, with from
    // changed into to.
    void Sign(const std::string& path, const std::string& key = "test_key",
              const std::string& section = "RU Ruvovid", uint64_t serial = 0);
    void Tamper(const std::string& path, const std::string& from, const std::string& to);
    void ClearLog();
    // The requests so far, one "METHOD PATH RANGE" per line.
    std::vector<std::string> Requests() const;

private:
    std::wstring File(const std::string& path) const;
    std::wstring m_strRoot;
    int m_nPort = 0;
};

}  // namespace update_test
