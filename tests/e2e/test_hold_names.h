// What the test build's hold points (test_hold.cpp) and their driver (wizard_probe) share: the
// names of the events and of the sync message.
#pragma once

#include <windows.h>

#include <string>

namespace test_hold {

const wchar_t kSyncMessage[] = L"kovra-test-sync";

// "Local\kovra-test-PID-POINT" with suffix ("" when reached, "-go" to release).
inline std::wstring EventName(DWORD pid, const std::wstring& point, const wchar_t* suffix) {
    return L"Local\\kovra-test-" + std::to_wstring(pid) + L"-" + point + suffix;
}

// The manual-reset event of that name, created or opened.
inline HANDLE PointEvent(DWORD pid, const std::wstring& point, const wchar_t* suffix) {
    return ::CreateEventW(nullptr, TRUE, FALSE, EventName(pid, point, suffix).c_str());
}

}  // namespace test_hold
