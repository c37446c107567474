// Linked into the test build of the wizard only. With KOVRA_TEST_HOLD naming points
// ("import", "download,closing"...), every point the program passes sets the named event
// "Local\kovra-test-PID-NAME", and the first thread to reach a named point waits there until the
// driver sets "Local\kovra-test-PID-NAME-go". The driver (wizard_probe reached / release) thus
// acts while the program is at that moment, however fast or slow the machine.
//
// Besides, the registered message "kovra-test-sync" posted to a window of the main thread sets
// "Local\kovra-test-PID-sync-N" (N: the message's wParam) as the thread takes it from its
// queue: by then everything posted to the thread before it has been handled (wizard_probe sync).
#include <windows.h>

#include <map>
#include <mutex>
#include <set>
#include <string>

#include "base/test_point.h"
#include "tests/e2e/test_hold_names.h"

namespace {

std::mutex g_mutex;
std::set<std::string> g_held;             // points to hold at, each once
std::map<std::string, HANDLE> g_reached;  // kept open, so the driver sees them set later too

std::wstring Wide(const std::string& s) { return std::wstring(s.begin(), s.end()); }

void AtPoint(const char* name) {
    const std::string point = name;
    HANDLE go = nullptr;
    {
        std::lock_guard<std::mutex> lock(g_mutex);
        HANDLE& reached = g_reached[point];
        const DWORD pid = ::GetCurrentProcessId();
        if (!reached) reached = test_hold::PointEvent(pid, Wide(point), L"");
        if (g_held.erase(point)) go = test_hold::PointEvent(pid, Wide(point), L"-go");
        if (reached) ::SetEvent(reached);
    }
    if (!go) return;
    // Bounded, so that a driver that fails before its release leaves no program held for ever.
    ::WaitForSingleObject(go, 10 * 60 * 1000);
    ::CloseHandle(go);
}

const UINT g_uSync = ::RegisterWindowMessageW(test_hold::kSyncMessage);

LRESULT CALLBACK OnMessage(int code, WPARAM removed, LPARAM lParam) {
    const MSG* msg = reinterpret_cast<const MSG*>(lParam);
    if (code == HC_ACTION && removed == PM_REMOVE && msg->message == g_uSync) {
        const std::wstring name = test_hold::EventName(
            ::GetCurrentProcessId(), L"sync-" + std::to_wstring(msg->wParam), L"");
        if (HANDLE done = ::OpenEventW(EVENT_MODIFY_STATE, FALSE, name.c_str())) {
            ::SetEvent(done);
            ::CloseHandle(done);
        }
    }
    return ::CallNextHookEx(nullptr, code, removed, lParam);
}

bool Install() {
    // Static initialisation runs on the main thread, where the wizard's windows live.
    ::SetWindowsHookExW(WH_GETMESSAGE, OnMessage, nullptr, ::GetCurrentThreadId());
    wchar_t list[512];
    const DWORD n = ::GetEnvironmentVariableW(L"KOVRA_TEST_HOLD", list, 512);
    if (n == 0 || n >= 512) return false;
    std::string item;
    for (const wchar_t* p = list;; ++p) {
        if (*p == L',' || *p == 0) {
            if (!item.empty()) g_held.insert(item);
            item.clear();
            if (*p == 0) break;
        } else {
            item += char(*p);
        }
    }
    kovra::SetTestPointHook(AtPoint);
    return true;
}

const bool g_bInstalled = Install();

}  // namespace
